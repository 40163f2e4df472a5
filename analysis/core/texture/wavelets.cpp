#include "analysis/core/texture/wavelets.h"

#include <algorithm>
#include <limits>

#include "analysis/core/texture/grey_histogram.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_records.h"
#include "platform/parallel.h"
#include "platform/textformat.h"

namespace {

constexpr std::array<const char*, 4> kBandNames = {"LL", "LH", "HL", "HH"};

// Rows of a pass handed to one task; fixed, so that the work split and every
// sum do not depend on the number of threads.
constexpr int32_t kRowsPerTask = 32;
constexpr size_t kRowGrain = 32;
constexpr int32_t kColumnsPerStrip = 16;

// Runs task(0), ..., task(tasks - 1) over the thread pool.
template <class Task>
void forEachTask(int tasks, const Task& task) {
    parallelFor(static_cast<size_t>(tasks), 1, [&](size_t begin, size_t end) {
        for (size_t t = begin; t < end; ++t) task(static_cast<int>(t));
    });
}

size_t idx(int32_t x, int32_t y, int32_t stride) {
    return static_cast<size_t>(y) * static_cast<size_t>(stride) + static_cast<size_t>(x);
}

// The levels of every pixel under one mapping.
LargeVector<uint16_t> levelPlane(const TextureContext& context, const LevelMapping& mapping) {
    const size_t count = static_cast<size_t>(context.width) * static_cast<size_t>(context.height);
    LargeVector<uint16_t> plane(count);
    const LevelTable table(mapping, uint32_t{1} << usableBitDepth(context.BitDepth));
    for (size_t i = 0; i < count; ++i) plane[i] = table[context.samples[i]];
    return plane;
}

bool sameMapping(const LevelMapping& a, const LevelMapping& b) {
    if (a.mode != b.mode || a.bits != b.bits || a.bitDepth != b.bitDepth) return false;
    return a.mode == kNormaliseNone ||
           (a.limits.low == b.limits.low && a.limits.high == b.limits.high);
}

}  // namespace

int32_t waveletWorkingSize(int32_t width, int32_t height) {
    const int32_t side = std::max(width, height);
    if (width <= 0 || height <= 0 || side > kWaveletLargestSize) return 0;
    int32_t d = kWaveletSmallestBand;
    while (d < side) d *= 2;
    return d;
}

std::array<int32_t, kWaveletScales> waveletScaleSizes(int32_t workingSize) {
    std::array<int32_t, kWaveletScales> sizes{};
    for (int s = 1; s <= kWaveletScales; ++s) {
        const int32_t n = workingSize >> s;
        if (n < kWaveletSmallestBand) break;
        sizes[static_cast<size_t>(s - 1)] = n;
    }
    return sizes;
}

int waveletScaleCount(int32_t workingSize) {
    const auto sizes = waveletScaleSizes(workingSize);
    return static_cast<int>(
        std::count_if(sizes.begin(), sizes.end(), [](int32_t n) { return n > 0; }));
}

std::string waveletRecordName(int index) {
    return platform::cformat("WavEn%s_s-%d", kBandNames[static_cast<size_t>(index % 4)],
                             index / 4 + 1);
}

WaveletPyramid waveletWorkingImage(const uint16_t* levels, int32_t width, int32_t height,
                                   int32_t workingSize) {
    WaveletPyramid pyramid;
    pyramid.size = workingSize;
    pyramid.values.resize(static_cast<size_t>(workingSize) * static_cast<size_t>(workingSize));
    const int32_t d = workingSize;
    parallelFor(static_cast<size_t>(d), kRowGrain, [&](size_t y0, size_t y1) {
        for (int32_t y = static_cast<int32_t>(y0); y < static_cast<int32_t>(y1); ++y) {
            const uint16_t* source = levels + idx(0, y % height, width);
            double* row = pyramid.values.data() + idx(0, y, d);
            for (int32_t x = 0; x < d; ++x) row[x] = source[x % width];
        }
    });
    return pyramid;
}

