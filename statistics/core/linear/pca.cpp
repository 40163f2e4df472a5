#include "statistics/core/linear/pca.h"

#include "platform/textformat.h"
#include "statistics/core/linear/column_statistics.h"
#include "statistics/core/reports/report_header.h"

ProjectionReport PrincipalComponentAnalysis(R62DataSet& data, SampleMatrix& projected,
                                            uint8_t standardize, std::string_view dateTime) {
    ProjectionReport report;
    if (!startTwoFeatureAnalysis(data, standardize, kPcaNoFeaturesMessage, report)) return report;
    const int n = data.SelectedCount;
    const int samples = data.SampleCount;
    checkRange(samples, 0, kMaxSamples);
    SampleMatrix& x = data.FeatureData;
    centreColumns(x, samples, n, columnMeans(x, samples, n));
    // C[a][b] = Σ_i x[i][a] x[i][b] / (N - 1) on the centred columns.
    Matrix30 covariance = crossProductSums(x, samples, n);
    for (int a = 1; a <= n; ++a)
        for (int b = a; b <= n; ++b)
            // A single sample has no spread; dividing by N - 1 = 0 would give NaN.
            covariance[a][b] = samples > 1 ? covariance[a][b] / (samples - 1) : 0.0;

    report.lines = reportOpeningLines(data, kPcaReportTitle, standardize, dateTime,
                                      "* Results [principal component analysis]");

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
        data, n, m, projected,
        {"> Most expressive features (MEF):", "MEF", "Principal Component Analysis", "pca"},
        report);
    return report;
}
