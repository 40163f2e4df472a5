#include "statistics/core/clustering/kmeans_clustering.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "platform/textformat.h"
#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/reports/report_header.h"

namespace {

// The distances run two at a time in the lane blocks of nearest_neighbour.h.
constexpr int kSampleBlocks = (kMaxSamples + kDistanceLanes - 1) / kDistanceLanes;
constexpr int kClusterBlocks = (kMaxClusters + kDistanceLanes - 1) / kDistanceLanes;

// A run's working storage, allocated once per thread; a run allocates
// nothing. Indices here are 0-based: sample i is row i - 1, cluster c is
// c - 1.
struct KMeansScratch {
    double points[kMaxSamples][kMaxFeatures];  // the working columns, row by row
    Lanes2 sample[kMaxFeatures];               // one sample's features, broadcast
    // Centroids, and the same values regrouped as cluster pairs feature by
    // feature for the nearest-centroid search. Lanes beyond the last cluster
    // stay 0.
    double centroids[kMaxClusters][kMaxFeatures];
    double savedCentroids[kMaxClusters][kMaxFeatures];
    LaneBlock centroidBlocks[kClusterBlocks];
    Lanes2 clusterDistances[kClusterBlocks];
    Lanes2 centroidBroadcast[kMaxClusters][kMaxFeatures];  // each value in both lanes
    double sums[kMaxClusters][kMaxFeatures];
    int16_t labels[kMaxSamples];  // 1-based cluster numbers
    int16_t savedLabels[kMaxSamples];
    int counts[kMaxClusters];
    double partialSums[kMaxClusters];
    double ownDistances[kMaxSamples];
    int members[kMaxSamples];
    int clusterStart[kMaxClusters + 1];
    int byCluster[kMaxSamples];  // samples grouped by cluster, in sample order
    // Samples regrouped in pairs, feature by feature (block b holds samples 2b
    // and 2b + 1); lanes beyond the last sample stay 0.
    LaneBlock sampleBlocks[kSampleBlocks];
    // Silhouettes: the distances from one sample to the later ones, and per
    // sample the sum of distances to each cluster.
    Lanes2 sampleDistances[kSampleBlocks];
    double clusterSums[kMaxSamples][kMaxClusters];
};

KMeansScratch& scratch() {
    thread_local std::unique_ptr<KMeansScratch> buffer = std::make_unique<KMeansScratch>();
    return *buffer;
}

// The working data and cluster count of one run, checked once so that the
// hot loops can index the scratch arrays directly.
struct Shape {
    int N = 0;
    int n = 0;
    int K = 0;
};

Shape checkedShape(const R62DataSet& data, int clusterCount) {
    Shape shape{data.SampleCount, data.SelectedCount, clusterCount};
    checkRange(shape.N, 0, kMaxSamples);
    checkRange(shape.n, 0, kMaxFeatures);
    checkRange(shape.K, 1, kMaxClusters);
    return shape;
}

void loadPoints(KMeansScratch& s, const R62DataSet& data, const Shape& shape) {
    for (int i = 0; i < shape.N; ++i) {
        const SampleRow& row = data.FeatureData[i + 1];
        for (int f = 0; f < shape.n; ++f) s.points[i][f] = row[f + 1];
    }
    loadSampleLanes(data, shape.N, shape.n, s.sampleBlocks);
}

void storeCentroidBlock(KMeansScratch& s, int c, int n) {
    for (int f = 0; f < n; ++f) {
        const double value = s.centroids[c][f];
        s.centroidBlocks[c / kDistanceLanes][f][c % kDistanceLanes] = value;
        s.centroidBroadcast[c][f] = Lanes2{value, value};
    }
}

void rebuildCentroidBlocks(KMeansScratch& s, const Shape& shape) {
    std::memset(s.centroidBlocks, 0, sizeof s.centroidBlocks);
    for (int c = 0; c < shape.K; ++c) storeCentroidBlock(s, c, shape.n);
}

// Batch assignment of every sample to its nearest centroid, by the same rule
// as nearestCluster with fallback 1, eight samples at a time: four sample
// pairs against one broadcast centroid keep four independent sums in flight.
void assignAll(KMeansScratch& s, const Shape& shape) {
    const int n = shape.n;
    const int K = shape.K;
    const int blocks = (shape.N + kDistanceLanes - 1) / kDistanceLanes;
    for (int b = 0; b < blocks; b += 4) {
        const int group = std::min(4, blocks - b);
        Lanes2 best[4];
        int nearest[4][kDistanceLanes];
        for (int g = 0; g < 4; ++g) {
            best[g] = Lanes2{kKMeansNoTotal, kKMeansNoTotal};
            nearest[g][0] = nearest[g][1] = 1;
        }
        // A short last group also reads blocks past the data (still inside the
        // scratch); their results are dropped.
        const Lanes2* x0 = s.sampleBlocks[b];
        const Lanes2* x1 = s.sampleBlocks[std::min(b + 1, kSampleBlocks - 1)];
        const Lanes2* x2 = s.sampleBlocks[std::min(b + 2, kSampleBlocks - 1)];
        const Lanes2* x3 = s.sampleBlocks[std::min(b + 3, kSampleBlocks - 1)];
        for (int c = 0; c < K; ++c) {
            Lanes2 sums[4];
            sqDistancesFromPoint4(x0, x1, x2, x3, s.centroidBroadcast[c], n, sums);
            for (int g = 0; g < 4; ++g)
                for (int lane = 0; lane < kDistanceLanes; ++lane)
                    if (sums[g][lane] < best[g][lane]) {
                        best[g][lane] = sums[g][lane];
                        nearest[g][lane] = c + 1;
                    }
        }
        for (int g = 0; g < group; ++g)
            for (int lane = 0; lane < kDistanceLanes; ++lane) {
                const int i = (b + g) * kDistanceLanes + lane;
                if (i < shape.N) s.labels[i] = static_cast<int16_t>(nearest[g][lane]);
            }
    }
}

// The nearest centroid to sample i (0-based): the strictly smallest distance
// replaces, starting from 1e100, so the lowest cluster number wins ties.
// `fallback` when no distance is below 1e100 (non-finite data).
int nearestCluster(KMeansScratch& s, const Shape& shape, int i, int fallback) {
    broadcastLaneRow(s.sampleBlocks, i, shape.n, s.sample);
    const int blocks = (shape.K + kDistanceLanes - 1) / kDistanceLanes;
    laneSqDistances(s.centroidBlocks, s.sample, shape.n, 0, blocks, s.clusterDistances);
    double best = kKMeansNoTotal;
    int nearest = fallback;
    for (int c = 0; c < shape.K; ++c) {
        const double d = s.clusterDistances[c / kDistanceLanes][c % kDistanceLanes];
        if (d < best) {
            best = d;
            nearest = c + 1;
        }
    }
    return nearest;
}

// Batch update: every centroid with members := the sum of its members in
// sample order over their number; an emptied cluster keeps its centroid.
void updateAllCentroids(KMeansScratch& s, const Shape& shape) {
    const int n = shape.n;
    for (int c = 0; c < shape.K; ++c) {
        s.counts[c] = 0;
        for (int f = 0; f < n; ++f) s.sums[c][f] = 0.0;
    }
    for (int i = 0; i < shape.N; ++i) {
        const int c = s.labels[i] - 1;
        ++s.counts[c];
        for (int f = 0; f < n; ++f) s.sums[c][f] += s.points[i][f];
    }
    for (int c = 0; c < shape.K; ++c) {
        if (s.counts[c] == 0) continue;
        const double count = s.counts[c];
        for (int f = 0; f < n; ++f) s.centroids[c][f] = s.sums[c][f] / count;
    }
    rebuildCentroidBlocks(s, shape);
}

// Each sample's distance to its own centroid; four samples at a time, each
// summed in column order.
void computeOwnDistances(KMeansScratch& s, const Shape& shape) {
    const int n = shape.n;
    int i = 0;
    for (; i + 3 < shape.N; i += 4) {
        const double* centroids[4] = {
            s.centroids[s.labels[i] - 1], s.centroids[s.labels[i + 1] - 1],
            s.centroids[s.labels[i + 2] - 1], s.centroids[s.labels[i + 3] - 1]};
        const double* points[4] = {s.points[i], s.points[i + 1], s.points[i + 2], s.points[i + 3]};
        sqDistances4(centroids, points, n, s.ownDistances + i);
    }
    for (; i < shape.N; ++i)
        s.ownDistances[i] = sqDistance(s.centroids[s.labels[i] - 1], s.points[i], n);
}

// Sum over clusters 1..K of the members' distances, members in sample order.
double batchTotal(KMeansScratch& s, const Shape& shape) {
    computeOwnDistances(s, shape);
    // Counting sort: byCluster lists cluster 1's members, then cluster 2's, ...
    for (int c = 0; c <= shape.K; ++c) s.clusterStart[c] = 0;
    for (int i = 0; i < shape.N; ++i) ++s.clusterStart[s.labels[i]];
    for (int c = 1; c <= shape.K; ++c) s.clusterStart[c] += s.clusterStart[c - 1];
    for (int i = shape.N - 1; i >= 0; --i) s.byCluster[--s.clusterStart[s.labels[i]]] = i;
    double total = 0.0;
    for (int k = 0; k < shape.N; ++k) total += s.ownDistances[s.byCluster[k]];
    return total;
}

// The members of cluster c (1-based), in sample order, into s.members.
int collectMembers(KMeansScratch& s, const Shape& shape, int c) {
    int count = 0;
    for (int i = 0; i < shape.N; ++i)
        if (s.labels[i] == c) s.members[count++] = i;
    return count;
}

// Centroid := the mean of the members, and the members' distances to it.
// Returns the partial sum. Only for a cluster with members.
double refitCluster(KMeansScratch& s, const Shape& shape, int c) {
    const int n = shape.n;
    const int count = collectMembers(s, shape, c);
    double* centroid = s.centroids[c - 1];
    double* sum = s.sums[c - 1];
    for (int f = 0; f < n; ++f) sum[f] = 0.0;
    for (int k = 0; k < count; ++k) {
        const double* x = s.points[s.members[k]];
        for (int f = 0; f < n; ++f) sum[f] += x[f];
    }
    for (int f = 0; f < n; ++f) centroid[f] = sum[f] / static_cast<double>(count);
    double partial = 0.0;
    for (int k = 0; k < count; ++k) partial += sqDistance(centroid, s.points[s.members[k]], n);
    return partial;
}

void batchPhase(KMeansScratch& s, const Shape& shape, int limit, KMeansRun& run,
                const KMeansProgress& progress, int restart) {
    const size_t centroidBytes = sizeof(double) * kMaxFeatures * static_cast<size_t>(shape.K);
    int it = 0;
    double total = kKMeansNoTotal;
    for (;;) {
        std::memcpy(s.savedLabels, s.labels, sizeof(int16_t) * static_cast<size_t>(shape.N));
        std::memcpy(s.savedCentroids, s.centroids, centroidBytes);
        const double savedTotal = total;
        assignAll(s, shape);
        updateAllCentroids(s, shape);
        ++it;
        total = batchTotal(s, shape);
        // A total that is not smaller (or not a number) ends the phase at the
        // previous partition.
        if (!(total < savedTotal)) {
            std::memcpy(s.labels, s.savedLabels, sizeof(int16_t) * static_cast<size_t>(shape.N));
            std::memcpy(s.centroids, s.savedCentroids, centroidBytes);
            rebuildCentroidBlocks(s, shape);
            total = savedTotal;
            --it;
            break;
        }
        if (progress) progress(restart, it);
        if (it >= limit) break;
    }
    run.total = total;
    run.iterations = it;
    run.batchTotal = total;
    run.batchIterations = it;
}

void improvementPhase(KMeansScratch& s, const Shape& shape, int limit, KMeansRun& run,
                      const KMeansProgress& progress, int restart) {
    const int n = shape.n;
    computeOwnDistances(s, shape);
    for (int c = 0; c < shape.K; ++c) {
        s.counts[c] = 0;
        s.partialSums[c] = 0.0;
    }
    for (int i = 0; i < shape.N; ++i) {
        const int c = s.labels[i] - 1;
        ++s.counts[c];
        s.partialSums[c] += s.ownDistances[i];
    }

    double total = run.total;
    int it = run.iterations;
    double keptFrom[kMaxFeatures];
    double keptTo[kMaxFeatures];
    while (it <= limit) {
        bool moved = false;
        for (int i = 0; i < shape.N; ++i) {
            const int from = s.labels[i];
            const int to = nearestCluster(s, shape, i, from);
            // Moving the only member would leave a cluster without a mean.
            if (to == from || s.counts[from - 1] <= 1) continue;
            std::memcpy(keptFrom, s.centroids[from - 1], sizeof(double) * static_cast<size_t>(n));
            std::memcpy(keptTo, s.centroids[to - 1], sizeof(double) * static_cast<size_t>(n));
            const double oldFrom = s.partialSums[from - 1];
            const double oldTo = s.partialSums[to - 1];
            const double savedTotal = total;
            s.labels[i] = static_cast<int16_t>(to);
            const double newFrom = refitCluster(s, shape, from);
            const double newTo = refitCluster(s, shape, to);
            total = total - oldFrom - oldTo + newFrom + newTo;
            if (total < savedTotal) {
                moved = true;
                --s.counts[from - 1];
                ++s.counts[to - 1];
                s.partialSums[from - 1] = newFrom;
                s.partialSums[to - 1] = newTo;
                storeCentroidBlock(s, from - 1, n);
                storeCentroidBlock(s, to - 1, n);
            } else {
                s.labels[i] = static_cast<int16_t>(from);
                std::memcpy(s.centroids[from - 1], keptFrom,
                            sizeof(double) * static_cast<size_t>(n));
                std::memcpy(s.centroids[to - 1], keptTo, sizeof(double) * static_cast<size_t>(n));
                total = savedTotal;
            }
        }
        if (!moved) break;
        ++it;
        if (progress) progress(restart, it);
    }
    run.total = total;
    run.iterations = it;
}

void storeRun(const KMeansScratch& s, const Shape& shape, KMeansRun& run) {
    for (int i = 0; i < shape.N; ++i) run.labels[i + 1] = s.labels[i];
    for (int c = 0; c < shape.K; ++c) {
        for (int f = 0; f < shape.n; ++f) run.centroids[c + 1][f + 1] = s.centroids[c][f];
        run.partialSums[c + 1] = s.partialSums[c];
    }
}

// Samples must be loaded into the scratch.
void runFromLoadedPoints(KMeansScratch& s, const Shape& shape, const ClusterStarts& starts,
                         KMeansRun& run, int limit, const KMeansProgress& progress, int restart) {
    for (int c = 0; c < shape.K; ++c) {
        const int start = starts[c + 1];
        checkRange(start, 1, shape.N);
        std::memcpy(s.centroids[c], s.points[start - 1], sizeof s.centroids[c]);
    }
    rebuildCentroidBlocks(s, shape);
    // Defined labels for the case that the first batch iteration is already
    // rejected (a total that is not a number).
    std::fill(s.labels, s.labels + shape.N, int16_t{1});
    batchPhase(s, shape, limit, run, progress, restart);
    improvementPhase(s, shape, limit, run, progress, restart);
    storeRun(s, shape, run);
}

}  // namespace

