#include "statistics/core/clustering/dendrogram_layout.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

#include "platform/textformat.h"
#include "statistics/tests/clustering/dendrogram_test_trees.h"

namespace {

using namespace dendrogram_test;
using Tree = std::unique_ptr<ClusterTree>;

// A real tree of n scattered points (average linkage).
Tree clustered(int n) {
    auto points = std::make_unique<SampleMatrix>();
    unsigned state = 12345;
    for (int i = 1; i <= n; ++i)
        for (int k = 1; k <= 2; ++k) {
            state = state * 1103515245u + 12345u;
            (*points)[i][k] = static_cast<double>((state >> 8) % 1000) / 10.0;
        }
    DistanceContext context;
    context.points = points.get();
    context.featureCount = 2;
    context.metric = kMetricEuclidean;
    auto tree = std::make_unique<ClusterTree>();
    buildClusterTree(context, n, kLinkageAverage, *tree);
    return tree;
}

// The reference for the cut: count the blue pixels of the drawn picture.
std::vector<int> pixelBlueByRow(const DendrogramGeometry& g) {
    return bluePixelsByRow(rasteriseDendrogram(g), g.width, g.height);
}

int pixelClustersAtRow(const DendrogramGeometry& g, int row, int n) {
    return clustersForCount(pixelBlueByRow(g)[static_cast<size_t>(row)], n);
}

}  // namespace

