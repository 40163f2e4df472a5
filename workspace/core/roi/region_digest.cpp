#include "workspace/core/roi/region_digest.h"

void digestWords(uint64_t& hash, const uint16_t* words, size_t count) {
    // One pass, cheap beside any analysis.
    for (size_t i = 0; i < count; ++i) digestStep(hash, words[i]);
}

void digestNames(uint64_t& hash, std::span<const std::string> names) {
    for (const std::string& name : names) {
        digestStep(hash, name.size());
        for (char c : name) digestStep(hash, static_cast<unsigned char>(c));
    }
}
