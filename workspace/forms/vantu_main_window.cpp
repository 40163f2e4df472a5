#include "workspace/forms/vantu_main_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QRadioButton>
#include <QScrollArea>
#include <QSlider>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "platform/file_dialog_requests.h"
#include "platform/help_file.h"
#include "platform/profile.h"
#include "platform/qt/qt_text.h"
#include "platform/shell.h"
#include "workspace/core/formats/image_load.h"
#include "workspace/core/formats/image_writers.h"
#include "workspace/core/plugins.h"
#include "workspace/core/roi/roi_source.h"
#include "workspace/forms/colour_conversion_dialog.h"
#include "workspace/forms/histogram_window.h"
#include "workspace/forms/image_control.h"
#include "workspace/forms/image_info_window.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/raw_options_dialog.h"
#include "workspace/forms/roi_commands.h"
#include "workspace/forms/roi_remark_dialog.h"
#include "workspace/forms/splash_window.h"
#include "workspace/forms/tool_cursors.h"
#include "workspace/forms/vantu_windows.h"

// The window pointers of vantu_windows.h; the program's composition of its
// windows sets them (and the main window `_vantu` itself).
Tvantu* _vantu = nullptr;
TProgress* _Progress = nullptr;
TReport* _Report = nullptr;
TImageView* _ImageView = nullptr;
TRoiRemark* _RoiRemark = nullptr;
TImageHeader* _ImageHeader = nullptr;
THistogram* _Histogram = nullptr;
TOptionsClass* _OptionsClass = nullptr;
TImageInfoView* _ImageInfoView = nullptr;
TFormColor* _FormColor = nullptr;
TVoiEditor* _VoiEditor = nullptr;
TOptions* _Options = nullptr;
TImageLoadOptions* _ImageLoadOptions = nullptr;
TOpZiarna* _OpZiarna = nullptr;
TForm1* _Form1 = nullptr;
TTransformation* _Transformation = nullptr;
TRawOptions* _RawOptions = nullptr;
TBlock* _Block = nullptr;
TFFSpace* _FFSpace = nullptr;

namespace {

uint32_t buttonFaceColour() {
    QColor c = QApplication::palette().color(QPalette::Button);
    return static_cast<uint32_t>(c.red() | (c.green() << 8) | (c.blue() << 16));
}

// The zoom menu's steps with their codes and scales.
struct ZoomStep {
    const char* caption;
    int code;
};
constexpr ZoomStep kZoomSteps[] = {{"1:4", 14}, {"1:2", 12}, {"1:1", 11},  {"2:1", 21},
                                   {"4:1", 41}, {"8:1", 81}, {"16:1", 161}};

// "Load Options" must name an existing file; "Save Options" asks before overwriting.
platform::FileDialogRequest optionsFileRequest(platform::FileDialogKind kind) {
    platform::FileDialogRequest request;
    request.kind = kind;
    bool open = kind == platform::FileDialogKind::Open;
    request.title = open ? "Load Options" : "Save Options";
    request.filter = kOptionsFileFilter;
    request.defaultExtension = ".ini";
    request.mustExist = open;
    request.overwritePrompt = !open;
    return request;
}
constexpr char kHelpWindowTitle[] = "Vantu on-line User's Manual";
constexpr char kHelpFileName[] = "Vantu.chm";

}  // namespace

RoiPanel::RoiPanel(const QString& caption, QWidget* parent) : QLabel(caption, parent) {
    setAlignment(Qt::AlignCenter);
    setAutoFillBackground(true);
    setFrameShape(QFrame::NoFrame);
}

void RoiPanel::setColour(uint32_t bgr) {
    colour_ = bgr;
    // A style sheet, because some widget styles ignore a label's palette.
    QColor c = platform::colourFromBgr(bgr);
    QString border = frameShape() == QFrame::NoFrame ? "none" : "1px solid black";
    setStyleSheet(QString("background-color: rgb(%1,%2,%3); border: %4;")
                      .arg(c.red())
                      .arg(c.green())
                      .arg(c.blue())
                      .arg(border));
}

void RoiPanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit clicked();
}

void RoiPanel::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) emit rightReleased();
}

void RoiPanel::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) emit doubleClicked();
}

