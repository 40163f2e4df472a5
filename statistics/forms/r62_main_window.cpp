#include "statistics/forms/r62_main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScopedValueRollback>
#include <QScreen>
#include <QSplitter>
#include <QSplitterHandle>
#include <QStatusBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>
#include <ctime>
#include <exception>
#include <filesystem>

#include "platform/dialogs.h"
#include "platform/file_dialog_requests.h"
#include "platform/files.h"
#include "platform/qt/application.h"
#include "platform/qt/busy_run.h"
#include "statistics/core/classifiers/ann_classifier.h"
#include "statistics/core/classifiers/nda.h"
#include "statistics/core/classifiers/nearest_neighbour.h"
#include "statistics/core/classifiers/network_testing.h"
#include "statistics/core/clustering/hierarchical_clustering.h"
#include "statistics/core/clustering/kmeans_clustering.h"
#include "statistics/core/clustering/silhouette_plot.h"
#include "statistics/core/clustering/similarity_clustering.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/data/selection_file_reader.h"
#include "statistics/core/linear/lda.h"
#include "statistics/core/linear/pca.h"
#include "statistics/core/linear/raw_data_analysis.h"
#include "statistics/core/r62_options.h"
#include "statistics/core/reports/report_header.h"
#include "statistics/forms/class_cluster_table.h"
#include "statistics/forms/graph_window.h"
#include "statistics/forms/html_help.h"
#include "statistics/forms/r62_options_window.h"
#include "statistics/forms/segmentation_window.h"
#include "statistics/forms/silhouette_window.h"
#include "statistics/forms/tree_window.h"

namespace {

constexpr const char* kBoxCaption = kR62BoxCaption;
constexpr int kClientWidth = 726;
constexpr int kClientHeight = 369;
constexpr int kPanelHeight = 19;
constexpr int kMemoInWidth = 355;
constexpr int kSplitterWidth = 16;
constexpr int kMemoMinimum = 200;
constexpr int kProgressBarWidth = 203;
// Offsets from the splitter's right edge.
constexpr int kOutputLabelOffset = 2;
constexpr int kProgressBarOffset = 110;

const QColor kSilver(0xC0, 0xC0, 0xC0);
const QColor kMoneyGreen(0xC0, 0xDC, 0xC0);
const QColor kDisabledGrey(0x80, 0x80, 0x80);

constexpr char kAboutText[] =
    "Program r62 v.3.3\r"
    "MRI texture data analysis and classification\r"
    "<30 features, 40 classes, 2000 samples>\r"
    "\r"
    "Written for the Vantu texture analysis package,\r"
    "which prepares its input files.";

// Long runs block the message loop; this keeps the windows painted, and the
// clicks made meanwhile are dropped rather than acted on after the run.
void keepRepainting() {
    platform::repaintDiscardingInput();
}

// Texts from files are shown as UTF-8 when they are, byte for byte otherwise.
QString toDisplay(const std::string& text) {
    const QString utf8 = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    if (utf8.toUtf8() == QByteArray(text.data(), static_cast<qsizetype>(text.size()))) return utf8;
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string join(const std::vector<std::string>& lines) {
    std::string text;
    for (size_t i = 0; i < lines.size(); ++i) {
        if (i > 0) text += '\n';
        text += lines[i];
    }
    return text;
}

QPlainTextEdit* makeMemo(QWidget* parent, const char* name) {
    auto* memo = new QPlainTextEdit(parent);
    memo->setObjectName(name);
    memo->setReadOnly(true);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo->setMinimumSize(kMemoMinimum, kMemoMinimum);
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    memo->setFont(font);
    return memo;
}

}  // namespace

TMainWindow::TMainWindow(const std::vector<std::string>& arguments) {
    setObjectName("MainWindow");
    setWindowTitle(QString::fromUtf8(kR62Caption.data(), kR62Caption.size()));
    createControls();
    createMenus();
    // F1 reaches the help file as it does in Vantu; no menu item offers it.
    auto* help = new QAction(this);
    help->setObjectName("HelpShortcut");
    help->setShortcut(QKeySequence(Qt::Key_F1));
    help->setShortcutContext(Qt::WindowShortcut);
    connect(help, &QAction::triggered, this, [this] { HelpClick(); });
    addAction(help);
    resize(kClientWidth, kClientHeight + menuBar()->sizeHint().height());
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect desktop = screen->availableGeometry();
        move(desktop.center() - QPoint(width() / 2, height() / 2));
    }
    SetVariables(arguments);
}

