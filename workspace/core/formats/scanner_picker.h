// Picker files: a big-endian header that is a directory of keyed values
// (five sections by the key's first letter, 16-byte entries pointing to
// integers, floats and texts), then big-endian 16-bit samples.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "workspace/core/formats/scanner_image.h"

inline constexpr size_t kPickerFixedHeaderBytes = 28;

int readPickerHeader(ScannerSource& file, ScannerHeader& header);
bool decodePickerHeader(std::span<const uint8_t> header, int formatId, ScannerInfo& info);

// One value of the directory.
struct PickerValue {
    uint16_t size = 0;
    uint16_t type = 0;  // 1 integer, 2 float, 4 or 7 text
    uint32_t offset = 0;
};

enum class PickerLookup { Found, Missing, Bad };

// Finds `key` in its section (the letter decides: F 0, P 1, S 2, A 3, I 4).
// Bad when the section starts or the value lies outside the header.
PickerLookup findPickerKey(std::span<const uint8_t> header, std::string_view key,
                           PickerValue& value);
