#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/textformat.h"
#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/linear/lda.h"
#include "statistics/core/linear/pca.h"
#include "statistics/core/linear/raw_data_analysis.h"
#include "statistics/core/reports/report_header.h"

namespace {

#include "statistics/tests/reference/r62_reference.inc"

// A loaded data set with every feature selected.
std::unique_ptr<R62DataSet> loaded(const std::vector<std::vector<double>>& rows,
                                   const std::vector<int>& categories) {
    auto data = std::make_unique<R62DataSet>();
    data->SampleCount = static_cast<int16_t>(rows.size());
    data->FeatureCount = static_cast<int16_t>(rows[0].size());
    int classes = 0;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int s = static_cast<int>(i) + 1;
        data->Category[s] = static_cast<int16_t>(categories[i]);
        data->RawData[s][0] = categories[i];
        classes = std::max(classes, categories[i]);
        for (size_t f = 0; f < rows[i].size(); ++f)
            data->RawData[s][static_cast<int>(f) + 1] = rows[i][f];
    }
    data->CategoryCount = static_cast<int16_t>(classes);
    for (int f = 1; f <= data->FeatureCount; ++f) {
        data->FeatureName[f] = "f" + std::to_string(f);
        data->FeatureSelected[f] = 1;
    }
    data->DataFileName = "ref.sel";
    return data;
}

std::unique_ptr<R62DataSet> referenceData() {
    std::vector<std::vector<double>> rows;
    std::vector<int> categories;
    for (int i = 0; i < r62ref::kSampleCount; ++i) {
        rows.emplace_back(r62ref::kData[i], r62ref::kData[i] + r62ref::kFeatureCount);
        categories.push_back(r62ref::kCategory[i]);
    }
    return loaded(rows, categories);
}

// |cos| of the angle between column k of M and reference column k.
double alignment(const Matrix30& m, const double (*reference)[r62ref::kFeatureCount], int k) {
    double dot = 0.0, a = 0.0, b = 0.0;
    for (int r = 1; r <= r62ref::kFeatureCount; ++r) {
        dot += m[r][k] * reference[r - 1][k - 1];
        a += m[r][k] * m[r][k];
        b += reference[r - 1][k - 1] * reference[r - 1][k - 1];
    }
    return std::fabs(dot) / std::sqrt(a * b);
}

size_t indexOf(const std::vector<std::string>& lines, const std::string& line) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == line) return i;
    return lines.size();
}

TEST(R62Pca, EigenvaluesAndVectorsMatchTheReference) {
    auto data = referenceData();
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = PrincipalComponentAnalysis(*data, *projected, 0, "t");
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    for (int k = 1; k <= r62ref::kFeatureCount; ++k) {
        const double expected = r62ref::kPcaEigenvalues[k - 1];
        EXPECT_NEAR(report.eigenvalues[k], expected, 1e-10 * std::fabs(expected)) << k;
        EXPECT_NEAR(alignment(report.projection, r62ref::kPcaEigenvectors, k), 1.0, 1e-9) << k;
    }
    EXPECT_EQ(report.linearDimensionality, r62ref::kPcaDimensionality);
}

TEST(R62Pca, ReportLayout) {
    auto data = referenceData();
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = PrincipalComponentAnalysis(*data, *projected, 0, "now");
    const int n = r62ref::kFeatureCount;
    const int m = report.linearDimensionality;
    const std::vector<std::string> header = reportHeaderLines(*data, kPcaReportTitle, 0, "now");
    ASSERT_GT(report.lines.size(), header.size());
    for (size_t i = 0; i < header.size(); ++i) EXPECT_EQ(report.lines[i], header[i]);
    size_t at = header.size();
    EXPECT_EQ(report.lines[at++], "");
    EXPECT_EQ(report.lines[at++], "* Results [principal component analysis]");
    EXPECT_EQ(report.lines[at++], "Eigenvalues of data covariance matrix: ");
    for (int k = 1; k <= n; ++k)
        EXPECT_EQ(report.lines[at++], platform::formatExponent(report.eigenvalues[k], 20, 6));
    EXPECT_EQ(report.lines[at++], "Projection matrix for MEF: ");
    for (int r = 1; r <= n; ++r) {
        EXPECT_EQ(report.lines[at].size(), static_cast<size_t>(15 * n));
        EXPECT_EQ(report.lines[at++].substr(0, 15),
                  "  " + platform::formatExponent(report.projection[r][1], 13, 6));
    }
    EXPECT_EQ(report.lines[at++], "Linear dimensionality: " + std::to_string(m));
    EXPECT_EQ(report.lines[at++],
              platform::cformat("> Fisher coefficient, F = %-6.1f", report.fisher));
    EXPECT_EQ(report.lines[at++], "> Most expressive features (MEF):");
    for (int i = 1; i <= data->SampleCount; ++i) {
        std::string expected = platform::cformat("%3d", data->Category[i]);
        for (int k = 1; k <= m; ++k)
            expected += "  " + platform::formatExponent((*projected)[i][k], 13, 6);
        EXPECT_EQ(report.lines[at++], expected);
    }
    EXPECT_EQ(report.lines[at++], "> 1-NN classification of MEFs");
    const std::vector<std::string> block = misclassificationBlock(*data, report.misclassified);
    ASSERT_EQ(report.lines.size(), at + block.size());
    for (const std::string& line : block) EXPECT_EQ(report.lines[at++], line);
    // Two components: the 2-D plot of MEF 1 and 2.
    EXPECT_EQ(report.plot.kind, PlotKind::Plot2D);
    EXPECT_EQ(report.plot.tag, "pca");
    EXPECT_EQ(report.plot.PlotTitle, "Principal Component Analysis");
    EXPECT_EQ(report.plot.AxisLabel1, "MEF 1");
    EXPECT_EQ(report.plot.AxisLabel2, "MEF 2");
    EXPECT_EQ(report.plot.PlotY[5], (*projected)[5][2]);
    // The working data are left centred.
    double sum = 0.0;
    for (int i = 1; i <= data->SampleCount; ++i) sum += data->FeatureData[i][1];
    EXPECT_NEAR(sum, 0.0, 1e-9);
}

