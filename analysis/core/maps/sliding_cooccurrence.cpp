#include "analysis/core/maps/sliding_cooccurrence.h"

#include <algorithm>
#include <bit>
#include <cmath>

SlidingCooccurrence::SlidingCooccurrence(const uint16_t* levels, int32_t width, int32_t height,
                                         int32_t levelCount, int32_t windowWidth,
                                         int32_t windowHeight, Displacement displacement)
    : levels_(levels),
      width_(width),
      g_(std::clamp(levelCount, 2, 256)),
      shift_(std::countr_zero(static_cast<uint32_t>(std::bit_ceil(static_cast<uint32_t>(g_))))),
      windowWidth_(windowWidth),
      windowHeight_(windowHeight),
      d_(displacement) {
    (void)height;
    g_ = 1 << shift_;
    rowFirst_ = std::max(d_.dy, 0);
    rowLast_ = windowHeight_ - 1 + std::min(d_.dy, 0);
    columnFirst_ = std::max(-d_.dx, 0);
    columnLast_ = windowWidth_ - 1 - std::max(d_.dx, 0);
    const int64_t pairs = rowLast_ >= rowFirst_ && columnLast_ >= columnFirst_
                              ? int64_t{rowLast_ - rowFirst_ + 1} * (columnLast_ - columnFirst_ + 1)
                              : 0;
    n_ = static_cast<double>(2 * pairs);
    entropyTerms_.resize(static_cast<size_t>(2 * pairs) + 1, 0.0);
    for (size_t c = 1; c < entropyTerms_.size(); ++c) {
        const double p = static_cast<double>(c) / n_;
        entropyTerms_[c] = p * std::log10(p);
    }
    const size_t cellCount = static_cast<size_t>(g_) * static_cast<size_t>(g_);
    cells_.assign(cellCount, 0);
    occupied_.assign((cellCount + 63) / 64, 0);
    summary_.assign((occupied_.size() + 63) / 64, 0);
}

void SlidingCooccurrence::reset() {
    for (size_t s = 0; s < summary_.size(); ++s)
        for (uint64_t words = summary_[s]; words != 0; words &= words - 1) {
            const size_t w = s * 64 + static_cast<size_t>(std::countr_zero(words));
            for (uint64_t bits = occupied_[w]; bits != 0; bits &= bits - 1)
                cells_[w * 64 + static_cast<size_t>(std::countr_zero(bits))] = 0;
            occupied_[w] = 0;
        }
    std::fill(summary_.begin(), summary_.end(), 0);
    margins_.fill(0);
    sums_.fill(0);
    differences_.fill(0);
    squares_ = 0;
    products_ = 0;
    levelMoment_ = sumMoment_ = differenceMoment_ = contrast_ = 0;
}

// One pair of levels (a, b) enters (sign 1) or leaves (sign -1) the
// symmetric matrix: [a][b] and [b][a] each change by one, so a diagonal
// cell of the triangle changes by 2 and another one by 1.
void SlidingCooccurrence::count(uint32_t a, uint32_t b, int sign) {
    // Written without branches on the data: on noisy windows whether a cell
    // empties or fills is a coin toss.
    const uint32_t i = std::min(a, b), j = std::max(a, b);
    const size_t cell = (static_cast<size_t>(i) << shift_) + j;
    const int64_t diagonal = i == j ? 1 : 0;
    const int64_t copies = 2 - diagonal;
    const int64_t before = cells_[cell];
    const int64_t after = before + sign * (1 + diagonal);
    cells_[cell] = static_cast<uint32_t>(after);
    squares_ += copies * (after * after - before * before);
    const uint64_t bit = uint64_t{1} << (cell & 63);
    uint64_t& word = occupied_[cell >> 6];
    word = (word & ~bit) | (after != 0 ? bit : 0);
    const uint64_t wordBit = uint64_t{1} << ((cell >> 6) & 63);
    uint64_t& summary = summary_[cell >> 12];
    summary = (summary & ~wordBit) | (word != 0 ? wordBit : 0);
    margins_[a] += sign;
    margins_[b] += sign;
    sums_[a + b] += 2 * sign;
    differences_[j - i] += 2 * sign;
    products_ += 2 * sign * static_cast<int64_t>((a + 1) * (b + 1));
    levelMoment_ += sign * static_cast<int64_t>(a + b + 2);
    sumMoment_ += 2 * sign * static_cast<int64_t>(a + b + 2);
    differenceMoment_ += 2 * sign * static_cast<int64_t>(j - i + 1);
    contrast_ += 2 * sign * static_cast<int64_t>((j - i) * (j - i));
}

