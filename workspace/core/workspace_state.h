// The state of the main window that the rest of the program reads and
// writes: the two planes, the image range and display window, the ROI set
// and the feature-name prefix. The main window owns one; computations take
// the pieces they need as parameters.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "workspace/core/image/image_plane.h"
#include "workspace/core/image/image_working_set.h"
#include "workspace/core/roi/roi_set.h"
#include "workspace/core/roi/roi_source.h"

struct PlaneDeleter {
    void operator()(ImagePlane* plane) const { PlaneDestroy(plane, 1); }
};
using PlanePtr = std::unique_ptr<ImagePlane, PlaneDeleter>;

// A new plane of the given size, or none when the size is impossible.
PlanePtr newPlane(int32_t width, int32_t height);
// A new plane made of words (width x height of them), without a copy; none
// when the size is impossible or the count differs.
PlanePtr adoptPlane(int32_t width, int32_t height, PlaneWords&& words);

struct WorkspaceState {
    PlanePtr GreyImage;       // none: no image is loaded
    PlanePtr RoiMap;          // bit k of a word: the pixel is in ROI k+1
    uint32_t ImageWidth = 0;  // size of the loaded image in pixels, 0 x 0 before the first load
    uint32_t ImageHeight = 0;
    // What a computation keeps for its next run on this image (the 2D
    // analysis's buffers): dropped whenever GreyImage is replaced or closed.
    std::shared_ptr<ImageWorkingSet> WorkingSet;
    int32_t ImageMax = 255;
    int32_t ImageMin = 0;
    int32_t BitDepth = 8;  // smallest n from 8 to 16 with ImageMax < 2^n
    int32_t WindowLow = 0;
    int32_t WindowHigh = 255;
    int32_t ZoomScale = 256;  // in 1/256 units, 64..4096
    std::array<uint32_t, kRoiCount> RoiPixelCount{};
    std::string ImageFileName;
    uint32_t ColorMode = 0;
    uint32_t LoadedColorMode = 0;
    std::string FeaturePrefix;  // at most 3 characters
    std::string ForcedPrefix;   // at most 3 characters
    bool ForcedPrefixOn = false;
    uint32_t VisibleRoiMask = 0xFFFF;
    int32_t ActiveRoi = 1;
    uint32_t DrawColour = 255;
    int32_t PenWidth = 1;
    int32_t PolygonCount = 0;
    int32_t IgnoreMouse = 0;
    // The remark (class name) of each ROI, shown as the hint of its selector panel.
    std::array<std::string, kRoiCount> RoiNames;
    // The ROI file the ROI map was last read from (see currentRoiFile).
    RoiSource RoiFile;
    // The digest of ROI map and names when a file last had them (roi_save_mark.h).
    uint64_t RoiKeptDigest = 0;
};
