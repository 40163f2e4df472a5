#include "platform/screen_placement.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace platform {

namespace {

// One axis: the start and length of the frame within [from, from + room).
void fitAxis(int& start, int& length, int from, int room) {
    if (room <= 0) return;
    length = std::min(length, room);
    start = std::clamp(start, from, from + room - length);
}

long long overlapArea(const ScreenRect& a, const ScreenRect& b) {
    const long long w =
        std::min(a.x + a.width, b.x + b.width) - static_cast<long long>(std::max(a.x, b.x));
    const long long h =
        std::min(a.y + a.height, b.y + b.height) - static_cast<long long>(std::max(a.y, b.y));
    return w > 0 && h > 0 ? w * h : 0;
}

}  // namespace

ScreenRect placeBeside(int width, int height, const ScreenRect& other, const ScreenRect& keep,
                       const ScreenRect& available) {
    const int w = available.width > 0 ? std::min(width, available.width) : width;
    const int h = available.height > 0 ? std::min(height, available.height) : height;
    const int right = other.x + other.width;
    const int bottom = other.y + other.height;
    // In order of preference: the four sides, then every other place that
    // lines up with an edge of the other frame, of `keep` or of the screen.
    std::vector<std::pair<int, int>> tries = {
        {right, other.y}, {other.x - w, other.y}, {other.x, bottom}, {other.x, other.y - h}};
    const int xs[] = {right,     other.x - w, other.x,
                      right - w, available.x, available.x + available.width - w};
    const int ys[] = {other.y,
                      bottom,
                      other.y - h,
                      bottom - h,
                      keep.y + keep.height,
                      available.y,
                      available.y + available.height - h};
    for (int y : ys)
        for (int x : xs) tries.emplace_back(x, y);
    ScreenRect best{};
    long long bestKeep = -1;
    long long bestCover = 0;
    for (const auto& [x, y] : tries) {
        const ScreenRect placed = placeInside({x, y, w, h}, available);
        const long long onKeep = overlapArea(placed, keep);
        const long long cover = overlapArea(placed, other);
        if (bestKeep < 0 || onKeep < bestKeep || (onKeep == bestKeep && cover < bestCover)) {
            best = placed;
            bestKeep = onKeep;
            bestCover = cover;
        }
    }
    return best;
}

ScreenRect placeInside(const ScreenRect& frame, const ScreenRect& available) {
    ScreenRect placed = frame;
    fitAxis(placed.x, placed.width, available.x, available.width);
    fitAxis(placed.y, placed.height, available.y, available.height);
    return placed;
}

}  // namespace platform
