// The main window of r62: the input pane (the loaded .sel file), the output
// pane (the current report), the menus, the status bar. It decides whether a
// command may run, keeps track of the unsaved report in the output pane and
// offers to save it; the work of each command is done in statistics/core.
#pragma once

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/classifiers/ann_classifier.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/save_with_replace.h"

class QAction;
class QLabel;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QSplitter;
class QStatusBar;
class TGraphWindow;
class TOptionsWin;
struct AnalysisResult;
struct BoundaryLine;
struct SelLoadResult;

class TMainWindow : public QMainWindow {
    Q_OBJECT
  public:
    // `arguments`: the command line without the program's name. A single
    // ".sel" argument is loaded before the window is first shown.
    explicit TMainWindow(const std::vector<std::string>& arguments = {});
    ~TMainWindow() override;

    QWidget* Panel2 = nullptr;
    QLabel* Label1 = nullptr;
    QLabel* OutputWinLabel = nullptr;
    QProgressBar* ProgressBar = nullptr;
    QPlainTextEdit* MemoIn = nullptr;
    QSplitter* Splitter1 = nullptr;
    QPlainTextEdit* MemoOut = nullptr;
    QStatusBar* StatusBar1 = nullptr;

    // The file named on the command line, consumed by the next load.
    std::string InputFileName;

    // The save and open dialogs keep their settings from one use to the next.
    struct SaveDialogSettings {
        std::string filter{kReportSaveFilter};
        int filterIndex = kReportSaveFilterIndex;
        std::string fileName;
        std::string title;
    } SaveDialog1;
    struct OpenDialogSettings {
        std::string filter{kInputOpenFilter};
        std::string title;
    } OpenDialog1;

    // Start-up: layout of the header panel, then the command line.
    void SetVariables(const std::vector<std::string>& arguments);
    void Splitter1Moved();

    // Menu commands.
    void GetDataClick();
    void SaveReportClick();
    void OptionsClick();
    void RawDataMIClick();
    void PCAClick();
    void LDAClick();
    void NDAClick();
    void k_NNClick();
    void ann_one_trainClick();
    void ann_all_trainClick();
    void ann_testClick();
    void AHCClick();
    void SCMClick();
    void kmeansClick();
    // Opens the segmentation module modally; no flag or data check.
    void Imagesegmentation1Click();
    void AbouClick();
    void ExiClick();
    // Opens the help file; no menu item leads here.
    void HelpClick();

    // The frame every analysis, classification and clustering command runs
    // in: nothing while a tool window is open (the silhouette window counts
    // unless `countSilhouette` is false), the no-data message without a
    // consistent data set; otherwise every report flag is cleared, the status
    // bar shows `statusText` and `routine` runs. The command's report flag is
    // set only when the routine says it wrote a report: a run that stopped
    // with its error box leaves nothing worth offering to save. Returns
    // whether the routine ran.
    bool runAnalysisFrame(const std::string& statusText, ReportKind kind,
                          const std::function<bool()>& routine, bool countSilhouette = true);

    // The output pane. The header writers clear it, hide it and write the
    // report header for the current working data; the analysis appends its
    // lines and shows the pane again.
    void WriteReportHeader(std::string_view title);
    void WriteTestReportHeader(std::string_view title);
    void memoOutAdd(const std::string& line);
    void showMemoOut();
    // Replaces the report with `lines` and shows it.
    void setReport(const std::vector<std::string>& lines);
    const std::vector<std::string>& memoOutLines() const { return memoOutLines_; }

    std::string statusText() const;
    void setStatusText(const std::string& text);
    QAction* action(const QString& caption) const;
    QMenu* menu(const QString& title) const;
    TOptionsWin* optionsWindow() const;
    TGraphWindow* graphWindow() const;
    // The progress bar of network training: shown with a range while a run
    // reports, hidden by (0, 0). The window repaints on every report.
    void showNetworkProgress(int position, int maximum);
    // The progress bar of a run that cannot say how far it is.
    void showBusy();

  protected:
    // Closing the window asks about every unsaved report; Cancel keeps it open.
    void closeEvent(QCloseEvent* event) override;

  private:
    void createControls();
    void createMenus();
    QAction* addCommand(QMenu* menu, const QString& caption, void (TMainWindow::*handler)());
    // An item whose command is not available yet: shown, disabled.
    // Runs a menu command; an exception it lets escape is shown in the
    // application's error box and the program goes on.
    void runCommand(void (TMainWindow::*handler)());
    void placeHeaderLabels(int splitterRight);
    bool nearestNeighbourCommand();
    // A network training run in the analysis frame, its progress on the bar.
    using NetworkTraining = AnnTrainingReport (*)(R62DataSet&, std::string_view,
                                                  const NetworkProgress&);
    void runNetworkTraining(const std::string& statusText, NetworkTraining train,
                            bool countSilhouette);
    // A report into the output pane, its messages in boxes (errors in error
    // boxes; a failed run shows what it wrote). True when the run reported
    // and its result window may open.
    bool showReport(const AnalysisResult& result);
    // The same, then the plot of a reported analysis in the graph window.
    bool showAnalysisResult(const AnalysisResult& result,
                            const std::vector<BoundaryLine>& boundaries = {});
    void showDendrogramOf(const std::string& analysisName);
    void showLoadResult(const SelLoadResult& result);
    void setMemoInText(const std::string& text, bool blue);
    // After a rejected file: the input pane shows the "^ Error at line N..." marker.
    void scrollInputToErrorMarker();
    void clearMemoOut();

    // Sets up the save dialog for a pending report and proposes its name.
    void applySaveChoice(const ReportSaveChoice& choice);
    // Shows the save dialog until the report is written or the dialog is
    // cancelled; an existing file is replaced only when the user agrees.
    SaveOutcome saveReportLoop();
    // The prompt of a load for one group; false when the user wanted the
    // report saved and writing it failed (the load must not discard it).
    bool offerToSaveAtLoad(ReportGroup group);
    // The prompts at exit for every group; false when the program must stay.
    bool offerToSaveAtExit(bool closingFromFrame);

    std::vector<std::string> memoOutLines_;
    QLabel* statusPanel_ = nullptr;
    std::string saveExtension_ = "txt";
    QPointer<TOptionsWin> optionsWindow_;
    QPointer<TGraphWindow> graphWindow_;
    bool exitConfirmed_ = false;
    // Set while an analysis runs; the window does not close then.
    bool running_ = false;
};
