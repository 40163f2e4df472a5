// The dendrogram of r62's last clustering as the tree window draws it: which
// links are drawn and which labels become leaves, where the leaves and links
// lie in a picture of a given size, the lines in their colours, the cut of
// the tree into k clusters, and the texts the window shows and reports. The
// window only paints what is decided here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "statistics/core/clustering/hierarchical_clustering.h"

// At most this many links are drawn; the ones below are collapsed into leaves.
inline constexpr int kMaxDrawnLinks = 30;

// Colours as 0x00BBGGRR. The cut rule counts pixels of exactly kDendrogramBlue,
// so nothing but the vertical link lines may be drawn in it.
inline constexpr uint32_t kDendrogramBlue = 0xFF0000;
inline constexpr uint32_t kDendrogramGreen = 0x008000;
inline constexpr uint32_t kDendrogramBlack = 0x000000;
inline constexpr uint32_t kDendrogramWhite = 0xFFFFFF;
inline constexpr uint32_t kDendrogramRed = 0x0000FF;
inline constexpr uint32_t kDendrogramNavy = 0x800000;
// The classic desktop colour, for the dotted lines from a leaf to its label.
inline constexpr uint32_t kDendrogramConnector = 0x808000;
// Row of the cut line when the tree is drawn: just below the top link.
inline constexpr int kFirstCutRow = 7;
// Row of the top link.
inline constexpr int kTopLinkRow = 5;

inline constexpr char kClustersChosenStatus[] = "You choose number of clusters to be: ";
inline constexpr char kResultsRejectedLine[] = "Clustering results rejected.";
inline constexpr char kAcceptOrDiscardMessage[] =
    "You must first either accept or discard partition.";

// What does not depend on the picture's size. Labels follow the merge list:
// 1..N are samples, N + s is the cluster made by link s.
struct DendrogramModel {
    int sampleCount = 0;  // N
    int drawnLinks = 0;   // L = min(30, N - 1)
    int firstLink = 0;    // N - L, the lowest drawn link
    double baseHeight = 0.0;
    // Leaf labels left to right: a depth-first walk from the top link, the
    // first label of a link before its second (L + 1 of them).
    std::vector<int> leafOrder;
    // By label: the leaf's place 0..L, or -1 for the labels of drawn links.
    std::vector<int> leafPosition;
    // The leaves in the order the links name them (the Description page).
    std::vector<int> recordedLeaves;
    // [1..N]: the label of the leaf each sample lies under.
    std::vector<int> leafOfSample;
    // By label 1..2N-1: the link that joins it; 0 for the top cluster.
    std::vector<int> parentLink;

    bool isLeaf(int label) const { return label <= sampleCount || label - sampleCount < firstLink; }
};

// Requires 2 <= N <= 2000 and a merge list in which link s joins two
// different labels below N + s, each label joined once; RangeCheckError
// otherwise.
DendrogramModel dendrogramModel(const ClusterTree& tree);

// An axis-aligned line, both ends included.
struct DendrogramLine {
    int x1 = 0;
    int y1 = 0;
    int x2 = 0;
    int y2 = 0;
    uint32_t colour = kDendrogramBlack;
};

// A leaf's label: the text is centred on x with its top at y; the dotted
// connector runs from (x, connectorTop) down to (x, connectorBottom).
struct DendrogramLeafLabel {
    int x = 0;
    int y = 0;
    int connectorTop = 0;
    int connectorBottom = 0;
    std::string text;
};

struct DendrogramGeometry {
    int width = 0;
    int height = 0;
    int drawableHeight = 0;  // Hd: the leaves' bottom row
    int spacing = 0;
    int firstLeafX = 0;
    std::vector<int> leafX;    // by leaf place 0..L
    std::vector<int> linkX;    // by drawn link, index s - firstLink
    std::vector<int> linkRow;  // by drawn link, index s - firstLink
    // In drawing order: per drawn link its two blue verticals and the green
    // joint one row below, then the black base line.
    std::vector<DendrogramLine> lines;
    std::vector<DendrogramLeafLabel> labels;  // by leaf place
};

// The picture of `width` x `height` pixels. A link row is
// Hd - round((height - base) (Hd - 5) / (top height - base)), kept within
// 5..Hd; when every drawn link stands at the base height the span is zero and
// all of them lie on row 5.
DendrogramGeometry layoutDendrogram(const DendrogramModel& model, const ClusterTree& tree,
                                    int width, int height);

// The lines on a white picture, row by row (width x height, 0x00BBGGRR).
std::vector<uint32_t> rasteriseDendrogram(const DendrogramGeometry& geometry);
// Pixels of exactly kDendrogramBlue in each row of such a picture.
std::vector<int> bluePixelsByRow(const std::vector<uint32_t>& pixels, int width, int height);

// The number of clusters a cut row gives: the blue pixels it crosses, at
// least 2 and at most N.
int clustersForCount(int bluePixels, int sampleCount);
// A row that gives k clusters, the nearest to `preferred` (upper first on a
// tie); -1 when none does.
int rowForClusters(const std::vector<int>& blueByRow, int k, int sampleCount, int preferred);

// --- the cut, from the lines themselves ----------------------------------------
//
// The picture shows kDendrogramBlue where the last line drawn over a pixel is
// blue (the labels below the leaves never reach the lines' rows). These give
// what counting that picture's pixels gives, from the lines alone.

// Pixels of row `row` that show kDendrogramBlue; 0 outside the picture.
int bluePixelsOnRow(const DendrogramGeometry& geometry, int row);
// The same for every row 0..height - 1.
std::vector<int> bluePixelsByRow(const DendrogramGeometry& geometry);
// The clusters a cut at `row` gives.
int clustersAtRow(const DendrogramGeometry& geometry, int row, int sampleCount);
// The row nearest to `preferred` that cuts the tree into k clusters (upper
// first on a tie); -1 when none does.
int rowForClusters(const DendrogramGeometry& geometry, int k, int sampleCount, int preferred);

// Cluster 1..k of every sample ([0] unused) when the tree is cut into k
// clusters, numbered as DendrogramCutLabels numbers them: the two labels of
// link N - k + 1, then the labels below it that the links above name, in
// link order. Linear in N; 2 <= k <= N.
std::vector<int> cutDendrogram(const DendrogramModel& model, const ClusterTree& tree, int k);

// The report of an accepted cut into k clusters (`labels` as cutDendrogram
// gives them).
std::vector<std::string> acceptedPartitionLines(const ClusterTree& tree,
                                                const std::vector<int>& labels, int k);

// Per cluster 1..k: "Samples classified to cluster #c:", the sample numbers in
// ascending order joined by ", " in lines that are flushed once they have
// reached 36 characters before the next number, and "> n sample(s)".
std::vector<std::string> clusterMemberLines(const std::vector<int>& labels, int k);

// The Description page's two lists: leaf label -> its samples ascending,
// joined by ", " (leaves in recorded order); sample i -> its leaf's label.
struct DescriptionEntry {
    std::string key;
    std::string value;
};
std::vector<DescriptionEntry> leafSampleEntries(const DendrogramModel& model);
std::vector<DescriptionEntry> sampleLeafEntries(const DendrogramModel& model);
