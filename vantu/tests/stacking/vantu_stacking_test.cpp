// On a real X display with a window manager: the boxes and dialogs Vantu
// opens from its other windows lie on top of the stacking order, in front of
// the window they were asked for from, not of the main window.
#include <gtest/gtest.h>

#include <QMessageBox>
#include <QTest>

#include "analysis/core/reports/report_document.h"
#include "analysis/forms/report_window.h"
#include "platform/dialogs.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/testing/window_stacking.h"
#include "vantu/window_composition.h"
#include "volume/forms/volume_editor_window.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

using namespace platform::testing;

class VantuStackingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        if (const std::string why = windowManagerReady(); !why.empty()) GTEST_SKIP() << why;
        createVantuWindows();
        resetReportDocuments();
        _vantu->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(_vantu));
    }
    void TearDown() override {
        destroyVantuWindows();
        resetReportDocuments();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // Shows `window` over the main window and works in it.
    static void bringUp(QWidget* window) {
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window));
        ASSERT_TRUE(becomesTop(window));
        workIn(window);
    }

    // Dismisses a box or dialog that must belong to `window`: on top, with
    // `window` right under it, above the main window.
    static std::function<void(QWidget*)> inFrontOf(QWidget* window,
                                                   std::function<void(QWidget*)> dismiss) {
        return [window, dismiss](QWidget* box) {
            EXPECT_EQ(box->parentWidget(), window) << box->windowTitle().toStdString();
            EXPECT_TRUE(stackedAbove(window, _vantu)) << box->windowTitle().toStdString();
            dismiss(box);
        };
    }

    platform::QtDialogs dialogs{platform::QtDialogs::Mode::Interactive};
    platform::DialogBackendScope scope{dialogs};
};

TEST_F(VantuStackingTest, TheEditorsQuestionsAndTheDialogsAfterThemOpenInFrontOfTheEditor) {
    bringUp(_VoiEditor);
    // The main window's ROIs are unsaved: loading a volume asks first. The
    // main window's ROI save dialog opens right after the question has
    // closed, while no window is active, and (there being no ROI left
    // unsaved) the load dialog after it.
    _VoiEditor->workspaceRois.unsaved = [] { return true; };
    EXPECT_TRUE(
        modalsOnTop([] { _VoiEditor->loadImageClick(); },
                    {inFrontOf(_VoiEditor, [](QWidget* box) { press(box, QMessageBox::Yes); }),
                     inFrontOf(_VoiEditor, reject), inFrontOf(_VoiEditor, reject)}));
}

TEST_F(VantuStackingTest, TheReportWindowsDialogsOpenInFrontOfIt) {
    bringUp(_Report);
    EXPECT_TRUE(modalOnTop([] { _Report->Load1Click(); }, inFrontOf(_Report, reject)));
}

}  // namespace
