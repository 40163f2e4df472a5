#include "statistics/forms/silhouette_window.h"

#include <QFontMetrics>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "platform/qt/qt_text.h"
#include "statistics/core/r62_shell.h"

namespace {

constexpr int kDefaultWidth = 475;
constexpr int kDefaultHeight = 320;
constexpr int kImageLeft = 8;
constexpr int kImageTop = 8;

QColor clusterColour(int c) {
    const uint32_t rgb = classRgb(c);
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

QRect rectOf(const PixelRect& r) {
    return QRect(QPoint(r.left, r.top), QPoint(r.right - 1, r.bottom - 1));
}

}  // namespace

TSilhouetteWindow::TSilhouetteWindow(QWidget* owner)
    : DiagramWindow(owner, {"SilhouetteWindow",
                            &r62Shell().SilhouetteWindowOpen,
                            kSilhouetteSaveFilter,
                            platform::MessageIcon::Question,
                            {}}) {
    auto* client = new QWidget(this);
    frameLayout()->addWidget(client, 1);
    Image = new DiagramView(&picture_, client);
    Image->move(kImageLeft, kImageTop);

    resize(kDefaultWidth, kDefaultHeight);
    placePicture(pictureSizeFor(size()));
}

TSilhouetteWindow::~TSilhouetteWindow() = default;

QSize TSilhouetteWindow::pictureSizeFor(const QSize& window) const {
    return QSize(std::max(1, window.width() - 25), std::max(1, window.height() - 70));
}

void TSilhouetteWindow::placePicture(const QSize& size) {
    picture_ = QImage(size, QImage::Format_RGB32);
    picture_.fill(QColor(0xC0, 0xC0, 0xC0));
    Image->resize(size);
}

void TSilhouetteWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize wanted = pictureSizeFor(size());
    if (wanted == picture_.size()) return;
    placePicture(wanted);
    DrawSilhouettes();
}

void TSilhouetteWindow::DrawSilhouettes() {
    const SilhouetteLayout g =
        layoutSilhouettes(records, clusterCount, picture_.width(), picture_.height());
    picture_.fill(QColor(0xC0, 0xC0, 0xC0));
    {
        QPainter painter(&picture_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setRenderHint(QPainter::TextAntialiasing, false);
        QFont font("MS Sans Serif");
        font.setStyleHint(QFont::SansSerif);
        font.setPixelSize(11);
        font.setStyleStrategy(QFont::NoAntialias);
        QFont bold = font;
        bold.setBold(true);
        auto text = [&painter](const PixelPoint& at, const QString& s, const QFont& f,
                               const QColor& colour) {
            painter.setFont(f);
            painter.setPen(colour);
            painter.drawText(at.x, at.y + QFontMetrics(f).ascent(), s);
        };

        for (const SilhouetteBar& bar : g.bars)
            if (bar.rect.right > bar.rect.left)
                painter.fillRect(rectOf(bar.rect), clusterColour(bar.cluster));

        painter.setPen(QPen(Qt::black, 0));
        for (const PixelLine& line : g.axes)
            painter.drawLine(line.from.x, line.from.y, line.to.x, line.to.y);
        text(g.zeroLabel, "0.0", bold, Qt::black);
        text(g.halfLabel, "0.5", bold, Qt::black);
        text(g.oneLabel, "1.0", bold, Qt::black);
        const QString smallest = platform::qtText(g.smallestText);
        if (const std::optional<int> x =
                smallestLabelX(g, QFontMetrics(bold).horizontalAdvance(smallest)))
            text({*x, g.smallestLabel.y}, smallest, bold, Qt::black);
        text(g.title, "Silhouette values", font, QColor(0, 0, 0x80));

        painter.fillRect(rectOf(g.legendBox), Qt::white);
        painter.setPen(QPen(Qt::black, 0));
        painter.drawRect(rectOf(g.legendBox));
        text(g.legendTitle, "Legend", bold, Qt::black);
        for (const LegendEntry& entry : g.legend) {
            painter.fillRect(rectOf(entry.swatch), clusterColour(entry.cluster));
            text(entry.text, "Cluster #" + QString::number(entry.cluster), font, Qt::black);
        }
    }
    r62Diagram().DiagramSaved = 0;
    Image->update();
}

TSilhouetteWindow* OpenSilhouetteWindow(QWidget* owner) {
    return new TSilhouetteWindow(owner);
}

TSilhouetteWindow* ShowSilhouettes(QWidget* owner, const SilhouetteArray& values,
                                   const PerSample16& clusters, int sampleCount, int clusterCount,
                                   const std::string& dataFileName,
                                   const std::string& analysisName) {
    TSilhouetteWindow* window = OpenSilhouetteWindow(owner);
    window->setWindowTitle(DiagramWindow::captionFor(dataFileName, analysisName));
    window->records = silhouetteRecords(values, clusters, sampleCount);
    SortSilhouettes(window->records);
    window->clusterCount = clusterCount;
    // A taller window for a longer legend; the picture follows the window.
    window->setMinimumHeight(silhouetteMinimumHeight(clusterCount));
    // Shown first: a hidden window gets its new size only then.
    window->showOver(owner);
    window->DrawSilhouettes();
    return window;
}
