#include "analysis/core/maps/feature_map_list.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <utility>
#include <vector>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

class FeatureMaps : public ::testing::Test {
  protected:
    void SetUp() override { resetFeatureMaps(); }
    void TearDown() override { resetFeatureMaps(); }

    static FeatureMap* add(const std::vector<double>& v, std::string_view name = "map") {
        return AddFeatureMap(name, v.data(), static_cast<int>(v.size()), 1);
    }
    static std::pair<double, double> range(const std::vector<double>& v) {
        FeatureMap* map = add(v);
        EXPECT_EQ(map->displayLow, map->min);
        EXPECT_EQ(map->displayHigh, map->max);
        return {map->min, map->max};
    }
};
using FeatureMapAdding = FeatureMaps;
using FeatureMapList = FeatureMaps;
using Range = std::pair<double, double>;

TEST_F(FeatureMapAdding, ANewMapIsAnUnsavedCopyLaidOutRowByRow) {
    std::vector<double> values = {0, 1, 2, 10, 11, 12};  // 3 wide, 2 high
    FeatureMap* map = AddFeatureMap(std::string(300, 'w'), values.data(), 3, 2);
    values[4] = 99;  // the producer frees its buffer afterwards
    EXPECT_EQ(map->name, std::string(255, 'w'));
    EXPECT_EQ(map->saved, 0u);
    EXPECT_EQ(map->at(2, 0), 2);
    EXPECT_EQ(map->at(1, 1), 11);
}

TEST_F(FeatureMapAdding, TheRangeCoversTheFiniteValuesAndIsNeverEmpty) {
    EXPECT_EQ(range({3, -2, kInf, 8, kNaN, -kInf}), Range(-2, 8));
    // A missing first value (an AR map's corner) does not pull the range to 0.
    EXPECT_EQ(range({kInf, 5, 7}), Range(5, 7));
    EXPECT_EQ(range({kNaN, -3, -1}), Range(-3, -1));
    EXPECT_EQ(range({2.5, 2.5, kInf}), Range(1.5, 3.5));
    EXPECT_EQ(range({kInf, kInf}), Range(-1, 1));
    EXPECT_EQ(range({}), Range(-1, 1));  // an empty map has no first value to read
}

TEST_F(FeatureMapAdding, ImpossibleSizesAddNothing) {
    double v = 1;
    EXPECT_EQ(AddFeatureMap("negative", &v, -1, 1), nullptr);
    EXPECT_EQ(AddFeatureMap("no values", nullptr, 2, 2), nullptr);
    EXPECT_EQ(AddFeatureMap("huge", &v, 1 << 16, 1 << 16), nullptr);
    EXPECT_EQ(featureMapCount(), 0);
}

TEST_F(FeatureMapList, MapListAtCountsFromZeroAndGivesTheLastPastTheEnd) {
    EXPECT_EQ(MapListAt(0), nullptr);
    FeatureMap* a = add({1}, "a");
    FeatureMap* b = add({1}, "b");
    FeatureMap* c = add({1}, "c");
    EXPECT_EQ(MapListAt(0), a);
    EXPECT_EQ(MapListAt(1), b);
    EXPECT_EQ(MapListAt(3), c);
    EXPECT_EQ(MapListAt(1000), c);
}

TEST_F(FeatureMapList, ClosingAMapKeepsTheOthersAndTheUnsavedCount) {
    FeatureMap* a = add({1}, "a");
    FeatureMap* b = add({2}, "b");
    FeatureMap* c = add({3}, "c");
    EXPECT_EQ(unsavedFeatureMapCount(), 3);
    a->saved = 1;
    EXPECT_TRUE(deleteFeatureMap(b));
    EXPECT_FALSE(deleteFeatureMap(b));
    EXPECT_EQ(MapListAt(1), c);
    EXPECT_EQ(c->name, "c");
    EXPECT_EQ(unsavedFeatureMapCount(), 1);
}

}  // namespace