TEST(R62Pca, FastNearestNeighbourAgreesWithThePlainRule) {
    auto data = referenceData();
    auto projected = std::make_unique<SampleMatrix>();
    PrincipalComponentAnalysis(*data, *projected, 1, "t");
    for (int m : {0, 1, 2, 3}) {
        const int fast = leaveOneOut1NNProjected(*data, *projected, m);
        const auto fastResult = data->ClassResult;
        const int plain = LeaveOneOut1NN(
            *data, [&](int i, int j) { return ProjectedSqDistance(*projected, i, j, m); });
        EXPECT_EQ(fast, plain) << m;
        EXPECT_EQ(fastResult, data->ClassResult) << m;
    }
}

TEST(R62Pca, TwoIdenticalFeaturesGiveOneComponentAndTheStrip) {
    auto data = loaded({{1, 1}, {2, 2}, {4, 4}, {7, 7}}, {1, 1, 2, 2});
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = PrincipalComponentAnalysis(*data, *projected, 0, "t");
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    EXPECT_NEAR(report.eigenvalues[2], 0.0, 1e-14);
    EXPECT_EQ(report.linearDimensionality, 1);
    EXPECT_EQ(report.plot.kind, PlotKind::Plot1D);
    EXPECT_EQ(indexOf(report.lines, "Linear dimensionality: 1") < report.lines.size(), true);
}

TEST(R62Pca, RefusesFewerThanTwoFeatures) {
    auto data = loaded({{1, 5}, {2, 3}, {4, 4}, {7, 1}}, {1, 1, 2, 2});
    data->FeatureSelected[2] = 0;
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = PrincipalComponentAnalysis(*data, *projected, 0, "t");
    EXPECT_EQ(report.outcome, AnalysisOutcome::NoFeatures);
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0], kPcaNoFeaturesMessage);
    EXPECT_TRUE(report.lines.empty());
    EXPECT_EQ(report.plot.kind, PlotKind::None);
}

TEST(R62Lda, EigenvaluesAndDirectionsMatchTheReference) {
    auto data = referenceData();
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = LinearDiscriminantAnalysis(*data, *projected, 0, "t");
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    const double largest = r62ref::kLdaEigenvalues[0];
    for (int k = 1; k <= r62ref::kFeatureCount; ++k)
        EXPECT_NEAR(report.eigenvalues[k], r62ref::kLdaEigenvalues[k - 1], 1e-10 * largest) << k;
    // The C - 1 directions with non-zero eigenvalues are determined up to sign.
    for (int k = 1; k < r62ref::kCategoryCount; ++k)
        EXPECT_NEAR(alignment(report.projection, r62ref::kLdaDirections, k), 1.0, 1e-9) << k;
    for (int k = 1; k <= r62ref::kFeatureCount; ++k) {
        double length = 0.0;
        for (int r = 1; r <= r62ref::kFeatureCount; ++r)
            length += report.projection[r][k] * report.projection[r][k];
        EXPECT_NEAR(length, 1.0, 1e-14);
    }
}

