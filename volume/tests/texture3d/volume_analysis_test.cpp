#include "volume/core/texture3d/volume_analysis.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <vector>

#include "platform/parallel.h"
#include "volume/core/texture3d/volume_report_header.h"
#include "volume/tests/texture3d/volume_test_volumes.h"

namespace {

struct VolumeReferenceRecord {
    const char* name;
    double values[16];
};

struct VolumeReferenceCase {
    const char* name;
    int32_t size;
    uint32_t seed;
    Analysis3DOptions options;
    const VolumeReferenceRecord* records;
    size_t count;
};

#include "volume/tests/texture3d/volume_cases.inc"

bool close(double expected, double actual) {
    if (expected == actual) return true;
    return std::fabs(expected - actual) <= 1e-9 * std::max(1.0, std::fabs(expected));
}

struct Captured {
    std::vector<std::string> texts;
    ProgressSink sink() {
        ProgressSink s;
        s.text = [this](const std::string& t) { texts.push_back(t); };
        return s;
    }
};

}  // namespace

// Every record of every family against the independent reference: 13 and 5
// directions, distances 1..5, the three normalisation modes, bit depths from
// 4 to 16, VOIs with a hole, touching the faces, of one voxel, of two grey
// levels and of one grey value (a window with hi <= lo).
TEST(VolumeAnalysis, MatchesTheIndependentReference) {
    for (const VolumeReferenceCase& c : kVolumeReferenceCases) {
        SCOPED_TRACE(c.name);
        TestVolumes v = makeTestVolumes(c.size, c.seed);
        std::vector<FeatureRecord> records;
        std::string header;
        Captured progress;
        ASSERT_TRUE(
            RunVolumeAnalysis(*v.image, *v.mask, c.options, records, header, progress.sink()));
        ASSERT_EQ(records.size(), c.count);
        EXPECT_EQ(countVolumeAnalysis(c.options).records, static_cast<int>(c.count));
        EXPECT_EQ(countVolumeAnalysis(c.options).steps, static_cast<int>(progress.texts.size()));
        int mismatches = 0;
        for (size_t r = 0; r < c.count && mismatches < 20; ++r) {
            EXPECT_EQ(recordName(records[r]), c.records[r].name) << "record " << r;
            for (int k = 0; k < 16; ++k)
                if (!close(c.records[r].values[k], records[r].values[static_cast<size_t>(k)])) {
                    ADD_FAILURE() << c.records[r].name << " VOI " << k + 1 << ": expected "
                                  << c.records[r].values[k] << ", got "
                                  << records[r].values[static_cast<size_t>(k)];
                    ++mismatches;
                }
        }
    }
}

TEST(VolumeAnalysis, RecordCountsFollowTheOptions) {
    Analysis3DOptions o;
    EXPECT_EQ(countVolumeAnalysis(o).records, 101);
    EXPECT_EQ(countVolumeAnalysis(o).steps, 4);
    o.Normalisation = 1;
    o.ComMoredirs = o.RlmMoredirs = true;
    o.ComDist1 = o.ComDist2 = o.ComDist3 = o.ComDist4 = o.ComDist5 = true;
    EXPECT_EQ(countVolumeAnalysis(o).records, 863);
    EXPECT_EQ(countVolumeAnalysis(o).steps, 9);
    // Distance 3 alone with more directions: 156 co-occurrence records.
    Analysis3DOptions three;
    three.ComDist1 = false;
    three.ComDist3 = true;
    three.ComMoredirs = true;
    three.HistogramFeatures = three.GradientFeatures = three.RlmFeatures = false;
    EXPECT_EQ(countVolumeAnalysis(three).records, 1 + 156);
    // Co-occurrence on without a distance adds nothing.
    Analysis3DOptions none;
    none.ComDist1 = false;
    EXPECT_EQ(countVolumeAnalysis(none).records, 101 - 60);
}

