#include "analysis/core/texture/distance_transform.h"

#include <cmath>
#include <limits>

namespace {

// Squared distances of one line: d[q] = min_p (q - p)^2 + f[p].
void envelope(const std::vector<double>& f, std::vector<double>& d, std::vector<int>& v,
              std::vector<double>& z) {
    const int n = static_cast<int>(f.size());
    constexpr double kInf = std::numeric_limits<double>::infinity();
    int k = -1;
    for (int q = 0; q < n; ++q) {
        if (f[static_cast<size_t>(q)] == kInf) continue;
        while (k >= 0) {
            const int p = v[static_cast<size_t>(k)];
            const double s = ((f[static_cast<size_t>(q)] + double(q) * q) -
                              (f[static_cast<size_t>(p)] + double(p) * p)) /
                             (2.0 * q - 2.0 * p);
            if (s <= z[static_cast<size_t>(k)]) {
                --k;
                continue;
            }
            ++k;
            v[static_cast<size_t>(k)] = q;
            z[static_cast<size_t>(k)] = s;
            z[static_cast<size_t>(k) + 1] = kInf;
            break;
        }
        if (k < 0) {
            k = 0;
            v[0] = q;
            z[0] = -kInf;
            z[1] = kInf;
        }
    }
    if (k < 0) {
        for (int q = 0; q < n; ++q) d[static_cast<size_t>(q)] = kInf;
        return;
    }
    int j = 0;
    for (int q = 0; q < n; ++q) {
        while (z[static_cast<size_t>(j) + 1] < q) ++j;
        const int p = v[static_cast<size_t>(j)];
        d[static_cast<size_t>(q)] = double(q - p) * (q - p) + f[static_cast<size_t>(p)];
    }
}

}  // namespace

std::vector<double> distanceTransform(const ShapeRegion& region) {
    std::vector<double> out(region.inside.size(), 0.0);
    if (region.empty()) return out;
    constexpr double kInf = std::numeric_limits<double>::infinity();
    const int32_t w = region.width, h = region.height;
    for (size_t i = 0; i < out.size(); ++i) out[i] = region.inside[i] ? kInf : 0.0;
    const size_t longest = static_cast<size_t>(std::max(w, h));
    std::vector<double> f(longest), d(longest), z(longest + 1);
    std::vector<int> v(longest);
    f.resize(static_cast<size_t>(h));
    d.resize(static_cast<size_t>(h));
    for (int32_t x = 0; x < w; ++x) {
        for (int32_t y = 0; y < h; ++y) f[static_cast<size_t>(y)] = out[region.index(x, y)];
        envelope(f, d, v, z);
        for (int32_t y = 0; y < h; ++y) out[region.index(x, y)] = d[static_cast<size_t>(y)];
    }
    f.resize(static_cast<size_t>(w));
    d.resize(static_cast<size_t>(w));
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) f[static_cast<size_t>(x)] = out[region.index(x, y)];
        envelope(f, d, v, z);
        for (int32_t x = 0; x < w; ++x)
            out[region.index(x, y)] =
                region.inside[region.index(x, y)] ? std::sqrt(d[static_cast<size_t>(x)]) : 0.0;
    }
    return out;
}
