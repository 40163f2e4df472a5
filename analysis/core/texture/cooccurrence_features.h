// The co-occurrence family's features: the symmetric matrix every counter
// fills (the 2D engine, the feature maps, the 3D engine), the 11 features of
// a matrix with their names, and the one evaluator from matrix to features.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <memory_resource>
#include <span>
#include <string_view>
#include <vector>

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
// Matrices are stored with 0-based indices; the level of row i is i + 1.
// An empty matrix (N = 0) gives 0 in every feature and in N.
inline constexpr uint32_t kAllCooccurrenceFeatures = (1u << kCooccurrenceFeatureCount) - 1;

struct CooccurrenceFeatures {
    double pairCount = 0;                                    // N
    std::array<double, kCooccurrenceFeatureCount> values{};  // order of kCooccurrenceFeatureNames
};

// G x G pair counts, G = 2^bits, symmetric: a pair of levels (a, b) counts in
// cell [a][b] and in cell [b][a]. Since the matrix is symmetric only the
// upper triangle is kept (cell [i][j] with i <= j at i * G + j); the non-zero
// cells of the triangle are listed in ascending order, so the features and
// clearing visit only those.
class CooccurrenceMatrix {
  public:
    CooccurrenceMatrix() = default;
    // Cells taken from `memory` (the ordinary heap by default).
    explicit CooccurrenceMatrix(std::pmr::memory_resource* memory)
        : cells_(memory), occupied_(memory) {}
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
    // Gives the cells' memory back (prepare makes it again).
    void release();

    // Counters count one-sided into the full G x G block: a pair whose first
    // element has level a and whose partner has level b adds 1 to [a][b]
    // (at a * G + b). They then state the levels lowest..highest that they
    // may have counted; noteCounted adds in `more` (a second block counted the
    // same way, which it zeroes), folds the block onto the triangle and lists
    // the non-zero cells. The matrix must be clear before counting.
    uint32_t* cells() { return cells_.data(); }
    void noteCounted(int32_t lowest, int32_t highest, uint32_t* more = nullptr);

  private:
    int32_t levels_ = 0;
    std::pmr::vector<uint32_t> cells_;
    std::pmr::vector<uint32_t> occupied_;  // capacity for the whole triangle
    size_t occupiedCount_ = 0;
    uint64_t total_ = 0;
};

// The order in which the sums behind the features are formed. The features
// are the same sums either way; stored reports hold the bits of one order,
// so each counter keeps its own.
enum class CooccurrenceSummation {
    // Counts grouped into the margins and the i + j and |i − j| distributions,
    // summed as integers and divided by N once (the 2D engine and the maps).
    Distributions,
    // p = M/N of every cell in turn, rows then columns over the full matrix,
    // then the i + j and |i − j| distributions as fractions (the 3D engine).
    Cells,
};

// The features of a matrix, summed in the given order.
CooccurrenceFeatures evaluateCooccurrence(
    const CooccurrenceMatrix& matrix,
    CooccurrenceSummation summation = CooccurrenceSummation::Distributions);

// Correlat from the mean product Σ (i+1)(j+1) p and the margins' means and
// variances, in either order.
inline double cooccurrenceCorrelation(double meanProduct, double mx, double my, double vx,
                                      double vy) {
    const double denominator = vx * vy > 1e-20 ? std::sqrt(vx * vy) : 1e-20;
    return (meanProduct - mx * my) / denominator;
}

// What the Distributions order reads: the integer distributions of the full
// matrix, their moments and the sums that need single cells, as a counter
// has them. Levels outside lowest..highest have empty margins. The moments
// are sums of integers, exact in a double, so a counter may form them in any
// order: a sliding window keeps them running.
struct CooccurrenceDistributions {
    double n = 0;                          // N
    int32_t lowest = 0;                    // levels that may have a non-empty margin
    int32_t highest = -1;                  //
    const int64_t* margins = nullptr;      // [k], k = 0..G-1 (rows and columns alike)
    const int64_t* sums = nullptr;         // [i + j], 0..2G-2
    const int64_t* differences = nullptr;  // [|i - j|], 0..G-1
    double levelMoment = 0;                // Σ_k (k + 1) margins[k]
    double sumMoment = 0;                  // Σ_k (k + 2) sums[k]
    double differenceMoment = 0;           // Σ_k (k + 1) differences[k]
    double contrast = 0;                   // Σ_k k² differences[k]
    double squares = 0;                    // Σ M(i,j)² over the full matrix
    double products = 0;                   // Σ (i+1)(j+1) M(i,j)
    double entropy = 0;                    // Σ p log10 p over the non-zero cells
};

// The features from the distributions. entropyTerm(c) is p log10 p for
// p = c / N (0 for c = 0). Features whose bit (1 << k) is clear in `wanted`
// may be left at 0 when that saves work. Terms of empty distribution entries
// are +0 and are added without a branch, as on noisy windows whether an
// entry is empty is a coin toss.
template <class EntropyTerm>
CooccurrenceFeatures cooccurrenceFromDistributions(const CooccurrenceDistributions& d,
                                                   EntropyTerm&& entropyTerm,
                                                   uint32_t wanted = kAllCooccurrenceFeatures) {
    CooccurrenceFeatures f;
    if (d.n == 0) return f;
    const double n = d.n;
    const bool margins = (wanted & ((1u << kCorrelat) | (1u << kSumOfSqs))) != 0;
    const bool sums = (wanted & ((1u << kSumVarnc) | (1u << kSumEntrp))) != 0;
    const bool differences =
        (wanted & ((1u << kInvDfMom) | (1u << kDifVarnc) | (1u << kDifEntrp))) != 0;
    const int32_t lowest = d.lowest, highest = d.highest;

    // The margins' mean and variance; rows and columns alike, so mx = my and vx = vy.
    const double mean = d.levelMoment / n;
    double variance = 0;
    for (int32_t k = lowest; margins && k <= highest; ++k) {
        const double e = mean - k - 1;
        variance += e * e * static_cast<double>(d.margins[k]);
    }
    variance /= n;

    const double sumMean = d.sumMoment / n;
    double sumVariance = 0, sumEntropy = 0;
    for (int32_t k = 2 * lowest; sums && k <= 2 * highest; ++k) {
        const int64_t c = d.sums[k];
        const double e = k + 2.0 - sumMean;
        sumVariance += e * e * static_cast<double>(c);
        sumEntropy += entropyTerm(c);
    }

    const double differenceMean = d.differenceMoment / n;
    double inverse = 0, differenceVariance = 0, differenceEntropy = 0;
    for (int32_t k = 0; differences && k <= highest - lowest; ++k) {
        const int64_t c = d.differences[k];
        const double count = static_cast<double>(c);
        const double k2 = static_cast<double>(k) * k;
        inverse += count / (k2 + 1);
        const double e = k + 1.0 - differenceMean;
        differenceVariance += e * e * count;
        differenceEntropy += entropyTerm(c);
    }

    f.pairCount = n;
    f.values = {d.squares / (n * n),
                d.contrast / n,
                cooccurrenceCorrelation(d.products / n, mean, mean, variance, variance),
                variance,
                inverse / n,
                sumMean,
                sumVariance / n,
                -sumEntropy,
                -d.entropy,
                differenceVariance / n,
                -differenceEntropy};
    return f;
}
