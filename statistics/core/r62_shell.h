// r62's shell state and the decisions its main window takes on it: which
// tool windows are open (while one is, the menu commands do nothing), which
// kind of report the output pane holds unsaved, the name and filter a report
// is saved under, and the file named on the command line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/checked_array.h"

// The caption of r62's message boxes.
inline constexpr char kR62BoxCaption[] = "r62";

// The three groups of report flags and the kinds in each, in flag order.
enum class ReportGroup { Analysis, Classification, Clustering };

enum class ReportKind {
    RawData,      // analysis flag 1
    Pca,          // analysis flag 2
    Lda,          // analysis flag 3
    Nda,          // analysis flag 4
    Testing,      // analysis flag 5: a test of a stored network
    Knn,          // classification flag 1
    AnnTraining,  // classification flag 2
    Ahc,          // clustering flag 1
    Scm,          // clustering flag 2
    Kmeans,       // clustering flag 3
};

ReportGroup groupOf(ReportKind kind);

struct R62ShellFlags {
    // Set while the tool window is open.
    uint8_t OptionsWindowOpen = 0;
    uint8_t GraphWindowOpen = 0;
    uint8_t TreeWindowOpen = 0;
    uint8_t SilhouetteWindowOpen = 0;
    // A set flag: the output pane holds an unsaved report of that kind.
    CheckedArray<uint8_t, 1, 5> AnalysisReportFlags;        // raw data, PCA, LDA, NDA, testing
    CheckedArray<uint8_t, 1, 2> ClassificationReportFlags;  // 1-NN, ANN training
    CheckedArray<uint8_t, 1, 3> ClusteringReportFlags;      // AHC, SCM, k-means

    bool AnalysisReportPending() const;
    bool ClassificationReportPending() const;
    bool ClusteringReportPending() const;
    bool reportPending(ReportGroup group) const;
    bool anyReportPending() const;
    void ClearAnalysisReportFlags();
    void ClearClassificationReportFlags();
    void ClearClusteringReportFlags();
    void clearReportFlags(ReportGroup group);
    void clearAllReportFlags();
    void setReportFlag(ReportKind kind);
    bool reportFlag(ReportKind kind) const;

    // Any of the four tool windows; the n-class ANN training alone runs while
    // the silhouette window is open, so it may leave that one out.
    bool toolWindowOpen(bool countSilhouette = true) const;

    void reset() { *this = R62ShellFlags(); }
};

// The process's shell state, and its reset (tests).
R62ShellFlags& r62Shell();
void resetR62Shell();

// --- texts -------------------------------------------------------------------

inline constexpr std::string_view kR62Caption = "r62 - texture data analysis";
inline constexpr std::string_view kNoDataMessage = "No new consistent data available for analysis.";
inline constexpr std::string_view kNothingToSaveMessage =
    "Neither analysis, classification nor clustering report available for saving.";
inline constexpr std::string_view kReportSavedStatus = "Report file saved";
inline constexpr std::string_view kExitQuestion = "Do you want to exit r62?";

// The save dialog's filter at start; the load prompts select entries of it
// by number (raw data 1, PCA 2, LDA 3, NDA 4, classification 5, AHC 7, SCM 8,
// k-means 9).
inline constexpr std::string_view kReportSaveFilter =
    "raw data analysis file (*.rda)|*.rda|principal component analysis file (*.pca)|*.pca|"
    "linear discriminant analysis file (*.lda)|*.lda|nonlinear discriminant analysis file "
    "(*.nda)|*.nda|classification report file (*.cls)|*.cls|testing report file "
    "(*.tst)|*.tst|agglomerative hierarchical clustering file (*.ahc)|*.ahc|similarity based "
    "clustering file (*.scm)|*.scm|K-means clustering (*.kme)|*.kme";
inline constexpr int kReportSaveFilterIndex = 5;
inline constexpr std::string_view kInputOpenFilter =
    "r62 input file (*.sel)|*.sel|classification report file (*.cls)|*.cls|NDA analysis file "
    "(*.nda)|*.nda";

// "File "<name>" already exists!\rDo you want to replace it?"
std::string replaceFileQuestion(std::string_view fileName);

// --- saving a report ---------------------------------------------------------

// How the save dialog is set up for one pending report: the filter is
// replaced only when `filter` is given, the filter index set only when
// `filterIndex` is given; the proposed name ends in `extension`.
struct ReportSaveChoice {
    ReportGroup group = ReportGroup::Analysis;
    std::optional<std::string> filter;
    std::optional<int> filterIndex;
    std::string extension;  // without the point: "pca"
};

// "&Save Report": the first group with a pending report; the analysis and
// clustering groups get a single-entry filter (.rda, .pca, .lda, .nda, .tst;
// .clr), the classification group the .cls entry of kReportSaveFilter.
// Nothing when no report is pending.
std::optional<ReportSaveChoice> saveReportChoice(const R62ShellFlags& flags);

// The prompt of a load for one group: entries of kReportSaveFilter by
// number, clustering reports under .ahc, .scm or .kme. Nothing when the group
// has no pending report.
std::optional<ReportSaveChoice> loadPromptChoice(const R62ShellFlags& flags, ReportGroup group);

// The prompt at exit for one group: a single-entry filter of the pending kind,
// as "&Save Report" uses.
std::optional<ReportSaveChoice> exitPromptChoice(const R62ShellFlags& flags, ReportGroup group);

// The question of the unsaved-report prompt of a group at a load, or at exit.
std::string unsavedReportQuestion(ReportGroup group, bool atExit);

// The proposed file name: the data file's name less its last three
// characters, then the extension ("data.sel", "pca" -> "data.pca").
std::string reportFileName(std::string_view dataFileName, std::string_view extension);

// The output pane's lines as a report file: each line ends in CR LF.
std::string reportFileText(const std::vector<std::string>& lines);

// --- command line ------------------------------------------------------------

// The file to load at start: the one argument when there is exactly one and
// it ends in ".sel" (case-sensitive); otherwise none (empty).
std::string commandLineInputFile(const std::vector<std::string>& arguments);
