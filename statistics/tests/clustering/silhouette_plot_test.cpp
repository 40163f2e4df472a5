#include "statistics/core/clustering/silhouette_plot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace {

std::vector<SilhouetteRecord> recordsOf(const std::vector<std::pair<double, int>>& items) {
    std::vector<SilhouetteRecord> records;
    for (const auto& [value, cluster] : items)
        records.push_back({value, static_cast<int16_t>(cluster)});
    return records;
}

std::vector<std::pair<double, int>> pairsOf(const std::vector<SilhouetteRecord>& records) {
    std::vector<std::pair<double, int>> pairs;
    for (const SilhouetteRecord& r : records) pairs.emplace_back(r.value, r.cluster);
    return pairs;
}

}  // namespace

TEST(R62Silhouettes, SortIsAscendingAndKeepsEveryRecord) {
    std::vector<SilhouetteRecord> records = recordsOf(
        {{0.5, 1}, {-0.2, 2}, {0.5, 3}, {0.9, 1}, {-0.2, 1}, {0.0, 2}, {0.5, 2}, {1.0, 3}});
    std::vector<std::pair<double, int>> before = pairsOf(records);
    SortSilhouettes(records);
    std::vector<std::pair<double, int>> after = pairsOf(records);
    for (size_t k = 1; k < after.size(); ++k) EXPECT_LE(after[k - 1].first, after[k].first);
    std::sort(before.begin(), before.end());
    std::sort(after.begin(), after.end());
    EXPECT_EQ(after, before);

    // Larger, with many duplicates, against a reference sort of the values.
    std::vector<SilhouetteRecord> many;
    unsigned state = 7;
    for (int i = 0; i < 2000; ++i) {
        state = state * 1103515245u + 12345u;
        many.push_back(
            {static_cast<double>((state >> 9) % 41) / 20.0 - 1.0, static_cast<int16_t>(i % 5 + 1)});
    }
    std::vector<double> expected;
    for (const SilhouetteRecord& r : many) expected.push_back(r.value);
    std::sort(expected.begin(), expected.end());
    SortSilhouettes(many);
    std::vector<double> got;
    for (const SilhouetteRecord& r : many) got.push_back(r.value);
    EXPECT_EQ(got, expected);

    // Already sorted, reversed, all equal, one and none.
    for (std::vector<double> values :
         {std::vector<double>{1, 2, 3, 4, 5}, std::vector<double>{5, 4, 3, 2, 1},
          std::vector<double>(9, 0.25), std::vector<double>{0.1}, std::vector<double>{}}) {
        std::vector<SilhouetteRecord> r;
        for (double v : values) r.push_back({v, 1});
        SortSilhouettes(r);
        std::sort(values.begin(), values.end());
        ASSERT_EQ(r.size(), values.size());
        for (size_t k = 0; k < r.size(); ++k) EXPECT_EQ(r[k].value, values[k]);
    }
}

TEST(R62Silhouettes, ANotANumberDoesNotRunTheSortOffItsRecords) {
    std::vector<SilhouetteRecord> records =
        recordsOf({{0.3, 1}, {std::nan(""), 2}, {-0.1, 1}, {std::nan(""), 1}, {0.2, 2}});
    SortSilhouettes(records);
    EXPECT_EQ(records.size(), 5u);
    EXPECT_EQ(std::count_if(records.begin(), records.end(),
                            [](const SilhouetteRecord& r) { return std::isnan(r.value); }),
              2);
}