void haarLevel(WaveletPyramid& pyramid, int32_t m) {
    const int32_t d = pyramid.size;
    const int32_t h = m / 2;
    double* a = pyramid.values.data();
    const int tasks = (m + kRowsPerTask - 1) / kRowsPerTask;
    // Along rows: L to columns 0..h-1, H to h..m-1.
    forEachTask(tasks, [&](int task) {
        thread_local std::vector<double> row;
        if (row.size() < static_cast<size_t>(m)) row.resize(static_cast<size_t>(m));
        const int32_t y1 = std::min(m, (task + 1) * kRowsPerTask);
        for (int32_t y = task * kRowsPerTask; y < y1; ++y) {
            double* r = a + idx(0, y, d);
            for (int32_t j = 0; j < h; ++j) {
                row[static_cast<size_t>(j)] = (r[2 * j] + r[2 * j + 1]) * 0.5;
                row[static_cast<size_t>(h + j)] = (r[2 * j] - r[2 * j + 1]) * 0.5;
            }
            std::copy_n(row.begin(), m, r);
        }
    });
    // Along columns: sums to rows 0..h-1, differences to h..m-1, a strip of
    // columns at a time through a copy of the strip (no m x m buffer).
    const int32_t strips = (m + kColumnsPerStrip - 1) / kColumnsPerStrip;
    forEachTask(strips, [&](int strip) {
        const int32_t j0 = strip * kColumnsPerStrip;
        const int32_t cols = std::min(kColumnsPerStrip, m - j0);
        // One buffer per thread, kept between strips and levels: a fresh large
        // block per strip would cost a page fault per page every time.
        thread_local std::vector<double> copy;
        if (copy.size() < static_cast<size_t>(m) * static_cast<size_t>(cols))
            copy.resize(static_cast<size_t>(m) * static_cast<size_t>(cols));
        for (int32_t y = 0; y < m; ++y)
            std::copy_n(a + idx(j0, y, d), cols, copy.data() + idx(0, y, cols));
        for (int32_t k = 0; k < h; ++k) {
            const double* upper = copy.data() + idx(0, 2 * k, cols);
            const double* lower = copy.data() + idx(0, 2 * k + 1, cols);
            double* sum = a + idx(j0, k, d);
            double* difference = a + idx(j0, h + k, d);
            for (int32_t j = 0; j < cols; ++j) {
                sum[j] = (upper[j] + lower[j]) * 0.5;
                difference[j] = (upper[j] - lower[j]) * 0.5;
            }
        }
    });
}

void decomposeWavelet(WaveletPyramid& pyramid) {
    pyramid.scales = 0;
    for (int32_t n : waveletScaleSizes(pyramid.size)) {
        if (n == 0) break;
        haarLevel(pyramid, 2 * n);
        ++pyramid.scales;
    }
}

std::vector<std::vector<uint16_t>> waveletMasks(const uint16_t* roiMap, int32_t width,
                                                int32_t height, int32_t workingSize) {
    std::vector<std::vector<uint16_t>> masks(kWaveletScales);
    const auto sizes = waveletScaleSizes(workingSize);
    const std::vector<uint16_t>* previous = nullptr;
    for (int s = 0; s < kWaveletScales && sizes[static_cast<size_t>(s)] > 0; ++s) {
        const int32_t n = sizes[static_cast<size_t>(s)];
        std::vector<uint16_t>& mask = masks[static_cast<size_t>(s)];
        mask.assign(static_cast<size_t>(n) * static_cast<size_t>(n), 0);
        // Each word gathers the 2 x 2 block of the level above: the padded map
        // for scale 1, the previous mask after that.
        auto source = [&](int32_t x, int32_t y) -> uint16_t {
            if (previous) return (*previous)[idx(x, y, 2 * n)];
            return x < width && y < height ? roiMap[idx(x, y, width)] : uint16_t{0};
        };
        for (int32_t k = 0; k < n; ++k)
            for (int32_t j = 0; j < n; ++j)
                mask[idx(j, k, n)] =
                    static_cast<uint16_t>(source(2 * j, 2 * k) | source(2 * j + 1, 2 * k) |
                                          source(2 * j, 2 * k + 1) | source(2 * j + 1, 2 * k + 1));
        previous = &mask;
    }
    return masks;
}