double CentroidSqDistance(const R62DataSet& data, const ClusterCentroids& centroids, int cluster,
                          int sample) {
    const SampleRow& x = data.FeatureData[sample];
    const auto& centroid = centroids[cluster];
    const int n = data.SelectedCount;
    if (n > kMaxFeatures) throw RangeCheckError();
    return sqDistance(centroid.data(), x.data() + 1, n);
}

void drawKMeansStarts(RandomSource& random, int sampleCount, int clusterCount,
                      ClusterStarts& starts) {
    // Fewer candidates than clusters would redraw for ever.
    checkRange(clusterCount, 1, std::min(kMaxClusters, sampleCount - 1));
    starts.fill(0);
    for (int c = 1; c <= clusterCount; ++c) {
        int index;
        bool repeated;
        do {
            index = static_cast<int>(random.below(static_cast<uint32_t>(sampleCount - 1))) + 1;
            repeated = false;
            for (int k = 1; k < c; ++k)
                if (starts[k] == index) repeated = true;
        } while (repeated);
        starts[c] = static_cast<int16_t>(index);
    }
}

void runKMeansFromStarts(const R62DataSet& data, int clusterCount, const ClusterStarts& starts,
                         KMeansRun& run, int iterationLimit, const KMeansProgress& progress,
                         int restart) {
    const Shape shape = checkedShape(data, clusterCount);
    KMeansScratch& s = scratch();
    loadPoints(s, data, shape);
    runFromLoadedPoints(s, shape, starts, run, iterationLimit, progress, restart);
}

