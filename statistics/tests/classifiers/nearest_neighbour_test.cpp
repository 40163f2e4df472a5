#include "statistics/core/classifiers/nearest_neighbour.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace {

// A data set with the given working columns already prepared.
std::unique_ptr<R62DataSet> workingData(const std::vector<std::vector<double>>& rows,
                                        const std::vector<int>& categories) {
    auto data = std::make_unique<R62DataSet>();
    data->SampleCount = static_cast<int16_t>(rows.size());
    data->SelectedCount = static_cast<int16_t>(rows.empty() ? 0 : rows[0].size());
    data->FeatureCount = data->SelectedCount;
    for (size_t i = 0; i < rows.size(); ++i) {
        const int s = static_cast<int>(i) + 1;
        data->Category[s] = static_cast<int16_t>(categories[i]);
        data->RawData[s][0] = categories[i];
        for (size_t f = 0; f < rows[i].size(); ++f) {
            data->FeatureData[s][static_cast<int>(f) + 1] = rows[i][f];
            data->RawData[s][static_cast<int>(f) + 1] = rows[i][f];
        }
    }
    for (int f = 1; f <= data->FeatureCount; ++f) {
        data->FeatureName[f] = "f" + std::to_string(f);
        data->FeatureSelected[f] = 1;
    }
    return data;
}

struct Sample {
    std::vector<double> x;
    int category;
};

std::vector<Sample> randomSamples(int n, int features, int classes, unsigned seed, bool grid) {
    std::mt19937 random(seed);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::uniform_int_distribution<int> level(0, 3);
    std::vector<Sample> samples;
    for (int i = 0; i < n; ++i) {
        Sample s;
        s.category = i % classes + 1;
        for (int f = 0; f < features; ++f)
            s.x.push_back(grid ? level(random) : noise(random) + 0.8 * s.category * (f % 3));
        samples.push_back(s);
    }
    return samples;
}

std::unique_ptr<R62DataSet> dataOf(const std::vector<Sample>& samples) {
    std::vector<std::vector<double>> rows;
    std::vector<int> categories;
    for (const Sample& s : samples) {
        rows.push_back(s.x);
        categories.push_back(s.category);
    }
    return workingData(rows, categories);
}

// Leave-one-out 1-NN computed on its own, in long double: valid where no
// two distances from a sample are close.
std::vector<int> independentNearestClasses(const std::vector<Sample>& samples) {
    std::vector<int> classes;
    for (size_t i = 0; i < samples.size(); ++i) {
        long double best = std::numeric_limits<long double>::max();
        int cls = 0;
        for (size_t j = 0; j < samples.size(); ++j) {
            if (j == i) continue;
            long double d = 0;
            for (size_t f = 0; f < samples[i].x.size(); ++f) {
                const long double diff =
                    static_cast<long double>(samples[j].x[f]) - samples[i].x[f];
                d += diff * diff;
            }
            if (d < best) {
                best = d;
                cls = samples[j].category;
            }
        }
        classes.push_back(cls);
    }
    return classes;
}

TEST(R62LeaveOneOut1NN, AgreesWithAnIndependentComputation) {
    const std::vector<Sample> samples = randomSamples(300, 7, 3, 11, false);
    const std::vector<int> expected = independentNearestClasses(samples);
    int expectedWrong = 0;
    for (size_t i = 0; i < samples.size(); ++i) expectedWrong += expected[i] != samples[i].category;
    ASSERT_GT(expectedWrong, 0);

    auto fast = dataOf(samples);
    EXPECT_EQ(leaveOneOut1NNSampleDistance(*fast), expectedWrong);
    auto plain = dataOf(samples);
    EXPECT_EQ(LeaveOneOut1NN(*plain, [&](int i, int j) { return SampleSqDistance(*plain, i, j); }),
              expectedWrong);
    for (size_t i = 0; i < samples.size(); ++i) {
        EXPECT_EQ(fast->ClassResult[static_cast<int>(i) + 1], expected[i]) << "sample " << i + 1;
        EXPECT_EQ(plain->ClassResult[static_cast<int>(i) + 1], expected[i]) << "sample " << i + 1;
    }
}