TEST(R62DendrogramLayout, LeavesFollowTheDepthFirstWalkFromTheTopLink) {
    const Tree tree = handMade();
    const DendrogramModel m = dendrogramModel(*tree);
    EXPECT_EQ(m.drawnLinks, 4);
    EXPECT_EQ(m.firstLink, 1);
    EXPECT_EQ(m.baseHeight, 0.0);
    EXPECT_EQ(m.leafOrder, (std::vector<int>{3, 1, 2, 4, 5}));
    // The Description page lists leaves as the links name them.
    EXPECT_EQ(m.recordedLeaves, (std::vector<int>{1, 2, 4, 5, 3}));
    EXPECT_EQ(m.leafOfSample, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(m.parentLink[6], 3);
    EXPECT_EQ(m.parentLink[8], 4);
    EXPECT_EQ(m.parentLink[9], 0);
}

TEST(R62DendrogramLayout, LeavesLinksAndLinesOfTheDefaultPicture) {
    const Tree tree = handMade();
    const DendrogramGeometry g = layoutDendrogram(dendrogramModel(*tree), *tree, 344, 268);
    EXPECT_EQ(g.drawableHeight, 230);
    // 310 / 4 = 77.5 rounds to the even 78; (344 - 312) / 2 = 16.
    EXPECT_EQ(g.spacing, 78);
    EXPECT_EQ(g.leafX, (std::vector<int>{16, 94, 172, 250, 328}));
    // Rows 230 - round(h x 225 / 5); x the rounded midpoints, ties to even.
    EXPECT_EQ(g.linkRow, (std::vector<int>{185, 140, 95, 5}));
    EXPECT_EQ(g.linkX, (std::vector<int>{133, 289, 74, 182}));

    ASSERT_EQ(g.lines.size(), 13u);
    auto expectLine = [](const DendrogramLine& l, int x1, int y1, int x2, int y2, uint32_t c) {
        EXPECT_EQ(l.x1, x1);
        EXPECT_EQ(l.y1, y1);
        EXPECT_EQ(l.x2, x2);
        EXPECT_EQ(l.y2, y2);
        EXPECT_EQ(l.colour, c);
    };
    expectLine(g.lines[0], 94, 230, 94, 185, 0xFF0000);
    expectLine(g.lines[1], 172, 230, 172, 185, 0xFF0000);
    expectLine(g.lines[2], 94, 186, 172, 186, 0x008000);
    // Link 3 stands on leaf 3 and on link 1.
    expectLine(g.lines[6], 16, 230, 16, 95, 0xFF0000);
    expectLine(g.lines[7], 133, 185, 133, 95, 0xFF0000);
    expectLine(g.lines[10], 289, 140, 289, 5, 0xFF0000);
    expectLine(g.lines[11], 74, 6, 289, 6, 0x008000);
    expectLine(g.lines[12], 2, 231, 341, 231, 0x000000);

    ASSERT_EQ(g.labels.size(), 5u);
    EXPECT_EQ(g.labels[0].text, "3");
    EXPECT_EQ(g.labels[1].text, "1");
    EXPECT_EQ(g.labels[0].y, 234);
    EXPECT_EQ(g.labels[1].y, 246);
    EXPECT_EQ(g.labels[2].y, 258);
    EXPECT_EQ(g.labels[3].y, 234);
    EXPECT_EQ(g.labels[4].x, 328);
    EXPECT_LT(g.labels[2].y + 8, 268);
}

TEST(R62DendrogramLayout, TheCutCountsTheBlueVerticalsOfItsRow) {
    const Tree tree = handMade();
    const DendrogramGeometry g = layoutDendrogram(dendrogramModel(*tree), *tree, 344, 268);
    const std::vector<uint32_t> pixels = rasteriseDendrogram(g);
    const std::vector<int> blue = bluePixelsByRow(pixels, 344, 268);
    // Above the top link, on its green joint, and on the base line.
    EXPECT_EQ(blue[3], 0);
    EXPECT_EQ(pixelClustersAtRow(g, 3, 5), 2);
    EXPECT_EQ(blue[6], 0);
    EXPECT_EQ(blue[231], 0);
    EXPECT_EQ(pixelClustersAtRow(g, 231, 5), 2);
    // Just below the top link: its two verticals.
    EXPECT_EQ(blue[kFirstCutRow], 2);
    EXPECT_EQ(blue[100], 3);
    EXPECT_EQ(blue[150], 4);
    EXPECT_EQ(blue[200], 5);
    EXPECT_EQ(blue[230], 5);
    // A green joint covers its own link's verticals.
    EXPECT_EQ(blue[96], 1);
    EXPECT_EQ(pixelClustersAtRow(g, 96, 5), 2);
    // Nothing but the verticals is blue.
    int verticalPixels = 0;
    for (const DendrogramLine& l : g.lines)
        if (l.colour == kDendrogramBlue) verticalPixels += std::abs(l.y1 - l.y2) + 1;
    int total = 0;
    for (int count : blue) total += count;
    // Each joint covers one pixel of each of its link's two verticals.
    EXPECT_EQ(total, verticalPixels - 2 * 4);
    EXPECT_EQ(std::count(pixels.begin(), pixels.end(), kDendrogramRed), 0);

    EXPECT_EQ(rowForClusters(blue, 3, 5, kFirstCutRow), 97);
    EXPECT_EQ(rowForClusters(blue, 2, 5, kFirstCutRow), kFirstCutRow);
    EXPECT_EQ(rowForClusters(blue, 7, 5, kFirstCutRow), -1);
}

TEST(R62DendrogramLayout, LinksAtOneHeightShareTheTopRow) {
    // Two equal samples: the only link at the base height, a span of 0.
    const Tree two = treeOf(2, {{1, 2}}, {0.0});
    const DendrogramGeometry g2 = layoutDendrogram(dendrogramModel(*two), *two, 344, 268);
    EXPECT_EQ(g2.linkRow, (std::vector<int>{5}));
    EXPECT_EQ(pixelClustersAtRow(g2, kFirstCutRow, 2), 2);

    const Tree three = treeOf(3, {{1, 2}, {3, 4}}, {0.0, 0.0});
    const DendrogramGeometry g3 = layoutDendrogram(dendrogramModel(*three), *three, 344, 268);
    EXPECT_EQ(g3.linkRow, (std::vector<int>{5, 5}));
    for (const DendrogramLine& l : g3.lines) {
        EXPECT_GE(std::min(l.y1, l.y2), 5);
        EXPECT_LE(std::max(l.y1, l.y2), 231);
    }
    // Below the shared row every leaf's vertical is crossed.
    EXPECT_EQ(pixelClustersAtRow(g3, kFirstCutRow, 3), 3);
    EXPECT_EQ(pixelClustersAtRow(g3, 3, 3), 2);
}

TEST(R62DendrogramLayout, MoreThanThirtyOneSamplesCollapseIntoThirtyOneLeaves) {
    const Tree tree = caterpillar(35);
    const DendrogramModel m = dendrogramModel(*tree);
    EXPECT_EQ(m.drawnLinks, 30);
    EXPECT_EQ(m.firstLink, 5);
    EXPECT_EQ(m.baseHeight, 5.0);
    ASSERT_EQ(m.leafOrder.size(), 31u);
    EXPECT_EQ(m.leafOrder.front(), 35);
    EXPECT_EQ(m.leafOrder[29], 6);
    EXPECT_EQ(m.leafOrder.back(), 39);  // link 4's cluster: samples 1..5
    for (int i = 1; i <= 5; ++i) EXPECT_EQ(m.leafOfSample[static_cast<size_t>(i)], 39);
    EXPECT_EQ(m.leafOfSample[6], 6);

    const DendrogramGeometry g = layoutDendrogram(m, *tree, 344, 268);
    EXPECT_EQ(g.leafX.size(), 31u);
    EXPECT_EQ(g.labels.size(), 31u);
    EXPECT_EQ(g.labels.back().text, "39");
    // 310 / 30 rounds to 10; (344 - 300) / 2 = 22.
    EXPECT_EQ(g.spacing, 10);
    EXPECT_EQ(g.firstLeafX, 22);
    // The lowest drawn link stands at the base height, on the leaves' row.
    EXPECT_EQ(g.linkRow.front(), 230);
    EXPECT_EQ(g.linkRow.back(), 5);
    // The leaves' row meets every leaf and the vertical that rises from the
    // lowest drawn link, which stands on that row: a cut there splits that
    // link too.
    EXPECT_EQ(pixelClustersAtRow(g, 230, 35), 32);
    EXPECT_EQ(pixelClustersAtRow(g, 229, 35), 30);

    const std::vector<DescriptionEntry> leaves = leafSampleEntries(m);
    ASSERT_EQ(leaves.size(), 31u);
    EXPECT_EQ(leaves[0].key, "6");
    EXPECT_EQ(leaves[1].key, "39");
    EXPECT_EQ(leaves[1].value, "1, 2, 3, 4, 5");
    EXPECT_EQ(leaves[2].key, "7");
    EXPECT_EQ(leaves[2].value, "7");
    const std::vector<DescriptionEntry> samples = sampleLeafEntries(m);
    ASSERT_EQ(samples.size(), 35u);
    EXPECT_EQ(samples[2].key, "3");
    EXPECT_EQ(samples[2].value, "39");
    EXPECT_EQ(samples[34].value, "35");
}

TEST(R62DendrogramLayout, AResizedPictureKeepsItsRules) {
    const Tree tree = handMade();
    const DendrogramGeometry g = layoutDendrogram(dendrogramModel(*tree), *tree, 600, 400);
    EXPECT_EQ(g.drawableHeight, 362);
    EXPECT_EQ(g.linkRow.back(), 5);
    EXPECT_EQ(g.linkRow[0], 362 - 71);  // round(357 / 5) = 71
    EXPECT_EQ(g.lines.back().x2, 597);
}

TEST(R62DendrogramLayout, AMergeListThatIsNoTreeIsRefused) {
    Tree tree = treeOf(3, {{1, 2}, {1, 4}}, {1.0, 2.0});  // sample 1 joined twice
    EXPECT_THROW(dendrogramModel(*tree), RangeCheckError);
    tree = treeOf(3, {{1, 5}, {3, 4}}, {1.0, 2.0});  // link 1 names link 2's cluster
    EXPECT_THROW(dendrogramModel(*tree), RangeCheckError);
    tree = treeOf(1, {}, {});
    EXPECT_THROW(dendrogramModel(*tree), RangeCheckError);
}

TEST(R62DendrogramCut, NumbersClustersAsTheClusteringDoes) {
    const Tree tree = handMade();
    const DendrogramModel m = dendrogramModel(*tree);
    EXPECT_EQ(cutDendrogram(m, *tree, 3), (std::vector<int>{0, 2, 2, 1, 3, 3}));
    EXPECT_EQ(cutDendrogram(m, *tree, 5), (std::vector<int>{0, 1, 2, 5, 3, 4}));
    EXPECT_THROW(cutDendrogram(m, *tree, 1), RangeCheckError);
    EXPECT_THROW(cutDendrogram(m, *tree, 6), RangeCheckError);

    for (int n : {3, 31, 40, 120}) {
        const Tree real = clustered(n);
        const DendrogramModel model = dendrogramModel(*real);
        for (int k = 2; k <= n - 1; ++k)
            ASSERT_EQ(cutDendrogram(model, *real, k), DendrogramCutLabels(*real, k))
                << "n " << n << " k " << k;
    }
}

TEST(R62DendrogramCut, AcceptedPartitionReport) {
    const Tree tree = handMade();
    const std::vector<int> labels = cutDendrogram(dendrogramModel(*tree), *tree, 3);
    const std::vector<std::string> lines = acceptedPartitionLines(*tree, labels, 3);
    const std::vector<std::string> expected{
        "Cutoff link No. 3",
        "Cutoff link inconsistency coeffcitent:",
        platform::cformat("%1.6f", tree->InconsistencyTable[3][3]),
        "Cutoff link relative inconsistency coeffcitent:",
        platform::cformat("%1.6f", DendrogramCutLevel(*tree, 3)),
        "Number of clusters: 3",
        "Samples classified to cluster #1:",
        "3",
        "> 1 sample(s)",
        "Samples classified to cluster #2:",
        "1, 2",
        "> 2 sample(s)",
        "Samples classified to cluster #3:",
        "4, 5",
        "> 2 sample(s)",
    };
    EXPECT_EQ(lines, expected);
    // Link 3 (height 3) over link 1 (height 1): (3 - 2) / sqrt(2).
    EXPECT_EQ(lines[2], "0.707107");
}

TEST(R62DendrogramCut, MemberListsWrapOnceALineHasReached36Characters) {
    std::vector<int> labels(1008, 0);
    for (int i = 1; i <= 20; ++i) labels[static_cast<size_t>(i)] = 1;
    for (int i = 1000; i <= 1006; ++i) labels[static_cast<size_t>(i)] = 2;
    // Cluster 3 reaches 35 characters only: no break.
    for (int i : {21, 22, 23, 24, 25, 100, 101, 102, 103}) labels[static_cast<size_t>(i)] = 3;
    const std::vector<std::string> lines = clusterMemberLines(labels, 4);
    const std::vector<std::string> expected{
        "Samples classified to cluster #1:",
        "1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12,",
        "13, 14, 15, 16, 17, 18, 19, 20",
        "> 20 sample(s)",
        "Samples classified to cluster #2:",
        "1000, 1001, 1002, 1003, 1004, 1005,",
        "1006",
        "> 7 sample(s)",
        "Samples classified to cluster #3:",
        "21, 22, 23, 24, 25, 100, 101, 102, 103",
        "> 9 sample(s)",
        "Samples classified to cluster #4:",
        "",
        "> 0 sample(s)",
    };
    EXPECT_EQ(lines, expected);
}

// The cut from the lines alone is the cut counted on the picture: every row of
// random trees of many sizes in pictures from tiny to large, and the row the
// window picks for every cluster count.
TEST(R62DendrogramLayout, CutFromTheLinesIsThePixelCount) {
    const std::array<std::array<int, 2>, 7> sizes{
        {{520 - 128, 400 - 90}, {344, 268}, {1000, 700}, {120, 60}, {40, 45}, {34, 38}, {7, 3}}};
    int trees = 0;
    for (int n : {2, 3, 4, 5, 8, 17, 30, 31, 32, 45, 200}) {
        for (unsigned seed = 1; seed <= 6; ++seed) {
            const Tree tree =
                seed == 6 ? clustered(n) : randomTree(n, seed * 1000 + static_cast<unsigned>(n));
            const DendrogramModel m = dendrogramModel(*tree);
            ++trees;
            for (const auto& [width, height] : sizes) {
                const DendrogramGeometry g = layoutDendrogram(m, *tree, width, height);
                const std::vector<int> pixels = pixelBlueByRow(g);
                ASSERT_EQ(bluePixelsByRow(g), pixels)
                    << n << " samples, " << width << "x" << height;
                EXPECT_EQ(bluePixelsOnRow(g, -1), 0);
                EXPECT_EQ(bluePixelsOnRow(g, height), 0);
                for (int row = 0; row < height; ++row)
                    ASSERT_EQ(clustersAtRow(g, row, n),
                              clustersForCount(pixels[static_cast<size_t>(row)], n))
                        << row;
                for (int k = 2; k <= n; ++k)
                    ASSERT_EQ(rowForClusters(g, k, n, kFirstCutRow),
                              rowForClusters(pixels, k, n, kFirstCutRow))
                        << n << " samples, k = " << k << ", " << width << "x" << height;
            }
        }
    }
    EXPECT_EQ(trees, 66);
}