void kMeansSilhouettes(const R62DataSet& data, int clusterCount, const ClusterLabels& labels,
                       SilhouetteArray& values) {
    const Shape shape = checkedShape(data, clusterCount);
    const int N = shape.N;
    const int n = shape.n;
    const int K = shape.K;
    KMeansScratch& s = scratch();
    for (int c = 0; c < K; ++c) s.counts[c] = 0;
    for (int i = 0; i < N; ++i) {
        const int label = labels[i + 1];
        checkRange(label, 1, K);
        s.labels[i] = static_cast<int16_t>(label);
        ++s.counts[label - 1];
        for (int c = 0; c < K; ++c) s.clusterSums[i][c] = 0.0;
    }
    loadPoints(s, data, shape);
    const int blocks = (N + kDistanceLanes - 1) / kDistanceLanes;

    // Each pair is measured once (the distance is symmetric to the bit) and
    // added to both samples' cluster sums. Every sample meets the others in
    // ascending order (earlier ones while they are the outer sample, then the
    // later ones), so each sum runs over its members in sample order.
    for (int a = 0; a + 1 < N; ++a) {
        broadcastLaneRow(s.sampleBlocks, a, n, s.sample);
        laneSqDistances(s.sampleBlocks, s.sample, n, (a + 1) / kDistanceLanes, blocks,
                        s.sampleDistances);
        double* own = s.clusterSums[a];
        const int ownCluster = s.labels[a] - 1;
        for (int j = a + 1; j < N; ++j) {
            const double d = s.sampleDistances[j / kDistanceLanes][j % kDistanceLanes];
            own[s.labels[j] - 1] += d;
            s.clusterSums[j][ownCluster] += d;
        }
    }

    for (int i = 0; i < N; ++i) {
        const int own = s.labels[i] - 1;
        double silhouette = 0.0;
        if (s.counts[own] > 1) {
            const double a = s.clusterSums[i][own] / (s.counts[own] - 1);
            double b = 1.7e308;
            bool other = false;
            for (int c = 0; c < K; ++c) {
                if (c == own || s.counts[c] == 0) continue;
                other = true;
                const double mean = s.clusterSums[i][c] / s.counts[c];
                if (mean < b) b = mean;
            }
            const double scale = std::max(a, b);
            if (other && scale > 0.0) silhouette = (b - a) / scale;
        }
        values[i + 1] = silhouette;
    }
}

