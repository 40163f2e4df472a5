#include "statistics/core/linear/projection.h"

#include <cmath>

#include "platform/parallel.h"
#include "platform/textformat.h"
#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/linear/raw_data_analysis.h"

void projectSamples(const SampleMatrix& x, int samples, const Matrix30& projection, int n,
                    SampleMatrix& projected) {
    checkRange(samples, 0, kMaxSamples);
    checkRange(n, 0, kMaxFeatures);
    projected.fill(SampleRow{});
    parallelFor(static_cast<size_t>(samples), 128, [&](size_t begin, size_t end) {
        for (size_t s = begin; s < end; ++s) {
            const int i = static_cast<int>(s) + 1;
            for (int k = 1; k <= n; ++k) {
                double sum = 0.0;
                for (int f = 1; f <= n; ++f) sum += x[i][f] * projection[f][k];
                projected[i][k] = sum;
            }
        }
    });
}

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
                       int m, const char* title, std::string_view axisPrefix, const char* tag) {
    plot.sampleCount = data.SampleCount;
    for (int i = 1; i <= data.SampleCount; ++i) {
        plot.PlotX[i] = projected[i][1];
        plot.PlotY[i] = projected[i][2];
        plot.PlotZ[i] = projected[i][3];  // 0 while fewer columns are projected
    }
    plot.PlotTitle = title;
    plot.AxisLabel1 = std::string(axisPrefix) + "1";
    if (m == 1) {
        plot.kind = PlotKind::Plot1D;
    } else if (m == 2) {
        plot.AxisLabel2 = std::string(axisPrefix) + "2";
        plot.kind = PlotKind::Plot2D;
        plot.tag = tag;
    } else {
        plot.AxisLabel2 = std::string(axisPrefix) + "2";
        plot.AxisLabel3 = std::string(axisPrefix) + "3";
        plot.kind = PlotKind::Plot3D;
    }
}

void reportProjection(R62DataSet& data, int n, int m, SampleMatrix& projected,
                      const ProjectionNames& names, ProjectionReport& report) {
    projectSamples(data.FeatureData, data.SampleCount, report.projection, n, projected);

    report.fisher = ClassStatistics(data, projected, m);
    report.lines.push_back(fisherLine(report.fisher));
    report.lines.emplace_back(names.heading);
    appendProjectedSampleLines(data, projected, m, report.lines);
    report.misclassified = leaveOneOut1NNProjected(data, projected, m);
    report.lines.push_back(std::string("> 1-NN classification of ") + names.acronym + "s");
    for (std::string& line : misclassificationBlock(data, report.misclassified))
        report.lines.push_back(std::move(line));

    fillProjectedPlot(report.plot, data, projected, m, names.title,
                      std::string(names.acronym) + " ", names.tag);
}
