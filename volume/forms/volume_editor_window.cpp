#include "volume/forms/volume_editor_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QPainter>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>
#include <new>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/runner/analysis_runner.h"
#include "analysis/forms/progress_window.h"
#include "analysis/forms/report_window.h"
#include "platform/dialogs.h"
#include "platform/file_dialog_requests.h"
#include "platform/files.h"
#include "platform/qt/dialog_owner.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_text.h"
#include "platform/textformat.h"
#include "volume/core/files/bmf_volume.h"
#include "volume/core/files/dicom_volume_writer.h"
#include "volume/core/files/series_loaders.h"
#include "volume/core/files/series_order.h"
#include "volume/core/files/voi_exports.h"
#include "volume/core/shapes/region_grow.h"
#include "volume/core/shapes/shape_accept.h"
#include "volume/forms/analysis_3d_job.h"
#include "volume/forms/analysis_3d_options_dialog.h"
#include "volume/forms/block_dialog.h"
#include "volume/forms/volume_view.h"
#include "volume/forms/voxel_size_dialog.h"
#include "workspace/core/roi/roi_set.h"
#include "workspace/forms/colour_conversion_dialog.h"
#include "workspace/forms/raw_options_dialog.h"
#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

namespace {

bool openGlAvailable() {
    QOpenGLContext probe;
    return probe.create();
}

VoxelSizes currentVoxelSizes() {
    return voxelSizes();
}

// Names typed with another kind's extension than the filter chosen open as
// that kind: a .bmf read as a bitmap series would give one meaningless slice.
int volumeKindOfNames(const std::vector<std::string>& paths, int chosen) {
    const int kind =
        paths.empty() ? 0 : platform::filterIndexOfName(kVolumeLoadFilter, paths.front());
    for (const std::string& path : paths)
        if (platform::filterIndexOfName(kVolumeLoadFilter, path) != kind) return chosen;
    return kind == 0 ? chosen : kind;
}

// The Block dialog and the Transformation window are created with the other
// windows, under the main window; they serve the editor, so they move under
// it before they show and open in front of it, not of the main window.
void keepInFrontOf(QWidget* window, QWidget* editor) {
    if (window->parentWidget() != editor) window->setParent(editor, window->windowFlags());
}

// The picture of the transform panel.
class TransformHint : public QLabel {
  public:
    TransformHint() : QLabel("T") {
        setAlignment(Qt::AlignCenter);
        setFixedSize(30, 30);
        setFrameStyle(QFrame::Panel | QFrame::Sunken);
        setToolTip("Use the left or the right mouse buttons for different transformations");
    }

  protected:
    void mouseDoubleClickEvent(QMouseEvent*) override {
        if (!_Transformation) return;
        keepInFrontOf(_Transformation, window());
        _Transformation->show();
    }
};

}  // namespace

// A VOI panel of the strip: its number on its colour; a single border when
// selected (Roi) or shown (Vroi).
class VoiPanel : public QLabel {
  public:
    VoiPanel(int voi, bool visibility, TVoiEditor* editor)
        : voi_(voi), visibility_(visibility), editor_(editor) {
        setText(visibility ? QString() : QString::number(voi));
        setAlignment(Qt::AlignCenter);
        setFixedSize(24, visibility ? 10 : 20);
        setAutoFillBackground(true);
        setObjectName(QString(visibility ? "Vroi%1" : "Roi%1").arg(voi));
        setBorder(visibility);
        setColour(visibility ? palette().color(QPalette::Button)
                             : platform::colourFromBgr(kRoiColours[static_cast<size_t>(voi - 1)]));
    }
    void setBorder(bool single) {
        border_ = single;
        setFrameStyle(single ? QFrame::Box | QFrame::Plain : QFrame::NoFrame);
    }
    bool border() const { return border_; }
    void setColour(const QColor& colour) {
        QPalette p = palette();
        p.setColor(QPalette::Window, colour);
        setPalette(p);
    }

  protected:
    void mousePressEvent(QMouseEvent* event) override {
        if (visibility_) {
            editor_->vroiClick(voi_);
        } else if (event->button() == Qt::RightButton) {
            rename();
        } else {
            editor_->RoiClick(voi_);
        }
    }
    void mouseDoubleClickEvent(QMouseEvent*) override {
        if (!visibility_) rename();
    }

  private:
    void rename() {
        bool ok = false;
        const QString name = QInputDialog::getText(
            this, "ROI remark", QString("Roi%1 remark (class name):").arg(voi_), QLineEdit::Normal,
            QString::fromStdString(editor_->names()[static_cast<size_t>(voi_ - 1)]), &ok);
        if (!ok) return;
        editor_->renameVoi(voi_, name.toStdString());
        setToolTip(name);
    }
    int voi_;
    bool visibility_;
    TVoiEditor* editor_;
    bool border_ = false;
};

TVoiEditor::TVoiEditor(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("VoiEditor");
    setWindowTitle("3D Editor");
    resize(900, 680);
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(2);
    outer->setMenuBar(buildMenus());
    // Left the tools, in the middle the scene, right the transforms and the
    // view panel; below the VOI panels with the slice controls.
    auto* middle = new QHBoxLayout;
    outer->addLayout(middle, 1);
    middle->addLayout(buildToolPanel());
    middle->addWidget(buildView(), 1);
    middle->addLayout(buildTransformPanel());
    outer->addLayout(buildVoiStrip());
    outer->addWidget(buildStatusBar());

    // Without a volume only loading, the option dialogs, Close and About act.
    for (QAction* a : {saveAsItem, loadRoiItem, saveRoiItem}) a->setEnabled(false);
    editMenu->setEnabled(false);
    analysisMenu->setEnabled(false);

    connectTransformButtons();
    connectViewPanel();
    connectSliceControls();
    connectShapeTools();
    registerProgressJob(kMode3D, [this]() -> std::optional<ProgressJob> {
        return make3DAnalysisJob(image_.get(), mask_.get(), analysis3DOptions(), names_);
    });
}

