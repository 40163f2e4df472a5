#include "platform/qt/application.h"

#include <clocale>
#include <exception>
#include <new>

#include "platform/qt/window_placement.h"

namespace platform {

namespace {

// With an X display at hand, Qt's offscreen platform draws OpenGL through it,
// and the first repaint of a window holding the 3D view then crashes: a batch
// run from a desktop's terminal would die. Offscreen nothing is seen, so it
// keeps off X. Other platforms do not read the variable.
int& offscreenWithoutX(int& argc) {
    if (!qEnvironmentVariableIsSet("QT_QPA_OFFSCREEN_NO_GLX"))
        qputenv("QT_QPA_OFFSCREEN_NO_GLX", "1");
    return argc;
}

}  // namespace

Application::Application(int& argc, char** argv) : QApplication(offscreenWithoutX(argc), argv) {
    // QApplication has just set the locale from the environment; numbers in
    // files and reports must keep the decimal point.
    std::setlocale(LC_NUMERIC, "C");
    keepWindowsInsideScreen(*this);
    if (!dialogBackend()) {
        dialogs_ = std::make_unique<QtDialogs>();
        setDialogBackend(dialogs_.get());
    }
}

Application::~Application() {
    if (dialogs_ && dialogBackend() == dialogs_.get()) setDialogBackend(nullptr);
}

void Application::showException(const char* message) {
    showMessage("Error", message ? message : "Unknown error.", MessageButtons::Ok,
                MessageIcon::Error);
}

bool Application::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::bad_alloc&) {
        // Where no command caught it: the command did not finish, the program goes on.
        showException("Not enough memory.");
    } catch (const std::exception& e) {
        showException(e.what());
    } catch (...) {
        showException("Unknown error.");
    }
    return false;
}

}  // namespace platform
