// Report documents: the result of one analysis run or one loaded .par file,
// kept in one process-wide ordered list, and the feature-name registry that
// records, per feature name over all open documents, how many records carry
// it and whether the user has checked it for export.
//
// All operations work on the single list owned by this module. It is touched
// from one thread at a time (the analysis worker appends while the progress
// window is modal); there is no lock.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/core/roi/roi_set.h"

inline constexpr size_t kFeatureNameSize = 32;  // including the terminating NUL
inline constexpr size_t kMaxFeatureNameLength = kFeatureNameSize - 1;
inline constexpr size_t kMaxDocumentNameLength = 255;
inline constexpr size_t kMaxRoiNameLength = 255;

// Written where a feature is undefined for a ROI; shown and saved as "NaN".
inline constexpr double kMissingValue = std::numeric_limits<double>::infinity();

// Column states of a document.
inline constexpr int32_t kRoiExcluded = 0;  // the user left the column out
inline constexpr int32_t kRoiUsed = 1;
inline constexpr int32_t kRoiEmpty = 2;

// One feature with its value for each ROI (values[k] belongs to ROI k+1).
// Fixed size so that producers can fill plain buffers of records. A name that
// starts with '_' marks an auxiliary record (areas, limits, pair counts): it
// is kept and shown but never enters the registry.
struct FeatureRecord {
    std::array<char, kFeatureNameSize> name{};
    std::array<double, kRoiCount> values{};
};
static_assert(sizeof(FeatureRecord) == 160);

// The record's name; never reads past the array, even when it is unterminated.
std::string_view recordName(const FeatureRecord& record);
// Stores the first 31 characters of name, NUL-terminated and NUL-padded.
void setRecordName(FeatureRecord& record, std::string_view name);

struct ReportDocument {
    uint32_t saved = 0;                          // 1 once written to or loaded from a .par file
    std::array<int32_t, kRoiCount> roiState{};   // kRoiExcluded, kRoiUsed, kRoiEmpty
    std::array<std::string, kRoiCount> roiName;  // class names, at most 255 characters
    std::string name;                            // tab caption, at most 255 characters
    std::string path;                            // last saved to or loaded from; may be empty
    std::string header;
    std::vector<FeatureRecord> records;

    int recordCount() const { return static_cast<int>(records.size()); }
    // Neighbours in the list; nullptr at either end.
    ReportDocument* prev() const { return prev_; }
    ReportDocument* next() const { return next_; }

  private:
    friend class ReportDocumentList;
    ReportDocument* prev_ = nullptr;
    ReportDocument* next_ = nullptr;
};

// Creates a document from count records (copied), the header text and the
// name (cut to 255 characters) and appends it at the tail; its non-'_' names
// are counted into the registry. The ROI states come from the area record
// ("_Area", also with a channel prefix such as "_R_Area"): a column is used
// when its area is non-zero (an infinite value counts, NaN does not); without
// an area record the first record decides; without records every column is
// empty. The caller clears saved and copies the ROI names in.
// Returns nullptr, with the list and the registry untouched, when memory runs
// out or the arguments are impossible (negative count, no records for count > 0).
ReportDocument* NewReportDocument(int count, const FeatureRecord* records, std::string_view header,
                                  std::string_view name);

// The n-th document from 0; past the end the last one; nullptr when empty.
ReportDocument* NthReportDocument(int n);
// Position of the document in the list (its tab), or -1 when it is not open.
int documentIndex(const ReportDocument* document);

// The document after doc, or the first one for doc == nullptr; nullptr at the
// end. When name is given it receives the returned document's name (empty
// when nullptr is returned).
ReportDocument* NextReportDocument(const ReportDocument* doc, std::string* name);

// Deletes the document NthReportDocument(n) would give and returns the one
// that becomes current: the successor for the head, otherwise the
// predecessor; nullptr when it was the only one (the registry is then
// emptied) or the list was empty.
ReportDocument* DeleteReportDocument(int n);

// Appends the header ("\r\n\r\n" between) and the records of source to target
// and counts source's names into the registry once more. Column states, names
// and the saved flag of target stay. Source itself is left in the list (the
// caller deletes it). Returns false, changing nothing, for a missing or
// identical pair or when memory runs out.
bool MergeReportDocuments(ReportDocument* target, const ReportDocument* source);

// Number of open documents.
int reportDocumentCount();
// Number of open documents whose saved flag is clear (the exit prompt asks
// when this is not 0).
int unsavedReportCount();

// Deletes every document and empties the registry. Used by tests and at exit.
void resetReportDocuments();

// Feature-name registry, in order of first appearance.
//
// Selection state of a name, with D the number of documents and c its signed
// count (sign = checked):
inline constexpr int kFeatureUnchecked = 0;  // c < 0, held by every document
inline constexpr int kFeatureChecked = 1;    // c > 0, held by every document
inline constexpr int kFeaturePartial = 2;    // held by some documents only
inline constexpr int kFeatureUnknown = 3;    // not in the registry

int FeatureNameState(std::string_view name);
int featureNameStateAt(int index);  // kFeatureUnknown for an index out of range
int featureNameCount();
std::string featureNameAt(int index);  // empty for an index out of range
// The signed count of a name: number of records carrying it, negative when
// unchecked; 0 when unknown.
int featureNameUses(std::string_view name);

// Check (selected = true) or uncheck one name for every document at once. An
// unknown name or index changes nothing; the result says whether it was found.
bool selectFeatureName(std::string_view name, bool selected);
bool selectFeatureNameAt(int index, bool selected);
// The same over every entry; both return the registry size.
int selectAllFeatureNames();
int deselectAllFeatureNames();
