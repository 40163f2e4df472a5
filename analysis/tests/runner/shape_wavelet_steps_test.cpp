// The shape and wavelet steps of a 2D run: where their records land, what
// the header says and how many progress steps they take.
#include "analysis/core/runner/shape_wavelet_steps.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "analysis/core/texture/analysis_2d_buffers.h"
#include "analysis/core/texture/shape_features.h"

namespace {

struct Planes {
    ImagePlane grey;
    ImagePlane roi;
    Analysis2DInput input;

    Planes(int32_t w, int32_t h) {
        PlaneCreate(&grey, w, h);
        PlaneCreate(&roi, w, h);
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                grey.at(x, y) = static_cast<uint16_t>((x * 7 + y * 13) % 256);
        input.grey = &grey;
        input.roiMap = &roi;
        input.imageMax = 255;
        input.bitDepth = 8;
    }
    ~Planes() {
        PlaneDestroy(&grey, 0);
        PlaneDestroy(&roi, 0);
    }
    void box(int roi1, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
        for (int32_t y = y0; y <= y1; ++y)
            for (int32_t x = x0; x <= x1; ++x)
                roi.at(x, y) |= static_cast<uint16_t>(1u << (roi1 - 1));
    }
};

struct Texts {
    std::vector<std::string> lines;
    ProgressSink sink() {
        ProgressSink s;
        s.text = [this](const std::string& t) { lines.push_back(t); };
        return s;
    }
};

TEST(ShapeWaveletSteps, CountsFollowTheSwitches) {
    AnalysisOptions o;
    o.Do_wavF1 = 0;
    o.Do_wavMap = 0;
    GrainOptions g;
    EXPECT_EQ(countShapeAndWavelet(o, g).records, 0);
    EXPECT_EQ(countShapeAndWavelet(o, g).steps, 0);
    o.Do_wavMap = 1;
    EXPECT_EQ(countShapeAndWavelet(o, g).steps, 1);
    o.Do_wavF1 = 1;
    EXPECT_EQ(countShapeAndWavelet(o, g).steps, 2);
    EXPECT_EQ(countShapeAndWavelet(o, g).records, 32);
    g.Sg_DoGeometry = g.Sg_DoGeometryP = true;
    EXPECT_EQ(countShapeAndWavelet(o, g).steps, 3);
    EXPECT_EQ(countShapeAndWavelet(o, g).records, 32 + 116);
}

TEST(ShapeWaveletSteps, ShapeRecordsOpenAndWaveletRecordsCloseTheRun) {
    Planes p(100, 60);
    p.box(1, 10, 10, 49, 39);
    p.box(2, 60, 5, 90, 50);
    p.input.options.Do_wavF1 = 1;
    p.input.options.Do_wavMap = 1;
    GrainOptions g;
    g.Sg_DoGeometry = true;
    std::vector<FeatureRecord> records;
    std::string header;
    WaveletPyramid map;
    Texts texts;
    runShapeStep(p.input, g, records, texts.sink());
    ASSERT_EQ(records.size(), 73u);
    EXPECT_EQ(recordName(records[0]), "GeoX");
    EXPECT_DOUBLE_EQ(records[2].values[0], 40 * 30);
    Analysis2DBuffers buffers;
    ASSERT_TRUE(Analyse2D(p.input, records, header, ProgressSink{}, buffers));
    const size_t texture = records.size() - 73;
    ASSERT_TRUE(runWaveletSteps(p.input, g, records, header, map, texts.sink()));
    // D = 128 has three scales: the five scales no ROI reaches are dropped.
    EXPECT_EQ(records.size(), 73 + texture + 12);
    EXPECT_EQ(recordName(records[73 + texture]), "WavEnLL_s-1");
    EXPECT_EQ(recordName(records.back()), "WavEnHH_s-3");
    EXPECT_EQ(map.size, 128);
    EXPECT_EQ(texts.lines,
              (std::vector<std::string>{"Geometrical features done", "Wavelet image done",
                                        "Wavelet features done"}));
    const std::string tail = "Geometrical features done\r\nWavelet analysis = Yes\r\n";
    EXPECT_EQ(header.substr(header.size() - tail.size()), tail);
}

TEST(ShapeWaveletSteps, WithEverythingOffOnlyTheHeaderLineIsAdded) {
    Planes p(20, 20);
    p.box(1, 0, 0, 19, 19);
    p.input.options.Do_wavF1 = 0;
    p.input.options.Do_wavMap = 0;
    std::vector<FeatureRecord> records;
    std::string header;
    WaveletPyramid map;
    runShapeStep(p.input, GrainOptions{}, records, ProgressSink{});
    EXPECT_TRUE(records.empty());
    EXPECT_TRUE(runWaveletSteps(p.input, GrainOptions{}, records, header, map, ProgressSink{}));
    EXPECT_TRUE(records.empty());
    EXPECT_EQ(map.size, 0);
    EXPECT_EQ(header, "Wavelet analysis = No\r\n");
}

TEST(ShapeWaveletSteps, AnImageTooLargeKeepsTheRestAndSaysWhy) {
    Planes p(4100, 2);
    p.box(1, 0, 0, 4099, 1);
    p.input.options.Do_wavF1 = 1;
    p.input.options.Do_wavMap = 1;
    std::vector<FeatureRecord> records(1);
    std::string header;
    WaveletPyramid map;
    EXPECT_TRUE(runWaveletSteps(p.input, GrainOptions{}, records, header, map, ProgressSink{}));
    EXPECT_EQ(records.size(), 1u);
    EXPECT_EQ(map.size, 0);
    EXPECT_NE(header.find("Wavelet analysis = No\r\n"), std::string::npos);
    EXPECT_NE(header.find("over 4096"), std::string::npos);
}

}  // namespace