// The options window goes with its owner, and clears its flag as it goes.
TMainWindow::~TMainWindow() = default;

void TMainWindow::createControls() {
    QPalette silver = palette();
    silver.setColor(QPalette::Window, kSilver);
    // Disabled commands (while a run works) stay readable on silver.
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::ButtonText, QPalette::Text})
        silver.setColor(QPalette::Disabled, role, kDisabledGrey);
    setPalette(silver);

    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    Panel2 = new QWidget(client);
    Panel2->setObjectName("Panel2");
    Panel2->setFixedHeight(kPanelHeight);
    Panel2->setAutoFillBackground(true);
    QPalette green = Panel2->palette();
    green.setColor(QPalette::Window, kMoneyGreen);
    Panel2->setPalette(green);
    Label1 = new QLabel("Input (data)", Panel2);
    Label1->setObjectName("Label1");
    Label1->move(4, 2);
    OutputWinLabel = new QLabel("Output (report)", Panel2);
    OutputWinLabel->setObjectName("OutputWinLabel");
    ProgressBar = new QProgressBar(Panel2);
    ProgressBar->setObjectName("ProgressBar");
    ProgressBar->setTextVisible(false);
    ProgressBar->setRange(0, 100);
    ProgressBar->setFixedHeight(kPanelHeight - 4);
    layout->addWidget(Panel2);

    Splitter1 = new QSplitter(Qt::Horizontal, client);
    Splitter1->setObjectName("Splitter1");
    Splitter1->setHandleWidth(kSplitterWidth);
    Splitter1->setChildrenCollapsible(false);
    MemoIn = makeMemo(Splitter1, "MemoIn");
    MemoOut = makeMemo(Splitter1, "MemoOut");
    Splitter1->addWidget(MemoIn);
    Splitter1->addWidget(MemoOut);
    // The input pane keeps its width when the window is resized.
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);
    Splitter1->setSizes({kMemoInWidth, kClientWidth - kMemoInWidth - kSplitterWidth});
    layout->addWidget(Splitter1, 1);
    connect(Splitter1, &QSplitter::splitterMoved, this, [this] { Splitter1Moved(); });
    setCentralWidget(client);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    // A permanent label: Qt's temporary status message would be wiped by menu hovering.
    statusPanel_ = new QLabel(StatusBar1);
    StatusBar1->addWidget(statusPanel_, 1);
    setStatusBar(StatusBar1);
}

QAction* TMainWindow::addCommand(QMenu* target, const QString& caption,
                                 void (TMainWindow::*handler)()) {
    QAction* item = target->addAction(caption);
    connect(item, &QAction::triggered, this, [this, handler] { runCommand(handler); });
    return item;
}

void TMainWindow::createMenus() {
    QMenu* files = menuBar()->addMenu("&Files");
    addCommand(files, "&Get Input Data", &TMainWindow::GetDataClick);
    addCommand(files, "&Save Report", &TMainWindow::SaveReportClick);

    QAction* options = menuBar()->addAction("&Options");
    connect(options, &QAction::triggered, this, [this] { runCommand(&TMainWindow::OptionsClick); });

    QMenu* analysis = menuBar()->addMenu("&Analysis");
    addCommand(analysis, "&Raw Data", &TMainWindow::RawDataMIClick);
    addCommand(analysis, "&PCA", &TMainWindow::PCAClick);
    addCommand(analysis, "&LDA", &TMainWindow::LDAClick);
    addCommand(analysis, "&NDA", &TMainWindow::NDAClick);

    QMenu* classification = menuBar()->addMenu("&Classification");
    addCommand(classification, "&1_NN", &TMainWindow::k_NNClick);
    classification->addSeparator();
    addCommand(classification, "ANN: &one-class (training)", &TMainWindow::ann_one_trainClick);
    addCommand(classification, "ANN: &n-class (training)", &TMainWindow::ann_all_trainClick);
    classification->addSeparator();
    addCommand(classification, "ANN classifier &testing", &TMainWindow::ann_testClick);

    // Every menu of the bar has its own Alt key: "A" is Analysis's.
    QMenu* clustering = menuBar()->addMenu("C&lustering");
    addCommand(clustering, "&AHC", &TMainWindow::AHCClick);
    addCommand(clustering, "&SCM", &TMainWindow::SCMClick);
    clustering->addSeparator();
    addCommand(clustering, "&k-means", &TMainWindow::kmeansClick);

    QMenu* segmentation = menuBar()->addMenu("&Segmentation");
    addCommand(segmentation, "&Image segmentation", &TMainWindow::Imagesegmentation1Click);

    QAction* about = menuBar()->addAction("A&bout");
    connect(about, &QAction::triggered, this, [this] { runCommand(&TMainWindow::AbouClick); });
    QAction* exit = menuBar()->addAction("&Exit");
    connect(exit, &QAction::triggered, this, [this] { runCommand(&TMainWindow::ExiClick); });
}

