#include "statistics/core/reports/report_header.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "statistics/core/data/data_set.h"

namespace {

// Six features, of which 2 and 5 are selected, with known statistics.
std::unique_ptr<R62DataSet> sixFeatures() {
    auto data = std::make_unique<R62DataSet>();
    data->DataFileName = "study.sel";
    data->FeatureCount = 6;
    data->SelectedCount = 2;
    data->SelectedFeatureName[1] = "Mean";
    data->SelectedFeatureIndex[1] = 2;
    data->SelectedFeatureName[2] = "GrNonZeros";
    data->SelectedFeatureIndex[2] = 5;
    data->FeatureMean[2] = 1234.5;
    data->FeatureStd[2] = 0.5;
    data->FeatureMean[5] = -0.5;
    data->FeatureStd[5] = 123456789.0;
    return data;
}

TEST(R62ReportHeader, ListsTheSelectedFeaturesWithTheirStatistics) {
    auto data = sixFeatures();
    const std::vector<std::string> expected = {
        "* r62 report file [PCA analysis] <09.03.2007 14:05:31>",
        "* Data file name: \"study.sel\"",
        "* Selected features [2 out of 6]",
        "Mean [#1/#2]; p.mean= 1.23450E+003, p.std= 5.00000E-001",
        "GrNonZeros [#2/#5]; p.mean=-5.00000E-001, p.std= 1.23457E+008",
        "Feature vector standardized: NO",
    };
    EXPECT_EQ(reportHeaderLines(*data, kPcaReportTitle, 0, "09.03.2007 14:05:31"), expected);
}

TEST(R62ReportHeader, StandardisationLine) {
    auto data = sixFeatures();
    EXPECT_EQ(reportHeaderLines(*data, " [x]", 1, "t").back(), "Feature vector standardized: YES");
}

TEST(R62ReportHeader, TestReportsOpenWithTheSameLines) {
    auto data = sixFeatures();
    EXPECT_EQ(testReportHeaderLines(*data, " [NDA ANN classifier testing]", 1, "t"),
              reportHeaderLines(*data, " [NDA ANN classifier testing]", 1, "t"));
}

TEST(R62ReportHeader, NoSelection) {
    auto data = sixFeatures();
    data->SelectedCount = 0;
    const std::vector<std::string> lines = reportHeaderLines(*data, kKnnReportTitle, 0, "t");
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "* r62 report file [k-NN classification] <t>");
    EXPECT_EQ(lines[2], "* Selected features [0 out of 6]");
}

TEST(R62ReportHeader, ExponentsOfThreeDigits) {
    auto data = sixFeatures();
    data->FeatureMean[2] = 1e-300;
    data->FeatureStd[2] = 12345.678;
    EXPECT_EQ(reportHeaderLines(*data, "", 0, "t")[3],
              "Mean [#1/#2]; p.mean= 1.00000E-300, p.std= 1.23457E+004");
}

TEST(R62ReportHeader, DateAndTimeAreFilledIn) {
    const std::string text = reportDateTime(1700000000);
    EXPECT_FALSE(text.empty());
    EXPECT_NE(text.find("23"), std::string::npos);  // the year in the C locale's %x
}

}  // namespace
