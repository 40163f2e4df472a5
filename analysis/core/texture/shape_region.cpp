#include "analysis/core/texture/shape_region.h"

#include <algorithm>

namespace {

// 4-connected fill of the pixels with value `from` in `plane`, starting at
// `start`, each set to `to`. Positions are packed as row * width + column;
// the stack grows instead of dropping pixels.
void fill4(std::vector<uint8_t>& plane, int32_t width, int32_t height, size_t start, uint8_t from,
           uint8_t to, std::vector<size_t>& stack) {
    if (plane[start] != from) return;
    stack.clear();
    plane[start] = to;
    stack.push_back(start);
    const size_t w = static_cast<size_t>(width);
    while (!stack.empty()) {
        const size_t p = stack.back();
        stack.pop_back();
        const int32_t x = static_cast<int32_t>(p % w);
        const int32_t y = static_cast<int32_t>(p / w);
        auto visit = [&](size_t q) {
            if (plane[q] == from) {
                plane[q] = to;
                stack.push_back(q);
            }
        };
        if (x > 0) visit(p - 1);
        if (x + 1 < width) visit(p + 1);
        if (y > 0) visit(p - w);
        if (y + 1 < height) visit(p + w);
    }
}

// Marks of the background analysis: what the fills leave in their plane.
constexpr uint8_t kBackground = 0;
constexpr uint8_t kOutside = 2;
constexpr uint8_t kHole = 3;

void finishRegion(ShapeRegion& s) {
    if (s.count == 0) return;
    // Background analysis on a plane of its own, so that region and holes
    // never share a label.
    std::vector<uint8_t> plane(s.inside);
    std::vector<size_t> stack;
    fill4(plane, s.width, s.height, 0, kBackground, kOutside, stack);
    s.hole.assign(plane.size(), 0);
    for (size_t i = 0; i < plane.size(); ++i) {
        if (plane[i] != kBackground) continue;
        ++s.holes;
        fill4(plane, s.width, s.height, i, kBackground, kHole, stack);
    }
    for (size_t i = 0; i < plane.size(); ++i)
        if (plane[i] == kHole) {
            s.hole[i] = 1;
            ++s.holePixels;
        }
    double sx = 0, sy = 0;
    for (int32_t my = 1; my + 1 < s.height; ++my)
        for (int32_t mx = 1; mx + 1 < s.width; ++mx) {
            const size_t i = s.index(mx, my);
            if (!s.inside[i]) continue;
            sx += mx + s.originX;
            sy += my + s.originY;
            if (!s.inside[i - 1] || !s.inside[i + 1] ||
                !s.inside[i - static_cast<size_t>(s.width)] ||
                !s.inside[i + static_cast<size_t>(s.width)])
                s.boundary.push_back({mx + s.originX, my + s.originY});
        }
    s.centroidX = sx / static_cast<double>(s.count);
    s.centroidY = sy / static_cast<double>(s.count);
}

}  // namespace

ShapeRegion buildShapeRegion(const uint16_t* roiMap, int32_t width, int32_t height, int roi) {
    ShapeRegion s;
    if (!roiMap || width <= 0 || height <= 0 || roi < 0 || roi > 15) return s;
    const uint16_t bit = static_cast<uint16_t>(1u << roi);
    int32_t xmin = width, ymin = height, xmax = -1, ymax = -1;
    for (int32_t y = 0; y < height; ++y) {
        const uint16_t* row = roiMap + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = 0; x < width; ++x)
            if (row[x] & bit) {
                ++s.count;
                xmin = std::min(xmin, x);
                xmax = std::max(xmax, x);
                ymin = std::min(ymin, y);
                ymax = std::max(ymax, y);
            }
    }
    if (s.count == 0) return s;
    s.width = xmax - xmin + 3;
    s.height = ymax - ymin + 3;
    s.originX = xmin - 1;
    s.originY = ymin - 1;
    s.inside.assign(static_cast<size_t>(s.width) * static_cast<size_t>(s.height), 0);
    for (int32_t y = ymin; y <= ymax; ++y) {
        const uint16_t* row = roiMap + static_cast<size_t>(y) * static_cast<size_t>(width);
        for (int32_t x = xmin; x <= xmax; ++x)
            if (row[x] & bit) s.inside[s.index(x - s.originX, y - s.originY)] = 1;
    }
    finishRegion(s);
    return s;
}

ShapeRegion shapeRegionFromMask(const std::vector<uint8_t>& mask, int32_t width, int32_t height) {
    std::vector<uint16_t> map(mask.size());
    for (size_t i = 0; i < mask.size(); ++i) map[i] = mask[i] ? 1 : 0;
    return buildShapeRegion(map.data(), width, height, 0);
}
