#include "statistics/core/classifiers/network_testing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "platform/testing/temp_dir.h"
#include "platform/textformat.h"
#include "statistics/core/classifiers/ann_classifier.h"
#include "statistics/core/classifiers/nda.h"
#include "statistics/core/data/selection_file_reader.h"
#include "statistics/core/r62_shell.h"

using platform::testing::TempDir;

namespace {

RandomSource countingSource(uint32_t first = 1000) {
    auto next = std::make_shared<uint32_t>(first);
    return RandomSource([next] { return (*next)++; });
}

// A .sel file of `perClass` samples per category. Base feature b (0 "Mean",
// 1 "Variance", 2 "Skewness", 3 "Kurtosis") of class c lies around
// (2c, -c, c^2/2, 3 - c) plus a jitter of `spread`; `order` lists the base
// features in the order the file declares them. The same seed gives the same
// samples, whatever the order.
struct SelSpec {
    std::vector<int> order{0, 1, 2};
    int classes = 3;
    int perClass = 8;
    double spread = 3.0;
    uint32_t seed = 12345;
};

std::string selText(const SelSpec& spec) {
    static const char* const kNames[] = {"Mean", "Variance", "Skewness", "Kurtosis"};
    std::string text = "*label\r\nnetwork test\r\n*features\r\n";
    for (size_t k = 0; k < spec.order.size(); ++k)
        text += platform::cformat("%d  %s\r\n", static_cast<int>(k) + 1, kNames[spec.order[k]]);
    text += "*categories\r\n";
    for (int c = 1; c <= spec.classes; ++c) text += platform::cformat("%d  class%d\r\n", c, c);
    text += "*data\r\n";
    uint32_t seed = spec.seed;
    auto jitter = [&] {
        seed = seed * 1103515245u + 12345u;
        return spec.spread * (static_cast<double>(seed >> 8) / 16777216.0 - 0.5);
    };
    for (int i = 0; i < spec.perClass; ++i)
        for (int c = 1; c <= spec.classes; ++c) {
            const double base[] = {2.0 * c + jitter(), -1.0 * c + jitter(), 0.5 * c * c + jitter(),
                                   3.0 - c + jitter()};
            text += platform::cformat("%d", c);
            for (int b : spec.order) text += platform::cformat("  %.6f", base[b]);
            text += "\r\n";
        }
    text += "*end\r\n";
    return text;
}

std::unique_ptr<R62DataSet> load(const SelSpec& spec, const std::string& name = "test.sel") {
    auto data = std::make_unique<R62DataSet>();
    const SelLoadResult loaded = decodeSelFile(selText(spec), name, *data);
    EXPECT_EQ(loaded.status, SelLoadStatus::Loaded) << loaded.messageBox;
    return data;
}

R62Options quickOptions() {
    R62Options options;
    options.GLayer = 3;
    options.bpIterLimit = 50000;
    options.optyIterLimit = 10;
    return options;
}

// A saved report of a training on `spec` with the given features selected.
struct Trained {
    std::unique_ptr<R62DataSet> data;
    std::unique_ptr<NeuralNetwork> net = std::make_unique<NeuralNetwork>();
    std::unique_ptr<SampleMatrix> projected = std::make_unique<SampleMatrix>();
    R62Options options = quickOptions();
    AnnTrainingReport ann;
    ProjectionReport nda;
    std::vector<std::string> lines;

    Trained(StoredNetworkKind kind, const SelSpec& spec, std::vector<bool> selected = {},
            int16_t hLayer = 2) {
        data = load(spec, "train.sel");
        if (!selected.empty()) applyFeatureChecks(*data, selected);
        RandomSource random = countingSource();
        options.SelectedCategory = 2;
        if (kind == StoredNetworkKind::Nda) {
            options.HLayer = hLayer;
            nda = NonlinearDiscriminantAnalysis(*data, *net, *projected, ndaParametersOf(options),
                                                "t", random);
            EXPECT_EQ(nda.outcome, AnalysisOutcome::Reported);
            lines = nda.lines;
        } else {
            ann = kind == StoredNetworkKind::NClass
                      ? AnnNClassTraining(*data, options, *net, "t", random)
                      : AnnOneVsAllTraining(*data, options, *net, "t", random);
            EXPECT_EQ(ann.outcome, AnalysisOutcome::Reported);
            lines = ann.lines;
        }
    }
    std::string text() const { return reportFileText(lines); }
};

// A test run on its own data set, options and network.
struct Tester {
    std::unique_ptr<R62DataSet> data;
    std::unique_ptr<NeuralNetwork> net = std::make_unique<NeuralNetwork>();
    std::unique_ptr<SampleMatrix> projected = std::make_unique<SampleMatrix>();
    R62Options options;

