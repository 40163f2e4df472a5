#include "workspace/core/roi/roi_morphology.h"

#include "workspace/core/roi/roi_set.h"

namespace {

bool validRoi(int32_t roi) {
    return roi >= 1 && roi <= kRoiCount;
}

uint16_t maskOf(int32_t roi) {
    return static_cast<uint16_t>(1u << (roi - 1));
}

// The two raster passes shared by dilation and erosion. A "source" pixel is
// one with the bit (dilation) or without it (erosion); it spreads its state to
// three neighbours per pass. Each pass only writes pixels it has already
// visited, so a pass never feeds itself; the backward pass does see what the
// forward pass wrote, which is how the diagonal neighbours are reached.
template <bool kGrow>
void twoPasses(ImagePlane& map, uint16_t m) {
    const int32_t w = map.width;
    const int32_t h = map.height;
    const auto isSource = [&](int32_t x, int32_t y) { return ((map.at(x, y) & m) != 0) == kGrow; };
    const auto spread = [&](int32_t x, int32_t y) {
        if constexpr (kGrow) {
            map.at(x, y) = static_cast<uint16_t>(map.at(x, y) | m);
        } else {
            map.at(x, y) = static_cast<uint16_t>(map.at(x, y) & ~m);
        }
    };
    for (int32_t y = 1; y < h; ++y) {
        for (int32_t x = 1; x < w; ++x) {
            if (!isSource(x, y)) continue;
            spread(x - 1, y);
            spread(x, y - 1);
            spread(x - 1, y - 1);
        }
    }
    for (int32_t y = h - 2; y >= 0; --y) {
        for (int32_t x = w - 2; x >= 0; --x) {
            if (!isSource(x, y)) continue;
            spread(x + 1, y);
            spread(x, y + 1);
            spread(x + 1, y + 1);
        }
    }
}

}  // namespace

bool DilateActiveRoi(ImagePlane& roiMap, int32_t activeRoi) {
    if (!validRoi(activeRoi)) return false;
    twoPasses<true>(roiMap, maskOf(activeRoi));
    return true;
}

bool ErodeActiveRoi(ImagePlane& roiMap, int32_t activeRoi) {
    if (!validRoi(activeRoi)) return false;
    twoPasses<false>(roiMap, maskOf(activeRoi));
    return true;
}

bool MakeActiveRoiExclusive(ImagePlane& roiMap, int32_t activeRoi) {
    if (!validRoi(activeRoi)) return false;
    const uint16_t m = maskOf(activeRoi);
    const size_t count = roiMap.size();
    for (size_t i = 0; i < count; ++i)
        if (roiMap.current[i] & m) roiMap.current[i] = m;
    return true;
}

bool applyRoiMorphology(ImagePlane& roiMap, int32_t activeRoi, RoiMorphologyOp op,
                        bool nonOverlapping) {
    if (!validRoi(activeRoi)) return false;
    switch (op) {
        case RoiMorphologyOp::Opening:
            ErodeActiveRoi(roiMap, activeRoi);
            DilateActiveRoi(roiMap, activeRoi);
            break;
        case RoiMorphologyOp::Closing:
            DilateActiveRoi(roiMap, activeRoi);
            ErodeActiveRoi(roiMap, activeRoi);
            break;
        case RoiMorphologyOp::Dilation:
            DilateActiveRoi(roiMap, activeRoi);
            break;
        case RoiMorphologyOp::Erosion:
            ErodeActiveRoi(roiMap, activeRoi);
            break;
    }
    if (nonOverlapping) MakeActiveRoiExclusive(roiMap, activeRoi);
    return true;
}
