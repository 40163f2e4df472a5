// The 2D run spreads ROIs, displacements and directions of all its families
// over the pool's threads at once, some of them sharing level planes. Its
// records must be those of each family run alone, to the bit, whatever the
// options and however the ROIs lie (and, run on one thread, those of the
// golden files).
#include <gtest/gtest.h>

#include <atomic>
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/core/texture/analysis_2d.h"
#include "analysis/core/texture/analysis_2d_buffers.h"
#include "analysis/core/texture/ar_model.h"
#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/gradient_features.h"
#include "analysis/core/texture/histogram_features.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/run_length.h"
#include "analysis/core/texture/texture_context.h"
#include "analysis/tests/texture/texture_test_image.h"
#include "workspace/core/workspace_state.h"

namespace {

struct Scene {
    PlanePtr grey;
    PlanePtr roi;
};

// 12-bit blobs and noise; ROIs that overlap, one with holes, one a single
// row, one a single pixel, and some left empty.
Scene makeScene(int w, int h) {
    Scene scene{newPlane(w, h), newPlane(w, h)};
    uint32_t seed = 99;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1664525u + 1013904223u;
            scene.grey->at(x, y) =
                static_cast<uint16_t>(((x / 9) * 300 + (y / 7) * 170 + (seed >> 22)) % 4096);
            uint16_t word = 0;
            if (x < w / 2 && y < h / 2) word |= 1u << 0;
            if ((x - w / 2) * (x - w / 2) + (y - h / 2) * (y - h / 2) < w * h / 8) word |= 1u << 1;
            if (x >= w / 3 && (seed >> 30) != 0) word |= 1u << 4;
            if (y == h - 2) word |= 1u << 7;
            if (x == 3 && y == 5) word |= 1u << 9;
            if (y >= h / 2 && x >= w / 4) word |= 1u << 15;
            scene.roi->at(x, y) = word;
        }
    return scene;
}

TextureContext contextOf(const Scene& scene) {
    return textureContext(*scene.grey, *scene.roi, 4095, 0, 12);
}

// The families one after another, each from a run with the others off.
std::vector<FeatureRecord> familiesInTurn(const Scene& scene, const AnalysisOptions& stored) {
    const AnalysisOptions o = stored.sanitized();
    const TextureContext context = contextOf(scene);
    std::vector<FeatureRecord> out = analyse(context, [&] {
        AnalysisOptions none = o;
        none.Do_hist = none.Do_co = none.Do_rl = none.Do_grad = none.Do_arm = 0;
        return none;
    }());
    for (const TextureFamily family :
         {kHistogramFamily, kCooccurrenceFamily, kRunLengthFamily, kGradientFamily, kArFamily}) {
        const std::vector<FeatureRecord> records = familyRecords(context, o, family);
        out.insert(out.end(), records.begin(), records.end());
    }
    return out;
}

std::vector<FeatureRecord> run(const Scene& scene, const AnalysisOptions& options,
                               std::vector<std::string>* texts = nullptr,
                               Analysis2DBuffers* buffers = nullptr) {
    Analysis2DInput input;
    input.grey = scene.grey.get();
    input.roiMap = scene.roi.get();
    input.imageMax = 4095;
    input.bitDepth = 12;
    input.options = options;
    ProgressSink progress;
    if (texts) progress.text = [texts](const std::string& t) { texts->push_back(t); };
    std::vector<FeatureRecord> records;
    std::string header;
    Analysis2DBuffers once;
    EXPECT_TRUE(Analyse2D(input, records, header, progress, buffers ? *buffers : once));
    return records;
}

void expectSameRecords(const std::vector<FeatureRecord>& actual,
                       const std::vector<FeatureRecord>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) {
        EXPECT_EQ(recordName(actual[i]), recordName(expected[i]));
        for (int r = 0; r < kRoiCount; ++r)
            EXPECT_EQ(std::bit_cast<uint64_t>(actual[i].values[r]),
                      std::bit_cast<uint64_t>(expected[i].values[r]))
                << recordName(actual[i]) << " ROI " << r + 1;
    }
}

}  // namespace