TEST(VolumeAnalysis, ProgressTextsAndNamesOfARun) {
    TestVolumes v = makeTestVolumes(12, 5);
    Analysis3DOptions o;
    o.Normalisation = 2;
    o.ComDist1 = false;
    o.ComDist3 = true;
    o.ComMoredirs = true;
    std::vector<FeatureRecord> records;
    std::string header;
    Captured progress;
    ASSERT_TRUE(RunVolumeAnalysis(*v.image, *v.mask, o, records, header, progress.sink()));
    const std::vector<std::string> texts = {"Normalisation done", "Histogram done", "Gradient done",
                                            "Co-occurence: distance 3 done", "Runlength done"};
    EXPECT_EQ(progress.texts, texts);
    ASSERT_EQ(records.size(), 1u + 2 + 9 + 6 + 156 + 25);
    EXPECT_EQ(recordName(records[0]), "_Volume");
    EXPECT_EQ(recordName(records[1]), "_MinNorm3D");
    EXPECT_EQ(recordName(records[18]), "_VolumeS(3,0,0)");
    EXPECT_EQ(recordName(records[19]), "S(3,0,0)AngScMom");
    EXPECT_EQ(recordName(records[18 + 12 * 12]), "_VolumeS(3,-3,-3)");
    EXPECT_EQ(recordName(records[18 + 156]), "Horzl_RLNonUni");
    EXPECT_EQ(recordName(records.back()), "Z_Fraction");
    // Empty VOIs are 0 everywhere.
    for (const FeatureRecord& r : records) EXPECT_EQ(r.values[6], 0.0) << recordName(r);
}

TEST(VolumeAnalysis, AOneVoxelVoi) {
    Volume3D image(3), mask(3);
    for (int z = 0; z < 3; ++z) {
        Volume3DSetSlice(image, nullptr, 3, 3, z);
        Volume3DSetSlice(mask, nullptr, 3, 3, z);
    }
    Volume3DSetVoxel(image, 1, 1, 1, 0x1234);
    Volume3DSetVoxel(mask, 1, 1, 1, 1);
    std::vector<FeatureRecord> records;
    std::string header;
    ASSERT_TRUE(RunVolumeAnalysis(image, mask, Analysis3DOptions{}, records, header, {}));
    EXPECT_EQ(records[0].values[0], 1.0);
    for (int p = 5; p <= 9; ++p) EXPECT_EQ(records[static_cast<size_t>(p)].values[0], 0x123 + 1);
    EXPECT_EQ(records[10].values[0], 0.0);  // _VolumeGr
    for (size_t r = 16; r < 16 + 60; r += 12) EXPECT_EQ(records[r].values[0], 0.0);
}

// The neighbour of (x, y, z) for direction (1, 1, 0) is (x + 1, y - 1, z).
TEST(VolumeAnalysis, DirectionOneOneZeroPairsUpwards) {
    Volume3D image(1), mask(1);
    Volume3DSetSlice(image, nullptr, 2, 2, 0);
    Volume3DSetSlice(mask, nullptr, 2, 2, 0);
    // (0,1) and (1,0) in the VOI: a pair for (1,1,0); (0,0) and (1,1) would be (1,-1,0).
    Volume3DSetVoxel(mask, 0, 1, 0, 1);
    Volume3DSetVoxel(mask, 1, 0, 0, 1);
    Volume3DSetVoxel(image, 1, 0, 0, 0xFFFF);
    std::vector<FeatureRecord> records;
    std::string header;
    Analysis3DOptions o;
    o.HistogramFeatures = o.GradientFeatures = o.RlmFeatures = false;
    ASSERT_TRUE(RunVolumeAnalysis(image, mask, o, records, header, {}));
    EXPECT_EQ(recordName(records[1 + 24]), "_VolumeS(1,1,0)");
    EXPECT_EQ(records[1 + 24].values[0], 2.0);
    EXPECT_EQ(records[1 + 36].values[0], 0.0);              // (1,-1,0)
    EXPECT_EQ(records[1 + 24 + 2].values[0], 63.0 * 63.0);  // Contrast of levels 0 and 63
}

TEST(VolumeAnalysis, ACancelledRunStops) {
    TestVolumes v = makeTestVolumes(12, 5);
    std::atomic<bool> cancel{true};
    ProgressSink sink;
    sink.cancel = &cancel;
    std::vector<FeatureRecord> records;
    std::string header;
    EXPECT_FALSE(RunVolumeAnalysis(*v.image, *v.mask, Analysis3DOptions{}, records, header, sink));
}

TEST(VolumeAnalysis, ResultsDoNotDependOnTheThreadCount) {
    TestVolumes v = makeTestVolumes(20, 9);
    Analysis3DOptions o;
    o.ComMoredirs = o.RlmMoredirs = true;
    o.ComDist2 = true;
    std::vector<FeatureRecord> a, b;
    std::string header;
    // Inside a chunk of an outer loop every inner loop runs on one thread.
    parallelFor(2, 1, [&](size_t begin, size_t) {
        if (begin == 0) RunVolumeAnalysis(*v.image, *v.mask, o, a, header, {});
    });
    ASSERT_TRUE(RunVolumeAnalysis(*v.image, *v.mask, o, b, header, {}));
    ASSERT_EQ(a.size(), b.size());
    for (size_t r = 0; r < a.size(); ++r) EXPECT_EQ(a[r].values, b[r].values) << recordName(a[r]);
}

