#include "statistics/core/classifiers/ann_classifier.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "platform/textformat.h"
#include "statistics/core/data/selection_file_reader.h"
#include "statistics/core/r62_shell.h"

namespace {

// Seeds 1000, 1001, ...: each reseed gets the next one, as the clock would
// give a new count.
RandomSource countingSource(uint32_t first = 1000) {
    auto next = std::make_shared<uint32_t>(first);
    return RandomSource([next] { return (*next)++; });
}

// A .sel text of `perClass` samples in each of `classes` categories with
// three features; class c lies around (2c, -c, c^2/2), with a fixed jitter of
// `spread`.
std::string selText(int classes, int perClass, double spread) {
    std::string text =
        "*label\r\nnetwork test\r\n*features\r\n1  Mean\r\n2  Variance\r\n3  Skewness\r\n";
    text += "*categories\r\n";
    for (int c = 1; c <= classes; ++c) text += platform::cformat("%d  class%d\r\n", c, c);
    text += "*data\r\n";
    uint32_t seed = 12345;
    auto jitter = [&] {
        seed = seed * 1103515245u + 12345u;
        return spread * (static_cast<double>(seed >> 8) / 16777216.0 - 0.5);
    };
    for (int i = 0; i < perClass; ++i)
        for (int c = 1; c <= classes; ++c) {
            const double a = 2.0 * c + jitter();
            const double b = -1.0 * c + jitter();
            const double d = 0.5 * c * c + jitter();
            text += platform::cformat("%d  %.6f  %.6f  %.6f\r\n", c, a, b, d);
        }
    text += "*end\r\n";
    return text;
}

struct Fixture {
    std::unique_ptr<R62DataSet> data = std::make_unique<R62DataSet>();
    std::unique_ptr<NeuralNetwork> net = std::make_unique<NeuralNetwork>();
    R62Options options;
    RandomSource random = countingSource();

    Fixture(int classes, int perClass, double spread) {
        const SelLoadResult loaded =
            decodeSelFile(selText(classes, perClass, spread), "train.sel", *data);
        EXPECT_EQ(loaded.status, SelLoadStatus::Loaded) << loaded.messageBox;
        options.GLayer = 2;
        options.bpIterLimit = 50000;
        options.optyIterLimit = 10;
    }
};

double sigmoid(double x) {
    x = std::min(50.0, std::max(-50.0, x));
    return 1.0 / (1.0 + std::exp(-x));
}

// The outputs of a network read back from a report, for one working row.
std::vector<double> outputsOf(const StoredNetwork& net, const SampleRow& row) {
    const double* w = net.weights.data();
    std::vector<double> hidden;
    for (int j = 0; j < net.hidden1; ++j) {
        double a = *w++;
        for (int i = 1; i <= net.inputs; ++i) a += *w++ * row[i];
        hidden.push_back(sigmoid(a));
    }
    std::vector<double> outputs;
    for (int m = 0; m < net.outputs; ++m) {
        double a = *w++;
        for (double y : hidden) a += *w++ * y;
        outputs.push_back(sigmoid(a));
    }
    return outputs;
}

void expectLines(const std::vector<std::string>& actual, const std::vector<std::string>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (size_t i = 0; i < actual.size(); ++i) EXPECT_EQ(actual[i], expected[i]) << "line " << i;
}

}  // namespace

