#include "statistics/forms/tree_window.h"

#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/dialogs.h"
#include "platform/qt/qt_text.h"
#include "platform/textformat.h"
#include "statistics/core/clustering/silhouette_plot.h"
#include "statistics/core/r62_shell.h"
#include "statistics/forms/class_cluster_table.h"

namespace {

constexpr const char* kBoxCaption = kR62BoxCaption;
constexpr int kDefaultWidth = 520;
constexpr int kDefaultHeight = 400;
constexpr int kImageLeft = 33;
constexpr int kImageTop = 10;
constexpr int kRightPanelWidth = 128;
constexpr int kLeafLabelPixels = 10;

QTableWidget* valueList(const QString& keyTitle, const QString& valueTitle, QWidget* parent) {
    auto* list = new QTableWidget(0, 2, parent);
    list->setHorizontalHeaderLabels({keyTitle, valueTitle});
    list->verticalHeader()->hide();
    // Columns as wide as their texts (a leaf's sample list may be long), the
    // list scrolling sideways when they are wider than the page.
    list->horizontalHeader()->setStretchLastSection(false);
    list->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    list->setWordWrap(false);
    list->setTextElideMode(Qt::ElideRight);
    list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list->setSelectionBehavior(QAbstractItemView::SelectRows);
    return list;
}

void fillValueList(QTableWidget* list, const std::vector<DescriptionEntry>& entries) {
    list->setRowCount(static_cast<int>(entries.size()));
    for (size_t k = 0; k < entries.size(); ++k) {
        const int row = static_cast<int>(k);
        list->setItem(row, 0, new QTableWidgetItem(platform::qtText(entries[k].key)));
        auto* value = new QTableWidgetItem(platform::qtText(entries[k].value));
        value->setToolTip(value->text());
        list->setItem(row, 1, value);
    }
    list->resizeColumnsToContents();
    list->resizeRowsToContents();
}

}  // namespace

// --- the dendrogram window ---------------------------------------------------

TTreeWindow::TTreeWindow(QWidget* owner, MemoLineSink addMemoLine, const ClusterTree& tree,
                         const R62DataSet& dataSet)
    : DiagramWindow(owner, {"TreeWindow", &r62Shell().TreeWindowOpen, kTreeSaveFilter,
                            platform::MessageIcon::Question, Qt::WindowStaysOnTopHint}),
      addMemoLine_(std::move(addMemoLine)),
      tree_(std::make_unique<ClusterTree>(tree)) {
    model_ = dendrogramModel(*tree_);
    const int n = tree_->sampleCount;
    category_.assign(static_cast<size_t>(n) + 1, 0);
    for (int i = 1; i <= n; ++i) category_[static_cast<size_t>(i)] = dataSet.Category[i];
    categoryCount_ = dataSet.CategoryCount;

    QVBoxLayout* layout = frameLayout();
    auto* body = new QHBoxLayout;
    body->setContentsMargins(2, 2, 2, 2);
    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    PageControl1->setTabPosition(QTabWidget::South);
    PageControl1->addTab(createDendrogramPage(), "Dendrogram");
    PageControl1->addTab(createDescriptionPage(), "Description");
    body->addWidget(PageControl1, 1);
    body->addWidget(createRightPanel());
    layout->addLayout(body, 1);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    statusPanel_ = new QLabel(StatusBar1);
    StatusBar1->addWidget(statusPanel_, 1);
    layout->addWidget(StatusBar1);

    setMinimumSize(kDefaultWidth, kDefaultHeight);
    resize(kDefaultWidth, kDefaultHeight);
    placePicture(pictureSizeFor(size()));
}

TTreeWindow::~TTreeWindow() = default;

QWidget* TTreeWindow::createDendrogramPage() {
    auto* page = new QWidget;
    page->setObjectName("DendrogramPage");
    Bevel1 = new QFrame(page);
    Bevel1->setObjectName("Bevel1");
    Bevel1->setFrameStyle(QFrame::Box | QFrame::Sunken);
    TrackBar1 = new QSlider(Qt::Vertical, page);
    TrackBar1->setObjectName("TrackBar1");
    TrackBar1->setTickPosition(QSlider::NoTicks);
    // Position 0 at the top, as rows count.
    TrackBar1->setInvertedAppearance(true);
    TrackBar1->setInvertedControls(true);
    TrackBar1->setRange(0, 0);
    connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
    Image = new DiagramView(&picture_, page);
    return page;
}

