#include "statistics/forms/graph_window.h"

#include <QAction>
#include <QFontMetrics>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "platform/dialogs.h"
#include "platform/qt/qt_text.h"
#include "statistics/core/r62_shell.h"

namespace {

// A tick number without the blanks its format pads it with: the box's
// numbers start right beside the ends they name.
std::string trimmedTick(const std::string& text) {
    const size_t first = text.find_first_not_of(' ');
    return first == std::string::npos ? std::string() : text.substr(first);
}

// The glyph cell of one class character.
constexpr int kCellWidth = 7;
constexpr int kCellHeight = 12;
const QColor kLabelBlue(0, 0, 255);

QColor colourOf(uint32_t rgb) {
    return QColor(static_cast<int>((rgb >> 16) & 0xFF), static_cast<int>((rgb >> 8) & 0xFF),
                  static_cast<int>(rgb & 0xFF));
}

// The picture, 1:1, reporting where the pointer is.
class ImageView : public DiagramView {
  public:
    ImageView(TGraphWindow* window, QWidget* parent)
        : DiagramView(&window->picture(), parent), window_(window) {
        setMouseTracking(true);
        setFixedSize(kPlotImageWidth, kPlotImageHeight);
    }

  protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        const QPoint at = event->position().toPoint();
        window_->ImageMouseMove(at.x(), at.y());
    }

  private:
    TGraphWindow* window_;
};

// A painter on the picture that draws hard pixels: the plots are read back
// pixel by pixel (saved bitmaps, class colours), so no blending.
class PlotPainter : public QPainter {
  public:
    PlotPainter(QImage* image, const QFont& font) : QPainter(image) {
        setRenderHint(QPainter::Antialiasing, false);
        setRenderHint(QPainter::TextAntialiasing, false);
        setFont(font);
    }
};

}  // namespace

TGraphWindow::TGraphWindow(QWidget* owner, const PlotInput& plot, const PerSample16& category,
                           const std::string& dataFileName)
    : DiagramWindow(owner, {"GraphWindow", &r62Shell().GraphWindowOpen, kGraphSaveFilter,
                            platform::MessageIcon::Information,
                            Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint}),
      plot_(plot) {
    setWindowTitle(captionFor(dataFileName, plot.PlotTitle));

    const int count = std::clamp(plot.sampleCount, 0, kMaxSamples);
    category_.reserve(static_cast<size_t>(count));
    for (int i = 1; i <= count; ++i) category_.push_back(category[i]);

    canvasFont_ = QFont("MS Sans Serif");
    canvasFont_.setStyleHint(QFont::SansSerif);
    // Pixels, not points: the picture has the same size on every screen.
    canvasFont_.setPixelSize(11);
    canvasFont_.setBold(true);
    canvasFont_.setStyleStrategy(QFont::NoAntialias);
    setFont(canvasFont_);

    QVBoxLayout* layout = frameLayout();
    // The window takes the picture's size plus whatever the menu needs.
    layout->setSizeConstraint(QLayout::SetFixedSize);

    flipY = MainMenu1->addAction("&Flip axis");
    flipY->setObjectName("flipY");
    flipY->setEnabled(false);
    connect(flipY, &QAction::triggered, this, [this] { flipYClick(); });

    auto* client = new QWidget(this);
    client->setFixedSize(kPlotImageWidth, kPlotImageHeight);
    Image = new ImageView(this, client);
    Image->move(0, 0);
    // The status bar lies over the bottom of the picture, as the margins of
    // the readout leave room for it.
    StatusBar1 = new QStatusBar(client);
    StatusBar1->setObjectName("StatusBar1");
    StatusBar1->setSizeGripEnabled(false);
    statusPanel_ = new QLabel(StatusBar1);
    StatusBar1->addWidget(statusPanel_, 1);
    const int barHeight = StatusBar1->sizeHint().height();
    StatusBar1->setGeometry(0, kPlotImageHeight - barHeight, kPlotImageWidth, barHeight);
    StatusBar1->hide();
    layout->addWidget(client);

    picture_ = QImage(kPlotImageWidth, kPlotImageHeight, QImage::Format_RGB32);
    picture_.fill(Qt::white);
    // The font and the classes are fixed now: the ink holds for every plot.
    measureSymbolInk();
}

