#include "analysis/core/texture/cooccurrence_features.h"

#include <algorithm>
#include <bit>

void CooccurrenceMatrix::prepare(int32_t levels) {
    levels = std::clamp(levels, 2, 256);
    if (levels == levels_ && !cells_.empty()) {
        clear();
        return;
    }
    levels_ = levels;
    cells_.assign(static_cast<size_t>(levels) * levels, 0);
    occupied_.assign(static_cast<size_t>(levels) * (levels + 1) / 2, 0);
    occupiedCount_ = 0;
    total_ = 0;
}

void CooccurrenceMatrix::clear() {
    for (uint32_t cell : occupied()) cells_[cell] = 0;
    occupiedCount_ = 0;
    total_ = 0;
}

void CooccurrenceMatrix::release() {
    cells_.clear();
    cells_.shrink_to_fit();
    occupied_.clear();
    occupied_.shrink_to_fit();
    occupiedCount_ = 0;
    total_ = 0;
}

void CooccurrenceMatrix::noteCounted(int32_t lowest, int32_t highest, uint32_t* more) {
    lowest = std::max(lowest, 0);
    highest = std::min(highest, levels_ - 1);
    occupiedCount_ = 0;
    total_ = 0;
    if (lowest > highest) return;
    const size_t g = static_cast<size_t>(levels_);
    uint32_t* cells = cells_.data();
    if (more != nullptr)
        for (int32_t i = lowest; i <= highest; ++i)
            for (int32_t j = lowest; j <= highest; ++j) {
                cells[i * g + j] += more[i * g + j];
                more[i * g + j] = 0;
            }
    // [i][j] + [j][i] onto the triangle; in blocks, so that the transposed
    // reads stay in cache at 256 levels. The diagonal is its own mirror.
    constexpr int32_t kBlock = 32;
    for (int32_t bi = lowest; bi <= highest; bi += kBlock) {
        const int32_t ei = std::min(bi + kBlock - 1, highest);
        for (int32_t bj = bi; bj <= highest; bj += kBlock) {
            const int32_t ej = std::min(bj + kBlock - 1, highest);
            for (int32_t i = bi; i <= ei; ++i) {
                uint32_t* upper = cells + i * g;
                for (int32_t j = std::max(bj, i + 1); j <= ej; ++j) {
                    upper[j] += cells[j * g + i];
                    cells[j * g + i] = 0;
                }
            }
        }
    }
    // The list of non-zero cells, written without branching on each cell.
    uint32_t* listed = occupied_.data();
    uint64_t total = 0;
    for (int32_t i = lowest; i <= highest; ++i) {
        uint32_t* row = cells + i * g;
        row[i] *= 2;
        total += row[i];
        *listed = static_cast<uint32_t>(i * g + i);
        listed += row[i] != 0 ? 1 : 0;
        uint64_t offDiagonal = 0;
        for (int32_t j = i + 1; j <= highest; ++j) {
            offDiagonal += row[j];
            *listed = static_cast<uint32_t>(i * g + j);
            listed += row[j] != 0 ? 1 : 0;
        }
        total += 2 * offDiagonal;
    }
    occupiedCount_ = static_cast<size_t>(listed - occupied_.data());
    total_ = total;
}

namespace {

// p log10 p for p = count / n, remembered per count for one matrix: most
// cells hold small counts, and equal counts give equal terms.
class EntropyTerms {
  public:
    explicit EntropyTerms(double n) : n_(n) {
        if (++generation_ == 0) {  // wrapped: forget every stamp
            stamps_.fill(0);
            generation_ = 1;
        }
    }
    double operator()(uint32_t count) {
        if (count >= kRemembered) return term(count);
        if (stamps_[count] != generation_) {
            stamps_[count] = generation_;
            terms_[count] = term(count);
        }
        return terms_[count];
    }

