#include "platform/screen_placement.h"

#include <algorithm>

namespace platform {

namespace {

// One axis: the start and length of the frame within [from, from + room).
void fitAxis(int& start, int& length, int from, int room) {
    if (room <= 0) return;
    length = std::min(length, room);
    start = std::clamp(start, from, from + room - length);
}

}  // namespace

ScreenRect placeInside(const ScreenRect& frame, const ScreenRect& available) {
    ScreenRect placed = frame;
    fitAxis(placed.x, placed.width, available.x, available.width);
    fitAxis(placed.y, placed.height, available.y, available.height);
    return placed;
}

}  // namespace platform
