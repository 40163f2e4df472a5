#include "analysis/forms/feature_space_window.h"

#include <QBoxLayout>
#include <QComboBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "platform/dialogs.h"
#include "platform/file_dialog_requests.h"
#include "platform/metafile.h"
#include "platform/qt/qt_text.h"

namespace {

const QColor kButtonFace(0xF0, 0xF0, 0xF0);

// Logical units onto a target: isotropic, centred.
struct Mapping {
    double scale = 1, dx = 0, dy = 0;
    Mapping(int width, int height) {
        scale = std::min(width, height) / static_cast<double>(kFeatureSpaceSize);
        dx = (width - kFeatureSpaceSize * scale) / 2;
        dy = (height - kFeatureSpaceSize * scale) / 2;
    }
    double x(double v) const { return dx + v * scale; }
    double y(double v) const { return dy + v * scale; }
};

}  // namespace

void drawPlotItems(QPainter& painter, const std::vector<PlotItem>& items, int width, int height) {
    const Mapping map(width, height);
    painter.setRenderHint(QPainter::Antialiasing, false);
    for (const PlotItem& item : items) {
        switch (item.kind) {
            case PlotItem::Kind::Frame:
                painter.fillRect(0, 0, width, height, kButtonFace);
                painter.setPen(Qt::black);
                painter.drawRect(0, 0, width - 1, height - 1);
                break;
            case PlotItem::Kind::DottedLine:
                painter.setPen(QPen(Qt::black, 1, Qt::DotLine));
                painter.drawLine(QPointF(map.x(item.x), map.y(item.y)),
                                 QPointF(map.x(item.x2), map.y(item.y2)));
                break;
            case PlotItem::Kind::Text: {
                QFont font("Arial");
                font.setBold(item.bold);
                font.setPixelSize(
                    std::max(6, static_cast<int>(std::lround(item.height * map.scale))));
                painter.setFont(font);
                painter.setPen(platform::colourFromBgr(item.colour));
                painter.save();
                painter.translate(map.x(item.x), map.y(item.y));
                painter.rotate(-item.angle);
                const QString text = QString::fromUtf8(item.text.c_str());
                const QRectF box(-1000, -font.pixelSize(), 2000, 2 * font.pixelSize());
                painter.drawText(box, Qt::AlignCenter, text);
                painter.restore();
                break;
            }
        }
    }
}

// The client area: the picture, and the mouse for the turns.
class FeatureSpaceImage : public QWidget {
  public:
    explicit FeatureSpaceImage(TFFSpace* window) : window_(window) {
        setObjectName("Image1");
        setMinimumSize(300, 300);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.drawImage(0, 0, window_->picture());
    }
    void mousePressEvent(QMouseEvent* event) override {
        window_->Image1MouseDown(event->position().toPoint());
    }
    void mouseMoveEvent(QMouseEvent* event) override {
        window_->Image1MouseMove(event->position().toPoint(), event->buttons());
    }
    void resizeEvent(QResizeEvent*) override { window_->draw(); }

  private:
    TFFSpace* window_;
};

