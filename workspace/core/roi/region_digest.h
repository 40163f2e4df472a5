// Digests of region masks and their names, FNV-1a a word at a time: the 2D
// ROIs and the 3D editor's VOIs are compared with what a file kept this way.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/digest.h"

// Folds region words (a bit per region) and region names into a digest.
void digestWords(uint64_t& hash, const uint16_t* words, size_t count);
void digestNames(uint64_t& hash, std::span<const std::string> names);