Tvantu::Tvantu() {
    tools_ = std::make_unique<RoiToolSession>(state, displayBitmap,
                                              [this](int hidden) { RenderDisplay(hidden); });
    setObjectName("vantu");
    setWindowTitle("Vantu");
    resize(900, 680);
    createMenus();
    createToolBar();
    createImageArea();
    createStatusBar();

    // Creation: dropped files, the ROI row, the cursors, the stored 2D options.
    setAcceptDrops(true);
    createRoiRow();
    state.DrawColour = kRoiColours[0];
    state.ActiveRoi = 1;
    state.PenWidth = 1;
    Image1->setCursor(toolCursor(6));
    state.GreyImage.reset();
    state.RoiMap.reset();
    ShowRoiIndicators();
    state.ImageWidth = state.ImageHeight = 0;
    SetZoom(11);
    ScanPlugins(platform::programFolder());
    state.ForcedPrefix.clear();
    state.ForcedPrefixOn = false;
    EnableUndoRedo(0);
}

Tvantu::~Tvantu() {
    if (_vantu == this) _vantu = nullptr;
}

void Tvantu::setRooms(std::unique_ptr<UpperRooms> rooms) {
    rooms_ = std::move(rooms);
}

void Tvantu::createMenus() {
    auto add = [](QMenu* menu, const QString& caption, const QKeySequence& keys = {}) {
        QAction* item = menu->addAction(caption);
        if (!keys.isEmpty()) item->setShortcut(keys);
        return item;
    };

    fileMenu_ = menuBar()->addMenu("&File");
    connect(add(fileMenu_, "&Load image...", QKeySequence("Ctrl+L")), &QAction::triggered, this,
            [this] { LoadClick(this); });
    connect(add(fileMenu_, "Raw options..."), &QAction::triggered, this, &Tvantu::rawOptions1Click);
    connect(add(fileMenu_, "Color conversion..."), &QAction::triggered, this, [] {
        if (_FormColor) _FormColor->exec();
    });
    QAction* saveAs = add(fileMenu_, "&Save as...", QKeySequence("Ctrl+S"));
    saveAs->setEnabled(false);
    connect(saveAs, &QAction::triggered, this, &Tvantu::UpdateClick);
    QAction* loadRoi = add(fileMenu_, "Load ROI ...");
    loadRoi->setEnabled(false);
    connect(loadRoi, &QAction::triggered, this, [this] { LoadRoiClick(this); });
    QAction* saveRoi = add(fileMenu_, "Save ROI ...");
    saveRoi->setEnabled(false);
    connect(saveRoi, &QAction::triggered, this, [this] { SaveRoiClick(this); });
    connect(add(fileMenu_, "Run macro..."), &QAction::triggered, this, &Tvantu::runMacro1Click);
    fileMenu_->addSeparator();
    connect(add(fileMenu_, "Exit", QKeySequence("Alt+F4")), &QAction::triggered, this,
            &Tvantu::ExitClick);

    editMenu_ = menuBar()->addMenu("&Edit");
    connect(add(editMenu_, "&Undo", QKeySequence("Alt+Backspace")), &QAction::triggered, this,
            &Tvantu::UndoClick);
    connect(add(editMenu_, "&Redo", QKeySequence("Shift+Alt+Backspace")), &QAction::triggered, this,
            &Tvantu::RedoClick);
    editMenu_->addSeparator();
    connect(add(editMenu_, "Reset ROI"), &QAction::triggered, this, &Tvantu::ResetROI1Click);
    connect(add(editMenu_, "Clear ROI"), &QAction::triggered, this, &Tvantu::ClearROI1Click);
    editMenu_->menuAction()->setEnabled(false);

    viewMenu_ = menuBar()->addMenu("&View");
    // The windows are created after this one, so each item looks its window up when used.
    auto toggle = [&](const QString& caption, const QKeySequence& keys,
                      std::function<QWidget*()> windowOf) {
        QAction* item = add(viewMenu_, caption, keys);
        item->setCheckable(true);
        connect(item, &QAction::triggered, this,
                [this, item, windowOf] { toggleWindow(item, windowOf()); });
        return item;
    };
    auto upper = [this](UpperRooms::ViewWindow which) {
        return rooms_ ? rooms_->viewWindow(which) : nullptr;
    };
    toggle("3D Editor", QKeySequence("Ctrl+3"),
           [upper] { return upper(UpperRooms::ViewWindow::Editor3D); });
    toggle("Histogram", QKeySequence("Ctrl+H"), [] {
        return static_cast<QWidget*>(_Histogram);
    })->setEnabled(false);
    toggle("Report", QKeySequence("Ctrl+R"),
           [upper] { return upper(UpperRooms::ViewWindow::Report); });
    toggle("Image View", QKeySequence("Ctrl+I"), [upper] {
        return upper(UpperRooms::ViewWindow::ImageView);
    })->setObjectName("ImageView1");
    toggle("Image Info", QKeySequence("Ctrl+F"), [] {
        return static_cast<QWidget*>(_ImageInfoView);
    })->setEnabled(false);
    zoomMenu_ = viewMenu_->addMenu("&Zoom");
    for (const auto& [step, code] : kZoomSteps) {
        QAction* item = zoomMenu_->addAction(step);
        item->setCheckable(true);
        item->setChecked(code == 11);
        int zoomCode = code;
        connect(item, &QAction::triggered, this, [this, zoomCode] { SetZoom(zoomCode); });
    }
    zoomMenu_->menuAction()->setEnabled(false);

    analysisMenu_ = menuBar()->addMenu("&Analysis");
    connect(add(analysisMenu_, "Run", QKeySequence("Ctrl+A")), &QAction::triggered, this,
            &Tvantu::Run1Click);
    connect(add(analysisMenu_, "Options...", QKeySequence("Ctrl+O")), &QAction::triggered, this,
            &Tvantu::options1Click);
    analysisMenu_->addSeparator();
    connect(add(analysisMenu_, "Load options..."), &QAction::triggered, this,
            &Tvantu::Loadoptions1Click);
    connect(add(analysisMenu_, "Save options..."), &QAction::triggered, this,
            &Tvantu::Saveoptions1Click);
    analysisMenu_->menuAction()->setEnabled(false);

    toolsMenu_ = menuBar()->addMenu("&Tools");
    toolsMenu_->menuAction()->setVisible(false);

    helpMenu_ = menuBar()->addMenu("&Help");
    connect(add(helpMenu_, "&Contents", QKeySequence("F1")), &QAction::triggered, this,
            &Tvantu::Contents1Click);
    connect(add(helpMenu_, "&About...", QKeySequence("Ctrl+F1")), &QAction::triggered, this,
            &Tvantu::AboutClick);

    // Grain tools and bit-plane zeroing: kept for scripts, never shown.
    testyMenu_ = menuBar()->addMenu("Testy");
    testyMenu_->menuAction()->setVisible(false);
    connect(testyMenu_->addAction("Segmentacja "), &QAction::triggered, this, [this] {
        if (rooms_) rooms_->grainSegmentation();
    });
    QAction* analysis = testyMenu_->addAction("Analiza");
    analysis->setVisible(false);
    connect(analysis, &QAction::triggered, this, [this] {
        if (rooms_) rooms_->grainAnalysis();
    });
    connect(testyMenu_->addAction("Opcje..."), &QAction::triggered, this, [this] {
        if (rooms_) rooms_->grainOptions();
    });
    QAction* ruler = testyMenu_->addAction("Miarka");
    ruler->setCheckable(true);
    connect(ruler, &QAction::triggered, this, &Tvantu::Miarka1Click);
    QMenu* zeroing = testyMenu_->addMenu("Zerowanie bitow");
    for (int bit = 16; bit >= 7; --bit)
        connect(zeroing->addAction(QString::number(bit)), &QAction::triggered, this,
                [this, bit] { zeroBitClick(bit); });
    QAction* null = zeroing->addAction("Null");
    null->setVisible(false);
    connect(null, &QAction::triggered, this, &Tvantu::Null1Click);
}

