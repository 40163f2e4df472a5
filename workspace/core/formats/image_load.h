// What every successful image load does to the workspace, whatever the
// format: the new grey plane, its range and bit depth, the ROI map carried
// over, and the display window from the track bars.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "workspace/core/formats/raw_options.h"
#include "workspace/core/image/image_plane.h"
#include "workspace/core/workspace_state.h"

// Samples read from a file, not yet in the workspace.
struct LoadedImage {
    int32_t width = 0;
    int32_t height = 0;
    PlaneWords samples;  // width x height, row by row; becomes the grey plane
    uint32_t loadedColourMode = 0;
    std::string featurePrefix;
    std::string headerText;   // DICOM header lines for the image-information window
    int scannerFormatId = 0;  // the scanner format the samples came from, 0 for others
};

// Codes of a failed load; 0 is success.
inline constexpr int kLoadScannerFailed = 1;
inline constexpr int kLoadNotBitmap = 4;
inline constexpr int kLoadDicomRejected = 12;
inline constexpr int kLoadCannotRead = 42;  // unreadable, unknown or damaged file

// Reads the file as format `index`, turning colour pictures into grey by
// `colourMode`. Returns 0 and fills `image`, or a failure code with `image`
// untouched.
int readImageSamples(int index, const std::string& path, const RawOptions& rawOptions,
                     uint32_t colourMode, LoadedImage& image);

struct SampleRange {
    int32_t min = 0;
    int32_t max = 0;
};
// Smallest and largest sample (0 and 0 for an empty image).
SampleRange findSampleRange(const uint16_t* samples, size_t count);

// The smallest n from 8 to 16 with max < 2^n.
int32_t bitDepthFor(int32_t imageMax);

// Range, bit depth and display window of the grey image as it is now (after
// a load, or after bit planes were cleared).
void recomputeImageRange(WorkspaceState& state, int trMinPosition, int trMaxPosition);

// Puts a read image into the workspace: grey plane, range, bit depth, ROI map
// (all in ROI 1 after no image, else the old words where both images overlap
// and 0 elsewhere, without undo history), the display window from the two
// track-bar positions, the colour mode and prefix, the image size.
// Returns false, with nothing changed, when the planes cannot be made.
bool applyLoadedImage(WorkspaceState& state, LoadedImage&& image, int trMinPosition,
                      int trMaxPosition);
