#include "statistics/core/classifiers/network_testing.h"

#include <exception>
#include <optional>
#include <utility>

#include "platform/files.h"
#include "platform/textformat.h"
#include "statistics/core/classifiers/ann_classifier.h"
#include "statistics/core/classifiers/nda.h"
#include "statistics/core/linear/projection.h"
#include "statistics/core/r62_shell.h"
#include "statistics/core/reports/report_header.h"

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

// The classification part of the test report.
void classify(R62DataSet& data, R62Options& options, NeuralNetwork& net, SampleMatrix& projected,
              NetworkTestReport& report) {
    const StoredNetworkKind kind = report.network.kind;
    const int samples = data.SampleCount;
    checkRange(samples, 1, kMaxSamples);
    const int selected = kind == StoredNetworkKind::OneVsAll ? options.SelectedCategory : 0;
    if (kind == StoredNetworkKind::OneVsAll)
        for (int s = 1; s <= samples; ++s)
            net.NetTarget[s][1] = data.Category[s] == selected ? 1.0 : 0.0;
    report.misclassified = classifySamples(net, data, kind, selected, report.lines);
    if (kind == StoredNetworkKind::Nda)
        report.fisher = reportNdaFeatures(net, data, projected, report, report.boundaries);
}

}  // namespace

std::string featureNotRepresentedMessage(std::string_view feature, std::string_view dataFileName) {
    return "Feature \"" + std::string(feature) + "\" is not represented in \"" +
           std::string(dataFileName) + "\" test-data file ..";
}

NetworkTestReport testStoredNetwork(R62DataSet& data, R62Options& options, NeuralNetwork& net,
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
                        featureNotRepresentedMessage(name, data.DataFileName));
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
    report.lines = testReportHeaderLines(data, texts.title, options.StandardizeData, dateTime);
    try {
        loadStoredNetwork(net, report.network);
        for (std::string& line : networkCountLines(report.network))
            report.lines.push_back(std::move(line));
        for (std::string& line : networkWeightLines(report.network))
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

NetworkTestReport runNetworkTest(R62DataSet& data, const std::string& path,
                                 std::string_view dateTime) {
    std::optional<std::string> text = platform::readWholeFile(path, kMaxNetworkFileBytes);
    if (!text) {
        NetworkTestReport report;
        return stop(report, AnalysisOutcome::PreparationRefused,
                    cannotReadNetworkFileMessage(path));
    }
    return testStoredNetwork(data, r62Options(), r62Network(), r62ProjectedData(), std::move(*text),
                             platform::fileNamePart(path), dateTime);
}