TEST(R62LeaveOneOut1NN, FastAndPlainRulesAgreeOnDataFullOfTies) {
    for (int n : {2, 3, 5, 8, 97, 400}) {
        for (int features : {1, 3, 30}) {
            const std::vector<Sample> samples =
                randomSamples(n, features, 4, static_cast<unsigned>(n * 31 + features), true);
            auto fast = dataOf(samples);
            auto plain = dataOf(samples);
            const int a = leaveOneOut1NNSampleDistance(*fast);
            const int b = LeaveOneOut1NN(
                *plain, [&](int i, int j) { return SampleSqDistance(*plain, i, j); });
            EXPECT_EQ(a, b) << n << " samples, " << features << " features";
            EXPECT_EQ(fast->ClassResult, plain->ClassResult) << n << " samples";
        }
    }
}

TEST(R62LeaveOneOut1NN, EqualDistancesGoToTheLowestSampleNumber) {
    // Sample 3 lies between 1 and 2 at equal distances.
    auto data = workingData({{-1.0}, {1.0}, {0.0}, {10.0}}, {1, 2, 3, 3});
    leaveOneOut1NNSampleDistance(*data);
    EXPECT_EQ(data->ClassResult[3], 1);
    auto plain = workingData({{-1.0}, {1.0}, {0.0}, {10.0}}, {1, 2, 3, 3});
    LeaveOneOut1NN(*plain, [&](int i, int j) { return SampleSqDistance(*plain, i, j); });
    EXPECT_EQ(plain->ClassResult[3], 1);

    // Sample 4 has three identical copies; the first of them is its neighbour.
    auto copies =
        workingData({{1.0, 2.0}, {5.0, 5.0}, {5.0, 5.0}, {5.0, 5.0}, {5.0, 5.0}}, {1, 2, 3, 4, 1});
    leaveOneOut1NNSampleDistance(*copies);
    EXPECT_EQ(copies->ClassResult[4], 2);
    EXPECT_EQ(copies->ClassResult[2], 3);
    EXPECT_EQ(copies->ClassResult[5], 2);
}

TEST(R62LeaveOneOut1NN, ASampleWithoutNeighbourIsMisclassified) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    // Sample 2's distances are all NaN; samples 1 and 3 still find each other.
    auto data = workingData({{0.0}, {nan}, {1.0}}, {1, 1, 1});
    EXPECT_EQ(leaveOneOut1NNSampleDistance(*data), 1);
    EXPECT_EQ(data->ClassResult[1], 1);
    EXPECT_EQ(data->ClassResult[2], 0);
    EXPECT_EQ(data->ClassResult[3], 1);

    // Squares that overflow to infinity do not make a neighbour either.
    auto far = workingData({{-1e200}, {1e200}}, {1, 1});
    EXPECT_EQ(leaveOneOut1NNSampleDistance(*far), 2);
    EXPECT_EQ(far->ClassResult[1], 0);
    auto farPlain = workingData({{-1e200}, {1e200}}, {1, 1});
    EXPECT_EQ(
        LeaveOneOut1NN(*farPlain, [&](int i, int j) { return SampleSqDistance(*farPlain, i, j); }),
        2);

    // A lone sample has none at all.
    auto alone = workingData({{3.0}}, {2});
    EXPECT_EQ(leaveOneOut1NNSampleDistance(*alone), 1);
    EXPECT_EQ(alone->ClassResult[1], 0);
    const std::vector<std::string> block = misclassificationBlock(*alone, 1);
    EXPECT_EQ(block[1], "Sample No:  1; Category:  2; ClassResult:  0");
}

TEST(R62LeaveOneOut1NN, DistanceIsTheSquaredSumOverTheWorkingColumns) {
    auto data = workingData({{1.0, 2.0, 100.0}, {4.0, 6.0, 100.0}}, {1, 2});
    EXPECT_EQ(SampleSqDistance(*data, 1, 2), 25.0);
    data->SelectedCount = 1;
    EXPECT_EQ(SampleSqDistance(*data, 1, 2), 9.0);
    data->SelectedCount = 0;
    EXPECT_EQ(SampleSqDistance(*data, 1, 2), 0.0);
    EXPECT_THROW(SampleSqDistance(*data, 0, 1), RangeCheckError);
    EXPECT_THROW(SampleSqDistance(*data, 1, 2001), RangeCheckError);
}

