#include "statistics/core/nearest_neighbour.h"

#include <memory>

#include "platform/textformat.h"
#include "statistics/core/report_header.h"

namespace {

// Two doubles processed together: one SSE2 register, which every x86-64
// processor has (wider vectors would be split and kept in memory).
typedef double Lanes __attribute__((vector_size(16)));
constexpr int kLanes = 2;
constexpr int kBlocks = (kMaxSamples + kLanes - 1) / kLanes;

// The working columns regrouped: block b holds samples 2b and 2b + 1
// (0-based), feature by feature, so the distances from one sample to two
// others are computed lane by lane, each lane summing its features in column
// order. Allocated once per thread; a run allocates nothing.
struct NeighbourScratch {
    Lanes blocks[kBlocks][kMaxFeatures];
    Lanes sample[kMaxFeatures];  // the outer sample's features, broadcast
    Lanes distances[kBlocks];
    double best[kMaxSamples];
    int nearest[kMaxSamples];
};

NeighbourScratch& scratch() {
    thread_local std::unique_ptr<NeighbourScratch> buffer = std::make_unique<NeighbourScratch>();
    return *buffer;
}

// Squared distances from the broadcast sample to the samples of each block
// in [first, last). Four blocks at a time keep four independent sums in
// flight, in registers.
void blockDistances(NeighbourScratch& s, int features, int first, int last) {
    int b = first;
    for (; b + 3 < last; b += 4) {
        Lanes sum0 = {0.0, 0.0};
        Lanes sum1 = {0.0, 0.0};
        Lanes sum2 = {0.0, 0.0};
        Lanes sum3 = {0.0, 0.0};
        const Lanes* x0 = s.blocks[b];
        const Lanes* x1 = s.blocks[b + 1];
        const Lanes* x2 = s.blocks[b + 2];
        const Lanes* x3 = s.blocks[b + 3];
        for (int f = 0; f < features; ++f) {
            const Lanes y = s.sample[f];
            const Lanes d0 = x0[f] - y;
            const Lanes d1 = x1[f] - y;
            const Lanes d2 = x2[f] - y;
            const Lanes d3 = x3[f] - y;
            sum0 += d0 * d0;
            sum1 += d1 * d1;
            sum2 += d2 * d2;
            sum3 += d3 * d3;
        }
        s.distances[b] = sum0;
        s.distances[b + 1] = sum1;
        s.distances[b + 2] = sum2;
        s.distances[b + 3] = sum3;
    }
    for (; b < last; ++b) {
        Lanes sum = {0.0, 0.0};
        for (int f = 0; f < features; ++f) {
            const Lanes d = s.blocks[b][f] - s.sample[f];
            sum += d * d;
        }
        s.distances[b] = sum;
    }
}

}  // namespace

double SampleSqDistance(const R62DataSet& data, int i, int j) {
    const SampleRow& a = data.FeatureData[i];
    const SampleRow& b = data.FeatureData[j];
    const int n = data.SelectedCount;
    double sum = 0.0;
    for (int f = 1; f <= n; ++f) {
        const double d = a[f] - b[f];
        sum += d * d;
    }
    return sum;
}

int LeaveOneOut1NNSampleDistance(R62DataSet& data) {
    const int n = data.SampleCount;
    const int features = data.SelectedCount;
    checkRange(n, 0, kMaxSamples);
    checkRange(features, 0, kMaxFeatures);
    NeighbourScratch& s = scratch();
    const int blocks = (n + kLanes - 1) / kLanes;

    for (int b = 0; b < blocks; ++b)
        for (int f = 0; f < features; ++f) s.blocks[b][f] = Lanes{0.0, 0.0};
    for (int i = 0; i < n; ++i)
        for (int f = 0; f < features; ++f)
            s.blocks[i / kLanes][f][i % kLanes] = data.FeatureData[i + 1][f + 1];
    for (int i = 0; i < n; ++i) {
        s.best[i] = std::numeric_limits<double>::infinity();
        s.nearest[i] = 0;
    }

    // Distance is symmetric to the bit ((a - b)^2 == (b - a)^2), so each pair
    // is computed once, for sample a against every later sample. Every sample
    // meets its candidates in ascending order (earlier samples while they are
    // the outer one, then later ones), so a strict "<" keeps the lowest number
    // among equal distances, as the plain rule does.
    for (int a = 0; a + 1 < n; ++a) {
        for (int f = 0; f < features; ++f) {
            const double x = s.blocks[a / kLanes][f][a % kLanes];
            s.sample[f] = Lanes{x, x};
        }
        const int first = a + 1;
        blockDistances(s, features, first / kLanes, blocks);
        double best = s.best[a];
        int nearest = s.nearest[a];
        for (int j = first; j < n; ++j) {
            const double d = s.distances[j / kLanes][j % kLanes];
            if (d < best) {
                best = d;
                nearest = j + 1;
            }
            if (d < s.best[j]) {
                s.best[j] = d;
                s.nearest[j] = a + 1;
            }
        }
        s.best[a] = best;
        s.nearest[a] = nearest;
    }

    int misclassified = 0;
    for (int i = 1; i <= n; ++i) {
        const int nearest = s.nearest[i - 1];
        data.ClassResult[i] = nearest == 0 ? int16_t{0} : data.Category[nearest];
        if (nearest == 0 || data.ClassResult[i] != data.Category[i]) ++misclassified;
    }
    return misclassified;
}

std::vector<std::string> MisclassificationBlock(const R62DataSet& data, int misclassified) {
    const int n = data.SampleCount;
    checkRange(n, 0, kMaxSamples);
    const double percent = n > 0 ? static_cast<double>(misclassified) / n * 100.0 : 0.0;
    std::vector<std::string> lines;
    lines.push_back(platform::cformat("Missclassified data vectors: %d/%d [or %4.2f%%]",
                                      misclassified, n, percent));
    for (int i = 1; i <= n; ++i) {
        if (data.ClassResult[i] == data.Category[i]) continue;
        lines.push_back(platform::cformat("Sample No:%3d; Category: %2d; ClassResult: %2d", i,
                                          data.Category[i], data.ClassResult[i]));
    }
    return lines;
}

NearestNeighbourReport NearestNeighbourClassification(R62DataSet& data, uint8_t standardize,
                                                      std::string_view dateTime) {
    NearestNeighbourReport report;
    // Without fresh working data the run would classify a stale matrix.
    const PrepareResult prepared = PrepareWorkingData(data, standardize);
    if (!prepared.prepared) {
        report.outcome = NearestNeighbourOutcome::PreparationRefused;
        report.message = prepared.message;
        return report;
    }
    if (data.SelectedCount < 1) {
        report.outcome = NearestNeighbourOutcome::NoFeatures;
        report.message = std::string(kKnnNoFeaturesMessage);
        return report;
    }
    report.misclassified = LeaveOneOut1NNSampleDistance(data);
    report.lines = ReportHeaderLines(data, kKnnReportTitle, standardize, dateTime);
    report.lines.emplace_back();
    report.lines.emplace_back("* Results [1-NN classification]");
    for (std::string& line : MisclassificationBlock(data, report.misclassified))
        report.lines.push_back(std::move(line));
    return report;
}
