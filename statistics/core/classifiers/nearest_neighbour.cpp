#include "statistics/core/classifiers/nearest_neighbour.h"

#include <memory>

#include "platform/textformat.h"
#include "statistics/core/report/report_header.h"

namespace {

constexpr int kBlocks = (kMaxSamples + kDistanceLanes - 1) / kDistanceLanes;

// The working columns as lane blocks, so that the distances from one sample
// to two others are computed lane by lane. Allocated once per thread; a run
// allocates nothing.
struct NeighbourScratch {
    LaneBlock blocks[kBlocks];
    DistanceLanes sample[kMaxFeatures];  // the outer sample's features, broadcast
    DistanceLanes distances[kBlocks];
    double best[kMaxSamples];
    int nearest[kMaxSamples];
};

NeighbourScratch& scratch() {
    thread_local std::unique_ptr<NeighbourScratch> buffer = std::make_unique<NeighbourScratch>();
    return *buffer;
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

void loadSampleLanes(const R62DataSet& data, int count, int features, LaneBlock* blocks) {
    checkRange(count, 0, kMaxSamples);
    checkRange(features, 0, kMaxFeatures);
    const int used = (count + kDistanceLanes - 1) / kDistanceLanes;
    for (int b = 0; b < used; ++b)
        for (int f = 0; f < features; ++f) blocks[b][f] = DistanceLanes{0.0, 0.0};
    for (int i = 0; i < count; ++i) {
        const SampleRow& row = data.FeatureData[i + 1];
        for (int f = 0; f < features; ++f)
            blocks[i / kDistanceLanes][f][i % kDistanceLanes] = row[f + 1];
    }
}

int LeaveOneOut1NNSampleDistance(R62DataSet& data) {
    const int n = data.SampleCount;
    const int features = data.SelectedCount;
    checkRange(n, 0, kMaxSamples);
    checkRange(features, 0, kMaxFeatures);
    NeighbourScratch& s = scratch();
    const int blocks = (n + kDistanceLanes - 1) / kDistanceLanes;
    loadSampleLanes(data, n, features, s.blocks);
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
        broadcastLaneRow(s.blocks, a, features, s.sample);
        const int first = a + 1;
        laneSqDistances(s.blocks, s.sample, features, first / kDistanceLanes, blocks, s.distances);
        double best = s.best[a];
        int nearest = s.nearest[a];
        for (int j = first; j < n; ++j) {
            const double d = s.distances[j / kDistanceLanes][j % kDistanceLanes];
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
