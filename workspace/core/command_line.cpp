#include "workspace/core/command_line.h"

std::optional<std::string> commandLineFile(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& argument : arguments) {
        if (!line.empty()) line += ' ';
        line += argument;
    }
    // Shorter texts cannot be a file name with an extension.
    if (line.size() < 3) return std::nullopt;
    return line;
}