QMenuBar* TVoiEditor::buildMenus() {
    MainMenu1 = new QMenuBar(this);
    QMenu* file = MainMenu1->addMenu("&File");
    file->addAction("&Load image...", QKeySequence("Ctrl+L"), this, [this] { loadImageClick(); });
    file->addAction("Raw options...", this, [this] { rawOptionsClick(); });
    file->addAction("Color conversion...", this, [this] {
        if (_FormColor) platform::execOwnedBy(_FormColor, this);
    });
    file->addAction("Image options...", this, [this] { imageOptionsClick(); });
    saveAsItem =
        file->addAction("&Save as...", QKeySequence("Ctrl+S"), this, [this] { saveAsClick(); });
    loadRoiItem = file->addAction("Load ROI ...", this, [this] { LoadRoiClick(); });
    saveRoiItem = file->addAction("Save ROI ...", this, [this] { SaveRoiClick(); });
    file->addAction("Run macro...")->setVisible(false);
    file->addAction("Close", this, [this] { CloseClick(); });
    editMenu = MainMenu1->addMenu("&Edit");
    undoItem =
        editMenu->addAction("&Undo", QKeySequence("Alt+Backspace"), this, [this] { UndoClick(); });
    redoItem = editMenu->addAction("&Redo", QKeySequence("Shift+Alt+Backspace"), this,
                                   [this] { RedoClick(); });
    editMenu->addAction("Erase all ROIs", this, [this] { eraseAllRoisClick(); });
    editMenu->addAction("Erase active ROI", this, [this] { eraseActiveRoiClick(); });
    QMenu* viewMenu = MainMenu1->addMenu("&View");
    viewMenu->menuAction()->setVisible(false);
    analysisMenu = MainMenu1->addMenu("&Analysis");
    analysisMenu->addAction("Run 3D analysis", QKeySequence("Ctrl+A"), this,
                            [this] { runAnalysisClick(); });
    analysisMenu->addAction("Options...", QKeySequence("Ctrl+O"), this,
                            [this] { analysisOptionsClick(); });
    analysisMenu->addAction("Load options...", this, [] {
        if (_vantu) _vantu->Loadoptions1Click();
    });
    analysisMenu->addAction("Save options...", this, [] {
        if (_vantu) _vantu->Saveoptions1Click();
    });
    QMenu* help = MainMenu1->addMenu("&Help");
    help->addAction("&Contents")->setVisible(false);
    help->addAction("&About...", QKeySequence("Ctrl+F1"), this, [this] { AboutClick(); });
    return MainMenu1;
}

// The shape tools, Load and the draw modes.
QBoxLayout* TVoiEditor::buildToolPanel() {
    auto* tools = new QVBoxLayout;
    auto tool = [&](const char* name, const char* hint, const char* glyph) {
        auto* b = new QToolButton;
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setText(glyph);
        b->setFixedSize(30, 30);
        tools->addWidget(b);
        return b;
    };
    const std::array<std::array<const char*, 3>, 10> shapes = {{
        {"EllipsoidButton", "Create elipsoidal ROI", "()"},
        {"CubeButton", "Create cubic ROI", "[]"},
        {"TetrahedronButton", "Create tetrahedral ROI", "/\\"},
        {"TubeButton", "Create tubular ROI ", "||"},
        {"ElasticSurfaceButton", "Create spherical-elastic ROI", "@"},
        {"FloodFill3D", "Flood Fill 3D", "F"},
        {"FillButton", "Accept - fill it in", "OK"},
        {"CancelButton", "Cancel", "X"},
        {"MoveButton2", "Move", "M"},
        {"CopyButton", "Copy", "C"},
    }};
    // One group: the button of the shape in hand stays down; Fill or Cancel
    // takes its place when the shape is done.
    auto* shapeGroup = new QButtonGroup(this);
    for (size_t k = 0; k < shapes.size(); ++k) {
        shapeButtons[k] = tool(shapes[k][0], shapes[k][1], shapes[k][2]);
        shapeButtons[k]->setEnabled(false);
        shapeButtons[k]->setCheckable(true);
        shapeGroup->addButton(shapeButtons[k]);
    }
    EllipsoidButton = shapeButtons[0];
    CubeButton = shapeButtons[1];
    TetrahedronButton = shapeButtons[2];
    TubeButton = shapeButtons[3];
    ElasticSurfaceButton = shapeButtons[4];
    FloodFill3DButton = shapeButtons[5];
    FillButton = shapeButtons[6];
    CancelButton = shapeButtons[7];
    MoveButton2 = shapeButtons[8];
    CopyButton = shapeButtons[9];
    tools->addSpacing(8);
    LoadButton = tool("LoadButton", "Load Image", "L");
    connect(LoadButton, &QToolButton::clicked, this, [this] { loadImageClick(); });
    tools->addSpacing(8);
    NonoverlapButton = tool("NonoverlapButton", "Mode: non overlaping ROI", "N");
    OverlapButton = tool("OverlapButton", "Mode: overlaping ROI", "O");
    EraseActiveButton = tool("EraseActiveButton", "Mode: erase active ROI", "e");
    EraseAllButton = tool("EraseAllButton", "Mode: erase all ROIs", "E");
    auto* modes = new QButtonGroup(this);
    for (QToolButton* b : {NonoverlapButton, OverlapButton, EraseActiveButton, EraseAllButton}) {
        b->setCheckable(true);
        modes->addButton(b);
    }
    NonoverlapButton->setChecked(true);
    tools->addStretch(1);
    return tools;
}

QWidget* TVoiEditor::buildView() {
    view = new VolumeView;
    view->status = [this](const std::string& text) { setStatus(text); };
    if (openGlAvailable()) return view;
    // Without OpenGL (no display) the view is kept but never shown: a window
    // holding it would be composed through OpenGL, which fails.
    view->setParent(nullptr);
    ownedView_.reset(view);
    auto* none = new QLabel("The 3D view needs OpenGL, which this display does not offer.");
    none->setAlignment(Qt::AlignCenter);
    return none;
}

