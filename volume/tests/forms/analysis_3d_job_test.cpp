#include "volume/forms/analysis_3d_job.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTimer>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/runner/analysis_runner.h"
#include "workspace/tests/forms/qt_test_app.h"

namespace {

// n x n x n: VOI 1 a block in x 2..5, y 1..n-2; VOI 3 one voxel.
struct Volumes {
    Volume3D image;
    Volume3D mask;
    explicit Volumes(int32_t n = 8) : image(n), mask(n) {
        for (int32_t z = 0; z < n; ++z) {
            Volume3DSetSlice(image, nullptr, n, n, z);
            Volume3DSetSlice(mask, nullptr, n, n, z);
            for (int32_t y = 0; y < n; ++y)
                for (int32_t x = 0; x < n; ++x) {
                    Volume3DSetVoxel(image, x, y, z,
                                     static_cast<uint16_t>(((x * 7 + y * 3 + z) % 64) << 10));
                    if (x >= 2 && x < 6 && y >= 1 && y < n - 1) Volume3DSetVoxel(mask, x, y, z, 1);
                }
        }
        Volume3DSetVoxel(mask, 0, 0, 0, 4);
    }
};

class Analysis3DJob : public ::testing::Test {
  protected:
    void SetUp() override {
        testApplication();
        resetReportDocuments();
    }
    void TearDown() override { resetReportDocuments(); }
};

}  // namespace

TEST_F(Analysis3DJob, ARunMakesOneReportDocumentWithTheVoiNames) {
    Volumes v;
    VoiNames names;
    names[0] = "block";
    names[2] = std::string(300, 'p');
    TProgress progress(nullptr);
    registerProgressJob(
        kMode3D, [&] { return make3DAnalysisJob(&v.image, &v.mask, Analysis3DOptions{}, names); });
    AnalysisMode = kMode3D;
    // The editor may change its volumes once the job has its copies.
    EXPECT_EQ(progress.exec(), QDialog::Accepted);
    EXPECT_EQ(progress.completionCode(), kMode3D);
    ReportDocument* doc = NthReportDocument(0);
    ASSERT_NE(doc, nullptr);
    ASSERT_EQ(doc->recordCount(), 101);
    EXPECT_EQ(recordName(doc->records[0]), "_Volume");
    EXPECT_EQ(doc->records[0].values[0], 4.0 * 6 * 8);
    EXPECT_EQ(doc->records[0].values[2], 1.0);
    EXPECT_EQ(doc->roiName[0], "block");
    EXPECT_EQ(doc->roiName[2].size(), 255u);
    EXPECT_EQ(doc->roiState[0], kRoiUsed);
    EXPECT_EQ(doc->roiState[1], kRoiEmpty);
    EXPECT_EQ(doc->header.rfind("3D Image Analysis REPORT\r\nImage size: 8 x 8 x 8\r\n", 0), 0u);
    EXPECT_EQ(doc->saved, 0u);
    EXPECT_EQ(progress.doneInfo()->text(), "Runlength done");
}

TEST_F(Analysis3DJob, ACancelledJobMakesNoDocument) {
    Volumes v;
    std::optional<ProgressJob> job = make3DAnalysisJob(&v.image, &v.mask, Analysis3DOptions{}, {});
    ASSERT_TRUE(job);
    std::atomic<bool> cancel{true};
    ProgressSink sink;
    sink.cancel = &cancel;
    EXPECT_FALSE(job->run(sink));
    job->finish(false);
    EXPECT_EQ(NthReportDocument(0), nullptr);
}

TEST_F(Analysis3DJob, CancelInTheProgressWindowMakesNoDocument) {
    Volumes v(96);
    TProgress progress(nullptr);
    Analysis3DOptions all;
    all.ComDist2 = all.ComDist3 = all.ComDist4 = all.ComDist5 = true;
    all.ComMoredirs = all.RlmMoredirs = true;
    registerProgressJob(kMode3D,
                        [&] { return make3DAnalysisJob(&v.image, &v.mask, all, VoiNames{}); });
    AnalysisMode = kMode3D;
    QTimer::singleShot(0, &progress, [&] { progress.CancelClick(); });
    EXPECT_EQ(progress.exec(), QDialog::Rejected);
    EXPECT_EQ(progress.completionCode(), 0);
    EXPECT_EQ(NthReportDocument(0), nullptr);
}

TEST_F(Analysis3DJob, NothingRunsWithoutBothVolumes) {
    Volumes v;
    EXPECT_FALSE(make3DAnalysisJob(nullptr, &v.mask, Analysis3DOptions{}, VoiNames{}));
    EXPECT_FALSE(make3DAnalysisJob(&v.image, nullptr, Analysis3DOptions{}, VoiNames{}));
}