TGraphWindow::~TGraphWindow() = default;

void TGraphWindow::closing() {
    sampleMap_.release();
}

QString TGraphWindow::statusText() const {
    return statusPanel_->text();
}

// --- drawing ---------------------------------------------------------------------

void TGraphWindow::startPlot() {
    picture_.fill(Qt::white);
    sampleMap_ = SampleMap(picture_.width(), picture_.height());
}

int TGraphWindow::textWidth(const std::string& text) const {
    return QFontMetrics(canvasFont_).horizontalAdvance(platform::qtText(text));
}

int TGraphWindow::textHeight(const std::string& text) const {
    return QFontMetrics(canvasFont_).boundingRect(platform::qtText(text)).height();
}

TGraphWindow::PlotText TGraphWindow::tickText(int x, int y, const std::string& text) const {
    PlotText t;
    t.text = text;
    t.box = {x, y, textWidth(text), QFontMetrics(canvasFont_).height()};
    t.colour = Qt::black;
    return t;
}

TGraphWindow::PlotText TGraphWindow::labelText(int x, int y, const std::string& text) const {
    PlotText t = tickText(x, y, text);
    t.colour = kLabelBlue;
    t.tick = false;
    t.maxShift = 40;
    return t;
}

void TGraphWindow::drawTextBox(const TextBox& box, const std::string& text, const QColor& colour,
                               bool upright) {
    PlotPainter painter(&picture_, canvasFont_);
    painter.setPen(colour);
    const int ascent = QFontMetrics(canvasFont_).ascent();
    if (upright) {
        // Written upwards: the baseline runs up the box's column.
        painter.translate(box.x + ascent, box.y + box.height);
        painter.rotate(-90);
        painter.drawText(0, 0, platform::qtText(text));
    } else {
        painter.drawText(box.x, box.y + ascent, platform::qtText(text));
    }
}

void TGraphWindow::drawTexts(TextPlacer& placer, const std::vector<PlotText>& texts) {
    for (const PlotText& t : texts) {
        // Never cut at the edge of the plot, and off it where there is room;
        // a text pressed against the edge still beats a missing tick number.
        TextBox wanted = keptInside(t.box, picture_.width(), kPlotImageHeight, kPictureMargin);
        placer.setEdgeMargin(kPictureMargin);
        std::optional<TextBox> free = placer.place(wanted, t.maxShift);
        placer.setEdgeMargin(0);
        if (!free) {
            wanted = keptInside(t.box, picture_.width(), kPlotImageHeight);
            free = placer.place(wanted, t.maxShift);
        }
        if (free) {
            drawTextBox(*free, t.text, t.colour, t.upright);
        } else if (!t.tick) {
            placer.occupy(wanted);
            drawTextBox(wanted, t.text, t.colour, t.upright);
        }
    }
}

void TGraphWindow::measureSymbolInk() {
    // The pixels the class characters ink in their cell, so that the data
    // area keeps them, not their empty cell, clear of the frame.
    int left = kCellWidth;
    int top = kCellHeight;
    int right = 0;
    int bottom = 0;
    for (int c : classesPresent(category_)) {
        QImage cell(kCellWidth, kCellHeight, QImage::Format_RGB32);
        cell.fill(Qt::white);
        {
            PlotPainter painter(&cell, canvasFont_);
            painter.setPen(Qt::black);
            painter.drawText(0, QFontMetrics(canvasFont_).ascent(), QString(QChar(classSymbol(c))));
        }
        for (int j = 0; j < kCellHeight; ++j)
            for (int i = 0; i < kCellWidth; ++i)
                if ((cell.pixel(i, j) & 0xFFFFFF) == 0) {
                    left = std::min(left, i);
                    top = std::min(top, j);
                    right = std::max(right, i + 1);
                    bottom = std::max(bottom, j + 1);
                }
    }
    ink_ = right > left && bottom > top ? SymbolInk{left, top, right, bottom} : SymbolInk{};
}

