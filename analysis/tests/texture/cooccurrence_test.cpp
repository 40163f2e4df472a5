#include "analysis/core/texture/cooccurrence.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "analysis/tests/texture/texture_test_image.h"

namespace {

AnalysisOptions distanceOnly(int32_t distance, int32_t bits) {
    AnalysisOptions o;
    o.Do_vt1 = o.Do_vt2 = o.Do_vt3 = o.Do_vt4 = o.Do_vt5 = 0;
    switch (distance) {
        case 1:
            o.Do_vt1 = 1;
            break;
        case 2:
            o.Do_vt2 = 1;
            break;
        case 3:
            o.Do_vt3 = 1;
            break;
        case 4:
            o.Do_vt4 = 1;
            break;
        default:
            o.Do_vt5 = 1;
            break;
    }
    o.Ng_vt = bits;
    return o;
}

std::vector<FeatureRecord> cooccurrenceRecords(const TestImage& image,
                                               const AnalysisOptions& options) {
    return familyRecords(image.context(), options, kCooccurrenceFamily);
}

double value(const std::vector<FeatureRecord>& records, const std::string& name, int roi) {
    const FeatureRecord* r = findRecord(records, name);
    EXPECT_NE(r, nullptr) << name;
    return r ? r->values[roi] : -1;
}

// The 4 x 4 image of four grey levels used in textbook examples.
TestImage fourByFour() {
    TestImage image = TestImage::fromRows({{0, 0, 1, 1},  //
                                           {0, 0, 1, 1},
                                           {0, 2, 2, 2},
                                           {2, 2, 3, 3}});
    image.addRect(0, 0, 0, 3, 3);
    return image;
}

}  // namespace

TEST(Cooccurrence, TextbookImageAtDisplacementOneZero) {
    // 8-bit samples kept at 8 bits: the levels are the samples.
    const auto out = cooccurrenceRecords(fourByFour(), distanceOnly(1, 8));
    auto v = [&](const char* feature) { return value(out, std::string("S(1,0)") + feature, 0); };
    EXPECT_EQ(value(out, "_Area_S(1,0)", 0), 24);
    // Matrix rows 4 2 1 0 / 2 4 0 0 / 1 0 6 1 / 0 0 1 2.
    EXPECT_NEAR(v("AngScMom"), 84.0 / 576, 1e-12);
    EXPECT_NEAR(v("Contrast"), 14.0 / 24, 1e-12);
    EXPECT_NEAR(v("Correlat"), 0.719533, 5e-7);
    EXPECT_NEAR(v("SumOfSqs"), 1.03993, 5e-6);
    EXPECT_NEAR(v("InvDfMom"), 19.4 / 24, 1e-12);
    EXPECT_NEAR(v("SumAverg"), 110.0 / 24, 1e-12);
    EXPECT_NEAR(v("SumVarnc"), 3.57639, 5e-6);
    EXPECT_NEAR(v("SumEntrp"), 0.740277, 5e-7);
    EXPECT_NEAR(v("Entropy"), 0.909729, 5e-7);
    EXPECT_NEAR(v("DifVarnc"), 0.409722, 5e-7);
    EXPECT_NEAR(v("DifEntrp"), 0.357841, 5e-7);
}

TEST(Cooccurrence, DisplacementOneMinusOnePairsAPixelWithTheOneBelowRight) {
    TestImage image(4, 4, 8);
    image.sample(1, 1) = 5;
    image.sample(2, 2) = 9;
    image.addPixel(0, 1, 1);
    image.addPixel(0, 2, 2);
    const auto out = cooccurrenceRecords(image, distanceOnly(1, 8));
    EXPECT_EQ(value(out, "_Area_S(1,-1)", 0), 2);
    EXPECT_EQ(value(out, "S(1,-1)Contrast", 0), 16);
    EXPECT_EQ(value(out, "_Area_S(1,0)", 0), 0);
    EXPECT_EQ(value(out, "_Area_S(0,1)", 0), 0);
    EXPECT_EQ(value(out, "_Area_S(1,1)", 0), 0);
}

