#include "statistics/core/data/data_set.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>

namespace {

// N samples of F features with values drawn from a wide spread, all selected.
std::unique_ptr<R62DataSet> randomData(int n, int features, unsigned seed) {
    auto data = std::make_unique<R62DataSet>();
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> value(-500.0, 2500.0);
    data->SampleCount = static_cast<int16_t>(n);
    data->FeatureCount = static_cast<int16_t>(features);
    data->CategoryCount = 2;
    for (int i = 1; i <= n; ++i) {
        data->RawData[i][0] = i % 2 + 1;
        data->Category[i] = static_cast<int16_t>(i % 2 + 1);
        for (int j = 1; j <= features; ++j) data->RawData[i][j] = value(random) * j;
    }
    for (int j = 1; j <= features; ++j) {
        data->FeatureName[j] = "f" + std::to_string(j);
        data->FeatureSelected[j] = 1;
    }
    return data;
}

TEST(R62PrepareWorkingData, StandardisedColumnsHaveMeanZeroAndDeviationOne) {
    auto data = randomData(57, 6, 1);
    ASSERT_TRUE(PrepareWorkingData(*data, 1).prepared);
    EXPECT_EQ(data->SelectedCount, 6);
    for (int j = 1; j <= 6; ++j) {
        long double sum = 0, squares = 0;
        for (int i = 1; i <= 57; ++i) sum += data->FeatureData[i][j];
        const long double mean = sum / 57;
        for (int i = 1; i <= 57; ++i)
            squares += (data->FeatureData[i][j] - mean) * (data->FeatureData[i][j] - mean);
        EXPECT_NEAR(static_cast<double>(mean), 0.0, 1e-12) << "feature " << j;
        EXPECT_NEAR(static_cast<double>(std::sqrt(squares / 56)), 1.0, 1e-12) << "feature " << j;
    }
}

TEST(R62PrepareWorkingData, StatisticsUseTheSampleVariance) {
    auto data = std::make_unique<R62DataSet>();
    data->SampleCount = 4;
    data->FeatureCount = 1;
    const double x[] = {2, 4, 4, 6};
    for (int i = 1; i <= 4; ++i) data->RawData[i][1] = x[i - 1];
    ASSERT_TRUE(PrepareWorkingData(*data, 0).prepared);
    EXPECT_EQ(data->FeatureMean[1], 4.0);
    EXPECT_EQ(data->FeatureVariance[1], 8.0 / 3.0);  // divisor N - 1
    EXPECT_EQ(data->FeatureStd[1], std::sqrt(8.0 / 3.0));
}

TEST(R62PrepareWorkingData, WithoutStandardisationTheColumnsAreTheRawValues) {
    auto data = randomData(20, 4, 2);
    ASSERT_TRUE(PrepareWorkingData(*data, 0).prepared);
    EXPECT_EQ(data->FeatureData, data->RawData);
    EXPECT_EQ(data->NewConsistentData, 1);
}

TEST(R62PrepareWorkingData, SelectedFeaturesMoveToTheFirstColumns) {
    auto data = randomData(12, 6, 3);
    data->FeatureSelected.fill(0);
    data->FeatureSelected[2] = 1;
    data->FeatureSelected[5] = 1;
    ASSERT_TRUE(PrepareWorkingData(*data, 0).prepared);
    EXPECT_EQ(data->SelectedCount, 2);
    EXPECT_EQ(data->SelectedFeatureIndex[1], 2);
    EXPECT_EQ(data->SelectedFeatureIndex[2], 5);
    EXPECT_EQ(data->SelectedFeatureName[1], "f2");
    EXPECT_EQ(data->SelectedFeatureName[2], "f5");
    for (int i = 1; i <= 12; ++i) {
        EXPECT_EQ(data->FeatureData[i][1], data->RawData[i][2]);
        EXPECT_EQ(data->FeatureData[i][2], data->RawData[i][5]);
    }
    // Statistics cover every feature, selected or not.
    EXPECT_NE(data->FeatureStd[3], 0.0);
}

TEST(R62PrepareWorkingData, NothingSelectedStillPrepares) {
    auto data = randomData(10, 3, 5);
    data->FeatureSelected.fill(0);
    const PrepareResult result = PrepareWorkingData(*data, 1);
    EXPECT_TRUE(result.prepared);
    EXPECT_EQ(data->SelectedCount, 0);
}

TEST(R62PrepareWorkingData, ZeroDeviationRefusesAndKeepsTheWorkingData) {
    auto data = randomData(10, 3, 6);
    ASSERT_TRUE(PrepareWorkingData(*data, 0).prepared);
    const SampleMatrix before = data->FeatureData;
    data->NewConsistentData = 0;
    for (int i = 1; i <= 10; ++i) data->RawData[i][2] = 3.5;
    data->RawData[1][1] = 99.0;
    const PrepareResult result = PrepareWorkingData(*data, 1);
    EXPECT_FALSE(result.prepared);
    EXPECT_EQ(result.message, "Standard deviation of feature #2 is zero!");
    EXPECT_EQ(data->FeatureData, before);
    EXPECT_EQ(data->NewConsistentData, 0);
    EXPECT_EQ(data->SelectedCount, 3);
}

TEST(R62PrepareWorkingData, ConstantColumnIsZeroDeviationDespiteRounding) {
    auto data = randomData(3, 2, 7);
    for (int i = 1; i <= 3; ++i) data->RawData[i][1] = 0.1;  // sum / 3 is not 0.1
    const PrepareResult result = PrepareWorkingData(*data, 1);
    EXPECT_FALSE(result.prepared);
    EXPECT_EQ(result.message, "Standard deviation of feature #1 is zero!");
}

TEST(R62PrepareWorkingData, OneSampleHasNoDeviation) {
    auto data = randomData(1, 2, 8);
    const PrepareResult result = PrepareWorkingData(*data, 1);
    EXPECT_FALSE(result.prepared);  // rather than NaN from a division by N - 1 = 0
    EXPECT_EQ(result.message, "Standard deviation of feature #1 is zero!");
}

TEST(R62DataSet, IndicesOutsideTheirRangesAreRangeErrors) {
    auto data = std::make_unique<R62DataSet>();
    EXPECT_THROW(data->RawData[0], RangeCheckError);
    EXPECT_THROW(data->RawData[2001], RangeCheckError);
    EXPECT_THROW(data->RawData[1][31], RangeCheckError);
    EXPECT_THROW(data->FeatureName[0], RangeCheckError);
    EXPECT_THROW(data->CategoryName[41], RangeCheckError);
    EXPECT_NO_THROW(data->CategoryName[0]);
    EXPECT_NO_THROW(data->RawData[2000][30]);
    try {
        data->Category[-1] = 1;
        FAIL();
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Range check error");
    }
    data->FeatureCount = 31;
    EXPECT_THROW(PrepareWorkingData(*data, 0), RangeCheckError);
    data->FeatureCount = 1;
    data->SampleCount = 2001;
    EXPECT_THROW(PrepareWorkingData(*data, 0), RangeCheckError);
}

TEST(R62DataSet, NarrowingThatLosesTheValueIsAnOverflow) {
    EXPECT_EQ(checkedNarrow<int16_t>(32767), 32767);
    EXPECT_EQ(checkedNarrow<int16_t>(-32768L), -32768);
    EXPECT_EQ(checkedNarrow<uint16_t>(65535), 65535);
    EXPECT_THROW(checkedNarrow<int16_t>(32768), IntegerOverflowError);
    EXPECT_THROW(checkedNarrow<uint16_t>(-1), IntegerOverflowError);
    EXPECT_THROW(checkedNarrow<int16_t>(uint64_t{1} << 40), IntegerOverflowError);
    try {
        checkedNarrow<int8_t>(300);
        FAIL();
    } catch (const std::exception& error) {
        EXPECT_STREQ(error.what(), "Integer overflow");
    }
}

TEST(R62DataSet, OneProcessDataSetWithAReset) {
    R62DataSet& data = r62Data();
    EXPECT_EQ(&data, &r62Data());
    data.SampleCount = 5;
    data.RawData[3][2] = 1.5;
    data.FeatureName[1] = "x";
    data.NewConsistentData = 1;
    resetR62Data();
    EXPECT_EQ(data.SampleCount, 0);
    EXPECT_EQ(data.RawData[3][2], 0.0);
    EXPECT_EQ(data.FeatureName[1], "");
    EXPECT_EQ(data.NewConsistentData, 0);
}

}  // namespace
