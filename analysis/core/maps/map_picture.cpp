#include "analysis/core/maps/map_picture.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/files.h"
#include "platform/parallel.h"
#include "workspace/core/formats/bitmap_header.h"
#include "workspace/core/formats/byte_codec.h"

namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

}  // namespace

uint8_t mapGreyLevel(double a, double low, double high, int style) {
    if (high == low) return a > low ? 255 : 0;
    // c = (a - L) * 256 / (H - L)
    double c = std::trunc((a - low) * 256.0 / (high - low));
    if (!(c >= 0)) c = 0;  // also NaN
    if (c > 255) c = 255;
    const uint8_t level = static_cast<uint8_t>(c);
    if (style == kThreeLevelStyle && level != 0 && level != 255) return 127;
    return level;
}

void renderMapPixels(const FeatureMap& map, uint32_t* pixels) {
    const size_t count = std::min(
        static_cast<size_t>(std::max(map.width, 0)) * static_cast<size_t>(std::max(map.height, 0)),
        map.values.size());
    // Redrawn at every track-bar move: large maps are drawn on every core.
    parallelFor(count, 1 << 16, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            const double a = map.values[i];
            if (a == kInfinity) {
                pixels[i] = 0xFF00007Fu;
                continue;
            }
            const uint32_t c = mapGreyLevel(a, map.displayLow, map.displayHigh, map.style);
            pixels[i] = 0xFF000000u | c << 16 | c << 8 | c;
        }
    });
}

std::vector<uint8_t> renderMapPicture(const FeatureMap& map) {
    const size_t count = static_cast<size_t>(map.width) * static_cast<size_t>(map.height);
    std::vector<uint32_t> pixels(count);
    renderMapPixels(map, pixels.data());
    std::vector<uint8_t> bgr(count * 3);
    for (size_t i = 0; i < count; ++i) {
        bgr[3 * i] = static_cast<uint8_t>(pixels[i]);
        bgr[3 * i + 1] = static_cast<uint8_t>(pixels[i] >> 8);
        bgr[3 * i + 2] = static_cast<uint8_t>(pixels[i] >> 16);
    }
    return bgr;
}

double trackBarValue(const FeatureMap& map, int position) {
    return map.min + (100 - position) * (map.max - map.min) / 100;
}

int trackBarPosition(const FeatureMap& map, double value) {
    const double p = std::trunc(100 - (value - map.min) * 100 / (map.max - map.min));
    if (!(p >= 0)) return 0;  // also NaN
    return static_cast<int>(std::min(p, 100.0));
}

std::string encodeMapBitmap(const FeatureMap& map) {
    const uint32_t w = static_cast<uint32_t>(std::max(map.width, 0));
    const uint32_t h = static_cast<uint32_t>(std::max(map.height, 0));
    const uint32_t stride = bitmapRowStride(w, 24);
    const std::vector<uint8_t> bgr = renderMapPicture(map);
    std::string out;
    appendBitmapHeader(out, plainBitmapHeader(w, h, 24, 0, 2835));
    out.reserve(out.size() + static_cast<size_t>(h) * stride);
    for (uint32_t y = h; y-- > 0;) {
        out.append(reinterpret_cast<const char*>(bgr.data()) + static_cast<size_t>(y) * 3 * w,
                   3 * w);
        out.append(stride - 3 * w, '\0');
    }
    return out;
}

bool writeMapBitmap(const std::string& path, const FeatureMap& map) {
    return platform::writeWholeFileAtomically(path, encodeMapBitmap(map));
}
