#include "statistics/core/linear/pca.h"

#include <cmath>
#include <limits>
#include <memory>

#include "platform/parallel.h"
#include "platform/textformat.h"
#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/linear/raw_data_analysis.h"
#include "statistics/core/report/report_header.h"

double ProjectedSqDistance(const SampleMatrix& projected, int i, int j, int m) {
    checkRange(m, 0, kMaxFeatures);
    const SampleRow& a = projected[i];
    const SampleRow& b = projected[j];
    double sum = 0.0;
    for (int k = 1; k <= m; ++k) {
        const double diff = a[k] - b[k];
        sum += diff * diff;
    }
    return sum;
}

int leaveOneOut1NNProjected(R62DataSet& data, const SampleMatrix& projected, int m) {
    return leaveOneOut1NNRows(data, projected, m);
}

std::vector<std::string> PrintMatrix(const Matrix30& M, std::string_view title, int n) {
    checkRange(n, 0, kMaxFeatures);
    std::vector<std::string> lines;
    lines.emplace_back(title);
    for (int r = 1; r <= n; ++r) {
        std::string line;
        for (int c = 1; c <= n; ++c) line += "  " + platform::formatExponent(M[r][c], 13, 6);
        lines.push_back(std::move(line));
    }
    return lines;
}

int linearDimensionalityOf(const Vector30& sortedValues, int n, bool absoluteTotal) {
    checkRange(n, 1, kMaxFeatures);
    double total = 0.0;
    for (int k = 1; k <= n; ++k)
        total += absoluteTotal ? std::fabs(sortedValues[k]) : sortedValues[k];
    // Without a positive total the shares are meaningless; one component stays.
    if (!(total > 0.0) || !std::isfinite(total)) return 1;
    Vector30 share;
    for (int k = 1; k <= n; ++k) share[k] = sortedValues[k] / total;
    int m = 1;
    while (share[m] < 0.99 && m < n) {
        ++m;
        share[m] += share[m - 1];
    }
    return m;
}

void appendProjectedSampleLines(const R62DataSet& data, const SampleMatrix& projected, int m,
                                std::vector<std::string>& lines) {
    checkRange(m, 0, kMaxFeatures);
    // Tens of thousands of numbers: the lines are written side by side, each
    // into its own place.
    const size_t first = lines.size();
    lines.resize(first + static_cast<size_t>(data.SampleCount));
    parallelFor(static_cast<size_t>(data.SampleCount), 64, [&](size_t begin, size_t end) {
        for (size_t s = begin; s < end; ++s) {
            const int i = static_cast<int>(s) + 1;
            std::string& line = lines[first + s];
            line = platform::cformat("%3d", data.Category[i]);
            line.reserve(line.size() + static_cast<size_t>(m) * 15);
            for (int k = 1; k <= m; ++k) {
                line += "  ";
                platform::appendExponent(line, projected[i][k], 13, 6);
            }
        }
    });
}

void fillProjectedPlot(PlotInput& plot, const R62DataSet& data, const SampleMatrix& projected,
                       int m, const char* title, const char* axis, const char* tag) {
    plot.sampleCount = data.SampleCount;
    for (int i = 1; i <= data.SampleCount; ++i) {
        plot.PlotX[i] = projected[i][1];
        plot.PlotY[i] = projected[i][2];
        plot.PlotZ[i] = projected[i][3];
    }
    plot.PlotTitle = title;
    plot.AxisLabel1 = std::string(axis) + " 1";
    if (m == 1) {
        plot.kind = PlotKind::Plot1D;
    } else if (m == 2) {
        plot.AxisLabel2 = std::string(axis) + " 2";
        plot.kind = PlotKind::Plot2D;
        plot.tag = tag;
    } else {
        plot.AxisLabel2 = std::string(axis) + " 2";
        plot.AxisLabel3 = std::string(axis) + " 3";
        plot.kind = PlotKind::Plot3D;
    }
}

Vector30 featureMeans(const SampleMatrix& x, int samples, int n) {
    Vector30 mean{};
    for (int f = 1; f <= n; ++f) {
        double sum = 0.0;
        for (int i = 1; i <= samples; ++i) sum += x[i][f];
        mean[f] = sum / samples;
    }
    return mean;
}

