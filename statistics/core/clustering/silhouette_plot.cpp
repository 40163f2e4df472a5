#include "statistics/core/clustering/silhouette_plot.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>

#include "platform/textformat.h"

namespace {

// Hoare's scans stop on any element that does not compare beyond the pivot,
// and the pivot itself never does (not even a NaN), so they stay in range.
void quickSort(std::vector<SilhouetteRecord>& a, int lo, int hi) {
    int i = lo;
    int j = hi;
    const double pivot = a[static_cast<size_t>((lo + hi) / 2)].value;
    do {
        while (a[static_cast<size_t>(i)].value < pivot) ++i;
        while (a[static_cast<size_t>(j)].value > pivot) --j;
        if (i <= j) {
            std::swap(a[static_cast<size_t>(i)], a[static_cast<size_t>(j)]);
            ++i;
            --j;
        }
    } while (i <= j);
    if (lo < j) quickSort(a, lo, j);
    if (i < hi) quickSort(a, i, hi);
}

}  // namespace

std::vector<SilhouetteRecord> silhouetteRecords(const SilhouetteArray& values,
                                                const PerSample16& clusters, int sampleCount) {
    checkRange(sampleCount, 0, kMaxSamples);
    std::vector<SilhouetteRecord> records;
    records.reserve(static_cast<size_t>(sampleCount));
    for (int i = 1; i <= sampleCount; ++i) records.push_back({values[i], clusters[i]});
    return records;
}

void SortSilhouettes(std::vector<SilhouetteRecord>& records) {
    if (records.size() > 1) quickSort(records, 0, static_cast<int>(records.size()) - 1);
}

std::vector<int> silhouetteDrawingOrder(const std::vector<SilhouetteRecord>& records,
                                        int clusterCount) {
    std::vector<std::vector<int>> byCluster(static_cast<size_t>(std::max(0, clusterCount)) + 1);
    for (size_t k = 0; k < records.size(); ++k) {
        const int c = records[k].cluster;
        if (c >= 1 && c <= clusterCount)
            byCluster[static_cast<size_t>(c)].push_back(static_cast<int>(k));
    }
    std::vector<int> order;
    order.reserve(records.size());
    for (size_t c = 1; c < byCluster.size(); ++c)
        order.insert(order.end(), byCluster[c].begin(), byCluster[c].end());
    return order;
}

SilhouetteLayout layoutSilhouettes(const std::vector<SilhouetteRecord>& records, int clusterCount,
                                   int width, int height) {
    SilhouetteLayout g;
    g.width = width;
    g.height = height;
    double smallest = 1.7e308;
    double largest = 0.0;
    for (const SilhouetteRecord& r : records) {
        if (r.value < smallest) smallest = r.value;
        if (r.value > largest) largest = r.value;
    }
    if (records.empty()) smallest = 0.0;
    g.smallest = smallest;
    g.largest = largest;
    g.legendBox = {width - 85, 5, width - 5, clusterCount * 15 + 28};
    const std::vector<int> order = silhouetteDrawingOrder(records, clusterCount);
    const double pitch =
        records.empty() ? 0.0
                        : static_cast<double>(height - 52) / static_cast<double>(records.size());
    // The zero axis and the bars for the value 1.0 at oneX.
    auto placeBars = [&](int oneX) {
        g.oneX = oneX;
        g.zeroX = 20;
        // The largest is at least 0, so a negative smallest leaves a positive span.
        if (smallest < 0.0)
            g.zeroX = 20 + roundPixel(std::fabs(smallest) / (largest - smallest) * (oneX - 20));
        g.bars.clear();
        for (size_t i = 1; i <= order.size(); ++i) {
            const SilhouetteRecord& r = records[static_cast<size_t>(order[i - 1])];
            SilhouetteBar bar;
            bar.cluster = r.cluster;
            bar.rect.top = roundPixel(static_cast<double>(i - 1) * pitch) + 16;
            bar.rect.bottom = roundPixel(static_cast<double>(i) * pitch) + 16;
            // With more samples than rows every bar still leaves its row; the
            // next one drawn may cover it.
            if (bar.rect.bottom <= bar.rect.top) bar.rect.bottom = bar.rect.top + 1;
            const int start = r.value >= 0.0 ? g.zeroX + 1 : g.zeroX;
            const int length = roundPixel(r.value * (oneX - start));
            bar.rect.left = std::min(start, start + length);
            bar.rect.right = std::max(start, start + length);
            g.bars.push_back(bar);
        }
    };
    auto legendHidesABar = [&g] {
        const PixelRect& box = g.legendBox;
        for (const SilhouetteBar& bar : g.bars)
            if (bar.rect.right > box.left && bar.rect.top < box.bottom && bar.rect.bottom > box.top)
                return true;
        return false;
    };
    // The value 1.0 lies 15 pixels from the right edge, unless the legend box
    // would then hide a bar: then the scale ends left of the legend.
    placeBars(width - 15);
    if (legendHidesABar()) placeBars(g.legendBox.left - 10);
    g.middleX = (g.zeroX + g.oneX) / 2;

    const int axisY = height - 35;
    g.axes = {
        {{15, axisY}, {width - 15, axisY}},
        // The zero axis stops above its label, so "0.0" is not struck through.
        {{g.zeroX, height - 31}, {g.zeroX, 15}},
        {{g.zeroX - 4, 15}, {g.zeroX - 1, 15}},
        {{g.middleX, height - 30}, {g.middleX, height - 40}},
        {{g.oneX, height - 30}, {g.oneX, height - 40}},
    };
    g.zeroLabel = {g.zeroX - 8, height - 30};
    g.halfLabel = {g.middleX - 8, height - 30};
    g.oneLabel = {g.oneX - 8, height - 30};
    // The negative side of the axis gets a tick and a label at the smallest value.
    if (smallest < 0.0) {
        g.smallestX = g.zeroX + roundPixel(smallest * (g.oneX - g.zeroX));
        g.axes.push_back({{g.smallestX, height - 30}, {g.smallestX, height - 40}});
        g.smallestLabel = {g.smallestX, height - 30};
        g.smallestText = platform::cformat("%.2f", smallest);
    }
    g.title = {width / 2 - 35, height - 15};

    g.legendTitle = {width - 65, 10};
    for (int c = 1; c <= clusterCount; ++c) {
        const int y = 28 + 15 * (c - 1);
        g.legend.push_back({{width - 78, y, width - 70, y + 8}, {width - 64, y - 3}, c});
    }
    return g;
}

