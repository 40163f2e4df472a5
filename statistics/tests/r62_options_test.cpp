#include "statistics/core/r62_options.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

TEST(R62Options, StartFromTheBuiltInValues) {
    const R62Options options;
    EXPECT_EQ(options.StandardizeData, 0);
    EXPECT_EQ(options.GLayer, 1);
    EXPECT_EQ(options.HLayer, 2);
    EXPECT_EQ(options.eta, 0.15);
    EXPECT_EQ(options.bpIterLimit, 150000);
    EXPECT_EQ(options.optyIterLimit, 50);
    EXPECT_EQ(options.SelectedCategory, 1);
    EXPECT_EQ(options.ClustNo, 2);
    EXPECT_EQ(options.DistanceMetric, 0);
    EXPECT_EQ(options.LinkageMethod, 0);
}

TEST(R62Options, ProcessOptionsResetToTheBuiltInValues) {
    R62Options& options = r62Options();
    options.GLayer = 9;
    options.eta = 0.5;
    options.StandardizeData = 1;
    resetR62Options();
    EXPECT_EQ(r62Options().GLayer, 1);
    EXPECT_EQ(r62Options().eta, 0.15);
    EXPECT_EQ(r62Options().StandardizeData, 0);
}

enum class Edit { GLayer, HLayer, Eta, BpIter, OptyIter, SelCategory, ClustNo };

struct FilterCase {
    Edit edit;
    const char* text;
    EditAction action;
    double value;  // stored value for Accept and Reset
};

void PrintTo(const FilterCase& c, std::ostream* os) {
    *os << "edit " << static_cast<int>(c.edit) << " \"" << c.text << "\"";
}

// Loaded data for the edits that depend on it: 3 categories, 20 samples.
EditOutcome run(Edit edit, const char* text) {
    switch (edit) {
        case Edit::GLayer:
            return filterGLayerEdit(text);
        case Edit::HLayer:
            return filterHLayerEdit(text);
        case Edit::Eta:
            return filterEtaEdit(text);
        case Edit::BpIter:
            return filterBpIterEdit(text);
        case Edit::OptyIter:
            return filterOptyIterEdit(text);
        case Edit::SelCategory:
            return filterSelCategoryEdit(text, 3);
        case Edit::ClustNo:
            return filterClustNoEdit(text, 20);
    }
    return {};
}

class R62EditFilter : public ::testing::TestWithParam<FilterCase> {};

TEST_P(R62EditFilter, TakesOnlyWhatTheEditAccepts) {
    const FilterCase& c = GetParam();
    const EditOutcome outcome = run(c.edit, c.text);
    EXPECT_EQ(outcome.action, c.action);
    if (c.action == EditAction::Ignore) return;
    if (c.edit == Edit::Eta)
        EXPECT_EQ(outcome.realValue, c.value);
    else
        EXPECT_EQ(outcome.value, static_cast<int>(c.value));
}

constexpr EditAction kIgnore = EditAction::Ignore;
constexpr EditAction kAccept = EditAction::Accept;
constexpr EditAction kReset = EditAction::Reset;

INSTANTIATE_TEST_SUITE_P(
    EveryEdit, R62EditFilter,
    ::testing::Values(
        FilterCase{Edit::GLayer, "1", kAccept, 1}, FilterCase{Edit::GLayer, "10", kAccept, 10},
        FilterCase{Edit::GLayer, "16", kAccept, 16}, FilterCase{Edit::GLayer, "17", kReset, 1},
        FilterCase{Edit::GLayer, "0", kReset, 1}, FilterCase{Edit::GLayer, "00", kReset, 1},
        FilterCase{Edit::GLayer, "05", kAccept, 5}, FilterCase{Edit::GLayer, "", kIgnore, 0},
        FilterCase{Edit::GLayer, "100", kIgnore, 0}, FilterCase{Edit::GLayer, "1a", kIgnore, 0},
        FilterCase{Edit::GLayer, " 5", kIgnore, 0}, FilterCase{Edit::GLayer, "-1", kIgnore, 0},
        FilterCase{Edit::HLayer, "2", kAccept, 2}, FilterCase{Edit::HLayer, "3", kAccept, 3},
        FilterCase{Edit::HLayer, "4", kReset, 2}, FilterCase{Edit::HLayer, "1", kReset, 2},
        FilterCase{Edit::HLayer, "02", kIgnore, 0}, FilterCase{Edit::HLayer, "x", kIgnore, 0},
        FilterCase{Edit::Eta, "0.5", kAccept, 0.5}, FilterCase{Edit::Eta, "0.01", kAccept, 0.01},
        FilterCase{Edit::Eta, "0.99", kAccept, 0.99}, FilterCase{Edit::Eta, ".50", kAccept, 0.5},
        FilterCase{Edit::Eta, ".5", kIgnore, 0}, FilterCase{Edit::Eta, "1.0", kIgnore, 0},
        FilterCase{Edit::Eta, "0.009", kIgnore, 0}, FilterCase{Edit::Eta, "0..5", kIgnore, 0},
        FilterCase{Edit::Eta, "0.5.", kIgnore, 0}, FilterCase{Edit::Eta, "...", kIgnore, 0},
        FilterCase{Edit::Eta, "0,5", kIgnore, 0}, FilterCase{Edit::Eta, "5e-1", kIgnore, 0},
        FilterCase{Edit::Eta, "-0.5", kIgnore, 0},
        FilterCase{Edit::BpIter, "50000", kAccept, 50000},
        FilterCase{Edit::BpIter, "1000000", kAccept, 1000000},
        FilterCase{Edit::BpIter, "40000", kIgnore, 0},
        FilterCase{Edit::BpIter, "1000001", kIgnore, 0},
        FilterCase{Edit::BpIter, "00050000", kIgnore, 0},
        FilterCase{Edit::BpIter, "0050000", kAccept, 50000},
        FilterCase{Edit::BpIter, "5", kIgnore, 0}, FilterCase{Edit::OptyIter, "1", kAccept, 1},
        FilterCase{Edit::OptyIter, "1000", kAccept, 1000},
        FilterCase{Edit::OptyIter, "1001", kIgnore, 0}, FilterCase{Edit::OptyIter, "0", kIgnore, 0},
        FilterCase{Edit::OptyIter, "01000", kIgnore, 0},
        FilterCase{Edit::SelCategory, "1", kAccept, 1},
        FilterCase{Edit::SelCategory, "3", kAccept, 3},
        FilterCase{Edit::SelCategory, "4", kIgnore, 0},
        FilterCase{Edit::SelCategory, "0", kIgnore, 0},
        FilterCase{Edit::SelCategory, "01", kIgnore, 0}, FilterCase{Edit::ClustNo, "2", kAccept, 2},
        FilterCase{Edit::ClustNo, "20", kAccept, 20}, FilterCase{Edit::ClustNo, "25", kIgnore, 0},
        FilterCase{Edit::ClustNo, "1", kIgnore, 0}, FilterCase{Edit::ClustNo, "100", kIgnore, 0}));