TEST(Cooccurrence, DisplacementOneOnePairsAPixelWithTheOneAboveRight) {
    TestImage image(4, 4, 8);
    image.addPixel(0, 1, 2);
    image.addPixel(0, 2, 1);
    const auto out = cooccurrenceRecords(image, distanceOnly(1, 8));
    EXPECT_EQ(value(out, "_Area_S(1,1)", 0), 2);
    EXPECT_EQ(value(out, "_Area_S(1,-1)", 0), 0);
}

TEST(Cooccurrence, DisplacementZeroDPairsAPixelWithTheOneAbove) {
    TestImage image(4, 6, 8);
    image.addPixel(0, 2, 1);
    image.addPixel(0, 2, 4);
    const auto out = cooccurrenceRecords(image, distanceOnly(3, 8));
    EXPECT_EQ(value(out, "_Area_S(0,3)", 0), 2);
    EXPECT_EQ(value(out, "_Area_S(3,0)", 0), 0);
}

TEST(Cooccurrence, AOnePixelRoiHasNoPairs) {
    TestImage image(5, 5, 8);
    for (uint16_t& s : image.samples) s = 100;
    image.addPixel(3, 2, 2);
    AnalysisOptions options;  // all five distances
    const auto out = cooccurrenceRecords(image, options);
    ASSERT_EQ(out.size(), 240u);
    for (const FeatureRecord& r : out) EXPECT_EQ(r.values[3], 0) << recordName(r);
}

TEST(Cooccurrence, AConstantRoi) {
    TestImage image(6, 5, 8);
    for (uint16_t& s : image.samples) s = 200;  // level 50 of 6 bits
    image.addRect(0, 0, 0, 5, 4);
    const auto out = cooccurrenceRecords(image, distanceOnly(1, 6));
    for (std::string d : {"S(1,0)", "S(0,1)", "S(1,1)", "S(1,-1)"}) {
        EXPECT_EQ(value(out, d + "AngScMom", 0), 1) << d;
        EXPECT_EQ(value(out, d + "Contrast", 0), 0) << d;
        EXPECT_EQ(value(out, d + "Correlat", 0), 0) << d;  // 0 over the 1e-20 floor
        EXPECT_EQ(value(out, d + "SumOfSqs", 0), 0) << d;
        EXPECT_EQ(value(out, d + "InvDfMom", 0), 1) << d;
        EXPECT_EQ(value(out, d + "SumAverg", 0), 102) << d;
        EXPECT_EQ(value(out, d + "SumVarnc", 0), 0) << d;
        EXPECT_EQ(value(out, d + "SumEntrp", 0), 0) << d;
        EXPECT_EQ(value(out, d + "Entropy", 0), 0) << d;
        EXPECT_EQ(value(out, d + "DifVarnc", 0), 0) << d;
        EXPECT_EQ(value(out, d + "DifEntrp", 0), 0) << d;
    }
    EXPECT_EQ(value(out, "_Area_S(1,0)", 0), 2 * 5 * 5);
    EXPECT_EQ(value(out, "_Area_S(1,1)", 0), 2 * 5 * 4);
}

TEST(Cooccurrence, ALargeConstantRoiDoesNotOverflowTheSquares) {
    // 2 * 255 * 256 = 130560 pairs in one cell; its square needs more than 32 bits.
    TestImage image(256, 256, 8);
    for (uint16_t& s : image.samples) s = 77;
    image.addRect(0, 0, 0, 255, 255);
    const auto out = cooccurrenceRecords(image, distanceOnly(1, 6));
    EXPECT_EQ(value(out, "_Area_S(1,0)", 0), 130560);
    EXPECT_EQ(value(out, "S(1,0)AngScMom", 0), 1);
    EXPECT_EQ(value(out, "S(1,1)AngScMom", 0), 1);
}