void TGraphWindow::setClassNames(const std::vector<std::string>& names) {
    classNames_ = names;
    const std::vector<int> classes = classesPresent(category_);
    std::vector<int> widths;
    for (int c : classes) {
        const std::string name =
            c >= 1 && c <= static_cast<int>(names.size()) ? names[static_cast<size_t>(c - 1)] : "";
        // A long name is cut short: the legend is a key, not a report.
        widths.push_back(std::min(textWidth(name), kPlotImageWidth / 2));
    }
    legend_ = layoutClassLegend(classes, widths, kCellWidth, QFontMetrics(canvasFont_).height(),
                                kPlotImageWidth, kPlotImageHeight);
    const QSize size(kPlotImageWidth, kPlotImageHeight + legend_.height);
    picture_ = QImage(size, QImage::Format_RGB32);
    picture_.fill(Qt::white);
    Image->setFixedSize(size);
    Image->parentWidget()->setFixedSize(size);
}

void TGraphWindow::drawLegend() {
    if (legend_.items.empty()) return;
    const QFontMetrics metrics(canvasFont_);
    {
        PlotPainter painter(&picture_, canvasFont_);
        painter.setPen(QColor(0xC0, 0xC0, 0xC0));
        painter.drawLine(0, legend_.top, picture_.width() - 1, legend_.top);
    }
    for (const LegendItem& item : legend_.items) {
        DrawSampleSymbol(item.symbol.x, item.symbol.y, item.cls);
        const std::string name = item.cls <= static_cast<int>(classNames_.size())
                                     ? classNames_[static_cast<size_t>(item.cls - 1)]
                                     : std::string();
        PlotPainter painter(&picture_, canvasFont_);
        painter.setPen(Qt::black);
        const QString shown =
            metrics.elidedText(platform::qtText(name), Qt::ElideRight, kPlotImageWidth / 2);
        painter.drawText(item.text.x, item.text.y + metrics.ascent(), shown);
    }
}

void TGraphWindow::DrawSampleSymbol(int x, int y, int c) {
    if (c < 1 || c > static_cast<int>(ClassColours.size())) return;
    QImage cell(kCellWidth, kCellHeight, QImage::Format_RGB32);
    cell.fill(Qt::white);
    {
        PlotPainter painter(&cell, canvasFont_);
        painter.setPen(Qt::black);
        painter.drawText(0, QFontMetrics(canvasFont_).ascent(), QString(QChar(classSymbol(c))));
    }
    const QRgb colour = colourOf(classRgb(c)).rgb();
    for (int i = 0; i < kCellWidth; ++i)
        for (int j = 0; j < kCellHeight; ++j) {
            if ((cell.pixel(i, j) & 0xFFFFFF) != 0) continue;
            const int px = x + i;
            const int py = y + j;
            if (px >= 0 && py >= 0 && px < picture_.width() && py < picture_.height())
                picture_.setPixel(px, py, colour);
        }
}

void TGraphWindow::drawSamples(const std::vector<PixelPoint>& at) {
    for (size_t k = 0; k < at.size(); ++k) {
        DrawSampleSymbol(at[k].x, at[k].y, category_[k]);
        sampleMap_.mark(at[k].x, at[k].y, static_cast<uint16_t>(k + 1));
    }
}

void TGraphWindow::occupySymbols(TextPlacer& placer, const std::vector<PixelPoint>& at) const {
    for (const PixelPoint& p : at)
        placer.occupy(
            {p.x + ink_.left, p.y + ink_.top, ink_.right - ink_.left, ink_.bottom - ink_.top});
}

void TGraphWindow::showPicture() {
    drawLegend();
    r62Diagram().DiagramSaved = 0;
    Image->update();
}