// The transform buttons, the view panel and the elastic surface's options.
QBoxLayout* TVoiEditor::buildTransformPanel() {
    auto* right = new QVBoxLayout;
    auto transform = [&](const char* name, const char* hint, const char* glyph) {
        auto* b = new QToolButton;
        b->setObjectName(name);
        b->setToolTip(hint);
        b->setText(glyph);
        b->setCheckable(true);
        b->setFixedSize(30, 30);
        right->addWidget(b);
        return b;
    };
    // Double-clicking the transform panel's picture opens the transformation window.
    auto* hint = new TransformHint;
    right->addWidget(hint);
    MoveAllButton = transform("MoveAllButton", "Push or pull all", "Z");
    TurnAllButton = transform("TurnAllButton", "Turn all", "R");
    transforms_ = new QButtonGroup(this);
    transforms_->addButton(MoveAllButton);
    transforms_->addButton(TurnAllButton);
    MoveButton = transform("MoveButton", "Move, push or pull", "m");
    TurnButton = transform("TurnButton", "Turn", "t");
    InflateButton = transform("InflateButton", "Inflate or deflate", "i");
    FormButton = transform("FormButton", "Modify shape", "f");
    for (QToolButton* b : {MoveButton, TurnButton, InflateButton, FormButton}) {
        transforms_->addButton(b);
        b->setEnabled(false);
    }
    TurnAllButton->setChecked(true);
    MoveAllButton->setEnabled(false);
    TurnAllButton->setEnabled(false);
    Panel3 = new QGroupBox;
    auto* panel3 = new QVBoxLayout(Panel3);
    RadioGrey = new QRadioButton("&Grey");
    RadioBand = new QRadioButton("&Band");
    RadioVoi = new QRadioButton("V&OI");
    RadioGrey->setChecked(true);
    TrMin = new QSlider(Qt::Vertical);
    TrMax = new QSlider(Qt::Vertical);
    TrMin->setRange(0, 100);
    TrMin->setValue(100);
    TrMax->setRange(0, 100);
    TrMax->setValue(0);
    for (QWidget* w : std::initializer_list<QWidget*>{RadioGrey, RadioBand, RadioVoi})
        panel3->addWidget(w);
    auto* bars = new QHBoxLayout;
    bars->addWidget(TrMin);
    bars->addWidget(TrMax);
    panel3->addLayout(bars);
    right->addWidget(Panel3);
    Panel3->hide();
    right->addWidget(buildShapePanel());
    right->addStretch(1);
    return right;
}

// The VOI panels, the slice check boxes, track bars and edits.
QBoxLayout* TVoiEditor::buildVoiStrip() {
    auto* strip = new QGridLayout;
    strip->setHorizontalSpacing(2);
    strip->setVerticalSpacing(1);
    for (int k = 1; k <= kVoiCount; ++k) {
        Roi[static_cast<size_t>(k - 1)] = new VoiPanel(k, false, this);
        Vroi[static_cast<size_t>(k - 1)] = new VoiPanel(k, true, this);
        strip->addWidget(Roi[static_cast<size_t>(k - 1)], 0, k - 1);
        strip->addWidget(Vroi[static_cast<size_t>(k - 1)], 1, k - 1);
    }
    Roi[0]->setBorder(true);
    auto* bottom = new QHBoxLayout;
    bottom->addLayout(strip);
    auto slice = [&](const char* axis, QSlider*& bar, QLineEdit*& edit, QCheckBox*& box) {
        box = new QCheckBox(axis);
        box->setChecked(true);
        bar = new QSlider(Qt::Horizontal);
        bar->setRange(0, 0);
        bar->setMinimumWidth(80);
        edit = new QLineEdit("0");
        edit->setFixedWidth(44);
        for (QWidget* w : std::initializer_list<QWidget*>{box, bar, edit}) {
            w->setEnabled(false);
            bottom->addWidget(w);
        }
    };
    // Alt keys apart from the menu bar's (File, Edit, Analysis, Help).
    slice("&X", TrackBarX, EditX, CheckBoxX);
    slice("&Y", TrackBarY, EditY, CheckBoxY);
    slice("&Z", TrackBarZ, EditZ, CheckBoxZ);
    return bottom;
}

QStatusBar* TVoiEditor::buildStatusBar() {
    status_ = new QStatusBar;
    statusPanel_ = new QLabel;
    status_->addWidget(statusPanel_, 1);
    return status_;
}

void TVoiEditor::connectTransformButtons() {
    connect(transforms_, &QButtonGroup::buttonClicked, this, [this](QAbstractButton* b) {
        view->mouseMode = b == MoveAllButton   ? VolumeView::MouseMode::PushAll
                          : b == TurnAllButton ? VolumeView::MouseMode::TurnAll
                                               : VolumeView::MouseMode::None;
        if (b == MoveAllButton) {
            setStatus(distanceStatus(view->ViewMatrix));
        } else if (b == TurnAllButton) {
            setStatus(anglesStatus(view->ViewMatrix));
        } else if (const std::optional<ShapeTransform> t = activeTransform()) {
            setStatus(shapeTransformStatus(shapePose(), *t));
        }
    });
}

// The colouring and the display window redraw the slices (and refit an
// elastic surface, which follows the grey levels shown).
void TVoiEditor::connectViewPanel() {
    for (QRadioButton* r : {RadioGrey, RadioBand, RadioVoi})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (!on) return;
            rebuildSlices();
            refitIfElastic();
        });
    connect(TrMin, &QSlider::valueChanged, this, [this] {
        rebuildSlices();
        refitIfElastic();
    });
    connect(TrMax, &QSlider::valueChanged, this, [this] {
        rebuildSlices();
        refitIfElastic();
    });
}

void TVoiEditor::connectSliceControls() {
    auto wire = [this](QSlider* bar, QLineEdit* edit, QCheckBox* box,
                       void (TVoiEditor::*rebuild)()) {
        connect(bar, &QSlider::valueChanged, this, [this, edit, rebuild](int value) {
            edit->setText(QString::number(value));
            (this->*rebuild)();
        });
        connect(edit, &QLineEdit::editingFinished, this, [this, rebuild] { (this->*rebuild)(); });
        connect(box, &QCheckBox::toggled, this, [this, rebuild] { (this->*rebuild)(); });
    };
    wire(TrackBarX, EditX, CheckBoxX, &TVoiEditor::SliceXToGL);
    wire(TrackBarY, EditY, CheckBoxY, &TVoiEditor::SliceYToGL);
    wire(TrackBarZ, EditZ, CheckBoxZ, &TVoiEditor::SliceZToGL);
}

