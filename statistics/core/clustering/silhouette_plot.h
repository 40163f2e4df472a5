// The silhouette plot after k-means: the records the window holds, their
// sort, the order and geometry of the bars, the axes and the legend; and the
// class/cluster table that shows how the known categories fall into the
// clusters (after k-means and after an accepted dendrogram cut).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "statistics/core/clustering/kmeans_clustering.h"  // SilhouetteArray
#include "statistics/core/data/data_set.h"
#include "statistics/core/reports/plot_geometry.h"

struct SilhouetteRecord {
    double value = 0.0;
    int16_t cluster = 0;
};

// Records of samples 1..sampleCount: (value, cluster) in sample order.
std::vector<SilhouetteRecord> silhouetteRecords(const SilhouetteArray& values,
                                                const PerSample16& clusters, int sampleCount);

// Ascending by value: quicksort with the middle element as pivot, Hoare's
// partition, recursing into both parts. Not stable; NaN values end the scans
// as any value does, so the sort always ends.
void SortSilhouettes(std::vector<SilhouetteRecord>& records);

// Indices of the records as the bars are drawn: clusters 1..K in turn, each
// in the records' order. Records of other clusters are not drawn.
std::vector<int> silhouetteDrawingOrder(const std::vector<SilhouetteRecord>& records,
                                        int clusterCount);

// A filled rectangle, left and top included, right and bottom excluded.
struct PixelRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

struct SilhouetteBar {
    PixelRect rect;  // empty (left == right) for a value of 0
    int cluster = 0;
};

struct PixelLine {
    PixelPoint from;
    PixelPoint to;
};

struct LegendEntry {
    PixelRect swatch;
    PixelPoint text;  // top-left of "Cluster #c"
    int cluster = 0;
};

struct SilhouetteLayout {
    int width = 0;
    int height = 0;
    double smallest = 0.0;
    double largest = 0.0;         // at least 0
    int zeroX = 20;               // the zero axis
    int oneX = 0;                 // where 1.0 lies; left of the legend when it would hide a bar
    int middleX = 0;              // the "0.5" tick
    std::vector<PixelLine> axes;  // black: both axes, the zero axis's top tick, two ticks
    PixelPoint zeroLabel, halfLabel, oneLabel;  // "0.0", "0.5", "1.0"
    // With negative values: where the smallest lies on the axis, and its
    // label ("%.2f"), centred on that x unless it would run into "0.0".
    int smallestX = 0;
    PixelPoint smallestLabel;
    std::string smallestText;         // empty without negative values
    PixelPoint title;                 // "Silhouette values"
    std::vector<SilhouetteBar> bars;  // in drawing order
    PixelRect legendBox;
    PixelPoint legendTitle;  // "Legend"
    std::vector<LegendEntry> legend;
};

// The plot of sorted `records` with `clusterCount` clusters on a picture of
// width x height pixels.
SilhouetteLayout layoutSilhouettes(const std::vector<SilhouetteRecord>& records, int clusterCount,
                                   int width, int height);

// Where the label of the smallest value starts for a text `textWidth` wide;
// none without negative values or where it would run into "0.0" or off the
// picture.
std::optional<int> smallestLabelX(const SilhouetteLayout& layout, int textWidth);

// The window's least height for K clusters: room for the legend.
int silhouetteMinimumHeight(int clusterCount);

// --- the class/cluster table ------------------------------------------------

inline constexpr int kClassClusterRows = 14;
inline constexpr int kClassClusterColumns = 7;

struct ClassClusterGrid {
    int rows = kClassClusterRows;
    int columns = kClassClusterColumns;
    std::vector<std::string> cells;  // row by row; empty where nothing is written
    const std::string& cell(int column, int row) const {
        return cells[static_cast<size_t>(row) * static_cast<size_t>(columns) +
                     static_cast<size_t>(column)];
    }
};

// Rows max(14, C + 1), columns max(7, K + 1); "Class r" down column 0,
// "Cluster c" along row 0, and in every cell (c, r) the number of samples of
// category r in cluster c, zeros included. `category` and `clusters` hold
// samples 1..N at [1..N] ([0] unused); samples outside 1..C or 1..K are not
// counted.
ClassClusterGrid classClusterTable(const std::vector<int>& category,
                                   const std::vector<int>& clusters, int categoryCount,
                                   int clusterCount);
// The same for samples 1..sampleCount of the data set's arrays.
ClassClusterGrid classClusterTable(const PerSample16& category, const PerSample16& clusters,
                                   int sampleCount, int categoryCount, int clusterCount);