  private:
    double term(uint32_t count) const {
        const double p = count / n_;
        return p * std::log10(p);
    }
    static constexpr uint32_t kRemembered = 4096;
    double n_;
    static thread_local inline std::array<uint32_t, kRemembered> stamps_{};
    static thread_local inline std::array<double, kRemembered> terms_{};
    static thread_local inline uint32_t generation_ = 0;
};

CooccurrenceFeatures byDistributions(const CooccurrenceMatrix& matrix) {
    const double n = static_cast<double>(matrix.total());
    const int32_t g = matrix.levels();
    const int shift = std::countr_zero(static_cast<uint32_t>(g));
    const uint32_t mask = static_cast<uint32_t>(g) - 1;

    // One pass over the non-zero cells of the triangle gathers the sums that
    // need single cells, a cell off the diagonal standing for itself and its
    // mirror, and the distributions, whose counts add up exactly in integers.
    // Squares of counts go to double: a large constant region overflows 32 bits.
    CooccurrenceDistributions d;
    d.n = n;
    EntropyTerms entropyTerm(n);
    // Row and column sums of a symmetric matrix are the same margins.
    std::array<int64_t, 256> margins{}, differences{};
    std::array<int64_t, 2 * 256 - 1> sums{};
    uint32_t row = matrix.occupied().empty() ? 0 : matrix.occupied().front() >> shift;
    int64_t rowSum = 0;  // margin of the current row, kept out of memory
    for (uint32_t cell : matrix.occupied()) {
        const uint32_t i = cell >> shift, j = cell & mask;
        const uint32_t count = matrix.at(static_cast<int32_t>(i), static_cast<int32_t>(j));
        const double c = count;
        const uint32_t copies = i == j ? 1 : 2;
        d.squares += copies * (c * c);
        d.products += copies * (static_cast<double>((i + 1) * (j + 1)) * c);  // exact below 2^53
        d.entropy += copies * entropyTerm(count);
        if (i != row) {
            margins[row] += rowSum;
            row = i;
            rowSum = 0;
        }
        rowSum += count;
        if (i != j) margins[j] += count;
        sums[i + j] += copies * int64_t{count};
        differences[j - i] += copies * int64_t{count};
    }
    margins[row] += rowSum;
    for (int32_t k = 0; k < g; ++k) {
        d.levelMoment += (k + 1.0) * static_cast<double>(margins[k]);
        d.differenceMoment += (k + 1.0) * static_cast<double>(differences[k]);
        d.contrast += static_cast<double>(k) * k * static_cast<double>(differences[k]);
    }
    for (int32_t k = 0; k <= 2 * g - 2; ++k)
        d.sumMoment += (k + 2.0) * static_cast<double>(sums[k]);
    d.lowest = 0;
    d.highest = g - 1;
    d.margins = margins.data();
    d.sums = sums.data();
    d.differences = differences.data();
    return cooccurrenceFromDistributions(d, [n](int64_t c) {
        if (c == 0) return 0.0;
        const double q = static_cast<double>(c) / n;
        return q * std::log10(q);
    });
}

CooccurrenceFeatures byCells(const CooccurrenceMatrix& matrix) {
    CooccurrenceFeatures r;
    const size_t n = static_cast<size_t>(matrix.levels());
    const double R = static_cast<double>(matrix.total());
    r.pairCount = R;
    const auto at = [&](size_t i, size_t j) {
        return matrix.at(static_cast<int32_t>(i), static_cast<int32_t>(j));
    };
    double asm2 = 0, contrast = 0, ij = 0, mx = 0, my = 0, idm = 0, entropy = 0;
    std::vector<double> sumDist(2 * n - 1, 0.0), difDist(n, 0.0);
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) {
            const uint32_t c = at(i, j);
            if (!c) continue;
            const double p = c / R;
            const double d = static_cast<double>(i) - static_cast<double>(j);
            asm2 += p * p;
            contrast += d * d * p;
            ij += static_cast<double>(i + 1) * static_cast<double>(j + 1) * p;
            mx += static_cast<double>(j + 1) * p;
            my += static_cast<double>(i + 1) * p;
            idm += p / (d * d + 1);
            entropy -= p * std::log10(p);
            sumDist[i + j] += c;
            difDist[i > j ? i - j : j - i] += c;
        }
    double vx = 0, vy = 0;
    for (size_t i = 0; i < n; ++i)
        for (size_t j = 0; j < n; ++j) {
            const uint32_t c = at(i, j);
            if (!c) continue;
            const double p = c / R;
            vx += (mx - static_cast<double>(j) - 1) * (mx - static_cast<double>(j) - 1) * p;
            vy += (my - static_cast<double>(i) - 1) * (my - static_cast<double>(i) - 1) * p;
        }
    double sumAvg = 0, sumEnt = 0;
    for (size_t k = 0; k < sumDist.size(); ++k) {
        if (sumDist[k] == 0) continue;
        const double p = sumDist[k] / R;
        sumAvg += static_cast<double>(k + 2) * p;
        sumEnt -= p * std::log10(p);
    }
    double sumVar = 0;
    for (size_t k = 0; k < sumDist.size(); ++k)
        if (sumDist[k] != 0) {
            const double e = static_cast<double>(k + 2) - sumAvg;
            sumVar += e * e * sumDist[k] / R;
        }
    double difMean = 0, difEnt = 0;
    for (size_t l = 0; l < n; ++l) {
        if (difDist[l] == 0) continue;
        const double p = difDist[l] / R;
        difMean += static_cast<double>(l + 1) * p;
        difEnt -= p * std::log10(p);
    }
    double difVar = 0;
    for (size_t l = 0; l < n; ++l)
        if (difDist[l] != 0) {
            const double e = static_cast<double>(l + 1) - difMean;
            difVar += e * e * difDist[l] / R;
        }
    r.values = {asm2,   contrast, cooccurrenceCorrelation(ij, mx, my, vx, vy),
                vy,     idm,      sumAvg,
                sumVar, sumEnt,   entropy,
                difVar, difEnt};
    return r;
}

}  // namespace

CooccurrenceFeatures evaluateCooccurrence(const CooccurrenceMatrix& matrix,
                                          CooccurrenceSummation summation) {
    if (matrix.total() == 0) return {};
    return summation == CooccurrenceSummation::Cells ? byCells(matrix) : byDistributions(matrix);
}