TVoiEditor::~TVoiEditor() = default;

std::string TVoiEditor::statusText() const {
    return statusPanel_->text().toStdString();
}
void TVoiEditor::setStatus(const std::string& text) {
    statusPanel_->setText(QString::fromStdString(text));
}

DrawMode TVoiEditor::drawMode() const {
    const uint16_t bit = voiBit(activeVoi_);
    if (OverlapButton->isChecked()) return overlappingDraw(bit);
    if (EraseActiveButton->isChecked()) return eraseActive(bit);
    if (EraseAllButton->isChecked()) return DrawMode{0, 0};
    return nonOverlappingDraw(bit);
}

DisplayWindow TVoiEditor::displayWindow() const {
    return ::displayWindow(windowLow_, windowHigh_, TrMin->value(), TrMin->maximum(),
                           TrMax->value(), TrMax->maximum());
}

SliceColouring TVoiEditor::colouring() const {
    if (RadioBand->isChecked()) return SliceColouring::Band;
    if (RadioVoi->isChecked()) return SliceColouring::VoiOnly;
    return SliceColouring::Grey;
}

bool TVoiEditor::mayReplaceWorkspaceRois() {
    if (!workspaceRois.unsaved || !workspaceRois.unsaved()) return true;
    // A save that was cancelled or failed loads nothing: the ROIs stay.
    return platform::offerToSave(
        {.caption = kVoiQuestionCaption,
         .text = "The ROIs of the main window's image are not saved, and the slices of a loaded "
                 "volume replace them.\r\nSave them first?"},
        workspaceRois.save);
}

bool TVoiEditor::voisUnsaved() const {
    return mask_ && voiMark_.unsaved(*mask_, names_);
}

bool TVoiEditor::mayDropVois(const std::string& why, bool unattendedGivesUp) {
    if (!voisUnsaved()) return true;
    platform::MessageRequest request{
        .caption = kVoiQuestionCaption,
        .text = "The VOIs are not saved, and " + why + ".\r\nSave them first?"};
    if (unattendedGivesUp) {
        // Without a display nobody can save them, and waiting would lose them too.
        request.unattendedAnswer = platform::MessageResult::No;
        request.unattendedNote = "The 3D editor's VOIs are given up.";
    }
    return platform::offerToSave(request, [this] {
        SaveRoiClick();
        return !voisUnsaved();
    });
}

bool TVoiEditor::mayEndProgram() {
    if (isHidden() && mask_ && voiDigest(*mask_, names_) == givenUpAtClose_) return true;
    return mayDropVois("ending Vantu drops them", true);
}

void TVoiEditor::renameVoi(int voi, const std::string& name) {
    names_[static_cast<size_t>(voi - 1)] = name;
    if (!mask_) return;
    undo_.amend(*mask_, names_);
    updateUndoItems();
}

void TVoiEditor::loadImageClick() {
    // Both questions come before the load dialog: a volume chosen and then
    // refused would be a choice made for nothing.
    if (!mayDropVois("a loaded volume replaces them") || !mayReplaceWorkspaceRois()) {
        LoadButton->setChecked(false);
        return;
    }
    platform::FileDialogRequest request = platform::fileDialogRequest(
        platform::FileDialogKind::Open, "Load 3D data", kVolumeLoadFilter, ".bmp");
    request.multiSelect = true;
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    LoadButton->setChecked(false);
    if (!answer.accepted) return;
    std::vector<std::string> paths = answer.paths;
    if (paths.empty()) paths.push_back(answer.path);
    loadVolume(volumeKindOfNames(paths, answer.filterIndex), paths);
}

bool TVoiEditor::loadVolume(int filterIndex, const std::vector<std::string>& paths) {
    // A slice handed over from the previous volume never goes into this one.
    crossSectionPending_ = true;
    crossSection_.reset();
    setStatus("");
    if (_vantu) _vantu->state.FeaturePrefix.clear();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    VolumeLoad load;
    const std::vector<std::string> sorted = sortSeriesPaths(paths);
    switch (filterIndex) {
        case 1:
            load = loadBitmapSeries(sorted, _vantu ? _vantu->state.ColorMode : 0);
            break;
        case 2:
            load = loadRawSeries(sorted, _RawOptions ? _RawOptions->values : RawOptions());
            break;
        case 3:
            load = loadBmfVolume(paths.front());
            break;
        default:
            load = loadDicomSeries(sorted);
            break;
    }
    QApplication::restoreOverrideCursor();
    if (!load.ok()) {
        platform::showMessage("Error",
                              load.error.empty() ? std::string(kNoSliceMessage) : load.error,
                              platform::MessageButtons::Ok, platform::MessageIcon::Error);
        return false;
    }
    image_ = std::move(load.image);
    mask_ = std::move(load.mask);
    if (load.hasVoxelSizes) voxelSizes() = load.voxelSizes;
    if (_vantu) {
        _vantu->state.LoadedColorMode = load.loadedColourMode;
        _vantu->state.FeaturePrefix = load.featurePrefix;
    }
    if (!load.statusText.empty()) setStatus(load.statusText);
    undo_.reset();
    names_ = VoiNames();
    voiFileName_.clear();
    // The loaded state opens the ring, so the first edit can be undone.
    undo_.push(*mask_, names_);
    voiMark_.markKept(*mask_, names_);
    Volume3DMinMax(*image_);
    windowLow_ = image_->min;
    windowHigh_ = image_->max;
    enableAfterLoad();
    return true;
}

