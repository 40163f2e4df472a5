#include "analysis/core/maps/save_all_names.h"

#include <algorithm>
#include <set>

#include "platform/textformat.h"

std::string saveAllFolder(const std::string& chosen) {
    std::string text = chosen.substr(0, chosen.find_first_of("*?<>|"));
    const size_t slash = text.find_last_of("\\/");
    return slash == std::string::npos ? std::string() : text.substr(0, slash + 1);
}

std::vector<std::string> saveAllPaths(const std::string& folder,
                                      const std::vector<std::string>& names) {
    // File names are compared without regard to case, as a folder on a
    // case-insensitive disk would.
    auto key = [](const std::string& s) { return platform::lowerAscii(s); };
    std::set<std::string> taken;
    std::vector<std::string> paths;
    for (const std::string& name : names) {
        const std::string base = name.substr(0, name.find('.'));
        std::string file = base + ".bmf";
        for (int n = 2; taken.count(key(file)) != 0; ++n)
            file = base + "(" + std::to_string(n) + ").bmf";
        taken.insert(key(file));
        paths.push_back(folder + file);
    }
    return paths;
}
