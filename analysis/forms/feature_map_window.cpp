#include "analysis/forms/feature_map_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QTabBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "analysis/core/maps/bmf_file.h"
#include "analysis/core/maps/map_picture.h"
#include "analysis/core/maps/save_all_names.h"
#include "platform/dialogs.h"
#include "platform/file_dialog_requests.h"
#include "platform/files.h"
#include "platform/textformat.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

constexpr const char* kLoadTitle = "Load image";
constexpr const char* kLoadFilter = "Floating point bitmap (*.bmf)|*.bmf";
constexpr const char* kSaveTitle = "Save image";
constexpr const char* kSaveFilter =
    "Floating-point bitmap (*.bmf)|*.bmf|Windows bitmap (*.bmp)|*.bmp";
constexpr const char* kFolderTitle = "Choose folder & prefix for new files";
constexpr int kSaveBmf = 1;
constexpr int kSaveBitmap = 2;

// A small legend: the grey ramp or the three levels.
QPixmap legend(bool threeLevels) {
    QImage image(32, 12, QImage::Format_RGB32);
    for (int x = 0; x < 32; ++x) {
        int c = x * 256 / 32;
        if (threeLevels) c = x < 8 ? 0 : x < 24 ? 127 : 255;
        for (int y = 0; y < 12; ++y) image.setPixel(x, y, qRgb(c, c, c));
    }
    return QPixmap::fromImage(image);
}

bool askCloseAnyway(const std::string& text) {
    return platform::showMessage("Warning", text, platform::MessageButtons::OkCancel,
                                 platform::MessageIcon::Warning, 1) == platform::MessageResult::Ok;
}

}  // namespace

MapImage::MapImage(QWidget* owner) : QWidget(owner) {
    setObjectName("Image1");
    setMouseTracking(true);
}

void MapImage::showPicture() {
    setFixedSize(picture.size());
    update();
}

void MapImage::paintEvent(QPaintEvent*) {
    if (picture.isNull()) return;
    QPainter painter(this);
    painter.drawImage(0, 0, picture);
}

void MapImage::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = event->position().toPoint();
    emit mouseMovedTo(p.x(), p.y());
}

TImageView::TImageView(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("ImageView");
    setWindowTitle("Image View");
    resize(560, 480);

    MainMenu1 = new QMenuBar(this);
    MainMenu1->setObjectName("MainMenu1");
    QMenu* file = MainMenu1->addMenu("&File");
    auto add = [&](const QString& caption, const char* name, void (TImageView::*slot)()) {
        QAction* action = file->addAction(caption);
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, slot);
    };
    add("Load image...", "LoadImage1", &TImageView::LoadImage1Click);
    add("Save image...", "Saveimage1", &TImageView::Saveimage1Click);
    add("Save all images...", "Saveall1", &TImageView::Saveall1Click);
    file->addSeparator();
    add("&Close", "Close2", &TImageView::CloseClick);
    add("Close &all", "Closeall1", &TImageView::Closeall1Click);
    file->addSeparator();
    add("&Hide", "Close1", &TImageView::Close1Click);

    TabControl1 = new QTabBar(this);
    TabControl1->setObjectName("TabControl1");
    TabControl1->setExpanding(false);
    connect(TabControl1, &QTabBar::currentChanged, this, [this] { TabControl1Change(); });

    auto* panel3 = new QWidget(this);
    panel3->setObjectName("Panel3");
    auto* label = new QLabel("Min  Max", panel3);
    auto* legendRamp = new QLabel(panel3);
    legendRamp->setPixmap(legend(false));
    auto* legendLevels = new QLabel(panel3);
    legendLevels->setPixmap(legend(true));
    TrMin = new QSlider(Qt::Horizontal, panel3);
    TrMin->setObjectName("TrMin");
    TrMin->setRange(0, 100);
    TrMin->setValue(100);
    TrMax = new QSlider(Qt::Horizontal, panel3);
    TrMax->setObjectName("TrMax");
    TrMax->setRange(0, 100);
    TrMax->setValue(0);
    connect(TrMin, &QSlider::valueChanged, this, [this] { TrMinChange(); });
    connect(TrMax, &QSlider::valueChanged, this, [this] { TrMaxChange(); });
    RadioImage1 = new QRadioButton(panel3);
    RadioImage1->setObjectName("RadioImage1");
    RadioImage1->setChecked(true);
    RadioImage2 = new QRadioButton(panel3);
    RadioImage2->setObjectName("RadioImage2");
    connect(RadioImage1, &QRadioButton::clicked, this, [this] { TlevClick(); });
    connect(RadioImage2, &QRadioButton::clicked, this, [this] { TlevClick(); });
    Close = new QToolButton(panel3);
    Close->setObjectName("Close");
    Close->setText("X");
    Close->setToolTip("Close");
    connect(Close, &QToolButton::clicked, this, &TImageView::CloseClick);
    auto* panelLayout = new QHBoxLayout(panel3);
    panelLayout->setContentsMargins(4, 2, 4, 2);
    panelLayout->addWidget(label);
    panelLayout->addWidget(TrMin, 1);
    panelLayout->addWidget(TrMax, 1);
    panelLayout->addWidget(RadioImage1);
    panelLayout->addWidget(legendRamp);
    panelLayout->addWidget(RadioImage2);
    panelLayout->addWidget(legendLevels);
    panelLayout->addWidget(Close);

    ScrollBox1 = new QScrollArea(this);
    ScrollBox1->setObjectName("ScrollBox1");
    Image1 = new MapImage(ScrollBox1);
    ScrollBox1->setWidget(Image1);
    ScrollBox1->setWidgetResizable(false);
    connect(Image1, &MapImage::mouseMovedTo, this, &TImageView::Image1MouseMove);

    StatusBar2 = new QStatusBar(this);
    StatusBar2->setObjectName("StatusBar2");
    StatusBar2->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(MainMenu1);
    layout->addWidget(TabControl1);
    layout->addWidget(panel3);
    layout->addWidget(ScrollBox1, 1);
    layout->addWidget(StatusBar2);
    ImageViewRefreshTabs();
}

