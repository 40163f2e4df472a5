#include "analysis/core/grains/roi_closing.h"

#include <cstddef>

namespace {

template <class Combine>
void round(uint16_t* map, int32_t width, int32_t height, Combine combine) {
    const size_t w = static_cast<size_t>(width);
    auto at = [&](int32_t x, int32_t y) -> uint16_t& {
        return map[static_cast<size_t>(y) * w + static_cast<size_t>(x)];
    };
    for (int32_t y = 1; y < height; ++y)
        for (int32_t x = 1; x < width; ++x) {
            const uint16_t v = at(x, y);
            combine(at(x - 1, y), v);
            combine(at(x, y - 1), v);
            combine(at(x - 1, y - 1), v);
        }
    for (int32_t y = height - 2; y >= 0; --y)
        for (int32_t x = width - 2; x >= 0; --x) {
            const uint16_t v = at(x, y);
            combine(at(x + 1, y), v);
            combine(at(x, y + 1), v);
            combine(at(x + 1, y + 1), v);
        }
}

}  // namespace

void closeRoiMap(uint16_t* roiMap, int32_t width, int32_t height, int32_t depth) {
    if (!roiMap || width <= 0 || height <= 0) return;
    for (int32_t i = 0; i < depth; ++i)
        round(roiMap, width, height, [](uint16_t& target, uint16_t v) { target |= v; });
    for (int32_t i = 0; i < depth; ++i)
        round(roiMap, width, height, [](uint16_t& target, uint16_t v) { target &= v; });
}
