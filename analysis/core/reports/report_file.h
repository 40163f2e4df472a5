// The report file (.par): a report document as 8-bit text with CR LF line
// ends, written by the report window and the macro command "SaveReport" and
// read back as a new document by "Load report..." and "LoadReport".
//
//   <header text, exactly as it stands>
//   \r\n--------------- CLASS NAMES ----------------\r\n
//   Clnm<k>\t<class name of column k>\r\n         for each named column k = 1..16
//   \r\n----------------- FEATURES -----------------\r\n
//   <record name>(\t<value>){16}\r\n                for each record, in order
//
// A value is printed "%.8g" in the "C" locale; every non-finite value (the
// missing value +infinity, and also -infinity and NaN, which the format cannot
// tell apart) is written "NaN" and read back as the missing value.
//
// Reading is lenient where stored files rely on it and strict where a file
// could make the program misbehave:
// - the header ends at the first line starting with "----", the class names
//   at the next one; lines are ended by LF (a CR before it belongs to the line
//   end) and a NUL byte ends the text of its line;
// - header lines that are empty, start with CR or start with "/" are dropped;
//   every other line comes back followed by CR LF, without a length limit;
// - a "Clnm" line names column k (1..16) with its second piece (pieces split
//   at tabs, CR and LF), cut to 255 characters; a line without a name, with k
//   out of range or any other line in that section is ignored;
// - a record line is split at blanks, tabs, CR and LF: the first piece is the
//   name (cut to 31 characters), the next up to 16 pieces the values; further
//   pieces are ignored, absent values are 0 (the column reads as empty, as in
//   a file that lists fewer ROIs) and a line without pieces is skipped; but
//   a last line without its LF that holds fewer values than the record before
//   it (or none) is a file cut short and refused with its line number;
// - a value piece starting with "NaN" (any case) is the missing value; any
//   other gives its leading decimal number (0 when it has none); a number too
//   large for a double is the missing value too.
//
// Nothing here shows a window: the window shows parFileMessage in a box
// captioned kParErrorCaption, or stays silent where it always has.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/reports/report_document.h"

// 0..2 are the codes SaveReportPar has always returned.
enum class ParFileStatus : int {
    Ok = 0,
    NoDocument = 1,      // saving without a document
    CannotCreate = 2,    // the file could not be written and closed completely
    CannotOpen = 3,      // missing, a folder, or a read error
    TooLarge = 4,        // larger than kMaxParFileBytes
    NoClassNames = 5,    // no line starting with "----": not a report file
    NoFeatures = 6,      // no second line starting with "----"
    TooManyRecords = 7,  // more than the reader's record limit
    TruncatedLine = 8,   // the file ends inside its last record (errorLine names it)
    NoMemory = 9,        // memory ran out while reading
};

// Files above this size are refused before anything is read; no real report
// comes near it (a 2D run writes about 60 kB).
inline constexpr size_t kMaxParFileBytes = size_t{64} << 20;
// Each record takes 160 bytes in memory whatever its line length; this keeps
// a file of tiny lines from taking gigabytes.
inline constexpr size_t kMaxParRecords = 1'000'000;

inline constexpr std::string_view kParClassNamesSeparator =
    "--------------- CLASS NAMES ----------------";
inline constexpr std::string_view kParFeaturesSeparator =
    "----------------- FEATURES -----------------";

// The message for a status other than Ok (empty for Ok), naming the file when
// path is not empty. Shown with caption kParErrorCaption and an error icon.
std::string parFileMessage(ParFileStatus status, const std::string& path);
// The same naming the line of a TruncatedLine.
std::string parFileMessage(ParFileStatus status, const std::string& path, long long line);
inline constexpr std::string_view kParErrorCaption = "Error";