void TVoiEditor::enableAfterLoad() {
    Panel3->show();
    endShape();
    for (QToolButton* b : {EllipsoidButton, CubeButton, TetrahedronButton, TubeButton,
                           ElasticSurfaceButton, FloodFill3DButton})
        b->setEnabled(true);
    for (QWidget* w : std::initializer_list<QWidget*>{CheckBoxX, CheckBoxY, CheckBoxZ, EditX, EditY,
                                                      EditZ, TrackBarX, TrackBarY, TrackBarZ,
                                                      MoveAllButton, TurnAllButton})
        w->setEnabled(true);
    for (QAction* a : {saveAsItem, loadRoiItem, saveRoiItem}) a->setEnabled(true);
    editMenu->setEnabled(true);
    analysisMenu->setEnabled(true);
    const std::array<std::pair<QSlider*, int32_t>, 3> bars = {{{TrackBarX, image_->maxWidth},
                                                               {TrackBarY, image_->maxHeight},
                                                               {TrackBarZ, image_->sliceCount}}};
    for (const auto& [bar, extent] : bars) {
        const QSignalBlocker block(bar);
        bar->setRange(0, std::max(extent - 1, 0));
        bar->setValue(extent / 2);
    }
    EditX->setText(QString::number(TrackBarX->value()));
    EditY->setText(QString::number(TrackBarY->value()));
    EditZ->setText(QString::number(TrackBarZ->value()));
    rebuildSlices();
    refreshVoiPanels();
    updateUndoItems();
}

void TVoiEditor::rebuildSlices() {
    SliceXToGL();
    SliceYToGL();
    SliceZToGL();
}

void TVoiEditor::SliceXToGL() {
    sliceToGL(SliceAxis::X, EditX, TrackBarX, CheckBoxX);
}
void TVoiEditor::SliceYToGL() {
    sliceToGL(SliceAxis::Y, EditY, TrackBarY, CheckBoxY);
}
void TVoiEditor::SliceZToGL() {
    sliceToGL(SliceAxis::Z, EditZ, TrackBarZ, CheckBoxZ);
}

void TVoiEditor::sliceToGL(SliceAxis axis, QLineEdit* edit, QSlider* bar, QCheckBox* box) {
    if (!image_ || !mask_ || !box->isChecked()) {
        view->setSlice(axis, false);
        return;
    }
    bool number = false;
    const int typed = edit->text().toInt(&number);
    if (!number) return;  // not a number: everything stays
    const int position = std::clamp(typed, 0, std::max(sliceExtent(*image_, axis) - 1, 0));
    if (edit->text() != QString::number(position)) edit->setText(QString::number(position));
    {
        const QSignalBlocker block(bar);
        bar->setValue(position);
    }
    const SliceTexture texture =
        buildSliceTexture(*image_, *mask_, axis, position, visible_, colouring(), displayWindow());
    const VoxelSizes sizes = currentVoxelSizes().sanitized();
    view->setSlice(axis, true, texture,
                   sliceQuad(*image_, axis, position,
                             {sizes.VoxelXSize, sizes.VoxelYSize, sizes.VoxelZSize}, texture));
}

void TVoiEditor::RoiClick(int voi) {
    for (VoiPanel* p : Roi) p->setBorder(false);
    Roi[static_cast<size_t>(voi - 1)]->setBorder(true);
    activeVoi_ = voi;
    const bool has = counts_[static_cast<size_t>(voi - 1)] > 0;
    MoveButton2->setEnabled(has);
    CopyButton->setEnabled(has);
    // The shape is drawn in the active VOI's colour.
    if (view->shapeShown()) showShape();
}

void TVoiEditor::vroiClick(int voi) {
    VoiPanel* panel = Vroi[static_cast<size_t>(voi - 1)];
    panel->setBorder(!panel->border());
    visible_ = 0;
    for (int k = 0; k < kVoiCount; ++k)
        if (Vroi[static_cast<size_t>(k)]->border()) visible_ |= static_cast<uint16_t>(1u << k);
    rebuildSlices();
}

void TVoiEditor::refreshVoiPanels() {
    counts_.fill(0);
    if (mask_) Volume3DCountVoxels(*mask_, counts_);
    for (int k = 0; k < kVoiCount; ++k) {
        Vroi[static_cast<size_t>(k)]->setColour(
            counts_[static_cast<size_t>(k)] > 0
                ? platform::colourFromBgr(kRoiColours[static_cast<size_t>(k)])
                : palette().color(QPalette::Button));
        Roi[static_cast<size_t>(k)]->setToolTip(
            QString::fromStdString(names_[static_cast<size_t>(k)]));
    }
    const bool has = mask_ && counts_[static_cast<size_t>(activeVoi_ - 1)] > 0;
    MoveButton2->setEnabled(has);
    CopyButton->setEnabled(has);
}

void TVoiEditor::maskChanged(bool snapshot) {
    if (!mask_) return;
    if (snapshot) undo_.push(*mask_, names_);
    refreshVoiPanels();
    rebuildSlices();
    updateUndoItems();
}

void TVoiEditor::updateUndoItems() {
    undoItem->setEnabled(undo_.canUndo());
    redoItem->setEnabled(undo_.canRedo());
}

void TVoiEditor::UndoClick() {
    if (mask_ && undo_.undo(*mask_, names_)) maskChanged(false);
}

void TVoiEditor::RedoClick() {
    if (mask_ && undo_.redo(*mask_, names_)) maskChanged(false);
}

void TVoiEditor::eraseAllRoisClick() {
    if (!mask_) return;
    Volume3DMaskAll(*mask_, 0, 0);
    maskChanged(true);
}

void TVoiEditor::eraseActiveRoiClick() {
    if (!mask_) return;
    Volume3DMaskAll(*mask_, static_cast<uint16_t>(~voiBit(activeVoi_)), 0);
    maskChanged(true);
}

void TVoiEditor::saveAsClick() {
    if (!image_) return;
    platform::FileDialogRequest request = platform::fileDialogRequest(
        platform::FileDialogKind::Save, "Save 3D data", kVolumeSaveFilter, ".bmf");
    request.fileName = "new";
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    const VolumeSaveStatus status = answer.filterIndex == 2
                                        ? saveDicomVolume(*image_, answer.path)
                                        : saveBmfVolume(*image_, currentVoxelSizes(), answer.path);
    if (status != VolumeSaveStatus::Ok)
        platform::showError("Cannot create file \"" + answer.path + "\".");
}

