// The feature-selection file (.sel): the samples of all open report documents
// over the checked features, as the statistics program r62 reads them. The
// report window writes it on "Save selected..." and hands a temporary copy to
// r62 on "R62 analysis"; the macro command "SaveSelected" writes it too.
//
// Layout: 8-bit text, lines separated by CR LF, no line break after the last:
//
//   *label
//   converted data: yyyy-m-d hh:nn.ss      (month and day without leading zero)
//   *features
//   <n>  <feature name>                    ("%d  %s", n from 1, in feature order)
//   *categories
//   <n>  <class name>                      ("%d  %s", first-appearance order)
//   *data
//   <category>(  <value>)*                 ("%d", then "  %.8g" per feature)
//   *end
//
// A sample is one used ROI column (state kRoiUsed) of one document, in list
// order and column order. Its class is the column's class name, or the column
// number when it is unnamed; class names are matched without regard to
// letter case, and the first spelling met names the category. The features
// are the registry names that are checked and held by every document.
//
// r62 refuses a file that holds anything but numbers in its data, so a sample
// that lacks a value for a chosen feature (the missing value, any non-finite
// value, or no record of that name in its document) is left out and counted;
// a class whose samples are all left out gets no category.
//
// Nothing here shows a window: the result says what the caller shows.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/reports/report_document.h"

// How the features are ordered in the file.
enum class SelectionOrder : int {
    Ranking = 0,       // reverse registry order, led by the last ranking run's features
    ReverseList = 1,   // reverse registry order (newest feature name first)
    Alphabetical = 2,  // case-insensitive alphabetical order
};

// 0..2 are the codes the writer has always returned.
enum class SelectionStatus : int {
    Written = 0,
    NoDocument = 1,    // no current document: nothing is written
    CannotCreate = 2,  // the file could not be written and closed completely
};

// A local date and time, as it names and labels the file.
struct SelectionTime {
    int year = 2000;
    int month = 1;  // 1..12
    int day = 1;    // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
};

// The local time now.
SelectionTime currentSelectionTime();
// "yyyy-m-d hh:nn.ss", the file's label time: "2007-3-9 14:05.31".
std::string selectionLabelTime(const SelectionTime& time);
// "yyyy-m-d hh_nn_ss.sel", the name the save dialog proposes: "2007-3-9 14_05_31.sel".
std::string selectionFileNameFor(const SelectionTime& time);

struct SelectionFile {
    SelectionStatus status = SelectionStatus::NoDocument;
    std::string text;                     // the file's bytes; empty for NoDocument
    std::vector<std::string> features;    // in file order
    std::vector<std::string> categories;  // in file order
    std::vector<int> categorySamples;     // samples written per category, in file order
    int sampleCount = 0;                  // data lines written
    int samplesLeftOut = 0;               // samples without a value for some chosen feature
    // Classes none of whose samples made it into the file, in first-appearance order.
    std::vector<std::string> categoriesLeftOut;
    // Shown in an OK box captioned kSaveSelectedCaption before the file is
    // written (orders 1 and 2 name their order); empty for the ranking order.
    std::string orderNotice;
};

// Builds the file for the open documents. currentReport only says whether
// the report window shows a document (NoDocument without one); every open
// document contributes. rankingList is the report window's ranking list. The
// label carries time, or the current time when none is given. status is
// CannotCreate until the text is written (see writeSelectionFile).
//
// Feature order:
// - Ranking: start from reverse registry order; then for each ranked name, in
//   ranking order, that is a feature not yet placed, exchange it with the
//   entry at the next front position. The entries it displaces are not put
//   back in order: (d, c, b, a) with the ranking (c, a) gives (c, a, b, d).
// - ReverseList: reverse registry order.
// - Alphabetical: sorted without regard to letter case (ties keep reverse
//   registry order).
SelectionFile encodeSelection(const ReportDocument* currentReport,
                              const std::vector<std::string>& rankingList, SelectionOrder order,
                              const std::optional<SelectionTime>& time = std::nullopt);

// Writes an encoded file to path (through a temporary file beside it) and
// sets file.status to Written or CannotCreate. A NoDocument file is left
// alone and nothing is written.
SelectionStatus writeSelectionFile(const std::string& path, SelectionFile& file);

// encodeSelection, then writeSelectionFile.
SelectionFile SaveSelection(const std::string& path, const ReportDocument* currentReport,
                            const std::vector<std::string>& rankingList,
                            const std::optional<SelectionTime>& time, SelectionOrder order);

// The warning for a file that left samples or classes out (caption
// kSelectionWarningCaption, warning icon); empty when nothing was left out.
std::string selectionLeftOutWarning(const SelectionFile& file);

// The error for a file that could not be written (caption kSelectionErrorCaption).
std::string selectionWriteError(const std::string& path);

// The order chosen by the modifier keys held when "Save selected..." ends:
// Shift gives ReverseList, else Ctrl gives Alphabetical, else Ranking.
SelectionOrder selectionOrderForKeys(bool shift, bool ctrl);

// What the hand-over to r62 runs: r62 beside this program, given the
// temporary file as its one argument.
struct R62HandOver {
    std::string program;  // programFolder + "r62"
    std::string path;     // temporaryFolder + "temp.sel"
};
// Both folders end in their separator, as the platform gives them.
R62HandOver r62HandOver(std::string_view programFolder, std::string_view temporaryFolder);

// What r62 reads at most; it refuses a file with more.
inline constexpr int kR62MaxFeatures = 30;
inline constexpr int kR62MaxCategories = 40;
inline constexpr int kR62MaxSamples = 2000;
// What r62 needs at least: it refuses a category with fewer samples.
inline constexpr int kR62MinCategorySamples = 2;

// Why r62 would refuse the file, with the counts and the classes too small (caption
// kSelectionWarningCaption, warning icon); empty when the file is within its
// limits. The hand-over gives r62 nothing then.
std::string r62RefusalText(const SelectionFile& file);

// The error when neither r62 nor the program associated with .sel files
// could be started (caption kSelectionErrorCaption); only r62 is named when
// path is empty (nothing was handed over).
std::string r62StartError(const R62HandOver& handOver);

// Texts of the report window's selection commands.
inline constexpr std::string_view kSaveSelectionTitle = "Save Selection";
inline constexpr std::string_view kSelectionFilter = "Selection text file (*.sel)|*.sel";
inline constexpr std::string_view kSelectionDefaultExtension = ".sel";
inline constexpr std::string_view kSaveSelectedCaption = "Save selected";
inline constexpr std::string_view kReverseOrderNotice = "Saving features in reverse list order";
inline constexpr std::string_view kAlphabeticalOrderNotice =
    "Saving features in alphabetical order";
inline constexpr std::string_view kSelectionWarningCaption = "Warning";
inline constexpr std::string_view kSelectionErrorCaption = "Error";
inline constexpr std::string_view kHandOverFileName = "temp.sel";
inline constexpr std::string_view kR62ProgramName = "r62";