std::vector<std::string> kMeansResultLines(const KMeansReport& report) {
    using platform::cformat;
    const int K = report.clusterCount;
    const int N = report.sampleCount;
    std::vector<std::string> lines;
    lines.push_back("Number of clusters: " + std::to_string(K));
    if (report.bestIterations < report.iterationLimit)
        lines.push_back("Convergence reached after " + std::to_string(report.bestIterations) +
                        " iterations");
    else
        lines.push_back("Procedure terminated after reaching maximum number of iterations (" +
                        std::to_string(report.iterationLimit) + ")");
    lines.emplace_back("Minimized total sum of distances:");
    lines.push_back(cformat("%6.4f", report.bestTotal));
    lines.emplace_back("Cluster centroids: ");
    for (int c = 1; c <= K; ++c) {
        std::string line = "#" + std::to_string(c) + ": ";
        for (int f = 1; f <= report.featureCount; ++f)
            line += cformat("%-6.4f", report.centroids[c][f]) + " ";
        lines.push_back(std::move(line));
    }
    for (int c = 1; c <= K; ++c) {
        lines.push_back("Samples classified to cluster #" + std::to_string(c) + ":");
        // A line that has grown past 35 characters is flushed before the next
        // number; the separator's comma stays at the end of the flushed line.
        std::string line;
        int count = 0;
        for (int i = 1; i <= N; ++i) {
            if (report.labels[i] != c) continue;
            if (count > 0) line += ",";
            if (line.size() > 35) {
                lines.push_back(std::move(line));
                line.clear();
            } else if (count > 0) {
                line += " ";
            }
            line += std::to_string(i);
            ++count;
        }
        lines.push_back(std::move(line));
        lines.push_back("> " + std::to_string(count) + " sample(s)");
    }
    double sum = 0.0;
    int negative = 0;
    for (int i = 1; i <= N; ++i) {
        sum += report.SilhouetteValues[i];
        if (report.SilhouetteValues[i] < 0.0) ++negative;
    }
    lines.emplace_back("Average silhouette value: ");
    lines.push_back(cformat("%-1.6f", N > 0 ? sum / N : 0.0));
    const double percent = N > 0 ? static_cast<double>(negative) / N * 100.0 : 0.0;
    lines.push_back(
        cformat("Negative silhouette values: %d/%d [or %4.2f%%]", negative, N, percent));
    for (int i = 1; i <= N; ++i)
        if (report.SilhouetteValues[i] < 0.0)
            lines.push_back(
                cformat("Sample No:%d; silhouette value: %-1.6f", i, report.SilhouetteValues[i]));
    return lines;
}