QWidget* TTreeWindow::createDescriptionPage() {
    auto* page = new QWidget;
    page->setObjectName("DescriptionPage");
    auto* layout = new QHBoxLayout(page);
    layout->setContentsMargins(4, 4, 4, 4);
    LeafList = valueList("Leaf No.", "Sample No.", page);
    LeafList->setObjectName("LeafList");
    SampleList = valueList("Sample No.", "Leaf No.", page);
    SampleList->setObjectName("SampleList");
    layout->addWidget(LeafList, 1);
    layout->addWidget(SampleList, 1);
    return page;
}

QWidget* TTreeWindow::createRightPanel() {
    auto* panel = new QWidget(this);
    panel->setObjectName("Panel1");
    panel->setFixedWidth(kRightPanelWidth);
    auto* layout = new QVBoxLayout(panel);
    layout->setContentsMargins(6, 6, 6, 6);
    auto addEdit = [&](const char* name, const char* caption) {
        auto* label = new QLabel(caption, panel);
        label->setWordWrap(true);
        auto* edit = new QLineEdit(panel);
        edit->setObjectName(name);
        edit->setReadOnly(true);
        layout->addWidget(label);
        layout->addWidget(edit);
        layout->addSpacing(6);
        return edit;
    };
    Edit2 = addEdit("Edit2", "Cophenetic correlation:");
    Edit3 = addEdit("Edit3", "Inconsistency coefficient:");
    Edit4 = addEdit("Edit4", "Relative inconsistency:");
    layout->addStretch(1);
    AcceptButton = new QPushButton("&Accept", panel);
    AcceptButton->setObjectName("Accept");
    DiscardButton = new QPushButton("&Discard", panel);
    DiscardButton->setObjectName("Discard");
    connect(AcceptButton, &QPushButton::clicked, this, [this] { AcceptClick(); });
    connect(DiscardButton, &QPushButton::clicked, this, [this] { DiscardClick(); });
    layout->addWidget(AcceptButton);
    layout->addWidget(DiscardButton);
    return panel;
}

QString TTreeWindow::statusText() const {
    return statusPanel_->text();
}

QSize TTreeWindow::pictureSizeFor(const QSize& window) const {
    return QSize(std::max(1, window.width() - 176), std::max(1, window.height() - 132));
}

void TTreeWindow::placePicture(const QSize& size) {
    picture_ = QImage(size, QImage::Format_RGB32);
    picture_.fill(Qt::white);
    clean_ = picture_;
    Image->setGeometry(kImageLeft, kImageTop, size.width(), size.height());
    Bevel1->setGeometry(kImageLeft - 2, kImageTop - 2, width() - 172, height() - 128);
    TrackBar1->setGeometry(6, kImageTop, 24, std::max(1, size.height() - 15));
    const QSignalBlocker quiet(TrackBar1);
    TrackBar1->setRange(0, std::max(0, size.height() - 38));
}

// --- drawing -----------------------------------------------------------------

void TTreeWindow::DrawDendrogram() {
    geometry_ = layoutDendrogram(model_, *tree_, picture_.width(), picture_.height());
    const DendrogramGeometry& g = geometry_;
    const std::vector<uint32_t> pixels = rasteriseDendrogram(g);
    for (int y = 0; y < g.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture_.scanLine(y));
        for (int x = 0; x < g.width; ++x) {
            const uint32_t bgr = pixels[static_cast<size_t>(y) * static_cast<size_t>(g.width) +
                                        static_cast<size_t>(x)];
            line[x] = qRgb(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                           static_cast<int>((bgr >> 16) & 0xFF));
        }
    }
    {
        QPainter painter(&picture_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        QFont font("MS Sans Serif");
        font.setStyleHint(QFont::SansSerif);
        // Large enough to read, small enough for the 12-pixel label rows.
        font.setPixelSize(kLeafLabelPixels);
        font.setStyleStrategy(QFont::NoAntialias);
        painter.setFont(font);
        const QFontMetrics metrics(font);
        for (const DendrogramLeafLabel& label : g.labels) {
            painter.setPen(QPen(platform::colourFromBgr(kDendrogramConnector), 0, Qt::DotLine));
            if (label.connectorBottom >= label.connectorTop)
                painter.drawLine(label.x, label.connectorTop, label.x, label.connectorBottom);
            const QString text = platform::qtText(label.text);
            painter.setPen(platform::colourFromBgr(kDendrogramNavy));
            painter.drawText(label.x - metrics.horizontalAdvance(text) / 2,
                             label.y + metrics.ascent(), text);
        }
    }
    Edit2->setText(platform::qtText(platform::cformat("%1.6f", tree_->copheneticCorrelation)));
    r62Diagram().DiagramSaved = 0;
    clean_ = picture_.copy();
    {
        const QSignalBlocker quiet(TrackBar1);
        TrackBar1->setValue(kFirstCutRow);
    }
    Image->update();
}

