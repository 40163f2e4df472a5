// A box opened while the start-up splash is the active window (a bad file on
// the command line) must survive the splash closing itself after 2000 ms:
// the box belongs to the main window, never to the splash.
#include "workspace/forms/splash_window.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QMainWindow>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QtTest/QTest>

#include "platform/qt/qt_dialogs.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

QWidget* openSplash() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "KWL_INTRO" && w->isVisible()) return w;
    return nullptr;
}

class SplashBoxTest : public ::testing::Test {
  protected:
    void SetUp() override {
        SplashState = 1;
        owner.setWindowTitle("Vantu");
        owner.show();
        platform::setDialogOwner(&owner);
    }
    void TearDown() override {
        platform::setDialogOwner(nullptr);
        SplashState = 2;
    }
    QApplication& app = testApplication();  // before any widget
    QMainWindow owner;
};

TEST_F(SplashBoxTest, BoxesNeverBelongToTheSplashButToTheWindowTheyOpenFrom) {
    ShowSplashWindow();
    QPointer<QWidget> splash = openSplash();
    ASSERT_NE(splash, nullptr);
    splash->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(splash));
    EXPECT_EQ(platform::dialogParent(), &owner);

    // An ordinary window is a good parent, and so is one that frees itself
    // when closed (the box then goes with it, answered as cancelled).
    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    EXPECT_EQ(platform::dialogParent(), &other);
    auto* transient = new QWidget;
    transient->setAttribute(Qt::WA_DeleteOnClose);
    transient->show();
    transient->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(transient));
    EXPECT_EQ(platform::dialogParent(), transient);
    transient->close();

    // Without an owner (or after it is gone): no parent at all.
    platform::setDialogOwner(nullptr);
    splash->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(splash));
    EXPECT_EQ(platform::dialogParent(), nullptr);
    splash->close();
    QTest::qWait(10);
}

TEST_F(SplashBoxTest, ABoxOpenOverTheSplashOutlivesTheSplashTimer) {
    ShowSplashWindow();
    QPointer<QWidget> splash = openSplash();
    ASSERT_NE(splash, nullptr);
    splash->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(splash));

    QWidget* parentSeen = nullptr;
    bool splashClosedMeanwhile = false;
    bool boxSeen = false;
    // Past the splash's 2000 ms: the splash has closed and deleted itself
    // while the box waits for its answer.
    QTimer::singleShot(kSplashMilliseconds + 400, [&] {
        splashClosedMeanwhile = splash.isNull() || !splash->isVisible();
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box == nullptr) return;
        boxSeen = true;
        parentSeen = box->parentWidget();
        box->button(QMessageBox::Ok)->click();
    });
    platform::QtDialogs dialogs(platform::QtDialogs::Mode::Interactive);
    platform::MessageRequest request;
    request.caption = "Error";
    request.text = "Invalid image file format (Drag-drop)";
    request.icon = platform::MessageIcon::Warning;
    EXPECT_EQ(dialogs.messageBox(request), platform::MessageResult::Ok);
    EXPECT_TRUE(boxSeen);
    EXPECT_TRUE(splashClosedMeanwhile);
    EXPECT_EQ(parentSeen, &owner);
    EXPECT_EQ(SplashState, 2);
    QTest::qWait(10);  // the splash's deferred deletion runs without touching the box
    EXPECT_TRUE(splash.isNull());
}

TEST_F(SplashBoxTest, TheAboutBoxNeverCoversADialogAndGoesOnAClickAnywhere) {
    SplashState = 2;  // the About box
    ShowSplashWindow();
    QPointer<QWidget> about = openSplash();
    ASSERT_NE(about, nullptr);
    // A modal dialog (the Progress window) opening closes it.
    QDialog progress(&owner);
    bool aboutGone = false;
    QTimer::singleShot(0, [&] {
        aboutGone = about.isNull() || !about->isVisible();
        progress.accept();
    });
    progress.exec();
    EXPECT_TRUE(aboutGone);

    ShowSplashWindow();
    about = openSplash();
    ASSERT_NE(about, nullptr);
    QTest::mouseClick(&owner, Qt::LeftButton);
    EXPECT_TRUE(about.isNull() || !about->isVisible());
    QTest::qWait(10);
}

}  // namespace
