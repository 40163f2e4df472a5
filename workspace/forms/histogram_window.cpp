#include "workspace/forms/histogram_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QLabel>
#include <QPainter>
#include <QTabBar>
#include <QVBoxLayout>

#include "platform/qt/qt_text.h"
#include "workspace/core/workspace_state.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

constexpr int kPictureWidth = 400;
constexpr int kPictureHeight = 140;
constexpr int kAxisLeft = 40;
constexpr int kAxisBottom = 110;

}  // namespace

THistogram::THistogram(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("Histogram");
    setWindowTitle("Histogram");
    tabs_ = new QTabBar(this);
    tabs_->setObjectName("TabControl1");
    view_ = new QLabel(this);
    view_->setObjectName("Image1");
    view_->setFixedSize(kPictureWidth, kPictureHeight);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(view_);
    connect(tabs_, &QTabBar::currentChanged, this, [this](int index) {
        if (rebuilding_) return;
        if (index >= 0 && index < static_cast<int>(tabRois_.size()))
            selectedRoi_ = tabRois_[static_cast<size_t>(index)];
        redraw();
    });
}

QImage THistogram::drawHistogram(const WorkspaceState& state, int roi) {
    QImage image(kPictureWidth, kPictureHeight, QImage::Format_RGB888);
    image.fill(QColor(0x80, 0x80, 0x80));
    if (roi < 1 || roi > kRoiCount || !state.GreyImage || !state.RoiMap) return image;
    const RoiHistogram h = computeRoiHistogram(state.GreyImage->current, state.RoiMap->current,
                                               state.GreyImage->size(), roi, state.BitDepth);
    QPainter p(&image);
    p.setPen(Qt::white);
    p.drawRect(39, 9, 296 - 39, 111 - 9);
    for (int x : {40, 167, 295}) p.drawLine(x, 111, x, 114);
    for (int y : {10, 60, 110}) p.drawLine(36, y, 39, y);
    p.setPen(platform::colourFromBgr(kRoiColours[static_cast<size_t>(roi - 1)]));
    for (int k = 0; k < 256; ++k) {
        const int bar = std::min(
            histogramBarHeight(h.bins[static_cast<size_t>(k)], h.depth, h.largestValueCount), 100);
        if (bar > 0) p.drawLine(kAxisLeft + k, kAxisBottom, kAxisLeft + k, kAxisBottom - bar);
    }
    p.setPen(Qt::white);
    QFont font = p.font();
    font.setPixelSize(10);
    p.setFont(font);
    // Luminances count from 1, like the axis.
    const std::array<std::string, 3> labels = histogramXLabels(h.depth);
    const QString xLabels[] = {QString::fromStdString(labels[0]), QString::fromStdString(labels[1]),
                               QString::fromStdString(labels[2])};
    const int xAt[] = {40, 167, 295};
    for (int i = 0; i < 3; ++i) {
        const int w = p.fontMetrics().horizontalAdvance(xLabels[i]);
        p.drawText(xAt[i] - w / 2, 126, xLabels[i]);
    }
    const QString yLabels[] = {"0", QString::number(h.largestValueCount / 2),
                               QString::number(h.largestValueCount)};
    const int yAt[] = {110, 60, 10};
    for (int i = 0; i < 3; ++i)
        p.drawText(QRect(0, yAt[i] - 6, 34, 12), Qt::AlignRight | Qt::AlignVCenter, yLabels[i]);
    const uint32_t area = state.RoiPixelCount[static_cast<size_t>(roi - 1)];
    p.drawText(300, 10 + 8, QString("Area: %1").arg(area));
    p.drawText(300, 30 + 8, QString("MinLum: %1").arg(h.minLum + 1));
    p.drawText(300, 50 + 8, QString("MaxLum: %1").arg(h.maxLum + 1));
    return image;
}

void THistogram::HistogramUpdate(const WorkspaceState& state) {
    if (isHidden()) return;
    state_ = &state;
    tabRois_ = histogramTabRois(state.RoiPixelCount);
    const int selected = histogramSelectedTab(tabRois_, selectedRoi_);
    rebuilding_ = true;
    while (tabs_->count() > 0) tabs_->removeTab(0);
    if (tabRois_.empty()) {
        tabs_->addTab(" ");
        selectedRoi_ = 0;
    } else {
        for (int roi : tabRois_) tabs_->addTab(QString("Roi %1").arg(roi));
        tabs_->setCurrentIndex(selected);
        selectedRoi_ = tabRois_[static_cast<size_t>(selected)];
    }
    rebuilding_ = false;
    redraw();
}

void THistogram::redraw() {
    picture_ = state_ ? drawHistogram(*state_, selectedRoi_) : drawHistogram(WorkspaceState{}, 0);
    view_->setPixmap(QPixmap::fromImage(picture_));
}

void THistogram::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (_vantu) HistogramUpdate(_vantu->state);
}

void THistogram::closeEvent(QCloseEvent* event) {
    hide();
    if (_vantu)
        if (QAction* item = _vantu->action("Histogram")) item->setChecked(false);
    event->accept();
}

void HistogramUpdate() {
    if (_Histogram && _vantu) _Histogram->HistogramUpdate(_vantu->state);
}