void Tvantu::createToolBar() {
    QToolBar* bar = new QToolBar("Tools", this);
    bar->setObjectName("ToolBar");
    bar->setMovable(false);
    bar->setIconSize(QSize(24, 24));
    addToolBar(Qt::LeftToolBarArea, bar);

    QAction* load = bar->addAction("Load Image");
    load->setObjectName("LoadButton");
    load->setToolTip("Load Image");
    connect(load, &QAction::triggered, this, [this] { LoadClick(this); });
    bar->addSeparator();

    struct Tool {
        const char* name;
        const char* hint;
        int cursor;
        RoiTool tool;
    };
    const Tool tools[] = {{"PencilButton", "Draw line", 6, RoiTool::Pen},
                          {"FillButton", "Fill", 5, RoiTool::Fill},
                          {"SolidCirButton", "Draw Circle", 7, RoiTool::Circle},
                          {"SolidSqButton", "Draw Rectangle", 8, RoiTool::Rectangle},
                          {"SolidPButton", "Draw Polygon", 9, RoiTool::Polygon},
                          {"MoveButton", "Move", 10, RoiTool::Move},
                          {"CopyButton", "Copy", 11, RoiTool::Copy}};
    toolGroup_ = new QActionGroup(this);
    for (const Tool& tool : tools) {
        QAction* item = bar->addAction(QIcon(toolCursor(tool.cursor).pixmap()), tool.hint);
        item->setObjectName(tool.name);
        item->setCheckable(true);
        item->setChecked(tool.cursor == 6);
        toolGroup_->addAction(item);
        Tool chosen = tool;
        connect(item, &QAction::triggered, this,
                [this, chosen] { selectTool(chosen.tool, chosen.cursor); });
    }
    // A double click on the pen button offers the line widths.
    lineWidthMenu_ = new QMenu(this);
    auto* widths = new QActionGroup(lineWidthMenu_);
    for (auto [caption, width] :
         std::initializer_list<std::pair<const char*, int>>{{"&1 pixel", 1},
                                                            {"&3 pixel", 3},
                                                            {"&5 pixel", 5},
                                                            {"&9 pixel", 9},
                                                            {"15 pixel", 15}}) {
        QAction* item = lineWidthMenu_->addAction(caption);
        item->setCheckable(true);
        item->setChecked(width == 1);
        widths->addAction(item);
        connect(item, &QAction::triggered, this, [this, width = width] { state.PenWidth = width; });
    }
    penButton_ = bar->widgetForAction(toolGroup_->actions().front());
    if (penButton_) penButton_->installEventFilter(this);
    bar->addSeparator();

    const std::pair<const char*, const char*> modes[] = {
        {"Novrlp", "Mode: non overlaping ROI"},
        {"Overlp", "Mode: overlaping ROI"},
        {"EraseActiveButton", "Mode: erase active ROI"},
        {"EraseAllButton", "Mode: erase all ROIs"}};
    const char* labels[] = {"N", "O", "E", "EA"};
    modeGroup_ = new QActionGroup(this);
    for (size_t i = 0; i < std::size(modes); ++i) {
        QAction* item = bar->addAction(labels[i]);
        item->setObjectName(modes[i].first);
        item->setToolTip(modes[i].second);
        item->setCheckable(true);
        item->setChecked(i == 0);
        modeGroup_->addAction(item);
        auto mode = static_cast<CommitMode>(i);
        connect(item, &QAction::triggered, this, [this, mode] { tools_->selectMode(mode); });
    }
    bar->addSeparator();
    morphologyMenu_ = new QMenu(this);
    for (auto [caption, op] : std::initializer_list<std::pair<const char*, RoiMorphologyOp>>{
             {"&Opening", RoiMorphologyOp::Opening},
             {"&Closing", RoiMorphologyOp::Closing},
             {"&Dilation", RoiMorphologyOp::Dilation},
             {"&Erosion", RoiMorphologyOp::Erosion}}) {
        connect(morphologyMenu_->addAction(caption), &QAction::triggered, this,
                [this, op = op] { morphologyClick(this, op); });
    }
    QAction* morphology = bar->addAction("Morphology");
    morphology->setObjectName("MorfoButton");
    connect(morphology, &QAction::triggered, this, [this] {
        if (state.RoiMap) morphologyMenu_->popup(QCursor::pos());
    });
    QAction* zoomIn = bar->addAction("+");
    zoomIn->setObjectName("ZoomIn");
    zoomIn->setToolTip("Zoom in");
    connect(zoomIn, &QAction::triggered, this, [this] { SetZoom(1); });
    QAction* zoomOut = bar->addAction("-");
    zoomOut->setObjectName("ZoomOut");
    zoomOut->setToolTip("Zoom out");
    connect(zoomOut, &QAction::triggered, this, [this] { SetZoom(-1); });
}

