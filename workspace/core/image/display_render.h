// The display of the main window: the grey image seen through the display
// window in one of three grey styles, the visible ROIs blended over it, and
// the pixel count of every ROI gathered on the way. Also the zoom steps and
// the track-bar rule of the display window.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "platform/vector_for_overwrite.h"
#include "workspace/core/image/image_plane.h"
#include "workspace/core/roi/roi_set.h"

enum class GreyStyle { Normal, ThreeLevels, Flat };

struct DisplayParams {
    int32_t windowLow = 0;
    int32_t windowHigh = 255;
    GreyStyle style = GreyStyle::Normal;
    uint32_t visibleRoiMask = 0xFFFF;  // bit k-1: ROI k is drawn
    int hiddenRoi = 0;                 // 1..16: left out of the overlay (still counted); else none
};

// One 32-bit word per pixel, 0xFFRRGGBB, rows top to bottom: in memory B, G,
// R, 0xFF, which Qt takes as QImage::Format_RGB32 without a copy.
struct DisplayBitmap {
    int32_t width = 0;
    int32_t height = 0;
    VectorForOverwrite<uint32_t> pixels;  // written in full by every renderer
};

inline constexpr uint32_t kOpaque = 0xFF000000u;

// The bitmap word of a colour given as 0x00BBGGRR (the ROI table, marker
// colours of the drawing tools).
constexpr uint32_t pixelFromColour(uint32_t colour) {
    return kOpaque | (colour & 0xFFu) << 16 | (colour & 0xFF00u) | (colour >> 16 & 0xFFu);
}

// Grey level 0..255 of sample v in the window [windowLow, windowHigh]; with
// windowHigh < windowLow the ramp runs the other way.
uint8_t displayGrey(int32_t v, int32_t windowLow, int32_t windowHigh, GreyStyle style);

// The bitmap word of a pixel of grey level `grey` whose ROI-map word is
// `roiWord`: the grey, or per channel grey/2 + sum/(2n) over the n drawn ROIs.
uint32_t overlayPixel(uint8_t grey, uint16_t roiWord, uint32_t visibleRoiMask, int hiddenRoi);

// Renders grey (and the overlay of roiMap) into bitmap, resized to the grey
// plane (0 x 0 when the plane has no samples), and counts the pixels of every
// ROI (index k-1 for ROI k) over the whole map, drawn or not; bands of rows
// on all cores, the same pixels and counts as on one. Without a ROI
// map, or with one whose size differs from the grey plane, there is no
// overlay and every count is 0. Keeps its lookup tables (sample -> pixel,
// ROI word -> overlay) between calls and rebuilds one only when its inputs
// change: the window and style, or the drawn ROIs.
class DisplayRenderer {
  public:
    void render(const ImagePlane& grey, const ImagePlane* roiMap, const DisplayParams& params,
                DisplayBitmap& bitmap, std::array<uint32_t, kRoiCount>& roiPixelCount);

    // Rows y0..y1-1 only (clamped to the plane), for a partial redraw; the
    // counts cover those rows. A bitmap of another size is first resized
    // (and cleared to black).
    void renderRows(const ImagePlane& grey, const ImagePlane* roiMap, const DisplayParams& params,
                    DisplayBitmap& bitmap, int32_t y0, int32_t y1,
                    std::array<uint32_t, kRoiCount>& roiPixelCount);

  private:
    void prepareGreyTable(const DisplayParams& params);
    void prepareOverlayTable(uint32_t drawnMask);

    // Sample -> finished pixel word.
    std::vector<uint32_t> greyTable_;
    bool greyValid_ = false;
    int32_t greyLow_ = 0;
    int32_t greyHigh_ = 0;
    GreyStyle greyStyle_ = GreyStyle::Normal;

    // ROI word -> 0 when no ROI of the word is drawn, else kOpaque plus the
    // per-channel halves sum/(2n), to be added to the halved grey.
    std::vector<uint32_t> overlayTable_;
    bool overlayValid_ = false;
    uint32_t overlayMask_ = 0;
};

// `RenderDisplay` with one renderer per thread, so its tables survive
// between calls.
void RenderDisplay(const ImagePlane& grey, const ImagePlane* roiMap, const DisplayParams& params,
                   DisplayBitmap& bitmap, std::array<uint32_t, kRoiCount>& roiPixelCount);
void renderDisplayRows(const ImagePlane& grey, const ImagePlane* roiMap,
                       const DisplayParams& params, DisplayBitmap& bitmap, int32_t y0, int32_t y1,
                       std::array<uint32_t, kRoiCount>& roiPixelCount);

// Colour of indicator panel k: ROI colour k when the ROI holds pixels, else
// the button-face system colour.
inline constexpr uint32_t kButtonFaceColour = 0x8000000F;
uint32_t roiIndicatorColour(int roi, const std::array<uint32_t, kRoiCount>& roiPixelCount);

// Zoom scales are in 1/256 units, 64 (1:4) .. 4096 (16:1).
inline constexpr int32_t kMinZoomScale = 64;
inline constexpr int32_t kMaxZoomScale = 4096;

// The scale after a zoom command: 1 doubles, -1 halves, 14, 12, 11, 21, 41,
// 81, 161 are the menu steps 1:4 .. 16:1, anything else is 1:1; clamped.
int32_t zoomScaleFor(int32_t current, int code);

// Display window from a track-bar position (0 at the top = imageMax, 100 at
// the bottom = imageMin); positions outside 0..100 count as the nearest end.
int32_t windowFromTrackBar(int32_t imageMin, int32_t imageMax, int position);
