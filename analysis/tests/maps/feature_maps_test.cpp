// Parametric maps: the grid, the selection, the names and progress texts, and
// every map value against the per-ROI engine run on the window's rectangle.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "analysis/core/maps/feature_maps.h"
#include "analysis/core/maps/map_grid.h"
#include "analysis/core/maps/map_selection.h"
#include "analysis/core/maps/sliding_cooccurrence.h"
#include "analysis/core/maps/sliding_histogram.h"
#include "analysis/core/options/analysis_options.h"
#include "analysis/core/texture/ar_model.h"
#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/gradient_features.h"
#include "analysis/core/texture/grey_histogram.h"
#include "analysis/core/texture/histogram_features.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/run_length.h"

namespace {

struct Image {
    int32_t width, height, bitDepth;
    std::vector<uint16_t> samples;
    TextureContext context() const {
        TextureContext c;
        c.samples = samples.data();
        c.width = width;
        c.height = height;
        c.BitDepth = bitDepth;
        c.ImageMin = *std::min_element(samples.begin(), samples.end());
        c.ImageMax = *std::max_element(samples.begin(), samples.end());
        return c;
    }
};

// Noise with flat patches, so that windows hold both many levels and runs.
Image randomImage(int32_t width, int32_t height, int32_t bitDepth, uint32_t seed) {
    std::mt19937 random(seed);
    Image image{width, height, bitDepth, std::vector<uint16_t>(size_t(width) * height)};
    const uint32_t top = (1u << bitDepth) - 1;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            uint16_t v = static_cast<uint16_t>(random() % (top + 1));
            if ((x / 7 + y / 5) % 3 == 0) v = static_cast<uint16_t>(top / 3 + (x / 4) % 3);
            image.samples[size_t(y) * width + x] = v;
        }
    return image;
}

void selectAll(AnalysisOptions& o) {
    for (int i = 0; i < kMapTreeSize; ++i)
        if (isMapTreeLeaf(i)) o.Maps_Tree[static_cast<size_t>(i)].state = kMapLeafOn;
    updateMapTreeNodes(o.Maps_Tree);
}

struct Collected {
    std::vector<std::string> order;
    std::map<std::string, std::vector<double>> maps;
    std::vector<std::string> progress;
    int32_t width = 0, height = 0;
};

bool compute(const Image& image, const AnalysisOptions& o, Collected& out,
             const std::atomic<bool>* cancel = nullptr) {
    ProgressSink progress;
    progress.text = [&](const std::string& t) { out.progress.push_back(t); };
    progress.cancel = cancel;
    return ComputeFeatureMaps(
        image.context(), o,
        [&](const std::string& name, const double* values, int32_t w, int32_t h) {
            out.order.push_back(name);
            out.maps[name].assign(values, values + size_t(w) * h);
            out.width = w;
            out.height = h;
        },
        progress);
}

// The grid as the rule states it, written out independently: window offsets
// t, its value at the centre and spread over one step around it, the first
// block from 0, a block past W - M - S to the edge. owner[x] = window index.
std::vector<int> ownerOfPixel(int32_t w, int32_t m, int32_t s, std::vector<int32_t>& starts) {
    std::vector<int> owner(static_cast<size_t>(w), -1);
    starts.clear();
    if (w < m) return owner;
    const int32_t o = ((w - m) % s) / 2;
    const int32_t c = (m + ((w - m) % s)) / 2;
    int k = 0;
    for (int32_t t = 0; t <= w - m; t += s, ++k) {
        starts.push_back(o + t);
        const int32_t from = t == 0 ? 0 : t + c - s / 2;
        const int32_t to = t > w - m - s ? w - 1 : t + s + c - s / 2 - 1;
        for (int32_t x = from; x <= to; ++x) owner[static_cast<size_t>(x)] = k;
    }
    return owner;
}

bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// Every map against the per-ROI engine over each window's rectangle.
void expectEngineValues(const Image& image, const AnalysisOptions& stored, const Collected& got) {
    const AnalysisOptions o = stored.sanitized();
    const TextureContext context = image.context();
    std::vector<int32_t> xs, ys;
    const auto ownerX = ownerOfPixel(image.width, o.Mask_x, o.Step_x, xs);
    const auto ownerY = ownerOfPixel(image.height, o.Mask_y, o.Step_y, ys);
    GreyHistogram whole;
    buildGreyHistogram(context, {0, 0, image.width - 1, image.height - 1}, kEveryPixel, whole);
    const NormalisationLimits imageLimits =
        normalisationLimits(whole, o.Do_normal, image.bitDepth, context.ImageMin, context.ImageMax);
    ImagePlane grey, region;
    std::vector<uint16_t> all(image.samples.size(), 0xFFFF);
    grey.width = region.width = image.width;
    grey.height = region.height = image.height;
    grey.current = const_cast<uint16_t*>(image.samples.data());
    region.current = all.data();

    std::vector<std::map<std::string, double>> expectedOf(xs.size() * ys.size());
    std::map<int32_t, LevelTable> imageTables, windowTables;
    // Only the families of the maps made are computed.
    auto made = [&](const std::string& prefix) {
        return std::any_of(got.maps.begin(), got.maps.end(),
                           [&](const auto& m) { return m.first.rfind(prefix, 0) == 0; });
    };
    for (size_t j = 0; j < ys.size(); ++j)
        for (size_t i = 0; i < xs.size(); ++i) {
            const PixelRect rect{xs[i], ys[j], xs[i] + o.Mask_x - 1, ys[j] + o.Mask_y - 1};
            // One table per bit count and window (per image without Do_normap).
            if (o.Do_normap) windowTables.clear();
            std::map<int32_t, LevelTable>& tables = o.Do_normap ? windowTables : imageTables;
            auto table = [&](int32_t bits) -> const LevelTable& {
                auto found = tables.find(bits);
                if (found != tables.end()) return found->second;
                NormalisationLimits limits = imageLimits;
                if (o.Do_normap) {
                    GreyHistogram h;
                    buildGreyHistogram(context, rect, kEveryPixel, h);
                    limits = normalisationLimits(h, o.Do_normal, image.bitDepth, context.ImageMin,
                                                 context.ImageMax);
                }
                const uint32_t size = o.Do_normap ? 0u : 1u << image.bitDepth;
                return tables
                    .emplace(bits, LevelTable({o.Do_normal, image.bitDepth, bits, limits}, size))
                    .first->second;
            };
            std::map<std::string, double>& expected = expectedOf[j * xs.size() + i];
            RunLengthMatrix rl;
            for (int d = 0; d < 4; ++d) {
                if (!made(std::string(kRunLengthDirectionPrefixes[d]))) continue;
                buildRunLengthMatrix(context, rect, kEveryPixel, table(o.Ng_rl), kRunDirections[d],
                                     rl);
                const auto f = runLengthFeatures(rl);
                for (int k = 0; k < kRunLengthFeatureCount; ++k)
                    expected[std::string(kRunLengthDirectionPrefixes[d]) +
                             std::string(kRunLengthFeatureNames[k]) + std::to_string(o.Ng_rl) +
                             "b"] = f[k];
            }
            CooccurrenceMatrix m;
            for (int32_t distance = 1; distance <= 5; ++distance)
                for (Displacement disp : cooccurrenceDisplacements(distance)) {
                    const std::string first = cooccurrenceFeatureName(disp, 0);
                    if (!made(first.substr(0, first.find(')') + 1))) continue;
                    buildCooccurrenceMatrix(context, rect, kEveryPixel, table(o.Ng_vt), disp, m);
                    const auto f = evaluateCooccurrence(m);
                    for (int k = 0; k < kCooccurrenceFeatureCount; ++k)
                        expected[cooccurrenceFeatureName(disp, k) + std::to_string(o.Ng_vt) + "b"] =
                            f.values[k];
                }
            std::vector<double> gradients;
            collectGradients(context, rect, kEveryPixel, table(o.Ng_gr), gradients);
            const auto g = gradientFeatures(gradients);
            for (int k = 1; k < kGradientRecordCount; ++k)
                expected[std::string(kGradientFeatureNames[k]) + std::to_string(o.Ng_gr) + "b"] =
                    g[k];
            GreyHistogram h;
            buildGreyHistogram(context, rect, kEveryPixel, h);
            const auto hf = histogramFeatures(h);
            for (int k = 0; k < kHistogramRecordCount; ++k)
                expected[std::string(kHistogramFeatureNames[k])] = hf[k];
            const ArValues ar =
                fitArModel(grey, region, 1, rect.xmin, rect.ymin, rect.xmax, rect.ymax);
            for (int k = 1; k < 6; ++k) expected[std::string(kArRecordNames[k])] = ar[k];
        }
    for (const auto& [name, values] : got.maps) {
        ASSERT_TRUE(expectedOf[0].count(name)) << name;
        for (int32_t y = 0; y < image.height; ++y)
            for (int32_t x = 0; x < image.width; ++x) {
                const size_t window = size_t(ownerY[y]) * xs.size() + size_t(ownerX[x]);
                const double want = expectedOf[window].at(name);
                const double have = values[size_t(y) * image.width + x];
                ASSERT_TRUE(sameBits(have, want))
                    << name << " at (" << x << ", " << y << "): " << have << " vs " << want;
            }
    }
}