    explicit Tester(const SelSpec& spec) : data(load(spec)) {}
    NetworkTestReport run(const std::string& text, const std::string& name = "train.cls") {
        return testStoredNetwork(*data, options, *net, *projected, text, name, "t");
    }
};

// The lines from the empty line before the results title on.
std::vector<std::string> results(const std::vector<std::string>& lines) {
    auto blank = std::find(lines.rbegin(), lines.rend(), std::string());
    if (blank == lines.rend()) return {};
    return std::vector<std::string>(std::prev(blank.base()), lines.end());
}

// The lines from the first that begins with `first` up to the next that is
// `end`.
std::vector<std::string> between(const std::vector<std::string>& lines, const std::string& first,
                                 const std::string& end) {
    auto from = std::find_if(lines.begin(), lines.end(),
                             [&](const std::string& line) { return line.starts_with(first); });
    auto to = std::find(from, lines.end(), end);
    return std::vector<std::string>(from, to);
}

void replaceLine(std::vector<std::string>& lines, const std::string& key,
                 const std::string& replacement) {
    for (std::string& line : lines)
        if (line.find(key) != std::string::npos) {
            line = replacement;
            return;
        }
    FAIL() << key;
}

}  // namespace

TEST(NetworkTesting, NClassNetworkClassifiesItsTrainingDataAsTheTrainingDid) {
    Trained trained(StoredNetworkKind::NClass, SelSpec{.spread = 6.0});
    Tester tester(SelSpec{.spread = 6.0});
    tester.options.StandardizeData = 0;
    const NetworkTestReport report = tester.run(trained.text());
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported) << report.messages.at(0);
    EXPECT_TRUE(report.clearMemoOut);
    EXPECT_EQ(report.statusText, "Neural-network '3-class' classifier testing");
    EXPECT_EQ(tester.options.StandardizeData, 1);
    EXPECT_EQ(report.misclassified, trained.ann.misclassified);
    EXPECT_GT(report.misclassified, 0);
    for (int s = 1; s <= tester.data->SampleCount; ++s)
        EXPECT_EQ(tester.data->ClassResult[s], trained.data->ClassResult[s]) << s;

    const std::vector<std::string>& lines = report.lines;
    EXPECT_EQ(lines[0], "* r62 report file [ANN classification of n categories] <t>");
    EXPECT_EQ(lines[1], "* Data file name: \"test.sel\"");
    // The header, the weights and the misclassified samples are the training's.
    for (size_t i = 2; i <= 6; ++i) EXPECT_EQ(lines[i], trained.lines[i]);
    EXPECT_EQ(lines[7], "   input layer:  3 nodes");
    EXPECT_EQ(lines[8], "  hidden layer:  3 neurons");
    EXPECT_EQ(lines[9], "  output layer:  3 nodes");
    EXPECT_EQ(between(lines, "> Neural network weights", ""),
              between(trained.lines, "> Neural network weights", "not there"));
    std::vector<std::string> expected = {"", "* Results [ANN n-class classifier testing]"};
    const std::vector<std::string> wrong =
        between(trained.lines, "> Missclassified f. vectors:", "> Neural network weights");
    expected.insert(expected.end(), wrong.begin(), wrong.end());
    EXPECT_EQ(results(lines), expected);
    EXPECT_EQ(report.plot.kind, PlotKind::None);
}

