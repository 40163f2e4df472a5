// Where a window goes so that the user can reach all of it: inside the part
// of the screen that panels and docks leave free.
#pragma once

namespace platform {

struct ScreenRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    friend bool operator==(const ScreenRect&, const ScreenRect&) = default;
};

// The frame of a window (title bar and borders included) moved by the least
// distance that puts it inside `available`; a frame larger than `available`
// is first made as large as it. A frame already inside stays where it is.
ScreenRect placeInside(const ScreenRect& frame, const ScreenRect& available);

// Where a frame of `width` x `height` opens beside the frame `other` within
// `available`: right of it, else left, below, above, where it fits whole;
// else where it covers the least of `other`. It never covers `keep` (the
// part of `other` that must stay in reach: its title bar and menu) unless
// there is no such place; then it covers the least of that. A frame larger
// than `available` is first made as large as it.
ScreenRect placeBeside(int width, int height, const ScreenRect& other, const ScreenRect& keep,
                       const ScreenRect& available);

}  // namespace platform