TEST(MapGrid, SplitsTheLeftoverAndTilesTheMapWithBlocks) {
    const MapGridAxis a = mapGridAxis(100, 9, 4);
    EXPECT_EQ(a.offset, 1);
    EXPECT_EQ(a.count, 23);
    EXPECT_EQ(a.windowStart(22), 1 + 88);
    std::vector<int32_t> starts;
    const auto owner = ownerOfPixel(100, 9, 4, starts);
    ASSERT_EQ(starts.size(), 23u);
    for (int32_t k = 0; k < a.count; ++k) {
        EXPECT_EQ(a.windowStart(k), starts[static_cast<size_t>(k)]);
        for (int32_t x = a.blockStart(k); x < a.blockEnd(k); ++x) EXPECT_EQ(owner[x], k) << x;
    }
    EXPECT_EQ(a.blockStart(0), 0);
    EXPECT_EQ(a.blockEnd(22), 100);

    // Step 1: each pixel takes the window centred on it, the border the nearest one.
    const MapGridAxis b = mapGridAxis(20, 5, 1);
    EXPECT_EQ(b.count, 16);
    for (int32_t k = 1; k < b.count - 1; ++k) {
        EXPECT_EQ(b.blockStart(k), b.windowStart(k) + 2);
        EXPECT_EQ(b.blockEnd(k), b.blockStart(k) + 1);
    }
    EXPECT_EQ(b.blockEnd(0), 3);
    EXPECT_EQ(b.blockStart(15), 17);
    EXPECT_EQ(b.blockEnd(15), 20);

    EXPECT_EQ(mapGridAxis(4, 9, 1).count, 0);
    EXPECT_EQ(mapGridAxis(9, 9, 3).count, 1);
    EXPECT_EQ(mapGridAxis(9, 9, 3).blockEnd(0), 9);
}

