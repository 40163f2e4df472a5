#include "workspace/forms/open_dispatch.h"

#include "platform/dialogs.h"
#include "workspace/forms/vantu_main_window.h"

std::string PathWithoutQuotes(const std::string& path) {
    if (path.empty() || path.front() != '"') return path;
    size_t close = path.find('"', 1);
    return path.substr(1, close == std::string::npos ? std::string::npos : close - 1);
}

int OpenFileByExtension(Tvantu* window, const std::string& path) {
    (void)window;
    (void)PathWithoutQuotes(path);
    // No reader is built in yet: every file ends where an unknown one does.
    platform::showMessage("Error", "Invalid image file format (Drag-drop)",
                          platform::MessageButtons::Ok, platform::MessageIcon::Warning);
    return 0;
}

void LoadClick(Tvantu* window) {
    window->state.IgnoreMouse = 1;
}