void TGraphWindow::Plot1D() {
    flipY->setEnabled(false);
    startPlot();
    const Strip1D strip{picture_.width(), kPlotImageHeight};
    const int count = static_cast<int>(category_.size());
    const AxisRange x = axisRangeOf(plot_.PlotX.data(), count);
    const bool fixed = fixedTicks(x, false);

    // The symbols stay clear of the frame's ends; the row is the strip's middle.
    const DataArea area = dataAreaInside(strip.frameLeft(), strip.frameTop(),
                                         strip.frameRight() - 1, strip.frameBottom() - 1, ink_);
    const int row = strip.sample(0.0, x).y;
    std::vector<PixelPoint> at;
    for (int i = 1; i <= count; ++i)
        at.push_back({area.cellAt(normalisedPosition(plot_.PlotX[i], x), 0.0).x, row});
    drawSamples(at);
    TextPlacer placer(picture_.width(), kPlotImageHeight);
    placer.occupy({strip.frameLeft(), strip.frameTop(), strip.frameRight() - strip.frameLeft(),
                   strip.frameBottom() - strip.frameTop()});
    occupySymbols(placer, at);
    {
        PlotPainter painter(&picture_, canvasFont_);
        painter.setPen(Qt::black);
        painter.drawRect(strip.frameLeft(), strip.frameTop(),
                         strip.frameRight() - strip.frameLeft() - 1,
                         strip.frameBottom() - strip.frameTop() - 1);
    }
    const PixelPoint label = strip.label(textWidth(plot_.AxisLabel1));
    drawTexts(placer, {tickText(strip.minTickX(), strip.tickY(), ::tickText(x.min, fixed)),
                       tickText(strip.maxTickX(fixed), strip.tickY(), ::tickText(x.max, fixed)),
                       labelText(label.x, label.y, plot_.AxisLabel1)});
    showPicture();
}

void TGraphWindow::Plot2D(const std::string& tag) {
    flipY->setEnabled(false);
    startPlot();
    const Frame2D frame{picture_.width(), kPlotImageHeight};
    const int count = static_cast<int>(category_.size());
    const AxisRange x = axisRangeOf(plot_.PlotX.data(), count);
    const AxisRange y = axisRangeOf(plot_.PlotY.data(), count);
    {
        PlotPainter painter(&picture_, canvasFont_);
        if (tag == "ann") {
            for (size_t k = 0; k < boundaries_.size(); ++k) {
                painter.setPen(colourOf(classRgb(static_cast<int>(k) + 1)));
                const auto ends = boundarySegment(frame, boundaries_[k]);
                painter.drawLine(ends[0].x, ends[0].y, ends[1].x, ends[1].y);
            }
            // White strips around the box cut the lines off at the frame.
            const int w = picture_.width();
            const int h = picture_.height();
            const int boxBottom = frame.top() + frame.plotHeight();
            painter.fillRect(0, 0, w, frame.top(), Qt::white);
            painter.fillRect(0, boxBottom, w, h - boxBottom, Qt::white);
            painter.fillRect(0, 0, frame.left(), h, Qt::white);
            painter.fillRect(frame.right(), 0, w - frame.right(), h, Qt::white);
        }
    }

    // The symbols stay a few pixels inside the frame, the extremes included.
    const DataArea area =
        dataAreaInside(frame.left(), frame.top(), frame.right() - 1, frame.bottom() - 1, ink_);
    std::vector<PixelPoint> at;
    for (int i = 1; i <= count; ++i)
        at.push_back(area.cellAt(normalisedPosition(plot_.PlotX[i], x),
                                 normalisedPosition(plot_.PlotY[i], y)));
    drawSamples(at);
    {
        PlotPainter painter(&picture_, canvasFont_);
        painter.setPen(Qt::black);
        painter.drawRect(frame.left(), frame.top(), frame.right() - frame.left() - 1,
                         frame.bottom() - frame.top() - 1);
    }

    TextPlacer placer(picture_.width(), kPlotImageHeight);
    placer.occupy(
        {frame.left(), frame.top(), frame.right() - frame.left(), frame.bottom() - frame.top()});
    occupySymbols(placer, at);

    // The X ticks first: they keep one row, and a Y tick at the same corner
    // gives way upwards.
    std::vector<PlotText> texts;
    const bool fixedX = fixedTicks(x, false);
    texts.push_back(tickText(frame.minXTickX(), frame.xTickY(), ::tickText(x.min, fixedX)));
    texts.push_back(tickText(frame.maxXTickX(fixedX), frame.xTickY(), ::tickText(x.max, fixedX)));
    const std::array<std::string, 2> yTicks = yTickTexts2D(y);
    const int height = QFontMetrics(canvasFont_).height();
    const int widest = std::max(textWidth(yTicks[0]), textWidth(yTicks[1]));
    if (yTicksUpright(frame, widest)) {
        // Too wide for the margin: upwards along the axis, at its two ends.
        PlotText top = tickText(0, 0, yTicks[0]);
        top.box = uprightMaxYTick(frame, textWidth(yTicks[0]), height);
        top.upright = true;
        PlotText bottom = tickText(0, 0, yTicks[1]);
        bottom.box = uprightMinYTick(frame, textWidth(yTicks[1]), height);
        bottom.upright = true;
        texts.push_back(top);
        texts.push_back(bottom);
    } else {
        const int yTickX = frame.yTickX(textWidth(yTicks[0]));
        texts.push_back(tickText(yTickX, frame.maxYTickY(), yTicks[0]));
        texts.push_back(tickText(yTickX, frame.minYTickY(), yTicks[1]));
    }

    const PixelPoint label1 = frame.label1(textWidth(plot_.AxisLabel1));
    texts.push_back(labelText(label1.x, label1.y, plot_.AxisLabel1));
    const int label2Width = textWidth(plot_.AxisLabel2);
    if (label2Upright(frame, label2Width)) {
        const PixelPoint start = label2UprightStart(frame, label2Width, height);
        PlotText label2 = labelText(0, 0, plot_.AxisLabel2);
        label2.box = {start.x, start.y - label2Width, height, label2Width};
        label2.upright = true;
        texts.push_back(label2);
    } else {
        const PixelPoint label2 = frame.label2(label2Width, textHeight(plot_.AxisLabel2));
        texts.push_back(labelText(label2.x, label2.y, plot_.AxisLabel2));
    }
    drawTexts(placer, texts);
    showPicture();
}

