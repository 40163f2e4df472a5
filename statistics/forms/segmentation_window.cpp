#include "statistics/forms/segmentation_window.h"

#include <QApplication>
#include <QBoxLayout>
#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QElapsedTimer>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScrollArea>
#include <QSlider>
#include <QSpinBox>
#include <QStackedWidget>
#include <QStatusBar>
#include <QToolButton>
#include <chrono>
#include <filesystem>
#include <optional>

#include "platform/files.h"
#include "platform/qt/application.h"
#include "platform/qt/busy_run.h"
#include "platform/qt/qt_text.h"
#include "statistics/core/r62_shell.h"
#include "statistics/core/random_source.h"
#include "statistics/core/segmentation/segmentation_report.h"
#include "statistics/core/segmentation/segmentation_view.h"
#include "statistics/forms/save_with_replace.h"

namespace {

constexpr const char* kBoxCaption = kR62BoxCaption;
const QColor kRoiColour(0x33, 0xCC, 0x00);  // 0x00CC33 in blue-green-red order

QImage bgrImage(const std::vector<uint8_t>& bytes, int width, int height) {
    QImage image(width, height, QImage::Format_BGR888);
    for (int y = 0; y < height; ++y)
        std::memcpy(image.scanLine(y), bytes.data() + static_cast<size_t>(y) * width * 3,
                    static_cast<size_t>(width) * 3);
    return image;
}

std::vector<uint8_t> bgrBytes(const QImage& picture) {
    const QImage image = picture.convertToFormat(QImage::Format_BGR888);
    std::vector<uint8_t> bytes(static_cast<size_t>(image.width()) * image.height() * 3);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(bytes.data() + static_cast<size_t>(y) * image.width() * 3,
                    image.constScanLine(y), static_cast<size_t>(image.width()) * 3);
    return bytes;
}

bool writeBmp(const QImage& image, const std::string& path) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.convertToFormat(QImage::Format_RGB888).save(&buffer, "BMP")) return false;
    return platform::writeWholeFileAtomically(
        path, std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())));
}

platform::FileDialogRequest bitmapSaveRequest() {
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.filter = std::string(kSegmentationBitmapFilter);
    request.defaultExtension = ".bmp";
    return request;
}

}  // namespace

// The black panel that holds the work image at (1, 1) and passes the mouse on.
class SegmentationWorkArea : public QWidget {
  public:
    explicit SegmentationWorkArea(TSegmentationWindow* window) : window_(window) {
        setMouseTracking(true);
        setObjectName("WorkArea");
    }
    void setPicture(const QImage& picture) {
        picture_ = picture;
        setFixedSize(picture.width() + 2, picture.height() + 2);
        update();
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), Qt::black);
        painter.drawImage(1, 1, picture_);
    }
    void mousePressEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) window_->RoiMouseDown(imagePoint(event));
    }
    void mouseMoveEvent(QMouseEvent* event) override { window_->RoiMouseMove(imagePoint(event)); }
    void mouseReleaseEvent(QMouseEvent* event) override {
        if (event->button() == Qt::LeftButton) window_->RoiMouseUp();
    }

  private:
    static QPoint imagePoint(QMouseEvent* event) {
        return event->position().toPoint() - QPoint(1, 1);
    }
    TSegmentationWindow* window_;
    QImage picture_;
};

