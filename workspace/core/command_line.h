// What Vantu does with its command line: one file name, opened like a
// dropped file.
#pragma once

#include <optional>
#include <string>
#include <vector>

// The file to open at start: the arguments joined by blanks, as one command
// line, kept only when it has at least 3 characters.
std::optional<std::string> commandLineFile(const std::vector<std::string>& arguments);