void TGraphWindow::Plot3DSetup() {
    projection_ = plot3DSetup(kPlotImageHeight);
    r62Diagram().FlipYAxis = 1;
    Plot3D();
}

void TGraphWindow::Plot3D() {
    flipY->setEnabled(true);
    startPlot();
    const Projection3D& p = projection_;
    const bool up = r62Diagram().FlipYAxis != 0;
    const int count = static_cast<int>(category_.size());
    const AxisRange x = axisRangeOf(plot_.PlotX.data(), count);
    const AxisRange y = axisRangeOf(plot_.PlotY.data(), count);
    const AxisRange z = axisRangeOf(plot_.PlotZ.data(), count);
    auto corner = [&p](const CubeCorner& c) {
        const PixelPoint at = p.Project3D(c.x, c.y, c.z);
        return QPoint(at.x, at.y);
    };
    {
        PlotPainter painter(&picture_, canvasFont_);
        painter.setPen(QPen(Qt::black, 0, Qt::DotLine));
        for (const auto& edge : kHiddenEdges) painter.drawLine(corner(edge[0]), corner(edge[1]));
    }

    // The data keep clear of the box's edges: each axis is inset a little.
    std::vector<PixelPoint> at;
    for (int i = 1; i <= count; ++i) {
        double yn = normalisedPosition(plot_.PlotY[i], y);
        if (!up) yn = 1.0 - yn;
        const PixelPoint point =
            p.Project3D(insetInBox(normalisedPosition(plot_.PlotX[i], x)), insetInBox(yn),
                        insetInBox(normalisedPosition(plot_.PlotZ[i], z)));
        at.push_back({point.x - 2, point.y - 4});
    }
    drawSamples(at);
    {
        // The solid edges after the samples: a symbol at a corner of the box
        // does not break its edges.
        PlotPainter painter(&picture_, canvasFont_);
        painter.setPen(QPen(Qt::black, 0, Qt::SolidLine));
        QPolygon first;
        for (const CubeCorner& c : kVisibleEdges1) first << corner(c);
        painter.drawPolyline(first);
        QPolygon second;
        for (const CubeCorner& c : kVisibleEdges2) second << corner(c);
        painter.drawPolyline(second);
    }

    // Texts stand outside the box, nearest to where they belong.
    TextPlacer placer(picture_.width(), kPlotImageHeight);
    placer.occupyConvex(boxOutline(p, 1));
    occupySymbols(placer, at);
    // Each axis's end numbers beside its own edge (xMin, xMax, yMin, yMax, zMin, zMax).
    const std::array<const AxisRange*, 3> axes = {&x, &y, &z};
    std::array<std::string, 6> ends;
    for (size_t a = 0; a < axes.size(); ++a) {
        const bool fixed = fixedTicks(*axes[a], true);
        ends[2 * a] = trimmedTick(::tickText(axes[a]->min, fixed));
        ends[2 * a + 1] = trimmedTick(::tickText(axes[a]->max, fixed));
    }
    std::array<int, 6> widths{};
    for (size_t k = 0; k < ends.size(); ++k) widths[k] = textWidth(ends[k]);
    const std::array<TextBox, 6> boxes =
        endNumberBoxes3D(p, up, widths, QFontMetrics(canvasFont_).height());
    std::vector<PlotText> texts;
    for (size_t k = 0; k < ends.size(); ++k) {
        PlotText t = tickText(0, 0, ends[k]);
        t.box = boxes[k];
        t.maxShift = 36;
        texts.push_back(t);
    }
    const std::array<PixelPoint, 3> labels = labelAnchors3D(p);
    const std::array<const std::string*, 3> names{&plot_.AxisLabel1, &plot_.AxisLabel2,
                                                  &plot_.AxisLabel3};
    for (size_t k = 0; k < labels.size(); ++k) {
        const int width = textWidth(*names[k]);
        PlotText label = labelText(labels[k].x - width / 2, labels[k].y, *names[k]);
        if (k == 2 && label3Upright3D(p, width)) {
            // Too wide for the margin: upwards along the box's left edge.
            label.box = label3UprightBox3D(p, width, QFontMetrics(canvasFont_).height());
            label.upright = true;
        }
        texts.push_back(label);
    }
    drawTexts(placer, texts);
    flipY->setText(platform::qtText("&Flip \"" + plot_.AxisLabel2 + "\" axis"));
    showPicture();
}