void TVoiEditor::LoadRoiClick() {
    if (!image_ || !mask_) {
        platform::showError(kLoadVoiFirstMessage);
        return;
    }
    if (!mayDropVois("a loaded VOI file replaces them")) return;
    platform::FileDialogRequest request = platform::fileDialogRequest(
        platform::FileDialogKind::Open, "Load ROI", kVoiLoadFilter, ".voi");
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    const VoiLoadResult result = LoadVoi(*mask_, names_, answer.path);
    if (result.status != VoiLoadStatus::Loaded) {
        platform::showError("Cannot load the file \"" + answer.path + "\".");
        return;
    }
    // Only a loaded file names the next save: an undo snapshot never does.
    voiFileName_ = answer.path;
    voiMark_.markKept(*mask_, names_);
    maskChanged(true);
}

void TVoiEditor::SaveRoiClick() {
    if (!mask_) return;
    platform::FileDialogRequest request =
        platform::fileDialogRequest(platform::FileDialogKind::Save, "Save ROI", kVoiSaveFilter);
    request.fileName = voiFileName_.empty() ? std::string("new.voi") : voiFileName_;
    // A bare name takes the extension of the kind chosen, so a text list is
    // never named .voi.
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    // The seam gave a bare name the chosen kind's extension; a name typed
    // with one kind's extension is written as that kind: VOI runs under a
    // .txt or .bmf name would be a file nothing reads as such.
    const std::string& path = answer.path;
    const int named = platform::filterIndexOfName(kVoiSaveFilter, path);
    const int kind = named != 0 ? named : answer.filterIndex;
    if (SaveVoi(*mask_, image_.get(), names_, currentVoxelSizes(), path, kind) !=
        VoiSaveStatus::Ok) {
        platform::showError("Cannot create file \"" + path + "\".");
        return;
    }
    // Only a .voi file keeps names and VOIs as they load back.
    if (kind != kVoiSaveText && kind != kVoiSaveBmf) voiMark_.markKept(*mask_, names_);
}

void TVoiEditor::rawOptionsClick() {
    if (_RawOptions) _RawOptions->showForVolumeEditor(this);
}

void TVoiEditor::imageOptionsClick() {
    if (_ImageLoadOptions) platform::execOwnedBy(_ImageLoadOptions, this);
    rebuildSlices();
}

void TVoiEditor::analysisOptionsClick() {
    if (_Options) platform::execOwnedBy(_Options, this);
}

void TVoiEditor::runAnalysisClick() {
    if (!image_ || !mask_) {
        platform::showError(kCannotStart3DMessage);
        return;
    }
    if (_Progress == nullptr) return;
    AnalysisMode = kMode3D;
    platform::execOwnedBy(_Progress, this);
    if (NthReportDocument(0) != nullptr && _Report != nullptr) {
        _Report->show();
        _Report->ReportRefreshTabs();
    }
}

void TVoiEditor::AboutClick() {
    platform::showMessage("About",
                          "3D VOI Editor\r\nPart of Vantu, the texture analysis workstation.");
}

void TVoiEditor::CloseClick() {
    close();
}

void TVoiEditor::closeEvent(QCloseEvent* event) {
    // The program's end has asked already; the application then closes every window.
    const bool ending = _vantu && _vantu->quitRequested();
    if (!ending && !mayDropVois("closing the editor drops them")) {
        event->ignore();
        return;
    }
    givenUpAtClose_ = mask_ ? voiDigest(*mask_, names_) : 0;
    hide();
    // The main window's "3D Editor" item shows whether the editor is up.
    if (_vantu)
        for (QAction* item : _vantu->findChildren<QAction*>())
            if (item->text() == "3D Editor") item->setChecked(false);
    event->accept();
}

// ---- Shapes, flood fill and their transforms ----

namespace {

// A paint pot tipping out a drop: the tool is armed and the next press fills.
QCursor fillCursor() {
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::white);
    painter.translate(12, 12);
    painter.rotate(-30);
    painter.drawRect(-6, -5, 11, 12);
    painter.drawArc(-4, -10, 7, 10, 0, 180 * 16);
    painter.resetTransform();
    painter.setBrush(Qt::black);
    painter.drawEllipse(QPointF(4, 19), 2.5, 3.5);
    painter.end();
    // The hot spot is the drop's tip.
    return QCursor(pixmap, 4, 22);
}

}  // namespace

QWidget* TVoiEditor::buildShapePanel() {
    Panel5 = new QGroupBox;
    auto* panel5 = new QVBoxLayout(Panel5);
    RadioButtonAuto = new QRadioButton("A&uto");
    RadioButtonAuto->setToolTip("Automatically adjust parameters");
    RadioImageWB = new QRadioButton("&Light");
    RadioImageWB->setToolTip("Light object in dark environment");
    RadioImageBW = new QRadioButton("&Dark");
    RadioImageBW->setToolTip("Dark object in light environment");
    RadioButtonAuto->setChecked(true);
    CheckBoxWires = new QCheckBox("&Wires");
    ComboBoxDivider = new QComboBox;
    ComboBoxDivider->setToolTip("Sets a number of nodes");
    ComboBoxDivider->addItems({"Sparse", "Default", "Dense", "XDense"});
    ComboBoxDivider->setCurrentIndex(1);
    for (QWidget* w : std::initializer_list<QWidget*>{RadioButtonAuto, RadioImageWB, RadioImageBW,
                                                      CheckBoxWires, ComboBoxDivider})
        panel5->addWidget(w);
    Panel5->hide();
    return Panel5;
}