void reportProjection(R62DataSet& data, const Matrix30& projection, int n, int m,
                      SampleMatrix& projected, const ProjectionNames& names, AnalysisResult& report,
                      double& fisher, int& misclassified) {
    const SampleMatrix& x = data.FeatureData;
    projected.fill(SampleRow{});
    parallelFor(static_cast<size_t>(data.SampleCount), 128, [&](size_t begin, size_t end) {
        for (size_t s = begin; s < end; ++s) {
            const int i = static_cast<int>(s) + 1;
            for (int k = 1; k <= n; ++k) {
                double sum = 0.0;
                for (int f = 1; f <= n; ++f) sum += x[i][f] * projection[f][k];
                projected[i][k] = sum;
            }
        }
    });

    fisher = ClassStatistics(data, projected, m);
    report.lines.push_back(fisherLine(fisher));
    report.lines.emplace_back(names.heading);
    appendProjectedSampleLines(data, projected, m, report.lines);
    misclassified = leaveOneOut1NNProjected(data, projected, m);
    report.lines.push_back(std::string("> 1-NN classification of ") + names.acronym + "s");
    for (std::string& line : misclassificationBlock(data, misclassified))
        report.lines.push_back(std::move(line));

    fillProjectedPlot(report.plot, data, projected, m, names.title, names.acronym, names.tag);
}

PcaReport PrincipalComponentAnalysis(R62DataSet& data, SampleMatrix& projected, uint8_t standardize,
                                     std::string_view dateTime) {
    PcaReport report;
    if (!startAnalysis(data, standardize, report)) return report;
    if (!requireTwoFeatures(data, kPcaNoFeaturesMessage, report)) return report;
    const int n = data.SelectedCount;
    const int samples = data.SampleCount;
    checkRange(samples, 0, kMaxSamples);
    SampleMatrix& x = data.FeatureData;
    const Vector30 mean = featureMeans(x, samples, n);
    for (int i = 1; i <= samples; ++i)
        for (int f = 1; f <= n; ++f) x[i][f] -= mean[f];
    Matrix30 covariance{};
    parallelFor(static_cast<size_t>(n), 1, [&](size_t begin, size_t end) {
        for (int a = static_cast<int>(begin) + 1; a <= static_cast<int>(end); ++a)
            for (int b = a; b <= n; ++b) {
                double sum = 0.0;
                for (int i = 1; i <= samples; ++i) sum += x[i][a] * x[i][b];
                // A single sample has no spread; dividing by N - 1 = 0 would give NaN.
                covariance[a][b] = samples > 1 ? sum / (samples - 1) : 0.0;
            }
    });

    report.lines = reportHeaderLines(data, kPcaReportTitle, standardize, dateTime);
    report.lines.emplace_back();
    report.lines.emplace_back("* Results [principal component analysis]");

    Matrix30 vectors{};
    Vector30 values{};
    EigenDecompose(covariance, vectors, values, n, report.rotationCount);
    sortEigenDescending(vectors, values, n, report.projection, report.eigenvalues);

    report.lines.emplace_back("Eigenvalues of data covariance matrix: ");
    for (int k = 1; k <= n; ++k)
        report.lines.push_back(platform::formatExponent(report.eigenvalues[k], 20, 6));
    for (std::string& line : PrintMatrix(report.projection, "Projection matrix for MEF: ", n))
        report.lines.push_back(std::move(line));
    const int m = linearDimensionalityOf(report.eigenvalues, n, false);
    report.linearDimensionality = m;
    report.lines.push_back("Linear dimensionality: " + std::to_string(m));

    reportProjection(
        data, report.projection, n, m, projected,
        {"> Most expressive features (MEF):", "MEF", "Principal Component Analysis", "pca"}, report,
        report.fisher, report.misclassified);
    return report;
}

PcaReport runPrincipalComponentAnalysis(R62DataSet& data, uint8_t standardize,
                                        std::string_view dateTime) {
    return PrincipalComponentAnalysis(data, r62ProjectedData(), standardize, dateTime);
}
