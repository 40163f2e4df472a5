#include "statistics/core/classifiers/stored_network.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "statistics/core/r62_shell.h"
#include "statistics/core/reports/report_header.h"

namespace {

// Weights of every sign and a wide range of magnitudes.
std::vector<double> someWeights(size_t count, uint32_t seed) {
    std::mt19937 random(seed);
    std::vector<double> weights;
    for (size_t i = 0; i < count; ++i) {
        const double mantissa = static_cast<double>(random() % 2000000) / 1000000.0 - 1.0;
        const int exponent = static_cast<int>(random() % 9) - 4;
        weights.push_back(mantissa * std::pow(10.0, exponent));
    }
    return weights;
}

StoredNetwork network(StoredNetworkKind kind, int inputs, int hidden1, int hidden2, int outputs,
                      uint32_t seed = 7) {
    StoredNetwork net;
    net.kind = kind;
    net.inputs = inputs;
    net.hidden1 = hidden1;
    net.hidden2 = kind == StoredNetworkKind::Nda ? hidden2 : 0;
    net.outputs = outputs;
    net.selectedCategory = kind == StoredNetworkKind::OneVsAll ? 2 : 0;
    net.weights = someWeights(static_cast<size_t>(storedWeightCount(net)), seed);
    return net;
}

// A data set whose header lists `selected` (feature numbers) of `features`.
std::unique_ptr<R62DataSet> headerData(int features, const std::vector<int>& selected) {
    auto data = std::make_unique<R62DataSet>();
    data->DataFileName = "train.sel";
    data->FeatureCount = static_cast<int16_t>(features);
    for (int f = 1; f <= features; ++f) {
        data->FeatureName[f] = "Feature " + std::to_string(f);
        data->FeatureMean[f] = 1000.0 * f + 0.123456789;
        data->FeatureStd[f] = 0.5 * f;
    }
    data->SelectedCount = static_cast<int16_t>(selected.size());
    for (size_t k = 0; k < selected.size(); ++k) {
        const int index = static_cast<int>(k) + 1;
        data->SelectedFeatureIndex[index] = static_cast<int16_t>(selected[k]);
        data->SelectedFeatureName[index] = data->FeatureName[selected[k]];
    }
    return data;
}

// A whole report as the training writes it: header, results, network
// sections, with log lines in between that the reader must step over.
std::vector<std::string> reportLines(const R62DataSet& data, const StoredNetwork& net) {
    std::vector<std::string> lines =
        reportHeaderLines(data, storedNetworkTitle(net.kind), 1, "01/02/24 10:00:00");
    lines.emplace_back();
    lines.push_back(storedNetworkResultsTitle(net.kind));
    if (net.kind == StoredNetworkKind::OneVsAll)
        lines.push_back(selectedCategoryLine(net.selectedCategory, "tumour"));
    for (const std::string& line : networkArchitectureLines(net)) lines.push_back(line);
    lines.push_back(backpropLine(0.15, 150000));
    lines.push_back("iter   rms |-sample------------------------|");
    lines.push_back("   0 0.512  12 0.433 0.2-0.4");
    lines.push_back("> ANN weight numerical optimization");
    lines.push_back("  (optyIterLimit = 50; WeightCount = 21)");
    lines.push_back("> Missclassified f. vectors: 1/40 [or 2.50%]");
    lines.push_back("Sample No: 3; Category: 1; ClassResult: 0");
    for (const std::string& line : networkWeightLines(net)) lines.push_back(line);
    return lines;
}

std::string fileName(StoredNetworkKind kind) {
    return kind == StoredNetworkKind::Nda ? "train.nda" : "train.cls";
}

void expectSameWeights(const std::vector<double>& read, const std::vector<double>& written) {
    ASSERT_EQ(read.size(), written.size());
    for (size_t i = 0; i < read.size(); ++i)
        EXPECT_NEAR(read[i], written[i], std::fabs(written[i]) * 5e-6) << "weight " << i;
}

// Replaces the first line containing `key` by `replacement`.
void replaceLine(std::vector<std::string>& lines, const std::string& key,
                 const std::string& replacement) {
    for (std::string& line : lines)
        if (line.find(key) != std::string::npos) {
            line = replacement;
            return;
        }
    FAIL() << key;
}

// The lines before the weight section.
std::vector<std::string> withoutWeights(std::vector<std::string> lines) {
    for (size_t i = 0; i < lines.size(); ++i)
        if (lines[i] == "> Neural network weights") lines.resize(i);
    return lines;
}

StoredNetworkReadResult read(const std::vector<std::string>& lines, StoredNetworkKind kind) {
    return readStoredNetwork(reportFileText(lines), fileName(kind));
}

}  // namespace

