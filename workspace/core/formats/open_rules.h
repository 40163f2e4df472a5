// How a file that reaches Vantu from outside is told apart: by the extension
// of its file name, compared on its first four characters without regard to
// letter case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

enum class OpenedKind { Macro, FeatureMap, Roi, Image };

// Format indexes of the "Load image" dialog, which the dispatcher uses too.
inline constexpr int kFormatBitmap = 1;
inline constexpr int kFormatRaw = 2;
inline constexpr int kFirstScannerFormat = 3;
inline constexpr int kLastScannerFormat = 11;
inline constexpr int kFormatDicom = 12;
inline constexpr int kFormatDicomDcm = 13;
inline constexpr int kFormatCount = 13;

// The filter of the "Load image" dialog: entry n is format index n.
extern const char* const kLoadImageFilter;

// The scanner format id of a format index 3..11 (10..18), 0 for the others.
int scannerFormatId(int formatIndex);

// The extension of the file name (from its last dot, dot included), empty
// when the name has none; a dot in a folder name does not count.
std::string fileExtension(std::string_view path);

OpenedKind classifyPath(std::string_view path);

// The image formats to try for the path, in order; the caller falls back to
// raw when none of them reads the file.
std::vector<int> formatIndexesFor(std::string_view path);