void Tvantu::createImageArea() {
    QWidget* central = new QWidget(this);
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(2, 2, 2, 2);

    scrollBox_ = new QScrollArea(central);
    scrollBox_->setObjectName("ScrollBox1");
    scrollBox_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    Image1 = new ImageControl(scrollBox_);
    scrollBox_->setWidget(Image1);
    connect(Image1, &ImageControl::mousePressed, this, &Tvantu::Image1MouseDown);
    connect(Image1, &ImageControl::mouseMoved, this, &Tvantu::Image1MouseMove);
    connect(Image1, &ImageControl::mouseReleased, this, &Tvantu::Image1MouseUp);
    connect(Image1, &ImageControl::mouseDoubleClicked, this, &Tvantu::Image1DblClick);
    scrollBox_->setWidgetResizable(false);
    layout->addWidget(scrollBox_, 1);

    // Display window and grey style.
    auto* side = new QVBoxLayout;
    auto* bars = new QHBoxLayout;
    TrMin = new QSlider(Qt::Vertical, central);
    TrMin->setObjectName("TrMin");
    TrMax = new QSlider(Qt::Vertical, central);
    TrMax->setObjectName("TrMax");
    for (QSlider* bar : {TrMin, TrMax}) {
        bar->setRange(0, 100);
        bar->setInvertedAppearance(true);  // position 0 at the top
        bars->addWidget(bar);
    }
    TrMin->setValue(100);
    TrMax->setValue(0);
    connect(TrMin, &QSlider::valueChanged, this, &Tvantu::TrMinChange);
    connect(TrMax, &QSlider::valueChanged, this, &Tvantu::TrMaxChange);
    side->addLayout(bars, 1);
    const char* styles[] = {"RadioImage1", "RadioImage2", "RadioImage3"};
    const char* styleCaptions[] = {"&Normal", "&3 levels", "F&lat"};
    for (size_t i = 0; i < 3; ++i) {
        greyStyles_[i] = new QRadioButton(styleCaptions[i], central);
        greyStyles_[i]->setObjectName(styles[i]);
        side->addWidget(greyStyles_[i]);
    }
    greyStyles_[0]->setChecked(true);
    for (QRadioButton* style : greyStyles_)
        connect(style, &QRadioButton::clicked, this, &Tvantu::TlevClick);
    layout->addLayout(side);
    setCentralWidget(central);
}