TEST(StoredNetworkLayout, NeuronLinesAreFourteenCharactersPerWeight) {
    const StoredNetwork net = network(StoredNetworkKind::NClass, 30, 16, 0, 6);
    const std::vector<std::string> lines = networkWeightLines(net);
    ASSERT_EQ(lines.size(), 1u + 1u + 16u + 1u + 6u);
    EXPECT_EQ(lines[0], "> Neural network weights");
    EXPECT_EQ(lines[1], "hidden layer -----------");
    for (int j = 0; j < 16; ++j) EXPECT_EQ(lines[2 + j].size(), 434u);
    EXPECT_EQ(lines[18], "output layer ---------------");
    for (int m = 0; m < 6; ++m) EXPECT_EQ(lines[19 + m].size(), 17u * 14u);

    const double row[] = {0.5, -0.5, 1234.5};
    EXPECT_EQ(neuronWeightLine(row, 3), "  5.00000E-001 -5.00000E-001  1.23450E+003");
}

TEST(StoredNetworkLayout, ArchitectureCountsStandInFixedColumns) {
    EXPECT_EQ(
        networkArchitectureLines(network(StoredNetworkKind::NClass, 4, 1, 0, 3)),
        (std::vector<std::string>{"> Neural network architecture ", "   input layer:  4 nodes",
                                  "  hidden layer:  1 neuron", "  output layer:  3 nodes"}));
    EXPECT_EQ(networkCountLines(network(StoredNetworkKind::OneVsAll, 12, 10, 0, 1)),
              (std::vector<std::string>{"   input layer: 12 nodes", "  hidden layer: 10 neurons",
                                        "  output layer:  1 node"}));
    EXPECT_EQ(networkCountLines(network(StoredNetworkKind::Nda, 30, 16, 3, 40)),
              (std::vector<std::string>{
                  "       input layer: 30 nodes", "  1st hidden layer: 16 neurons",
                  "  2nd hidden layer:  3 neurons", "      output layer: 40 nodes"}));
    EXPECT_EQ(networkWeightLines(network(StoredNetworkKind::Nda, 2, 2, 2, 2))[4],
              "2nd hidden layer -----------");
    EXPECT_EQ(selectedCategoryLine(3, "liver"), "> Selected category: #3 (liver)");
    EXPECT_EQ(backpropLine(0.15, 150000), "> backprop (eta=0.15, bpIterLimit=150000)");
    EXPECT_EQ(storedNetworkResultsTitle(StoredNetworkKind::OneVsAll),
              "* Results [ANN classification - one vs. all other categories]");
}