void TVoiEditor::connectShapeTools() {
    const auto ctrl = [] { return (QApplication::keyboardModifiers() & Qt::ControlModifier) != 0; };
    connect(EllipsoidButton, &QToolButton::clicked, this,
            [this, ctrl] { ellipsoidButtonClick(ctrl()); });
    connect(CubeButton, &QToolButton::clicked, this, [this, ctrl] { cubeButtonClick(ctrl()); });
    connect(TetrahedronButton, &QToolButton::clicked, this, [this] { tetrahedronButtonClick(); });
    connect(TubeButton, &QToolButton::clicked, this, [this] { tubeButtonClick(); });
    connect(ElasticSurfaceButton, &QToolButton::clicked, this,
            [this] { elasticSurfaceButtonClick(); });
    connect(FloodFill3DButton, &QToolButton::clicked, this, [this] { FloodFill3DClick(); });
    connect(FillButton, &QToolButton::clicked, this, [this] { FillButtonClick(); });
    connect(CancelButton, &QToolButton::clicked, this, [this] { cancelButtonClick(); });
    connect(MoveButton2, &QToolButton::clicked, this, [this] { moveButton2Click(); });
    connect(CopyButton, &QToolButton::clicked, this, [this] { copyButtonClick(); });
    connect(CheckBoxWires, &QCheckBox::clicked, this, [this] {
        if (shapeKind_ == ShapeKind::ElasticSurface) showShape();
    });
    connect(ComboBoxDivider, &QComboBox::currentIndexChanged, this, [this] {
        if (shapeKind_ != ShapeKind::ElasticSurface) return;
        // A denser mesh is easier to follow as wires.
        CheckBoxWires->setChecked(true);
        fitElastic();
    });
    view->moveHandler = [this](QMouseEvent* event, QPoint last) {
        return shapeMouseMove(last, event->position().toPoint(),
                              !(event->buttons() & Qt::LeftButton));
    };
    view->pressHandler = [this](QMouseEvent* event) {
        if (shapeKind_ != ShapeKind::FloodFill) return false;
        const QPointF at = event->position();
        FloodFill(at.x() - view->width() / 2.0, view->height() / 2.0 - at.y(), view->width());
        return true;
    };
}

void TVoiEditor::pressTurnAll() {
    if (MoveAllButton->isChecked()) return;
    TurnAllButton->setChecked(true);
    view->mouseMode = VolumeView::MouseMode::TurnAll;
}

std::optional<ShapeTransform> TVoiEditor::activeTransform() const {
    const std::array<std::pair<QToolButton*, ShapeTransform>, 4> buttons = {
        {{MoveButton, ShapeTransform::Move},
         {TurnButton, ShapeTransform::Turn},
         {InflateButton, ShapeTransform::Inflate},
         {FormButton, ShapeTransform::Form}}};
    for (const auto& [button, transform] : buttons)
        if (button->isChecked() && button->isEnabled()) return transform;
    return std::nullopt;
}

void TVoiEditor::startShape(ShapeKind kind, QToolButton* button) {
    shapeKind_ = kind;
    button->setChecked(true);
    view->unsetCursor();
    FillButton->setEnabled(true);
    CancelButton->setEnabled(true);
    const bool solid = kind != ShapeKind::MoveVoi && kind != ShapeKind::CopyVoi;
    MoveButton->setEnabled(true);
    TurnButton->setEnabled(solid);
    InflateButton->setEnabled(solid);
    FormButton->setEnabled(kind == ShapeKind::Cube || kind == ShapeKind::Tube);
    Panel5->setVisible(kind == ShapeKind::ElasticSurface);
    // A transform button that just went grey must not keep the mouse.
    if (!activeTransform() && !MoveAllButton->isChecked()) pressTurnAll();
}

void TVoiEditor::endShape() {
    Panel5->hide();
    for (QToolButton* b :
         {FillButton, CancelButton, MoveButton, TurnButton, InflateButton, FormButton})
        b->setEnabled(false);
    pressTurnAll();
    shapeKind_ = ShapeKind::None;
    mesh_.reset();
    preview_ = {};
    view->setShapeGeometry({}, 0);
    view->unsetCursor();
    refreshVoiPanels();
}

void TVoiEditor::showShape() {
    ShapeGeometry geometry;
    switch (shapeKind_) {
        case ShapeKind::Ellipsoid:
            if (mesh_) geometry = meshSolidGeometry(*mesh_);
            break;
        case ShapeKind::ElasticSurface:
            if (mesh_)
                geometry = CheckBoxWires->isChecked() ? meshWireGeometry(*mesh_)
                                                      : meshSolidGeometry(*mesh_);
            break;
        case ShapeKind::Tube:
        case ShapeKind::TubeAlt:
        case ShapeKind::Cube:
        case ShapeKind::Tetrahedron:
            geometry = solidGeometry(shapeKind_, shapeParameter);
            break;
        case ShapeKind::MoveVoi:
        case ShapeKind::CopyVoi:
            geometry = preview_;
            break;
        case ShapeKind::None:
        case ShapeKind::FloodFill:
            break;
    }
    view->setShapeGeometry(std::move(geometry), kRoiColours[static_cast<size_t>(activeVoi_ - 1)]);
}

void TVoiEditor::fitElastic() {
    if (!image_) return;
    const DisplayWindow window = displayWindow();
    ShapeSampler sampler;
    sampler.image = image_.get();
    sampler.shape = view->ShapeMatrix;
    sampler.sizes = currentVoxelSizes();
    sampler.low = window.low;
    sampler.high = window.high;
    const SurfaceMeshParameters parameters = elasticSurfaceParameters(
        ComboBoxDivider->currentIndex(), RadioImageBW->isChecked(), RadioButtonAuto->isChecked());
    mesh_ = std::make_unique<SurfaceMesh>(fitElasticSurface(parameters, sampler));
    showShape();
}

void TVoiEditor::refitIfElastic() {
    if (shapeKind_ == ShapeKind::ElasticSurface) fitElastic();
}

void TVoiEditor::rebuildShape() {
    if (view->shapeShown()) showShape();
    view->update();
}

ShapePose TVoiEditor::shapePose() const {
    return {view->ShapeMatrix, shapeParameter, secondShapeInteger};
}

void TVoiEditor::setShapePose(const ShapePose& pose) {
    view->ShapeMatrix = pose.shape;
    shapeParameter = pose.parameter;
    secondShapeInteger = pose.second;
    rebuildShape();
}

void TVoiEditor::placeFromBlock() {
    if (!_Block) return;
    const VoxelSizes s = currentVoxelSizes().sanitized();
    keepInFrontOf(_Block, this);
    _Block->prepare(image_->maxWidth, image_->maxHeight, image_->sliceCount, s.VoxelXSize,
                    s.VoxelYSize, s.VoxelZSize);
    _Block->exec();
    view->ShapeMatrix = _Block->placement();
}

