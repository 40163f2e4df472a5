#include "platform/help_file.h"

#include <filesystem>

#include "platform/dialogs.h"
#include "platform/shell.h"

namespace platform {

std::string cannotOpenHelpFileText(const std::string& path) {
    return "Cannot open the help file " + path + ".";
}

bool openHelpFile(const std::string& path, const std::string& caption) {
    std::error_code ec;
    if (std::filesystem::is_regular_file(path, ec) && openWithAssociatedProgram(path)) return true;
    showMessage(caption, cannotOpenHelpFileText(path), MessageButtons::Ok, MessageIcon::Warning);
    return false;
}

}  // namespace platform