namespace {

// Sums of squared coefficients and their counts, per ROI and band, of one scale.
struct ScaleSums {
    std::array<std::array<double, 4>, kRoiCount> sum{};
    std::array<int64_t, kRoiCount> count{};
};

// The sums of every ROI in `wanted` (bit r for ROI r) at the scale with band
// size n, in fixed row blocks added in block order.
ScaleSums scaleSums(const WaveletPyramid& pyramid, const std::vector<uint16_t>& mask, int32_t n,
                    uint16_t wanted) {
    const int tasks = (n + kRowsPerTask - 1) / kRowsPerTask;
    std::vector<ScaleSums> parts(static_cast<size_t>(tasks));
    const int32_t d = pyramid.size;
    const double* v = pyramid.values.data();
    forEachTask(tasks, [&](int task) {
        ScaleSums& part = parts[static_cast<size_t>(task)];
        const int32_t k1 = std::min(n, (task + 1) * kRowsPerTask);
        for (int32_t k = task * kRowsPerTask; k < k1; ++k) {
            const uint16_t* m = mask.data() + idx(0, k, n);
            const double* ll = v + idx(0, k, d);
            const double* hl = v + idx(n, k, d);
            const double* lh = v + idx(0, n + k, d);
            const double* hh = v + idx(n, n + k, d);
            for (int32_t j = 0; j < n; ++j) {
                uint32_t bits = m[j] & wanted;
                if (bits == 0) continue;
                const double e[4] = {ll[j] * ll[j], lh[j] * lh[j], hl[j] * hl[j], hh[j] * hh[j]};
                while (bits) {
                    const int r = __builtin_ctz(bits);
                    bits &= bits - 1;
                    auto& s = part.sum[static_cast<size_t>(r)];
                    s[0] += e[0];
                    s[1] += e[1];
                    s[2] += e[2];
                    s[3] += e[3];
                    ++part.count[static_cast<size_t>(r)];
                }
            }
        }
    });
    ScaleSums total;
    for (const ScaleSums& part : parts)
        for (size_t r = 0; r < kRoiCount; ++r) {
            for (size_t b = 0; b < 4; ++b) total.sum[r][b] += part.sum[r][b];
            total.count[r] += part.count[r];
        }
    return total;
}

// Energies of the ROIs in `wanted` at scales first..pyramid.scales-1 into energies[r].
void energiesOf(const WaveletPyramid& pyramid, const std::vector<std::vector<uint16_t>>& masks,
                uint16_t wanted, int first,
                std::array<std::array<double, kWaveletRecordCount>, kRoiCount>& energies) {
    for (int s = first; s < pyramid.scales; ++s) {
        const int32_t n = pyramid.size >> (s + 1);
        const ScaleSums sums = scaleSums(pyramid, masks[static_cast<size_t>(s)], n, wanted);
        for (size_t r = 0; r < kRoiCount; ++r) {
            if (((wanted >> r) & 1u) == 0 || sums.count[r] <= 3) continue;
            for (size_t b = 0; b < 4; ++b)
                energies[r][static_cast<size_t>(4 * s) + b] =
                    sums.sum[r][b] / static_cast<double>(sums.count[r]);
        }
    }
}

}  // namespace

std::array<double, kWaveletRecordCount> waveletEnergies(
    WaveletPyramid working, const std::vector<std::vector<uint16_t>>& masks, int roi) {
    std::array<std::array<double, kWaveletRecordCount>, kRoiCount> energies{};
    for (auto& e : energies) e.fill(kMissingValue);
    const uint16_t wanted = static_cast<uint16_t>(1u << roi);
    working.scales = 0;
    // Each level overwrites the LL of the one before: energies go scale by scale.
    for (int32_t n : waveletScaleSizes(working.size)) {
        if (n == 0) break;
        haarLevel(working, 2 * n);
        ++working.scales;
        energiesOf(working, masks, wanted, working.scales - 1, energies);
    }
    return energies[static_cast<size_t>(roi)];
}