// The data file may declare the network's features in another order: its
// columns are taken by name, so the results are the same.
TEST(NetworkTesting, FeaturesAreMatchedByNameInTheNetworksOrder) {
    Trained trained(StoredNetworkKind::NClass, SelSpec{.spread = 4.0});
    Tester same(SelSpec{.spread = 4.0});
    Tester permuted(SelSpec{.order = {2, 3, 0, 1}, .spread = 4.0});
    const NetworkTestReport a = same.run(trained.text());
    const NetworkTestReport b = permuted.run(trained.text());
    ASSERT_EQ(a.outcome, AnalysisOutcome::Reported);
    ASSERT_EQ(b.outcome, AnalysisOutcome::Reported) << b.messages.at(0);
    EXPECT_EQ(results(b.lines), results(a.lines));
    for (int s = 1; s <= same.data->SampleCount; ++s) {
        EXPECT_EQ(permuted.data->ClassResult[s], same.data->ClassResult[s]);
        for (int k = 1; k <= 3; ++k)
            EXPECT_EQ(permuted.data->FeatureData[s][k], same.data->FeatureData[s][k]);
    }
    EXPECT_EQ(permuted.data->SelectedCount, 3);
    EXPECT_EQ(permuted.data->SelectedFeatureIndex[1], 3);  // Mean
    EXPECT_EQ(permuted.data->SelectedFeatureIndex[2], 4);  // Variance
    EXPECT_EQ(permuted.data->SelectedFeatureIndex[3], 1);  // Skewness
    EXPECT_EQ(permuted.data->FeatureSelected[2], 0);       // Kurtosis
    EXPECT_EQ(b.lines[3], "Mean [#1/#3]" + a.lines[3].substr(12));
    EXPECT_EQ(b.lines[5], "Skewness [#3/#1]" + a.lines[5].substr(16));
}

// Trained on features 1 and 3 and tested on other samples, the header shows
// the training statistics that standardise the test data.
TEST(NetworkTesting, HeaderShowsTheTrainingStatisticsOfAGappedSelection) {
    Trained trained(StoredNetworkKind::NClass, SelSpec{}, {true, false, true});
    Tester tester(SelSpec{.perClass = 5, .seed = 99});
    const double rawMean3 = tester.data->FeatureMean[3];
    const NetworkTestReport report = tester.run(trained.text());
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported) << report.messages.at(0);
    ASSERT_EQ(trained.lines[3].substr(0, 12), "Mean [#1/#1]");
    ASSERT_EQ(trained.lines[4].substr(0, 16), "Skewness [#2/#3]");
    EXPECT_EQ(report.lines[3], trained.lines[3]);
    EXPECT_EQ(report.lines[4], trained.lines[4]);
    EXPECT_EQ(report.lines[5], "Feature vector standardized: YES");

    const double mean = trained.data->FeatureMean[3];
    const double deviation = trained.data->FeatureStd[3];
    EXPECT_NE(rawMean3, mean);
    EXPECT_NEAR(report.trainingMean[2], mean, 1e-5 * std::fabs(mean));
    EXPECT_NEAR(report.trainingStd[2], deviation, 1e-5 * deviation);
    for (int s = 1; s <= tester.data->SampleCount; ++s)
        EXPECT_NEAR(tester.data->FeatureData[s][2],
                    (tester.data->RawData[s][3] - report.trainingMean[2]) / report.trainingStd[2],
                    1e-12);
}

TEST(NetworkTesting, OneVsAllNetworkTakesItsSelectedCategory) {
    Trained trained(StoredNetworkKind::OneVsAll, SelSpec{.spread = 6.0});
    Tester tester(SelSpec{.spread = 6.0});
    tester.options.SelectedCategory = 1;
    tester.data->ClassResult.fill(5);
    const NetworkTestReport report = tester.run(trained.text());
    ASSERT_EQ(report.outcome, AnalysisOutcome::Reported) << report.messages.at(0);
    EXPECT_EQ(tester.options.SelectedCategory, 2);
    EXPECT_EQ(report.statusText, "Neural-network 'one vs. 2' classifier testing");
    EXPECT_EQ(report.lines[0],
              "* r62 report file [ANN classification: \"1 vs. n categories\"] <t>");
    EXPECT_EQ(report.lines[9], "  output layer:  1 node");
    std::vector<std::string> expected = {"", "* Results [ANN \"1 vs. n\" classifier testing]"};
    const std::vector<std::string> wrong =
        between(trained.lines, "> Missclassified f. vectors:", "> Neural network weights");
    expected.insert(expected.end(), wrong.begin(), wrong.end());
    EXPECT_EQ(results(report.lines), expected);
    EXPECT_GT(report.misclassified, 0);
    EXPECT_EQ(tester.data->ClassResult[1], 5);
}

