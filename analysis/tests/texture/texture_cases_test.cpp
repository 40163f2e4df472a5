// The texture families against values computed independently by
// data/texture_cases.py (numpy, literal per-ROI loops and walks) for a set
// of small images, ROI maps and options.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>
#include <vector>

#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/gradient_features.h"
#include "analysis/core/texture/histogram_features.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/run_length.h"
#include "analysis/tests/texture/texture_test_image.h"

namespace {

struct ExpectedRecord {
    const char* name;
    double values[kRoiCount];
};

struct TextureCase {
    const char* name;
    int32_t width, height, bitDepth, imageMax, imageMin;
    int32_t normalisation, ngVt, ngRl, ngGr;
    int32_t distances[5];
    const uint16_t* samples;
    const uint16_t* roi;
    const ExpectedRecord* records;
    size_t recordCount;
};

#include "analysis/tests/data/texture_cases.inc"

// Summation orders differ from the reference; values agree far below the
// precision a report prints.
bool close(double actual, double expected) {
    return std::fabs(actual - expected) <= 1e-9 * std::max(1.0, std::fabs(expected));
}

}  // namespace

TEST(TextureCases, EveryFamilyMatchesTheReference) {
    for (const TextureCase& c : kTextureCases) {
        SCOPED_TRACE(c.name);
        TextureContext context;
        context.samples = c.samples;
        context.roiMap = c.roi;
        context.width = c.width;
        context.height = c.height;
        context.BitDepth = c.bitDepth;
        context.ImageMax = c.imageMax;
        context.ImageMin = c.imageMin;
        AnalysisOptions options;
        options.Do_normal = c.normalisation;
        options.Ng_vt = c.ngVt;
        options.Ng_rl = c.ngRl;
        options.Ng_gr = c.ngGr;
        options.Do_vt1 = c.distances[0];
        options.Do_vt2 = c.distances[1];
        options.Do_vt3 = c.distances[2];
        options.Do_vt4 = c.distances[3];
        options.Do_vt5 = c.distances[4];

        // The families in the order of a 2D run.
        options.Do_arm = 0;
        const std::vector<FeatureRecord> out = analyse(context, options);

        ASSERT_EQ(out.size(), c.recordCount);
        EXPECT_EQ(static_cast<int>(out.size()),
                  kAreaRecordCount + normalisationRecordCount(options) + kHistogramRecordCount +
                      cooccurrenceRecordCount(options) + runLengthRecordCount(options) +
                      kGradientRecordCount);
        int mismatches = 0;
        for (size_t i = 0; i < out.size() && mismatches < 20; ++i) {
            const ExpectedRecord& e = c.records[i];
            EXPECT_EQ(recordName(out[i]), e.name) << "record " << i;
            for (int r = 0; r < kRoiCount; ++r)
                if (!close(out[i].values[r], e.values[r])) {
                    ADD_FAILURE() << e.name << " ROI " << r + 1 << ": " << out[i].values[r]
                                  << " expected " << e.values[r];
                    ++mismatches;
                }
        }
    }
}