TEST(StoredNetworkRoundTrip, EveryKindReadsBackItsSizesWeightsAndStatistics) {
    struct Case {
        StoredNetworkKind kind;
        int inputs, hidden1, hidden2, outputs;
    };
    for (const Case& c :
         {Case{StoredNetworkKind::NClass, 3, 4, 0, 3},
          Case{StoredNetworkKind::NClass, 30, 16, 0, 6},
          Case{StoredNetworkKind::OneVsAll, 3, 1, 0, 1}, Case{StoredNetworkKind::Nda, 3, 5, 2, 4},
          Case{StoredNetworkKind::Nda, 30, 16, 3, 40}}) {
        std::vector<int> selected;
        for (int k = 1; k <= c.inputs; ++k) selected.push_back(k);
        if (c.inputs == 3) selected = {5, 2, 7};  // any order, gaps included
        const auto data = headerData(c.inputs == 3 ? 8 : 30, selected);
        const StoredNetwork net = network(c.kind, c.inputs, c.hidden1, c.hidden2, c.outputs);

        const StoredNetworkReadResult result = read(reportLines(*data, net), c.kind);
        ASSERT_TRUE(result.ok) << result.error;
        const StoredNetwork& back = result.file.network;
        EXPECT_EQ(back.kind, c.kind);
        EXPECT_EQ(back.inputs, c.inputs);
        EXPECT_EQ(back.hidden1, c.hidden1);
        EXPECT_EQ(back.hidden2, net.hidden2);
        EXPECT_EQ(back.outputs, c.outputs);
        EXPECT_EQ(back.selectedCategory, net.selectedCategory);
        expectSameWeights(back.weights, net.weights);

        ASSERT_EQ(result.file.featureNames.size(), selected.size());
        for (size_t k = 0; k < selected.size(); ++k) {
            const int f = selected[k];
            EXPECT_EQ(result.file.featureNames[k], "Feature " + std::to_string(f));
            EXPECT_NEAR(result.file.trainingMeans[k], data->FeatureMean[f], 1e-5 * 1000.0 * f);
            EXPECT_DOUBLE_EQ(result.file.trainingDeviations[k], data->FeatureStd[f]);
        }
        // Written again, the weight section is the same text.
        EXPECT_EQ(networkWeightLines(back), networkWeightLines(net));
    }
}

TEST(StoredNetworkRoundTrip, LineBreaksOfAnyKindTrailingTextAndAByteOrderMarkAreAccepted) {
    const auto data = headerData(4, {1, 2, 3});
    const StoredNetwork net = network(StoredNetworkKind::NClass, 3, 2, 0, 2);
    std::vector<std::string> lines = reportLines(*data, net);
    lines.back() += "   ";  // blanks after the last field
    for (const char* separator : {"\n", "\r", "\r\n"}) {
        // An editor's byte-order mark is no part of the first line.
        std::string text = "\xEF\xBB\xBF";
        for (const std::string& line : lines) text += line + separator;
        const StoredNetworkReadResult result = readStoredNetwork(text, "a.cls");
        ASSERT_TRUE(result.ok) << result.error;
        expectSameWeights(result.file.network.weights, net.weights);
    }
}

TEST(StoredNetworkRoundTrip, FeatureNamesAreTakenBeforeTheFirstMarker) {
    const auto data = headerData(3, {1, 2, 3});
    std::vector<std::string> lines =
        reportLines(*data, network(StoredNetworkKind::Nda, 3, 2, 2, 2));
    lines[3] = "Grey level [mean] [#1/#1]; p.mean= 1.00000E+000, p.std= 2.00000E+000";
    lines[4] = "Run [#x] [#2/#2]; p.mean= 1.00000E+000, p.std= 2.00000E+000";
    const StoredNetworkReadResult result = read(lines, StoredNetworkKind::Nda);
    ASSERT_TRUE(result.ok) << result.error;
    EXPECT_EQ(result.file.featureNames,
              (std::vector<std::string>{"Grey level [mean]", "Run", "Feature 3"}));
}

