#include "analysis/core/runner/analysis_runner.h"

#include <gtest/gtest.h>

#include "analysis/core/texture/analysis_2d.h"
#include "analysis/core/texture/analysis_2d_buffers.h"
#include "platform/files.h"
#include "workspace/core/workspace_state.h"

namespace {

TEST(RunNaming, DocumentsAreNamedByTimeAndNumberedWithinASecond) {
    std::tm t{};
    t.tm_year = 109;
    t.tm_mon = 2;
    t.tm_mday = 7;
    t.tm_hour = 9;
    t.tm_min = 5;
    t.tm_sec = 1;
    std::string base = timeDocumentName(t);
    EXPECT_EQ(base, "2009-3-7 09_05_01");
    std::vector<std::string> taken;
    taken.push_back(uniqueDocumentName(base, taken));
    taken.push_back(uniqueDocumentName(base, taken));
    taken.push_back(uniqueDocumentName(base, taken));
    EXPECT_EQ(taken, (std::vector<std::string>{base, base + "(1)", base + "(2)"}));
    EXPECT_EQ(uniqueDocumentName("other", taken), "other");
}

TEST(RunNaming, ColourChannelsPrefixTheFeatureNamesAndTheTitle) {
    std::vector<FeatureRecord> records(3);
    setRecordName(records[0], "_Area");
    setRecordName(records[1], "Mean");
    setRecordName(records[2], std::string(30, 'x'));
    applyFeaturePrefix(records, "R_");
    EXPECT_EQ(recordName(records[0]), "_R_Area");
    EXPECT_EQ(recordName(records[1]), "R_Mean");
    EXPECT_EQ(recordName(records[2]), "R_" + std::string(29, 'x'));
    applyFeaturePrefix(records, "");
    EXPECT_EQ(recordName(records[1]), "R_Mean");
    EXPECT_EQ(imageTitle("/data/scans/a.bmp", "R_"), "a.bmp (R_channel)");
    EXPECT_EQ(imageTitle("C:\\scans\\b.dcm", ""), "b.dcm");
    EXPECT_EQ(platform::fileNamePart(""), "");
}

class Header2DTest : public ::testing::Test {
  protected:
    void SetUp() override {
        grey = newPlane(256, 256);
        input.grey = grey.get();
        input.imageMin = 0;
        input.imageMax = 255;
        input.bitDepth = 8;
        input.imageTitle = "a.bmp";
    }
    PlanePtr grey;
    Analysis2DInput input;
};

TEST_F(Header2DTest, TheDefaultHeaderReadsAsStoredReportsHaveIt) {
    EXPECT_EQ(reportHeader2D(input),
              "Image File: a.bmp \r\nROI File:  \r\nImage size: 256 x 256\r\n"
              "Min. lum.: 1\r\nMax. lum.: 256\r\nBits/pixel: 8\r\n\r\n"
              "Normalisation =  No\r\nHistogram analysis = Yes\r\n"
              "CO matrix analysis = Yes, Dimensions = 6 x 6, Distances = 1 2 3 4 5\r\n"
              "RL matrix analysis = Yes, Dimension = 6\r\n"
              "Gradient analysis = Yes, Max pixel value = 16\r\nAR model analysis = Yes\r\n");
}

TEST_F(Header2DTest, SwitchesAndModesChangeTheirLines) {
    input.options.Do_normal = 3;
    input.options.Do_vt1 = input.options.Do_vt2 = input.options.Do_vt3 = input.options.Do_vt4 =
        input.options.Do_vt5 = 0;
    input.options.Do_rl = 0;
    input.options.Ng_gr = 12;
    std::string h = reportHeader2D(input);
    EXPECT_NE(h.find("Normalisation =  No\r\n"), std::string::npos);
    EXPECT_NE(h.find("CO matrix analysis = No\r\n"), std::string::npos);
    EXPECT_NE(h.find("RL matrix analysis = No\r\n"), std::string::npos);
    EXPECT_NE(h.find("Max pixel value = 4096\r\n"), std::string::npos);
    input.options.Do_normal = 1;
    input.options.Do_vt2 = input.options.Do_vt5 = 1;
    h = reportHeader2D(input);
    EXPECT_NE(h.find("Normalisation =  3 sigma\r\n"), std::string::npos);
    EXPECT_NE(h.find("Distances = 2 5\r\n"), std::string::npos);
    input.options.Do_normal = 2;
    EXPECT_NE(reportHeader2D(input).find("Normalisation =  1 percent\r\n"), std::string::npos);
}

TEST(Count2D, RecordsAndStepsFollowTheSwitches) {
    AnalysisOptions o;
    RecordCount count = countAnalysis2D(o);
    EXPECT_EQ(count.records, 282);
    EXPECT_EQ(count.steps, 9);
    o.Do_normal = 2;
    EXPECT_EQ(countAnalysis2D(o).records, 284);
    o = AnalysisOptions{};
    o.Do_hist = o.Do_co = o.Do_rl = o.Do_grad = o.Do_arm = 0;
    EXPECT_EQ(countAnalysis2D(o).records, 1);
    EXPECT_EQ(countAnalysis2D(o).steps, 0);
    o.Do_co = 7;  // stored nonsense counts as on
    o.Do_vt3 = 0;
    EXPECT_EQ(countAnalysis2D(o).records, 1 + 4 * 48);
}

}  // namespace

