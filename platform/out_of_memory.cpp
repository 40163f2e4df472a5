#include "platform/out_of_memory.h"

namespace platform {

std::string notEnoughMemoryText(const std::string& file) {
    return "Not enough memory to load " + file + ".";
}

std::string notEnoughMemoryText(const std::string& file, int64_t width, int64_t height) {
    return "Not enough memory to load " + file + " (" + std::to_string(width) + " x " +
           std::to_string(height) + ").";
}

std::string notEnoughMemoryFor(const std::string& what) {
    return "Not enough memory for " + what + ".";
}

}  // namespace platform