void TMainWindow::Imagesegmentation1Click() {
    TSegmentationWindow window(this);
    window.exec();
}

void TMainWindow::runCommand(void (TMainWindow::*handler)()) {
    try {
        (this->*handler)();
    } catch (const std::exception& e) {
        ProgressBar->hide();  // a training that stopped half-way
        platform::Application::showException(e.what());
    } catch (...) {
        ProgressBar->hide();
        platform::Application::showException(nullptr);
    }
}

namespace {

// Captions compared as shown: the Alt key's marker does not count.
bool sameCaption(const QString& text, const QString& caption) {
    return QString(text).remove('&') == QString(caption).remove('&');
}

}  // namespace

QAction* TMainWindow::action(const QString& caption) const {
    for (QAction* item : menuBar()->actions()) {
        if (sameCaption(item->text(), caption)) return item;
        if (QMenu* sub = item->menu())
            for (QAction* entry : sub->actions())
                if (sameCaption(entry->text(), caption)) return entry;
    }
    return nullptr;
}

QMenu* TMainWindow::menu(const QString& title) const {
    for (QAction* item : menuBar()->actions())
        if (item->menu() && sameCaption(item->text(), title)) return item->menu();
    return nullptr;
}

TOptionsWin* TMainWindow::optionsWindow() const {
    return optionsWindow_.data();
}

TGraphWindow* TMainWindow::graphWindow() const {
    return graphWindow_.data();
}

std::string TMainWindow::statusText() const {
    return statusPanel_->text().toStdString();
}

void TMainWindow::setStatusText(const std::string& text) {
    statusPanel_->setText(toDisplay(text));
}

// --- start-up -----------------------------------------------------------------

void TMainWindow::SetVariables(const std::vector<std::string>& arguments) {
    // The decimal point is the application object's business (it keeps the
    // C numeric conventions from the start).
    r62Data().FeatureSelected.fill(0);
    ProgressBar->hide();
    ProgressBar->setFixedWidth(kProgressBarWidth);
    placeHeaderLabels(kMemoInWidth + kSplitterWidth);
    if (arguments.size() == 1) {
        InputFileName = commandLineInputFile(arguments);
        if (!InputFileName.empty()) GetDataClick();
    }
}

void TMainWindow::placeHeaderLabels(int splitterRight) {
    OutputWinLabel->move(splitterRight + kOutputLabelOffset, 2);
    ProgressBar->move(splitterRight + kProgressBarOffset, 2);
}

void TMainWindow::Splitter1Moved() {
    QSplitterHandle* handle = Splitter1->handle(1);
    const QPoint right = handle->mapTo(centralWidget(), QPoint(handle->width(), 0));
    placeHeaderLabels(right.x());
}

// --- output pane --------------------------------------------------------------

void TMainWindow::clearMemoOut() {
    memoOutLines_.clear();
    MemoOut->clear();
}

void TMainWindow::WriteReportHeader(std::string_view title) {
    clearMemoOut();
    MemoOut->hide();
    for (const std::string& line : reportHeaderLines(r62Data(), title, r62Options().StandardizeData,
                                                     reportDateTime(std::time(nullptr))))
        memoOutAdd(line);
}

void TMainWindow::WriteTestReportHeader(std::string_view title) {
    WriteReportHeader(title);
}

void TMainWindow::memoOutAdd(const std::string& line) {
    memoOutLines_.push_back(line);
    MemoOut->appendPlainText(toDisplay(line));
}

void TMainWindow::showMemoOut() {
    MemoOut->show();
}