void Tvantu::createStatusBar() {
    for (size_t i = 0; i < statusPanels_.size(); ++i) {
        statusPanels_[i] = new QLabel(this);
        statusPanels_[i]->setMinimumWidth(i == 0 ? 260 : 160);
        statusBar()->addWidget(statusPanels_[i], i == 0 ? 0 : 1);
    }
}

void Tvantu::createRoiRow() {
    QToolBar* row = new QToolBar("ROIs", this);
    row->setObjectName("RoiBar");
    row->setMovable(false);
    addToolBar(Qt::BottomToolBarArea, row);
    QWidget* panels = new QWidget(row);
    auto* grid = new QHBoxLayout(panels);
    grid->setContentsMargins(2, 2, 2, 2);
    grid->setSpacing(3);
    for (int k = 1; k <= kRoiCount; ++k) {
        auto* pair = new QVBoxLayout;
        pair->setSpacing(1);
        auto* selector = new RoiPanel(QString::number(k), panels);
        selector->setObjectName(QString("Roi%1").arg(k));
        selector->setFixedSize(28, 20);
        selector->setFrameShape(k == 1 ? QFrame::Box : QFrame::NoFrame);
        selector->setColour(kRoiColours[static_cast<size_t>(k - 1)]);
        auto* indicator = new RoiPanel(QString(), panels);
        indicator->setObjectName(QString("Vroi%1").arg(k));
        indicator->setFixedSize(28, 8);
        indicator->setFrameShape(QFrame::Box);  // single border: the ROI is drawn
        indicator->setColour(buttonFaceColour());
        pair->addWidget(selector);
        pair->addWidget(indicator);
        connect(indicator, &RoiPanel::clicked, this, [this, k] { vroiClick(k); });
        connect(selector, &RoiPanel::clicked, this, [this, k] { RoiClick(k); });
        // The right button opens the remark, not the tool bar's own menu.
        selector->setContextMenuPolicy(Qt::PreventContextMenu);
        connect(selector, &RoiPanel::doubleClicked, this, [this, k] { showRoiRemark(this, k); });
        connect(selector, &RoiPanel::rightReleased, this, [this, k] { showRoiRemark(this, k); });
        grid->addLayout(pair);
        RoiPanels[static_cast<size_t>(k - 1)] = {selector, indicator};
    }
    grid->addStretch(1);
    row->addWidget(panels);
}

void Tvantu::ShowRoiIndicators() {
    for (size_t k = 0; k < RoiPanels.size(); ++k)
        RoiPanels[k].indicator->setColour(state.RoiPixelCount[k] > 0 ? kRoiColours[k]
                                                                     : buttonFaceColour());
}

GreyStyle Tvantu::greyStyle() const {
    if (greyStyles_[2]->isChecked()) return GreyStyle::Flat;
    if (greyStyles_[1]->isChecked()) return GreyStyle::ThreeLevels;
    return GreyStyle::Normal;
}

int Tvantu::trMinPosition() const {
    return TrMin->value();
}
int Tvantu::trMaxPosition() const {
    return TrMax->value();
}

void Tvantu::setTrackBarPositions(int minPosition, int maxPosition) {
    TrMin->setValue(minPosition);
    TrMax->setValue(maxPosition);
}

void Tvantu::RenderDisplay(int hiddenRoi) {
    if (!state.GreyImage) return;
    DisplayParams params{state.WindowLow, state.WindowHigh, greyStyle(), state.VisibleRoiMask,
                         hiddenRoi};
    ::RenderDisplay(*state.GreyImage, state.RoiMap.get(), params, displayBitmap,
                    state.RoiPixelCount);
    Image1->setPicture(&displayBitmap, state.ZoomScale);
    ::HistogramUpdate();
}