TEST(NetworkTesting, NdaNetworkGivesItsFeaturesFisherLineAndPlot) {
    for (int16_t h : {int16_t{2}, int16_t{3}}) {
        Trained trained(StoredNetworkKind::Nda, SelSpec{}, {}, h);
        Tester tester(SelSpec{});
        const NetworkTestReport report = tester.run(trained.text(), "train.nda");
        ASSERT_EQ(report.outcome, AnalysisOutcome::Reported) << report.messages.at(0);
        EXPECT_EQ(report.statusText, "Neural-network NDA classifier testing");
        EXPECT_EQ(report.lines[0], "* r62 report file [NDA ANN classifier testing] <t>");
        EXPECT_EQ(report.lines[7], "       input layer:  3 nodes");
        EXPECT_EQ(report.lines[9], platform::cformat("  2nd hidden layer: %2d neurons", h));
        EXPECT_EQ(report.misclassified, trained.nda.misclassified);
        for (int s = 1; s <= tester.data->SampleCount; ++s) {
            EXPECT_EQ(tester.data->ClassResult[s], trained.data->ClassResult[s]);
            for (int f = 1; f <= h; ++f)
                EXPECT_NEAR((*tester.projected)[s][f], (*trained.projected)[s][f], 1e-4);
        }
        EXPECT_NEAR(report.fisher, trained.nda.fisher, 1e-3 * trained.nda.fisher);
        EXPECT_EQ(report.lines.back().substr(0, 24), "> Fisher coefficient, F ");
        EXPECT_EQ(report.plot.PlotTitle, "Nonlinear Discriminant Analysis");
        EXPECT_EQ(report.plot.sampleCount, tester.data->SampleCount);
        if (h == 2) {
            EXPECT_EQ(report.plot.kind, PlotKind::Plot2D);
            EXPECT_EQ(report.plot.tag, "ann");
            EXPECT_EQ(report.boundaries.size(), 3u);
        } else {
            EXPECT_EQ(report.plot.kind, PlotKind::Plot3D);
            EXPECT_EQ(report.plot.AxisLabel3, "NDA f3");
            EXPECT_TRUE(report.boundaries.empty());
        }
    }
}

// Outputs of exactly 0.5 say no: with all weights zero, no sample gets a
// class, and every sample of the selected category counts as rejected.
TEST(NetworkTesting, OutputsOfOneHalfAreNoAnswer) {
    for (StoredNetworkKind kind : {StoredNetworkKind::NClass, StoredNetworkKind::OneVsAll}) {
        Trained trained(kind, SelSpec{.classes = 2, .perClass = 3});
        std::vector<std::string> lines = trained.lines;
        const auto weights = std::find(lines.begin(), lines.end(), "> Neural network weights");
        for (auto line = weights + 1; line != lines.end(); ++line) {
            if (line->find("layer") != std::string::npos) continue;
            const size_t fields = line->size() / 14;
            *line = "";
            for (size_t f = 0; f < fields; ++f) *line += "  0.00000E+000";
        }
        Tester tester(SelSpec{.classes = 2, .perClass = 3});
        const NetworkTestReport report = tester.run(reportFileText(lines));
        ASSERT_EQ(report.outcome, AnalysisOutcome::Reported) << report.messages.at(0);
        const std::vector<std::string> tail = results(report.lines);
        if (kind == StoredNetworkKind::NClass) {
            EXPECT_EQ(report.misclassified, 6);
            EXPECT_EQ(tail[2], "> Missclassified f. vectors: 6/6 [or 100.00%]");
            EXPECT_EQ(tail[3], "Sample No: 1; Category: 1; ClassResult: 0");
            for (int s = 1; s <= 6; ++s) EXPECT_EQ(tester.data->ClassResult[s], 0);
        } else {
            EXPECT_EQ(tail, (std::vector<std::string>{
                                "", "* Results [ANN \"1 vs. n\" classifier testing]",
                                "> Missclassified f. vectors: 3/6 [or 50.00%]",
                                "Sample No: 2; Category: 2; ClassResult: not #2",
                                "Sample No: 4; Category: 2; ClassResult: not #2",
                                "Sample No: 6; Category: 2; ClassResult: not #2"}));
        }
    }
}

