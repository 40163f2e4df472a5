// Drawing into the display bitmap in one exact colour, without antialiasing:
// the ROI tools draw marker-coloured pixels and later find exactly those.
// Every routine clips to the bitmap.
#pragma once

#include <cstdint>
#include <vector>

#include "workspace/core/image/display_render.h"

struct Point {
    int32_t x = 0;
    int32_t y = 0;
    bool operator==(const Point&) const = default;
};

// One pixel, or a round stamp of `width` pixels across centred on it.
void stampPen(DisplayBitmap& bitmap, Point at, int32_t width, uint32_t pixel);

// A line from a to b (both ends drawn) with a round pen of `width` pixels.
void drawLine(DisplayBitmap& bitmap, Point a, Point b, int32_t width, uint32_t pixel);

// The box between two corners, the right and bottom edges excluded, as the
// drawing library's filled rectangle does; corners in any order.
void fillRectangle(DisplayBitmap& bitmap, Point a, Point b, uint32_t pixel);

// The ellipse inscribed in the same box.
void fillEllipse(DisplayBitmap& bitmap, Point a, Point b, uint32_t pixel);

// The polygon through the points (closed), filled by the even-odd rule, with
// its outline drawn one pixel wide.
void fillPolygon(DisplayBitmap& bitmap, const std::vector<Point>& points, uint32_t pixel);

// Paints the 4-connected area of pixels that have the colour of `seed`.
void floodFill(DisplayBitmap& bitmap, Point seed, uint32_t pixel);
