#include "analysis/core/texture/run_length.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "analysis/tests/texture/texture_test_image.h"

namespace {

std::vector<FeatureRecord> runLengthRecords(const TestImage& image, int32_t bits,
                                            int32_t mode = 0) {
    AnalysisOptions options;
    options.Ng_rl = bits;
    options.Do_normal = mode;
    return familyRecords(image.context(), options, kRunLengthFamily);
}

double value(const std::vector<FeatureRecord>& records, const std::string& name, int roi) {
    const FeatureRecord* r = findRecord(records, name);
    EXPECT_NE(r, nullptr) << name;
    return r ? r->values[roi] : -1;
}

}  // namespace

TEST(RunLength, TextbookImageInFourDirections) {
    TestImage image = TestImage::fromRows({{0, 0, 1, 1},  //
                                           {0, 0, 1, 1},
                                           {0, 2, 2, 2},
                                           {2, 2, 3, 3}});
    image.addRect(0, 0, 0, 3, 3);
    const auto out = runLengthRecords(image, 8);
    // Runs by length (1, 2, 3): horizontal 1 6 1, vertical 5 4 1,
    // 45 degrees 6 5 0, 135 degrees 12 2 0.
    EXPECT_EQ(value(out, "Horzl_Fraction", 0), 0.5);
    EXPECT_EQ(value(out, "Vertl_Fraction", 0), 0.625);
    EXPECT_EQ(value(out, "45dgr_Fraction", 0), 0.6875);
    EXPECT_EQ(value(out, "135dr_Fraction", 0), 0.875);
    EXPECT_NEAR(value(out, "Horzl_RLNonUni", 0), 38.0 / 8, 1e-12);
    EXPECT_NEAR(value(out, "Vertl_RLNonUni", 0), 42.0 / 10, 1e-12);
    EXPECT_NEAR(value(out, "45dgr_RLNonUni", 0), 61.0 / 11, 1e-12);
    EXPECT_NEAR(value(out, "135dr_RLNonUni", 0), 148.0 / 14, 1e-12);
    // Horizontal runs by level 3 2 2 1; lengths 2 2 2 2 1 3 2 2.
    EXPECT_NEAR(value(out, "Horzl_GLevNonU", 0), 18.0 / 8, 1e-12);
    EXPECT_NEAR(value(out, "Horzl_LngREmph", 0), 34.0 / 8, 1e-12);
    EXPECT_NEAR(value(out, "Horzl_ShrtREmp", 0), (6 / 4.0 + 1 + 1 / 9.0) / 8, 1e-12);
}

TEST(RunLength, AOnePixelRoiHasOneRunOfLengthOneInEveryDirection) {
    TestImage image(5, 5, 8);
    image.sample(3, 1) = 99;
    image.addPixel(6, 3, 1);
    const auto out = runLengthRecords(image, 6);
    ASSERT_EQ(out.size(), 20u);
    for (const FeatureRecord& r : out) EXPECT_EQ(r.values[6], 1) << recordName(r);
}

TEST(RunLength, RecordNamesAndOrder) {
    TestImage image(3, 3, 8);
    image.addRect(0, 0, 0, 2, 2);
    const auto out = runLengthRecords(image, 6);
    ASSERT_EQ(out.size(), 20u);
    size_t i = 0;
    for (const char* d : {"Horzl_", "Vertl_", "45dgr_", "135dr_"})
        for (const char* f : {"RLNonUni", "GLevNonU", "LngREmph", "ShrtREmp", "Fraction"})
            EXPECT_EQ(recordName(out[i++]), std::string(d) + f);
    AnalysisOptions off;
    off.Do_rl = 0;
    EXPECT_EQ(runLengthRecordCount(off), 0);
    EXPECT_EQ(runLengthRecordCount(AnalysisOptions{}), 20);
    EXPECT_TRUE(familyRecords(image.context(), off, kRunLengthFamily).empty());
}

TEST(RunLength, PixelsOutsideTheRoiBreakRuns) {
    // One row of a constant image; the ROI has a gap: runs of 3 and 2.
    TestImage image(6, 1, 8);
    image.addRect(0, 0, 0, 2, 0);
    image.addRect(0, 4, 0, 5, 0);
    const auto out = runLengthRecords(image, 6);
    EXPECT_EQ(value(out, "Horzl_Fraction", 0), 2.0 / 5);
    EXPECT_EQ(value(out, "Horzl_LngREmph", 0), (9.0 + 4) / 2);
    EXPECT_EQ(value(out, "Vertl_Fraction", 0), 1);
}

TEST(RunLength, ALargeCheckerboardDoesNotOverflowTheSquares) {
    // 65536 runs of length 1: the square of their count needs 33 bits.
    TestImage image(256, 256, 8);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) image.sample(x, y) = (x + y) % 2 ? 255 : 0;
    image.addRect(0, 0, 0, 255, 255);
    const auto out = runLengthRecords(image, 6);
    EXPECT_EQ(value(out, "Horzl_RLNonUni", 0), 65536);
    EXPECT_EQ(value(out, "Horzl_GLevNonU", 0), 32768);
    EXPECT_EQ(value(out, "Horzl_Fraction", 0), 1);
    // Along the diagonals the colour is constant: 511 runs covering 65536 pixels.
    EXPECT_EQ(value(out, "45dgr_Fraction", 0), 511.0 / 65536);
}

