#include "statistics/core/linear/raw_data_analysis.h"

#include <cmath>
#include <memory>

#include "platform/textformat.h"
#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/linear/column_statistics.h"
#include "statistics/core/reports/report_header.h"

double ClassStatistics(const R62DataSet& data, const SampleMatrix& X, int d) {
    const int n = data.SampleCount;
    const int classes = data.CategoryCount;
    checkRange(n, 0, kMaxSamples);
    checkRange(classes, 0, kMaxCategories);
    checkRange(d, 0, kMaxFeatures);
    // Per-class work arrays, zeroed on entry.
    const std::unique_ptr<ClassMeans> byClass = classMeans(data, X, d);
    const auto& count = byClass->count;
    const auto& means = byClass->mean;
    CheckedArray<double, 1, kMaxCategories> prior{};
    CheckedArray<double, 1, kMaxCategories> scatter{};
    for (int c = 1; c <= classes; ++c) {
        // A class without samples has no mean and no weight.
        if (count[c] == 0) continue;
        prior[c] = static_cast<double>(count[c]) / n;
    }
    for (int i = 1; i <= n; ++i) {
        const int c = data.Category[i];
        double sq = 0.0;
        for (int f = 1; f <= d; ++f) {
            const double diff = X[i][f] - means[c][f];
            sq += diff * diff;
        }
        scatter[c] += sq;
    }
    double within = 0.0;
    double priorSquares = 0.0;
    for (int c = 1; c <= classes; ++c) {
        if (count[c] == 0) continue;
        within += prior[c] * (scatter[c] / count[c]);
        priorSquares += prior[c] * prior[c];
    }
    double between = 0.0;
    for (int c1 = 1; c1 <= classes; ++c1)
        for (int c2 = 1; c2 <= classes; ++c2) {
            double sq = 0.0;
            for (int f = 1; f <= d; ++f) {
                const double diff = means[c1][f] - means[c2][f];
                sq += diff * diff;
            }
            between += prior[c1] * prior[c2] * sq;
        }
    const double denominator = 1.0 - priorSquares;
    // With a single populated class there is no between-class scatter to speak
    // of; 0/0 would otherwise decide the result.
    if (!(denominator > 0.0) || between == 0.0) return 0.0;
    between /= denominator;
    if (within / between > 1e-6) return between / within;
    return 1000000.0;
}

std::string fisherLine(double fisher) {
    return platform::cformat("> Fisher coefficient, F = %-6.1f", fisher);
}

RawDataAnalysisReport runRawDataAnalysis(R62DataSet& data, uint8_t standardize,
                                         std::string_view dateTime) {
    RawDataAnalysisReport report;
    if (!startTwoFeatureAnalysis(data, standardize, kRawDataNoFeaturesMessage, report))
        return report;
    const int n = data.SelectedCount;
    report.lines = reportOpeningLines(data, kRawDataReportTitle, standardize, dateTime,
                                      "* Results [raw-data analysis]");
    report.fisher = ClassStatistics(data, data.FeatureData, n);
    report.lines.push_back(fisherLine(report.fisher));
    report.misclassified = leaveOneOut1NNSampleDistance(data);
    report.lines.emplace_back("> 1-NN classification of raw data");
    for (std::string& line : misclassificationBlock(data, report.misclassified))
        report.lines.push_back(std::move(line));

    PlotInput& plot = report.plot;
    plot.sampleCount = data.SampleCount;
    for (int i = 1; i <= data.SampleCount; ++i) {
        plot.PlotX[i] = data.FeatureData[i][1];
        plot.PlotY[i] = data.FeatureData[i][2];
        plot.PlotZ[i] = data.FeatureData[i][3];  // not shown with two features
    }
    plot.PlotTitle = "raw data analysis";
    plot.AxisLabel1 = data.SelectedFeatureName[1];
    plot.AxisLabel2 = data.SelectedFeatureName[2];
    if (n == 2) {
        plot.kind = PlotKind::Plot2D;
        plot.tag = "raw";
    } else {
        plot.AxisLabel3 = data.SelectedFeatureName[3];
        plot.kind = PlotKind::Plot3D;
    }
    return report;
}
