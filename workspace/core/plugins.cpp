#include "workspace/core/plugins.h"

#include <algorithm>
#include <filesystem>

#include "platform/textformat.h"

std::vector<PluginEntry> findPlugins(const std::string& folder) {
    namespace fs = std::filesystem;
    constexpr std::string_view kExtension = ".plugin";
    std::vector<PluginEntry> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        if (name.size() <= kExtension.size()) continue;
        std::string tail = platform::lowerAscii(name.substr(name.size() - kExtension.size()));
        // Plug-ins are often copied from systems whose file names ignore
        // case: "*.plugin" matches in any letter case.
        if (tail != kExtension) continue;
        if (!it->is_regular_file(ec)) continue;
        found.push_back({name.substr(0, name.size() - kExtension.size()), it->path().string()});
    }
    // Directory order differs between file systems; a menu should not.
    std::sort(found.begin(), found.end(),
              [](const PluginEntry& a, const PluginEntry& b) { return a.path < b.path; });
    return found;
}