TEST(VolumeAnalysis, ResultsDoNotDependOnTheCache) {
    TestVolumes v = makeTestVolumes(16, 4);
    Analysis3DOptions o;
    o.Normalisation = 1;
    o.RlmBpp = 5;
    std::vector<FeatureRecord> a, b;
    std::string header;
    ASSERT_TRUE(RunVolumeAnalysis(*v.image, *v.mask, o, a, header, {}));
    setVolumeAnalysisCacheBytes(0);  // every VOI cut out again for every family
    ASSERT_TRUE(RunVolumeAnalysis(*v.image, *v.mask, o, b, header, {}));
    setVolumeAnalysisCacheBytes(kVolumeAnalysisCacheBytes);
    ASSERT_EQ(a.size(), b.size());
    for (size_t r = 0; r < a.size(); ++r) EXPECT_EQ(a[r].values, b[r].values) << recordName(a[r]);
}

TEST(VolumeReportHeader, ListsTheSettings) {
    TestVolumes v = makeTestVolumes(12, 5);
    Volume3DRoiBounds(*v.mask);
    Analysis3DOptions o;
    EXPECT_EQ(WriteVolumeReportHeader(*v.image, *v.mask, o),
              "3D Image Analysis REPORT\r\n"
              "Image size: 12 x 12 x 12\r\n"
              "Normalisation =  None\r\n"
              "Histogram analysis = Yes\r\n"
              "Gradient analysis = Yes\r\n"
              "CO matrix analysis = Yes, Dimensions = 64 x 64, Distances = 1\r\n"
              "RL matrix analysis = Yes 12 x 64\r\n");
    o.Normalisation = 2;
    o.HistogramFeatures = false;
    o.ComDist3 = o.ComDist5 = true;
    o.ComBpp = 4;
    o.ComMoredirs = o.RlmMoredirs = true;
    o.RlmBpp = 5;
    EXPECT_EQ(WriteVolumeReportHeader(*v.image, *v.mask, o),
              "3D Image Analysis REPORT\r\n"
              "Image size: 12 x 12 x 12\r\n"
              "Normalisation =  1 percent\r\n"
              "Histogram analysis = No\r\n"
              "Gradient analysis = Yes\r\n"
              "CO matrix analysis = Yes, Dimensions = 16 x 16, Distances = 1 3 5\r\n"
              "More directions selected\r\n"
              "RL matrix analysis = Yes 12 x 32\r\n"
              "More directions selected\r\n");
    o.Normalisation = 1;
    o.ComDist1 = o.ComDist3 = o.ComDist5 = false;
    o.RlmFeatures = false;
    o.GradientFeatures = false;
    EXPECT_EQ(WriteVolumeReportHeader(*v.image, *v.mask, o),
              "3D Image Analysis REPORT\r\n"
              "Image size: 12 x 12 x 12\r\n"
              "Normalisation =  3 sigma\r\n"
              "Histogram analysis = No\r\n"
              "Gradient analysis = No\r\n"
              "CO matrix analysis = No\r\n"
              "RL matrix analysis = No\r\n");
}

// Stored values without a radio are used as the dialog shows them, so no
// matrix is indexed out of its size.
TEST(VolumeAnalysis, OptionsOutsideTheirChoicesAreUsedAsTheDialogShowsThem) {
    TestVolumes v = makeTestVolumes(12, 5);
    Analysis3DOptions o;
    o.ComBpp = 99;
    o.RlmBpp = -1;
    o.GradientBpp = 40;
    o.HistogramBpp = 13;
    o.Normalisation = 7;
    std::vector<FeatureRecord> records;
    std::string header;
    ASSERT_TRUE(RunVolumeAnalysis(*v.image, *v.mask, o, records, header, {}));
    EXPECT_EQ(records.size(), 101u);
    EXPECT_NE(header.find("Normalisation =  None"), std::string::npos);
    EXPECT_NE(header.find("Dimensions = 16 x 16"), std::string::npos);
    EXPECT_NE(header.find("x 16\r\n"), std::string::npos);  // run-length levels 2^4
    Analysis3DOptions shown = o.sanitized();
    EXPECT_EQ(shown.GradientBpp, 12);
    EXPECT_EQ(shown.HistogramBpp, 12);
}
