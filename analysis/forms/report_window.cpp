#include "analysis/forms/report_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QSignalBlocker>
#include <QSplitter>
#include <QStyle>
#include <QTabBar>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "analysis/core/reports/report_classes.h"
#include "analysis/core/reports/report_column_texts.h"
#include "analysis/core/reports/report_file.h"
#include "analysis/core/reports/report_selection.h"
#include "analysis/forms/report_list_delegate.h"
#include "analysis/forms/report_list_model.h"
#include "platform/dialogs.h"
#include "platform/file_dialog_requests.h"
#include "platform/qt/dialog_owner.h"
#include "platform/qt/window_placement.h"
#include "workspace/forms/class_name_dialog.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

constexpr int kHeaderPanelHeight = 185;
constexpr int kNameColumnWidth = 120;
constexpr int kValueColumnWidth = 70;
// A press at most this far right of the list's left edge hits the row's check image.
constexpr int kCheckImageRight = 17;

void showError(const std::string& text) {
    platform::showMessage(std::string(kParErrorCaption), text, platform::MessageButtons::Ok,
                          platform::MessageIcon::Error);
}

// Asks before unsaved documents are lost; Cancel is the default.
bool closeAnyway(std::string_view prompt) {
    return platform::showMessage(std::string(kUnsavedReportCaption), std::string(prompt),
                                 platform::MessageButtons::OkCancel, platform::MessageIcon::Warning,
                                 1) == platform::MessageResult::Ok;
}

}  // namespace

TReport::TReport(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("Report");
    setWindowTitle("Report");
    resize(820, 600);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    createMenus();

    TabControl1 = new QTabBar(this);
    TabControl1->setObjectName("TabControl1");
    TabControl1->setExpanding(false);
    TabControl1->setUsesScrollButtons(true);
    TabControl1->addTab(" ");
    connect(TabControl1, &QTabBar::currentChanged, this, [this] { TabControl1Change(); });

    auto* panel1 = new QWidget(this);
    panel1->setObjectName("Panel1");
    Naglowek = new QPlainTextEdit(panel1);
    Naglowek->setObjectName("Naglowek");
    Naglowek->setReadOnly(true);
    Naglowek->setLineWrapMode(QPlainTextEdit::NoWrap);
    Naglowek->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Naglowek->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* panel2 = new QWidget(panel1);
    panel2->setObjectName("Panel2");
    Close = new QToolButton(panel2);
    Close->setObjectName("Close");
    Close->setIcon(style()->standardIcon(QStyle::SP_TitleBarCloseButton));
    Close->setAutoRaise(true);
    Close->setToolTip("Close");
    connect(Close, &QToolButton::clicked, this, &TReport::CloseClick);
    auto* panel2Layout = new QVBoxLayout(panel2);
    panel2Layout->setContentsMargins(0, 0, 0, 0);
    panel2Layout->addWidget(Close);
    panel2Layout->addStretch();
    auto* panel1Layout = new QHBoxLayout(panel1);
    panel1Layout->setContentsMargins(0, 0, 0, 0);
    panel1Layout->addWidget(Naglowek, 1);
    panel1Layout->addWidget(panel2);

    model_ = new ReportListModel(this);
    ListView1 = new QTableView(this);
    ListView1->setObjectName("ListView1");
    ListView1->setModel(model_);
    ListView1->setItemDelegate(new ReportListDelegate(ListView1));
    ListView1->setSelectionBehavior(QAbstractItemView::SelectRows);
    ListView1->setSelectionMode(QAbstractItemView::ExtendedSelection);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setShowGrid(true);
    ListView1->setWordWrap(false);
    ListView1->setSortingEnabled(false);
    ListView1->setIconSize(QSize(14, 14));
    // Fixed row heights: the view never measures rows, whatever the record count.
    QHeaderView* rows = ListView1->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(fontMetrics().height() + 4);
    QHeaderView* columns = ListView1->horizontalHeader();
    columns->setSectionsClickable(true);
    columns->setHighlightSections(false);
    columns->setStretchLastSection(false);
    // The user may widen any column; a refresh sizes them to the contents again.
    columns->setSectionResizeMode(QHeaderView::Interactive);
    columns->setTextElideMode(Qt::ElideRight);
    ListView1->setColumnWidth(0, kNameColumnWidth);
    for (int k = 1; k <= kRoiCount; ++k) ListView1->setColumnWidth(k, kValueColumnWidth);
    connect(columns, &QHeaderView::sectionClicked, this, &TReport::ListView1ColumnClick);
    ListView1->viewport()->installEventFilter(this);

    Splitter1 = new QSplitter(Qt::Vertical, this);
    Splitter1->setObjectName("Splitter1");
    Splitter1->addWidget(panel1);
    Splitter1->addWidget(ListView1);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kHeaderPanelHeight, height() - kHeaderPanelHeight});

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 0, 2, 2);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(TabControl1);
    layout->addWidget(Splitter1, 1);

    registerRankingJobs();
    registerConvexBorderJob();
    showCurrentReport();
}