TEST(MapSelection, CountsMapsAndStepsPerEnabledDistance) {
    AnalysisOptions o;
    EXPECT_EQ(parseMapSelection(o).mapCount(), 0);
    EXPECT_EQ(countFeatureMapSteps(o), 0);
    selectAll(o);
    o.Do_vt1 = 1;
    o.Do_vt2 = o.Do_vt3 = o.Do_vt4 = o.Do_vt5 = 0;
    EXPECT_EQ(parseMapSelection(o).mapCount(), 96 - 4 - 4 - 5);  // the 96 entries less the nodes
    EXPECT_EQ(countFeatureMapSteps(o), 4 + 4 + 3);
    o.Do_vt3 = o.Do_vt5 = 1;
    EXPECT_EQ(parseMapSelection(o).mapCount(), 20 + 3 * 44 + 19);
    EXPECT_EQ(countFeatureMapSteps(o), 4 + 3 * 4 + 3);
    o.Do_vt1 = o.Do_vt3 = o.Do_vt5 = 0;  // no distance: no co-occurrence map
    EXPECT_EQ(parseMapSelection(o).mapCount(), 39);

    AnalysisOptions one;
    one.Maps_Tree[52].state = kMapLeafOn;  // 45dgr Contrast
    one.Do_vt1 = 1;
    one.Do_vt2 = one.Do_vt3 = one.Do_vt4 = one.Do_vt5 = 0;
    const MapSelection s = parseMapSelection(one);
    EXPECT_TRUE(s.cooccurrence[2][1]);
    EXPECT_EQ(s.mapCount(), 1);
    EXPECT_EQ(countFeatureMapSteps(one), 1);
}

TEST(FeatureMaps, NamesAndProgressTextsFollowTheFamilyOrder) {
    const Image image = randomImage(24, 20, 8, 3);
    AnalysisOptions o;
    o.Do_vt1 = o.Do_vt2 = 1;
    o.Do_vt3 = o.Do_vt4 = o.Do_vt5 = 0;
    o.Maps_Tree[2].state = kMapLeafOn;   // Horzl RLNonUni
    o.Maps_Tree[24].state = kMapLeafOn;  // 135dr Fraction
    o.Maps_Tree[28].state = kMapLeafOn;  // Horzl Contrast
    o.Maps_Tree[75].state = kMapLeafOn;  // GrMean
    o.Maps_Tree[87].state = kMapLeafOn;  // Perc.50%
    o.Maps_Tree[95].state = kMapLeafOn;  // Sigma
    o.Maps_Tree[91].state = kMapLeafOn;  // Teta1
    Collected got;
    ASSERT_TRUE(compute(image, o, got));
    const std::vector<std::string> names = {"Horzl_RLNonUni6b",
                                            "135dr_Fraction6b",
                                            "S(1,0)Contrast6b",
                                            "S(2,0)Contrast6b",
                                            "GrMean4b",
                                            "Perc.50%",
                                            "Teta1",
                                            "Sigma"};
    EXPECT_EQ(got.order, names);
    const std::vector<std::string> texts = {
        "Runlength maps (1) done",     "Runlength maps (2) done", "Co-occurrence maps (1) done",
        "Co-occurrence maps (2) done", "Gradient maps done",      "Histogram maps done",
        "AR-model maps done"};
    EXPECT_EQ(got.progress, texts);
    EXPECT_EQ(static_cast<int>(got.progress.size()), countFeatureMapSteps(o));
    EXPECT_EQ(got.width, 24);
    EXPECT_EQ(got.height, 20);
}

TEST(FeatureMaps, NothingSelectedMakesNothing) {
    Collected got;
    ASSERT_TRUE(compute(randomImage(16, 16, 8, 1), AnalysisOptions{}, got));
    EXPECT_TRUE(got.order.empty());
    EXPECT_TRUE(got.progress.empty());
}

TEST(FeatureMaps, AnImageSmallerThanTheWindowGivesZeroMaps) {
    AnalysisOptions o;
    selectAll(o);
    o.Do_vt1 = 1;
    o.Do_vt2 = o.Do_vt3 = o.Do_vt4 = o.Do_vt5 = 0;
    o.Mask_x = 12;
    Collected got;
    ASSERT_TRUE(compute(randomImage(10, 30, 8, 5), o, got));
    EXPECT_EQ(got.maps.size(), 96u - 13u);
    for (const auto& [name, values] : got.maps) {
        ASSERT_EQ(values.size(), 300u) << name;
        EXPECT_TRUE(std::all_of(values.begin(), values.end(), [](double v) { return v == 0; }))
            << name;
    }
}