TEST(Analyse2DUnits, RecordsAreTheFamiliesInTurnToTheBit) {
    const Scene scene = makeScene(97, 83);
    for (int normal = 0; normal <= 3; ++normal)
        for (int bits : {4, 6, 8}) {
            SCOPED_TRACE("normalisation " + std::to_string(normal) + ", bits " +
                         std::to_string(bits));
            AnalysisOptions o;
            o.Do_normal = normal;
            o.Ng_vt = bits;
            o.Ng_rl = bits == 8 ? 6 : bits;  // shared and separate level planes
            o.Ng_gr = bits + 1;
            o.Do_vt2 = bits != 6;
            o.Do_vt4 = 0;
            expectSameRecords(run(scene, o), familiesInTurn(scene, o));
        }
}

TEST(Analyse2DUnits, FamiliesSwitchedOffOrAloneAndRepeatedRunsInKeptBuffers) {
    const Scene scene = makeScene(40, 31);
    AnalysisOptions o;
    o.Do_co = 0;
    o.Do_grad = 0;
    expectSameRecords(run(scene, o), familiesInTurn(scene, o));
    AnalysisOptions rlOnly;
    rlOnly.Do_co = rlOnly.Do_hist = rlOnly.Do_grad = rlOnly.Do_arm = 0;
    expectSameRecords(run(scene, rlOnly), familiesInTurn(scene, rlOnly));
    // Runs in the buffers an image keeps reuse the planes, matrices and fit
    // buffers the last run left behind, whatever it counted; an image of
    // another size makes them anew.
    const AnalysisOptions defaults;
    const std::vector<FeatureRecord> first = run(scene, defaults);
    expectSameRecords(first, familiesInTurn(scene, defaults));
    AnalysisOptions normalised = defaults;
    normalised.Do_normal = 1;
    normalised.Ng_vt = 8;
    normalised.Ng_gr = 9;
    Analysis2DBuffers buffers;
    expectSameRecords(run(scene, defaults, nullptr, &buffers), first);
    expectSameRecords(run(scene, normalised, nullptr, &buffers), run(scene, normalised));
    expectSameRecords(run(scene, defaults, nullptr, &buffers), first);
    const Scene larger = makeScene(71, 52);
    expectSameRecords(run(larger, defaults, nullptr, &buffers), run(larger, defaults));
    expectSameRecords(run(scene, rlOnly, nullptr, &buffers), familiesInTurn(scene, rlOnly));
}

TEST(Analyse2DUnits, ProgressTextsKeepTheirOrder) {
    const Scene scene = makeScene(30, 30);
    AnalysisOptions o;
    o.Do_normal = 1;
    o.Do_vt3 = 0;
    std::vector<std::string> texts;
    run(scene, o, &texts);
    const std::vector<std::string> expected = {"Normalisation done",
                                               "Histogram done",
                                               "Co-occurence: distance 1 done",
                                               "Co-occurence: distance 2 done",
                                               "Co-occurence: distance 4 done",
                                               "Co-occurence: distance 5 done",
                                               "Runlength done",
                                               "Gradient done",
                                               "Autoregression model done"};
    EXPECT_EQ(texts, expected);
}

TEST(Analyse2DUnits, ACancelledRunStopsAndSaysSo) {
    const Scene scene = makeScene(64, 64);
    Analysis2DInput input;
    input.grey = scene.grey.get();
    input.roiMap = scene.roi.get();
    input.imageMax = 4095;
    input.bitDepth = 12;
    std::atomic<bool> stop{true};
    ProgressSink progress;
    progress.cancel = &stop;
    std::vector<FeatureRecord> records;
    std::string header;
    Analysis2DBuffers buffers;
    EXPECT_FALSE(Analyse2D(input, records, header, progress, buffers));
}
