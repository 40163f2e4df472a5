#include "statistics/core/classifiers/ann_classifier.h"

#include <exception>
#include <utility>

#include "platform/textformat.h"
#include "statistics/core/reports/report_header.h"

namespace {

// The training tolerance every caller of the minimisation passes.
constexpr double kOptimizeTolerance = 1e-5;

AnnTrainingReport train(R62DataSet& data, const R62Options& options, NeuralNetwork& net,
                        std::string_view dateTime, RandomSource& random,
                        const NetworkProgress& progress, StoredNetworkKind kind) {
    AnnTrainingReport report;
    const bool oneVsAll = kind == StoredNetworkKind::OneVsAll;
    // The network always learns from standardised features; the header says
    // so, whatever the option holds.
    if (!startTwoFeatureAnalysis(data, 1, kAnnNoFeaturesMessage, report)) return report;
    if (data.CategoryCount > kAnnMaxCategories) {
        report.outcome = AnalysisOutcome::NoFeatures;
        report.messages.emplace_back(kAnnTooManyCategoriesMessage);
        return report;
    }

    std::vector<std::string>& lines = report.lines;
    lines = reportHeaderLines(data, storedNetworkTitle(kind), 1, dateTime);
    lines.emplace_back();
    lines.push_back(storedNetworkResultsTitle(kind));
    const int selected = options.SelectedCategory;

    // A fault of the arithmetic or of a bound ends the run with the lines
    // written so far.
    try {
        if (oneVsAll) lines.push_back(selectedCategoryLine(selected, data.CategoryName[selected]));
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
        net.initialiseAnnWeights(random);

        const int storedCategory = oneVsAll ? selected : 0;
        for (std::string& line :
             networkArchitectureLines(storedNetworkOf(net, kind, storedCategory)))
            lines.push_back(std::move(line));
        lines.push_back(backpropLine(options.eta, options.bpIterLimit));
        for (std::string& line : trainingLogHeader(net.NetOutputCount))
            lines.push_back(std::move(line));
        BackpropTraining(net, data, oneVsAll ? TrainingKind::AnnOneOutput : TrainingKind::Ann,
                         options.eta, options.bpIterLimit, lines, random, progress);
        OptimizeWeights(net, data, checkedNarrow<int16_t>(options.optyIterLimit), NetworkKind::Ann,
                        kOptimizeTolerance, lines, progress);

        report.misclassified = classifySamples(net, data, kind, selected, lines);

        report.network = storedNetworkOf(net, kind, storedCategory);
        for (std::string& line : networkWeightLines(report.network))
            lines.push_back(std::move(line));
    } catch (const std::exception& fault) {
        report.outcome = AnalysisOutcome::Failed;
        report.messages.emplace_back(fault.what());
    }
    return report;
}

}  // namespace

std::string misclassifiedVectorsLine(int misclassified, int samples) {
    const double percent = samples > 0 ? 100.0 * misclassified / samples : 0.0;
    return "> Missclassified f. vectors: " +
           platform::cformat("%d/%d [or %4.2f%%]", misclassified, samples, percent);
}

int classifySamples(NeuralNetwork& net, R62DataSet& data, StoredNetworkKind kind,
                    int selectedCategory, std::vector<std::string>& lines) {
    const int samples = data.SampleCount;
    checkRange(samples, 1, kMaxSamples);
    std::vector<std::string> wrong;
    int misclassified = 0;
    for (int s = 1; s <= samples; ++s) {
        net.loadInput(data, s);
        if (kind == StoredNetworkKind::Nda)
            net.NdaForward();
        else
            net.AnnForward();
        if (kind == StoredNetworkKind::OneVsAll) {
            // The count and the list agree: an output of exactly 0.5 is a
            // rejection, which is wrong for a sample of the category.
            const bool accepted = outputSaysYes(net.NetOutput[1]);
            const bool member = data.Category[s] == selectedCategory;
            if (accepted == member) continue;
            ++misclassified;
            wrong.push_back(
                platform::cformat(member ? "Sample No: %d; Category: %d; ClassResult: not #%d"
                                         : "Sample No: %d; Category: %d; ClassResult: #%d",
                                  s, data.Category[s], selectedCategory));
        } else {
            data.ClassResult[s] = singleCategory(net, data.CategoryCount);
            if (data.ClassResult[s] == data.Category[s]) continue;
            ++misclassified;
            wrong.push_back(platform::cformat("Sample No: %d; Category: %d; ClassResult: %d", s,
                                              data.Category[s], data.ClassResult[s]));
        }
    }
    lines.push_back(misclassifiedVectorsLine(misclassified, samples));
    for (std::string& line : wrong) lines.push_back(std::move(line));
    return misclassified;
}

int16_t singleCategory(const NeuralNetwork& net, int categories) {
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

AnnTrainingReport runAnnNClassTraining(R62DataSet& data, std::string_view dateTime,
                                       const NetworkProgress& progress) {
    return AnnNClassTraining(data, r62Options(), r62Network(), dateTime, r62Random(), progress);
}

AnnTrainingReport runAnnOneVsAllTraining(R62DataSet& data, std::string_view dateTime,
                                         const NetworkProgress& progress) {
    return AnnOneVsAllTraining(data, r62Options(), r62Network(), dateTime, r62Random(), progress);
}