TEST(FeatureMaps, ACancelledRunStopsAndSaysSo) {
    AnalysisOptions o;
    selectAll(o);
    o.Do_vt1 = 1;
    std::atomic<bool> cancel{true};
    Collected got;
    EXPECT_FALSE(compute(randomImage(30, 30, 8, 2), o, got, &cancel));
    EXPECT_LE(got.order.size(), 5u);
}

struct ExactCase {
    int32_t width, height, bitDepth, bits, maskX, maskY, stepX, stepY, normal, normap;
};

class FeatureMapsExactness : public ::testing::TestWithParam<ExactCase> {};

// Every value equals the engine's for the window's rectangle, bit for bit.
TEST_P(FeatureMapsExactness, EveryMapMatchesThePerRoiEngine) {
    const ExactCase c = GetParam();
    const Image image = randomImage(c.width, c.height, c.bitDepth, 17u + c.width * 31u + c.bits);
    AnalysisOptions o;
    selectAll(o);
    o.Do_vt1 = o.Do_vt2 = o.Do_vt3 = o.Do_vt4 = o.Do_vt5 = 1;
    o.Ng_vt = o.Ng_rl = c.bits;
    o.Ng_gr = c.bits == 8 ? 5 : 4;
    o.Mask_x = c.maskX;
    o.Mask_y = c.maskY;
    o.Step_x = c.stepX;
    o.Step_y = c.stepY;
    o.Do_normal = c.normal;
    o.Do_normap = c.normap;
    Collected got;
    ASSERT_TRUE(compute(image, o, got));
    ASSERT_EQ(got.maps.size(), 20u + 5u * 44u + 19u);
    expectEngineValues(image, o, got);
}

INSTANTIATE_TEST_SUITE_P(RandomImages, FeatureMapsExactness,
                         ::testing::Values(ExactCase{23, 19, 8, 6, 5, 5, 1, 1, 0, 0},
                                           ExactCase{31, 22, 12, 8, 9, 7, 2, 3, 0, 0},
                                           ExactCase{26, 26, 10, 6, 6, 9, 4, 1, 1, 0},
                                           ExactCase{25, 21, 12, 6, 7, 5, 1, 2, 2, 1},
                                           ExactCase{22, 24, 8, 8, 5, 6, 3, 1, 3, 1},
                                           ExactCase{29, 17, 9, 6, 8, 8, 5, 7, 1, 1},
                                           ExactCase{20, 20, 16, 8, 5, 5, 1, 1, 2, 0}));

// The sliding matrices against the engine's matrix at every position of long
// rows, including steps that skip whole windows and moves back to the left.
TEST(SlidingCooccurrence, MatchesTheEngineAtEveryPosition) {
    for (int32_t bits : {4, 6, 8}) {
        const Image image = randomImage(70, 30, 12, 40u + bits);
        const TextureContext context = image.context();
        const LevelTable table({kNormaliseNone, 12, bits, {}}, 4096);
        std::vector<uint16_t> plane(image.samples.size());
        for (size_t k = 0; k < plane.size(); ++k) plane[k] = table[image.samples[k]];
        for (Displacement d :
             {Displacement{1, 0}, Displacement{0, 3}, Displacement{2, 2}, Displacement{5, -5}}) {
            SlidingCooccurrence sliding(plane.data(), 70, 30, 1 << bits, 11, 9, d);
            CooccurrenceMatrix m;
            const int32_t positions[][2] = {{0, 0},  {1, 0},  {2, 0},   {9, 0},  {30, 0}, {59, 0},
                                            {3, 21}, {4, 21}, {17, 21}, {5, 21}, {0, 1},  {59, 21}};
            for (const auto& p : positions) {
                sliding.moveTo(p[0], p[1]);
                buildCooccurrenceMatrix(context, {p[0], p[1], p[0] + 10, p[1] + 8}, kEveryPixel,
                                        table, d, m);
                const CooccurrenceFeatures want = evaluateCooccurrence(m);
                const CooccurrenceFeatures have = sliding.evaluate();
                EXPECT_EQ(have.pairCount, want.pairCount);
                for (int k = 0; k < kCooccurrenceFeatureCount; ++k)
                    EXPECT_TRUE(sameBits(have.values[k], want.values[k]))
                        << bits << " bits, feature " << k << " at " << p[0] << "," << p[1] << ": "
                        << have.values[k] << " vs " << want.values[k];
            }
        }
    }
}