void TMainWindow::setReport(const std::vector<std::string>& lines) {
    memoOutLines_ = lines;
    MemoOut->setPlainText(toDisplay(join(lines)));
    MemoOut->show();
}

void TMainWindow::setMemoInText(const std::string& text, bool blue) {
    QPalette colours = MemoIn->palette();
    colours.setColor(QPalette::Text, blue ? Qt::blue : Qt::black);
    MemoIn->setPalette(colours);
    MemoIn->setPlainText(toDisplay(text));
}

void TMainWindow::scrollInputToErrorMarker() {
    const QTextCursor marker = MemoIn->document()->find(QString::fromLatin1(kErrorMarkerStart), 0);
    if (marker.isNull()) return;
    QTextCursor at(marker.block());
    MemoIn->setTextCursor(at);
    MemoIn->ensureCursorVisible();
    // Before the window is first laid out the pane has no height to scroll
    // in: once it has, the marker is brought into sight again.
    QTimer::singleShot(0, MemoIn, [memo = MemoIn] { memo->ensureCursorVisible(); });
}

// --- the analysis frame ---------------------------------------------------------

bool TMainWindow::runAnalysisFrame(const std::string& status, ReportKind kind,
                                   const std::function<bool()>& routine, bool countSilhouette) {
    R62ShellFlags& shell = r62Shell();
    if (shell.toolWindowOpen(countSilhouette)) return false;
    if (r62Data().NewConsistentData == 0) {
        platform::showMessage(kBoxCaption, std::string(kNoDataMessage));
        return false;
    }
    shell.clearAllReportFlags();
    setStatusText(status);
    bool reported = false;
    {
        // The run repaints the windows as it goes, which also lets a close
        // from the title bar through: that must wait for the run's report.
        // The menus are disabled meanwhile, and what was clicked is dropped.
        const QScopedValueRollback<bool> running(running_, true);
        const platform::BusyRun busy(menuBar());
        reported = routine();
    }
    if (reported) shell.setReportFlag(kind);
    return true;
}

void TMainWindow::k_NNClick() {
    runAnalysisFrame("k-NN classification", ReportKind::Knn,
                     [this] { return nearestNeighbourCommand(); });
}

bool TMainWindow::nearestNeighbourCommand() {
    NearestNeighbourReport report = NearestNeighbourClassification(
        r62Data(), r62Options().StandardizeData, reportDateTime(std::time(nullptr)));
    keepRepainting();
    switch (report.outcome) {
        case NearestNeighbourOutcome::Reported:
            setReport(report.lines);
            return true;
        case NearestNeighbourOutcome::PreparationRefused:
            platform::showMessage(kBoxCaption, report.message);
            return false;
        case NearestNeighbourOutcome::NoFeatures:
            platform::showMessage(kBoxCaption, report.message, platform::MessageButtons::Ok,
                                  platform::MessageIcon::Error);
            return false;
    }
    return false;
}

void TMainWindow::RawDataMIClick() {
    runAnalysisFrame("Raw data analysis", ReportKind::RawData, [this] {
        return showAnalysisResult(runRawDataAnalysis(r62Data(), r62Options().StandardizeData,
                                                     reportDateTime(std::time(nullptr))));
    });
}

void TMainWindow::PCAClick() {
    runAnalysisFrame("PCA analysis", ReportKind::Pca, [this] {
        return showAnalysisResult(PrincipalComponentAnalysis(r62Data(), r62ProjectedData(),
                                                             r62Options().StandardizeData,
                                                             reportDateTime(std::time(nullptr))));
    });
}

void TMainWindow::LDAClick() {
    runAnalysisFrame("LDA analysis", ReportKind::Lda, [this] {
        return showAnalysisResult(LinearDiscriminantAnalysis(r62Data(), r62ProjectedData(),
                                                             r62Options().StandardizeData,
                                                             reportDateTime(std::time(nullptr))));
    });
}

void TMainWindow::NDAClick() {
    runAnalysisFrame("NDA analysis", ReportKind::Nda, [this] {
        const ProjectionReport report = runNonlinearDiscriminantAnalysis(
            r62Data(), r62Options(), reportDateTime(std::time(nullptr)),
            [this](int at, int of) { showNetworkProgress(at, of); });
        showNetworkProgress(0, 0);
        return showAnalysisResult(report, report.boundaries);
    });
}

