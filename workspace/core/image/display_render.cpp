#include "workspace/core/image/display_render.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "platform/parallel.h"

namespace {

constexpr size_t kSampleValues = 65536;
constexpr uint32_t kBlack = kOpaque;
constexpr uint32_t kWhite = 0xFFFFFFFFu;

constexpr uint32_t greyPixel(uint32_t g) {
    return kOpaque | g * 0x010101u;
}

// Grey level of a ramp position d = ((v - lo) * 256) / (hi - lo).
constexpr uint32_t rampGrey(int64_t d, GreyStyle style) {
    uint32_t g = d >= 256 ? 255u : d < 0 ? 0u : static_cast<uint32_t>(d);
    if (style == GreyStyle::ThreeLevels && g != 0 && g != 255) g = 127;
    return g;
}

// ROIs whose colour goes into the overlay.
uint32_t drawnMask(uint32_t visibleRoiMask, int hiddenRoi) {
    uint32_t mask = visibleRoiMask & 0xFFFFu;
    if (hiddenRoi >= 1 && hiddenRoi <= kRoiCount) mask &= ~(1u << (hiddenRoi - 1));
    return mask;
}

// A usable map covers the grey plane exactly; anything else is not drawn.
const uint16_t* usableMap(const ImagePlane& grey, const ImagePlane* roiMap) {
    if (!roiMap || !roiMap->current) return nullptr;
    if (roiMap->width != grey.width || roiMap->height != grey.height) return nullptr;
    return roiMap->current;
}

bool sizeUsable(const ImagePlane& grey) {
    return grey.current && grey.width > 0 && grey.height > 0;
}

// A bitmap of another size is made anew, black but for rows y0..y1-1, which
// the caller renders.
void fitBitmap(const ImagePlane& grey, DisplayBitmap& bitmap, int32_t y0, int32_t y1) {
    int32_t width = sizeUsable(grey) ? grey.width : 0;
    int32_t height = sizeUsable(grey) ? grey.height : 0;
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (bitmap.width == width && bitmap.height == height && bitmap.pixels.size() == count) return;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.pixels = VectorForOverwrite<uint32_t>(count);
    const auto rowStart = [&](int32_t y) {
        return bitmap.pixels.begin() + static_cast<std::ptrdiff_t>(y) * width;
    };
    std::fill(rowStart(0), rowStart(y0), kBlack);
    std::fill(rowStart(y1), rowStart(height), kBlack);
}

// Divides the three channel sums (each at most 16 x 255) by 2n with one
// multiply: ceil(2^20 / (2n)) is exact for every such sum.
constexpr std::array<uint32_t, kRoiCount + 1> kHalfReciprocal = [] {
    std::array<uint32_t, kRoiCount + 1> r{};
    for (uint32_t n = 1; n <= kRoiCount; ++n) r[n] = ((1u << 20) + 2 * n - 1) / (2 * n);
    return r;
}();

// Byte k of kBitSpread[b] is bit k of b: one addition counts eight ROI bits
// at once, one per byte, as long as no byte passes 255.
constexpr std::array<uint64_t, 256> kBitSpread = [] {
    std::array<uint64_t, 256> spread{};
    for (uint32_t b = 0; b < 256; ++b)
        for (int k = 0; k < 8; ++k)
            if (b & 1u << k) spread[b] |= uint64_t{1} << (8 * k);
    return spread;
}();

// Pixels are taken in blocks of 8; a chunk of blocks between two flushes of
// the byte counters adds at most 248 to any byte.
constexpr size_t kBlock = 8;
constexpr size_t kCountChunk = 31 * kBlock;

// Halving each byte of the grey pixel cannot carry, and grey/2 plus the
// overlay halves stays below 255.
inline uint32_t blended(uint32_t plain, uint32_t overlay) {
    return ((plain >> 1) & 0x007F7F7Fu) + overlay;
}

// Branch-free, for pixels whose ROI words differ from their neighbours'.
inline uint32_t mixedPixel(uint32_t plain, uint32_t overlay) {
    const uint32_t drawn = 0u - (overlay >> 31);  // all ones when a ROI is drawn
    return (plain & ~drawn) | (blended(plain, overlay) & drawn);
}

inline bool blockUniform(const uint16_t* words) {
    uint64_t a, b;
    std::memcpy(&a, words, sizeof a);
    std::memcpy(&b, words + 4, sizeof b);
    const uint64_t pattern = words[0] * 0x0001000100010001ull;
    return ((a ^ pattern) | (b ^ pattern)) == 0;
}

// Renders rows y0..y1-1 and adds their ROI pixels to roiPixelCount. ROI maps
// are mostly large areas of one word: a block of 8 equal words is counted
// and drawn with one lookup of its overlay; other blocks take a branch-free
// path per pixel, so a speckled map stays cheap too.
void renderBand(const uint32_t* __restrict__ greyTable, const uint32_t* __restrict__ overlayTable,
                const ImagePlane& grey, const uint16_t* map, int32_t y0, int32_t y1,
                uint32_t* __restrict__ out, std::array<uint32_t, kRoiCount>& roiPixelCount) {
    const size_t width = static_cast<size_t>(grey.width);
    for (int32_t y = y0; y < y1; ++y) {
        const size_t row = static_cast<size_t>(y) * width;
        const uint16_t* __restrict__ samples = grey.current + row;
        uint32_t* __restrict__ pixels = out + row;
        if (!map) {
            for (size_t x = 0; x < width; ++x) pixels[x] = greyTable[samples[x]];
            continue;
        }
        const uint16_t* __restrict__ words = map + row;
        for (size_t x0 = 0; x0 < width; x0 += kCountChunk) {
            const size_t x1 = std::min(width, x0 + kCountChunk);
            uint64_t low = 0, high = 0;
            size_t x = x0;
            for (; x + kBlock <= x1; x += kBlock) {
                if (blockUniform(words + x)) {
                    const uint32_t word = words[x];
                    low += kBitSpread[word & 0xFFu] * kBlock;
                    high += kBitSpread[word >> 8] * kBlock;
                    const uint32_t overlay = overlayTable[word];
                    if (!overlay) {
                        for (size_t i = x; i < x + kBlock; ++i) pixels[i] = greyTable[samples[i]];
                    } else {
                        for (size_t i = x; i < x + kBlock; ++i)
                            pixels[i] = blended(greyTable[samples[i]], overlay);
                    }
                    continue;
                }
                for (size_t i = x; i < x + kBlock; ++i) {
                    const uint32_t word = words[i];
                    low += kBitSpread[word & 0xFFu];
                    high += kBitSpread[word >> 8];
                    pixels[i] = mixedPixel(greyTable[samples[i]], overlayTable[word]);
                }
            }
            for (; x < x1; ++x) {
                const uint32_t word = words[x];
                low += kBitSpread[word & 0xFFu];
                high += kBitSpread[word >> 8];
                pixels[x] = mixedPixel(greyTable[samples[x]], overlayTable[word]);
            }
            for (size_t k = 0; k < 8; ++k) {
                roiPixelCount[k] += static_cast<uint32_t>(low >> (8 * k) & 0xFF);
                roiPixelCount[k + 8] += static_cast<uint32_t>(high >> (8 * k) & 0xFF);
            }
        }
    }
}

}  // namespace

