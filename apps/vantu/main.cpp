// Vantu: splash, the application object, the windows in their order, the
// file from the command line, then the message loop.
#include <exception>
#include <string>
#include <vector>

#include "platform/qt/application.h"
#include "workspace/core/command_line.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/splash_window.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    app.setApplicationName("Vantu");
    app.setApplicationDisplayName("Vantu");
    try {
        ShowSplashWindow();
        auto file = CommandLineFile(std::vector<std::string>(argv + 1, argv + argc));
        auto windows = CreateVantuWindows();
        _vantu->show();
        RaiseSplashWindow();
        if (file) OpenFileByExtension(_vantu, *file);
        // A macro from the command line may have ended the program already
        // ("Exit"); the event loop would not see that request.
        if (!_vantu->quitRequested()) app.exec();
    } catch (const std::exception& e) {
        platform::Application::showException(e.what());
    }
    DestroyVantuWindows();
    return 0;
}