TEST(Cooccurrence, RecordNamesAndOrderOfADistance) {
    TestImage image = fourByFour();
    std::vector<std::string> done;
    AnalysisOptions options = distanceOnly(2, 6);
    options.Do_vt5 = 1;
    const std::vector<FeatureRecord> out =
        familyRecords(image.context(), options, kCooccurrenceFamily, &done);
    ASSERT_EQ(out.size(), 96u);
    EXPECT_EQ(done, (std::vector<std::string>{"Co-occurence: distance 2 done",
                                              "Co-occurence: distance 5 done"}));
    const char* features[] = {"AngScMom", "Contrast", "Correlat", "SumOfSqs",
                              "InvDfMom", "SumAverg", "SumVarnc", "SumEntrp",
                              "Entropy",  "DifVarnc", "DifEntrp"};
    const char* displacements[] = {"(2,0)", "(0,2)", "(2,2)", "(2,-2)",
                                   "(5,0)", "(0,5)", "(5,5)", "(5,-5)"};
    size_t i = 0;
    for (const char* d : displacements) {
        EXPECT_EQ(recordName(out[i++]), std::string("_Area_S") + d);
        for (const char* f : features) EXPECT_EQ(recordName(out[i++]), std::string("S") + d + f);
    }
}

TEST(Cooccurrence, RecordCountFollowsTheSanitizedOptions) {
    TestImage image = fourByFour();
    const TextureContext context = image.context();
    AnalysisOptions nonsense;
    nonsense.Do_co = 5;
    nonsense.Do_vt2 = 0;
    nonsense.Do_vt3 = -1;
    nonsense.Ng_vt = 40;  // taken as 8
    AnalysisOptions off;
    off.Do_co = 0;
    AnalysisOptions none = distanceOnly(1, 6);
    none.Do_vt1 = 0;
    for (const AnalysisOptions& o : {AnalysisOptions{}, nonsense, off, none}) {
        const std::vector<FeatureRecord> out = familyRecords(context, o, kCooccurrenceFamily);
        EXPECT_EQ(static_cast<int>(out.size()), cooccurrenceRecordCount(o));
    }
    EXPECT_EQ(cooccurrenceRecordCount(nonsense), 4 * 48);
    EXPECT_EQ(cooccurrenceRecordCount(off), 0);
    EXPECT_EQ(cooccurrenceRecordCount(none), 0);
}

TEST(Cooccurrence, AllRoisInOnePassEqualOneRegionAtATime) {
    std::mt19937 random(3);
    TestImage image(37, 29, 12);
    for (uint16_t& s : image.samples) s = static_cast<uint16_t>(random() % 4096);
    for (int i = 0; i < 200; ++i) image.samples[random() % image.samples.size()] = 4095;
    for (int r = 0; r < kRoiCount; ++r) {
        if (r == 5) continue;
        const int x0 = random() % 30, y0 = random() % 22;
        image.addRect(r, x0, y0, x0 + random() % 12, y0 + random() % 12);
    }
    for (size_t i = 0; i < image.roi.size(); ++i) image.roi[i] |= uint16_t(random() & 0x8000);
    // The same image with disjoint ROIs: tiles and a few stray pixels.
    TestImage tiles = image;
    for (int y = 0; y < tiles.height; ++y)
        for (int x = 0; x < tiles.width; ++x)
            tiles.roi[size_t(y) * tiles.width + x] =
                random() % 7 == 0 ? 0 : uint16_t(1u << ((y / 10) * 4 + x / 10));
    // Wide enough to be counted in bands of rows on several cores: strips of
    // one ROI each through every band, once with a pixel of two ROIs in the
    // last band only.
    TestImage wide(1200, 150, 12);
    for (uint16_t& s : wide.samples) s = static_cast<uint16_t>(random() % 4096);
    for (int r = 0; r < kRoiCount; ++r)
        wide.addRect(r, 70 * r + 3, r % 5, 70 * r + 60, 149 - r % 3);
    TestImage wideOverlap = wide;
    wideOverlap.addPixel(4, 70 * 3 + 10, 140);
    for (const TestImage* map : {&image, &tiles, &wide, &wideOverlap}) {
        const TextureContext context = map->context();
        for (int32_t mode : {0, 1, 2, 3}) {
            AnalysisOptions options;
            options.Do_normal = mode;
            options.Ng_vt = 5;
            RoiStatisticsTable stats = computeRoiStatistics(context);
            std::vector<FeatureRecord> limits;
            ASSERT_TRUE(appendNormalisationRecords(context, stats, options, limits));
            const std::vector<FeatureRecord> out =
                familyRecords(context, options, kCooccurrenceFamily);
            ASSERT_EQ(out.size(), 240u);
            CooccurrenceMatrix matrix;
            size_t i = 0;
            for (int32_t d = 1; d <= 5; ++d)
                for (const Displacement displacement : cooccurrenceDisplacements(d)) {
                    std::array<CooccurrenceFeatures, kRoiCount> f;
                    for (int r = 0; r < kRoiCount; ++r) {
                        const LevelTable table(roiLevelMapping(context, stats[r], mode, 5), 4096);
                        buildCooccurrenceMatrix(context, stats[r].box(), r, table, displacement,
                                                matrix);
                        f[r] = evaluateCooccurrence(matrix);
                    }
                    for (int r = 0; r < kRoiCount; ++r) EXPECT_EQ(out[i].values[r], f[r].pairCount);
                    ++i;
                    for (int k = 0; k < kCooccurrenceFeatureCount; ++k, ++i)
                        for (int r = 0; r < kRoiCount; ++r)
                            EXPECT_EQ(out[i].values[r], f[r].values[k])
                                << mode << " " << recordName(out[i]) << " ROI " << r;
                }
        }
    }
}

