#include "statistics/core/linear/projection.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

std::unique_ptr<R62DataSet> threeSamples() {
    auto data = std::make_unique<R62DataSet>();
    data->SampleCount = 3;
    data->CategoryCount = 2;
    const double rows[3][2] = {{1.0, 2.0}, {-1.0, 0.5}, {4.0, -3.0}};
    for (int i = 1; i <= 3; ++i) {
        data->Category[i] = static_cast<int16_t>(i == 2 ? 2 : 1);
        data->FeatureData[i][1] = rows[i - 1][0];
        data->FeatureData[i][2] = rows[i - 1][1];
    }
    return data;
}

TEST(Projection, SamplesAreProjectedOnEveryColumnAndTheRestIsCleared) {
    const auto data = threeSamples();
    Matrix30 p{};
    p[1][1] = 0.5;
    p[2][1] = 2.0;
    p[1][2] = -1.0;
    p[2][2] = 1.0;
    auto projected = std::make_unique<SampleMatrix>();
    (*projected)[3][5] = 9.0;  // left over from an earlier run
    (*projected)[4][1] = 9.0;
    projectSamples(data->FeatureData, 3, p, 2, *projected);
    EXPECT_EQ((*projected)[1][1], 4.5);
    EXPECT_EQ((*projected)[1][2], 1.0);
    EXPECT_EQ((*projected)[2][1], 0.5);
    EXPECT_EQ((*projected)[3][2], -7.0);
    EXPECT_EQ((*projected)[3][5], 0.0);
    EXPECT_EQ((*projected)[4][1], 0.0);
    EXPECT_EQ((*projected)[1][0], 0.0);
    EXPECT_EQ(ProjectedSqDistance(*projected, 1, 3, 2), 8.5 * 8.5 + 8.0 * 8.0);
    EXPECT_EQ(ProjectedSqDistance(*projected, 1, 3, 1), 8.5 * 8.5);
}

TEST(Projection, ThePlotFollowsTheNumberOfProjectedColumns) {
    const auto data = threeSamples();
    auto projected = std::make_unique<SampleMatrix>();
    for (int i = 1; i <= 3; ++i)
        for (int k = 1; k <= 3; ++k) (*projected)[i][k] = 10.0 * i + k;

    PlotInput strip;
    fillProjectedPlot(strip, *data, *projected, 1, "Principal Component Analysis", "MEF ", "pca");
    EXPECT_EQ(strip.kind, PlotKind::Plot1D);
    EXPECT_EQ(strip.AxisLabel1, "MEF 1");
    EXPECT_EQ(strip.AxisLabel2, "");
    EXPECT_EQ(strip.sampleCount, 3);
    EXPECT_EQ(strip.PlotZ[2], 23.0);  // copied even when not shown

    PlotInput flat;
    fillProjectedPlot(flat, *data, *projected, 2, "Nonlinear Discriminant Analysis", "NDA f",
                      "ann");
    EXPECT_EQ(flat.kind, PlotKind::Plot2D);
    EXPECT_EQ(flat.tag, "ann");
    EXPECT_EQ(flat.AxisLabel1, "NDA f1");
    EXPECT_EQ(flat.AxisLabel2, "NDA f2");
    EXPECT_EQ(flat.AxisLabel3, "");
    EXPECT_EQ(flat.PlotTitle, "Nonlinear Discriminant Analysis");

    PlotInput space;
    fillProjectedPlot(space, *data, *projected, 5, "Linear Discriminant Analysis", "MDF ", "lda");
    EXPECT_EQ(space.kind, PlotKind::Plot3D);
    EXPECT_EQ(space.AxisLabel3, "MDF 3");
    EXPECT_EQ(space.PlotX[3], 31.0);
    EXPECT_EQ(space.PlotY[3], 32.0);
    EXPECT_EQ(space.PlotZ[3], 33.0);
}

TEST(Projection, SampleLinesCarryTheCategoryAndMColumns) {
    const auto data = threeSamples();
    auto projected = std::make_unique<SampleMatrix>();
    (*projected)[2][1] = -1.5;
    (*projected)[2][2] = 1234.5;
    std::vector<std::string> lines{"before"};
    appendProjectedSampleLines(*data, *projected, 2, lines);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0], "before");
    EXPECT_EQ(lines[2], "  2  -1.50000E+000   1.23450E+003");
}

}  // namespace