TEST(R62Lda, ReportLayout) {
    auto data = referenceData();
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = LinearDiscriminantAnalysis(*data, *projected, 0, "now");
    const std::vector<std::string> header = reportHeaderLines(*data, kLdaReportTitle, 0, "now");
    const int n = r62ref::kFeatureCount;
    const int m = report.linearDimensionality;
    size_t at = header.size();
    EXPECT_EQ(report.lines[at++], "");
    EXPECT_EQ(report.lines[at++], "* Results [linear discriminant analysis]");
    EXPECT_EQ(report.lines[at++], "Eigenvalues of [inv(Cw)*Ct]: ");
    for (int k = 1; k <= n; ++k)
        EXPECT_EQ(report.lines[at++], platform::formatExponent(report.eigenvalues[k], 20, 6));
    EXPECT_EQ(report.lines[at++], "Projection matrix for MDF: ");
    at += static_cast<size_t>(n);
    EXPECT_EQ(report.lines[at++],
              "Linear separability: " + platform::cformat("%-6.2f", report.eigenvalues[1]));
    EXPECT_EQ(report.lines[at++], "LDA dimensionality: " + std::to_string(m));
    EXPECT_EQ(report.lines[at++],
              platform::cformat("> Fisher coefficient, F = %-6.1f", report.fisher));
    EXPECT_EQ(report.lines[at++], "> Most discriminative features (MDF):");
    at += static_cast<size_t>(data->SampleCount);
    EXPECT_EQ(report.lines[at++], "> 1-NN classification of MDFs");
    EXPECT_EQ(report.lines.size(), at + misclassificationBlock(*data, report.misclassified).size());
    EXPECT_EQ(report.plot.PlotTitle, "Linear Discriminant Analysis");
    EXPECT_EQ(report.plot.AxisLabel1, "MDF 1");
    // The reference eigenvalues 0.879 and 0.063 share 93% and 100% of the total.
    EXPECT_EQ(m, 2);
    EXPECT_EQ(report.plot.kind, PlotKind::Plot2D);
    EXPECT_EQ(report.plot.tag, "lda");
    EXPECT_EQ(report.plot.AxisLabel2, "MDF 2");
}

TEST(R62Lda, SingularTotalScatterShowsOneMessageWithWhyAndLeavesHeaderAndTitle) {
    // The third feature is the sum of the first two; the mean is exactly 0, so
    // the factorisation meets an exact zero pivot.
    auto data = loaded({{1, 1, 2}, {1, -1, 0}, {-1, 1, 0}, {-1, -1, -2}}, {1, 1, 2, 2});
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = LinearDiscriminantAnalysis(*data, *projected, 0, "now");
    EXPECT_EQ(report.outcome, AnalysisOutcome::Failed);
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0],
              "Linear Discriminant Analysis runtime error.\r[Wrong data.]\rThe scatter matrix of "
              "the selected features is singular: some features depend linearly on others (for "
              "example two features with the same values).\rSelect fewer features, leaving out "
              "those that repeat others (\"Options\" menu item), or add samples.");
    std::vector<std::string> expected = reportHeaderLines(*data, kLdaReportTitle, 0, "now");
    expected.emplace_back();
    expected.emplace_back("* Results [linear discriminant analysis]");
    EXPECT_EQ(report.lines, expected);
    EXPECT_EQ(report.plot.kind, PlotKind::None);
}

TEST(R62Lda, MoreFeaturesThanSamplesSayHowManyFeaturesCanBeUsed) {
    // Four samples span three directions at most: four features cannot be factored.
    auto data = loaded({{1, 0, 0, 3}, {0, 1, 0, 1}, {0, 0, 1, 4}, {2, 2, 5, 1}}, {1, 1, 2, 2});
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = LinearDiscriminantAnalysis(*data, *projected, 0, "now");
    EXPECT_EQ(report.outcome, AnalysisOutcome::Failed);
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0],
              "Linear Discriminant Analysis runtime error.\r[Wrong data.]\r4 samples are too few "
              "for 4 features: their scatter matrix is singular.\rSelect at most 3 features "
              "(\"Options\" menu item) or add samples.");
}

TEST(R62Lda, TwoCategoriesGiveOneDirectionAndTheStrip) {
    auto data =
        loaded({{0, 1}, {1, 0.5}, {0.2, 0}, {3, 4}, {4, 3.5}, {3.5, 5}}, {1, 1, 1, 2, 2, 2});
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = LinearDiscriminantAnalysis(*data, *projected, 1, "t");
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    EXPECT_GT(report.eigenvalues[1], 0.0);
    EXPECT_LT(report.eigenvalues[1], 1.0);
    EXPECT_NEAR(report.eigenvalues[2], 0.0, 1e-14);
    EXPECT_EQ(report.linearDimensionality, 1);
    EXPECT_EQ(report.plot.kind, PlotKind::Plot1D);
    EXPECT_LT(indexOf(report.lines, "LDA dimensionality: 1"), report.lines.size());
}

