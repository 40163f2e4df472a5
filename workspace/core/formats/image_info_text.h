// The text of the image-information window: the file, size and range of the
// loaded image, then what the file's own header says (the DICOM header
// lines, or the information record of a scanner file).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "workspace/core/formats/scanner_image.h"

// Source codes: 0 a bitmap or raw file, 128 DICOM, else a scanner format id.
inline constexpr int kInfoSourceDicom = 128;

struct ImageInfoBasics {
    uint32_t width = 0;
    uint32_t height = 0;
    int32_t min = 0;
    int32_t max = 0;
    int32_t bitDepth = 8;
};

// The four lines every image gets.
std::vector<std::string> imageInfoBasicLines(const std::string& path, const ImageInfoBasics& b);

// An empty line and the lines of the record.
std::vector<std::string> scannerInfoLines(const ScannerInfo& info);

// All lines for the file, reading its header again; nothing for an empty path.
std::vector<std::string> imageInfoLines(const std::string& path, const ImageInfoBasics& b,
                                        int sourceCode);