WaveletFeatures computeWaveletFeatures(const TextureContext& context, const AnalysisOptions& stored,
                                       const std::atomic<bool>* cancel) {
    WaveletFeatures result;
    const int32_t d = waveletWorkingSize(context.width, context.height);
    if (!context.valid() || d == 0) return result;
    const AnalysisOptions options = stored.sanitized();

    RoiStatisticsTable statistics = computeRoiStatistics(context);
    if (options.Do_normal != kNormaliseNone) {
        std::vector<FeatureRecord> limitsOnly;
        appendNormalisationRecords(context, statistics, options, limitsOnly);
    }
    std::array<LevelMapping, kRoiCount> mappings{};
    for (int r = 0; r < kRoiCount; ++r)
        mappings[static_cast<size_t>(r)] = roiLevelMapping(
            context, statistics[static_cast<size_t>(r)], options.Do_normal, options.Ng_wav);

    const auto masks = context.roiMap
                           ? waveletMasks(context.roiMap, context.width, context.height, d)
                           : std::vector<std::vector<uint16_t>>(kWaveletScales);
    std::array<std::array<double, kWaveletRecordCount>, kRoiCount> energies{};
    uint16_t done = 0;
    for (int r = 0; r < kRoiCount; ++r) {
        if (statistics[static_cast<size_t>(r)].count == 0 || ((done >> r) & 1u)) continue;
        if (cancel && cancel->load(std::memory_order_relaxed)) return result;
        // Every ROI that maps samples like this one shares its decomposition.
        uint16_t group = 0;
        for (int q = r; q < kRoiCount; ++q)
            if (statistics[static_cast<size_t>(q)].count > 0 &&
                sameMapping(mappings[static_cast<size_t>(q)], mappings[static_cast<size_t>(r)]))
                group = static_cast<uint16_t>(group | (1u << q));
        done = static_cast<uint16_t>(done | group);
        const LargeVector<uint16_t> levels = levelPlane(context, mappings[static_cast<size_t>(r)]);
        WaveletPyramid pyramid =
            waveletWorkingImage(levels.data(), context.width, context.height, d);
        std::array<std::array<double, kWaveletRecordCount>, kRoiCount> part{};
        for (auto& e : part) e.fill(kMissingValue);
        // Each level overwrites the LL of the one before: energies go scale by scale.
        for (int32_t n : waveletScaleSizes(d)) {
            if (n == 0) break;
            haarLevel(pyramid, 2 * n);
            ++pyramid.scales;
            energiesOf(pyramid, masks, group, pyramid.scales - 1, part);
        }
        for (int q = 0; q < kRoiCount; ++q)
            if ((group >> q) & 1u) energies[static_cast<size_t>(q)] = part[static_cast<size_t>(q)];
    }

    int smallestU = kWaveletScales;
    for (int r = 0; r < kRoiCount; ++r) {
        if (statistics[static_cast<size_t>(r)].count == 0) continue;
        int u = 0;
        for (int s = 0; s < kWaveletScales; ++s) {
            const double ll = energies[static_cast<size_t>(r)][static_cast<size_t>(4 * s)];
            if (ll == kMissingValue || ll == 0.0) ++u;
        }
        smallestU = std::min(smallestU, u);
    }
    for (int i = 0; i < kWaveletRecordCount; ++i) {
        RoiValues values{};
        for (size_t r = 0; r < kRoiCount; ++r)
            values[r] = statistics[r].count == 0 ? 0.0 : energies[r][static_cast<size_t>(i)];
        FeatureRecord record;
        setRecordName(record, waveletRecordName(i));
        record.values = values;
        result.records.push_back(record);
    }
    result.unfilled = 4 * smallestU;
    result.computed = true;
    return result;
}

WaveletPyramid computeWaveletMap(const TextureContext& context, const AnalysisOptions& stored) {
    const int32_t d = waveletWorkingSize(context.width, context.height);
    if (!context.valid() || d == 0) return {};
    const AnalysisOptions options = stored.sanitized();
    LevelMapping mapping{options.Do_normal, context.BitDepth, options.Ng_wav, {}};
    if (options.Do_normal != kNormaliseNone) {
        GreyHistogram histogram;
        histogram.reset(context.BitDepth);
        buildGreyHistogram(context, PixelRect{0, 0, context.width - 1, context.height - 1},
                           kEveryPixel, histogram);
        mapping.limits = normalisationLimits(histogram, options.Do_normal, context.BitDepth,
                                             context.ImageMin, context.ImageMax);
    }
    const LargeVector<uint16_t> levels = levelPlane(context, mapping);
    WaveletPyramid pyramid = waveletWorkingImage(levels.data(), context.width, context.height, d);
    decomposeWavelet(pyramid);
    return pyramid;
}

std::string waveletRefusalNote(const TextureContext& context, const AnalysisOptions& stored) {
    const AnalysisOptions options = stored.sanitized();
    if (!options.Do_wavF1 && !options.Do_wavMap) return {};
    if (waveletWorkingSize(context.width, context.height) != 0) return {};
    return "Wavelet analysis skipped: an image side is over 4096 pixels\r\n";
}