TEST(R62MisclassificationBlock, ListsTheMisclassifiedSamples) {
    auto data = std::make_unique<R62DataSet>();
    data->SampleCount = 120;
    for (int i = 1; i <= 120; ++i) data->Category[i] = data->ClassResult[i] = 1;
    data->Category[17] = 2;
    data->Category[40] = 3;
    data->ClassResult[40] = 12;
    data->Category[120] = 2;
    const std::vector<std::string> block = misclassificationBlock(*data, 3);
    ASSERT_EQ(block.size(), 4u);
    EXPECT_EQ(block[0], "Missclassified data vectors: 3/120 [or 2.50%]");
    EXPECT_EQ(block[1], "Sample No: 17; Category:  2; ClassResult:  1");
    EXPECT_EQ(block[2], "Sample No: 40; Category:  3; ClassResult: 12");
    EXPECT_EQ(block[3], "Sample No:120; Category:  2; ClassResult:  1");
}

TEST(R62MisclassificationBlock, NoneAndAll) {
    auto data = workingData({{0.0}, {1.0}, {5.0}, {6.0}}, {1, 1, 2, 2});
    EXPECT_EQ(leaveOneOut1NNSampleDistance(*data), 0);
    EXPECT_EQ(misclassificationBlock(*data, 0),
              std::vector<std::string>{"Missclassified data vectors: 0/4 [or 0.00%]"});

    auto crossed = workingData({{0.0}, {1.0}, {5.0}, {6.0}}, {1, 2, 1, 2});
    EXPECT_EQ(leaveOneOut1NNSampleDistance(*crossed), 4);
    const std::vector<std::string> block = misclassificationBlock(*crossed, 4);
    ASSERT_EQ(block.size(), 5u);
    EXPECT_EQ(block[0], "Missclassified data vectors: 4/4 [or 100.00%]");
    EXPECT_EQ(block[1], "Sample No:  1; Category:  1; ClassResult:  2");
    EXPECT_EQ(block[4], "Sample No:  4; Category:  2; ClassResult:  1");
}

TEST(R62NearestNeighbourClassification, WritesHeaderAndResults) {
    auto data = workingData({{0.0, 10.0}, {1.0, 30.0}, {5.0, 10.0}, {6.0, 30.0}}, {1, 1, 2, 2});
    data->DataFileName = "data.sel";
    const NearestNeighbourReport report =
        NearestNeighbourClassification(*data, 0, "2024-05-01 10:00:00");
    ASSERT_EQ(report.outcome, NearestNeighbourOutcome::Reported);
    // Unstandardised, the second feature dominates and pairs 1 with 3.
    EXPECT_EQ(report.misclassified, 4);
    const std::vector<std::string> expected = {
        "* r62 report file [k-NN classification] <2024-05-01 10:00:00>",
        "* Data file name: \"data.sel\"",
        "* Selected features [2 out of 2]",
        "f1 [#1/#1]; p.mean= 3.00000E+000, p.std= 2.94392E+000",
        "f2 [#2/#2]; p.mean= 2.00000E+001, p.std= 1.15470E+001",
        "Feature vector standardized: NO",
        "",
        "* Results [1-NN classification]",
        "Missclassified data vectors: 4/4 [or 100.00%]",
        "Sample No:  1; Category:  1; ClassResult:  2",
        "Sample No:  2; Category:  1; ClassResult:  2",
        "Sample No:  3; Category:  2; ClassResult:  1",
        "Sample No:  4; Category:  2; ClassResult:  1",
    };
    EXPECT_EQ(report.lines, expected);
}

TEST(R62NearestNeighbourClassification, StandardisedDistancesKeepRawStatisticsInTheHeader) {
    // Standardised, both features weigh the same: 1 and 2 are nearest. The
    // header still shows the raw statistics (sqrt(101 / 3) for f1).
    auto data = workingData({{0.0, 10.0}, {1.0, 11.0}, {10.0, 100.0}, {11.0, 101.0}}, {1, 1, 2, 2});
    const NearestNeighbourReport report = NearestNeighbourClassification(*data, 1, "t");
    ASSERT_EQ(report.outcome, NearestNeighbourOutcome::Reported);
    EXPECT_EQ(report.misclassified, 0);
    EXPECT_EQ(report.lines[3], "f1 [#1/#1]; p.mean= 5.50000E+000, p.std= 5.80230E+000");
    EXPECT_EQ(report.lines[5], "Feature vector standardized: YES");
}