void TImageView::selectTab(int index) {
    TabControl1->blockSignals(true);
    TabControl1->setCurrentIndex(index);
    TabControl1->blockSignals(false);
    TabControl1Change();
}

void TImageView::ImageViewRefreshTabs() {
    TabControl1->blockSignals(true);
    while (TabControl1->count() > 0) TabControl1->removeTab(0);
    tabCount = featureMapCount();
    for (int i = 0; i < tabCount; ++i)
        TabControl1->addTab(QString::fromStdString(MapListAt(i)->name));
    if (tabCount == 0) TabControl1->addTab(" ");
    TabControl1->blockSignals(false);
    selectTab(TabControl1->count() - 1);
}

void TImageView::controlsFromMap() {
    if (!CurrentMap) return;
    for (QWidget* w : {static_cast<QWidget*>(TrMin), static_cast<QWidget*>(TrMax),
                       static_cast<QWidget*>(RadioImage1), static_cast<QWidget*>(RadioImage2)})
        w->blockSignals(true);
    RadioImage1->setChecked(CurrentMap->style == kGreyRampStyle);
    RadioImage2->setChecked(CurrentMap->style != kGreyRampStyle);
    // Positions of the map's window; without a range there is nothing to place.
    if (CurrentMap->max != CurrentMap->min) {
        TrMin->setValue(trackBarPosition(*CurrentMap, CurrentMap->displayLow));
        TrMax->setValue(trackBarPosition(*CurrentMap, CurrentMap->displayHigh));
    }
    for (QWidget* w : {static_cast<QWidget*>(TrMin), static_cast<QWidget*>(TrMax),
                       static_cast<QWidget*>(RadioImage1), static_cast<QWidget*>(RadioImage2)})
        w->blockSignals(false);
}

void TImageView::TabControl1Change() {
    const int index = TabControl1->currentIndex();
    CurrentMap = tabCount > 0 && index >= 0 ? MapListAt(index) : nullptr;
    controlsFromMap();
    draw();
}

void TImageView::TrMinChange() {
    if (!CurrentMap) return;
    CurrentMap->displayLow = trackBarValue(*CurrentMap, TrMin->value());
    draw();
}

void TImageView::TrMaxChange() {
    if (!CurrentMap) return;
    CurrentMap->displayHigh = trackBarValue(*CurrentMap, TrMax->value());
    draw();
}

void TImageView::TlevClick() {
    if (!CurrentMap) return;
    CurrentMap->style = RadioImage1->isChecked() ? kGreyRampStyle : kThreeLevelStyle;
    draw();
}

void TImageView::draw() {
    if (!CurrentMap || CurrentMap->width <= 0 || CurrentMap->height <= 0) {
        Image1->picture = QImage();
        Image1->showPicture();
        return;
    }
    if (Image1->picture.width() != CurrentMap->width ||
        Image1->picture.height() != CurrentMap->height)
        Image1->picture = QImage(CurrentMap->width, CurrentMap->height, QImage::Format_RGB32);
    // 32-bit rows need no padding: the picture is one block of words.
    renderMapPixels(*CurrentMap, reinterpret_cast<uint32_t*>(Image1->picture.bits()));
    Image1->showPicture();
}