// --- commands --------------------------------------------------------------------

void TGraphWindow::flipYClick() {
    r62Diagram().FlipYAxis ^= 1;
    Plot3D();
}

void TGraphWindow::ImageMouseMove(int x, int y) {
    const int clientWidth = kPlotImageWidth;
    const int clientHeight = kPlotImageHeight;
    if (x >= 11 && y >= 8 && x < clientWidth - 10 && y < clientHeight - 24) {
        statusPanel_->setText("Sample number = " + QString::number(sampleMap_.at(x, y)));
        StatusBar1->show();
    } else {
        StatusBar1->hide();
    }
}

TGraphWindow* OpenGraphWindow(QWidget* owner, const PlotInput& plot, const R62DataSet& data,
                              const std::vector<BoundaryLine>& boundaries) {
    if (plot.kind == PlotKind::None) return nullptr;
    auto* window = new TGraphWindow(owner, plot, data.Category, data.DataFileName);
    window->setClassBoundaries(boundaries);
    std::vector<std::string> names;
    for (int c = 1; c <= data.CategoryCount; ++c) names.push_back(data.CategoryName[c]);
    window->setClassNames(names);
    switch (plot.kind) {
        case PlotKind::Plot1D:
            window->Plot1D();
            break;
        case PlotKind::Plot2D:
            window->Plot2D(plot.tag);
            break;
        case PlotKind::Plot3D:
            window->Plot3DSetup();
            break;
        case PlotKind::None:
            break;
    }
    window->adjustSize();
    window->showOver(owner);
    return window;
}
