#include "workspace/core/formats/open_rules.h"

#include <array>

#include "platform/files.h"
#include "platform/textformat.h"

const char* const kLoadImageFilter =
    "Windows Bitmap (*.bmp)|*.bmp|Unformatted (*.raw)|*.raw|"
    "Siemens NUMARIS 2 (*.ima)|*.ima|Siemens NUMARIS 3 (*.ima)|*.ima|"
    "Siemens Vision (*.ima)|*.ima|ACR NEMA (*.img)|*.img|GE Advantage (*.xim)|*.xim|"
    "GE IDBM (*.xim)|*.xim|IGE-YMS (*.img)|*.img|Bruker Aspect 3000 (*.img)|*.img|"
    "Picker (*.img)|*.img|Dicom (*.dcm; *.dicom)|*dcm; *.dicom";

namespace {

// Index n - 1 holds the extension tried for format index n.
constexpr std::array<std::string_view, kFormatCount> kFormatExtensions = {
    ".bmp", ".raw", ".ima", ".ima", ".ima", ".img", ".xim",
    ".xim", ".img", ".img", ".img", ".dic", ".dcm"};

std::string firstFourLower(std::string_view extension) {
    return platform::lowerAscii(extension.substr(0, 4));
}

}  // namespace

int scannerFormatId(int formatIndex) {
    return formatIndex >= kFirstScannerFormat && formatIndex <= kLastScannerFormat
               ? formatIndex - kFirstScannerFormat + 10
               : 0;
}

std::string fileExtension(std::string_view path) {
    std::string name = platform::fileNamePart(path);
    size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot);
}

OpenedKind classifyPath(std::string_view path) {
    std::string ext = firstFourLower(fileExtension(path));
    if (ext == ".txt") return OpenedKind::Macro;
    if (ext == ".bmf") return OpenedKind::FeatureMap;
    if (ext == ".roi") return OpenedKind::Roi;
    return OpenedKind::Image;
}

std::vector<int> formatIndexesFor(std::string_view path) {
    std::string ext = firstFourLower(fileExtension(path));
    std::vector<int> indexes;
    if (ext.empty()) return indexes;
    for (int index = 1; index <= kFormatCount; ++index)
        if (ext == kFormatExtensions[static_cast<size_t>(index - 1)]) indexes.push_back(index);
    return indexes;
}