void TMainWindow::runNetworkTraining(const std::string& statusText, NetworkTraining train,
                                     bool countSilhouette) {
    runAnalysisFrame(
        statusText, ReportKind::AnnTraining,
        [this, train] {
            const AnnTrainingReport report =
                train(r62Data(), reportDateTime(std::time(nullptr)),
                      [this](int at, int of) { showNetworkProgress(at, of); });
            showNetworkProgress(0, 0);
            return showAnalysisResult(report);
        },
        countSilhouette);
}

void TMainWindow::ann_one_trainClick() {
    runNetworkTraining("Neural-network 'one vs. (n-1)' classifier training", runAnnOneVsAllTraining,
                       /*countSilhouette=*/true);
}

void TMainWindow::ann_all_trainClick() {
    const std::string status =
        "Neural-network " + std::to_string(r62Data().CategoryCount) + "-class classifier training";
    runNetworkTraining(status, runAnnNClassTraining, /*countSilhouette=*/false);
}

void TMainWindow::ann_testClick() {
    R62ShellFlags& shell = r62Shell();
    if (shell.toolWindowOpen()) return;
    if (r62Data().NewConsistentData == 0) {
        platform::showMessage(kBoxCaption, std::string(kNoDataMessage));
        return;
    }
    // A test gives up the analysis and classification reports only.
    shell.ClearAnalysisReportFlags();
    shell.ClearClassificationReportFlags();
    platform::FileDialogRequest request = platform::fileDialogRequest(
        platform::FileDialogKind::Open, kNetworkOpenTitle, kNetworkOpenFilter);
    const platform::FileDialogResult answer = showR62FileDialog(request);
    if (!answer.accepted) return;
    const QScopedValueRollback<bool> running(running_, true);
    const platform::BusyRun busy(menuBar());
    const NetworkTestReport report =
        runNetworkTest(r62Data(), answer.path, reportDateTime(std::time(nullptr)));
    if (!report.statusText.empty()) setStatusText(report.statusText);
    if (report.clearMemoOut) clearMemoOut();
    showAnalysisResult(report, report.boundaries);
    if (report.outcome == AnalysisOutcome::Reported) shell.setReportFlag(ReportKind::Testing);
}

void TMainWindow::AHCClick() {
    runAnalysisFrame("Agglomerative Hierarchical Clustering", ReportKind::Ahc, [this] {
        const R62Options& options = r62Options();
        const AhcReport report = HierarchicalClustering(
            r62Data(), options.DistanceMetric, options.LinkageMethod, options.StandardizeData,
            reportDateTime(std::time(nullptr)), r62ClusterTree());
        if (!showReport(report)) return false;
        showDendrogramOf(report.analysisName);
        return true;
    });
}

void TMainWindow::SCMClick() {
    runAnalysisFrame("Similarity Based Clustering Method", ReportKind::Scm, [this] {
        const R62Options& options = r62Options();
        const AhcReport report = SimilarityBasedClustering(
            r62Data(), options.DistanceMetric, options.LinkageMethod, options.StandardizeData,
            reportDateTime(std::time(nullptr)), r62ClusterTree(), [this](int) { showBusy(); });
        showNetworkProgress(0, 0);
        if (!showReport(report)) return false;
        showDendrogramOf(report.analysisName);
        return true;
    });
}

void TMainWindow::kmeansClick() {
    runAnalysisFrame("K-means Clustering Method", ReportKind::Kmeans, [this] {
        R62DataSet& samples = r62Data();
        const KMeansReport report =
            KMeansClustering(samples, r62Options().ClustNo, r62Options().StandardizeData,
                             reportDateTime(std::time(nullptr)), [this](int, int) { showBusy(); });
        showNetworkProgress(0, 0);
        if (!showReport(report)) return false;
        const TSilhouetteWindow* silhouettes =
            ShowSilhouettes(this, report.SilhouetteValues, samples.ClassResult, report.sampleCount,
                            report.clusterCount, samples.DataFileName, report.analysisName);
        showClassClusterTable(
            this,
            classClusterTable(samples.Category, samples.ClassResult, report.sampleCount,
                              samples.CategoryCount, report.clusterCount),
            silhouettes);
        return true;
    });
}

