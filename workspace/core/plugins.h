// Plug-ins are macro files named "*.plugin" in the program's folder; each
// becomes an item of the Tools menu.
#pragma once

#include <string>
#include <vector>

struct PluginEntry {
    std::string caption;  // the file name without ".plugin"
    std::string path;
};

// The plug-ins of `folder`, sorted by file name.
std::vector<PluginEntry> findPlugins(const std::string& folder);
