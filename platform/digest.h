// A 64-bit digest (FNV-1a) for telling states or names apart: ROI maps and
// their names, a long file name shortened in a save's temporary.
#pragma once

#include <cstdint>
#include <string_view>

// One FNV-1a step over a word.
inline void digestStep(uint64_t& hash, uint64_t value) {
    hash = (hash ^ value) * 1099511628211ull;
}

// The start of every such digest.
inline constexpr uint64_t kDigestStart = 14695981039346656037ull;

// The digest of a text, a byte at a time.
inline uint64_t textDigest(std::string_view text) {
    uint64_t hash = kDigestStart;
    for (char c : text) digestStep(hash, static_cast<unsigned char>(c));
    return hash;
}
