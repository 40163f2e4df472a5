#include "platform/qt/application.h"

#include <gtest/gtest.h>

#include <QTimer>
#include <QWidget>
#include <clocale>
#include <stdexcept>

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
}

}  // namespace