void TImageView::Image1MouseMove(int x, int y) {
    if (!CurrentMap) {
        StatusBar2->showMessage("");
        return;
    }
    const bool inside = x >= 0 && y >= 0 && x < CurrentMap->width && y < CurrentMap->height;
    const double value = inside ? CurrentMap->at(x, y) : 0.0;
    StatusBar2->showMessage(
        QString::fromStdString(platform::cformat("Y[%d, %d] = %.8g", x, y, value)));
}

bool TImageView::LoadBmfMap(const std::string& fileName) {
    if (!loadBmfMap(fileName)) return false;
    if (featureMapCount() > 0) ImageViewRefreshTabs();
    return true;
}

bool TImageView::SaveMap(const std::string& fileName, int kind) {
    if (!CurrentMap) return false;
    const bool written = kind == kSaveBitmap ? writeMapBitmap(fileName, *CurrentMap)
                                             : writeBmfFile(fileName, *CurrentMap);
    if (!written) {
        platform::showError("Cannot write the file\r\n" + fileName);
        return false;
    }
    CurrentMap->saved = 1;
    CurrentMap->name = platform::fileNamePart(fileName).substr(0, kMaxFeatureMapNameLength);
    ImageViewRefreshTabs();
    return true;
}

void TImageView::closeCurrentMap() {
    if (!CurrentMap) return;
    deleteFeatureMap(CurrentMap);
    CurrentMap = nullptr;
    StatusBar2->showMessage("");
    ImageViewRefreshTabs();
}

void TImageView::LoadImage1Click() {
    platform::FileDialogRequest request = platform::fileDialogRequest(
        platform::FileDialogKind::Open, kLoadTitle, kLoadFilter, ".bmf");
    const auto answer = platform::showFileDialog(request);
    if (answer.accepted) LoadBmfMap(answer.path);
}

void TImageView::Saveimage1Click() {
    if (!CurrentMap) return;
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.title = kSaveTitle;
    request.filter = kSaveFilter;
    request.defaultExtension = ".bmf";
    request.fileName = TabControl1->tabText(TabControl1->currentIndex()).toStdString();
    const auto answer = platform::showFileDialog(request);
    if (answer.accepted)
        SaveMap(answer.path, answer.filterIndex == kSaveBitmap ? kSaveBitmap : kSaveBmf);
}

void TImageView::Saveall1Click() {
    if (featureMapCount() == 0) return;
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.title = kFolderTitle;
    request.fileName = "*";
    const auto answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    std::vector<std::string> names;
    for (int i = 0; i < featureMapCount(); ++i) names.push_back(MapListAt(i)->name);
    const std::vector<std::string> paths = saveAllPaths(saveAllFolder(answer.path), names);
    const int current = TabControl1->currentIndex();
    std::string failed;
    for (int i = 0; i < static_cast<int>(paths.size()); ++i) {
        FeatureMap* map = MapListAt(i);
        if (!writeBmfFile(paths[static_cast<size_t>(i)], *map)) {
            failed += "\r\n" + paths[static_cast<size_t>(i)];
            continue;
        }
        map->saved = 1;
        map->name = platform::fileNamePart(paths[static_cast<size_t>(i)]);
    }
    ImageViewRefreshTabs();
    selectTab(current);
    if (!failed.empty()) platform::showError("Cannot write the files" + failed);
}

void TImageView::CloseClick() {
    if (!CurrentMap) return;
    if (CurrentMap->saved == 0 && !askCloseAnyway("Image not saved!\r\nClose anyway?")) return;
    closeCurrentMap();
}

void TImageView::Closeall1Click() {
    if (featureMapCount() == 0) return;
    if (unsavedFeatureMapCount() > 0 &&
        !askCloseAnyway("Some of images are not saved!\r\nClose anyway?"))
        return;
    resetFeatureMaps();
    CurrentMap = nullptr;
    StatusBar2->showMessage("");
    ImageViewRefreshTabs();
}

void TImageView::Close1Click() {
    hide();
    if (_vantu)
        if (auto* item = _vantu->findChild<QAction*>("ImageView1")) item->setChecked(false);
}

void TImageView::closeEvent(QCloseEvent* event) {
    event->accept();
    Close1Click();
}