void TVoiEditor::ellipsoidButtonClick(bool place) {
    if (!image_) return;
    if (place) placeFromBlock();
    startShape(ShapeKind::Ellipsoid, EllipsoidButton);
    mesh_ = std::make_unique<SurfaceMesh>(makeSurfaceMesh(ellipsoidParameters()));
    showShape();
    if (_Transformation && _Transformation->isVisible()) _Transformation->ShowShapeTransform();
}

void TVoiEditor::cubeButtonClick(bool place) {
    if (!image_) return;
    if (place) placeFromBlock();
    startShape(ShapeKind::Cube, CubeButton);
    mesh_.reset();
    showShape();
    if (_Transformation && _Transformation->isVisible()) _Transformation->ShowShapeTransform();
}

void TVoiEditor::tetrahedronButtonClick() {
    if (!image_) return;
    startShape(ShapeKind::Tetrahedron, TetrahedronButton);
    mesh_.reset();
    showShape();
}

void TVoiEditor::tubeButtonClick() {
    if (!image_) return;
    startShape(ShapeKind::Tube, TubeButton);
    mesh_.reset();
    showShape();
}

void TVoiEditor::elasticSurfaceButtonClick() {
    if (!image_) return;
    startShape(ShapeKind::ElasticSurface, ElasticSurfaceButton);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    fitElastic();
    QApplication::restoreOverrideCursor();
}

void TVoiEditor::moveButton2Click() {
    if (!mask_) return;
    // The VOI starts where it is: a shift left from an earlier shape would
    // move it at once.
    view->ShapeMatrix = identityMatrix16();
    sourceVoi_ = activeVoi_;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        preview_ =
            voxelFaceGeometry(voiFacePreview(*mask_, voiBit(sourceVoi_), currentVoxelSizes()));
    } catch (const std::bad_alloc&) {
        // A ragged VOI in a large volume has many faces; the tool is not
        // started rather than the program ended.
        QApplication::restoreOverrideCursor();
        CancelButton->setChecked(true);
        endShape();
        platform::showMessage("Error", "Not enough memory to show the VOI while it is moved.",
                              platform::MessageButtons::Ok, platform::MessageIcon::Error);
        return;
    }
    QApplication::restoreOverrideCursor();
    startShape(ShapeKind::MoveVoi, MoveButton2);
    mesh_.reset();
    showShape();
    if (_Transformation && _Transformation->isVisible()) _Transformation->ShowShapeTransform();
}

void TVoiEditor::copyButtonClick() {
    moveButton2Click();
    if (shapeKind_ != ShapeKind::MoveVoi) return;
    shapeKind_ = ShapeKind::CopyVoi;
    CopyButton->setChecked(true);
}

void TVoiEditor::FillButtonClick() {
    FillButton->setChecked(true);
    bool filled = false;
    if (mask_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        AcceptedShape accepted;
        accepted.kind = shapeKind_;
        accepted.parameter = shapeParameter;
        accepted.mesh = mesh_.get();
        accepted.sourceBit = voiBit(sourceVoi_);
        filled = acceptShape(*mask_, accepted, view->ShapeMatrix, currentVoxelSizes(), drawMode());
        QApplication::restoreOverrideCursor();
    }
    endShape();
    if (filled) maskChanged(true);
}

void TVoiEditor::cancelButtonClick() {
    CancelButton->setChecked(true);
    endShape();
}

bool TVoiEditor::shapeMouseMove(QPoint last, QPoint at, bool rightButton) {
    switch (shapeKind_) {
        case ShapeKind::None:
        case ShapeKind::FloodFill:
            return false;
        default:
            break;
    }
    const std::optional<ShapeTransform> transform = activeTransform();
    if (!transform) return false;
    ShapePose pose{view->ShapeMatrix, shapeParameter, secondShapeInteger};
    const std::string status = dragShape(pose, *transform, rightButton, last.x(), last.y(), at.x(),
                                         at.y(), view->ViewMatrix);
    view->ShapeMatrix = pose.shape;
    shapeParameter = pose.parameter;
    secondShapeInteger = pose.second;
    if (shapeKind_ == ShapeKind::ElasticSurface)
        fitElastic();
    else if (*transform == ShapeTransform::Form)
        showShape();
    view->update();
    setStatus(status);
    if (_Transformation && _Transformation->isVisible()) _Transformation->ShowShapeTransform();
    return true;
}

void TVoiEditor::FloodFill3DClick() {
    if (!image_) return;
    FloodFill3DButton->setChecked(true);
    endShape();
    shapeKind_ = ShapeKind::FloodFill;
    view->setCursor(fillCursor());
}

void TVoiEditor::FloodFill(double mouseX, double mouseY, int viewportWidth) {
    if (shapeKind_ != ShapeKind::FloodFill) return;
    GrowResult result = GrowResult::Unchanged;
    if (image_ && mask_) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        SeedPick pick;
        pick.view = view->ViewMatrix;
        pick.viewportWidth = viewportWidth;
        pick.mouseX = mouseX;
        pick.mouseY = mouseY;
        pick.shown = {view->sliceShown(SliceAxis::X), view->sliceShown(SliceAxis::Y),
                      view->sliceShown(SliceAxis::Z)};
        pick.position = {TrackBarX->value(), TrackBarY->value(), TrackBarZ->value()};
        PackedVoxel seed;
        if (pickSeed(pick, volumeFrameOf(*image_, currentVoxelSizes()), seed)) {
            const DisplayWindow window = displayWindow();
            GreyClassifier test;
            test.image = image_.get();
            test.low = window.low;
            test.high = window.high;
            const SliceColouring c = colouring();
            test.mode = c == SliceColouring::VoiOnly ? GreyTest::None
                        : c == SliceColouring::Band  ? GreyTest::Band
                                                     : GreyTest::Grey;
            result = RegionGrow3D(test, *mask_, seed.x, seed.y, seed.z, drawMode(), visible_);
        }
        QApplication::restoreOverrideCursor();
    }
    CancelButton->setChecked(true);
    endShape();
    // Every press ends the tool with a snapshot, also one that met no slice.
    maskChanged(true);
    if (result == GrowResult::OutOfMemory)
        platform::showMessage("Error",
                              "Not enough memory to grow the region: it was filled only in part.",
                              platform::MessageButtons::Ok, platform::MessageIcon::Error);
}
