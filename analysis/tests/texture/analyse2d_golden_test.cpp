// Two whole 2D runs (default options; "3 sigma" with co-occurrence distances 1
// and 3) over a synthetic 12-bit image with four ROIs, against the header and
// records computed independently by data/analyse2d_golden.py.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <iomanip>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include "analysis/core/texture/analysis_2d.h"
#include "analysis/core/texture/analysis_2d_buffers.h"
#include "workspace/core/workspace_state.h"

namespace {

constexpr double kMissing = std::numeric_limits<double>::infinity();

struct GoldenRecord {
    const char* name;
    double values[kRoiCount];
};

struct GoldenRun {
    const char* title;
    int32_t normalisation;
    int32_t distances[5];
    const char* header;
    const GoldenRecord* records;
    size_t recordCount;
};

#include "analysis/tests/data/analyse2d_golden.inc"

constexpr int kSize = 64;

// The generator's image: an integer pattern plus a 31-bit LCG in raster order,
// with rare bright and dark outliers.
PlanePtr goldenImage() {
    PlanePtr grey = newPlane(kSize, kSize);
    uint32_t state = 20240611;
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            state = (state * 1103515245u + 12345u) & 0x7FFFFFFFu;
            const int r = static_cast<int>(state >> 16);
            int v = 1000 + ((x * 3 + y * 2) % 29) * 40 + ((x * y) % 13) * 11 +
                    ((x - 20) * (x - 20) + (y - 40) * (y - 40)) / 8 + r % 301;
            if (r % 61 == 0)
                v = 3900 + r % 196;
            else if (r % 61 == 1)
                v = r % 200;
            grey->at(x, y) = static_cast<uint16_t>(v);
        }
    return grey;
}

// ROI 1: top left rectangle; ROI 2: an ellipse overlapping it; ROI 6: the
// bottom right triangle with a hole, overlapping the ellipse; ROI 16: a line
// one pixel high in the bottom left corner.
PlanePtr goldenRoiMap() {
    PlanePtr roi = newPlane(kSize, kSize);
    for (int y = 0; y < kSize; ++y)
        for (int x = 0; x < kSize; ++x) {
            uint16_t word = 0;
            if (x <= 27 && y <= 23) word |= 1u << 0;
            const int dx = x - 32, dy = y - 28;
            if (dx * dx * 81 + dy * dy * 144 <= 144 * 81) word |= 1u << 1;
            if (x + y >= 72 && !(x >= 50 && x <= 53 && y >= 50 && y <= 55)) word |= 1u << 5;
            if (y == 63 && x <= 8) word |= 1u << 15;
            roi->at(x, y) = word;
        }
    return roi;
}

uint32_t checksum(const ImagePlane& plane) {
    uint32_t s = 0;
    for (size_t i = 0; i < plane.size(); ++i)
        s = s * 31u + static_cast<uint32_t>(plane.current[i]) * static_cast<uint32_t>(i % 7 + 1);
    return s;
}

// Summation orders and the solver differ from the reference; the values agree
// far below the precision a report prints. Missing values are +infinity on
// both sides, zeros of empty ROIs are exact.
bool agrees(double actual, double expected) {
    if (std::isinf(expected) || expected == 0) return actual == expected;
    return std::fabs(actual - expected) <= 1e-9 * std::fabs(expected);
}

TEST(Analyse2DGolden, TheTestImageIsTheGeneratorsImage) {
    const PlanePtr grey = goldenImage();
    const PlanePtr roi = goldenRoiMap();
    EXPECT_EQ(checksum(*grey), kGoldenSampleChecksum);
    EXPECT_EQ(checksum(*roi), kGoldenRoiChecksum);
    uint16_t low = 65535, high = 0;
    for (size_t i = 0; i < grey->size(); ++i) {
        low = std::min(low, grey->current[i]);
        high = std::max(high, grey->current[i]);
    }
    EXPECT_EQ(low, kGoldenImageMin);
    EXPECT_EQ(high, kGoldenImageMax);
}

TEST(Analyse2DGolden, WholeRunsMatchTheIndependentReference) {
    const PlanePtr grey = goldenImage();
    const PlanePtr roi = goldenRoiMap();
    for (const GoldenRun& run : kGoldenRuns) {
        SCOPED_TRACE(run.title);
        Analysis2DInput input;
        input.grey = grey.get();
        input.roiMap = roi.get();
        input.imageMin = kGoldenImageMin;
        input.imageMax = kGoldenImageMax;
        input.bitDepth = 12;
        input.imageTitle = "golden.ima";
        input.roiFileName = "golden.roi";
        input.options.Do_normal = run.normalisation;
        input.options.Do_vt1 = run.distances[0];
        input.options.Do_vt2 = run.distances[1];
        input.options.Do_vt3 = run.distances[2];
        input.options.Do_vt4 = run.distances[3];
        input.options.Do_vt5 = run.distances[4];

        std::vector<FeatureRecord> records;
        std::string header;
        Analysis2DBuffers buffers;
        ASSERT_TRUE(Analyse2D(input, records, header, ProgressSink{}, buffers));
        EXPECT_EQ(header, run.header);
        ASSERT_EQ(records.size(), run.recordCount);
        EXPECT_EQ(static_cast<int>(records.size()), countAnalysis2D(input.options).records);
        for (size_t i = 0; i < records.size(); ++i) {
            const GoldenRecord& expected = run.records[i];
            SCOPED_TRACE(expected.name);
            EXPECT_EQ(recordName(records[i]), expected.name);
            for (int r = 0; r < kRoiCount; ++r)
                EXPECT_TRUE(agrees(records[i].values[r], expected.values[r]))
                    << "ROI " << r + 1 << ": " << std::setprecision(17) << records[i].values[r]
                    << ", expected " << expected.values[r];
        }
    }
}

}  // namespace