// Texts of the report window's file commands.
inline constexpr std::string_view kLoadReportTitle = "Load Report";
inline constexpr std::string_view kSaveReportTitle = "Save Report";
inline constexpr std::string_view kReportFilter = "Report text file (*.par)|*.par";
inline constexpr std::string_view kReportDefaultExtension = ".par";
inline constexpr std::string_view kSaveAllReportsTitle = "Choose folder & prefix for new files";
// "Save report" (not "Save report as..." or "Save all reports...") reports a
// failed write with this text, caption kParErrorCaption, error icon.
inline constexpr std::string_view kSaveReportErrorText =
    "Error writing the file! Try to use \"Save as\" option.";
// The prompts before unsaved documents are closed (caption "Warning", OK and
// Cancel with Cancel as default, warning icon).
inline constexpr std::string_view kCloseUnsavedReportPrompt = "Report not saved!\r\nClose anyway?";
inline constexpr std::string_view kCloseUnsavedReportsPrompt =
    "Some of reports are not saved!\r\nClose anyway?";
inline constexpr std::string_view kUnsavedReportCaption = "Warning";

// What a .par file holds: all NewReportDocument needs, and the class names.
struct ParFile {
    std::string name;  // the file-name part of path, at most 255 characters
    std::string path;  // the file read; both empty for decodeParFile
    std::string header;
    std::array<std::string, kRoiCount> classNames;  // class name of column k+1, may be empty
    std::vector<FeatureRecord> records;
};

struct ParReadResult {
    ParFileStatus status = ParFileStatus::Ok;
    std::string message;      // parFileMessage(status, path); empty for Ok
    long long errorLine = 0;  // 1-based line of a TruncatedLine
    ParFile file;             // empty unless status is Ok
};

// --- Writing -----------------------------------------------------------------

// The file's bytes for a document, or for what a file held. A class name is
// written up to its first tab, CR, LF or NUL (what the reader would take back
// anyway), so that no name can break the file's lines; a column whose name
// is then empty is left out. Header and record names are written as they
// stand (up to a NUL).
std::string encodeParFile(const ReportDocument& document);
std::string encodeParFile(const ParFile& file);

// Writes the document to path (through a temporary file, so an old file is
// never left half overwritten). Only when the write and the close succeeded
// is the document marked saved, named after the file-name part of path (cut
// to 255 characters) and given path as its file; the caller then sets the
// document's tab caption from its name. NoDocument for a null document,
// CannotCreate when anything failed (the document is then unchanged).
ParFileStatus SaveReportPar(const std::string& path, ReportDocument* document);

// --- Reading -----------------------------------------------------------------

// Parses a whole file held in memory. Refuses a text without the two
// separator lines (NoClassNames, NoFeatures) or with more than maxRecords
// records (TooManyRecords); never reads or allocates beyond what the text
// holds.
ParReadResult decodeParFile(std::string_view text, size_t maxRecords = kMaxParRecords);

// Reads and parses a file; on Ok the result carries its path and name.
// Creates no document: the caller decides (see addLoadedReport).
ParReadResult LoadReportPar(const std::string& path);

// Appends a document made from a file that was read: records, header and
// name as read, class names copied in, path set, marked saved. Returns the
// new document (the window then rebuilds its tabs, which selects it), or
// nullptr when memory runs out.
ReportDocument* addLoadedReport(const ParFile& file);

// --- "Save all reports..." ---------------------------------------------------

// Whether the folder dialog must be asked: some document is unsaved and some
// document has no file yet. (Nothing at all is done when every document is
// saved.)
bool saveAllNeedsFolder();

// The folder part of the text chosen in the folder dialog: the text cut at its
// first of "*?<>|", then just after its last "\" or "/"; a text without a
// separator is kept whole and acts as a file-name prefix in the current
// folder. "C:\data\new*" gives "C:\data\".
std::string saveAllFolderPart(std::string_view chosen);

// Where a document without a file goes: folderPart + its name, with ".par"
// appended unless the name already ends in exactly ".par" (case matters).
std::string saveAllTargetPath(std::string_view folderPart, std::string_view documentName);

// Writes every document in list order: one with a file to that file, saved or
// not; one without to saveAllTargetPath(folderPart, its name). Failures stay
// silent, as the command has always been; returns how many writes failed.
int saveAllReports(std::string_view folderPart);