TEST(Cooccurrence, AWindowOfEveryPixelEqualsARoiCoveringIt) {
    std::mt19937 random(5);
    TestImage image(20, 16, 8);
    for (uint16_t& s : image.samples) s = static_cast<uint16_t>(random() % 256);
    image.addRect(0, 4, 3, 12, 11);
    const TextureContext context = image.context();
    const LevelTable table(LevelMapping{0, 8, 6, {}}, 256);
    CooccurrenceMatrix window, roi;
    for (int32_t d = 1; d <= 5; ++d)
        for (const Displacement displacement : cooccurrenceDisplacements(d)) {
            buildCooccurrenceMatrix(context, PixelRect{4, 3, 12, 11}, kEveryPixel, table,
                                    displacement, window);
            buildCooccurrenceMatrix(context, PixelRect{0, 0, 19, 15}, 0, table, displacement, roi);
            EXPECT_TRUE(std::ranges::equal(window.occupied(), roi.occupied()));
            const auto a = evaluateCooccurrence(window), b = evaluateCooccurrence(roi);
            EXPECT_EQ(a.pairCount, b.pairCount);
            EXPECT_EQ(a.values, b.values);
        }
}

TEST(Cooccurrence, BothSummationOrdersGiveTheSameFeaturesWithinRounding) {
    std::mt19937 random(11);
    for (int bits : {2, 5, 8}) {
        TestImage image(23, 19, 8);
        for (uint16_t& s : image.samples) s = static_cast<uint16_t>(random() % 256);
        image.addRect(0, 0, 0, 22, 18);
        const TextureContext context = image.context();
        const LevelTable table(LevelMapping{0, 8, bits, {}}, 256);
        CooccurrenceMatrix matrix;
        for (const Displacement d : cooccurrenceDisplacements(2)) {
            buildCooccurrenceMatrix(context, {0, 0, 22, 18}, 0, table, d, matrix);
            const CooccurrenceFeatures a = evaluateCooccurrence(matrix);
            const CooccurrenceFeatures b =
                evaluateCooccurrence(matrix, CooccurrenceSummation::Cells);
            EXPECT_EQ(a.pairCount, b.pairCount);
            for (int k = 0; k < kCooccurrenceFeatureCount; ++k)
                EXPECT_NEAR(a.values[k], b.values[k], 1e-9 * std::max(1.0, std::fabs(a.values[k])))
                    << bits << " " << kCooccurrenceFeatureNames[k];
        }
    }
    CooccurrenceMatrix empty;
    empty.prepare(16);
    empty.noteCounted(0, 15);
    const CooccurrenceFeatures zero = evaluateCooccurrence(empty, CooccurrenceSummation::Cells);
    EXPECT_EQ(zero.pairCount, 0);
    for (double v : zero.values) EXPECT_EQ(v, 0);
}