TEST(AnnClassifierGolden, NClassReportOfAFixedSeed) {
    Fixture f(3, 6, 4.0);
    const AnnTrainingReport report = AnnNClassTraining(*f.data, f.options, *f.net, "t", f.random);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    expectLines(report.lines, {"* r62 report file [ANN classification of n categories] <t>",
                               "* Data file name: \"train.sel\"",
                               "* Selected features [3 out of 3]",
                               "Mean [#1/#1]; p.mean= 3.99672E+000, p.std= 1.98733E+000",
                               "Variance [#2/#2]; p.mean=-1.88594E+000, p.std= 1.35328E+000",
                               "Skewness [#3/#3]; p.mean= 2.57762E+000, p.std= 2.27989E+000",
                               "Feature vector standardized: YES",
                               "",
                               "* Results [ANN classification of n categories]",
                               "> Neural network architecture ",
                               "   input layer:  3 nodes",
                               "  hidden layer:  2 neurons",
                               "  output layer:  3 nodes",
                               "> backprop (eta=0.15, bpIterLimit=50000)",
                               "iter   rms |-sample------------------------|",
                               "/1e3 error | # error dy1 dy2 dy3           |",
                               "   0 0.497  18 0.486-0.4-0.5 0.5",
                               "  50 0.142   7 0.114 0.1-0.2-0.0",
                               "> ANN weight numerical optimization",
                               "  (optyIterLimit = 10; WeightCount = 17)",
                               "  IterCount  rms error",
                               "          0  9.69E-002",
                               "         10  3.98E-003",
                               "> Missclassified f. vectors: 0/18 [or 0.00%]",
                               "> Neural network weights",
                               "hidden layer -----------",
                               "  5.86083E+000 -7.17647E+000 -5.80360E+000  1.15869E+001",
                               "  1.57779E+001 -1.52441E+001  2.90253E+000 -9.70593E+000",
                               "output layer ---------------",
                               " -4.88528E-001 -5.75487E+001  2.66402E+001",
                               " -4.05443E+001  3.44696E+001  2.53971E+001",
                               "  4.95413E+000  1.73338E+000 -1.29378E+001"});
    EXPECT_EQ(report.misclassified, 0);
}

TEST(AnnClassifierGolden, OneVsAllReportOfAFixedSeed) {
    Fixture f(3, 6, 4.0);
    f.options.SelectedCategory = 2;
    f.options.GLayer = 1;
    const AnnTrainingReport report = AnnOneVsAllTraining(*f.data, f.options, *f.net, "t", f.random);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    expectLines(report.lines,
                {"* r62 report file [ANN classification - one vs. all other categories] <t>",
                 "* Data file name: \"train.sel\"",
                 "* Selected features [3 out of 3]",
                 "Mean [#1/#1]; p.mean= 3.99672E+000, p.std= 1.98733E+000",
                 "Variance [#2/#2]; p.mean=-1.88594E+000, p.std= 1.35328E+000",
                 "Skewness [#3/#3]; p.mean= 2.57762E+000, p.std= 2.27989E+000",
                 "Feature vector standardized: YES",
                 "",
                 "* Results [ANN classification - one vs. all other categories]",
                 "> Selected category: #2 (class2)",
                 "> Neural network architecture ",
                 "   input layer:  3 nodes",
                 "  hidden layer:  1 neuron",
                 "  output layer:  1 node",
                 "> backprop (eta=0.15, bpIterLimit=50000)",
                 "iter   rms |-sample------|",
                 "/1e3 error | # error dy1 |",
                 "   0 0.499  18 0.476-0.5",
                 "  50 0.351   7 0.005-0.0",
                 "> ANN weight numerical optimization",
                 "  (optyIterLimit = 10; WeightCount = 6)",
                 "  IterCount  rms error",
                 "          0  3.50E-001",
                 "         10  3.34E-001",
                 "> Missclassified f. vectors: 3/18 [or 16.67%]",
                 "Sample No: 4; Category: 1; ClassResult: #2",
                 "Sample No: 12; Category: 3; ClassResult: #2",
                 "Sample No: 18; Category: 3; ClassResult: #2",
                 "> Neural network weights",
                 "hidden layer -----------",
                 " -2.50411E+001  4.04652E+001  4.86375E+001 -1.64180E+001",
                 "output layer ---------------",
                 "  6.92595E-001 -9.52072E+001"});
    EXPECT_EQ(report.misclassified, 3);
}