KMeansReport KMeansClustering(R62DataSet& data, int clusterCount, uint8_t standardize,
                              std::string_view dateTime, const KMeansProgress& progress,
                              int iterationLimit) {
    KMeansReport report;
    if (!startAnalysis(data, standardize, report)) return report;
    report.lines =
        reportOpeningLines(data, kKMeansReportTitle, standardize, dateTime, kKMeansResultsLine);

    const int N = data.SampleCount;
    if (clusterCount < 2 || clusterCount > kMaxClusters) {
        report.outcome = AnalysisOutcome::Failed;
        report.messages.emplace_back(kKMeansClusterRangeMessage);
        return report;
    }
    if (clusterCount > N - 1) {
        report.outcome = AnalysisOutcome::Failed;
        report.messages.emplace_back(kKMeansTooManyClustersMessage);
        return report;
    }

    const Shape shape = checkedShape(data, clusterCount);
    KMeansScratch& s = scratch();
    loadPoints(s, data, shape);
    report.clusterCount = shape.K;
    report.sampleCount = shape.N;
    report.featureCount = shape.n;
    report.iterationLimit = iterationLimit;

    RandomSource& random = r62Random();
    ClusterStarts starts;
    KMeansRun run;
    double best = kKMeansNoTotal;
    bool kept = false;
    for (int restart = 1; restart <= kKMeansRestarts; ++restart) {
        random.reseed();
        drawKMeansStarts(random, shape.N, shape.K, starts);
        runFromLoadedPoints(s, shape, starts, run, iterationLimit, progress, restart);
        // Only a strictly smaller total replaces the kept one. Something is
        // kept even when no total is below 1e100 (non-finite data), so that
        // the labels are always defined.
        const bool better = run.total < best;
        if (better || !kept) {
            if (better) best = run.total;
            kept = true;
            report.bestTotal = run.total;
            report.bestIterations = run.iterations;
            report.labels = run.labels;
            report.centroids = run.centroids;
        }
    }
    for (int i = 1; i <= shape.N; ++i) data.ClassResult[i] = report.labels[i];

    kMeansSilhouettes(data, shape.K, report.labels, report.SilhouetteValues);
    for (std::string& line : kMeansResultLines(report)) report.lines.push_back(std::move(line));
    report.analysisName = std::string(kKMeansAnalysisName);
    return report;
}