TEST(R62Silhouettes, BarsAreDrawnClusterByClusterFromTheZeroAxis) {
    std::vector<SilhouetteRecord> records = recordsOf({{1.0, 1}, {-0.5, 2}, {0.25, 1}});
    SortSilhouettes(records);
    EXPECT_EQ(silhouetteDrawingOrder(records, 2), (std::vector<int>{1, 2, 0}));

    const SilhouetteLayout g = layoutSilhouettes(records, 2, 450, 250);
    EXPECT_EQ(g.smallest, -0.5);
    EXPECT_EQ(g.largest, 1.0);
    // 20 + round(0.5 / 1.5 x 415).
    EXPECT_EQ(g.zeroX, 158);
    EXPECT_EQ(g.oneX, 435);
    EXPECT_EQ(g.middleX, 296);
    ASSERT_EQ(g.bars.size(), 3u);
    // Pitch 198 / 3 = 66.
    EXPECT_EQ(g.bars[0].rect, (PixelRect{159, 16, 228, 82}));  // 0.25 x 276 = 69
    EXPECT_EQ(g.bars[0].cluster, 1);
    EXPECT_EQ(g.bars[1].rect, (PixelRect{159, 82, 435, 148}));  // 1.0 reaches the 1.0 tick
    EXPECT_EQ(g.bars[2].rect, (PixelRect{20, 148, 158, 214}));  // -0.5 x 277 = -138.5 -> -138
    EXPECT_EQ(g.bars[2].cluster, 2);

    EXPECT_EQ(g.zeroLabel, (PixelPoint{150, 220}));
    EXPECT_EQ(g.halfLabel, (PixelPoint{288, 220}));
    EXPECT_EQ(g.oneLabel, (PixelPoint{427, 220}));
    EXPECT_EQ(g.title, (PixelPoint{190, 235}));
    ASSERT_GE(g.axes.size(), 2u);
    EXPECT_EQ(g.axes[0].from, (PixelPoint{15, 215}));
    EXPECT_EQ(g.axes[0].to, (PixelPoint{435, 215}));
    EXPECT_EQ(g.axes[1].from, (PixelPoint{158, 219}));  // ends above "0.0"
    EXPECT_EQ(g.axes[1].to, (PixelPoint{158, 15}));

    EXPECT_EQ(g.legendBox, (PixelRect{365, 5, 445, 58}));
    ASSERT_EQ(g.legend.size(), 2u);
    EXPECT_EQ(g.legend[0].swatch.top, 28);
    EXPECT_EQ(g.legend[1].swatch.top, 43);
    EXPECT_EQ(g.legend[1].swatch.right - g.legend[1].swatch.left, 8);
    EXPECT_EQ(g.legend[1].swatch.bottom - g.legend[1].swatch.top, 8);
}

TEST(R62Silhouettes, WithoutNegativeValuesTheZeroAxisStaysAtTheLeft) {
    std::vector<SilhouetteRecord> records = recordsOf({{0.2, 1}, {0.4, 1}});
    const SilhouetteLayout g = layoutSilhouettes(records, 1, 450, 250);
    EXPECT_EQ(g.zeroX, 20);
    // A zero-length bar for a silhouette of 0, and every sample keeps a row
    // when there are more samples than rows.
    std::vector<SilhouetteRecord> crowd(600, SilhouetteRecord{0.0, 1});
    const SilhouetteLayout c = layoutSilhouettes(crowd, 1, 450, 250);
    ASSERT_EQ(c.bars.size(), 600u);
    for (const SilhouetteBar& bar : c.bars) {
        EXPECT_EQ(bar.rect.left, bar.rect.right);
        EXPECT_GT(bar.rect.bottom, bar.rect.top);
        EXPECT_LE(bar.rect.bottom, 250 - 35);
    }
}

TEST(R62Silhouettes, TheWindowGrowsWithTheLegend) {
    EXPECT_EQ(silhouetteMinimumHeight(2), 320);
    EXPECT_EQ(silhouetteMinimumHeight(14), 320);
    EXPECT_EQ(silhouetteMinimumHeight(15), 328);
    EXPECT_EQ(silhouetteMinimumHeight(40), 703);
}

TEST(R62ClassClusterTable, FourteenClassesAndSevenClustersNeedARowAndAColumnMore) {
    std::vector<int> category{0};
    std::vector<int> clusters{0};
    for (int i = 1; i <= 28; ++i) {
        category.push_back((i - 1) % 14 + 1);
        clusters.push_back((i - 1) % 7 + 1);
    }
    const ClassClusterGrid grid = classClusterTable(category, clusters, 14, 7);
    EXPECT_EQ(grid.rows, 15);
    EXPECT_EQ(grid.columns, 8);
    EXPECT_EQ(grid.cell(0, 0), "");
    EXPECT_EQ(grid.cell(0, 1), "Class 1");
    EXPECT_EQ(grid.cell(0, 14), "Class 14");
    EXPECT_EQ(grid.cell(1, 0), "Cluster 1");
    EXPECT_EQ(grid.cell(7, 0), "Cluster 7");
    // Samples 1 and 15 are class 1, clusters 1 and 1; sample 8: class 8, cluster 1.
    EXPECT_EQ(grid.cell(1, 1), "2");
    EXPECT_EQ(grid.cell(1, 8), "2");
    EXPECT_EQ(grid.cell(2, 1), "0");
    int total = 0;
    for (int r = 1; r <= 14; ++r)
        for (int c = 1; c <= 7; ++c) {
            ASSERT_FALSE(grid.cell(c, r).empty());
            total += std::stoi(grid.cell(c, r));
        }
    EXPECT_EQ(total, 28);
}

