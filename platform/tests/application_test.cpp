#include "platform/qt/application.h"

#include <gtest/gtest.h>

#include <QDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QWidget>
#include <clocale>
#include <new>
#include <stdexcept>

#include "platform/qt/busy_run.h"
#include "platform/qt/caption_width.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/textformat.h"

using namespace platform;

namespace {

class Thrower : public QObject {
  public:
    bool event(QEvent* e) override {
        if (e->type() == QEvent::User) throw std::runtime_error("Range check error");
        return QObject::event(e);
    }
};

TEST(Application, KeepsTheDecimalPointAndShowsEscapingExceptions) {
    ScriptedDialogs script;
    DialogBackendScope scope(script);
    int argc = 1;
    char name[] = "vantu";
    char* argv[] = {name, nullptr};
    ::setenv("LC_ALL", "de_DE.UTF-8", 1);  // has effect only where that locale exists
    Application app(argc, argv);
    ::unsetenv("LC_ALL");
    EXPECT_STREQ(std::localeconv()->decimal_point, ".");
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%.2f", 1.5);
    EXPECT_STREQ(buffer, "1.50");

    Thrower thrower;
    QEvent event(QEvent::User);
    EXPECT_FALSE(app.notify(&thrower, &event));
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_EQ(script.messages[0].caption, "Error");
    EXPECT_EQ(script.messages[0].text, "Range check error");

    // And the program goes on: the event loop still runs after the exception.
    bool ran = false;
    QTimer::singleShot(0, [&] {
        QCoreApplication::postEvent(&thrower, new QEvent(QEvent::User));
        QTimer::singleShot(0, [&] {
            ran = true;
            app.quit();
        });
    });
    app.exec();
    EXPECT_TRUE(ran);
    EXPECT_EQ(script.messages.size(), 2u);

    // Every window it shows lies inside the screen's free area: one remembered
    // below the screen's bottom and taller than the screen is moved up and
    // made shorter; a remembered position left of the screen is moved back.
    const QRect free = app.primaryScreen()->availableGeometry();
    QWidget tall;
    tall.setGeometry(free.left() + 20, free.bottom() - 100, 300, free.height() + 200);
    QWidget left;
    left.setGeometry(free.left() - 500, free.top() + 50, 200, 100);
    for (QWidget* window : {&tall, &left}) {
        window->show();
        EXPECT_TRUE(free.contains(window->frameGeometry())) << window->height();
    }
    EXPECT_EQ(left.size(), QSize(200, 100));

    // A dialog narrower than its caption needs is widened as it is shown,
    // also one of fixed size; other windows keep their width.
    QDialog load;
    load.setWindowTitle("3D load options");
    load.resize(120, 80);
    QDialog fixed;
    fixed.setWindowTitle("ROI remark");
    fixed.setFixedSize(60, 40);
    QWidget plain;
    plain.setWindowTitle("3D load options");
    plain.resize(120, 80);
    for (QWidget* window : {static_cast<QWidget*>(&load), static_cast<QWidget*>(&fixed), &plain})
        window->show();
    EXPECT_GE(load.width(), captionFitWidth("3D load options") - 8);
    EXPECT_GT(captionFitWidth("3D load options"), 120 + 4 * 16);
    EXPECT_GE(fixed.width(), captionFitWidth("ROI remark") - 8);
    EXPECT_EQ(plain.width(), 120);

    // During a long run the commands are disabled, and a click or key that
    // came in meanwhile is dropped, not acted on once the run is over.
    QWidget commands;
    QPushButton other;
    other.show();
    int clicks = 0;
    QObject::connect(&other, &QPushButton::clicked, [&] { ++clicks; });
    {
        const BusyRun busy(&commands);
        EXPECT_FALSE(commands.isEnabled());
        EXPECT_TRUE(BusyRun::active());
        const QPointF at(5, 5);
        QCoreApplication::postEvent(
            &other, new QMouseEvent(QEvent::MouseButtonPress, at, at, at, Qt::LeftButton,
                                    Qt::LeftButton, Qt::NoModifier));
        QCoreApplication::postEvent(
            &other, new QMouseEvent(QEvent::MouseButtonRelease, at, at, at, Qt::LeftButton,
                                    Qt::NoButton, Qt::NoModifier));
        QCoreApplication::postEvent(&other,
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier));
        QCoreApplication::postEvent(
            &other, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier));
    }
    EXPECT_TRUE(commands.isEnabled());
    EXPECT_FALSE(BusyRun::active());
    QCoreApplication::processEvents();
    EXPECT_EQ(clicks, 0);
}

TEST(Application, WithoutADisplayBoxesGoToStandardErrorWithTheirDefaultAnswer) {
    ASSERT_EQ(dialogBackend(), nullptr);
    int argc = 1;
    char name[] = "r62";
    char* argv[] = {name, nullptr};
    Application app(argc, argv);
    ASSERT_TRUE(noDisplay());  // the tests run on the offscreen platform
    ASSERT_NE(dialogBackend(), nullptr);

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(showMessage("Warning", "Report not saved!\r\nClose anyway?", MessageButtons::OkCancel,
                          MessageIcon::Warning, 1),
              MessageResult::Cancel);
    MessageRequest exit;
    exit.caption = "Warning";
    exit.text = "Report or image not saved!\r\nClose anyway?";
    exit.buttons = MessageButtons::OkCancel;
    exit.defaultButton = 1;
    exit.unattendedAnswer = MessageResult::Ok;
    exit.unattendedNote = "Not saved: report \"a.par\".";
    EXPECT_EQ(showMessage(exit), MessageResult::Ok);
    FileDialogRequest open;
    open.title = "Load image";
    EXPECT_FALSE(showFileDialog(open).accepted);
    // An exception that escapes a handler is a box too, and out of memory says so.
    Thrower thrower;
    QEvent event(QEvent::User);
    EXPECT_FALSE(app.notify(&thrower, &event));
    class Hungry : public QObject {
      public:
        bool event(QEvent*) override { throw std::bad_alloc(); }
    } hungry;
    EXPECT_FALSE(app.notify(&hungry, &event));
    std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err,
              "Warning: Report not saved!\nClose anyway?\n(no display: answered \"Cancel\")\n"
              "Warning: Report or image not saved!\nClose anyway?\nNot saved: report \"a.par\".\n"
              "(no display: answered \"OK\")\n"
              "Load image: no display, cancelled\n"
              "Error: Range check error\n(no display: answered \"OK\")\n"
              "Error: Not enough memory.\n(no display: answered \"OK\")\n");
}

TEST(QtDialogs, AScreenlessBackendCanBeAskedForOnAnyPlatform) {
    EXPECT_EQ(QtDialogs(QtDialogs::Mode::Unattended).mode(), QtDialogs::Mode::Unattended);
    EXPECT_EQ(QtDialogs(QtDialogs::Mode::Interactive).mode(), QtDialogs::Mode::Interactive);
}

}  // namespace