TSegmentationWindow::TSegmentationWindow(QWidget* owner) : QDialog(owner) {
    setWindowTitle(platform::qtText(kSegmentationCaption));
    setModal(true);
    resize(900, 680);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    MainMenu1 = new QMenuBar(this);
    outer->setMenuBar(MainMenu1);
    QMenu* load = MainMenu1->addMenu("&Load");
    loadImagesItem = load->addAction("&Images", this, [this] { Images1Click(); });
    loadRoiItem = load->addAction("&ROI", this, [this] { ROI2Click(); });
    saveMenu = MainMenu1->addMenu("&Save");
    saveImageItem = saveMenu->addAction("&Image", this, [this] { Image1Click(); });
    saveRoiItem = saveMenu->addAction("&ROI", this, [this] { ROI1Click(); });
    saveSegmentsItem = saveMenu->addAction("&Segments", this, [this] { Segments1Click(); });
    saveReportItem = saveMenu->addAction("Re&port", this, [this] { Report1Click(); });
    QMenu* run = MainMenu1->addMenu("&Run");
    wholeImageItem = run->addAction("&Whole image", this, [this] { Wholeimage1Click(); });
    roiOnlyItem = run->addAction("&ROI only", this, [this] { ROIonly1Click(); });
    reportItem = MainMenu1->addAction("Re&port");
    connect(reportItem, &QAction::triggered, this, [this] { Report2Click(); });
    exitItem = MainMenu1->addAction("&Exit");
    connect(exitItem, &QAction::triggered, this, [this] { Exit1Click(); });

    auto* body = new QHBoxLayout;
    body->setContentsMargins(6, 6, 6, 0);
    outer->addLayout(body, 1);

    // Left: parameters and view.
    auto* side = new QVBoxLayout;
    body->addLayout(side);
    auto spin = [&](const char* caption, int low, int high, int step, int value) {
        side->addWidget(new QLabel(caption));
        auto* box = new QSpinBox;
        box->setRange(low, high);
        box->setSingleStep(step);
        box->setValue(value);
        box->setObjectName(caption);
        side->addWidget(box);
        return box;
    };
    UpDown1 = spin("Number of segments:", kMinSegments, kMaxSegments, 1, 2);
    UpDown2 = spin("Number of external loops:", 1, 10, 1, 5);
    UpDown3 = spin("Number of internal loops:", 50, 1000, 25, 300);
    auto* view = new QGroupBox(" View ");
    auto* viewLayout = new QGridLayout(view);
    UpDown4 = new QSpinBox;
    UpDown4->setRange(1, 1);
    viewLayout->addWidget(new QLabel("Image:"), 0, 0);
    viewLayout->addWidget(UpDown4, 0, 1);
    CheckBox1 = new QCheckBox("&Image");
    CheckBox2 = new QCheckBox("R&OI");
    CheckBox3 = new QCheckBox("Se&gments");
    viewLayout->addWidget(CheckBox1, 1, 0, 1, 2);
    viewLayout->addWidget(CheckBox2, 2, 0, 1, 2);
    viewLayout->addWidget(CheckBox3, 3, 0, 1, 2);
    TrackBar1 = new QSlider(Qt::Vertical);
    TrackBar1->setRange(0, 255);
    TrackBar1->setToolTip("Transparency level");
    TrackBar1->setInvertedAppearance(true);
    viewLayout->addWidget(new QLabel("Transparency level"), 4, 0, 1, 2);
    viewLayout->addWidget(TrackBar1, 5, 0, 1, 2, Qt::AlignHCenter);
    side->addWidget(view);
    side->addStretch(1);

    // Tool strip.
    auto* tools = new QVBoxLayout;
    body->addLayout(tools);
    auto tool = [&](const char* caption, const char* glyph) {
        auto* button = new QToolButton;
        button->setText(glyph);
        button->setToolTip(caption);
        button->setObjectName(caption);
        button->setFixedSize(32, 32);
        tools->addWidget(button);
        return button;
    };
    Roi_cir = tool("Draw elliptical ROI", "O");
    Roi_sqr = tool("Draw rectangular ROI", "[]");
    Roi_move = tool("Move ROI", "+");
    Roi_erase = tool("Erase ROI", "E");
    for (QToolButton* b : {Roi_cir, Roi_sqr, Roi_move, Roi_erase}) b->setCheckable(true);
    Roi_clear = tool("Clear ROI", "C");
    tools->addStretch(1);

    // Centre: the work area or the report memo.
    central_ = new QStackedWidget;
    auto* scroll = new QScrollArea;
    auto* panel = new QWidget;
    panel->setMouseTracking(true);
    panel->installEventFilter(this);
    workArea_ = new SegmentationWorkArea(this);
    workArea_->setParent(panel);
    workArea_->move(10, 10);
    workArea_->hide();
    scroll->setWidget(panel);
    scroll->setWidgetResizable(true);
    panel->setMinimumSize(10 + 2 + kMaxSegmentationSide + 10, 10 + 2 + kMaxSegmentationSide + 10);
    central_->addWidget(scroll);
    Memo1 = new QPlainTextEdit;
    Memo1->setReadOnly(true);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    central_->addWidget(Memo1);
    body->addWidget(central_, 1);

    ProgressBar1 = new QProgressBar;
    ProgressBar1->setTextVisible(false);
    outer->addWidget(ProgressBar1);
    status_ = new QStatusBar;
    statusPanel_ = new QLabel;
    status_->addWidget(statusPanel_, 1);
    outer->addWidget(status_);

    connect(CheckBox1, &QCheckBox::clicked, this, [this] { CheckBox1Click(); });
    connect(CheckBox2, &QCheckBox::clicked, this, [this] { CheckBox2Click(); });
    connect(CheckBox3, &QCheckBox::clicked, this, [this] { CheckBox3Click(); });
    connect(UpDown4, &QSpinBox::valueChanged, this, [this] { UpDown4Click(); });
    connect(TrackBar1, &QSlider::valueChanged, this, [this] { TrackBar1Change(); });
    connect(Roi_cir, &QToolButton::clicked, this, [this] { Roi_cirClick(); });
    connect(Roi_sqr, &QToolButton::clicked, this, [this] { Roi_sqrClick(); });
    connect(Roi_move, &QToolButton::clicked, this, [this] { Roi_moveClick(); });
    connect(Roi_erase, &QToolButton::clicked, this, [this] { Roi_eraseClick(); });
    connect(Roi_clear, &QToolButton::clicked, this, [this] { Roi_clearClick(); });
    Timer1.setInterval(10);
    connect(&Timer1, &QTimer::timeout, this, [this] { Timer1Timer(); });

    // FormCreate: nothing loaded, the Run items check for data themselves.
    saveMenu->setEnabled(false);
    for (QAction* a :
         {saveImageItem, saveRoiItem, saveSegmentsItem, saveReportItem, loadRoiItem, reportItem})
        a->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{UpDown1, UpDown4, CheckBox1, CheckBox2,
                                                      CheckBox3, TrackBar1})
        w->setEnabled(false);
}