void Tvantu::SetZoom(int code) {
    state.ZoomScale = zoomScaleFor(state.ZoomScale, code);
    for (QAction* item : zoomMenu_->actions()) item->setChecked(false);
    for (const ZoomStep& step : kZoomSteps)
        if (zoomScaleFor(state.ZoomScale, step.code) == state.ZoomScale)
            if (QAction* item = action(step.caption)) item->setChecked(true);
    Image1->setZoomScale(state.ZoomScale);
}

void Tvantu::TrMinChange() {
    state.WindowLow = windowFromTrackBar(state.ImageMin, state.ImageMax, TrMin->value());
    RenderDisplay();
}

void Tvantu::TrMaxChange() {
    state.WindowHigh = windowFromTrackBar(state.ImageMin, state.ImageMax, TrMax->value());
    RenderDisplay();
}

void Tvantu::TlevClick() {
    RenderDisplay();
}

void Tvantu::vroiClick(int roi) {
    RoiPanel* indicator = RoiPanels[static_cast<size_t>(roi - 1)].indicator;
    uint32_t bit = 1u << (roi - 1);
    if (indicator->frameShape() != QFrame::NoFrame) {
        indicator->setFrameShape(QFrame::NoFrame);
        state.VisibleRoiMask &= ~bit;
    } else {
        indicator->setFrameShape(QFrame::Box);
        state.VisibleRoiMask |= bit;
    }
    indicator->setColour(indicator->colour());  // the border is part of its style
    RenderDisplay();
}

void Tvantu::rawOptions1Click() {
    state.IgnoreMouse = 1;
    if (_RawOptions) _RawOptions->showForMainWindow();
}

void Tvantu::selectTool(RoiTool tool, int cursorSlot) {
    tools_->selectTool(tool);
    Image1->setCursor(toolCursor(cursorSlot));
}

