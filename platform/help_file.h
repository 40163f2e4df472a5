// Opening the help file both programs share. A missing file is said, with
// the path that was tried, rather than nothing happening at all.
#pragma once

#include <string>

namespace platform {

// "Cannot open the help file <path>."
std::string cannotOpenHelpFileText(const std::string& path);

// Opens `path` with the desktop's associated program. When there is no such
// file or no program could be started, shows cannotOpenHelpFileText in a box
// titled `caption` (OK, warning icon) and returns false.
bool openHelpFile(const std::string& path, const std::string& caption);

}  // namespace platform
