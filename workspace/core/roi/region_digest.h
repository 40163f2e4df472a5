// Digests of region masks and their names, FNV-1a a word at a time: the 2D
// ROIs and the 3D editor's VOIs are compared with what a file kept this way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// The start of every such digest.
inline constexpr uint64_t kDigestStart = 14695981039346656037ull;

// One step over a word.
inline void digestStep(uint64_t& hash, uint64_t value) {
    hash = (hash ^ value) * 1099511628211ull;
}

// Folds region words (a bit per region) and region names into a digest.
void digestWords(uint64_t& hash, const uint16_t* words, size_t count);
void digestNames(uint64_t& hash, std::span<const std::string> names);
