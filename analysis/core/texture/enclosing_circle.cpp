#include "analysis/core/texture/enclosing_circle.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

struct P {
    double x, y;
};

// Points on the circle's rim count as inside up to rounding.
bool holds(const Circle& c, const P& p) {
    return std::hypot(p.x - c.x, p.y - c.y) <= c.radius * (1 + 1e-12) + 1e-12;
}

Circle fromTwo(const P& a, const P& b) {
    return {(a.x + b.x) / 2, (a.y + b.y) / 2, std::hypot(a.x - b.x, a.y - b.y) / 2};
}

Circle fromThree(const P& a, const P& b, const P& c) {
    const double bx = b.x - a.x, by = b.y - a.y, cx = c.x - a.x, cy = c.y - a.y;
    const double d = 2 * (bx * cy - by * cx);
    if (d == 0) {  // collinear: the two farthest apart
        Circle best = fromTwo(a, b);
        for (const Circle& k : {fromTwo(a, c), fromTwo(b, c)})
            if (k.radius > best.radius) best = k;
        return best;
    }
    const double b2 = bx * bx + by * by, c2 = cx * cx + cy * cy;
    const double ux = (cy * b2 - by * c2) / d, uy = (bx * c2 - cx * b2) / d;
    return {a.x + ux, a.y + uy, std::hypot(ux, uy)};
}

}  // namespace

Circle smallestEnclosingCircle(const std::vector<IntPoint>& points) {
    if (points.empty()) return {};
    std::vector<P> p;
    p.reserve(points.size());
    for (const IntPoint& q : points)
        p.push_back({static_cast<double>(q.x), static_cast<double>(q.y)});
    // A fixed seed: the same points always give the same circle.
    std::mt19937 random(12345u);
    std::shuffle(p.begin(), p.end(), random);
    Circle c{p[0].x, p[0].y, 0};
    for (size_t i = 1; i < p.size(); ++i) {
        if (holds(c, p[i])) continue;
        c = {p[i].x, p[i].y, 0};
        for (size_t j = 0; j < i; ++j) {
            if (holds(c, p[j])) continue;
            c = fromTwo(p[i], p[j]);
            for (size_t k = 0; k < j; ++k)
                if (!holds(c, p[k])) c = fromThree(p[i], p[j], p[k]);
        }
    }
    return c;
}
