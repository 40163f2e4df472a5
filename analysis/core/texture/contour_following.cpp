#include "analysis/core/texture/contour_following.h"

#include <array>
#include <cmath>

namespace {

// Neighbours clockwise on screen (y grows downwards), starting at the west.
constexpr std::array<PixelPoint, 8> kClockwise = {{
    {-1, 0},
    {-1, -1},
    {0, -1},
    {1, -1},
    {1, 0},
    {1, 1},
    {0, 1},
    {-1, 1},
}};

int directionOf(int32_t dx, int32_t dy) {
    for (int d = 0; d < 8; ++d)
        if (kClockwise[static_cast<size_t>(d)].x == dx &&
            kClockwise[static_cast<size_t>(d)].y == dy)
            return d;
    return 0;
}

}  // namespace

double ContourChain::length() const {
    return straightSteps + std::sqrt(2.0) * diagonalSteps;
}

ContourChain followContour(const ShapeRegion& region) {
    ContourChain chain;
    if (region.empty()) return chain;
    PixelPoint start{};
    bool found = false;
    for (int32_t my = 0; my < region.height && !found; ++my)
        for (int32_t mx = 0; mx < region.width && !found; ++mx)
            if (region.inside[region.index(mx, my)]) {
                start = {mx, my};
                found = true;
            }
    auto inside = [&](int32_t mx, int32_t my) { return region.inside[region.index(mx, my)] != 0; };
    auto toImage = [&](PixelPoint p) {
        return PixelPoint{p.x + region.originX, p.y + region.originY};
    };
    chain.pixels.push_back(toImage(start));

    // The west neighbour of the first pixel in raster order is outside.
    PixelPoint current = start;
    int backtrack = 0;  // direction from current to the last outside neighbour checked
    PixelPoint firstMove{};
    bool moved = false;
    // Each pixel is entered at most from its 8 neighbours; the bound only
    // guards against a fault in the rule above.
    const size_t limit = 8 * region.inside.size() + 8;
    for (size_t steps = 0; steps < limit; ++steps) {
        int next = -1;
        for (int i = 1; i <= 8; ++i) {
            const int d = (backtrack + i) % 8;
            const PixelPoint o = kClockwise[static_cast<size_t>(d)];
            if (inside(current.x + o.x, current.y + o.y)) {
                next = d;
                break;
            }
        }
        if (next < 0) break;  // a lone pixel
        const PixelPoint o = kClockwise[static_cast<size_t>(next)];
        const PixelPoint target{current.x + o.x, current.y + o.y};
        if (moved && current.x == start.x && current.y == start.y && target.x == firstMove.x &&
            target.y == firstMove.y)
            break;
        if (!moved) {
            firstMove = target;
            moved = true;
        }
        (o.x != 0 && o.y != 0 ? chain.diagonalSteps : chain.straightSteps)++;
        // The neighbour checked just before the target, seen from the target.
        const PixelPoint before = kClockwise[static_cast<size_t>((next + 7) % 8)];
        const PixelPoint outside{current.x + before.x, current.y + before.y};
        current = target;
        backtrack = directionOf(outside.x - current.x, outside.y - current.y);
        if (!(current.x == start.x && current.y == start.y))
            chain.pixels.push_back(toImage(current));
    }
    return chain;
}