TEST(R62NearestNeighbourClassification, RefusesWithoutSelectedFeatures) {
    auto data = workingData({{0.0}, {1.0}, {5.0}, {6.0}}, {1, 1, 2, 2});
    data->FeatureSelected.fill(0);
    const NearestNeighbourReport report = NearestNeighbourClassification(*data, 0, "t");
    EXPECT_EQ(report.outcome, NearestNeighbourOutcome::NoFeatures);
    EXPECT_EQ(report.message,
              "k-NN classifier runtime error.\rNumber of selected features should be at least "
              "1.\r[Use \"Options\" menu item to select features.]");
    EXPECT_TRUE(report.lines.empty());
}

TEST(R62NearestNeighbourClassification, StopsWhenPreparationRefuses) {
    auto data = workingData({{1.0, 0.0}, {1.0, 1.0}, {1.0, 5.0}, {1.0, 6.0}}, {1, 1, 2, 2});
    const NearestNeighbourReport report = NearestNeighbourClassification(*data, 0, "t");
    EXPECT_EQ(report.outcome, NearestNeighbourOutcome::PreparationRefused);
    EXPECT_EQ(report.message, "Standard deviation of feature #1 is zero!");
    EXPECT_TRUE(report.lines.empty());
}

}  // namespace

TEST(R62LeaveOneOut1NN, PartsSpreadOverThreadsKeepThePlainChoice) {
    // Sizes around the part boundaries and the full limit: every part holds
    // ties with samples of other parts, so the merge order decides.
    for (int n : {31, 64, 65, 1000, 1999, 2000}) {
        for (int features : {1, 2, 30}) {
            const std::vector<Sample> samples =
                randomSamples(n, features, 5, static_cast<unsigned>(n * 7 + features), true);
            auto fast = dataOf(samples);
            auto plain = dataOf(samples);
            const int a = leaveOneOut1NNSampleDistance(*fast);
            const int b = LeaveOneOut1NN(
                *plain, [&](int i, int j) { return SampleSqDistance(*plain, i, j); });
            EXPECT_EQ(a, b) << n << " samples, " << features << " features";
            EXPECT_EQ(fast->ClassResult, plain->ClassResult) << n << " samples";
        }
    }
}

TEST(R62LeaveOneOut1NN, AnyMatrixAndColumnCountAndNonFiniteValues) {
    // Projected rows: another matrix than the working data, any number of
    // its columns, with NaN and infinite values that must never win.
    std::vector<Sample> samples = randomSamples(300, 30, 3, 11, false);
    samples[17].x[0] = std::numeric_limits<double>::quiet_NaN();
    samples[40].x[2] = std::numeric_limits<double>::infinity();
    samples[41].x[2] = std::numeric_limits<double>::infinity();
    auto rows = std::make_unique<SampleMatrix>();
    for (size_t i = 0; i < samples.size(); ++i)
        for (size_t f = 0; f < samples[i].x.size(); ++f)
            (*rows)[static_cast<int>(i) + 1][static_cast<int>(f) + 1] = samples[i].x[f];
    auto data = dataOf(randomSamples(300, 1, 3, 11, true));  // categories only
    for (int m : {0, 1, 2, 3, 7, 29, 30}) {
        const int fast = leaveOneOut1NNRows(*data, *rows, m);
        const auto fastResult = data->ClassResult;
        const int plain = LeaveOneOut1NN(*data, [&](int i, int j) {
            double sum = 0.0;
            for (int k = 1; k <= m; ++k) {
                const double d = (*rows)[i][k] - (*rows)[j][k];
                sum += d * d;
            }
            return sum;
        });
        EXPECT_EQ(fast, plain) << m << " columns";
        EXPECT_EQ(fastResult, data->ClassResult) << m << " columns";
    }
}
