#include "statistics/core/network_testing.h"

#include <exception>
#include <optional>
#include <utility>

#include "platform/files.h"
#include "platform/textformat.h"
#include "statistics/core/ann_classifier.h"
#include "statistics/core/pca.h"
#include "statistics/core/r62_shell.h"
#include "statistics/core/raw_data_analysis.h"
#include "statistics/core/report_header.h"

namespace {

struct TestTexts {
    std::string_view title;         // of the report header
    std::string_view resultsTitle;  // after the weights
};

TestTexts testTexts(StoredNetworkKind kind) {
    switch (kind) {
        case StoredNetworkKind::NClass:
            return {" [ANN classification of n categories]",
                    "* Results [ANN n-class classifier testing]"};
        case StoredNetworkKind::OneVsAll:
            return {" [ANN classification: \"1 vs. n categories\"]",
                    "* Results [ANN \"1 vs. n\" classifier testing]"};
        case StoredNetworkKind::Nda:
            break;
    }
    return {" [NDA ANN classifier testing]", "* Results [NDA ANN classifier testing]"};
}

std::string testStatus(StoredNetworkKind kind, int categories) {
    switch (kind) {
        case StoredNetworkKind::NClass:
            return platform::cformat("Neural-network '%d-class' classifier testing", categories);
        case StoredNetworkKind::OneVsAll:
            return platform::cformat("Neural-network 'one vs. %d' classifier testing",
                                     categories - 1);
        case StoredNetworkKind::Nda:
            break;
    }
    return "Neural-network NDA classifier testing";
}

NetworkTestReport& stop(NetworkTestReport& report, AnalysisOutcome outcome, std::string message) {
    report.outcome = outcome;
    report.messages.push_back(std::move(message));
    return report;
}

// The stored weights into the engine's matrices, rows and columns as the
// report lists them.
void loadNetwork(NeuralNetwork& net, const StoredNetwork& network) {
    net.NetInputCount = checkedNarrow<int16_t>(network.inputs);
    net.GLayer = checkedNarrow<int16_t>(network.hidden1);
    net.NetOutputCount = checkedNarrow<int16_t>(network.outputs);
    const int ni = network.inputs;
    const int g = network.hidden1;
    const int no = network.outputs;
    size_t next = 0;
    auto take = [&] { return network.weights.at(next++); };
    if (network.kind == StoredNetworkKind::Nda) {
        net.HLayer = checkedNarrow<int16_t>(network.hidden2);
        const int h = network.hidden2;
        for (int j = 1; j <= g; ++j)
            for (int i = 0; i <= ni; ++i) net.NdaW1[j][i] = take();
        for (int k = 1; k <= h; ++k)
            for (int j = 0; j <= g; ++j) net.NdaW2[k][j] = take();
        for (int m = 1; m <= no; ++m)
            for (int k = 0; k <= h; ++k) net.NdaW3[m][k] = take();
    } else {
        for (int j = 1; j <= g; ++j)
            for (int i = 0; i <= ni; ++i) net.AnnWHidden[j][i] = take();
        for (int m = 1; m <= no; ++m)
            for (int j = 0; j <= g; ++j) net.AnnWOut[m][j] = take();
    }
    net.NetInput[0] = 1.0;
    net.Hidden1Out[0] = 1.0;
    net.Hidden2Out[0] = 1.0;
}

void forward(NeuralNetwork& net, const R62DataSet& data, int s, StoredNetworkKind kind) {
    const SampleRow& row = data.FeatureData[s];
    for (int i = 1; i <= net.NetInputCount; ++i) net.NetInput[i] = row[i];
    if (kind == StoredNetworkKind::Nda)
        net.NdaForward();
    else
        net.AnnForward();
}

// The classification part of the test report.
void classify(R62DataSet& data, R62Options& options, NeuralNetwork& net, SampleMatrix& projected,
              NetworkTestReport& report) {
    const StoredNetwork& network = report.network;
    const int samples = data.SampleCount;
    checkRange(samples, 1, kMaxSamples);
    std::vector<std::string> wrong;
    int misclassified = 0;
    if (network.kind == StoredNetworkKind::OneVsAll) {
        const int selected = options.SelectedCategory;
        for (int s = 1; s <= samples; ++s) {
            net.NetTarget[s][1] = data.Category[s] == selected ? 1.0 : 0.0;
            forward(net, data, s, network.kind);
            // An output of exactly 0.5 is a rejection, for the count and the
            // list alike.
            const bool accepted = outputSaysYes(net.NetOutput[1]);
            const bool member = net.NetTarget[s][1] == 1.0;
            if (accepted == member) continue;
            ++misclassified;
            wrong.push_back(
                platform::cformat(member ? "Sample No: %d; Category: %d; ClassResult: not #%d"
                                         : "Sample No: %d; Category: %d; ClassResult: #%d",
                                  s, data.Category[s], selected));
        }
    } else {
        for (int s = 1; s <= samples; ++s) {
            forward(net, data, s, network.kind);
            data.ClassResult[s] = SingleCategory(net, data.CategoryCount);
            if (data.ClassResult[s] == data.Category[s]) continue;
            ++misclassified;
            wrong.push_back(platform::cformat("Sample No: %d; Category: %d; ClassResult: %d", s,
                                              data.Category[s], data.ClassResult[s]));
        }
    }
    report.misclassified = misclassified;
    report.lines.push_back(MisclassifiedVectorsLine(misclassified, samples));
    for (std::string& line : wrong) report.lines.push_back(std::move(line));
    if (network.kind != StoredNetworkKind::Nda) return;

    // The second hidden layer's outputs are the NDA features.
    const int h = network.hidden2;
    projected.fill(SampleRow{});
    for (int s = 1; s <= samples; ++s) {
        forward(net, data, s, network.kind);
        for (int f = 1; f <= h; ++f) projected[s][f] = net.Hidden2Out[f];
    }
    report.fisher = ClassStatistics(data, projected, h);
    report.lines.push_back(report.fisher < 1e6 ? fisherLine(report.fisher)
                                               : std::string("> Fisher coefficient, F > 1e6"));
    PlotInput& plot = report.plot;
    plot.sampleCount = samples;
    for (int s = 1; s <= samples; ++s) {
        plot.PlotX[s] = projected[s][1];
        plot.PlotY[s] = projected[s][2];
        plot.PlotZ[s] = projected[s][3];
    }
    plot.PlotTitle = "Nonlinear Discriminant Analysis";
    plot.AxisLabel1 = "NDA f1";
    plot.AxisLabel2 = "NDA f2";
    if (h == 2) {
        plot.kind = PlotKind::Plot2D;
        plot.tag = "ann";
        for (int m = 1; m <= network.outputs; ++m)
            report.boundaries.push_back({net.NdaW3[m][0], net.NdaW3[m][1], net.NdaW3[m][2]});
    } else {
        plot.AxisLabel3 = "NDA f3";
        plot.kind = PlotKind::Plot3D;
    }
}

}  // namespace

