// Reading and checking a feature-selection file (.sel) into r62's data set.
//
// The file is text: "*label", a label line, "*features" with lines "n  name",
// "*categories" with lines "n  name", "*data" with one line per sample (the
// category number, then the feature values in feature-number order), and a
// line beginning with "*" after the data. Lines end with CR LF, LF or CR; a
// break after the last line does not start another line.
//
// The reader is strict: numbers of features and categories have one or two
// digits followed by one blank, keywords stand alone, and the limits of 30
// features, 40 categories and 2000 samples hold. The first fault found ends
// the load; nothing is shown from here: the result says what the main window
// shows.
//
// The main window's load ("Get Input Data", or the file named on the command
// line): give the unsaved-report prompts, clear both panes and the analysis
// report flags, call `clearSelectionForLoad`, choose the file (open dialog
// with kSelOpenFilter and kSelOpenTitle, or the start-up name), then call
// `loadSelFile` and show its result:
//   - CannotRead: messageBox in an information box; nothing else changes.
//   - Rejected: inputPane in MemoIn in blue, messageBox in a plain message
//     box, caption as the window's caption.
//   - Loaded: inputPane in MemoIn in black, statusText in the status bar,
//     caption as the window's caption.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "statistics/core/data/data_set.h"

inline constexpr std::string_view kSelOpenFilter = "r62 input file (*.sel)|*.sel";
inline constexpr std::string_view kSelOpenTitle = "Wczytywanie pliku *.sel z danymi do analizy";
inline constexpr std::string_view kInputDataLoadedStatus = "Input data loaded";

// Files larger than this are refused unread: a file of the program's limits
// is well under a megabyte.
inline constexpr size_t kMaxSelFileBytes = size_t{16} << 20;

// Largest magnitude of a value: beyond it the sums of squares of the
// statistics overflow. A larger value is refused with its line ("value out
// of range").
inline constexpr double kMaxSelValue = 1e150;

enum class SelLoadStatus {
    Loaded,      // the data set holds the file's samples; NewConsistentData is set
    Rejected,    // a format error; NewConsistentData is clear
    CannotRead,  // the file is missing or unreadable; the data set is as it was
};

// How the marker line under a rejected file's faulty line starts.
inline constexpr char kErrorMarkerStart[] = "^ Error at line ";

struct SelLoadResult {
    SelLoadStatus status = SelLoadStatus::CannotRead;
    long long errorLine = 0;  // 1-based line of a rejection
    std::string error;        // the reason of a rejection, e.g. "unexpected EOF"
    // The text of the message box; "\r" is a line break. Empty when loaded.
    std::string messageBox;
    // MemoIn's text, lines separated by "\n": on a rejection the file up to
    // the faulty line and the marker "^ Error at line N..."; when loaded the
    // lines before the data, each data line behind its sample number ("%4d ")
    // and the line that ended the data.
    std::string inputPane;
    bool inputPaneBlue = false;  // MemoIn's font colour: blue after a rejection
    std::string statusText;      // the status bar after a successful load
    std::string caption;         // "r62 - " + DataFileName, unless CannotRead
};

// Clears the 30 selection flags and feature names, as every load does before
// the file is chosen (a cancelled open dialog leaves them cleared).
void clearSelectionForLoad(R62DataSet& data);

// The file name without its folder (after the last "/" or "\").
std::string selDataFileName(std::string_view path);

// "r62 - " + the data file name.
std::string r62Caption(std::string_view dataFileName);

// Reads the file and decodes it. A missing or unreadable file gives
// CannotRead with the message "R62: Cannot load the "<path>" file ..", one
// over kMaxSelFileBytes CannotRead with selTooLargeText.
SelLoadResult loadSelFile(const std::string& path, R62DataSet& data);

// "R62: Cannot load the "<path>" file: it is larger than 16 MiB."
std::string selTooLargeText(const std::string& path);

// Decodes a whole file held in memory; dataFileName is the name shown in the
// messages and kept as DataFileName.
SelLoadResult decodeSelFile(std::string_view text, std::string_view dataFileName, R62DataSet& data);