void SlidingCooccurrence::addColumn(int32_t x, int sign) {
    const int32_t partnerOffset = d_.dx - d_.dy * width_;
    for (int32_t y = y0_ + rowFirst_; y <= y0_ + rowLast_; ++y) {
        const size_t idx =
            static_cast<size_t>(y) * static_cast<size_t>(width_) + static_cast<size_t>(x);
        count(levels_[idx], levels_[static_cast<size_t>(static_cast<int64_t>(idx) + partnerOffset)],
              sign);
    }
}

void SlidingCooccurrence::moveTo(int32_t x0, int32_t y0) {
    if (n_ == 0) return;
    // Columns of pixels whose pair lies in the window: [x0 + first, x0 + last].
    int32_t from = x0 + columnFirst_, to = x0 + columnLast_;
    if (x0_ < 0 || y0 != y0_ || x0 < x0_) {
        if (x0_ >= 0) reset();
        x0_ = x0;
        y0_ = y0;
        for (int32_t x = from; x <= to; ++x) addColumn(x, 1);
        return;
    }
    const int32_t oldFrom = x0_ + columnFirst_, oldTo = x0_ + columnLast_;
    for (int32_t x = oldFrom; x <= std::min(oldTo, from - 1); ++x) addColumn(x, -1);
    for (int32_t x = std::max(from, oldTo + 1); x <= to; ++x) addColumn(x, 1);
    x0_ = x0;
}

CooccurrenceFeatures SlidingCooccurrence::evaluate(uint32_t wanted) const {
    // The distributions are kept as integers, so they are those of the
    // window's matrix whatever the order of the moves. Only the entropy needs
    // the cells one by one, in ascending order of the triangle, as the
    // matrix lists them.
    if (n_ == 0) return {};
    const uint32_t mask = static_cast<uint32_t>(g_) - 1;
    CooccurrenceDistributions d;
    d.n = n_;
    for (size_t s = 0; (wanted & (1u << kEntropy)) != 0 && s < summary_.size(); ++s)
        for (uint64_t words = summary_[s]; words != 0; words &= words - 1) {
            const size_t w = s * 64 + static_cast<size_t>(std::countr_zero(words));
            for (uint64_t bits = occupied_[w]; bits != 0; bits &= bits - 1) {
                const size_t cell = w * 64 + static_cast<size_t>(std::countr_zero(bits));
                const uint32_t i = static_cast<uint32_t>(cell >> shift_);
                const uint32_t j = static_cast<uint32_t>(cell) & mask;
                const uint32_t copies = i == j ? 1 : 2;
                d.entropy += copies * entropyTerms_[cells_[cell]];
            }
        }
    d.squares = static_cast<double>(squares_);
    d.products = static_cast<double>(products_);
    d.levelMoment = static_cast<double>(levelMoment_);
    d.sumMoment = static_cast<double>(sumMoment_);
    d.differenceMoment = static_cast<double>(differenceMoment_);
    d.contrast = static_cast<double>(contrast_);
    d.lowest = 0;
    d.highest = g_ - 1;
    while (d.lowest < d.highest && margins_[static_cast<size_t>(d.lowest)] == 0) ++d.lowest;
    while (d.highest > d.lowest && margins_[static_cast<size_t>(d.highest)] == 0) --d.highest;
    d.margins = margins_.data();
    d.sums = sums_.data();
    d.differences = differences_.data();
    return cooccurrenceFromDistributions(
        d, [this](int64_t c) { return entropyTerms_[static_cast<size_t>(c)]; }, wanted);
}
