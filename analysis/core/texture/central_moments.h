// How the first-order families (histogram, gradient) form their central
// moments. The forms agree in exact arithmetic; stored reports hold the bits
// of one form per engine, so each engine states its own.
#pragma once

enum class FourthPower {
    SquaredSquare,    // (d·d)·(d·d): the 2D engine and the maps
    RepeatedProduct,  // ((d·d)·d)·d: the 3D engine
};

struct MomentRules {
    FourthPower fourthPower = FourthPower::SquaredSquare;
    // Whether values that are all equal have no spread: mean = that value,
    // variance, skewness and kurtosis 0 (the 2D engine), or the moments their
    // rounded sums give (the 3D engine), where summing an irrational value
    // moves the mean off it.
    bool equalValuesHaveNoSpread = true;
};
inline constexpr MomentRules kPlaneMomentRules{FourthPower::SquaredSquare, true};
inline constexpr MomentRules kVolumeMomentRules{FourthPower::RepeatedProduct, false};

// d^4 in the given form.
constexpr double fourthPower(double d, FourthPower form) {
    const double d2 = d * d;
    return form == FourthPower::SquaredSquare ? d2 * d2 : d2 * d * d;
}