// The sorted window against the engine's histogram, with ties, jumps and
// moves back to the left.
TEST(SlidingHistogram, MatchesTheEngineAtEveryPosition) {
    for (int32_t depth : {4, 12, 16}) {
        const Image image = randomImage(60, 25, depth, 90u + depth);
        const TextureContext context = image.context();
        for (const auto& [w, h] : {std::pair{9, 9}, std::pair{5, 13}, std::pair{16, 7}}) {
            SlidingHistogram sliding(image.samples.data(), 60, w, h);
            GreyHistogram histogram;
            const int32_t positions[][2] = {{0, 0},  {1, 0},      {2, 0},     {11, 0},
                                            {40, 0}, {60 - w, 0}, {3, 9},     {4, 9},
                                            {30, 9}, {6, 9},      {0, 25 - h}};
            for (const auto& p : positions) {
                sliding.moveTo(p[0], p[1]);
                buildGreyHistogram(context, {p[0], p[1], p[0] + w - 1, p[1] + h - 1}, kEveryPixel,
                                   histogram);
                const auto want = histogramFeatures(histogram);
                const auto have = sliding.evaluate();
                for (int k = 0; k < kHistogramRecordCount; ++k)
                    EXPECT_TRUE(sameBits(have[k], want[k]))
                        << depth << " bits, feature " << k << " at " << p[0] << "," << p[1] << ": "
                        << have[k] << " vs " << want[k];
            }
        }
    }
}

// Samples beyond the stated depth are counted but not binned by the engine;
// the maps follow it there too.
TEST(FeatureMaps, SamplesBeyondTheDepthStillMatchTheEngine) {
    Image image = randomImage(20, 18, 8, 11);
    for (size_t k = 0; k < image.samples.size(); k += 7) image.samples[k] = 300;
    AnalysisOptions o;
    for (int i = 81; i <= 89; ++i) o.Maps_Tree[static_cast<size_t>(i)].state = kMapLeafOn;
    o.Mask_x = o.Mask_y = 5;
    Collected got;
    ASSERT_TRUE(compute(image, o, got));
    ASSERT_EQ(got.maps.size(), 9u);
    expectEngineValues(image, o, got);
}

// A map selected alone gets the same values as in a full run.
TEST(FeatureMaps, SingleCooccurrenceMapsMatchTheEngine) {
    const Image image = randomImage(27, 23, 12, 5);
    // Horzl Contrast, Correlat, Entropy, DifVarnc; 135dr SumVarnc
    for (int leaf : {28, 29, 35, 36, 69}) {
        AnalysisOptions o;
        o.Maps_Tree[static_cast<size_t>(leaf)].state = kMapLeafOn;
        o.Do_vt2 = o.Do_vt3 = o.Do_vt4 = 0;
        o.Mask_x = 7;
        o.Mask_y = 6;
        Collected got;
        ASSERT_TRUE(compute(image, o, got));
        ASSERT_EQ(got.maps.size(), 2u);
        expectEngineValues(image, o, got);
    }
}

TEST(SlidingCooccurrence, AWindowNoWiderThanTheDistanceHasNoPairs) {
    std::vector<uint16_t> plane(100, 3);
    SlidingCooccurrence sliding(plane.data(), 10, 10, 64, 5, 5, Displacement{5, 0});
    sliding.moveTo(0, 0);
    const CooccurrenceFeatures f = sliding.evaluate();
    EXPECT_EQ(f.pairCount, 0);
    for (double v : f.values) EXPECT_EQ(v, 0);
}

}  // namespace