bool Tvantu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == penButton_ && event->type() == QEvent::MouseButtonDblClick) {
        lineWidthMenu_->popup(QCursor::pos());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Tvantu::RoiClick(int roi) {
    for (const auto& pair : RoiPanels) {
        pair.selector->setFrameShape(QFrame::NoFrame);
        pair.selector->setColour(pair.selector->colour());
    }
    RoiPanel* chosen = RoiPanels[static_cast<size_t>(roi - 1)].selector;
    chosen->setFrameShape(QFrame::Box);
    chosen->setColour(chosen->colour());
    tools_->selectRoi(roi);
}

void Tvantu::options1Click() {
    if (rooms_) rooms_->analysisOptions();
}

void Tvantu::UpdateClick() {
    state.IgnoreMouse = 1;
    platform::FileDialogRequest request = platform::fileDialogRequest(
        platform::FileDialogKind::Save, "Save as", kSaveImageFilter, ".bmp");
    auto answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    switch (SaveImageFile(state, answer.filterIndex, answer.path)) {
        case ImageSaveStatus::Ok:
        case ImageSaveStatus::UnknownType:
        case ImageSaveStatus::NoImage:
            break;
        case ImageSaveStatus::CannotCreate:
            platform::showError("File " + answer.path + " cannot be created.");
            break;
        case ImageSaveStatus::TooLarge:
            platform::showError(
                "The image is too large for a DICOM file (at most 65535 rows "
                "and columns).");
            break;
    }
}

void Tvantu::zeroBitClick(int bit) {
    if (!state.GreyImage) return;
    zeroBitPlane(*state.GreyImage, bit);
    Null1Click();
}

void Tvantu::Null1Click() {
    recomputeImageRange(state, TrMin->value(), TrMax->value());
    RenderDisplay();
    ShowRoiIndicators();
}

void Tvantu::showRoiNames() {
    for (size_t k = 0; k < RoiPanels.size(); ++k)
        RoiPanels[k].selector->setToolTip(QString::fromStdString(state.RoiNames[k]));
}

void Tvantu::EnableUndoRedo(int flags) {
    UndoRedoEnabled enabled = ::EnableUndoRedo(flags);
    action("&Undo")->setEnabled(enabled.undo);
    action("&Redo")->setEnabled(enabled.redo);
}

void Tvantu::roiMapChanged() {
    RenderDisplay();
    ShowRoiIndicators();
}

void Tvantu::UndoClick() {
    if (!state.RoiMap) return;
    planeUndo(*state.RoiMap);
    EnableUndoRedo(undoRedoFlags(*state.RoiMap));
    roiMapChanged();
}

void Tvantu::RedoClick() {
    if (!state.RoiMap) return;
    planeRedo(*state.RoiMap);
    EnableUndoRedo(undoRedoFlags(*state.RoiMap));
    roiMapChanged();
}

void Tvantu::ResetROI1Click() {
    if (!state.RoiMap) return;
    EnableUndoRedo(PlanePushUndo(state.RoiMap.get()));
    resetRoiMap(*state.RoiMap);
    roiMapChanged();
}

void Tvantu::ClearROI1Click() {
    if (!state.RoiMap) return;
    EnableUndoRedo(PlanePushUndo(state.RoiMap.get()));
    ClearRoiBit(*state.RoiMap, state.ActiveRoi);
    roiMapChanged();
}

void Tvantu::Miarka1Click() {
    QAction* ruler = action("Miarka");
    tools_->rulerOn = ruler->isChecked();
    if (tools_->rulerOn) {
        tools_->pixelsPerUnit = rooms_ ? rooms_->grainPixelsPerUnit() : 0.0;
        rulerSavedCursor_ = Image1->cursor();
        Image1->setCursor(toolCursor(12));
    } else {
        Image1->setCursor(rulerSavedCursor_);
    }
}

void Tvantu::measureGrainScale(double length) {
    if (rooms_) rooms_->measureGrainScale(length);
}

namespace {

ToolInput toolInput(const ImageControl* control, QMouseEvent* event, bool pressOrRelease) {
    QPoint pixel = control->imagePixelAt(event->position().toPoint());
    bool left = pressOrRelease ? event->button() == Qt::LeftButton
                               : (event->buttons() & Qt::LeftButton) != 0;
    return {{pixel.x(), pixel.y()}, left, (event->modifiers() & Qt::ControlModifier) != 0};
}

}  // namespace

void Tvantu::applyToolFeedback(const ToolFeedback& feedback) {
    if (feedback.status) statusPanels_[0]->setText(QString::fromStdString(*feedback.status));
    if (feedback.rubberLine) {
        const auto& [a, b] = *feedback.rubberLine;
        Image1->setRubberLine(std::make_pair(QPoint(a.x, a.y), QPoint(b.x, b.y)));
    } else {
        Image1->setRubberLine(std::nullopt);
    }
    if (feedback.undoPushed) EnableUndoRedo(1);
    if (feedback.committed) {
        roiSaveFileName = "newdraw.roi";
        ShowRoiIndicators();
    }
    if (feedback.repaint) Image1->update();
}

void Tvantu::Image1MouseDown(QMouseEvent* event) {
    applyToolFeedback(tools_->press(toolInput(Image1, event, true)));
}

void Tvantu::Image1MouseMove(QMouseEvent* event) {
    if (!state.GreyImage) return;
    applyToolFeedback(tools_->move(toolInput(Image1, event, false)));
}

void Tvantu::Image1MouseUp(QMouseEvent* event) {
    ToolFeedback feedback = tools_->release(toolInput(Image1, event, true));
    if (feedback.rulerLength) {
        action("Miarka")->setChecked(false);
        Image1->setCursor(rulerSavedCursor_);
        measureGrainScale(*feedback.rulerLength);
    }
    applyToolFeedback(feedback);
}

void Tvantu::Image1DblClick(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    applyToolFeedback(tools_->doubleClick());
}

void Tvantu::enableImageCommands() {
    for (const char* caption :
         {"Load ROI ...", "Save ROI ...", "&Save as...", "Histogram", "Image Info"})
        if (QAction* item = action(caption)) item->setEnabled(true);
    editMenu_->menuAction()->setEnabled(true);
    viewMenu_->menuAction()->setEnabled(true);
    zoomMenu_->menuAction()->setEnabled(true);
    analysisMenu_->menuAction()->setEnabled(true);
}

QAction* Tvantu::action(const QString& caption) const {
    for (QAction* item : findChildren<QAction*>())
        if (item->text() == caption) return item;
    return nullptr;
}

QMenu* Tvantu::menu(const QString& title) const {
    for (QMenu* m : findChildren<QMenu*>())
        if (m->title() == title) return m;
    return nullptr;
}

void Tvantu::toggleWindow(QAction* item, QWidget* window) {
    if (!window) return;
    if (window->isHidden()) {
        window->show();
        item->setChecked(true);
    } else {
        window->hide();
        item->setChecked(false);
    }
}

void Tvantu::ScanPlugins(const std::string& folder) {
    toolsMenu_->clear();
    auto plugins = findPlugins(folder);
    toolsMenu_->menuAction()->setVisible(!plugins.empty());
    for (const auto& plugin : plugins) {
        // A "&" in a file name is text, not the menu's accelerator marker.
        QAction* item =
            toolsMenu_->addAction(QString::fromStdString(plugin.caption).replace("&", "&&"));
        item->setData(QString::fromStdString(plugin.path));
        connect(item, &QAction::triggered, this, [this, item] { RunPlugin1Click(item); });
    }
}

void Tvantu::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    activateWindow();
    setFocus();
}

