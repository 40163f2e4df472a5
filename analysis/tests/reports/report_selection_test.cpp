#include "analysis/core/reports/report_selection.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

ReportDocument* addDocument(std::initializer_list<const char*> names) {
    std::vector<FeatureRecord> records;
    for (const char* name : names) {
        FeatureRecord record;
        setRecordName(record, name);
        record.values[0] = 1.0;
        records.push_back(record);
    }
    return NewReportDocument(static_cast<int>(records.size()), records.data(), "", "doc");
}

class ReportSelectionTest : public ::testing::Test {
  protected:
    void TearDown() override { resetReportDocuments(); }
};

TEST_F(ReportSelectionTest, ToggleFlipsACheckForEveryDocument) {
    addDocument({"_Area", "Mean", "Only"});
    addDocument({"_Area", "Mean"});
    EXPECT_EQ(FeatureNameState("Mean"), kFeatureChecked);
    EXPECT_EQ(toggleFeatureCheck("Mean"), kFeatureUnchecked);
    EXPECT_EQ(featureNameUses("Mean"), -2);
    EXPECT_EQ(toggleFeatureCheck("Mean"), kFeatureChecked);
    EXPECT_EQ(featureNameUses("Mean"), 2);
}

TEST_F(ReportSelectionTest, PartialAndAuxiliaryNamesCannotBeToggled) {
    addDocument({"_Area", "Mean", "Only"});
    addDocument({"_Area", "Mean"});
    EXPECT_EQ(toggleFeatureCheck("Only"), kFeaturePartial);
    EXPECT_EQ(featureNameUses("Only"), 1);  // the hidden sign stays as well
    EXPECT_EQ(toggleFeatureCheck("_Area"), kFeatureUnknown);
    EXPECT_EQ(setFeatureChecked("Only", false), kFeaturePartial);
    EXPECT_EQ(featureNameUses("Only"), 1);
}

TEST_F(ReportSelectionTest, SetCheckedChangesOnlyTheOppositeState) {
    addDocument({"A", "B"});
    EXPECT_EQ(setFeatureChecked("A", true), kFeatureChecked);
    EXPECT_EQ(setFeatureChecked("A", false), kFeatureUnchecked);
    EXPECT_EQ(setFeatureChecked("A", false), kFeatureUnchecked);
    EXPECT_EQ(setFeatureChecked("A", true), kFeatureChecked);
}

TEST_F(ReportSelectionTest, InvertFlipsEachNameOnceEvenWhenItRepeats) {
    ReportDocument* a = addDocument({"_Area", "A", "B", "Only"});
    ReportDocument* b = addDocument({"_Area", "A", "B"});
    selectFeatureName("B", false);
    // After aggregation a document holds every name twice.
    ASSERT_TRUE(MergeReportDocuments(a, b));
    DeleteReportDocument(1);
    ReportDocument* c = addDocument({"_Area", "A", "B"});
    ASSERT_EQ(reportDocumentCount(), 2);
    EXPECT_EQ(FeatureNameState("Only"), kFeaturePartial);

    invertFeatureChecks(*a);
    EXPECT_EQ(FeatureNameState("A"), kFeatureUnchecked);
    EXPECT_EQ(FeatureNameState("B"), kFeatureChecked);
    EXPECT_EQ(featureNameUses("Only"), 1);

    invertFeatureChecks(*c);
    EXPECT_EQ(FeatureNameState("A"), kFeatureChecked);
    EXPECT_EQ(FeatureNameState("B"), kFeatureUnchecked);
}

}  // namespace
