#include "statistics/core/linear/lda.h"

#include <cmath>
#include <memory>

#include "platform/textformat.h"
#include "statistics/core/linear/column_statistics.h"
#include "statistics/core/linear/projection.h"
#include "statistics/core/linear/singular_scatter.h"
#include "statistics/core/reports/report_header.h"

ProjectionReport LinearDiscriminantAnalysis(R62DataSet& data, SampleMatrix& projected,
                                            uint8_t standardize, std::string_view dateTime) {
    ProjectionReport report;
    if (!startTwoFeatureAnalysis(data, standardize, kLdaNoFeaturesMessage, report)) return report;
    const int n = data.SelectedCount;
    const int samples = data.SampleCount;
    const int classes = data.CategoryCount;
    checkRange(samples, 0, kMaxSamples);
    checkRange(classes, 0, kMaxCategories);
    SampleMatrix& x = data.FeatureData;

    const Vector30 mu = columnMeans(x, samples, n);
    const std::unique_ptr<ClassMeans> byClass = classMeans(data, x, n);
    const auto& count = byClass->count;
    const auto& classMean = byClass->mean;
    centreColumns(x, samples, n, mu);

    // St[a][b] = Σ_i x[i][a] x[i][b] / N on the centred columns.
    Matrix30 st = crossProductSums(x, samples, n);
    for (int a = 1; a <= n; ++a)
        for (int b = a; b <= n; ++b) st[a][b] /= samples;
    Matrix30 sb{};
    for (int c = 1; c <= classes; ++c) {
        if (count[c] == 0) continue;
        const double w = static_cast<double>(count[c]) / samples;
        for (int a = 1; a <= n; ++a)
            for (int b = a; b <= n; ++b)
                sb[a][b] += (classMean[c][a] - mu[a]) * (classMean[c][b] - mu[b]) * w;
    }
    for (int a = 1; a <= n; ++a)
        for (int b = a + 1; b <= n; ++b) sb[b][a] = sb[a][b];

    report.lines = reportOpeningLines(data, kLdaReportTitle, standardize, dateTime,
                                      "* Results [linear discriminant analysis]");

    Vector30 pivots{};
    if (!CholeskyDecompose(st, pivots, n)) {
        report.outcome = AnalysisOutcome::Failed;
        // One box that says why and what helps, not the factorisation's
        // own words followed by a bare "wrong data".
        report.messages.push_back(
            withSingularScatterAdvice(kLdaWrongDataMessage, samples, n, "scatter matrix"));
        return report;
    }
    Matrix30 inverse{};  // L, then L^-1
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c < r; ++c) inverse[r][c] = st[r][c];
    InvertLowerTriangular(inverse, pivots, n);
    Matrix30 transposed{};
    for (int r = 1; r <= n; ++r)
        for (int c = 1; c <= n; ++c) transposed[r][c] = inverse[c][r];
    Matrix30 product1{};
    Matrix30 product2{};
    MatrixMultiply(sb, transposed, product1, n);
    MatrixMultiply(inverse, product1, product2, n);

    Matrix30 vectors{};
    Vector30 values{};
    EigenDecompose(product2, vectors, values, n, report.rotationCount);
    Matrix30 y{};
    sortEigenDescending(vectors, values, n, y, report.eigenvalues);

    report.lines.emplace_back("Eigenvalues of [inv(Cw)*Ct]: ");
    for (int k = 1; k <= n; ++k)
        report.lines.push_back(platform::formatExponent(report.eigenvalues[k], 20, 6));

    MatrixMultiply(transposed, y, report.projection, n);
    Matrix30& projection = report.projection;
    for (int k = 1; k <= n; ++k) {
        double sum = 0.0;
        for (int r = 1; r <= n; ++r) sum += projection[r][k] * projection[r][k];
        const double length = std::sqrt(sum);
        // L^-T is regular and the eigenvectors have unit length, so a zero or
        // non-finite length only comes from broken input; leave such a column.
        if (!(length > 0.0) || !std::isfinite(length)) continue;
        for (int r = 1; r <= n; ++r) projection[r][k] /= length;
    }
    for (std::string& line : PrintMatrix(projection, "Projection matrix for MDF: ", n))
        report.lines.push_back(std::move(line));
    report.lines.push_back("Linear separability: " +
                           platform::cformat("%-6.2f", report.eigenvalues[1]));
    const int m = linearDimensionalityOf(report.eigenvalues, n, true);
    report.linearDimensionality = m;
    report.lines.push_back(platform::cformat("LDA dimensionality: %d", m));

    reportProjection(
        data, n, m, projected,
        {"> Most discriminative features (MDF):", "MDF", "Linear Discriminant Analysis", "lda"},
        report);
    return report;
}