TEST(R62ClassClusterTable, SmallTablesKeepTheDefaultSize) {
    PerSample16 category;
    PerSample16 clusters;
    const int classes[] = {1, 1, 2, 2, 2};
    const int groups[] = {1, 2, 2, 2, 3};
    for (int i = 1; i <= 5; ++i) {
        category[i] = static_cast<int16_t>(classes[i - 1]);
        clusters[i] = static_cast<int16_t>(groups[i - 1]);
    }
    const ClassClusterGrid grid = classClusterTable(category, clusters, 5, 2, 3);
    EXPECT_EQ(grid.rows, 14);
    EXPECT_EQ(grid.columns, 7);
    EXPECT_EQ(grid.cell(1, 1), "1");
    EXPECT_EQ(grid.cell(2, 1), "1");
    EXPECT_EQ(grid.cell(3, 1), "0");
    EXPECT_EQ(grid.cell(1, 2), "0");
    EXPECT_EQ(grid.cell(2, 2), "2");
    EXPECT_EQ(grid.cell(3, 2), "1");
    // Nothing written beyond the classes and clusters.
    EXPECT_EQ(grid.cell(0, 3), "");
    EXPECT_EQ(grid.cell(4, 0), "");
    EXPECT_EQ(grid.cell(4, 1), "");
    EXPECT_EQ(grid.cell(1, 3), "");
}

namespace {

TEST(R62Silhouettes, TheLegendHidesNoBar) {
    // Cluster 1's few samples lie near 1.0 and their bars run under the legend
    // box at the top right: the scale then ends left of the legend.
    std::vector<SilhouetteRecord> records = recordsOf({{0.95, 1}, {0.9, 1}, {0.2, 2}, {0.1, 2}});
    SortSilhouettes(records);
    const SilhouetteLayout g = layoutSilhouettes(records, 2, 450, 250);
    EXPECT_EQ(g.oneX, g.legendBox.left - 10);
    EXPECT_EQ(g.oneLabel.x, g.oneX - 8);
    for (const SilhouetteBar& bar : g.bars) {
        const bool besideLegend = bar.rect.top < g.legendBox.bottom;
        if (besideLegend) {
            EXPECT_LE(bar.rect.right, g.legendBox.left);
        }
    }
    // The axis still runs across the picture.
    EXPECT_EQ(g.axes[0].to.x, 435);

    // Many clusters: a tall legend beside long bars.
    std::vector<SilhouetteRecord> many;
    for (int c = 1; c <= 10; ++c)
        for (int i = 0; i < 5; ++i) many.push_back({0.99 - 0.01 * i, static_cast<int16_t>(c)});
    SortSilhouettes(many);
    const SilhouetteLayout m = layoutSilhouettes(many, 10, 450, 300);
    for (const SilhouetteBar& bar : m.bars)
        if (bar.rect.top < m.legendBox.bottom && bar.rect.bottom > m.legendBox.top) {
            EXPECT_LE(bar.rect.right, m.legendBox.left);
        }
}

TEST(R62Silhouettes, TheNegativeSideOfTheAxisIsLabelledWithTheSmallestValue) {
    std::vector<SilhouetteRecord> records = recordsOf({{1.0, 1}, {-0.5, 2}, {0.25, 1}});
    SortSilhouettes(records);
    const SilhouetteLayout g = layoutSilhouettes(records, 2, 450, 250);
    EXPECT_EQ(g.smallestText, "-0.50");
    // Where the bar of the smallest value ends, with a tick like the others.
    EXPECT_EQ(g.smallestX, 20);
    EXPECT_EQ(g.smallestX, g.bars[2].rect.left);
    EXPECT_EQ(g.smallestLabel, (PixelPoint{20, 220}));
    EXPECT_EQ(g.axes.back().from, (PixelPoint{20, 220}));
    EXPECT_EQ(g.axes.back().to, (PixelPoint{20, 210}));

    // Its label stands left of "0.0"; one that would run into it is left out.
    EXPECT_EQ(smallestLabelX(g, 30), 5);
    const SilhouetteLayout tiny =
        layoutSilhouettes(recordsOf({{0.9, 1}, {-0.001, 2}, {0.5, 2}}), 2, 450, 250);
    EXPECT_EQ(tiny.smallestText, "-0.00");
    EXPECT_FALSE(smallestLabelX(tiny, 30).has_value());

    const SilhouetteLayout none = layoutSilhouettes(recordsOf({{0.5, 1}}), 1, 450, 250);
    EXPECT_TRUE(none.smallestText.empty());
    EXPECT_FALSE(smallestLabelX(none, 30).has_value());
    EXPECT_EQ(none.axes.size(), 5u);
}

}  // namespace
