// 3D co-occurrence: symmetric matrices of the requantised levels of voxel
// pairs at a displacement. Their features are the family's
// (analysis/core/texture/cooccurrence_features.h), summed cell by cell.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/core/texture/cooccurrence_features.h"
#include "volume/core/texture3d/voi_grid.h"

// The neighbour of voxel (x, y, z) is (x + a, y - b, z + c): b counts upwards.
struct Direction3 {
    int32_t a = 0, b = 0, c = 0;
};

// (d,0,0), (0,d,0), (d,d,0), (d,-d,0), (0,0,d); with more directions also
// (d,0,d), (0,d,d), (d,d,d), (d,-d,d), (d,0,-d), (0,d,-d), (d,d,-d), (d,-d,-d).
std::vector<Direction3> cooccurrenceDirections3D(int32_t d, bool moreDirections);

// "_VolumeS(a,b,c)" and "S(a,b,c)" + the feature's name.
std::string volumePairCountName(Direction3 dir);
std::string volumeCooccurrenceFeatureName(Direction3 dir, int feature);

// The N x N matrix (N = 2^bits) of one direction over the grid's levels
// (kOutsideVoi outside the VOI): for each voxel p of the box whose neighbour
// p' lies in the box, both in the VOI, M[q(p')][q(p)] and M[q(p)][q(p')] go
// up by one. Stops early, returning false, when `cancel` is set.
bool volumeCooccurrenceMatrix(const VoiGrid& grid, const std::vector<uint16_t>& levels, int bits,
                              Direction3 dir, CooccurrenceMatrix& matrix,
                              const std::atomic<bool>* cancel = nullptr);

// The features of the matrix, each cell's share summed in turn (stored 3D
// reports hold the bits of that order); all zero when the matrix is empty.
inline CooccurrenceFeatures volumeCooccurrenceFeatures(const CooccurrenceMatrix& matrix) {
    return evaluateCooccurrence(matrix, CooccurrenceSummation::Cells);
}
