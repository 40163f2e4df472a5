#include "analysis/core/reports/report_classes.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// A document whose columns 1..usedColumns hold pixels; the others are empty.
ReportDocument* addDocument(const std::string& name, int usedColumns) {
    std::vector<FeatureRecord> records(2);
    setRecordName(records[0], "_Area");
    setRecordName(records[1], "Mean");
    for (int k = 0; k < usedColumns; ++k) {
        records[0].values[static_cast<size_t>(k)] = 100.0;
        records[1].values[static_cast<size_t>(k)] = 1.5;
    }
    ReportDocument* document = NewReportDocument(2, records.data(), "header\r\n", name);
    document->saved = 1;
    return document;
}

ClassNameEdit edit(const std::string& name, int use, int scope) {
    ClassNameEdit result;
    result.name = name;
    result.use = use;
    result.scope = scope;
    return result;
}

class ReportClassesTest : public ::testing::Test {
  protected:
    void TearDown() override { resetReportDocuments(); }
};

TEST_F(ReportClassesTest, AnUnnamedColumnIsKnownByItsNumber) {
    ReportDocument* a = addDocument("a", 4);
    EXPECT_EQ(columnClassKey(*a, 3), "3");
    a->roiName[2] = "healthy";
    EXPECT_EQ(columnClassKey(*a, 3), "healthy");
    EXPECT_EQ(columnClassKey(*a, 16), "16");
}

TEST_F(ReportClassesTest, ClassScopeMatchesUnnamedColumnsByNumberInEveryDocument) {
    ReportDocument* a = addDocument("a", 4);
    ReportDocument* b = addDocument("b", 4);
    ReportDocument* c = addDocument("c", 4);
    c->roiName[0] = "3";  // column 1 named "3" belongs to the class of the unnamed columns 3
    c->roiName[2] = "other";

    ASSERT_TRUE(applyClassNameEdit(*a, 3, edit("tumour", 0, kClassScopeClass)));

    for (ReportDocument* d : {a, b}) {
        EXPECT_EQ(d->roiName[2], "tumour");
        EXPECT_EQ(d->roiState[2], kRoiExcluded);
        EXPECT_EQ(d->saved, 0u);
        EXPECT_EQ(d->roiName[1], "");  // other columns stay
        EXPECT_EQ(d->roiState[1], kRoiUsed);
    }
    EXPECT_EQ(c->roiName[0], "tumour");
    EXPECT_EQ(c->roiState[0], kRoiExcluded);
    EXPECT_EQ(c->roiName[2], "other");  // named otherwise: another class
    EXPECT_EQ(c->roiState[2], kRoiUsed);
    EXPECT_EQ(c->saved, 0u);
}

TEST_F(ReportClassesTest, ClassScopeLeavesDocumentsWithoutTheClassSaved) {
    ReportDocument* a = addDocument("a", 4);
    ReportDocument* b = addDocument("b", 4);
    b->roiName[1] = "two";
    ReportDocument* c = addDocument("c", 4);

    ASSERT_TRUE(applyClassNameEdit(*b, 2, edit("second", 1, kClassScopeClass)));
    EXPECT_EQ(b->roiName[1], "second");
    EXPECT_EQ(b->saved, 0u);
    // Their column 2 is the class "2", not "two".
    for (ReportDocument* d : {a, c}) {
        EXPECT_EQ(d->roiName[1], "");
        EXPECT_EQ(d->saved, 1u);
    }
}

TEST_F(ReportClassesTest, ClassScopeChangingOnlyTheUseKeepsTheSavedFlag) {
    ReportDocument* a = addDocument("a", 4);
    ReportDocument* b = addDocument("b", 4);
    a->roiName[0] = b->roiName[0] = "healthy";
    ASSERT_TRUE(applyClassNameEdit(*a, 1, edit("healthy", 0, kClassScopeClass)));
    for (ReportDocument* d : {a, b}) {
        EXPECT_EQ(d->roiState[0], kRoiExcluded);
        EXPECT_EQ(d->saved, 1u);
    }
}

TEST_F(ReportClassesTest, ColumnScopeRenamingToTheSameNameKeepsTheSavedFlag) {
    ReportDocument* a = addDocument("a", 4);
    a->roiName[1] = "healthy";
    ASSERT_TRUE(applyClassNameEdit(*a, 2, edit("healthy", 1, kClassScopeColumn)));
    EXPECT_EQ(a->saved, 1u);
    EXPECT_EQ(a->roiName[1], "healthy");
}

TEST_F(ReportClassesTest, ColumnScopeChangingOnlyTheUseKeepsTheSavedFlag) {
    ReportDocument* a = addDocument("a", 4);
    ASSERT_TRUE(applyClassNameEdit(*a, 2, edit("", 0, kClassScopeColumn)));
    EXPECT_EQ(a->roiState[1], kRoiExcluded);
    EXPECT_EQ(a->saved, 1u);
    ASSERT_TRUE(applyClassNameEdit(*a, 2, edit("", 1, kClassScopeColumn)));
    EXPECT_EQ(a->roiState[1], kRoiUsed);
    EXPECT_EQ(a->saved, 1u);
}

