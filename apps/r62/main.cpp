// r62: the application object, the help file, the main window (which loads a
// .sel file named on the command line), then the message loop.
#include <exception>
#include <string>
#include <vector>

#include "platform/qt/application.h"
#include "platform/qt/window_placement.h"
#include "statistics/forms/html_help.h"
#include "statistics/forms/r62_main_window.h"

int main(int argc, char** argv) {
    platform::Application app(argc, argv);
    app.setApplicationName("r62");
    // The plots stay on top of r62's windows, not of Vantu's boxes.
    platform::keepOnTopOnlyWhileActive(app);
    setApplicationHelpFile(kR62HelpFile);
    try {
        // Qt has taken its own options out of argv by now.
        TMainWindow window(std::vector<std::string>(argv + 1, argv + argc));
        platform::setDialogOwner(&window);
        window.show();
        app.exec();
    } catch (const std::exception& e) {
        platform::Application::showException(e.what());
    }
    bool callHelp = false;
    HtmlHelpHook(HELP_QUIT, 0, callHelp);
    return 0;
}
