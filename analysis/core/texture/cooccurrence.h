// The co-occurrence family: symmetric grey-level co-occurrence matrices of
// the requantised levels for four displacements per distance, and the 11
// features computed from each.
#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"

inline constexpr int kCooccurrenceFeatureCount = 11;
inline constexpr std::array<std::string_view, kCooccurrenceFeatureCount> kCooccurrenceFeatureNames =
    {"AngScMom", "Contrast", "Correlat", "SumOfSqs", "InvDfMom", "SumAverg",
     "SumVarnc", "SumEntrp", "Entropy",  "DifVarnc", "DifEntrp"};
// Named indices into CooccurrenceFeatures::values, in the order of the names.
enum CooccurrenceFeature : int {
    kAngScMom,
    kContrast,
    kCorrelat,
    kSumOfSqs,
    kInvDfMom,
    kSumAverg,
    kSumVarnc,
    kSumEntrp,
    kEntropy,
    kDifVarnc,
    kDifEntrp
};
// The features of one symmetric matrix M (G levels, i, j = 1..G), with
// N = Σ M(i,j), p(i,j) = M(i,j)/N, p_x(i) = Σ_j p(i,j), p_{x+y}(k) = Σ_{i+j=k} p(i,j),
// p_{x-y}(k) = Σ_{|i-j|=k} p(i,j); μ = Σ i p_x(i), σ² = Σ (i-μ)² p_x(i) (rows and
// columns alike); terms with p = 0 are left out of every log:
//   AngScMom = Σ p(i,j)²
//   Contrast = Σ_k k² p_{x-y}(k)                          (k = 0..G-1)
//   Correlat = (Σ i·j·p(i,j) − μ²) / sqrt(σx²σy²)     (the denominator 1e-20 when σx²σy² ≤ 1e-20)
//   SumOfSqs = σ²                                         (the variance of the margin)
//   InvDfMom = Σ_k p_{x-y}(k) / (1 + k²)
//   SumAverg = Σ_k k p_{x+y}(k)                           (k = 2..2G), written μs
//   SumVarnc = Σ_k (k − μs)² p_{x+y}(k)
//   SumEntrp = −Σ_k p_{x+y}(k) log10 p_{x+y}(k)
//   Entropy  = −Σ p(i,j) log10 p(i,j)
//   DifVarnc = Σ_k (k + 1 − μd)² p_{x-y}(k),  μd = Σ_k (k + 1) p_{x-y}(k)
//   DifEntrp = −Σ_k p_{x-y}(k) log10 p_{x-y}(k)
// The pair-count record "_Area_S(dx,dy)" holds N, twice the number of pairs.
inline constexpr int kCooccurrenceRecordsPerDisplacement = 1 + kCooccurrenceFeatureCount;
inline constexpr int kCooccurrenceRecordsPerDistance = 4 * kCooccurrenceRecordsPerDisplacement;
inline constexpr int kCooccurrenceDistances = 5;

// The partner of pixel (x, y) is (x + dx, y - dy): a positive dy points up.
struct Displacement {
    int32_t dx = 0;
    int32_t dy = 0;
};

// (d, 0), (0, d), (d, d), (d, -d): the order of the records of a distance.
std::array<Displacement, 4> cooccurrenceDisplacements(int32_t distance);

// "_Area_S(dx,dy)", the record of the pair count N.
std::string cooccurrencePairCountName(Displacement displacement);
// "S(dx,dy)" + the feature's name, for example "S(1,-1)Contrast".
std::string cooccurrenceFeatureName(Displacement displacement, int feature);

// Whether distance d (1..5) is switched on (Do_vt1..Do_vt5).
bool cooccurrenceDistanceOn(const AnalysisOptions& options, int32_t distance);

// G x G pair counts, G = 2^bits, symmetric: a pair of levels (a, b) counts in
// cell [a][b] and in cell [b][a]. Since the matrix is symmetric only the
// upper triangle is kept (cell [i][j] with i <= j at i * G + j); the non-zero
// cells of the triangle are listed in ascending order, so the features and
// clearing visit only those.
class CooccurrenceMatrix {
  public:
    // An empty G x G matrix (G brought into 2..256).
    void prepare(int32_t levels);
    int32_t levels() const { return levels_; }
    uint32_t at(int32_t i, int32_t j) const {
        return i <= j ? cells_[static_cast<size_t>(i) * levels_ + j]
                      : cells_[static_cast<size_t>(j) * levels_ + i];
    }
    // N: the sum of all cells of the full matrix, twice the number of pairs.
    uint64_t total() const { return total_; }
    // Indices i * G + j (i <= j) of the non-zero cells of the triangle, ascending.
    std::span<const uint32_t> occupied() const { return {occupied_.data(), occupiedCount_}; }
    // Zeroes the non-zero cells.
    void clear();

    // Builders count one-sided into the full G x G block: a pair whose first
    // pixel has level a and whose partner has level b adds 1 to [a][b]
    // (at a * G + b). They then state the levels lowest..highest that they
    // may have counted; noteCounted adds in `more` (a second block counted the
    // same way, which it zeroes), folds the block onto the triangle and lists
    // the non-zero cells. The matrix must be clear before counting.
    uint32_t* cells() { return cells_.data(); }
    void noteCounted(int32_t lowest, int32_t highest, uint32_t* more = nullptr);

  private:
    int32_t levels_ = 0;
    std::vector<uint32_t> cells_;
    std::vector<uint32_t> occupied_;  // capacity for the whole triangle
    size_t occupiedCount_ = 0;
    uint64_t total_ = 0;
};

// The matrix of one region for one displacement: pixels (x, y) of rect
// (clipped to the image) whose partner (x + dx, y - dy) lies in rect, both
// in the region (roi 0..15, or kEveryPixel). The matrix is prepared for the
// table's levels.
void buildCooccurrenceMatrix(const TextureContext& context, const PixelRect& rect, int roi,
                             const LevelTable& levels, Displacement displacement,
                             CooccurrenceMatrix& matrix);

struct CooccurrenceFeatures {
    double pairCount = 0;                                    // N
    std::array<double, kCooccurrenceFeatureCount> values{};  // order of kCooccurrenceFeatureNames
};

// The features of a matrix, with p(i, j) = M[i][j] / N and levels counted
// from 1 where a mean is formed; all 0 for an empty matrix.
CooccurrenceFeatures evaluateCooccurrence(const CooccurrenceMatrix& matrix);

// 48 per enabled distance when the family is on (options sanitized), else 0.
int cooccurrenceRecordCount(const AnalysisOptions& options);

// For each enabled distance in increasing order and its four displacements:
// the pair-count record and the 11 feature records, for all 16 ROIs (levels of
// Ng_vt bits, normalised by the ROI's limits when Do_normal is on; options are
// sanitized first). Each displacement's 16 matrices come from one pass over
// the image. distanceDone, when given, is called after each distance. Returns
// false when memory runs out; the distances finished before stay appended.
bool appendCooccurrenceRecords(const TextureContext& context, const RoiStatisticsTable& statistics,
                               const AnalysisOptions& options, std::vector<FeatureRecord>& out,
                               const std::function<void(int32_t distance)>& distanceDone = {});