// Every prefix of a valid file is refused with a message, however it is cut:
// inside a number, between lines, or before a section.
TEST(StoredNetworkReader, EveryTruncationFailsCleanly) {
    for (StoredNetworkKind kind :
         {StoredNetworkKind::NClass, StoredNetworkKind::OneVsAll, StoredNetworkKind::Nda}) {
        const auto data = headerData(12, {1, 3, 12});
        const StoredNetwork net =
            network(kind, 3, 2, 3, kind == StoredNetworkKind::OneVsAll ? 1 : 12);
        const std::string text = reportFileText(reportLines(*data, net));
        const size_t complete = text.size() - 2;  // the last line without its break
        ASSERT_TRUE(readStoredNetwork(text.substr(0, complete), fileName(kind)).ok);
        for (size_t length = 0; length < complete; ++length) {
            const StoredNetworkReadResult result =
                readStoredNetwork(text.substr(0, length), fileName(kind));
            ASSERT_FALSE(result.ok) << length;
            const std::string& e = result.error;
            const bool known = e == unexpectedEndMessage(fileName(kind)) ||
                               e.starts_with("Numeric conversion error, file train.") ||
                               e.starts_with("Data consistency error:") ||
                               // "* Results [ANN classification of" names no classifier
                               e.starts_with("ANN classifier testing: the file \"train.");
            EXPECT_TRUE(known) << length << ": " << e;
        }
    }
}

TEST(StoredNetworkReader, MalformedNumbersNameTheirLine) {
    const auto data = headerData(4, {1, 2});
    const StoredNetwork net = network(StoredNetworkKind::NClass, 2, 3, 0, 2);
    const std::vector<std::string> valid = reportLines(*data, net);
    auto lineOf = [&](const std::string& key) {
        for (size_t i = 0; i < valid.size(); ++i)
            if (valid[i].find(key) != std::string::npos) return i;
        return valid.size();
    };
    const size_t firstHidden = lineOf("hidden layer ---") + 1;
    struct Case {
        size_t index;
        std::string text;
    };
    const std::string good = valid[firstHidden];
    for (const Case& c : {
             Case{3, "Feature 1 [#1/#1]; p.mean= 1.0000x0E+003, p.std= 5.00000E-001"},
             Case{4, "Feature 2 [#2/#2]; p.mean= 1.00000E+003"},
             Case{4, "Feature 2 [#2/#2]; p.mean=           NAN, p.std= 5.00000E-001"},
             Case{lineOf("hidden layer:"), "  hidden layer: x3 neurons"},
             Case{lineOf("hidden layer:"), "  hidden layer:"},
             Case{firstHidden, good.substr(0, good.size() - 1)},
             Case{firstHidden, good.substr(0, 14) + "  5.0000x0E-01" + good.substr(28)},
             Case{firstHidden, good.substr(0, 14) + "           INF" + good.substr(28)},
             Case{firstHidden, good.substr(0, 14) + "              " + good.substr(28)},
             Case{firstHidden, ""},
         }) {
        std::vector<std::string> lines = valid;
        lines[c.index] = c.text;
        const StoredNetworkReadResult result = read(lines, StoredNetworkKind::NClass);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, numericConversionMessage("train.cls", c.index + 1)) << c.text;
    }
    // A valid number that cannot divide the working values.
    for (const auto& [deviation, what] :
         {std::pair{" 0.00000E+000", "a standard deviation of 0"},
          std::pair{"-5.00000E-001", "a negative standard deviation"}}) {
        std::vector<std::string> lines = valid;
        lines[4] = std::string("Feature 2 [#2/#2]; p.mean= 1.00000E+003, p.std=") + deviation;
        EXPECT_EQ(read(lines, StoredNetworkKind::NClass).error,
                  std::string("Data consistency error:\r") + what +
                      " cannot be used, file train.cls, line 5.");
    }
}