TEST(R62Lda, RefusesFewerThanTwoFeatures) {
    auto data = loaded({{1, 5}, {2, 3}, {4, 4}, {7, 1}}, {1, 1, 2, 2});
    data->FeatureSelected[1] = 0;
    auto projected = std::make_unique<SampleMatrix>();
    const ProjectionReport report = LinearDiscriminantAnalysis(*data, *projected, 0, "t");
    EXPECT_EQ(report.outcome, AnalysisOutcome::NoFeatures);
    ASSERT_EQ(report.messages.size(), 1u);
    EXPECT_EQ(report.messages[0], kLdaNoFeaturesMessage);
}

TEST(R62ClassStatistics, FisherMatchesTheClosedForm) {
    auto data = referenceData();
    ASSERT_TRUE(PrepareWorkingData(*data, 0).prepared);
    const double f = ClassStatistics(*data, data->FeatureData, r62ref::kFeatureCount);
    EXPECT_NEAR(f, r62ref::kFisher, 1e-12 * r62ref::kFisher);
}

TEST(R62ClassStatistics, EqualClassesGiveSquaredDistanceOfMeans) {
    // Means (0,0) and (3,4): B = 25; within scatter per class 1, so W = 1.
    auto data = loaded({{-1, 0}, {1, 0}, {3, 3}, {3, 5}}, {1, 1, 2, 2});
    ASSERT_TRUE(PrepareWorkingData(*data, 0).prepared);
    EXPECT_DOUBLE_EQ(ClassStatistics(*data, data->FeatureData, 2), 25.0);
}

TEST(R62ClassStatistics, SeparatedClassesWithoutSpreadGiveAMillion) {
    auto data = loaded({{0, 0}, {0, 0}, {3, 4}, {3, 4}}, {1, 1, 2, 2});
    ASSERT_TRUE(PrepareWorkingData(*data, 0).prepared);
    EXPECT_EQ(ClassStatistics(*data, data->FeatureData, 2), 1000000.0);
}

TEST(R62RawDataAnalysis, ReportAndPlot) {
    auto data = loaded({{0, 0}, {0, 0}, {3, 4}, {3, 4}}, {1, 1, 2, 2});
    const RawDataAnalysisReport report = runRawDataAnalysis(*data, 0, "now");
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    std::vector<std::string> expected = reportHeaderLines(*data, kRawDataReportTitle, 0, "now");
    expected.emplace_back();
    expected.emplace_back("* Results [raw-data analysis]");
    expected.emplace_back("> Fisher coefficient, F = 1000000.0");
    expected.emplace_back("> 1-NN classification of raw data");
    for (const std::string& line : misclassificationBlock(*data, 0)) expected.push_back(line);
    EXPECT_EQ(report.lines, expected);
    EXPECT_EQ(report.plot.kind, PlotKind::Plot2D);
    EXPECT_EQ(report.plot.tag, "raw");
    EXPECT_EQ(report.plot.PlotTitle, "raw data analysis");
    EXPECT_EQ(report.plot.AxisLabel2, "f2");
    EXPECT_EQ(report.plot.PlotY[3], 4.0);
    EXPECT_EQ(report.plot.sampleCount, 4);
}

TEST(R62RawDataAnalysis, FisherLineIsLeftAlignedInSixCharacters) {
    EXPECT_EQ(fisherLine(12.34), "> Fisher coefficient, F = 12.3  ");
}

TEST(R62RawDataAnalysis, ThreeFeaturesDrawTheBoxPlot) {
    auto data = loaded({{0, 1, 2}, {1, 0, 1}, {3, 4, 0}, {4, 3, 5}}, {1, 1, 2, 2});
    const RawDataAnalysisReport report = runRawDataAnalysis(*data, 1, "now");
    EXPECT_EQ(report.plot.kind, PlotKind::Plot3D);
    EXPECT_EQ(report.plot.AxisLabel3, "f3");
    EXPECT_EQ(report.plot.PlotZ[1], data->FeatureData[1][3]);
}

TEST(R62RawDataAnalysis, RefusesOneFeatureAndZeroSpread) {
    auto data = loaded({{0, 1}, {1, 0}, {3, 4}, {4, 3}}, {1, 1, 2, 2});
    data->FeatureSelected[2] = 0;
    RawDataAnalysisReport report = runRawDataAnalysis(*data, 0, "now");
    EXPECT_EQ(report.outcome, AnalysisOutcome::NoFeatures);
    EXPECT_EQ(report.messages.at(0), kRawDataNoFeaturesMessage);
    auto flat = loaded({{0, 1}, {0, 0}, {0, 4}, {0, 3}}, {1, 1, 2, 2});
    report = runRawDataAnalysis(*flat, 0, "now");
    EXPECT_EQ(report.outcome, AnalysisOutcome::PreparationRefused);
    EXPECT_EQ(report.messages.at(0), "Standard deviation of feature #1 is zero!");
}

}  // namespace