void TReport::createMenus() {
    auto add = [this](QMenu* menu, const QString& caption, const char* name,
                      void (TReport::*handler)()) {
        QAction* item = menu->addAction(caption);
        item->setObjectName(name);
        if (handler != nullptr)
            connect(item, &QAction::triggered, this, handler);
        else
            item->setEnabled(false);
        return item;
    };

    QMenu* file = MainMenu1->addMenu("&File");
    add(file, "&Load report...", "Load1", &TReport::Load1Click);
    add(file, "&Save report", "Save2", &TReport::Save2Click);
    add(file, "Save report as...", "Save1", &TReport::Save1Click);
    add(file, "Save all reports...", "Save3", &TReport::Save3Click);
    file->addSeparator();
    add(file, "Save selecte&d...", "Savechecked", &TReport::SavecheckedClick);
    file->addSeparator();
    add(file, "Aggregate reports", "Aggregate", &TReport::AggregateClick);
    file->addSeparator();
    add(file, "&Close", "Close1", &TReport::CloseClick);
    add(file, "Close &all", "Closeall1", &TReport::Closeall1Click);
    file->addSeparator();
    add(file, "&Hide", "Hidewindow1", &TReport::Hidewindow1Click);

    QMenu* selection = MainMenu1->addMenu("Feature &selection");
    add(selection, "Select &all", "Checkall", &TReport::CheckallClick);
    add(selection, "&Deselect all", "Uncheckall", &TReport::UncheckallClick);
    add(selection, "Invert selection", "Invert1", &TReport::Invert1Click);
    add(selection, "Select &highlighted", "Checkselected", &TReport::CheckselectedClick);
    add(selection, "De&select highlighted", "Uncheckselected", &TReport::UncheckselectedClick);
    selection->addSeparator();
    add(selection, "&Fisher", "Fishercriterion", &TReport::FishercriterionClick);
    add(selection, "&POE+ACC", "POECriterion", &TReport::POECriterionClick);
    add(selection, "&Mutual information", "Mutualinformation1", &TReport::Mutualinformation1Click);
    QMenu* subsets = selection->addMenu("Optimal subsets");
    add(subsets, "Singles", "Singles1", &TReport::Singles1Click);
    add(subsets, "Pairs", "Pairs1", &TReport::Pairs1Click);
    add(subsets, "Triplets", "Triplets1", &TReport::Triplets1Click);
    add(selection, "Convex border", "Convexborder1", &TReport::Convexborder1Click);
    add(selection, "MI+PA+F (30)", "MIPAF1", &TReport::MIPAF1Click);
    selection->addSeparator();
    add(selection, "&3D feature space", "Manual1", &TReport::Manual1Click);

    QMenu* tools = MainMenu1->addMenu("&Tools");
    add(tools, "&R62 analysis", "AnalysewithR621", &TReport::AnalysewithR621Click);
}

QAction* TReport::action(const QString& caption) const {
    for (QAction* item : findChildren<QAction*>())
        if (item->text() == caption) return item;
    return nullptr;
}

QMenu* TReport::menu(const QString& title) const {
    for (QMenu* m : findChildren<QMenu*>())
        if (m->title() == title) return m;
    return nullptr;
}

ReportDocument* TReport::currentDocument() const {
    return documentIndex(CurrentReport) >= 0 ? CurrentReport : nullptr;
}

void TReport::ReportRefreshTabs() {
    {
        QSignalBlocker blocker(TabControl1);
        while (TabControl1->count() > 0) TabControl1->removeTab(TabControl1->count() - 1);
        tabCount = 0;
        std::string name;
        for (ReportDocument* d = NextReportDocument(nullptr, &name); d != nullptr;
             d = NextReportDocument(d, &name), ++tabCount)
            TabControl1->addTab(QString::fromStdString(name));
        if (tabCount == 0) TabControl1->addTab(" ");
        TabControl1->setCurrentIndex(TabControl1->count() - 1);
    }
    CurrentReport = NthReportDocument(TabControl1->currentIndex());
    showCurrentReport();
}

void TReport::TabControl1Change() {
    CurrentReport = NthReportDocument(std::max(TabControl1->currentIndex(), 0));
    showCurrentReport();
}