void TTreeWindow::drawCutLine(int row) {
    picture_ = clean_.copy();
    if (row >= 0 && row < picture_.height()) {
        auto* line = reinterpret_cast<QRgb*>(picture_.scanLine(row));
        for (int x = 0; x < picture_.width(); ++x) line[x] = qRgb(255, 0, 0);
    }
    Image->update();
}

void TTreeWindow::fillDescription() {
    fillValueList(LeafList, leafSampleEntries(model_));
    fillValueList(SampleList, sampleLeafEntries(model_));
}

void TTreeWindow::TrackBar1Change() {
    const int row = TrackBar1->value();
    drawCutLine(row);
    // Accepted: the reported partition stands, whatever the bar shows.
    if (decided_) return;
    const int count = bluePixelsOnRow(geometry_, row);
    if (count == k_ && !firstChange_) return;
    firstChange_ = false;
    k_ = static_cast<int16_t>(clustersForCount(count, model_.sampleCount));
    statusPanel_->setText(kClustersChosenStatus + QString::number(k_));
    labels_ = cutDendrogram(model_, *tree_, k_);
    const int t = model_.sampleCount - k_ + 1;
    Edit3->setText(platform::qtText(platform::cformat("%1.6f", tree_->InconsistencyTable[t][3])));
    Edit4->setText(platform::qtText(platform::cformat("%1.6f", DendrogramCutLevel(*tree_, k_))));
}

void TTreeWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The resize that creating the window causes finds the picture at its size.
    const QSize wanted = pictureSizeFor(size());
    if (wanted == picture_.size()) return;
    placePicture(wanted);
    DrawDendrogram();
    if (!decided_) {
        TrackBar1Change();
        return;
    }
    // After an accept the cut stays on a row that gives the accepted number
    // of clusters, so the picture (and a saved copy) matches the report.
    const int row = rowForClusters(geometry_, k_, model_.sampleCount, kFirstCutRow);
    {
        const QSignalBlocker quiet(TrackBar1);
        TrackBar1->setValue(row >= 0 ? row : kFirstCutRow);
    }
    drawCutLine(TrackBar1->value());
}

// --- commands ----------------------------------------------------------------

void TTreeWindow::AcceptClick() {
    if (decided_) return;
    if (labels_.empty()) TrackBar1Change();
    if (addMemoLine_)
        for (const std::string& line : acceptedPartitionLines(*tree_, labels_, k_))
            addMemoLine_(line);
    TrackBar1->setEnabled(false);
    AcceptButton->setEnabled(false);
    DiscardButton->setEnabled(false);
    decided_ = true;
    showClassClusterTable(parentWidget(), classClusterTable(category_, labels_, categoryCount_, k_),
                          this);
}

void TTreeWindow::DiscardClick() {
    close();
}

void TTreeWindow::CloseClick() {
    if (!decided_) {
        platform::showMessage(kBoxCaption, kAcceptOrDiscardMessage, platform::MessageButtons::Ok,
                              platform::MessageIcon::Warning);
        return;
    }
    DiagramWindow::CloseClick();
}

void TTreeWindow::closing() {
    if (closed_) return;
    closed_ = true;
    if (!decided_ && addMemoLine_) addMemoLine_(kResultsRejectedLine);
}

TTreeWindow* OpenTreeWindow(QWidget* owner, MemoLineSink addMemoLine, const ClusterTree& tree,
                            const R62DataSet& data) {
    return new TTreeWindow(owner, std::move(addMemoLine), tree, data);
}

TTreeWindow* ShowDendrogram(QWidget* owner, MemoLineSink addMemoLine, const ClusterTree& tree,
                            const R62DataSet& data, const std::string& analysisName) {
    if (tree.sampleCount < 2 || tree.sampleCount > kMaxSamples) return nullptr;
    TTreeWindow* window = OpenTreeWindow(owner, std::move(addMemoLine), tree, data);
    window->setWindowTitle(DiagramWindow::captionFor(data.DataFileName, analysisName));
    window->DrawDendrogram();
    window->fillDescription();
    window->TrackBar1Change();
    window->showOver(owner);
    return window;
}
