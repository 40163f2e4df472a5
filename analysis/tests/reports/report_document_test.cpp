#include "analysis/core/reports/report_document.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <limits>
#include <new>
#include <string>
#include <utility>
#include <vector>

// Allocation failure injection: while armed, operator new lets a number of
// allocations through and then fails like an exhausted heap. Every form that
// can meet a plain delete is replaced so that allocation and release pair.
namespace {
long allocationsBeforeFailure = -1;  // negative: never fail

void* allocate(std::size_t size) {
    if (allocationsBeforeFailure == 0) return nullptr;
    if (allocationsBeforeFailure > 0) --allocationsBeforeFailure;
    return std::malloc(size != 0 ? size : 1);
}
// Out of line, or the compiler sees free() meet operator new's pointer and warns.
[[gnu::noinline]] void release(void* p) noexcept {
    std::free(p);
}
}  // namespace

void* operator new(std::size_t size) {
    if (void* p = allocate(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return allocate(size);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    release(p);
}

namespace {

using Registry = std::vector<std::pair<std::string, int>>;

FeatureRecord record(std::string_view name, double value = 1.0) {
    FeatureRecord r;
    setRecordName(r, name);
    r.values.fill(value);
    return r;
}

ReportDocument* newDocument(const std::vector<FeatureRecord>& recs, std::string_view name = "d") {
    return NewReportDocument(static_cast<int>(recs.size()), recs.data(), "header", name);
}

ReportDocument* newDocument(std::initializer_list<std::string_view> names,
                            std::string_view name = "d") {
    std::vector<FeatureRecord> recs;
    for (std::string_view n : names) recs.push_back(record(n));
    return newDocument(recs, name);
}

// The registry as (name, signed count) in its own order.
Registry registry() {
    Registry entries;
    for (int i = 0; i < featureNameCount(); ++i)
        entries.emplace_back(featureNameAt(i), featureNameUses(featureNameAt(i)));
    return entries;
}

// Runs op with every allocation point failing in turn until it succeeds;
// after each failure `unchanged` must hold. Returns the number of failures.
int failEachAllocation(const std::function<bool()>& op, const std::function<void()>& unchanged) {
    for (long allowed = 0; allowed < 1000; ++allowed) {
        allocationsBeforeFailure = allowed;
        bool done = op();
        allocationsBeforeFailure = -1;
        if (done) return static_cast<int>(allowed);
        unchanged();
    }
    return -1;
}

class ReportDocuments : public ::testing::Test {
  protected:
    void SetUp() override { resetReportDocuments(); }
    void TearDown() override { resetReportDocuments(); }
};
using DocumentList = ReportDocuments;
using DocumentRoiStates = ReportDocuments;
using ReportFeatureNames = ReportDocuments;

TEST_F(DocumentList, AnEmptyListHasNoDocument) {
    EXPECT_EQ(NthReportDocument(0), nullptr);
    EXPECT_EQ(NextReportDocument(nullptr, nullptr), nullptr);
    EXPECT_EQ(DeleteReportDocument(0), nullptr);
}

TEST_F(DocumentList, DocumentsKeepCreationOrderAndDeletionNamesTheNewCurrent) {
    ReportDocument* a = newDocument({"X"}, "a");
    ReportDocument* b = newDocument({"X"}, "b");
    ReportDocument* c = newDocument({"X"}, "c");
    ReportDocument* d = newDocument({"X"}, std::string(300, 'd'));
    EXPECT_EQ(d->name, std::string(255, 'd'));
    EXPECT_EQ(NthReportDocument(2), c);
    EXPECT_EQ(NthReportDocument(99), d);
    std::string name;
    EXPECT_EQ(NextReportDocument(a, &name), b);
    EXPECT_EQ(name, "b");

    EXPECT_EQ(DeleteReportDocument(2), b);   // middle: the predecessor
    EXPECT_EQ(DeleteReportDocument(0), b);   // head: the successor
    EXPECT_EQ(DeleteReportDocument(99), b);  // past the end: the tail goes, predecessor
    EXPECT_EQ(b->next(), nullptr);
    EXPECT_EQ(DeleteReportDocument(0), nullptr);  // the only one
    EXPECT_EQ(reportDocumentCount(), 0);
    EXPECT_EQ(featureNameCount(), 0);
}

TEST_F(DocumentList, UnsavedDocumentsAreCounted) {
    newDocument({"X"})->saved = 1;
    newDocument({"X"});
    newDocument({"X"});
    EXPECT_EQ(unsavedReportCount(), 2);
}

TEST_F(DocumentList, RecordNamesKeepAtMost31Characters) {
    FeatureRecord r;
    setRecordName(r, "R_" + std::string(30, 'x'));  // a prefixed 30-character name
    EXPECT_EQ(recordName(r), "R_" + std::string(29, 'x'));
    r.name.fill('y');  // a producer that wrote no terminator
    EXPECT_EQ(recordName(newDocument({r})->records[0]), std::string(31, 'y'));
    EXPECT_EQ(featureNameAt(0), std::string(31, 'y'));
}

TEST_F(DocumentRoiStates, AZeroAreaOrNoRecordAtAllMarksColumnsEmpty) {
    std::vector<FeatureRecord> recs = {record("_Area", 50.0), record("Mean")};
    recs[0].values[4] = 0.0;  // ROI 5
    recs[0].values[6] = std::numeric_limits<double>::quiet_NaN();
    recs[0].values[7] = kMissingValue;
    ReportDocument* doc = newDocument(recs);
    for (size_t k = 0; k < kRoiCount; ++k)
        EXPECT_EQ(doc->roiState[k], k == 4 || k == 6 ? kRoiEmpty : kRoiUsed) << k;

    ReportDocument* none = NewReportDocument(0, nullptr, "", "none");
    for (int32_t state : none->roiState) EXPECT_EQ(state, kRoiEmpty);
}

// Shape records come first; the mean column of a ROI drawn in column 0 is 0.
TEST_F(DocumentRoiStates, TheAreaRecordDecidesEvenBehindShapeRecords) {
    std::vector<FeatureRecord> recs = {record("GeoX", 12.0), record("_Area", 40.0)};
    recs[0].values[0] = 0.0;
    recs[1].values[2] = 0.0;
    ReportDocument* doc = newDocument(recs);
    EXPECT_EQ(doc->roiState[0], kRoiUsed);
    EXPECT_EQ(doc->roiState[2], kRoiEmpty);

    setRecordName(recs[1], "_R_Area");  // after a red-channel run
    EXPECT_EQ(newDocument(recs)->roiState[0], kRoiUsed);

    setRecordName(recs[1], "_AreaGr");  // not the ROI area: the first record decides
    EXPECT_EQ(newDocument(recs)->roiState[0], kRoiEmpty);
}

TEST_F(ReportFeatureNames, AuxiliaryNamesNeverEnterAndOthersKeepFirstAppearanceOrder) {
    newDocument({"Zeta", "_Area", "_MinNorm", "Alpha"}, "a");
    newDocument({"Beta", "Alpha", "Zeta"}, "b");
    EXPECT_EQ(registry(), (Registry{{"Zeta", 2}, {"Alpha", 2}, {"Beta", 1}}));
    EXPECT_EQ(FeatureNameState("_Area"), kFeatureUnknown);
    EXPECT_EQ(FeatureNameState("_MinNorm"), kFeatureUnknown);
    EXPECT_FALSE(selectFeatureName("_Area", true));
    EXPECT_FALSE(selectFeatureNameAt(3, true));
}

TEST_F(ReportFeatureNames, TheCheckMarkBelongsToTheNameAcrossDocuments) {
    newDocument({"X", "Y"}, "a");
    newDocument({"X", "Y"}, "b");
    EXPECT_EQ(registry(), (Registry{{"X", 2}, {"Y", 2}}));
    EXPECT_EQ(FeatureNameState("X"), kFeatureChecked);

    EXPECT_TRUE(selectFeatureName("X", false));
    EXPECT_EQ(featureNameUses("X"), -2);
    EXPECT_EQ(FeatureNameState("X"), kFeatureUnchecked);

    DeleteReportDocument(1);
    EXPECT_EQ(reportDocumentCount(), 1);
    EXPECT_EQ(featureNameUses("X"), -1);
    EXPECT_EQ(FeatureNameState("X"), kFeatureUnchecked);

    newDocument({"X"});  // a new record of an unchecked name stays unchecked
    EXPECT_EQ(featureNameUses("X"), -2);
    EXPECT_EQ(deselectAllFeatureNames(), 2);
    EXPECT_EQ(featureNameStateAt(1), kFeaturePartial);  // Y is in one document of two
    EXPECT_EQ(selectAllFeatureNames(), 2);
    EXPECT_EQ(registry(), (Registry{{"X", 2}, {"Y", 1}}));
    EXPECT_EQ(featureNameStateAt(1), kFeaturePartial);
}

TEST_F(ReportFeatureNames, AggregatingKeepsTheCountsOfTheRecordsLeft) {
    ReportDocument* a = newDocument({"X", "Z"}, "A");
    ReportDocument* b = newDocument({"X", "Y"}, "B");
    a->header = "run A";
    b->header = "run B";
    a->roiState[5] = kRoiExcluded;
    ASSERT_TRUE(MergeReportDocuments(a, b));
    EXPECT_EQ(DeleteReportDocument(1), a);

    EXPECT_EQ(registry(), (Registry{{"X", 2}, {"Z", 1}, {"Y", 1}}));
    EXPECT_EQ(reportDocumentCount(), 1);
    EXPECT_EQ(a->header, "run A\r\n\r\nrun B");
    ASSERT_EQ(a->recordCount(), 4);
    EXPECT_EQ(recordName(a->records[3]), "Y");
    EXPECT_EQ(a->roiState[5], kRoiExcluded);
    EXPECT_FALSE(MergeReportDocuments(a, a));
}

TEST_F(ReportDocuments, RunningOutOfMemoryLeavesListAndRegistryAsTheyWere) {
    ReportDocument* a = newDocument({"_Area", "Shared", "OnlyA"}, "A");
    selectFeatureName("OnlyA", false);
    a->header = "run A";
    const Registry before = registry();
    std::vector<FeatureRecord> recs = {record("Shared"), record("New1"), record("New2")};

    ReportDocument* b = nullptr;
    int failures = failEachAllocation([&] { return (b = newDocument(recs, "B")) != nullptr; },
                                      [&] {
                                          EXPECT_EQ(reportDocumentCount(), 1);
                                          EXPECT_EQ(a->next(), nullptr);
                                          EXPECT_EQ(registry(), before);
                                      });
    EXPECT_GT(failures, 2);
    EXPECT_EQ(a->next(), b);

    const Registry withB = registry();
    failures = failEachAllocation([&] { return MergeReportDocuments(a, b); },
                                  [&] {
                                      EXPECT_EQ(a->header, "run A");
                                      EXPECT_EQ(a->recordCount(), 3);
                                      EXPECT_EQ(registry(), withB);
                                  });
    EXPECT_GT(failures, 1);
    EXPECT_EQ(registry(), (Registry{{"Shared", 3}, {"OnlyA", -1}, {"New1", 2}, {"New2", 2}}));
}

}  // namespace