TEST_F(ReportClassesTest, ColumnScopeRenamingClearsTheSavedFlagOfThatDocumentOnly) {
    ReportDocument* a = addDocument("a", 4);
    ReportDocument* b = addDocument("b", 4);
    ASSERT_TRUE(applyClassNameEdit(*a, 3, edit("tumour", 1, kClassScopeColumn)));
    EXPECT_EQ(a->roiName[2], "tumour");
    EXPECT_EQ(a->saved, 0u);
    EXPECT_EQ(b->roiName[2], "");
    EXPECT_EQ(b->saved, 1u);
    for (int k = 1; k <= kRoiCount; ++k) {
        if (k != 3) {
            EXPECT_EQ(a->roiName[static_cast<size_t>(k - 1)], "") << k;
        }
    }
}

TEST_F(ReportClassesTest, NoScopeActsOnTheColumnOnly) {
    ReportDocument* a = addDocument("a", 4);
    ASSERT_TRUE(applyClassNameEdit(*a, 1, edit("x", 1, kClassScopeNone)));
    EXPECT_EQ(a->roiName[0], "x");
    EXPECT_EQ(a->roiName[1], "");
}

TEST_F(ReportClassesTest, DocumentScopeNamesEveryNonEmptyColumnAndClearsSaved) {
    ReportDocument* a = addDocument("a", 3);
    ReportDocument* b = addDocument("b", 3);
    a->roiState[1] = kRoiExcluded;
    ASSERT_TRUE(applyClassNameEdit(*a, 1, edit("all", 1, kClassScopeDocument)));
    for (int k = 1; k <= 3; ++k) {
        EXPECT_EQ(a->roiName[static_cast<size_t>(k - 1)], "all") << k;
        EXPECT_EQ(a->roiState[static_cast<size_t>(k - 1)], kRoiUsed) << k;
    }
    EXPECT_EQ(a->saved, 0u);
    EXPECT_EQ(b->roiName[0], "");
    EXPECT_EQ(b->saved, 1u);
}

TEST_F(ReportClassesTest, EmptyColumnsNeverChange) {
    ReportDocument* a = addDocument("a", 2);
    ReportDocument* b = addDocument("b", 5);
    EXPECT_EQ(a->roiState[2], kRoiEmpty);

    // A click on an empty column does nothing at all.
    EXPECT_FALSE(applyClassNameEdit(*a, 3, edit("x", 1, kClassScopeColumn)));
    EXPECT_FALSE(applyClassNameEdit(*a, 3, edit("x", 1, kClassScopeDocument)));
    EXPECT_EQ(a->roiName[2], "");
    EXPECT_EQ(a->saved, 1u);

    // The class "3" reaches b's column 3, not a's empty one.
    ASSERT_TRUE(applyClassNameEdit(*b, 3, edit("x", 0, kClassScopeClass)));
    EXPECT_EQ(a->roiName[2], "");
    EXPECT_EQ(a->roiState[2], kRoiEmpty);
    EXPECT_EQ(a->saved, 1u);
    EXPECT_EQ(b->roiName[2], "x");

    ASSERT_TRUE(applyClassNameEdit(*a, 1, edit("y", 0, kClassScopeDocument)));
    for (int k = 3; k <= kRoiCount; ++k) {
        EXPECT_EQ(a->roiName[static_cast<size_t>(k - 1)], "") << k;
        EXPECT_EQ(a->roiState[static_cast<size_t>(k - 1)], kRoiEmpty) << k;
    }
}

TEST_F(ReportClassesTest, ACancelledEditOrAColumnOutOfRangeChangesNothing) {
    ReportDocument* a = addDocument("a", 4);
    EXPECT_FALSE(applyClassNameEdit(*a, 1, edit("x", -1, kClassScopeDocument)));
    EXPECT_FALSE(applyClassNameEdit(*a, 0, edit("x", 1, kClassScopeColumn)));
    EXPECT_FALSE(applyClassNameEdit(*a, 17, edit("x", 1, kClassScopeColumn)));
    for (const std::string& name : a->roiName) EXPECT_EQ(name, "");
    EXPECT_EQ(a->saved, 1u);
}

TEST_F(ReportClassesTest, LongNamesAreCutTo255BytesAtACharacterBoundary) {
    ReportDocument* a = addDocument("a", 4);
    ASSERT_TRUE(applyClassNameEdit(*a, 1, edit(std::string(300, 'n'), 1, kClassScopeColumn)));
    EXPECT_EQ(a->roiName[0], std::string(255, 'n'));
    // 254 ASCII bytes and a two-byte character that would straddle the limit.
    ASSERT_TRUE(applyClassNameEdit(
        *a, 2, edit(std::string(254, 'n') + "\xC3\xA9" + "x", 1, kClassScopeColumn)));
    EXPECT_EQ(a->roiName[1], std::string(254, 'n'));
}

}  // namespace