void Tvantu::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void Tvantu::FormActivate() {
    if (rooms_) rooms_->mainWindowActivated();
}

void Tvantu::closeEvent(QCloseEvent* event) {
    // Closing the window takes the same road as File > Exit.
    event->ignore();
    ExitClick();
}

void Tvantu::ExitClick() {
    if (rooms_ && !rooms_->mayEndProgram()) return;
    int unsaved = rooms_ ? rooms_->unsavedWorkCount() : 0;
    if (unsaved != 0) {
        platform::MessageRequest request;
        request.caption = "Warning";
        request.text = "Report or image not saved!\r\nClose anyway?";
        request.buttons = platform::MessageButtons::OkCancel;
        request.icon = platform::MessageIcon::Warning;
        request.defaultButton = 1;
        // Without a display nobody can save them, and waiting for an answer
        // would lose them too: close, after naming them.
        request.unattendedAnswer = platform::MessageResult::Ok;
        request.unattendedNote = rooms_->unsavedWorkText();
        if (platform::showMessage(request) != platform::MessageResult::Ok) return;
    }
    SaveSettingsAndQuit();
}

void Tvantu::SaveSettingsAndQuit() {
    state.RoiMap.reset();
    state.GreyImage.reset();
    state.WorkingSet.reset();
    if (rooms_) rooms_->saveOptionsToRegistry();
    quitRequested_ = true;
    QCoreApplication::quit();
}

void Tvantu::Loadoptions1Click() {
    state.IgnoreMouse = 1;
    auto answer = platform::showFileDialog(optionsFileRequest(platform::FileDialogKind::Open));
    if (!answer.accepted) return;
    platform::IniFile file;
    if (!file.load(answer.path)) {
        platform::showError("Cannot read the options file\r\n" + answer.path);
        return;
    }
    if (rooms_) rooms_->loadOptions(file);
}

void Tvantu::Saveoptions1Click() {
    state.IgnoreMouse = 1;
    auto answer = platform::showFileDialog(optionsFileRequest(platform::FileDialogKind::Save));
    if (!answer.accepted) return;
    // Other sections and keys of an existing file stay as they are.
    platform::IniFile file;
    file.load(answer.path);
    if (rooms_) rooms_->saveOptions(file);
    if (!file.save(answer.path))
        platform::showError("Cannot write the options file\r\n" + answer.path);
}

void Tvantu::Contents1Click() {
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (window->windowTitle() == kHelpWindowTitle) {
            window->showNormal();
            window->raise();
            window->activateWindow();
            return;
        }
    }
    platform::openHelpFile(platform::programFolder() + kHelpFileName, "Error");
}

void Tvantu::AboutClick() {
    ShowSplashWindow();
}

void Tvantu::Run1Click() {
    if (!state.GreyImage) {
        platform::showError("Cannot start analysis. Load image first.");
        return;
    }
    if (!state.RoiMap || roiMapIsEmpty(*state.RoiMap)) {
        // A run would give a report of zeros that looks like a result.
        platform::showError("Cannot start analysis. No ROI is drawn.");
        return;
    }
    if (state.ForcedPrefixOn) state.FeaturePrefix = state.ForcedPrefix;
    if (state.FeaturePrefix.size() > 3) state.FeaturePrefix.resize(3);
    if (rooms_) rooms_->runAnalysis();
}

void Tvantu::runMacro1Click() {
    state.IgnoreMouse = 1;
    platform::FileDialogRequest request;
    request.title = kRunMacroTitle;
    request.filter = kRunMacroFilter;
    request.defaultExtension = kRunMacroDefaultExtension;
    request.mustExist = true;
    auto answer = platform::showFileDialog(request);
    if (answer.accepted && rooms_) rooms_->runMacroFile(answer.path);
}

void Tvantu::RunPlugin1Click(QAction* item) {
    // The file found by the scan, not one rebuilt from the caption: a menu
    // may add or show '&' in a caption, and the extension's letter case is
    // the file's own.
    std::string path = item->data().toString().toStdString();
    if (!path.empty() && rooms_) rooms_->runMacroFile(path);
}

int Tvantu::openFile(const std::string& path) {
    return OpenFileByExtension(this, path);
}

int Tvantu::dropFiles(const QStringList& paths) {
    if (paths.isEmpty()) return 0;
    std::string first = paths.front().toStdString();
    if (first.size() >= kMaxDroppedNameLength) return 0;
    return OpenFileByExtension(this, first);
}

void Tvantu::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasUrls()) event->acceptProposedAction();
}

void Tvantu::dropEvent(QDropEvent* event) {
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls())
        if (url.isLocalFile()) paths << url.toLocalFile();
    event->acceptProposedAction();
    dropFiles(paths);
}