uint8_t displayGrey(int32_t v, int32_t windowLow, int32_t windowHigh, GreyStyle style) {
    if (style == GreyStyle::Flat) return 127;
    if (windowHigh == windowLow) return v > windowLow ? 255 : 0;
    // 64-bit: the window limits may be any 32-bit values.
    const int64_t d = ((int64_t{v} - windowLow) * 256) / (int64_t{windowHigh} - windowLow);
    return static_cast<uint8_t>(rampGrey(d, style));
}

uint32_t overlayPixel(uint8_t grey, uint16_t roiWord, uint32_t visibleRoiMask, int hiddenRoi) {
    const uint32_t drawn = roiWord & drawnMask(visibleRoiMask, hiddenRoi);
    if (!drawn) return greyPixel(grey);
    uint32_t red = 0, green = 0, blue = 0, n = 0;
    for (int k = 0; k < kRoiCount; ++k) {
        if (!(drawn & 1u << k)) continue;
        const uint32_t colour = kRoiColours[static_cast<size_t>(k)];
        red += colour & 0xFFu;
        green += colour >> 8 & 0xFFu;
        blue += colour >> 16 & 0xFFu;
        ++n;
    }
    const uint32_t half = grey / 2u;
    return kOpaque | (half + red / (2 * n)) << 16 | (half + green / (2 * n)) << 8 |
           (half + blue / (2 * n));
}

