#include "statistics/core/ann_classifier.h"

#include <exception>
#include <utility>

#include "platform/textformat.h"
#include "statistics/core/report_header.h"

namespace {

// The training tolerance every caller of the minimisation passes.
constexpr double kOptimizeTolerance = 1e-5;

void loadInput(NeuralNetwork& net, const R62DataSet& data, int s) {
    const SampleRow& row = data.FeatureData[s];
    for (int i = 1; i <= net.NetInputCount; ++i) net.NetInput[i] = row[i];
}

// The trained weights in report order.
StoredNetwork trainedNetwork(const NeuralNetwork& net, StoredNetworkKind kind,
                             int selectedCategory) {
    StoredNetwork network;
    network.kind = kind;
    network.inputs = net.NetInputCount;
    network.hidden1 = net.GLayer;
    network.outputs = net.NetOutputCount;
    network.selectedCategory = selectedCategory;
    for (int j = 1; j <= net.GLayer; ++j)
        for (int i = 0; i <= net.NetInputCount; ++i)
            network.weights.push_back(net.AnnWHidden[j][i]);
    for (int m = 1; m <= net.NetOutputCount; ++m)
        for (int j = 0; j <= net.GLayer; ++j) network.weights.push_back(net.AnnWOut[m][j]);
    return network;
}

AnnTrainingReport train(R62DataSet& data, const R62Options& options, NeuralNetwork& net,
                        std::string_view dateTime, RandomSource& random,
                        const NetworkProgress& progress, StoredNetworkKind kind) {
    AnnTrainingReport report;
    const bool oneVsAll = kind == StoredNetworkKind::OneVsAll;
    // The network always learns from standardised features; the header says
    // so, whatever the option holds.
    if (!startAnalysis(data, 1, report)) return report;
    if (!requireTwoFeatures(data, kAnnNoFeaturesMessage, report)) return report;
    if (data.CategoryCount > kAnnMaxCategories) {
        report.outcome = AnalysisOutcome::NoFeatures;
        report.messages.emplace_back(kAnnTooManyCategoriesMessage);
        return report;
    }

    std::vector<std::string>& lines = report.lines;
    lines = ReportHeaderLines(data, StoredNetworkTitle(kind), 1, dateTime);
    lines.emplace_back();
    lines.push_back(StoredNetworkResultsTitle(kind));
    const int selected = options.SelectedCategory;

    // A fault of the arithmetic or of a bound ends the run with the lines
    // written so far.
    try {
        if (oneVsAll) lines.push_back(SelectedCategoryLine(selected, data.CategoryName[selected]));
        const int samples = data.SampleCount;
        checkRange(samples, 1, kMaxSamples);
        if (oneVsAll) {
            for (int s = 1; s <= samples; ++s)
                net.NetTarget[s][1] = data.Category[s] == selected ? 1.0 : 0.0;
        } else {
            for (OutputVector& row : net.NetTarget) row.fill(0.0);
            for (int s = 1; s <= samples; ++s) net.NetTarget[s][data.Category[s]] = 1.0;
        }
        net.NetInputCount = data.SelectedCount;
        net.NetOutputCount = oneVsAll ? int16_t{1} : data.CategoryCount;
        net.GLayer = options.GLayer;
        net.InitialiseAnnWeights(random);

        StoredNetwork sizes;
        sizes.kind = kind;
        sizes.inputs = net.NetInputCount;
        sizes.hidden1 = net.GLayer;
        sizes.outputs = net.NetOutputCount;
        for (std::string& line : NetworkArchitectureLines(sizes)) lines.push_back(std::move(line));
        lines.push_back(BackpropLine(options.eta, options.bpIterLimit));
        for (std::string& line : TrainingLogHeader(net.NetOutputCount))
            lines.push_back(std::move(line));
        BackpropTraining(net, data, oneVsAll ? TrainingKind::AnnOneOutput : TrainingKind::Ann,
                         options.eta, options.bpIterLimit, lines, random, progress);
        OptimizeWeights(net, data, checkedNarrow<int16_t>(options.optyIterLimit), NetworkKind::Ann,
                        kOptimizeTolerance, lines, progress);

        std::vector<std::string> wrong;
        int misclassified = 0;
        for (int s = 1; s <= samples; ++s) {
            loadInput(net, data, s);
            net.AnnForward();
            if (oneVsAll) {
                // The count and the list agree: an output of exactly 0.5 is a
                // rejection, which is wrong for a sample of the category.
                const bool accepted = outputSaysYes(net.NetOutput[1]);
                const bool member = net.NetTarget[s][1] == 1.0;
                if (accepted == member) continue;
                ++misclassified;
                wrong.push_back(
                    platform::cformat(member ? "Sample No: %d; Category: %d; ClassResult: not #%d"
                                             : "Sample No: %d; Category: %d; ClassResult: #%d",
                                      s, data.Category[s], selected));
            } else {
                data.ClassResult[s] = SingleCategory(net, data.CategoryCount);
                if (data.ClassResult[s] == data.Category[s]) continue;
                ++misclassified;
                wrong.push_back(platform::cformat("Sample No: %d; Category: %d; ClassResult: %d", s,
                                                  data.Category[s], data.ClassResult[s]));
            }
        }
        report.misclassified = misclassified;
        lines.push_back(MisclassifiedVectorsLine(misclassified, samples));
        for (std::string& line : wrong) lines.push_back(std::move(line));

        report.network = trainedNetwork(net, kind, oneVsAll ? selected : 0);
        for (std::string& line : NetworkWeightLines(report.network))
            lines.push_back(std::move(line));
    } catch (const std::exception& fault) {
        report.outcome = AnalysisOutcome::Failed;
        report.messages.emplace_back(fault.what());
    }
    return report;
}

}  // namespace

std::string MisclassifiedVectorsLine(int misclassified, int samples) {
    const double percent = samples > 0 ? 100.0 * misclassified / samples : 0.0;
    return "> Missclassified f. vectors: " +
           platform::cformat("%d/%d [or %4.2f%%]", misclassified, samples, percent);
}

int16_t SingleCategory(const NeuralNetwork& net, int categories) {
    int16_t found = 0;
    int count = 0;
    for (int m = 1; m <= categories; ++m) {
        if (!outputSaysYes(net.NetOutput[m])) continue;
        ++count;
        found = static_cast<int16_t>(m);
    }
    return count == 1 ? found : int16_t{0};
}

AnnTrainingReport AnnNClassTraining(R62DataSet& data, const R62Options& options, NeuralNetwork& net,
                                    std::string_view dateTime, RandomSource& random,
                                    const NetworkProgress& progress) {
    return train(data, options, net, dateTime, random, progress, StoredNetworkKind::NClass);
}

AnnTrainingReport AnnOneVsAllTraining(R62DataSet& data, const R62Options& options,
                                      NeuralNetwork& net, std::string_view dateTime,
                                      RandomSource& random, const NetworkProgress& progress) {
    return train(data, options, net, dateTime, random, progress, StoredNetworkKind::OneVsAll);
}

AnnTrainingReport RunAnnNClassTraining(R62DataSet& data, std::string_view dateTime,
                                       const NetworkProgress& progress) {
    return AnnNClassTraining(data, r62Options(), r62Network(), dateTime, r62Random(), progress);
}

AnnTrainingReport RunAnnOneVsAllTraining(R62DataSet& data, std::string_view dateTime,
                                         const NetworkProgress& progress) {
    return AnnOneVsAllTraining(data, r62Options(), r62Network(), dateTime, r62Random(), progress);
}