TEST(NetworkTesting, StopsNameTheirReason) {
    Trained trained(StoredNetworkKind::NClass, SelSpec{});
    const std::string text = trained.text();
    struct Case {
        SelSpec data;
        std::string file;
        std::string name;
        AnalysisOutcome outcome;
        std::string message;
        bool clearMemoOut;
    };
    std::vector<std::string> oneFeature = trained.lines;
    oneFeature.erase(oneFeature.begin() + 4, oneFeature.begin() + 6);
    std::vector<std::string> inputs = trained.lines;
    replaceLine(inputs, "   input layer:", "   input layer:  4 nodes");
    std::vector<std::string> unknown = trained.lines;
    replaceLine(unknown, "* Results", "* Results [ANN classification]");
    std::vector<std::string> badMean = trained.lines;
    replaceLine(badMean, "Variance [#2/#2]", "Variance [#2/#2]; p.mean= 1.0E+0");

    const auto refused = AnalysisOutcome::PreparationRefused;
    for (const Case& c : {
             Case{SelSpec{.order = {0, 1, 3}}, text, "train.cls", refused,
                  "Feature \"Skewness\" is not represented in \"test.sel\" test-data file ..",
                  false},
             Case{SelSpec{.classes = 7, .perClass = 2}, text, "train.cls",
                  AnalysisOutcome::NoFeatures, std::string(kTestTooManyCategoriesMessage), true},
             Case{SelSpec{}, reportFileText(oneFeature), "train.cls", AnalysisOutcome::NoFeatures,
                  std::string(kTestNoFeaturesMessage), true},
             Case{SelSpec{}, reportFileText(badMean), "train.cls", refused,
                  "Numeric conversion error, file train.cls, line 5.", true},
             Case{SelSpec{}, reportFileText(inputs), "train.cls", refused,
                  std::string(kInputsMismatchMessage), true},
             Case{SelSpec{.classes = 2}, text, "train.cls", refused,
                  std::string(kOutputsMismatchMessage), true},
             Case{SelSpec{}, text, "train.CLS", refused,
                  "ANN classifier testing: the file \"train.CLS\" was not tested.\rOnly reports "
                  "named *.cls or *.nda (in lower case) are read as stored networks.",
                  true},
             Case{SelSpec{}, reportFileText(unknown), "train.cls", refused,
                  "ANN classifier testing: the file \"train.cls\" was not tested.\rIts \"* "
                  "Results\" line names neither a one-class nor an n-class ANN classifier.",
                  true},
             Case{SelSpec{}, text.substr(0, text.size() / 2), "train.cls", refused,
                  "Unexpected end of \"train.cls\" file ..", true},
             // An ANN report's counts do not stand where an NDA report has them.
             Case{SelSpec{}, text, "train.nda", refused,
                  "Numeric conversion error, file train.nda, line 11.", true},
         }) {
        Tester tester(c.data);
        const NetworkTestReport report = tester.run(c.file, c.name);
        EXPECT_EQ(report.outcome, c.outcome) << c.message;
        EXPECT_EQ(report.messages, std::vector<std::string>{c.message});
        EXPECT_EQ(report.clearMemoOut, c.clearMemoOut) << c.message;
        EXPECT_TRUE(report.lines.empty()) << c.message;
        EXPECT_EQ(report.plot.kind, PlotKind::None);
    }
}

TEST(NetworkTesting, RunReadsTheFileAndNamesItWithoutItsFolder) {
    Trained trained(StoredNetworkKind::NClass, SelSpec{});
    TempDir dir;
    std::vector<std::string> lines = trained.lines;
    lines.resize(lines.size() - 1);
    const std::string path = dir.write("short.cls", reportFileText(lines));
    auto data = load(SelSpec{});
    NetworkTestReport report = runNetworkTest(*data, path, "t");
    EXPECT_EQ(report.messages, std::vector<std::string>{"Unexpected end of \"short.cls\" file .."});

    report = runNetworkTest(*data, dir.file("missing.cls"), "t");
    EXPECT_EQ(report.outcome, AnalysisOutcome::PreparationRefused);
    EXPECT_EQ(report.messages, std::vector<std::string>{"R62: Cannot load the \"" +
                                                        dir.file("missing.cls") + "\" file .."});
    EXPECT_FALSE(report.clearMemoOut);

    data->NewConsistentData = 0;
    report = runNetworkTest(*data, dir.file("short.cls"), "t");
    EXPECT_EQ(report.messages, std::vector<std::string>{std::string(kNoDataMessage)});
}
