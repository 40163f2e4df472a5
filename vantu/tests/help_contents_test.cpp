// Help > Contents (F1) without a help file beside the program.
#include <gtest/gtest.h>

#include <QAction>
#include <string>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "platform/dialogs.h"
#include "platform/shell.h"
#include "platform/testing/temp_dir.h"
#include "vantu/window_composition.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

class HelpContentsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        analysisSettings().reset();
        createVantuWindows();
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
        analysisSettings().reset();
    }

    platform::testing::ScopedRegistryStore store;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(HelpContentsTest, WithoutAHelpFileContentsSaysWhereItLooked) {
    QAction* contents = _vantu->action("&Contents");
    ASSERT_NE(contents, nullptr);
    EXPECT_EQ(contents->shortcut(), QKeySequence(Qt::Key_F1));
    contents->trigger();
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].text,
              "Cannot open the help file " + platform::programFolder() + "Vantu.chm.");
}

}  // namespace
