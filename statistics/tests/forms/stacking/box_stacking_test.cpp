// On a real X display with a window manager: every box and dialog r62 opens
// lies on top of the window manager's stacking order, also over the windows
// that stay on top (plot, dendrogram). Reads the root window's client
// stacking list with xprop; starts openbox when no window manager runs.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <QTest>
#include <memory>

#include "platform/dialogs.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/testing/temp_dir.h"
#include "platform/testing/window_stacking.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/class_cluster_table.h"
#include "statistics/forms/graph_window.h"
#include "statistics/forms/r62_main_window.h"
#include "statistics/forms/tree_window.h"
#include "statistics/tests/forms/r62_test_app.h"

namespace {

using namespace platform::testing;

const char kSel[] =
    "*label\nlabel\n*features\n1 Mean\n2 Variance\n3 Skewness\n"
    "*categories\n1 a\n2 b\n*data\n"
    "1 1 2 3\n1 2 3 5\n1 2 2 4\n2 4 1 2\n2 5 6 1\n2 6 5 2\n*end\n";

class BoxStackingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        r62TestApplication();
        if (const std::string why = windowManagerReady(); !why.empty()) GTEST_SKIP() << why;
        resetR62Data();
        resetR62Options();
        resetR62Shell();
        const std::string sel = dir.write("data.sel", kSel);
        main = std::make_unique<TMainWindow>(std::vector<std::string>{sel});
        ASSERT_EQ(r62Data().NewConsistentData, 1);
        platform::setDialogOwner(main.get());
        main->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main.get()));
    }
    void TearDown() override {
        platform::setDialogOwner(nullptr);
        main.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    platform::testing::TempDir dir;
    platform::QtDialogs dialogs{platform::QtDialogs::Mode::Interactive};
    platform::DialogBackendScope scope{dialogs};
    std::unique_ptr<TMainWindow> main;
};

TEST_F(BoxStackingTest, BoxesAndDialogsOpenInFrontOfTheWindowsThatStayOnTop) {
    // The plot stays on top: its question and its Save As come over it.
    main->PCAClick();
    QPointer<TGraphWindow> graph = main->graphWindow();
    ASSERT_NE(graph, nullptr);
    ASSERT_TRUE(becomesTop(graph));
    workIn(graph);
    EXPECT_TRUE(modalOnTop([&] { graph->SaveClick(); }, reject)) << "Save As under the plot";
    // A box of the main window while the plot is shown.
    workIn(main.get());
    EXPECT_TRUE(
        modalOnTop([&] { main->AbouClick(); }, [](QWidget* box) { press(box, QMessageBox::Ok); }))
        << "About under the plot";
    workIn(graph);
    EXPECT_TRUE(
        modalOnTop([&] { graph->CloseClick(); }, [](QWidget* box) { press(box, QMessageBox::No); }))
        << "the unsaved-diagram question under the plot";
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(graph.isNull());

    // The dendrogram stays on top: the class/cluster table opens over it.
    main->AHCClick();
    TTreeWindow* tree = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* found = dynamic_cast<TTreeWindow*>(window)) tree = found;
    ASSERT_NE(tree, nullptr);
    ASSERT_TRUE(becomesTop(tree));
    workIn(tree);
    tree->AcceptClick();
    ASSERT_NE(classClusterTableWindow(), nullptr);
    EXPECT_TRUE(becomesTop(classClusterTableWindow())) << "the table under the dendrogram";
    classClusterTableWindow()->close();
    tree->close();
}

}  // namespace