std::string FeatureNotRepresentedMessage(std::string_view feature, std::string_view dataFileName) {
    return "Feature \"" + std::string(feature) + "\" is not represented in \"" +
           std::string(dataFileName) + "\" test-data file ..";
}

NetworkTestReport TestStoredNetwork(R62DataSet& data, R62Options& options, NeuralNetwork& net,
                                    SampleMatrix& projected, std::string text,
                                    std::string_view weightFileName, std::string_view dateTime) {
    NetworkTestReport report;
    using enum AnalysisOutcome;
    if (data.NewConsistentData == 0)
        return stop(report, PreparationRefused, std::string(kNoDataMessage));
    StoredNetworkReader reader(std::move(text), std::string(weightFileName));

    std::vector<std::string> names;
    if (!reader.readSelectedFeatures(names))
        return stop(report, PreparationRefused, reader.error());

    // The selection becomes the network's. Each listed feature takes the
    // first not yet taken feature of the data of that name, and the working
    // columns follow the network's input order, whatever order the data file
    // declares its features in.
    const int declared = data.FeatureCount;
    checkRange(declared, 0, kMaxFeatures);
    for (int f = 1; f <= declared; ++f) data.FeatureSelected[f] = 0;
    CheckedArray<int16_t, 1, kMaxFeatures> column{};
    CheckedArray<uint8_t, 1, kMaxFeatures> taken{};
    int n = 0;
    for (const std::string& name : names) {
        int found = 0;
        for (int f = 1; f <= declared && found == 0; ++f)
            if (taken[f] == 0 && data.FeatureName[f] == name) found = f;
        // With every feature taken, a further name is not represented either.
        if (found == 0)
            return stop(report, PreparationRefused,
                        FeatureNotRepresentedMessage(name, data.DataFileName));
        taken[found] = 1;
        data.FeatureSelected[found] = 1;
        column[++n] = static_cast<int16_t>(found);
    }

    report.clearMemoOut = true;
    const int samples = data.SampleCount;
    checkRange(samples, 0, kMaxSamples);
    data.SelectedCount = static_cast<int16_t>(n);
    for (int k = 1; k <= n; ++k) {
        data.SelectedFeatureName[k] = data.FeatureName[column[k]];
        data.SelectedFeatureIndex[k] = column[k];
    }
    for (int s = 1; s <= samples; ++s) {
        const SampleRow& raw = data.RawData[s];
        SampleRow& row = data.FeatureData[s];
        row = raw;
        for (int k = 1; k <= n; ++k) row[k] = raw[column[k]];
    }

    if (n < 2) return stop(report, NoFeatures, std::string(kTestNoFeaturesMessage));
    if (data.CategoryCount > kAnnMaxCategories)
        return stop(report, NoFeatures, std::string(kTestTooManyCategoriesMessage));

    std::vector<double> means;
    std::vector<double> deviations;
    if (!reader.readTrainingStatistics(static_cast<size_t>(n), means, deviations))
        return stop(report, PreparationRefused, reader.error());
    // The test data are standardised with the training statistics. They also
    // stand, per feature number, where the report header reads them.
    options.StandardizeData = 1;
    for (int k = 1; k <= n; ++k) {
        const double mean = means[static_cast<size_t>(k - 1)];
        const double deviation = deviations[static_cast<size_t>(k - 1)];
        report.trainingMean[k] = mean;
        report.trainingStd[k] = deviation;
        data.FeatureMean[column[k]] = mean;
        data.FeatureStd[column[k]] = deviation;
        for (int s = 1; s <= samples; ++s)
            data.FeatureData[s][k] = (data.FeatureData[s][k] - mean) / deviation;
    }

    StoredKindStatus status = StoredKindStatus::Known;
    StoredNetworkKind kind = StoredNetworkKind::NClass;
    if (!reader.readKind(status, kind)) return stop(report, PreparationRefused, reader.error());
    // The program used to end here without a word.
    if (status != StoredKindStatus::Known) return stop(report, PreparationRefused, reader.error());
    report.statusText = testStatus(kind, data.CategoryCount);

    if (!reader.readNetwork(kind, n, data.CategoryCount, report.network))
        return stop(report, PreparationRefused, reader.error());
    if (kind == StoredNetworkKind::OneVsAll)
        options.SelectedCategory = checkedNarrow<int16_t>(report.network.selectedCategory);

    const TestTexts texts = testTexts(kind);
    report.lines = TestReportHeaderLines(data, texts.title, options.StandardizeData, dateTime);
    try {
        loadNetwork(net, report.network);
        for (std::string& line : NetworkCountLines(report.network))
            report.lines.push_back(std::move(line));
        for (std::string& line : NetworkWeightLines(report.network))
            report.lines.push_back(std::move(line));
        report.lines.emplace_back();
        report.lines.emplace_back(texts.resultsTitle);
        classify(data, options, net, projected, report);
    } catch (const std::exception& fault) {
        report.outcome = Failed;
        report.messages.emplace_back(fault.what());
        report.plot.kind = PlotKind::None;
        report.boundaries.clear();
    }
    return report;
}

NetworkTestReport RunNetworkTest(R62DataSet& data, const std::string& path,
                                 std::string_view dateTime) {
    std::optional<std::string> text = platform::readWholeFile(path, kMaxNetworkFileBytes);
    if (!text) {
        NetworkTestReport report;
        return stop(report, AnalysisOutcome::PreparationRefused,
                    CannotReadNetworkFileMessage(path));
    }
    return TestStoredNetwork(data, r62Options(), r62Network(), r62ProjectedData(), std::move(*text),
                             platform::FileNamePart(path), dateTime);
}