void TReport::showCurrentReport() {
    const ReportDocument* document = currentDocument();
    Naglowek->setPlainText(
        document ? QString::fromStdString(platform::displayText(document->header)) : QString());
    model_->setDocument(document);
    sizeColumnsToContents();
}

void TReport::sizeColumnsToContents() {
    const ReportDocument* document = currentDocument();
    ReportColumnTexts widest;
    if (document != nullptr) widest = widestReportTexts(*document);
    const QFontMetrics cells(ListView1->font());
    const QStyle* style = ListView1->style();
    // The item view's margins around a cell's text, and the name's check image.
    const int margin =
        2 * (style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, ListView1) + 1) + 6;
    const int image = ListView1->iconSize().width() + 4;
    QHeaderView* columns = ListView1->horizontalHeader();
    for (int k = 0; k <= kRoiCount; ++k) {
        const QString text = QString::fromStdString(widest[static_cast<size_t>(k)]);
        int width = cells.horizontalAdvance(text) + margin + (k == 0 ? image : 0);
        width = std::max(width, columns->sectionSizeHint(k));
        width = std::max(width, k == 0 ? kNameColumnWidth : kValueColumnWidth);
        ListView1->setColumnWidth(k, width);
    }
}

void TReport::showEvent(QShowEvent* event) {
    // Documents may have come or gone while the window was hidden.
    if (tabCount != reportDocumentCount() || (CurrentReport != nullptr) != (tabCount > 0) ||
        (CurrentReport != nullptr && currentDocument() == nullptr))
        ReportRefreshTabs();
    QWidget::showEvent(event);
    platform::keepInsideScreen(this);
}

void TReport::closeEvent(QCloseEvent* event) {
    if (_vantu)
        if (QAction* item = _vantu->action("Report")) item->setChecked(false);
    QWidget::closeEvent(event);
}

void TReport::Hidewindow1Click() {
    hide();
    if (_vantu)
        if (QAction* item = _vantu->action("Report")) item->setChecked(false);
}

// --- Files -------------------------------------------------------------------

std::string TReport::saveDocument(ReportDocument* document, const std::string& path) {
    const ParFileStatus status = SaveReportPar(path, document);
    if (status != ParFileStatus::Ok) return parFileMessage(status, path);
    const int index = documentIndex(document);
    if (index >= 0 && index < tabCount)
        TabControl1->setTabText(index, QString::fromStdString(document->name));
    return {};
}

void TReport::Load1Click() {
    platform::FileDialogRequest request = platform::fileDialogRequest(
        platform::FileDialogKind::Open, kLoadReportTitle, kReportFilter);
    request.multiSelect = true;
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    std::vector<std::string> paths = answer.paths;
    if (paths.empty() && !answer.path.empty()) paths.push_back(answer.path);
    for (const std::string& path : paths) {
        ParReadResult result = LoadReportPar(path);
        if (result.status != ParFileStatus::Ok) {
            showError(result.message);
            continue;
        }
        if (addLoadedReport(result.file) == nullptr) {
            showError("Not enough memory to load the report file \"" + path + "\".");
            continue;
        }
        ReportRefreshTabs();
    }
}

void TReport::Save2Click() {
    ReportDocument* document = currentDocument();
    if (document == nullptr) return;
    if (document->path.empty()) {
        Save1Click();
        return;
    }
    if (!saveDocument(document, document->path).empty())
        showError(std::string(kSaveReportErrorText));
}

void TReport::Save1Click() {
    ReportDocument* document = currentDocument();
    if (document == nullptr) return;
    platform::FileDialogRequest request = platform::fileDialogRequest(
        platform::FileDialogKind::Save, kSaveReportTitle, kReportFilter, kReportDefaultExtension);
    const int index = documentIndex(document);
    request.fileName = index >= 0 && index < TabControl1->count()
                           ? TabControl1->tabText(index).toStdString()
                           : document->name;
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted || answer.path.empty()) return;
    const std::string failure = saveDocument(document, answer.path);
    if (!failure.empty()) showError(failure);
}

void TReport::Save3Click() {
    if (unsavedReportCount() == 0) return;
    std::string folder;
    if (saveAllNeedsFolder()) {
        platform::FileDialogRequest request;
        request.kind = platform::FileDialogKind::Save;
        request.title = kSaveAllReportsTitle;
        request.filter = kReportFilter;
        request.fileName = "*";
        const platform::FileDialogResult answer = platform::showFileDialog(request);
        if (!answer.accepted) return;
        folder = saveAllFolderPart(answer.path);
    }
    std::string failures;
    for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d != nullptr;
         d = NextReportDocument(d, nullptr)) {
        const std::string path = d->path.empty() ? saveAllTargetPath(folder, d->name) : d->path;
        const std::string failure = saveDocument(d, path);
        if (!failure.empty()) failures += (failures.empty() ? "" : "\r\n") + failure;
    }
    if (!failures.empty()) showError(failures);
}

