// The picture size a file's header declares, read without decoding the
// pixels: what a load that ran out of memory names in its message.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "workspace/core/formats/raw_options.h"

struct DeclaredSize {
    int64_t width = 0;
    int64_t height = 0;
};

// For a bitmap, DICOM or raw load (format index as the load dialog numbers
// them); nothing when the header cannot be read or the format is another.
std::optional<DeclaredSize> declaredImageSize(int index, const std::string& path,
                                              const RawOptions& rawOptions);