TSegmentationWindow::~TSegmentationWindow() {
    Timer1.stop();
}

std::string TSegmentationWindow::statusText() const {
    return statusPanel_->text().toStdString();
}

void TSegmentationWindow::setStatus(const std::string& status) {
    statusPanel_->setText(platform::qtText(status));
}

bool TSegmentationWindow::offerToSaveSegmentation() {
    if (state_ != 1) return true;
    // A save that was cancelled or failed keeps what would be lost.
    return platform::offerToSave({.caption = std::string(kBoxCaption),
                                  .text = std::string(kSegmentationNotSavedQuestion),
                                  .icon = platform::MessageIcon::Warning},
                                 [this] {
                                     Segments1Click();
                                     return state_ == 2;
                                 });
}

void TSegmentationWindow::freeData() {
    stack_.clear();
    paths_.clear();
    report_.clear();
    roi_ = QImage();
    segments_.clear();
    labels_.clear();
    runMask_.clear();
    work_ = QImage();
    state_ = 0;
    saveMenu->setEnabled(false);
    saveReportItem->setEnabled(false);
    reportItem->setEnabled(false);
    for (QWidget* w : std::initializer_list<QWidget*>{UpDown1, UpDown4, CheckBox1, CheckBox2,
                                                      CheckBox3, TrackBar1})
        w->setEnabled(false);
    ProgressBar1->setValue(0);
    Timer1.stop();
    workArea_->hide();
    central_->setCurrentIndex(0);
}