namespace {

struct TestRun {
    PlanePtr grey = newPlane(256, 256);
    PlanePtr roi = newPlane(256, 256);
    Analysis2DInput input;
    std::vector<FeatureRecord> records;
    std::string header;
    std::vector<std::string> texts;
    ProgressSink sink;

    TestRun() {
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                grey->at(x, y) = static_cast<uint16_t>((x * 7 + y * 13 + (x * y) % 11) % 256);
                roi->at(x, y) = 1;
            }
        input.grey = grey.get();
        input.roiMap = roi.get();
        input.imageMin = 0;
        input.imageMax = 255;
        input.bitDepth = 8;
        sink.text = [this](const std::string& line) { texts.push_back(line); };
    }
    Analysis2DBuffers buffers;
    bool go() { return Analyse2D(input, records, header, sink, buffers); }
    std::string name(size_t i) const { return std::string(recordName(records[i])); }
};

TEST(Analyse2DRun, DefaultOptionsGiveTheFamiliesInTheirOrder) {
    TestRun run;
    ASSERT_TRUE(run.go());
    ASSERT_EQ(run.records.size(), 282u);
    EXPECT_EQ(static_cast<int>(run.records.size()), countAnalysis2D(run.input.options).records);
    EXPECT_EQ(run.name(0), "_Area");
    EXPECT_EQ(run.records[0].values[0], 65536.0);
    EXPECT_EQ(run.name(1), "Mean");
    EXPECT_EQ(run.name(10), "_Area_S(1,0)");
    EXPECT_EQ(run.name(10 + 240), "Horzl_RLNonUni");
    EXPECT_EQ(run.name(270), "_AreaGr");
    EXPECT_EQ(run.name(276), "_AreaARM");
    EXPECT_EQ(run.name(281), "Sigma");
    EXPECT_EQ(run.texts, (std::vector<std::string>{
                             "Histogram done", "Co-occurence: distance 1 done",
                             "Co-occurence: distance 2 done", "Co-occurence: distance 3 done",
                             "Co-occurence: distance 4 done", "Co-occurence: distance 5 done",
                             "Runlength done", "Gradient done", "Autoregression model done"}));
    EXPECT_EQ(static_cast<int>(run.texts.size()), countAnalysis2D(run.input.options).steps);
    EXPECT_EQ(run.header, reportHeader2D(run.input));
}

TEST(Analyse2DRun, AllSwitchesOffGiveOnlyTheArea) {
    TestRun run;
    AnalysisOptions& o = run.input.options;
    o.Do_hist = o.Do_co = o.Do_rl = o.Do_grad = o.Do_arm = 0;
    ASSERT_TRUE(run.go());
    ASSERT_EQ(run.records.size(), 1u);
    EXPECT_EQ(run.name(0), "_Area");
    EXPECT_TRUE(run.texts.empty());
}

TEST(Analyse2DRun, NormalisationAddsItsLimitsAndAStep) {
    TestRun run;
    run.input.options.Do_normal = 1;
    ASSERT_TRUE(run.go());
    EXPECT_EQ(run.records.size(), 284u);
    EXPECT_EQ(run.name(1), "_MinNorm");
    EXPECT_EQ(run.name(2), "_MaxNorm");
    EXPECT_EQ(run.texts.front(), "Normalisation done");
}

TEST(Analyse2DRun, ACancelledRunSaysSo) {
    TestRun run;
    std::atomic<bool> stop{false};
    run.sink.cancel = &stop;
    run.sink.text = [&](const std::string& line) {
        run.texts.push_back(line);
        stop = true;  // cancel after the first family
    };
    EXPECT_FALSE(run.go());
    EXPECT_EQ(run.texts.size(), 1u);
}

}  // namespace
