#include "analysis/core/texture/run_length_features.h"

void RunLengthMatrix::prepare(int32_t levels, int32_t maxLength) {
    levels = std::clamp(levels, 2, 256);
    maxLength = std::max(maxLength, 1);
    if (levels == levels_ && maxLength == maxLength_) {
        clear();
        return;
    }
    levels_ = levels;
    maxLength_ = maxLength;
    cells_.assign(static_cast<size_t>(levels) * maxLength, 0);
    longest_ = 0;
    lowest_ = 0;
    highest_ = -1;
}

void RunLengthMatrix::clear() {
    if (lowest_ <= highest_)
        for (int32_t k = 0; k < longest_; ++k) {
            uint32_t* row = cells_.data() + static_cast<size_t>(k) * levels_;
            std::fill(row + lowest_, row + highest_ + 1, 0u);
        }
    longest_ = 0;
    lowest_ = 0;
    highest_ = -1;
}

void RunLengthMatrix::noteLengthCounts(int32_t lowest, int32_t highest) {
    lowest = std::max(lowest, 0);
    highest = std::min(highest, levels_ - 1);
    if (lowest > highest) return;
    // The longest run: the last length with a count, searched from the top.
    int32_t longest = 0;
    for (int32_t k = maxLength_ - 1; k >= 0 && longest == 0; --k) {
        const uint32_t* row = cells_.data() + static_cast<size_t>(k) * levels_;
        if (std::any_of(row + lowest, row + highest + 1, [](uint32_t c) { return c != 0; }))
            longest = k + 1;
    }
    if (longest == 0) return;
    for (int32_t k = 0; k + 1 < longest; ++k) {
        uint32_t* row = cells_.data() + static_cast<size_t>(k) * levels_;
        const uint32_t* next = row + levels_;
        for (int32_t q = lowest; q <= highest; ++q) row[q] -= next[q];
    }
    noteLevels(lowest, highest);
    longest_ = std::max(longest_, longest);
}

void RunLengthMatrix::grow(uint32_t length) {
    maxLength_ = static_cast<int32_t>(length);
    cells_.resize(static_cast<size_t>(levels_) * maxLength_, 0);
}

namespace {

// The sums over the inner index are kept per index and squared at the end;
// those over the outer one are squared as each ends. Sums of squared run sums
// go to double: they overflow 32 bits on large regions.
template <bool kByLevel>
std::array<double, kRunLengthFeatureCount> features(const RunLengthMatrix& matrix) {
    std::array<double, kRunLengthFeatureCount> f{};
    const int32_t lowest = matrix.lowestLevel(), highest = matrix.highestLevel();
    if (lowest > highest) return f;
    const int32_t longest = matrix.longest();
    const int32_t outerFirst = kByLevel ? lowest : 0, outerLast = kByLevel ? highest : longest - 1;
    const int32_t innerFirst = kByLevel ? 0 : lowest, innerLast = kByLevel ? longest - 1 : highest;
    std::array<uint64_t, 256> fewInnerSums;  // the levels, without a heap block per window
    std::vector<uint64_t> manyInnerSums;
    uint64_t* innerSums = fewInnerSums.data();
    if (innerLast >= static_cast<int32_t>(fewInnerSums.size())) {
        manyInnerSums.resize(static_cast<size_t>(innerLast) + 1);
        innerSums = manyInnerSums.data();
    }
    std::fill(innerSums + innerFirst, innerSums + innerLast + 1, uint64_t{0});
    uint64_t runs = 0;
    double outerSquares = 0, longEmphasis = 0, shortEmphasis = 0, covered = 0;
    for (int32_t outer = outerFirst; outer <= outerLast; ++outer) {
        uint64_t outerSum = 0;
        for (int32_t inner = innerFirst; inner <= innerLast; ++inner) {
            const int32_t q = kByLevel ? outer : inner, k = kByLevel ? inner : outer;
            const uint32_t c = matrix.at(q, k);
            if (c == 0) continue;
            const double length = k + 1.0;
            outerSum += c;
            innerSums[inner] += c;
            longEmphasis += length * length * c;
            shortEmphasis += c / (length * length);
            covered += length * c;
        }
        runs += outerSum;
        const double os = static_cast<double>(outerSum);
        outerSquares += os * os;
    }
    if (runs == 0) return f;
    double innerSquares = 0;
    for (int32_t inner = innerFirst; inner <= innerLast; ++inner) {
        const double is = static_cast<double>(innerSums[inner]);
        innerSquares += is * is;
    }
    const double s = static_cast<double>(runs);
    f[kRLNonUni] = (kByLevel ? innerSquares : outerSquares) / s;
    f[kGLevNonU] = (kByLevel ? outerSquares : innerSquares) / s;
    f[kLngREmph] = longEmphasis / s;
    f[kShrtREmp] = shortEmphasis / s;
    f[kFraction] = s / covered;
    return f;
}

}  // namespace

std::array<double, kRunLengthFeatureCount> runLengthFeatures(const RunLengthMatrix& matrix,
                                                             RunLengthSummation summation) {
    return summation == RunLengthSummation::ByLevel ? features<true>(matrix)
                                                    : features<false>(matrix);
}