bool TMainWindow::showReport(const AnalysisResult& result) {
    // A key pressed during the run must not answer the box of its result.
    keepRepainting();
    switch (result.outcome) {
        case AnalysisOutcome::Reported:
            setReport(result.lines);
            return true;
        case AnalysisOutcome::PreparationRefused:
            for (const std::string& message : result.messages)
                platform::showMessage(kBoxCaption, message);
            return false;
        case AnalysisOutcome::NoFeatures:
        case AnalysisOutcome::Failed:
            for (const std::string& message : result.messages)
                platform::showMessage(kBoxCaption, message, platform::MessageButtons::Ok,
                                      platform::MessageIcon::Error);
            if (result.outcome == AnalysisOutcome::Failed) setReport(result.lines);
            return false;
    }
    return false;
}

void TMainWindow::showDendrogramOf(const std::string& analysisName) {
    ShowDendrogram(
        this, [this](const std::string& line) { memoOutAdd(line); }, r62ClusterTree(), r62Data(),
        analysisName);
}

void TMainWindow::showNetworkProgress(int position, int maximum) {
    if (maximum <= 0) {
        ProgressBar->hide();
    } else {
        ProgressBar->setRange(0, maximum);
        ProgressBar->setValue(std::min(position, maximum));
        ProgressBar->show();
    }
    keepRepainting();
}

void TMainWindow::showBusy() {
    // No measure of how far the run is: the bar only moves.
    ProgressBar->setRange(0, 0);
    ProgressBar->show();
    keepRepainting();
}

bool TMainWindow::showAnalysisResult(const AnalysisResult& result,
                                     const std::vector<BoundaryLine>& boundaries) {
    if (!showReport(result)) return false;
    graphWindow_ = OpenGraphWindow(this, result.plot, r62Data(), boundaries);
    return true;
}

void TMainWindow::OptionsClick() {
    if (r62Shell().toolWindowOpen()) return;
    optionsWindow_ = OpenOptionsWindow(this);
}

// --- loading --------------------------------------------------------------------

void TMainWindow::GetDataClick() {
    R62ShellFlags& shell = r62Shell();
    if (shell.toolWindowOpen()) return;
    if (!offerToSaveAtLoad(ReportGroup::Analysis)) return;
    setStatusText("");
    if (!offerToSaveAtLoad(ReportGroup::Classification)) return;
    setStatusText("");
    if (!offerToSaveAtLoad(ReportGroup::Clustering)) return;

    clearMemoOut();
    MemoIn->clear();
    clearSelectionForLoad(r62Data());
    // The table counted the samples of the data that are now gone.
    if (TCCTable* table = classClusterTableWindow()) table->close();
    // The output pane is empty now: no report of any kind is left to save.
    shell.clearAllReportFlags();

    std::string path;
    const bool handedOver = !InputFileName.empty();
    if (handedOver) {
        path = InputFileName;
        InputFileName.clear();
    } else {
        OpenDialog1.filter = std::string(kSelOpenFilter);
        OpenDialog1.title = std::string(kSelOpenTitle);
        platform::FileDialogRequest request = platform::fileDialogRequest(
            platform::FileDialogKind::Open, OpenDialog1.title, OpenDialog1.filter);
        const platform::FileDialogResult answer = showR62FileDialog(request);
        if (!answer.accepted) return;
        path = answer.path;
    }
    const SelLoadResult result = loadSelFile(path, r62Data());
    if (result.status != SelLoadStatus::CannotRead) noteR62Load(path, handedOver);
    showLoadResult(result);
}

void TMainWindow::showLoadResult(const SelLoadResult& result) {
    if (result.status == SelLoadStatus::CannotRead) {
        platform::showMessage(kBoxCaption, result.messageBox, platform::MessageButtons::Ok,
                              platform::MessageIcon::Information);
        return;
    }
    setWindowTitle(toDisplay(result.caption));
    setMemoInText(result.inputPane, result.inputPaneBlue);
    if (result.status == SelLoadStatus::Rejected) {
        scrollInputToErrorMarker();
        platform::showMessage(kBoxCaption, result.messageBox);
        return;
    }
    setStatusText(result.statusText);
}

// --- saving ---------------------------------------------------------------------

void TMainWindow::applySaveChoice(const ReportSaveChoice& choice) {
    if (choice.filter) SaveDialog1.filter = *choice.filter;
    if (choice.filterIndex) SaveDialog1.filterIndex = *choice.filterIndex;
    saveExtension_ = choice.extension;
    SaveDialog1.fileName = reportFileName(r62Data().DataFileName, choice.extension);
    SaveDialog1.title = SaveDialog1.fileName;
}