void DisplayRenderer::prepareGreyTable(const DisplayParams& params) {
    const int32_t lo = params.windowLow;
    const int32_t hi = params.windowHigh;
    // The flat style ignores the window, and the other two differ only in the ramp.
    if (greyValid_ && greyStyle_ == params.style &&
        (params.style == GreyStyle::Flat || (greyLow_ == lo && greyHigh_ == hi)))
        return;
    greyTable_.resize(kSampleValues);
    uint32_t* table = greyTable_.data();
    greyValid_ = true;
    greyLow_ = lo;
    greyHigh_ = hi;
    greyStyle_ = params.style;

    if (params.style == GreyStyle::Flat) {
        std::fill_n(table, kSampleValues, greyPixel(127));
        return;
    }
    constexpr int64_t kLast = kSampleValues - 1;
    if (hi == lo) {
        // Samples up to lo are black, above it white.
        const int64_t blackEnd = std::clamp<int64_t>(int64_t{lo} + 1, 0, kSampleValues);
        std::fill_n(table, blackEnd, kBlack);
        std::fill(table + blackEnd, table + kSampleValues, kWhite);
        return;
    }
    // On the far side of lo from hi the ramp position is 0 or negative: black.
    // Going from lo towards hi, u = |v - lo| steps by one and d = u * 256 / |hi - lo|
    // is kept as quotient and remainder, so the table needs no division per entry.
    std::fill_n(table, kSampleValues, kBlack);
    const int step = hi > lo ? 1 : -1;
    const int64_t span = hi > lo ? int64_t{hi} - lo : int64_t{lo} - hi;
    int64_t v = int64_t{lo} + step;
    if (v < 0 && step > 0) v = 0;
    if (v > kLast && step < 0) v = kLast;
    if (v < 0 || v > kLast) return;
    const int64_t numerator = (v - lo) * step * 256;
    int64_t d = numerator / span;
    int64_t remainder = numerator % span;
    for (; v >= 0 && v <= kLast; v += step) {
        if (d >= 256) {
            if (step > 0)
                std::fill(table + v, table + kSampleValues, kWhite);
            else
                std::fill(table, table + v + 1, kWhite);
            return;
        }
        table[v] = greyPixel(rampGrey(d, params.style));
        remainder += 256;
        while (remainder >= span) {
            remainder -= span;
            ++d;
        }
    }
}

void DisplayRenderer::prepareOverlayTable(uint32_t drawn) {
    if (overlayValid_ && overlayMask_ == drawn) return;
    overlayTable_.resize(kSampleValues);
    overlayValid_ = true;
    overlayMask_ = drawn;

    // Per byte of the ROI word: n and the red, green and blue sums in four
    // 16-bit lanes, so that one addition combines the two bytes.
    std::array<uint64_t, 256> lowSums{}, highSums{};
    for (int half = 0; half < 2; ++half) {
        auto& sums = half == 0 ? lowSums : highSums;
        for (uint32_t byte = 1; byte < 256; ++byte) {
            const int bit = std::countr_zero(byte);
            const int k = bit + 8 * half;
            uint64_t lane = 0;
            if (drawn & 1u << k) {
                const uint64_t colour = kRoiColours[static_cast<size_t>(k)];
                lane = 1 | (colour & 0xFF) << 16 | (colour >> 8 & 0xFF) << 32 |
                       (colour >> 16 & 0xFF) << 48;
            }
            sums[byte] = sums[byte & (byte - 1)] + lane;
        }
    }
    uint32_t* table = overlayTable_.data();
    for (uint32_t word = 0; word < kSampleValues; ++word) {
        const uint64_t sums = lowSums[word & 0xFF] + highSums[word >> 8];
        const auto n = static_cast<uint32_t>(sums & 0xFFFF);
        if (n == 0) {
            table[word] = 0;
            continue;
        }
        const uint64_t reciprocal = kHalfReciprocal[n];
        const auto red = static_cast<uint32_t>(((sums >> 16 & 0xFFFF) * reciprocal) >> 20);
        const auto green = static_cast<uint32_t>(((sums >> 32 & 0xFFFF) * reciprocal) >> 20);
        const auto blue = static_cast<uint32_t>(((sums >> 48) * reciprocal) >> 20);
        table[word] = kOpaque | red << 16 | green << 8 | blue;
    }
}

void DisplayRenderer::render(const ImagePlane& grey, const ImagePlane* roiMap,
                             const DisplayParams& params, DisplayBitmap& bitmap,
                             std::array<uint32_t, kRoiCount>& roiPixelCount) {
    renderRows(grey, roiMap, params, bitmap, 0, grey.height, roiPixelCount);
}