TEST(R62EditFilter, HiddenLayerMessages) {
    const EditOutcome g = filterGLayerEdit("17");
    EXPECT_EQ(g.message,
              "The number of 1st hidden layer neurons should be \rin the range from 1 to 16.");
    EXPECT_EQ(g.resetText, "1");
    const EditOutcome h = filterHLayerEdit("4");
    EXPECT_EQ(h.message,
              "The number of 2nd hidden layer neurons should be \rin the range from 2 to 3.");
    EXPECT_EQ(h.resetText, "2");
    EXPECT_TRUE(filterBpIterEdit("1").message.empty());
}

TEST(R62EditFilter, DataDependentLimits) {
    EXPECT_EQ(filterSelCategoryEdit("1", 0).action, kIgnore);  // nothing before a load
    EXPECT_EQ(filterSelCategoryEdit("9", 40).action, kAccept);
    EXPECT_EQ(filterClustNoEdit("40", 2000).action, kAccept);
    EXPECT_EQ(filterClustNoEdit("41", 2000).action, kIgnore);
    EXPECT_EQ(filterClustNoEdit("2", 0).action, kIgnore);
}

TEST(R62EditFilter, ChangesStoreAcceptedAndResetValuesOnly) {
    R62Options options;
    GLayerEditChange(options, "10");
    EXPECT_EQ(options.GLayer, 10);
    EXPECT_EQ(GLayerEditChange(options, "17").action, kReset);
    EXPECT_EQ(options.GLayer, 1);
    HLayerEditChange(options, "3");
    HLayerEditChange(options, "9");
    EXPECT_EQ(options.HLayer, 2);
    bpetaEditChange(options, "0.42");
    bpetaEditChange(options, "1.0");
    EXPECT_EQ(options.eta, 0.42);
    bpIterEditChange(options, "60000");
    bpIterEditChange(options, "600");
    EXPECT_EQ(options.bpIterLimit, 60000);
    optyIterEditChange(options, "7");
    EXPECT_EQ(options.optyIterLimit, 7);
    SelCategoryEditChange(options, "2", 3);
    SelCategoryEditChange(options, "5", 3);
    EXPECT_EQ(options.SelectedCategory, 2);
    ClustNoEditChange(options, "12", 20);
    ClustNoEditChange(options, "25", 20);
    EXPECT_EQ(options.ClustNo, 12);
}

TEST(R62EditFilter, TextsShownForValues) {
    EXPECT_EQ(etaEditText(0.15), "0.15");
    EXPECT_EQ(etaEditText(0.5), "0.50");
    EXPECT_EQ(integerEditText(150000), "150000");
}

TEST(R62FeatureList, ShowsDeclaredFeaturesAndStoresTheChecks) {
    auto data = std::make_unique<R62DataSet>();
    EXPECT_TRUE(featureListItems(*data).empty());
    applyFeatureChecks(*data, {});
    EXPECT_EQ(data->FeatureSelected[1], 0);

    data->FeatureCount = 3;
    data->FeatureName[1] = "Mean";
    data->FeatureName[2] = "Variance";
    data->FeatureName[3] = "Skewness";
    data->FeatureSelected[1] = data->FeatureSelected[2] = data->FeatureSelected[3] = 1;
    applyFeatureChecks(*data, {true, false, true});
    const std::vector<FeatureListItem> items = featureListItems(*data);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[1].name, "Variance");
    EXPECT_FALSE(items[1].checked);
    EXPECT_TRUE(items[2].checked);
    EXPECT_THROW(applyFeatureChecks(*data, std::vector<bool>(31, true)), RangeCheckError);
}

}  // namespace