// Sizes outside the engine's arrays stop before a weight is read: here the
// weight section is missing, and still the size is what is reported.
TEST(StoredNetworkReader, LayerSizesAreCheckedBeforeAnyWeight) {
    const auto data = headerData(4, {1, 2});
    struct Case {
        StoredNetworkKind kind;
        std::string key;
        std::string line;
        std::string message;
    };
    const std::string range = "Data consistency error:\r";
    for (const Case& c : {
             Case{StoredNetworkKind::NClass, "hidden layer:", "  hidden layer: 17 neurons",
                  range + "number of hidden neurons out of range 1..16, file train.cls, line 11."},
             Case{StoredNetworkKind::NClass, "hidden layer:", "  hidden layer:  0 neurons",
                  range + "number of hidden neurons out of range 1..16, file train.cls, line 11."},
             Case{StoredNetworkKind::NClass, "hidden layer:", "  hidden layer: -5 neurons",
                  range + "number of hidden neurons out of range 1..16, file train.cls, line 11."},
             Case{StoredNetworkKind::Nda, "2nd hidden layer:", "  2nd hidden layer:  4 neurons",
                  range + "number of 2nd hidden layer neurons out of range 2..3, file train.nda, "
                          "line 12."},
             Case{StoredNetworkKind::Nda, "2nd hidden layer:", "  2nd hidden layer:  1 neurons",
                  range + "number of 2nd hidden layer neurons out of range 2..3, file train.nda, "
                          "line 12."},
             Case{StoredNetworkKind::Nda, "output layer:", "      output layer: 41 nodes",
                  range + "number of ANN outputs out of range 1..40, file train.nda, line 13."},
             Case{StoredNetworkKind::NClass, "output layer:", "  output layer:  0 nodes",
                  range + "number of ANN outputs out of range 1..40, file train.cls, line 12."},
             Case{StoredNetworkKind::NClass, "input layer:", "   input layer:  3 nodes",
                  std::string(kInputsMismatchMessage)},
             Case{StoredNetworkKind::OneVsAll, "output layer:", "  output layer:  2 nodes",
                  std::string(kOneOutputMessage)},
             Case{StoredNetworkKind::OneVsAll, "> Selected category", "> Selected category: #0 (x)",
                  range + "selected category out of range 1..40, file train.cls, line 9."},
             Case{StoredNetworkKind::OneVsAll, "> Selected category", "> Selected category: #",
                  numericConversionMessage("train.cls", 9)},
         }) {
        const StoredNetwork net =
            network(c.kind, 2, 3, 2, c.kind == StoredNetworkKind::OneVsAll ? 1 : 2);
        std::vector<std::string> lines = reportLines(*data, net);
        replaceLine(lines, c.key, c.line);
        const StoredNetworkReadResult result = read(withoutWeights(lines), c.kind);
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, c.message) << c.line;
    }
}

TEST(StoredNetworkReader, ExpectedCountsAreCheckedAgainstTheArchitecture) {
    const auto data = headerData(4, {1, 2});
    const std::string text =
        reportFileText(reportLines(*data, network(StoredNetworkKind::NClass, 2, 3, 0, 2)));
    std::vector<std::string> names;
    StoredNetwork net;
    {
        StoredNetworkReader reader(text, "t.cls");
        ASSERT_TRUE(reader.readSelectedFeatures(names));
        EXPECT_FALSE(reader.readNetwork(StoredNetworkKind::NClass, 2, 3, net));
        EXPECT_EQ(reader.error(), kOutputsMismatchMessage);
        EXPECT_TRUE(reader.readNetwork(StoredNetworkKind::NClass, 2, 2, net)) << reader.error();
        EXPECT_FALSE(reader.readNetwork(StoredNetworkKind::NClass, 3, 2, net));
        EXPECT_EQ(reader.error(), kInputsMismatchMessage);
    }
    {
        // Before the features are found nothing else can be read.
        StoredNetworkReader reader(text, "t.cls");
        std::vector<double> means, deviations;
        EXPECT_FALSE(reader.readTrainingStatistics(2, means, deviations));
        EXPECT_FALSE(reader.readNetwork(StoredNetworkKind::NClass, 2, 2, net));
        EXPECT_EQ(reader.error(), unexpectedEndMessage("t.cls"));
    }
}