void TSegmentationWindow::Images1Click() {
    if (!stack_.empty()) {
        if (!offerToSaveSegmentation()) return;
        if (platform::showMessage(kBoxCaption, std::string(kDataWillBeLostQuestion),
                                  platform::MessageButtons::YesNo,
                                  platform::MessageIcon::Warning) != platform::MessageResult::Yes)
            return;
        freeData();
    }
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Open;
    request.filter = std::string(kSegmentationBitmapFilter);
    request.multiSelect = true;
    request.mustExist = true;
    const platform::FileDialogResult answer = showR62FileDialog(request);
    if (!answer.accepted) return;
    std::vector<std::string> files = answer.paths;
    if (files.empty()) files.push_back(answer.path);
    if (files.size() > static_cast<size_t>(kMaxSegmentationImages)) {
        platform::showMessage(kBoxCaption, std::string(kTooManyImagesWarning),
                              platform::MessageButtons::Ok, platform::MessageIcon::Warning);
        files.resize(kMaxSegmentationImages);
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    bool loaded = true;
    for (size_t d = 0; d < files.size() && loaded; ++d) {
        QImage image(QString::fromStdString(files[d]));
        const int width = image.width(), height = image.height();
        if (image.isNull() && d == 0) {
            loaded = false;
            break;
        }
        if (d == 0 && !stack_.start(width, height, static_cast<int>(files.size()))) loaded = false;
        if (!loaded || image.isNull() || width != stack_.width() || height != stack_.height()) {
            loaded = false;
            break;
        }
        const QImage bgr = image.convertToFormat(QImage::Format_BGR888);
        stack_.setImage(
            static_cast<int>(d),
            std::span<const uint8_t>(bgr.constBits(), static_cast<size_t>(bgr.sizeInBytes())),
            static_cast<size_t>(bgr.bytesPerLine()));
    }
    QApplication::restoreOverrideCursor();
    if (!loaded) {
        stack_.clear();
        platform::showMessage(kBoxCaption, std::string(kImageSizeMismatchMessage),
                              platform::MessageButtons::Ok, platform::MessageIcon::Error);
        return;
    }
    paths_ = files;
    setStatus(std::string(kDataLoadedStatus));
    UpDown1->setEnabled(true);
    UpDown4->setRange(1, stack_.depth());
    UpDown4->setValue(1);
    UpDown4->setEnabled(true);
    CheckBox1->setEnabled(true);
    CheckBox2->setEnabled(true);
    saveMenu->setEnabled(true);
    saveRoiItem->setEnabled(true);
    loadRoiItem->setEnabled(true);
    roi_ = QImage(stack_.width(), stack_.height(), QImage::Format_RGB32);
    roi_.fill(Qt::black);
    TrackBar1->setValue(77);
    const auto now = std::chrono::system_clock::now();
    report_ = segmentationReportStart(
        segmentationLaunchTime(
            std::chrono::duration_cast<std::chrono::seconds>(now.time_since_epoch()).count()),
        paths_);
    // The loaded image shows at once, not only after "Image" is ticked.
    CheckBox1->setChecked(true);
    CheckBox1Click();
}

std::vector<uint8_t> TSegmentationWindow::roiBytes() const {
    return bgrBytes(roi_);
}

void TSegmentationWindow::Wholeimage1Click() {
    RunSegmentation(0);
}
void TSegmentationWindow::ROIonly1Click() {
    RunSegmentation(1);
}

void TSegmentationWindow::RunSegmentation(int mode) {
    if (stack_.empty()) {
        setStatus(std::string(kNoDataStatus));
        return;
    }
    const int segments = UpDown1->value();
    std::vector<uint8_t> mask;
    std::vector<uint8_t> roiVectors;
    if (mode == 1) {
        mask = segmentationRoiMask(roiBytes());
        roiVectors = gatherRoiVectors(stack_, mask);
        if (!enoughPixelsToSegment(roiVectors.size() / static_cast<size_t>(stack_.depth()),
                                   segments)) {
            platform::showMessage(kBoxCaption, std::string(kNotEnoughRoiPixelsMessage),
                                  platform::MessageButtons::Ok, platform::MessageIcon::Error);
            return;
        }
    } else if (!enoughPixelsToSegment(stack_.pixelCount(), segments)) {
        // A tiny image cannot give K distinct start pixels: the draw would
        // never end.
        platform::showMessage(kBoxCaption, std::string(kNotEnoughImagePixelsMessage),
                              platform::MessageButtons::Ok, platform::MessageIcon::Error);
        return;
    }
    if (!offerToSaveSegmentation()) return;

    SegmentationParameters parameters;
    parameters.segments = segments;
    parameters.externalLoops = UpDown2->value();
    parameters.internalLoops = UpDown3->value();
    ProgressBar1->setValue(0);
    ProgressBar1->setMaximum(parameters.externalLoops * parameters.internalLoops);
    QElapsedTimer clock;
    clock.start();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    // The menus are disabled while the run works; what is clicked meanwhile is dropped.
    std::optional<platform::BusyRun> busy(std::in_place, MainMenu1);
    const std::span<const uint8_t> vectors =
        mode == 1 ? std::span<const uint8_t>(roiVectors) : stack_.vectors();
    SegmentationResult result;
    try {
        result = SegmentPixels(vectors, stack_.depth(), parameters, r62Random(), [&](int position) {
            ProgressBar1->setValue(position);
            platform::repaintDiscardingInput();
        });
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
    busy.reset();
    labels_ = std::move(result.labels);
    segmentCount_ = segments;
    runMask_ = mode == 1 ? mask : std::vector<uint8_t>();
    segments_ = paintSegments(stack_.width(), stack_.height(), labels_, runMask_);
    state_ = 1;
    setStatus(segmentationDoneStatus(clock.elapsed()));
    saveImageItem->setEnabled(true);
    saveSegmentsItem->setEnabled(true);
    reportItem->setEnabled(true);
    CheckBox3->setEnabled(true);
    CheckBox3->setChecked(true);
    CheckBox3Click();
}

void TSegmentationWindow::Report2Click() {
    if (stack_.empty()) {
        setStatus(std::string(kNoDataStatus));
        return;
    }
    std::vector<std::string> lines = report_;
    if (!labels_.empty()) {
        const std::vector<int64_t> areas = segmentAreas(labels_, segmentCount_);
        const std::vector<std::string> results = segmentationResultLines(areas);
        lines.insert(lines.end(), results.begin(), results.end());
    }
    QStringList all;
    for (const std::string& line : lines) all << platform::qtText(line);
    Memo1->setPlainText(all.join('\n'));
    central_->setCurrentIndex(1);
    saveReportItem->setEnabled(true);
}

void TSegmentationWindow::Report1Click() {
    platform::FileDialogRequest request;
    request.filter = std::string(kSegmentationReportFilter);
    const std::string memo = Memo1->toPlainText().toStdString();
    std::vector<std::string> lines;
    size_t start = 0;
    for (;;) {
        const size_t end = memo.find('\n', start);
        lines.push_back(
            memo.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) break;
        start = end + 1;
    }
    saveWithReplace(
        request,
        [&](const std::string& path) {
            return platform::writeWholeFileAtomically(path, reportFileText(lines));
        },
        [](std::string path) { return segmentationReportPath(std::move(path)); });
}

void TSegmentationWindow::Segments1Click() {
    if (segments_.empty()) return;
    const QImage picture = bgrImage(segments_, stack_.width(), stack_.height());
    if (saveWithReplace(bitmapSaveRequest(), [&](const std::string& path) {
            return writeBmp(picture, path);
        }) == SaveOutcome::Saved)
        state_ = 2;
}

void TSegmentationWindow::ROI1Click() {
    if (roi_.isNull()) return;
    saveWithReplace(bitmapSaveRequest(),
                    [&](const std::string& path) { return writeBmp(roi_, path); });
}

void TSegmentationWindow::Image1Click() {
    if (work_.isNull() || workArea_->isHidden()) {
        platform::showMessage(kBoxCaption, std::string(kNoWorkImageMessage),
                              platform::MessageButtons::Ok, platform::MessageIcon::Error);
        return;
    }
    saveWithReplace(bitmapSaveRequest(),
                    [&](const std::string& path) { return writeBmp(work_, path); });
}

void TSegmentationWindow::ROI2Click() {
    if (stack_.empty()) return;
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Open;
    request.filter = std::string(kSegmentationBitmapFilter);
    request.mustExist = true;
    const platform::FileDialogResult answer = showR62FileDialog(request);
    if (!answer.accepted) return;
    const QImage loaded(QString::fromStdString(answer.path));
    if (!loaded.isNull() && loaded.width() == stack_.width() && loaded.height() == stack_.height())
        roi_ = loaded.convertToFormat(QImage::Format_RGB32);
    if (!CheckBox2->isChecked()) {
        CheckBox2->setChecked(true);
        CheckBox2Click();
    } else {
        ComposeSegmentationView();
    }
}

void TSegmentationWindow::Exit1Click() {
    close();
}

void TSegmentationWindow::reject() {
    close();
}

void TSegmentationWindow::closeEvent(QCloseEvent* event) {
    // Not while a run works: its result would land in a closed window.
    if (platform::BusyRun::active() || !offerToSaveSegmentation()) {
        event->ignore();
        return;
    }
    Timer1.stop();
    event->accept();
    QDialog::done(QDialog::Rejected);
}

void TSegmentationWindow::showWorkArea(bool show) {
    central_->setCurrentIndex(0);
    saveReportItem->setEnabled(false);
    workArea_->setVisible(show);
}

void TSegmentationWindow::enableViewControls() {
    TrackBar1->setEnabled(CheckBox1->isChecked() &&
                          (CheckBox2->isChecked() || CheckBox3->isChecked()));
}

void TSegmentationWindow::CheckBox1Click() {
    showWorkArea(true);
    enableViewControls();
    ComposeSegmentationView();
}

void TSegmentationWindow::CheckBox2Click() {
    if (CheckBox2->isChecked()) CheckBox3->setChecked(false);
    showWorkArea(true);
    enableViewControls();
    ComposeSegmentationView();
}

void TSegmentationWindow::CheckBox3Click() {
    if (CheckBox3->isChecked()) CheckBox2->setChecked(false);
    showWorkArea(true);
    enableViewControls();
    ComposeSegmentationView();
}

void TSegmentationWindow::UpDown4Click() {
    ComposeSegmentationView();
}
void TSegmentationWindow::TrackBar1Change() {
    ComposeSegmentationView();
}

void TSegmentationWindow::ComposeSegmentationView() {
    if (stack_.empty()) return;
    SegmentationViewFlags flags{CheckBox1->isChecked(), CheckBox2->isChecked(),
                                CheckBox3->isChecked()};
    if (!flags.image && !flags.roi && !flags.segments) {
        workArea_->hide();
        return;
    }
    const std::vector<uint8_t> picture = ::ComposeSegmentationView(
        stack_, UpDown4->value() - 1, roiBytes(), segments_, flags, TrackBar1->value());
    work_ = bgrImage(picture, stack_.width(), stack_.height());
    workArea_->setPicture(work_);
    workArea_->show();
}

void TSegmentationWindow::selectTool(Tool tool, QToolButton* button) {
    // The four tools exclude each other, and all may be up.
    for (QToolButton* b : {Roi_cir, Roi_sqr, Roi_move, Roi_erase})
        if (b != button) b->setChecked(false);
    tool_ = button->isChecked() ? tool : Tool::None;
    switch (tool_) {
        case Tool::Ellipse:
        case Tool::Rectangle:
            workArea_->setCursor(Qt::CrossCursor);
            break;
        case Tool::Move:
            workArea_->setCursor(Qt::SizeAllCursor);
            break;
        case Tool::Erase:
            workArea_->setCursor(Qt::ForbiddenCursor);
            break;
        case Tool::None:
            workArea_->unsetCursor();
            break;
    }
}

void TSegmentationWindow::Roi_cirClick() {
    selectTool(Tool::Ellipse, Roi_cir);
}
void TSegmentationWindow::Roi_sqrClick() {
    selectTool(Tool::Rectangle, Roi_sqr);
}
void TSegmentationWindow::Roi_moveClick() {
    selectTool(Tool::Move, Roi_move);
}
void TSegmentationWindow::Roi_eraseClick() {
    selectTool(Tool::Erase, Roi_erase);
}

void TSegmentationWindow::Roi_clearClick() {
    if (stack_.empty()) return;
    roi_.fill(Qt::black);
    ComposeSegmentationView();
}

namespace {
QRect spanned(QPoint a, QPoint b) {
    return QRect(a, b).normalized();
}

void drawShape(QImage& target, bool ellipse, QPoint a, QPoint b) {
    QPainter painter(&target);
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kRoiColour);
    if (ellipse)
        painter.drawEllipse(spanned(a, b));
    else
        painter.drawRect(spanned(a, b));
}
}  // namespace

void TSegmentationWindow::RoiMouseDown(QPoint at) {
    if (stack_.empty() || workArea_->isHidden()) return;
    auto turnRoiOn = [this] {
        if (!CheckBox2->isChecked()) {
            CheckBox2->setChecked(true);
            CheckBox2Click();
        }
    };
    if (tool_ == Tool::Ellipse || tool_ == Tool::Rectangle) {
        start_ = current_ = at;
        drawing_ = true;
        turnRoiOn();
        saved_ = work_;
        Timer1.start();
    } else if (tool_ == Tool::Move) {
        start_ = current_ = at;
        moving_ = true;
        saved_ = roi_;
        turnRoiOn();
        Timer1.start();
    } else if (tool_ == Tool::Erase) {
        current_ = at;
        erasing_ = true;
        turnRoiOn();
        Timer1.start();
    }
}

void TSegmentationWindow::Timer1Timer() {
    if (drawing_) {
        QImage picture = saved_;
        drawShape(picture, tool_ == Tool::Ellipse, start_, current_);
        work_ = picture;
        workArea_->setPicture(work_);
    } else if (moving_) {
        roi_.fill(Qt::black);
        QPainter painter(&roi_);
        painter.drawImage(current_ - start_, saved_);
        painter.end();
        ComposeSegmentationView();
    } else if (erasing_) {
        QPainter painter(&roi_);
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Qt::black);
        painter.drawEllipse(QRect(current_ - QPoint(12, 12), current_ + QPoint(12, 12)));
        painter.end();
        ComposeSegmentationView();
    }
}

void TSegmentationWindow::RoiMouseMove(QPoint at) {
    current_ = at;
    if (CheckBox3->isChecked() && !segments_.empty() && at.x() >= 0 && at.y() >= 0 &&
        at.x() < stack_.width() && at.y() < stack_.height()) {
        const size_t p = (static_cast<size_t>(at.y()) * stack_.width() + at.x()) * 3;
        const uint32_t bgr = static_cast<uint32_t>(segments_[p]) << 16 |
                             static_cast<uint32_t>(segments_[p + 1]) << 8 | segments_[p + 2];
        setStatus(bgr == 0 ? std::string() : colourText(bgr));
    }
}

void TSegmentationWindow::RoiMouseUp() {
    Timer1.stop();
    const bool drew = drawing_;
    drawing_ = moving_ = erasing_ = false;
    if (drew) drawShape(roi_, tool_ == Tool::Ellipse, start_, current_);
    saved_ = QImage();
    ComposeSegmentationView();
}

bool TSegmentationWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseMove && watched != workArea_) Panel1MouseMove();
    return QDialog::eventFilter(watched, event);
}

void TSegmentationWindow::Panel1MouseMove() {
    setStatus(stack_.empty() ? std::string() : std::string(kDataLoadedStatus));
}