// --- Documents -----------------------------------------------------------------

void TReport::AggregateClick() {
    const int index = TabControl1->currentIndex();
    if (index < 1 || index >= reportDocumentCount()) return;
    ReportDocument* target = NthReportDocument(index - 1);
    ReportDocument* source = NthReportDocument(index);
    if (!MergeReportDocuments(target, source)) {
        showError("Not enough memory to aggregate the reports.");
        return;
    }
    // The receiver now holds records that no file has.
    target->saved = 0;
    model_->setDocument(nullptr);
    DeleteReportDocument(index);
    ReportRefreshTabs();
}

void TReport::CloseClick() {
    ReportDocument* document = currentDocument();
    if (document == nullptr) return;
    if (document->saved == 0 && !closeAnyway(kCloseUnsavedReportPrompt)) return;
    model_->setDocument(nullptr);
    DeleteReportDocument(documentIndex(document));
    ReportRefreshTabs();
}

void TReport::Closeall1Click() {
    if (reportDocumentCount() == 0) return;
    if (unsavedReportCount() > 0 && !closeAnyway(kCloseUnsavedReportsPrompt)) return;
    model_->setDocument(nullptr);
    while (reportDocumentCount() > 0) DeleteReportDocument(0);
    ReportRefreshTabs();
}

// --- Check marks ---------------------------------------------------------------

void TReport::CheckallClick() {
    if (currentDocument() == nullptr) return;
    selectAllFeatureNames();
    model_->checksChanged();
}

void TReport::UncheckallClick() {
    if (currentDocument() == nullptr) return;
    deselectAllFeatureNames();
    model_->checksChanged();
}

void TReport::Invert1Click() {
    const ReportDocument* document = currentDocument();
    if (document == nullptr) return;
    invertFeatureChecks(*document);
    model_->checksChanged();
}

void TReport::setHighlightedChecks(bool checked) {
    const ReportDocument* document = currentDocument();
    if (document == nullptr) return;
    for (const QModelIndex& index : ListView1->selectionModel()->selectedRows()) {
        if (index.row() < 0 || index.row() >= document->recordCount()) continue;
        setFeatureChecked(recordName(document->records[static_cast<size_t>(index.row())]), checked);
    }
    model_->checksChanged();
}

void TReport::CheckselectedClick() {
    setHighlightedChecks(true);
}

void TReport::UncheckselectedClick() {
    setHighlightedChecks(false);
}

bool TReport::ListView1MouseDown(const QPoint& pos) {
    const ReportDocument* document = currentDocument();
    if (document == nullptr) return false;
    // Measured from the list's first column, so it holds when the list is scrolled sideways.
    const int x = pos.x() - ListView1->columnViewportPosition(0);
    if (x < 0 || x > kCheckImageRight) return false;
    const int row = ListView1->rowAt(pos.y());
    if (row < 0 || row >= document->recordCount()) return false;
    const std::string_view name = recordName(document->records[static_cast<size_t>(row)]);
    const int before = FeatureNameState(name);
    if (toggleFeatureCheck(name) == before) return false;
    model_->checksChanged();
    return true;
}

bool TReport::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1->viewport() && (event->type() == QEvent::MouseButtonPress ||
                                             event->type() == QEvent::MouseButtonDblClick)) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        if (mouse->button() == Qt::LeftButton) ListView1MouseDown(mouse->position().toPoint());
    }
    return QWidget::eventFilter(watched, event);
}

// --- Class names -------------------------------------------------------------

void TReport::ListView1ColumnClick(int column) {
    ReportDocument* document = currentDocument();
    if (document == nullptr || _OptionsClass == nullptr || column < 1 || column > kRoiCount) return;
    const int32_t state = document->roiState[static_cast<size_t>(column - 1)];
    if (state != kRoiUsed && state != kRoiExcluded) return;

    _OptionsClass->className = document->roiName[static_cast<size_t>(column - 1)];
    _OptionsClass->roiNumber = column;
    _OptionsClass->useFlag = state;
    // Opened over this window: owned by the main window it would bring the
    // main window up over the report, which then stayed hidden behind it.
    platform::execOwnedBy(_OptionsClass, this);
    raise();
    activateWindow();

    ClassNameEdit edit;
    edit.name = _OptionsClass->className;
    edit.use = _OptionsClass->useFlag;
    edit.scope = _OptionsClass->scope;
    if (applyClassNameEdit(*document, column, edit)) {
        model_->columnsChanged();
        // A longer class name widens its column.
        sizeColumnsToContents();
    }
}