TEST(RunLength, AllRoisInOnePassEqualTheWalksOfOneRegion) {
    std::mt19937 random(9);
    TestImage image(41, 33, 10);
    for (uint16_t& s : image.samples)
        s = static_cast<uint16_t>((random() % 3) * 300 + random() % 5);
    for (int r = 0; r < kRoiCount; ++r) {
        if (r == 2) continue;
        const int x0 = random() % 30, y0 = random() % 25;
        image.addRect(r, x0, y0, x0 + random() % 14, y0 + random() % 10);
    }
    for (size_t i = 0; i < image.roi.size(); ++i)
        if (random() % 5 == 0)
            image.roi[i] = static_cast<uint16_t>(image.roi[i] ^ (random() & 0x0F0F));
    // The same image with disjoint ROIs: tiles with holes.
    TestImage tiles = image;
    for (int y = 0; y < tiles.height; ++y)
        for (int x = 0; x < tiles.width; ++x)
            tiles.roi[size_t(y) * tiles.width + x] =
                random() % 6 == 0 ? 0 : uint16_t(1u << ((y / 9) * 4 + x / 11));
    for (const TestImage* map : {&image, &tiles}) {
        const TextureContext context = map->context();
        for (int32_t mode : {0, 1, 2, 3}) {
            AnalysisOptions options;
            options.Do_normal = mode;
            options.Ng_rl = 4;
            RoiStatisticsTable stats = computeRoiStatistics(context);
            std::vector<FeatureRecord> limits;
            ASSERT_TRUE(appendNormalisationRecords(context, stats, options, limits));
            const std::vector<FeatureRecord> out =
                familyRecords(context, options, kRunLengthFamily);
            RunLengthMatrix matrix;
            for (int d = 0; d < 4; ++d)
                for (int r = 0; r < kRoiCount; ++r) {
                    const LevelTable table(roiLevelMapping(context, stats[r], mode, 4), 1024);
                    buildRunLengthMatrix(context, stats[r].box(), r, table, kRunDirections[d],
                                         matrix);
                    const auto f = runLengthFeatures(matrix);
                    for (int k = 0; k < kRunLengthFeatureCount; ++k)
                        EXPECT_EQ(out[d * 5 + k].values[r], f[k])
                            << mode << " " << recordName(out[d * 5 + k]) << " ROI " << r;
                }
        }
    }
}

TEST(RunLength, AWindowOfEveryPixelEqualsARoiCoveringIt) {
    std::mt19937 random(13);
    TestImage image(20, 16, 8);
    for (uint16_t& s : image.samples) s = static_cast<uint16_t>(random() % 3 * 64);
    image.addRect(0, 5, 2, 13, 10);
    const TextureContext context = image.context();
    const LevelTable table(LevelMapping{0, 8, 6, {}}, 256);
    RunLengthMatrix window, roi;
    for (RunDirection direction : kRunDirections) {
        buildRunLengthMatrix(context, PixelRect{5, 2, 13, 10}, kEveryPixel, table, direction,
                             window);
        buildRunLengthMatrix(context, PixelRect{0, 0, 19, 15}, 0, table, direction, roi);
        EXPECT_EQ(runLengthFeatures(window), runLengthFeatures(roi));
        for (int q = 0; q < 64; ++q)
            for (int k = 0; k < 10; ++k) EXPECT_EQ(window.at(q, k), roi.at(q, k));
    }
}

TEST(RunLength, BothSummationOrdersGiveTheSameFeaturesWithinRounding) {
    std::mt19937 random(13);
    RunLengthMatrix matrix;
    matrix.prepare(64, 40);
    for (int i = 0; i < 3000; ++i)
        matrix.addRun(static_cast<uint32_t>(random() % 64),
                      1 + static_cast<uint32_t>(random() % 40));
    const auto a = runLengthFeatures(matrix);
    const auto b = runLengthFeatures(matrix, RunLengthSummation::ByLevel);
    for (int k = 0; k < kRunLengthFeatureCount; ++k)
        EXPECT_NEAR(a[k], b[k], 1e-9 * std::fabs(a[k])) << kRunLengthFeatureNames[k];
    // Runs a counter writes straight into the cells count once it states them.
    RunLengthMatrix direct;
    direct.prepare(4, 3);
    direct.cells()[2 * 4 + 1] = 2;  // two runs of level 1 and length 3
    direct.noteRuns(0, 3, 3);
    EXPECT_EQ(runLengthFeatures(direct, RunLengthSummation::ByLevel)[kLngREmph], 9);
    EXPECT_EQ(runLengthFeatures(RunLengthMatrix{})[kFraction], 0);
}