SaveOutcome TMainWindow::saveReportLoop() {
    platform::FileDialogRequest request;
    request.title = SaveDialog1.title;
    request.filter = SaveDialog1.filter;
    request.filterIndex = SaveDialog1.filterIndex;
    request.fileName = SaveDialog1.fileName;
    request.defaultExtension = "." + saveExtension_;
    return saveWithReplace(
        request,
        [&](const std::string& path) {
            return platform::writeWholeFileAtomically(path, reportFileText(memoOutLines_));
        },
        {},
        [&](const platform::FileDialogResult& answer) {
            SaveDialog1.fileName = answer.path;
            SaveDialog1.filterIndex = answer.filterIndex;
        });
}

void TMainWindow::SaveReportClick() {
    R62ShellFlags& shell = r62Shell();
    if (shell.toolWindowOpen()) return;
    const std::optional<ReportSaveChoice> choice = saveReportChoice(shell);
    if (!choice) {
        platform::showMessage(kBoxCaption, std::string(kNothingToSaveMessage));
        return;
    }
    applySaveChoice(*choice);
    if (saveReportLoop() != SaveOutcome::Saved) return;
    shell.clearReportFlags(choice->group);
    setStatusText(std::string(kReportSavedStatus));
}

bool TMainWindow::offerToSaveAtLoad(ReportGroup group) {
    R62ShellFlags& shell = r62Shell();
    const std::optional<ReportSaveChoice> choice = loadPromptChoice(shell, group);
    if (!choice) return true;
    applySaveChoice(*choice);
    if (platform::showMessage(kBoxCaption, unsavedReportQuestion(group, false),
                              platform::MessageButtons::YesNo,
                              platform::MessageIcon::Information) != platform::MessageResult::Yes)
        return true;
    const SaveOutcome outcome = saveReportLoop();
    if (outcome == SaveOutcome::Saved) shell.clearReportFlags(group);
    return outcome != SaveOutcome::Failed;
}

bool TMainWindow::offerToSaveAtExit(bool closingFromFrame) {
    R62ShellFlags& shell = r62Shell();
    for (ReportGroup group :
         {ReportGroup::Analysis, ReportGroup::Classification, ReportGroup::Clustering}) {
        const std::optional<ReportSaveChoice> choice = exitPromptChoice(shell, group);
        if (!choice) continue;
        applySaveChoice(*choice);
        const platform::MessageResult answer = platform::showMessage(
            kBoxCaption, unsavedReportQuestion(group, true), platform::MessageButtons::YesNoCancel,
            platform::MessageIcon::Information);
        if (answer == platform::MessageResult::No) continue;
        if (answer != platform::MessageResult::Yes) return false;
        const SaveOutcome outcome = saveReportLoop();
        if (outcome == SaveOutcome::Failed) return false;
        if (outcome == SaveOutcome::Saved) shell.clearReportFlags(group);
        // "Exit" still asks whether to leave; closing the window does not,
        // so there a cancelled save keeps the program.
        if (outcome == SaveOutcome::Cancelled && closingFromFrame) return false;
    }
    return true;
}

// --- About, Exit, help ------------------------------------------------------------

void TMainWindow::AbouClick() {
    platform::showMessage("About r62", kAboutText, platform::MessageButtons::Ok,
                          platform::MessageIcon::Information);
}

void TMainWindow::ExiClick() {
    if (!offerToSaveAtExit(false)) return;
    if (platform::showMessage(kBoxCaption, std::string(kExitQuestion),
                              platform::MessageButtons::YesNo,
                              platform::MessageIcon::Question) != platform::MessageResult::Yes)
        return;
    exitConfirmed_ = true;
    close();
}

void TMainWindow::closeEvent(QCloseEvent* event) {
    if (running_) {
        event->ignore();
        return;
    }
    if (!exitConfirmed_ && !offerToSaveAtExit(true)) {
        event->ignore();
        return;
    }
    exitConfirmed_ = false;
    if (optionsWindow_) optionsWindow_->close();
    if (graphWindow_) graphWindow_->close();
    event->accept();
}

void TMainWindow::HelpClick() {
    HtmlHelpA(kR62HelpFile, HH_DISPLAY_TOPIC, 0);
}
