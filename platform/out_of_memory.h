// Running out of memory is a message, not an exit: a command that loads a
// file or runs an analysis catches std::bad_alloc where it starts, shows one
// of these texts in an "Error" box and leaves the program as it was.
#pragma once

#include <cstdint>
#include <string>

namespace platform {

// "Not enough memory to load <file>."
std::string notEnoughMemoryText(const std::string& file);
// "Not enough memory to load <file> (<width> x <height>)."
std::string notEnoughMemoryText(const std::string& file, int64_t width, int64_t height);
// "Not enough memory for <what>."
std::string notEnoughMemoryFor(const std::string& what);

}  // namespace platform