TFFSpace::TFFSpace(QWidget* owner) : QDialog(owner, Qt::Window) {
    setObjectName("FFSpace");
    setWindowTitle("Feature space");
    resize(760, 520);
    auto* layout = new QHBoxLayout(this);
    image_ = new FeatureSpaceImage(this);
    layout->addWidget(image_, 1);
    auto* panel = new QVBoxLayout;
    layout->addLayout(panel);
    ComboBox1 = new QComboBox;
    ComboBox2 = new QComboBox;
    ComboBox3 = new QComboBox;
    for (QComboBox* box : {ComboBox1, ComboBox2, ComboBox3}) {
        box->setMinimumWidth(200);
        panel->addWidget(box);
    }
    Memo1 = new QPlainTextEdit;
    Memo1->setReadOnly(true);
    panel->addWidget(Memo1, 1);
    CloseButton = new QPushButton("&Close");
    AcceptButton = new QPushButton("&Accept");
    Button1 = new QPushButton("&Save ...");
    panel->addWidget(CloseButton);
    panel->addWidget(AcceptButton);
    panel->addWidget(Button1);
    connect(ComboBox1, &QComboBox::activated, this, [this] { ComboBox1Change(); });
    connect(ComboBox2, &QComboBox::activated, this, [this] { comboBox2Change(); });
    connect(ComboBox3, &QComboBox::activated, this, [this] { ComboBox3Change(); });
    connect(CloseButton, &QPushButton::clicked, this, [this] { CloseButtonClick(); });
    connect(AcceptButton, &QPushButton::clicked, this, [this] { AcceptButtonClick(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
}

int TFFSpace::FeatureSpaceShow(const SelectionSamples& samples, std::vector<double>& weights) {
    if (samples.classCount() == 0 || samples.featureCount() == 0 || samples.sampleCount() == 0)
        return -1;
    samples_ = samples;
    const int features = samples.featureCount();
    for (QComboBox* box : {ComboBox1, ComboBox2, ComboBox3}) {
        box->clear();
        for (const SelectionFeature& feature : samples.features)
            box->addItem(QString::fromUtf8(feature.name.c_str()));
    }
    view_.axisFeatures = {0, 1 % features, 2 % features};
    ComboBox1->setCurrentIndex(view_.axisFeatures[0]);
    ComboBox2->setCurrentIndex(view_.axisFeatures[1]);
    ComboBox3->setCurrentIndex(view_.axisFeatures[2]);
    QStringList legend;
    for (int c = 0; c < samples.classCount(); ++c)
        legend << QString::fromUtf8(
            (featureSpaceSymbol(c) + " - " + samples.classes[static_cast<size_t>(c)]).c_str());
    Memo1->setPlainText(legend.join('\n'));
    accepted_ = false;
    FormShow();
    exec();
    samples_ = SelectionSamples();
    if (!accepted_) return -1;
    weights = featureSpaceWeights(view_.axisFeatures, features);
    return 0;
}

void TFFSpace::FormShow() {
    view_.rotation = initialFeatureSpaceRotation();
    draw();
}

void TFFSpace::draw() {
    const QSize size = image_->size();
    picture_ = QImage(size, QImage::Format_RGB32);
    picture_.fill(kButtonFace);
    if (samples_.sampleCount() > 0) {
        QPainter painter(&picture_);
        drawPlotItems(painter, featureSpacePicture(samples_, view_), size.width(), size.height());
    }
    image_->update();
}

void TFFSpace::axisChanged(int axis, QComboBox* box) {
    if (box->currentIndex() < 0) return;
    view_.axisFeatures[static_cast<size_t>(axis)] = box->currentIndex();
    draw();
}

void TFFSpace::ComboBox1Change() {
    axisChanged(0, ComboBox1);
}
void TFFSpace::comboBox2Change() {
    axisChanged(1, ComboBox2);
}
void TFFSpace::ComboBox3Change() {
    axisChanged(2, ComboBox3);
}

void TFFSpace::Image1MouseDown(QPoint at) {
    last_ = at;
}

void TFFSpace::Image1MouseMove(QPoint at, Qt::MouseButtons buttons) {
    if (buttons & Qt::LeftButton) {
        view_.rotation.turn(1, 3, at.x() - last_.x());
        view_.rotation.turn(2, 3, at.y() - last_.y());
    } else if (buttons & Qt::RightButton) {
        view_.rotation.turn(1, 2, last_.x() - at.x());
    } else {
        return;
    }
    last_ = at;
    draw();
}

void TFFSpace::AcceptButtonClick() {
    accepted_ = true;
    close();
}

void TFFSpace::CloseButtonClick() {
    close();
}

void TFFSpace::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    draw();
}

void TFFSpace::Button1Click() {
    platform::FileDialogRequest request = platform::fileDialogRequest(
        platform::FileDialogKind::Save, "Save as metafile", kFeatureSpaceSaveFilter, ".emf");
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    bool saved = false;
    if (answer.filterIndex == 3) {
        saved = picture_.save(QString::fromStdString(answer.path), "BMP");
    } else {
        const int width = std::max(1, picture_.width()), height = std::max(1, picture_.height());
        platform::Metafile metafile(answer.filterIndex == 2 ? platform::MetafileKind::Windows
                                                            : platform::MetafileKind::Enhanced,
                                    width, height);
        const Mapping map(width, height);
        for (const PlotItem& item : featureSpacePicture(samples_, view_)) {
            switch (item.kind) {
                case PlotItem::Kind::Frame:
                    metafile.frame(0, 0, width - 1, height - 1, 0xF0F0F0, 0x000000);
                    break;
                case PlotItem::Kind::DottedLine:
                    metafile.line(map.x(item.x), map.y(item.y), map.x(item.x2), map.y(item.y2),
                                  0x000000, true);
                    break;
                case PlotItem::Kind::Text:
                    metafile.text(
                        {map.x(item.x), map.y(item.y), item.text, item.colour, item.bold,
                         std::max(6, static_cast<int>(std::lround(item.height * map.scale))),
                         item.angle});
                    break;
            }
        }
        saved = metafile.save(answer.path);
    }
    if (!saved) platform::showError("Cannot create file \"" + answer.path + "\".");
}