void DisplayRenderer::renderRows(const ImagePlane& grey, const ImagePlane* roiMap,
                                 const DisplayParams& params, DisplayBitmap& bitmap, int32_t y0,
                                 int32_t y1, std::array<uint32_t, kRoiCount>& roiPixelCount) {
    roiPixelCount.fill(0);
    const bool usable = sizeUsable(grey);
    y0 = usable ? std::clamp(y0, 0, grey.height) : 0;
    y1 = usable ? std::clamp(y1, y0, grey.height) : 0;
    fitBitmap(grey, bitmap, y0, y1);
    if (!usable || y0 == y1) return;

    const uint16_t* map = usableMap(grey, roiMap);
    prepareGreyTable(params);
    if (map) prepareOverlayTable(drawnMask(params.visibleRoiMask, params.hiddenRoi));

    // Bands of rows on all cores, each counting its own ROI pixels; the
    // counts are whole numbers, so their sum is the same in any cut.
    const size_t rows = static_cast<size_t>(y1 - y0);
    // Some 256 K pixels a band: smaller displays are drawn faster than the
    // pool wakes up.
    const size_t grain = parallelRowGrain(static_cast<size_t>(grey.width), size_t{1} << 18);
    std::vector<std::array<uint32_t, kRoiCount>> counts(parallelChunkCount(rows, grain));
    parallelFor(rows, grain, [&](size_t begin, size_t end) {
        std::array<uint32_t, kRoiCount>& count = counts[begin / grain];
        count.fill(0);
        renderBand(greyTable_.data(), map ? overlayTable_.data() : nullptr, grey, map,
                   y0 + static_cast<int32_t>(begin), y0 + static_cast<int32_t>(end),
                   bitmap.pixels.data(), count);
    });
    for (const auto& count : counts)
        for (size_t k = 0; k < kRoiCount; ++k) roiPixelCount[k] += count[k];
}

namespace {
DisplayRenderer& threadRenderer() {
    thread_local DisplayRenderer renderer;
    return renderer;
}
}  // namespace

void RenderDisplay(const ImagePlane& grey, const ImagePlane* roiMap, const DisplayParams& params,
                   DisplayBitmap& bitmap, std::array<uint32_t, kRoiCount>& roiPixelCount) {
    threadRenderer().render(grey, roiMap, params, bitmap, roiPixelCount);
}

void renderDisplayRows(const ImagePlane& grey, const ImagePlane* roiMap,
                       const DisplayParams& params, DisplayBitmap& bitmap, int32_t y0, int32_t y1,
                       std::array<uint32_t, kRoiCount>& roiPixelCount) {
    threadRenderer().renderRows(grey, roiMap, params, bitmap, y0, y1, roiPixelCount);
}

uint32_t roiIndicatorColour(int roi, const std::array<uint32_t, kRoiCount>& roiPixelCount) {
    if (roi < 1 || roi > kRoiCount) return kButtonFaceColour;
    const auto k = static_cast<size_t>(roi - 1);
    return roiPixelCount[k] > 0 ? kRoiColours[k] : kButtonFaceColour;
}

int32_t zoomScaleFor(int32_t current, int code) {
    // The menu steps 1:4 .. 16:1 and their scales.
    constexpr std::array<std::array<int32_t, 2>, 7> kMenuSteps = {
        {{14, 64}, {12, 128}, {11, 256}, {21, 512}, {41, 1024}, {81, 2048}, {161, 4096}}};
    int64_t scale = 256;
    if (code == 1) {
        scale = int64_t{current} * 2;  // 64-bit: no overflow for any current value
    } else if (code == -1) {
        scale = current >> 1;
    } else {
        for (const auto& [menuCode, menuScale] : kMenuSteps)
            if (menuCode == code) scale = menuScale;
    }
    return static_cast<int32_t>(std::clamp<int64_t>(scale, kMinZoomScale, kMaxZoomScale));
}

int32_t windowFromTrackBar(int32_t imageMin, int32_t imageMax, int position) {
    constexpr int64_t kMax = 100;
    const int64_t p = std::clamp<int64_t>(position, 0, kMax);
    return static_cast<int32_t>(int64_t{imageMin} +
                                (int64_t{imageMax} - imageMin) * (kMax - p) / kMax);
}
