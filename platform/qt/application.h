// The application object of both programs: a QApplication that keeps the C
// numeric conventions (so "1.50" stays "1.50" in every file), shows every
// window inside the screen, and shows an exception that escapes an event
// handler in an "Error" box, then goes on.
#pragma once

#include <QApplication>
#include <memory>

#include "platform/qt/qt_dialogs.h"

namespace platform {

class Application : public QApplication {
  public:
    Application(int& argc, char** argv);
    ~Application() override;

    bool notify(QObject* receiver, QEvent* event) override;

    // Shows the message of an exception in the "Error" box, as every
    // unhandled exception of the programs is shown.
    static void showException(const char* message);

  private:
    // Installed as the dialog backend unless one is already in place (tests).
    std::unique_ptr<QtDialogs> dialogs_;
};

}  // namespace platform
