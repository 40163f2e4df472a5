#include "analysis/core/texture/diameter_profile.h"

#include <cmath>

namespace {

constexpr double kStep = 1.0 / 16;

bool insideAt(const ShapeRegion& region, double x, double y) {
    return region.contains(static_cast<int32_t>(std::floor(x + 0.5)),
                           static_cast<int32_t>(std::floor(y + 0.5)));
}

// How far the ROI reaches along (nx, ny) from (x, y): the last sample whose
// pixel is in the ROI, plus half a step (the edge lies between it and the next).
double reach(const ShapeRegion& region, double x, double y, double nx, double ny) {
    double last = 0;
    // The mask is finite: past its diagonal every step is outside.
    const double limit = std::hypot(region.width, region.height) + 1;
    for (int i = 1; i * kStep <= limit; ++i) {
        const double s = i * kStep;
        if (!insideAt(region, x + s * nx, y + s * ny)) break;
        last = s;
    }
    return last + kStep / 2;
}

}  // namespace

std::array<ProfileSample, kProfilePoints> diameterProfile(const ShapeRegion& region, double x1,
                                                          double y1, double x2, double y2) {
    std::array<ProfileSample, kProfilePoints> profile{};
    const double length = std::hypot(x2 - x1, y2 - y1);
    if (region.empty() || length == 0) return profile;
    const double ex = (x2 - x1) / length, ey = (y2 - y1) / length;
    const double nx = -ey, ny = ex;
    for (int k = 1; k <= kProfilePoints; ++k) {
        const double t = k / double(kProfilePoints + 1);
        const double cx = x1 + t * (x2 - x1), cy = y1 + t * (y2 - y1);
        if (!insideAt(region, cx, cy)) continue;
        ProfileSample& sample = profile[static_cast<size_t>(k - 1)];
        sample.left = reach(region, cx, cy, nx, ny);
        sample.width = sample.left + reach(region, cx, cy, -nx, -ny);
    }
    return profile;
}
