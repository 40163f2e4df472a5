#include "analysis/core/texture/convex_hull.h"

#include <algorithm>
#include <cmath>

namespace {

int64_t cross(const IntPoint& o, const IntPoint& a, const IntPoint& b) {
    return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

int64_t floorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) != (b < 0))) ? q - 1 : q;
}

int64_t ceilDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && ((a < 0) == (b < 0))) ? q + 1 : q;
}

double distance(const IntPoint& a, const IntPoint& b) {
    const double dx = static_cast<double>(a.x - b.x);
    const double dy = static_cast<double>(a.y - b.y);
    return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

std::vector<IntPoint> convexHull(std::vector<IntPoint> points) {
    std::sort(points.begin(), points.end(), [](const IntPoint& a, const IntPoint& b) {
        return a.x != b.x ? a.x < b.x : a.y < b.y;
    });
    points.erase(
        std::unique(points.begin(), points.end(),
                    [](const IntPoint& a, const IntPoint& b) { return a.x == b.x && a.y == b.y; }),
        points.end());
    if (points.size() < 3) return points;
    // Andrew's monotone chain; a turn of 0 drops the middle point.
    std::vector<IntPoint> hull(2 * points.size());
    size_t k = 0;
    for (const IntPoint& p : points) {
        while (k >= 2 && cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
        hull[k++] = p;
    }
    for (size_t i = points.size() - 1, lower = k + 1; i-- > 0;) {
        const IntPoint& p = points[i];
        while (k >= lower && cross(hull[k - 2], hull[k - 1], p) <= 0) --k;
        hull[k++] = p;
    }
    hull.resize(k - 1);
    return hull;
}

double polygonPerimeter(const std::vector<IntPoint>& polygon) {
    if (polygon.size() < 2) return 0;
    double sum = 0;
    for (size_t i = 0; i < polygon.size(); ++i)
        sum += distance(polygon[i], polygon[(i + 1) % polygon.size()]);
    return sum;
}

double polygonArea(const std::vector<IntPoint>& polygon) {
    if (polygon.size() < 3) return 0;
    int64_t twice = 0;
    for (size_t i = 0; i < polygon.size(); ++i) {
        const IntPoint& a = polygon[i];
        const IntPoint& b = polygon[(i + 1) % polygon.size()];
        twice += a.x * b.y - b.x * a.y;
    }
    return std::abs(static_cast<double>(twice)) * 0.5;
}

FarthestPair farthestPair(const std::vector<IntPoint>& hull) {
    FarthestPair best;
    if (hull.empty()) return best;
    best.a = best.b = hull.front();
    int64_t bestSquared = 0;
    for (size_t i = 0; i < hull.size(); ++i)
        for (size_t j = i + 1; j < hull.size(); ++j) {
            const int64_t dx = hull[i].x - hull[j].x;
            const int64_t dy = hull[i].y - hull[j].y;
            if (dx * dx + dy * dy > bestSquared) {
                bestSquared = dx * dx + dy * dy;
                best.a = hull[i];
                best.b = hull[j];
            }
        }
    best.distance = std::sqrt(static_cast<double>(bestSquared));
    return best;
}

std::vector<uint8_t> digitalConvexHull(const ShapeRegion& region) {
    std::vector<uint8_t> image(region.inside.size(), 0);
    if (region.empty()) return image;
    // Doubled mask coordinates keep every side midpoint an integer. Only the
    // first and last pixel of each row can be hull vertices.
    std::vector<IntPoint> points;
    for (int32_t my = 0; my < region.height; ++my) {
        int32_t first = -1, last = -1;
        for (int32_t mx = 0; mx < region.width; ++mx)
            if (region.inside[region.index(mx, my)]) {
                if (first < 0) first = mx;
                last = mx;
            }
        if (first < 0) continue;
        for (int32_t mx : {first, last}) {
            const int64_t x = 2 * int64_t{mx}, y = 2 * int64_t{my};
            points.push_back({x - 1, y});
            points.push_back({x + 1, y});
            points.push_back({x, y - 1});
            points.push_back({x, y + 1});
        }
    }
    const std::vector<IntPoint> hull = convexHull(std::move(points));
    // Row by row, the centres (2 mx, 2 my) on the left of or on every edge
    // form one run of columns; its ends follow exactly from the edges.
    for (int32_t my = 0; my < region.height; ++my) {
        const int64_t y = 2 * int64_t{my};
        int64_t low = 0, high = 2 * int64_t{region.width - 1};
        for (size_t i = 0; i < hull.size() && low <= high; ++i) {
            const IntPoint& a = hull[i];
            const IntPoint& b = hull[(i + 1) % hull.size()];
            // cross(a, b, c) >= 0  <=>  dy (c.x - a.x) <= dx (y - a.y)
            const int64_t dx = b.x - a.x, dy = b.y - a.y, rhs = dx * (y - a.y);
            if (dy > 0)
                high = std::min(high, a.x + floorDiv(rhs, dy));
            else if (dy < 0)
                low = std::max(low, a.x + ceilDiv(rhs, dy));
            else if (rhs < 0)
                low = high + 1;
        }
        for (int64_t x = (low + 1) / 2 * 2; x <= high; x += 2)
            if (x >= 0) image[region.index(static_cast<int32_t>(x / 2), my)] = 1;
    }
    return image;
}

double convexFeretDiameter(const ShapeRegion& region, const std::vector<uint8_t>& convexImage) {
    std::vector<IntPoint> midpoints;
    for (int32_t my = 0; my < region.height; ++my)
        for (int32_t mx = 0; mx < region.width; ++mx) {
            if (!convexImage[region.index(mx, my)]) continue;
            const int64_t x = 2 * int64_t{mx}, y = 2 * int64_t{my};
            auto outside = [&](int32_t nx, int32_t ny) {
                return nx < 0 || ny < 0 || nx >= region.width || ny >= region.height ||
                       !convexImage[region.index(nx, ny)];
            };
            if (outside(mx - 1, my)) midpoints.push_back({x - 1, y});
            if (outside(mx + 1, my)) midpoints.push_back({x + 1, y});
            if (outside(mx, my - 1)) midpoints.push_back({x, y - 1});
            if (outside(mx, my + 1)) midpoints.push_back({x, y + 1});
        }
    return farthestPair(convexHull(std::move(midpoints))).distance * 0.5;
}
