#include "statistics/core/classifiers/nearest_neighbour.h"

#include <algorithm>
#include <array>
#include <memory>

#include "platform/parallel.h"
#include "platform/textformat.h"
#include "statistics/core/reports/report_header.h"

namespace {

constexpr int kBlocks = (kMaxSamples + kDistanceLanes - 1) / kDistanceLanes;
// The outer samples are cut into at most this many parts of about equal pair
// counts, at least kSamplesPerPart samples each.
constexpr int kMaxParts = 32;
constexpr int kSamplesPerPart = 32;

// The columns as lane blocks, so that the distances from one sample to two
// others are computed lane by lane, and each part's nearest candidates.
// Allocated once per calling thread; a run allocates nothing.
struct NeighbourScratch {
    LaneBlock blocks[kBlocks];
    Lanes2 distances[kMaxParts][kBlocks];
    double best[kMaxParts][kMaxSamples];
    int nearest[kMaxParts][kMaxSamples];
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
    if (n > kMaxFeatures) throw RangeCheckError();
    return sqDistance(a.data() + 1, b.data() + 1, n);
}

void loadSampleLanes(const SampleMatrix& rows, int count, int features, LaneBlock* blocks) {
    checkRange(count, 0, kMaxSamples);
    checkRange(features, 0, kMaxFeatures);
    const int used = (count + kDistanceLanes - 1) / kDistanceLanes;
    for (int b = 0; b < used; ++b)
        for (int f = 0; f < features; ++f) blocks[b][f] = Lanes2{0.0, 0.0};
    for (int i = 0; i < count; ++i) {
        const SampleRow& row = rows[i + 1];
        for (int f = 0; f < features; ++f)
            blocks[i / kDistanceLanes][f][i % kDistanceLanes] = row[f + 1];
    }
}

void loadSampleLanes(const R62DataSet& data, int count, int features, LaneBlock* blocks) {
    loadSampleLanes(data.FeatureData, count, features, blocks);
}

int leaveOneOut1NNRows(R62DataSet& data, const SampleMatrix& rows, int features) {
    const int n = data.SampleCount;
    checkRange(n, 0, kMaxSamples);
    checkRange(features, 0, kMaxFeatures);
    NeighbourScratch& s = scratch();
    const int blocks = (n + kDistanceLanes - 1) / kDistanceLanes;
    loadSampleLanes(rows, n, features, s.blocks);

    // Distance is symmetric to the bit ((a - b)^2 == (b - a)^2), so each pair
    // is computed once, for sample a against every later sample. The outer
    // samples are cut into parts of about equal pair counts that depend on n
    // alone; each part keeps its own nearest candidate per sample. Within a
    // part every sample meets its candidates in ascending order (earlier
    // samples while they are the outer one, then later ones), so a strict "<"
    // keeps the lowest number among equal distances. The parts hold
    // ascending ranges of outer samples and are merged in that order with the
    // same strict "<": the plain rule's choice, on any number of threads.
    const int parts = std::clamp(n / kSamplesPerPart, 1, kMaxParts);
    std::array<int, kMaxParts + 1> start{};
    {
        const double pairs = 0.5 * n * (n - 1.0);
        int a = 0;
        double done = 0.0;
        for (int p = 1; p < parts; ++p) {
            const double target = pairs * p / parts;
            while (a < n && done + (n - 1 - a) <= target) done += n - 1 - a++;
            start[static_cast<size_t>(p)] = a;
        }
        start[static_cast<size_t>(parts)] = n;
    }
    const LaneBlock* lanes = s.blocks;
    parallelFor(static_cast<size_t>(parts), 1, [&](size_t first, size_t last) {
        Lanes2 sample[kMaxFeatures];
        for (size_t p = first; p < last; ++p) {
            double* best = s.best[p];
            int* nearest = s.nearest[p];
            Lanes2* distances = s.distances[p];
            const int from = start[p];
            std::fill(best + from, best + n, std::numeric_limits<double>::infinity());
            std::fill(nearest + from, nearest + n, 0);
            for (int a = from; a < start[p + 1] && a + 1 < n; ++a) {
                broadcastLaneRow(lanes, a, features, sample);
                const int next = a + 1;
                laneSqDistances(lanes, sample, features, next / kDistanceLanes, blocks, distances);
                double bestA = best[a];
                int nearestA = nearest[a];
                for (int j = next; j < n; ++j) {
                    const double d = distances[j / kDistanceLanes][j % kDistanceLanes];
                    if (d < bestA) {
                        bestA = d;
                        nearestA = j + 1;
                    }
                    if (d < best[j]) {
                        best[j] = d;
                        nearest[j] = a + 1;
                    }
                }
                best[a] = bestA;
                nearest[a] = nearestA;
            }
        }
    });

    int misclassified = 0;
    for (int i = 1; i <= n; ++i) {
        // Part p holds candidates for the samples from its first outer one on.
        double bestI = std::numeric_limits<double>::infinity();
        int nearestI = 0;
        for (int p = 0; p < parts && start[static_cast<size_t>(p)] < i; ++p) {
            const double d = s.best[p][i - 1];
            if (d < bestI) {
                bestI = d;
                nearestI = s.nearest[p][i - 1];
            }
        }
        data.ClassResult[i] = nearestI == 0 ? int16_t{0} : data.Category[nearestI];
        if (nearestI == 0 || data.ClassResult[i] != data.Category[i]) ++misclassified;
    }
    return misclassified;
}

int leaveOneOut1NNSampleDistance(R62DataSet& data) {
    return leaveOneOut1NNRows(data, data.FeatureData, data.SelectedCount);
}

std::vector<std::string> misclassificationBlock(const R62DataSet& data, int misclassified) {
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
    report.misclassified = leaveOneOut1NNSampleDistance(data);
    report.lines = reportOpeningLines(data, kKnnReportTitle, standardize, dateTime,
                                      "* Results [1-NN classification]");
    for (std::string& line : misclassificationBlock(data, report.misclassified))
        report.lines.push_back(std::move(line));
    return report;
}
