#include "workspace/core/roi/roi_raster.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

bool inside(const DisplayBitmap& b, int32_t x, int32_t y) {
    return x >= 0 && y >= 0 && x < b.width && y < b.height;
}

void put(DisplayBitmap& b, int32_t x, int32_t y, uint32_t pixel) {
    if (inside(b, x, y)) b.pixels[static_cast<size_t>(y) * b.width + x] = pixel;
}

void span(DisplayBitmap& b, int32_t y, int32_t x0, int32_t x1, uint32_t pixel) {
    if (y < 0 || y >= b.height) return;
    x0 = std::max(x0, 0);
    x1 = std::min(x1, b.width - 1);
    if (x0 > x1) return;
    uint32_t* row = b.pixels.data() + static_cast<size_t>(y) * b.width;
    std::fill(row + x0, row + x1 + 1, pixel);
}

}  // namespace

void stampPen(DisplayBitmap& bitmap, Point at, int32_t width, uint32_t pixel) {
    if (width <= 1) {
        put(bitmap, at.x, at.y, pixel);
        return;
    }
    // A disc of the pen's diameter: pixel centres within width/2 of the point.
    int32_t r = width / 2;
    int64_t limit = static_cast<int64_t>(width) * width;  // (2 * radius)^2 with radius = width / 2
    for (int32_t dy = -r; dy <= r; ++dy)
        for (int32_t dx = -r; dx <= r; ++dx)
            if (4 * (static_cast<int64_t>(dx) * dx + static_cast<int64_t>(dy) * dy) <= limit)
                put(bitmap, at.x + dx, at.y + dy, pixel);
}

void drawLine(DisplayBitmap& bitmap, Point a, Point b, int32_t width, uint32_t pixel) {
    int64_t dx = std::abs(static_cast<int64_t>(b.x) - a.x);
    int64_t dy = -std::abs(static_cast<int64_t>(b.y) - a.y);
    int32_t sx = a.x < b.x ? 1 : -1;
    int32_t sy = a.y < b.y ? 1 : -1;
    int64_t error = dx + dy;
    Point p = a;
    for (;;) {
        stampPen(bitmap, p, width, pixel);
        if (p == b) break;
        int64_t twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            p.x += sx;
        }
        if (twice <= dx) {
            error += dx;
            p.y += sy;
        }
    }
}

void fillRectangle(DisplayBitmap& bitmap, Point a, Point b, uint32_t pixel) {
    int32_t left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    int32_t top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    for (int32_t y = top; y < bottom; ++y) span(bitmap, y, left, right - 1, pixel);
}

void fillEllipse(DisplayBitmap& bitmap, Point a, Point b, uint32_t pixel) {
    int32_t left = std::min(a.x, b.x), right = std::max(a.x, b.x);
    int32_t top = std::min(a.y, b.y), bottom = std::max(a.y, b.y);
    if (right <= left || bottom <= top) return;
    // Pixel centres inside the ellipse that touches the box's edges.
    double cx = (left + right) / 2.0, cy = (top + bottom) / 2.0;
    double rx = (right - left) / 2.0, ry = (bottom - top) / 2.0;
    for (int32_t y = std::max(top, 0); y < std::min(bottom, bitmap.height); ++y) {
        double ny = (y + 0.5 - cy) / ry;
        double rest = 1.0 - ny * ny;
        if (rest < 0) continue;
        double half = rx * std::sqrt(rest);
        // Columns whose centre x + 0.5 lies within [cx - half, cx + half].
        auto x0 = static_cast<int32_t>(std::ceil(cx - half - 0.5));
        auto x1 = static_cast<int32_t>(std::floor(cx + half - 0.5));
        span(bitmap, y, std::max(x0, left), std::min(x1, right - 1), pixel);
    }
}

void fillPolygon(DisplayBitmap& bitmap, const std::vector<Point>& points, uint32_t pixel) {
    if (points.empty()) return;
    int32_t top = points[0].y, bottom = points[0].y;
    for (const Point& p : points) {
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    std::vector<double> crossings;
    for (int32_t y = std::max(top, 0); y <= std::min(bottom, bitmap.height - 1); ++y) {
        // Even-odd crossings of the row's centre line with the edges.
        double cy = y + 0.5;
        crossings.clear();
        for (size_t i = 0; i < points.size(); ++i) {
            const Point& p = points[i];
            const Point& q = points[(i + 1) % points.size()];
            if ((p.y + 0.5 <= cy) == (q.y + 0.5 <= cy)) continue;
            double t = (cy - (p.y + 0.5)) / (q.y - p.y);
            crossings.push_back(p.x + 0.5 + t * (q.x - p.x));
        }
        std::sort(crossings.begin(), crossings.end());
        for (size_t i = 0; i + 1 < crossings.size(); i += 2) {
            auto x0 = static_cast<int32_t>(std::ceil(crossings[i] - 0.5));
            auto x1 = static_cast<int32_t>(std::floor(crossings[i + 1] - 0.5));
            span(bitmap, y, x0, x1, pixel);
        }
    }
    for (size_t i = 0; i < points.size(); ++i)
        drawLine(bitmap, points[i], points[(i + 1) % points.size()], 1, pixel);
}

void floodFill(DisplayBitmap& bitmap, Point seed, uint32_t pixel) {
    if (!inside(bitmap, seed.x, seed.y)) return;
    const int32_t w = bitmap.width;
    uint32_t* px = bitmap.pixels.data();
    const uint32_t target = px[static_cast<size_t>(seed.y) * w + seed.x];
    if (target == pixel) return;
    // Scanline fill with an explicit stack: no recursion depth to run out of.
    std::vector<Point> stack{seed};
    while (!stack.empty()) {
        Point p = stack.back();
        stack.pop_back();
        uint32_t* row = px + static_cast<size_t>(p.y) * w;
        if (row[p.x] != target) continue;
        int32_t x0 = p.x, x1 = p.x;
        while (x0 > 0 && row[x0 - 1] == target) --x0;
        while (x1 + 1 < w && row[x1 + 1] == target) ++x1;
        std::fill(row + x0, row + x1 + 1, pixel);
        for (int32_t ny : {p.y - 1, p.y + 1}) {
            if (ny < 0 || ny >= bitmap.height) continue;
            const uint32_t* next = px + static_cast<size_t>(ny) * w;
            for (int32_t x = x0; x <= x1; ++x)
                if (next[x] == target && (x == x0 || next[x - 1] != target))
                    stack.push_back({x, ny});
        }
    }
}
