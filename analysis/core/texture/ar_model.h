// The causal autoregressive texture model of order 4, fitted by least squares
// to the standardised grey levels of a region:
//   z(x, y) = t1 z(x-1, y) + t2 z(x-1, y-1) + t3 z(x, y-1) + t4 z(x+1, y-1) + e
// Its four coefficients and the residual deviation are features.
#pragma once

#include <array>
#include <cstdint>
#include <memory_resource>
#include <string_view>
#include <vector>

#include "workspace/core/image/image_plane.h"

// Record names of the family, in their order.
inline constexpr std::array<std::string_view, 6> kArRecordNames = {"_AreaARM", "Teta1", "Teta2",
                                                                   "Teta3",    "Teta4", "Sigma"};

// Named indices into ArValues, in the order of the names.
enum ArFeature : int { kAreaARM, kTeta1, kTeta2, kTeta3, kTeta4, kSigma };
// With z the grey levels standardised over the region and K the pixels whose
// four causal neighbours lie in the region too:
//   _AreaARM  K
//   Teta1..4  θ = A⁻¹ b,  A = Σ n nᵀ,  b = Σ z(x,y) n,
//             n = (z(x-1,y), z(x-1,y-1), z(x,y-1), z(x+1,y-1))
//   Sigma     sqrt(Σ (z(x,y) − θᵀn)² / K)
// The sums run in two lanes and the variance comes from exact integer sums,
// so the values meet the pixel-by-pixel definition to rounding (1e-12
// relative for a well-conditioned fit), not to the bit.
// The six values of one region: K (pixels used), Teta1..Teta4, Sigma; the
// five parameters are +infinity (missing) when the fit is impossible: a
// constant region (K given as 0), or dependent regressors (fewer than 4
// usable pixels among them).
using ArValues = std::array<double, 6>;

// The 4 x 4 solve by cofactors. Returns false, leaving `teta` alone, when the
// determinant is exactly 0.
bool solveByCofactors(const std::array<std::array<double, 4>, 4>& a, const std::array<double, 4>& b,
                      std::array<double, 4>& teta);

// True when the four regressors are linearly independent beyond rounding:
// at least 4 usable pixels, and no regressor a combination of the others to
// within the rounding that K summed products carry. The test is made on A
// scaled to unit diagonal (the regressors' correlations), so it does not
// depend on their scale; a singular system that rounding left with a tiny
// determinant would otherwise give noise for coefficients.
bool regressorsIndependent(const std::array<std::array<double, 4>, 4>& a, int64_t k);

// The fit's solve: false (the parameters missing) when the regressors are
// dependent or the determinant is exactly 0, else the cofactor solve.
bool solveArSystem(const std::array<std::array<double, 4>, 4>& a, const std::array<double, 4>& b,
                   int64_t k, std::array<double, 4>& teta);

// The buffers a fit works in, handed from one fit to the next by the caller
// that owns them, so that fitting many regions does not take fresh pages
// (about 9 bytes a pixel of the box) for each. Each holds what the largest
// fit so far needed; their contents do not carry from one fit to the next.
struct ArScratch {
    // Buffers taken from `memory`.
    explicit ArScratch(std::pmr::memory_resource* memory = std::pmr::get_default_resource())
        : inside(memory), usable(memory), spans(memory), levelZ(memory), band(memory) {}
    struct Span {  // columns [begin, end) of box row y (relative to xmin)
        int32_t y, begin, end;
    };
    std::pmr::vector<uint8_t> inside, usable;
    std::pmr::vector<Span> spans;
    std::pmr::vector<double> levelZ, band;
};

// Fits the model to the pixels of the ROI with bit `roiBit` inside the box
// [xmin, xmax] x [ymin, ymax] (inclusive, clipped to the planes). A region
// without pixels gives six zeros.
ArValues fitArModel(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit, int32_t xmin,
                    int32_t ymin, int32_t xmax, int32_t ymax, ArScratch& scratch);
// The same in buffers of its own.
ArValues fitArModel(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit, int32_t xmin,
                    int32_t ymin, int32_t xmax, int32_t ymax);
