#include "statistics/core/classifiers/nda.h"

#include <string>

#include "platform/textformat.h"
#include "statistics/core/classifiers/ann_classifier.h"
#include "statistics/core/classifiers/stored_network.h"
#include "statistics/core/linear/projection.h"
#include "statistics/core/linear/raw_data_analysis.h"
#include "statistics/core/reports/report_header.h"

NdaParameters ndaParametersOf(const R62Options& options) {
    NdaParameters parameters;
    parameters.GLayer = options.GLayer;
    parameters.HLayer = options.HLayer;
    parameters.eta = options.eta;
    parameters.bpIterLimit = options.bpIterLimit;
    parameters.optyIterLimit = checkedNarrow<int16_t>(options.optyIterLimit);
    return parameters;
}

namespace {

// Everything after the header; may throw the range and overflow faults.
void runNetwork(R62DataSet& data, NeuralNetwork& net, SampleMatrix& projected,
                const NdaParameters& parameters, RandomSource& random,
                const NetworkProgress& progress, ProjectionReport& report) {
    std::vector<std::string>& lines = report.lines;
    const int n = data.SampleCount;
    checkRange(n, 1, kMaxSamples);
    checkRange(parameters.HLayer, 2, kMaxHLayer);
    net.NetInputCount = data.SelectedCount;
    net.NetOutputCount = data.CategoryCount;
    net.GLayer = parameters.GLayer;
    net.HLayer = parameters.HLayer;
    report.weightCount = net.WeightCount(NetworkKind::Nda);  // checks every size
    const int no = net.NetOutputCount;

    net.NetTarget.fill(OutputVector{});
    for (int s = 1; s <= n; ++s) net.NetTarget[s][data.Category[s]] = 1.0;
    net.initialiseNdaWeights(random);

    for (std::string& line :
         networkArchitectureLines(storedNetworkOf(net, StoredNetworkKind::Nda, 0)))
        lines.push_back(std::move(line));
    lines.push_back(backpropLine(parameters.eta, parameters.bpIterLimit));
    for (std::string& line : trainingLogHeader(no)) lines.push_back(std::move(line));
    BackpropTraining(net, data, TrainingKind::Nda, parameters.eta, parameters.bpIterLimit, lines,
                     random, progress);
    OptimizeWeights(net, data, parameters.optyIterLimit, NetworkKind::Nda, 1e-5, lines, progress);

    report.misclassified = classifySamples(net, data, StoredNetworkKind::Nda, 0, lines);
    report.fisher = reportNdaFeatures(net, data, projected, report, report.boundaries);

    for (std::string& line : networkWeightLines(storedNetworkOf(net, StoredNetworkKind::Nda, 0)))
        lines.push_back(std::move(line));
}

}  // namespace

double reportNdaFeatures(NeuralNetwork& net, const R62DataSet& data, SampleMatrix& projected,
                         AnalysisResult& report, std::vector<BoundaryLine>& boundaries) {
    const int n = data.SampleCount;
    checkRange(n, 1, kMaxSamples);
    const int h = net.HLayer;
    projected.fill(SampleRow{});
    for (int s = 1; s <= n; ++s) {
        net.loadInput(data, s);
        net.NdaForward();
        for (int f = 1; f <= h; ++f) projected[s][f] = net.Hidden2Out[f];
    }
    const double fisher = ClassStatistics(data, projected, h);
    report.lines.push_back(fisher < 1e6 ? fisherLine(fisher)
                                        : std::string("> Fisher coefficient, F > 1e6"));

    fillProjectedPlot(report.plot, data, projected, h, "Nonlinear Discriminant Analysis", "NDA f",
                      "ann");
    if (h == 2)
        for (int m = 1; m <= net.NetOutputCount; ++m)
            boundaries.push_back({net.NdaW3[m][0], net.NdaW3[m][1], net.NdaW3[m][2]});
    return fisher;
}

ProjectionReport NonlinearDiscriminantAnalysis(R62DataSet& data, NeuralNetwork& net,
                                               SampleMatrix& projected,
                                               const NdaParameters& parameters,
                                               std::string_view dateTime, RandomSource& random,
                                               const NetworkProgress& progress) {
    ProjectionReport report;
    // The network always learns from standardised features; the header says
    // so, whatever the option holds.
    constexpr uint8_t kStandardized = 1;
    if (!startTwoFeatureAnalysis(data, kStandardized, kNdaNoFeaturesMessage, report)) return report;
    report.lines = reportOpeningLines(data, kNdaReportTitle, kStandardized, dateTime,
                                      "* Results [nonlinear discriminant analysis]");
    try {
        runNetwork(data, net, projected, parameters, random, progress, report);
    } catch (const RangeCheckError& fault) {
        report.outcome = AnalysisOutcome::Failed;
        report.messages.emplace_back(fault.what());
    } catch (const IntegerOverflowError& fault) {
        report.outcome = AnalysisOutcome::Failed;
        report.messages.emplace_back(fault.what());
    }
    if (report.outcome == AnalysisOutcome::Failed) {
        report.plot.kind = PlotKind::None;
        report.boundaries.clear();
    }
    return report;
}

ProjectionReport runNonlinearDiscriminantAnalysis(R62DataSet& data, const R62Options& options,
                                                  std::string_view dateTime,
                                                  const NetworkProgress& progress) {
    return NonlinearDiscriminantAnalysis(data, r62Network(), r62ProjectedData(),
                                         ndaParametersOf(options), dateTime, r62Random(), progress);
}