int silhouetteMinimumHeight(int clusterCount) {
    return std::max(320, 15 * clusterCount + 103);
}

ClassClusterGrid classClusterTable(const std::vector<int>& category,
                                   const std::vector<int>& clusters, int categoryCount,
                                   int clusterCount) {
    const int classes = std::max(0, categoryCount);
    const int groups = std::max(0, clusterCount);
    ClassClusterGrid grid;
    grid.rows = std::max(kClassClusterRows, classes + 1);
    grid.columns = std::max(kClassClusterColumns, groups + 1);
    grid.cells.assign(static_cast<size_t>(grid.rows) * static_cast<size_t>(grid.columns), "");

    std::vector<int> counts(static_cast<size_t>(classes + 1) * static_cast<size_t>(groups + 1), 0);
    const size_t samples = std::min(category.size(), clusters.size());
    for (size_t i = 1; i < samples; ++i) {
        const int r = category[i];
        const int c = clusters[i];
        if (r >= 1 && r <= classes && c >= 1 && c <= groups)
            ++counts[static_cast<size_t>(r) * static_cast<size_t>(groups + 1) +
                     static_cast<size_t>(c)];
    }
    auto at = [&grid](int column, int row) -> std::string& {
        return grid.cells[static_cast<size_t>(row) * static_cast<size_t>(grid.columns) +
                          static_cast<size_t>(column)];
    };
    for (int r = 1; r <= classes; ++r) at(0, r) = "Class " + std::to_string(r);
    for (int c = 1; c <= groups; ++c) at(c, 0) = "Cluster " + std::to_string(c);
    for (int r = 1; r <= classes; ++r)
        for (int c = 1; c <= groups; ++c)
            at(c, r) =
                std::to_string(counts[static_cast<size_t>(r) * static_cast<size_t>(groups + 1) +
                                      static_cast<size_t>(c)]);
    return grid;
}

ClassClusterGrid classClusterTable(const PerSample16& category, const PerSample16& clusters,
                                   int sampleCount, int categoryCount, int clusterCount) {
    checkRange(sampleCount, 0, kMaxSamples);
    std::vector<int> classes(static_cast<size_t>(sampleCount) + 1, 0);
    std::vector<int> groups(static_cast<size_t>(sampleCount) + 1, 0);
    for (int i = 1; i <= sampleCount; ++i) {
        classes[static_cast<size_t>(i)] = category[i];
        groups[static_cast<size_t>(i)] = clusters[i];
    }
    return classClusterTable(classes, groups, categoryCount, clusterCount);
}

std::optional<int> smallestLabelX(const SilhouetteLayout& layout, int textWidth) {
    if (layout.smallestText.empty()) return std::nullopt;
    // Centred under its tick, but never over the "0.0" beside it nor cut at
    // the picture's edge: where it cannot stand whole it is left out.
    const int x =
        std::min(layout.smallestLabel.x - textWidth / 2, layout.zeroLabel.x - 4 - textWidth);
    if (x < 0) return std::nullopt;
    return x;
}