// The classes the report states are those of its own weights, read back from
// the report as the network test reads them.
TEST(AnnClassifier, ReportedWeightsGiveTheReportedClasses) {
    Fixture f(3, 8, 1.5);
    f.options.GLayer = 3;
    const AnnTrainingReport report = AnnNClassTraining(*f.data, f.options, *f.net, "t", f.random);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    const StoredNetworkReadResult back = readStoredNetwork(reportFileText(report.lines), "t.cls");
    ASSERT_TRUE(back.ok) << back.error;
    EXPECT_EQ(back.file.network.kind, StoredNetworkKind::NClass);
    EXPECT_EQ(back.file.featureNames, (std::vector<std::string>{"Mean", "Variance", "Skewness"}));

    int wrong = 0;
    for (int s = 1; s <= f.data->SampleCount; ++s) {
        const std::vector<double> y = outputsOf(back.file.network, f.data->FeatureData[s]);
        int above = 0;
        int found = 0;
        for (size_t m = 0; m < y.size(); ++m)
            if (y[m] > 0.5) {
                ++above;
                found = static_cast<int>(m) + 1;
            }
        EXPECT_EQ(f.data->ClassResult[s], above == 1 ? found : 0) << s;
        if (f.data->ClassResult[s] != f.data->Category[s]) ++wrong;
    }
    EXPECT_EQ(report.misclassified, wrong);
    const std::string count = platform::cformat("> Missclassified f. vectors: %d/24 [or %4.2f%%]",
                                                wrong, 100.0 * wrong / 24);
    EXPECT_NE(std::find(report.lines.begin(), report.lines.end(), count), report.lines.end());
}

TEST(AnnClassifier, RefusalsChangeNeitherReportNorWeights) {
    struct Case {
        int classes;
        std::vector<bool> selected;
        std::string_view message;
    };
    for (const Case& c : {Case{3, {true, false, false}, kAnnNoFeaturesMessage},
                          Case{7, {true, true, true}, kAnnTooManyCategoriesMessage}}) {
        for (bool oneVsAll : {false, true}) {
            Fixture f(c.classes, 2, 0.5);
            applyFeatureChecks(*f.data, c.selected);
            f.options.StandardizeData = 0;
            f.net->AnnWHidden[1][1] = 0.25;
            f.data->ClassResult[1] = 9;
            const AnnTrainingReport report =
                oneVsAll ? AnnOneVsAllTraining(*f.data, f.options, *f.net, "t", f.random)
                         : AnnNClassTraining(*f.data, f.options, *f.net, "t", f.random);
            EXPECT_EQ(report.outcome, AnalysisOutcome::NoFeatures);
            EXPECT_EQ(report.messages, std::vector<std::string>{std::string(c.message)});
            EXPECT_TRUE(report.lines.empty());
            EXPECT_EQ(f.net->AnnWHidden[1][1], 0.25);
            EXPECT_EQ(f.data->ClassResult[1], 9);
            EXPECT_EQ(f.options.StandardizeData, 0);
        }
    }
}

TEST(AnnClassifier, OneVsAllLeavesClassResultAndNamesTheCategory) {
    Fixture f(2, 5, 0.5);
    f.options.SelectedCategory = 2;
    f.data->ClassResult.fill(7);
    const AnnTrainingReport report = AnnOneVsAllTraining(*f.data, f.options, *f.net, "t", f.random);
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported);
    for (int s = 1; s <= f.data->SampleCount; ++s) EXPECT_EQ(f.data->ClassResult[s], 7);
    EXPECT_EQ(report.lines[9], "> Selected category: #2 (class2)");
    EXPECT_EQ(report.network.outputs, 1);
    EXPECT_EQ(report.network.selectedCategory, 2);
}

TEST(AnnClassifier, SingleCategoryNeedsExactlyOneOutputAboveOneHalf) {
    auto net = std::make_unique<NeuralNetwork>();
    auto decide = [&](std::vector<double> outputs) {
        for (size_t m = 0; m < outputs.size(); ++m)
            net->NetOutput[static_cast<int>(m) + 1] = outputs[m];
        return singleCategory(*net, static_cast<int>(outputs.size()));
    };
    EXPECT_EQ(decide({0.1, 0.9, 0.2}), 2);
    EXPECT_EQ(decide({0.6, 0.9, 0.2}), 0);
    EXPECT_EQ(decide({0.1, 0.4, 0.2}), 0);
    EXPECT_EQ(decide({0.5, 0.5000001, 0.5}), 2);
    EXPECT_EQ(decide({0.5, 0.5, 0.5}), 0);
    EXPECT_EQ(misclassifiedVectorsLine(0, 30), "> Missclassified f. vectors: 0/30 [or 0.00%]");
    EXPECT_EQ(misclassifiedVectorsLine(30, 30), "> Missclassified f. vectors: 30/30 [or 100.00%]");
}
