// The "Report" window: one tab per report document with its header text and
// the list of its feature records, the check marks that choose features for
// every document at once, the class name and use of each ROI column, and the
// commands that save, load, aggregate and close documents. It exists from
// start-up to exit and is reached through its global pointer.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "analysis/core/reports/convex_border.h"
#include "analysis/core/reports/feature_selection.h"
#include "analysis/core/reports/report_document.h"

class QAction;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QSplitter;
class QTabBar;
class QTableView;
class QToolButton;
class ReportListModel;

class TReport : public QWidget {
    Q_OBJECT
  public:
    explicit TReport(QWidget* owner);

    // The document of the selected tab; every command works on it.
    ReportDocument* CurrentReport = nullptr;
    // Number of documents shown as tabs (0 when the single tab " " stands alone).
    int tabCount = 0;
    // Feature names of the last ranking run, in rank order, without repeats.
    std::vector<std::string> rankingList;

    // Rebuilds the tabs from the documents in list order, selects the last
    // one and shows its document. Whoever adds or deletes documents while the
    // window shows one calls it: the list keeps no pointer to a deleted one.
    void ReportRefreshTabs();
    // The tab selection changed: show the document of the selected tab.
    void TabControl1Change();
    // Fills header, column captions and images and the rows from CurrentReport.
    void showCurrentReport();
    // Each column as wide as its widest text (at least its first width).
    void sizeColumnsToContents();

    // File menu.
    void Load1Click();
    void Save2Click();
    void Save1Click();
    void Save3Click();
    void AggregateClick();
    void CloseClick();
    void Closeall1Click();
    void Hidewindow1Click();
    // Feature selection menu.
    void CheckallClick();
    void UncheckallClick();
    void Invert1Click();
    void CheckselectedClick();
    void UncheckselectedClick();
    // Feature ranking (report_window_ranking.cpp): the six criteria run on
    // the worker behind the progress window (modes 101..106); the result box
    // and the new check marks come on the GUI thread once it has ended.
    void FishercriterionClick();
    void POECriterionClick();
    void Mutualinformation1Click();
    void Singles1Click();
    void Pairs1Click();
    void Triplets1Click();
    void MIPAF1Click();
    // The convex-border search (report_window_convex.cpp): mode 120 on the
    // worker, the result box on the GUI thread.
    void Convexborder1Click();
    // "3D feature space": the samples shown in the feature-space window.
    void Manual1Click();
    // Criterion method (1..6) on the GUI thread; with accept the result is
    // taken without the box (the macro command "FeatureSelection").
    void ReportFeatureSelection(int method, bool accept);
    // The result box: true for OK. Tests replace it.
    std::function<bool(const std::string& title, const std::string& text)> selectionBox;

    // The selection file (report_window_selection.cpp): "Save selected..."
    // and the hand-over of a temporary copy to r62.
    void SavecheckedClick();
    void AnalysewithR621Click();

    // What the selection commands take from the desktop; tests replace them.
    struct DesktopServices {
        // The modifier keys held as "Save selected..." ends; they choose the feature order.
        std::function<Qt::KeyboardModifiers()> keyboardModifiers;
        std::function<std::string()> temporaryFolder;
        std::function<std::string()> programFolder;
        // Starts program with argument as its one argument, or with none when it is empty.
        std::function<bool(const std::string& program, const std::string& argument)> startProgram;
        std::function<bool(const std::string& path)> openWithAssociatedProgram;
    };
    static DesktopServices defaultDesktopServices();
    DesktopServices desktop = defaultDesktopServices();

    // A click on the header of column (0 = "Feature name", 1..16 the ROIs).
    void ListView1ColumnClick(int column);
    // A left-button press at pos (viewport coordinates of the list): on a
    // row's check image it toggles the row's feature. Returns whether it did.
    bool ListView1MouseDown(const QPoint& pos);

    QTabBar* tabControl() const { return TabControl1; }
    QPlainTextEdit* headerMemo() const { return Naglowek; }
    QTableView* listView() const { return ListView1; }
    ReportListModel* listModel() const { return model_; }
    QToolButton* closeButton() const { return Close; }
    QAction* action(const QString& caption) const;
    QMenu* menu(const QString& title) const;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void createMenus();
    void registerRankingJobs();
    void registerConvexBorderJob();
    // Checks exactly the features of positive weight and ranks them by weight.
    void acceptWeights(const SelectionSamples& samples, const std::vector<double>& weights);
    void runRankingCommand(SelectionCriterion criterion);
    // Fills the ranking list and, on OK or with accept, checks exactly the winners.
    void applyRankingOutcome(const FeatureSelectionOutcome& outcome, bool accept);
    // The set a ranking run works on, taken before the worker starts, and its result.
    std::shared_ptr<const SelectionSamples> rankingSamples_;
    std::optional<FeatureSelectionOutcome> rankingOutcome_;
    std::shared_ptr<const SelectionSamples> convexSamples_;
    std::shared_ptr<ConvexBorderResult> convexResult_;
    // CurrentReport when it is still an open document, else nullptr.
    ReportDocument* currentDocument() const;
    // Writes document to path; on success its tab shows the new name. Returns
    // the message of a failure (empty on success).
    std::string saveDocument(ReportDocument* document, const std::string& path);
    void setHighlightedChecks(bool checked);

    QMenuBar* MainMenu1 = nullptr;
    QTabBar* TabControl1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QPlainTextEdit* Naglowek = nullptr;
    QToolButton* Close = nullptr;
    QTableView* ListView1 = nullptr;
    ReportListModel* model_ = nullptr;
};