TEST(StoredNetworkReader, KindComesFromTheLowerCaseExtensionAndTheResultsLine) {
    const auto data = headerData(4, {1, 2});
    const std::string oneVsAll =
        reportFileText(reportLines(*data, network(StoredNetworkKind::OneVsAll, 2, 3, 0, 1)));
    const std::string nClass =
        reportFileText(reportLines(*data, network(StoredNetworkKind::NClass, 2, 3, 0, 2)));
    struct Case {
        std::string text;
        std::string name;
        StoredKindStatus status;
        StoredNetworkKind kind;
    };
    for (const Case& c :
         {Case{oneVsAll, "a.cls", StoredKindStatus::Known, StoredNetworkKind::OneVsAll},
          Case{nClass, "a.cls", StoredKindStatus::Known, StoredNetworkKind::NClass},
          Case{nClass, "a.nda", StoredKindStatus::Known, StoredNetworkKind::Nda},
          Case{nClass, "A.CLS", StoredKindStatus::UnknownExtension, StoredNetworkKind::NClass},
          Case{nClass, "cls", StoredKindStatus::Known, StoredNetworkKind::NClass},
          Case{nClass, "ls", StoredKindStatus::UnknownExtension, StoredNetworkKind::NClass}}) {
        StoredNetworkReader reader(c.text, c.name);
        std::vector<std::string> names;
        ASSERT_TRUE(reader.readSelectedFeatures(names));
        StoredKindStatus status = StoredKindStatus::Known;
        StoredNetworkKind kind = StoredNetworkKind::NClass;
        ASSERT_TRUE(reader.readKind(status, kind));
        EXPECT_EQ(status, c.status) << c.name;
        if (status == StoredKindStatus::Known) {
            EXPECT_EQ(kind, c.kind) << c.name;
        }
    }

    std::vector<std::string> lines =
        reportLines(*data, network(StoredNetworkKind::NClass, 2, 3, 0, 2));
    replaceLine(lines, "* Results", "* Results [k-NN classification]");
    StoredNetworkReadResult result = read(lines, StoredNetworkKind::NClass);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error,
              "ANN classifier testing: the file \"train.cls\" was not tested.\rIts \"* Results\" "
              "line names neither a one-class nor an n-class ANN classifier.");
    result = readStoredNetwork(nClass, "train.CLS");
    EXPECT_EQ(result.error,
              "ANN classifier testing: the file \"train.CLS\" was not tested.\rOnly reports "
              "named *.cls or *.nda (in lower case) are read as stored networks.");
}

TEST(StoredNetworkReader, TextWithoutTheSectionsEndsUnexpectedly) {
    for (const std::string& text :
         {std::string(), std::string("* Selected features [2 out of 2]"),
          std::string("x\n* Selected features\nA [#1/#1]"), std::string(5000, '\n')}) {
        const StoredNetworkReadResult result = readStoredNetwork(text, "n.cls");
        EXPECT_FALSE(result.ok);
        EXPECT_EQ(result.error, unexpectedEndMessage("n.cls"));
    }
    // The heading on the first line is the title's, not the header's.
    const StoredNetworkReadResult result =
        readStoredNetwork("* Selected features\nFeature vector standardized: YES\n", "n.cls");
    EXPECT_EQ(result.error, unexpectedEndMessage("n.cls"));
}

TEST(StoredNetworkReader, MoreFeaturesThanAnyNetworkHasInputsDoNotMatchItsInputs) {
    std::vector<int> selected;
    for (int f = 1; f <= 30; ++f) selected.push_back(f);
    const auto data = headerData(30, selected);
    std::vector<std::string> lines =
        reportLines(*data, network(StoredNetworkKind::NClass, 30, 2, 0, 2));
    for (int extra = 0; extra < 10; ++extra)
        lines.insert(lines.begin() + 33,
                     "Feature 30 [#30/#30]; p.mean= 1.00000E+000, p.std= 1.00000E+000");
    const StoredNetworkReadResult result = read(lines, StoredNetworkKind::NClass);
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, kInputsMismatchMessage);
    EXPECT_EQ(result.file.featureNames.size(), 31u);
}
