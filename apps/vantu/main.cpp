// Vantu: splash, the application object, the windows in their order, the
// file from the command line, then the message loop. Without a display a
// macro from the command line ends the program when it ends, as its "Exit"
// would: with status 1 when it failed, 0 otherwise.
#include <exception>
#include <string>
#include <vector>

#include "platform/qt/application.h"
#include "platform/qt/qt_dialogs.h"
#include "vantu/window_composition.h"
#include "workspace/core/command_line.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/splash_window.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    // No display name: Qt would append it to every caption on X11, and the
    // captions name the program already ("Vantu - options — Vantu").
    app.setApplicationName("Vantu");
    int exitStatus = 0;
    try {
        ShowSplashWindow();
        auto file = commandLineFile(std::vector<std::string>(argv + 1, argv + argc));
        auto windows = createVantuWindows();
        _vantu->show();
        raiseSplashWindow();
        if (file) {
            const bool opened = OpenFileByExtension(_vantu, *file) != 0;
            if (classifyPath(pathWithoutQuotes(*file)) == OpenedKind::Macro &&
                platform::noDisplay()) {
                // An unattended batch run: nobody is there to see the window
                // or to close it, so end here with a status a script can
                // test, naming what is left unsaved as "Exit" does.
                if (!opened) exitStatus = 1;
                if (!_vantu->quitRequested()) _vantu->ExitClick();
            }
        }
        // A macro from the command line may have ended the program already
        // ("Exit"); the event loop would not see that request.
        if (!_vantu->quitRequested()) app.exec();
    } catch (const std::exception& e) {
        platform::Application::showException(e.what());
    }
    destroyVantuWindows();
    return exitStatus;
}
