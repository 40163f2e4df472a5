#include "statistics/core/nda.h"

#include <string>

#include "platform/textformat.h"
#include "statistics/core/pca.h"
#include "statistics/core/raw_data_analysis.h"
#include "statistics/core/report_header.h"

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

// Rows 1..rows of a weight matrix, `count` weights each.
template <class Matrix>
void appendWeightRows(std::vector<std::string>& lines, const Matrix& weights, int rows, int count) {
    for (int r = 1; r <= rows; ++r) {
        checkRange(count, 1, static_cast<int>(weights[r].kSize));
        lines.push_back(NeuronWeightLine(weights[r].data(), count));
    }
}

// Everything after the header; may throw the range and overflow faults.
void runNetwork(R62DataSet& data, NeuralNetwork& net, SampleMatrix& projected,
                const NdaParameters& parameters, RandomSource& random,
                const NetworkProgress& progress, NdaReport& report) {
    std::vector<std::string>& lines = report.lines;
    const int n = data.SampleCount;
    checkRange(n, 1, kMaxSamples);
    checkRange(parameters.HLayer, 2, kMaxHLayer);
    net.NetInputCount = data.SelectedCount;
    net.NetOutputCount = data.CategoryCount;
    net.GLayer = parameters.GLayer;
    net.HLayer = parameters.HLayer;
    report.weightCount = net.WeightCount(NetworkKind::Nda);  // checks every size
    const int ni = net.NetInputCount;
    const int g = net.GLayer;
    const int h = net.HLayer;
    const int no = net.NetOutputCount;

    net.NetTarget.fill(OutputVector{});
    for (int s = 1; s <= n; ++s) net.NetTarget[s][data.Category[s]] = 1.0;
    net.InitialiseNdaWeights(random);

    lines.emplace_back("> Neural network architecture ");
    lines.push_back("       input layer: " + platform::cformat("%2d", ni) + " nodes");
    lines.push_back("  1st hidden layer: " + platform::cformat("%2d", g) + " neurons");
    lines.push_back("  2nd hidden layer: " + platform::cformat("%2d", h) + " neurons");
    lines.push_back("      output layer: " + platform::cformat("%2d", no) + " nodes");
    lines.push_back("> backprop (eta=" +
                    platform::cformat("%4.2f, bpIterLimit=%d", parameters.eta,
                                      static_cast<int>(parameters.bpIterLimit)) +
                    ")");
    for (std::string& line : TrainingLogHeader(no)) lines.push_back(std::move(line));
    BackpropTraining(net, data, TrainingKind::Nda, parameters.eta, parameters.bpIterLimit, lines,
                     random, progress);
    OptimizeWeights(net, data, parameters.optyIterLimit, NetworkKind::Nda, 1e-5, lines, progress);

    // A sample is classified only when exactly one output is above 0.5 (an
    // output of exactly 0.5 rounds to 0).
    int k = 0;
    for (int s = 1; s <= n; ++s) {
        for (int i = 1; i <= ni; ++i) net.NetInput[i] = data.FeatureData[s][i];
        net.NdaForward();
        int found = 0;
        int above = 0;
        for (int m = 1; m <= no; ++m)
            if (net.NetOutput[m] > 0.5) {
                ++above;
                found = m;
            }
        data.ClassResult[s] = above == 1 ? checkedNarrow<int16_t>(found) : int16_t{0};
        if (data.ClassResult[s] != data.Category[s]) ++k;
    }
    report.misclassified = k;
    lines.push_back("> Missclassified f. vectors: " +
                    platform::cformat("%d/%d [or %4.2f%%]", k, n, 100.0 * k / n));
    for (int s = 1; s <= n; ++s)
        if (data.ClassResult[s] != data.Category[s])
            lines.push_back(platform::cformat("Sample No: %d; Category: %d; ClassResult: %d", s,
                                              data.Category[s], data.ClassResult[s]));

    projected.fill(SampleRow{});
    for (int s = 1; s <= n; ++s) {
        for (int i = 1; i <= ni; ++i) net.NetInput[i] = data.FeatureData[s][i];
        net.NdaForward();
        for (int f = 1; f <= h; ++f) projected[s][f] = net.Hidden2Out[f];
    }
    report.fisher = ClassStatistics(data, projected, h);
    lines.push_back(report.fisher < 1e6 ? fisherLine(report.fisher)
                                        : std::string("> Fisher coefficient, F > 1e6"));

    PlotInput& plot = report.plot;
    plot.sampleCount = n;
    for (int s = 1; s <= n; ++s) {
        plot.PlotX[s] = projected[s][1];
        plot.PlotY[s] = projected[s][2];
        plot.PlotZ[s] = projected[s][3];  // 0 with two features
    }
    plot.PlotTitle = "Nonlinear Discriminant Analysis";
    plot.AxisLabel1 = "NDA f1";
    plot.AxisLabel2 = "NDA f2";
    if (h == 2) {
        plot.kind = PlotKind::Plot2D;
        plot.tag = "ann";
        for (int m = 1; m <= no; ++m)
            report.boundaries.push_back({net.NdaW3[m][0], net.NdaW3[m][1], net.NdaW3[m][2]});
    } else {
        plot.AxisLabel3 = "NDA f3";
        plot.kind = PlotKind::Plot3D;
    }

    lines.emplace_back("> Neural network weights");
    lines.emplace_back("1st hidden layer -----------");
    appendWeightRows(lines, net.NdaW1, g, ni + 1);
    lines.emplace_back("2nd hidden layer -----------");
    appendWeightRows(lines, net.NdaW2, h, g + 1);
    lines.emplace_back("output layer ---------------");
    appendWeightRows(lines, net.NdaW3, no, h + 1);
}

}  // namespace

NdaReport NonlinearDiscriminantAnalysis(R62DataSet& data, NeuralNetwork& net,
                                        SampleMatrix& projected, const NdaParameters& parameters,
                                        std::string_view dateTime, RandomSource& random,
                                        const NetworkProgress& progress) {
    NdaReport report;
    // The network always learns from standardised features; the header says
    // so, whatever the option holds.
    constexpr uint8_t kStandardized = 1;
    if (!startAnalysis(data, kStandardized, report)) return report;
    if (!requireTwoFeatures(data, kNdaNoFeaturesMessage, report)) return report;
    report.lines = ReportHeaderLines(data, kNdaReportTitle, kStandardized, dateTime);
    report.lines.emplace_back();
    report.lines.emplace_back("* Results [nonlinear discriminant analysis]");
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

NdaReport RunNonlinearDiscriminantAnalysis(R62DataSet& data, const R62Options& options,
                                           std::string_view dateTime,
                                           const NetworkProgress& progress) {
    return NonlinearDiscriminantAnalysis(data, r62Network(), r62ProjectedData(),
                                         ndaParametersOf(options), dateTime, r62Random(), progress);
}
