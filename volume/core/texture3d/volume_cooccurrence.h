// 3D co-occurrence: symmetric matrices of the requantised levels of voxel
// pairs at a displacement, and the 11 features computed from each.
#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "volume/core/texture3d/voi_grid.h"

inline constexpr int kVolumeComFeatures = 11;
inline constexpr std::array<std::string_view, kVolumeComFeatures> kVolumeComNames = {
    "AngScMom", "Contrast", "Correlat", "SumOfSqs", "InvDfMom", "SumAverg",
    "SumVarnc", "SumEntrp", "Entropy",  "DifVarnc", "DifEntrp"};

// The neighbour of voxel (x, y, z) is (x + a, y - b, z + c): b counts upwards.
struct Direction3 {
    int32_t a = 0, b = 0, c = 0;
};

// (d,0,0), (0,d,0), (d,d,0), (d,-d,0), (0,0,d); with more directions also
// (d,0,d), (0,d,d), (d,d,d), (d,-d,d), (d,0,-d), (0,d,-d), (d,d,-d), (d,-d,-d).
std::vector<Direction3> cooccurrenceDirections3D(int32_t d, bool moreDirections);

// "_VolumeS(a,b,c)" and "S(a,b,c)" + the feature's name.
std::string volumePairCountName(Direction3 dir);
std::string volumeComFeatureName(Direction3 dir, int feature);

struct VolumeComResult {
    double pairCount = 0;  // R, twice the number of pairs
    std::array<double, kVolumeComFeatures> values{};
};

// The N x N matrix (N = 2^bits) of one direction over the grid's levels
// (kOutsideVoi outside the VOI): for each voxel p of the box whose neighbour
// p' lies in the box, both in the VOI, M[q(p')][q(p)] and M[q(p)][q(p')] go
// up by one. Stops early, returning false, when `cancel` is set.
bool volumeCooccurrenceMatrix(const VoiGrid& grid, const std::vector<uint16_t>& levels, int bits,
                              Direction3 dir, std::vector<uint32_t>& matrix,
                              const std::atomic<bool>* cancel = nullptr);

// With p = M / R, rows i and columns j counted from 0:
//   AngScMom = sum p^2            Contrast = sum (i - j)^2 p
//   mx = sum (j + 1) p, my = sum (i + 1) p,
//   vx = sum (mx - j - 1)^2 p, vy = sum (my - i - 1)^2 p
//   Correlat = (sum (i + 1)(j + 1) p - mx my) / D,  D = sqrt(vx vy) (1e-20 when vx vy <= 1e-20)
//   SumOfSqs = vy                 InvDfMom = sum p / ((i - j)^2 + 1)
//   P+(k) = sum_j M[j][k - j]:  SumAverg S = sum (k + 2) P+/R,
//     SumVarnc = sum (k + 2 - S)^2 P+/R,  SumEntrp = -sum P+/R log10(P+/R)
//   Entropy = -sum p log10 p
//   P-(0) = sum M[m][m], P-(l) = sum M[m][m+l] + M[m+l][m]:  E = sum (l + 1) P-/R,
//     DifVarnc = sum (l + 1 - E)^2 P-/R,  DifEntrp = -sum P-/R log10(P-/R)
// All zero when R = 0.
VolumeComResult volumeCooccurrenceFeatures(const std::vector<uint32_t>& matrix, int bits);
