// Thicknesses of a shape across its longest diameter: at 13 evenly spaced
// points of the diameter, how far the shape reaches on either side of it,
// measured along the perpendicular.
#pragma once

#include <array>

#include "analysis/core/texture/shape_region.h"

inline constexpr int kProfilePoints = 13;

struct ProfileSample {
    double width = 0;  // a(k): the whole run of the shape across the diameter
    double left = 0;   // b(k): the part on the left of the diameter
};

// The diameter runs from (x1, y1) to (x2, y2) (pixel centres, image
// coordinates). Point k = 1..13 is c = P1 + k/14 (P2 - P1); n is the unit
// normal (-e_y, e_x) of the unit direction e. From c the perpendicular is
// walked in steps of 1/16 pixel in +n ("left") and -n while the nearest
// pixel is in the ROI; the reach is the last such distance plus half a step;
// b = the reach along +n, r = along -n, a = b + r (a one-pixel line is about
// 1 thick). A point whose own pixel is outside the ROI gives a = b = 0, as
// does a diameter of length 0.
std::array<ProfileSample, kProfilePoints> diameterProfile(const ShapeRegion& region, double x1,
                                                          double y1, double x2, double y2);
