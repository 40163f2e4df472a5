#include "volume/forms/volume_editor_window.h"

#include <QActionGroup>
#include <QApplication>
#include <QBoxLayout>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGroupBox>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QToolButton>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/runner/analysis_runner.h"
#include "analysis/forms/progress_window.h"
#include "analysis/forms/report_window.h"
#include "platform/dialogs.h"
#include "platform/qt/qt_text.h"
#include "volume/core/files/bmf_volume.h"
#include "volume/core/files/dicom_volume_writer.h"
#include "volume/core/files/series_loaders.h"
#include "volume/core/files/series_order.h"
#include "volume/forms/analysis3d_options_dialog.h"
#include "volume/forms/analysis_3d_job.h"
#include "volume/forms/transformation_window.h"
#include "volume/forms/volume_view.h"
#include "volume/forms/voxel_size_dialog.h"
#include "workspace/core/roi/roi_set.h"
#include "workspace/forms/color_conversion_dialog.h"
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
        if (_Transformation) _Transformation->show();
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
            editor_->VroiClick(voi_);
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
        editor_->names()[static_cast<size_t>(voi_ - 1)] = name.toStdString();
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

    MainMenu1 = new QMenuBar(this);
    outer->setMenuBar(MainMenu1);
    QMenu* file = MainMenu1->addMenu("&File");
    file->addAction("&Load image...", QKeySequence("Ctrl+L"), this, [this] { LoadImageClick(); });
    file->addAction("Raw options...", this, [this] { RawOptionsClick(); });
    file->addAction("Color conversion...", this, [] {
        if (_FormColor) _FormColor->exec();
    });
    file->addAction("Image options...", this, [this] { ImageOptionsClick(); });
    saveAsItem =
        file->addAction("&Save as...", QKeySequence("Ctrl+S"), this, [this] { SaveAsClick(); });
    loadRoiItem = file->addAction("Load ROI ...", this, [this] { LoadRoiClick(); });
    saveRoiItem = file->addAction("Save ROI ...", this, [this] { SaveRoiClick(); });
    file->addAction("Run macro...")->setVisible(false);
    file->addAction("Close", this, [this] { CloseClick(); });
    editMenu = MainMenu1->addMenu("&Edit");
    undoItem =
        editMenu->addAction("&Undo", QKeySequence("Alt+Backspace"), this, [this] { UndoClick(); });
    redoItem = editMenu->addAction("&Redo", QKeySequence("Shift+Alt+Backspace"), this,
                                   [this] { RedoClick(); });
    editMenu->addAction("Erase all ROIs", this, [this] { EraseAllRoisClick(); });
    editMenu->addAction("Erase active ROI", this, [this] { EraseActiveRoiClick(); });
    QMenu* viewMenu = MainMenu1->addMenu("&View");
    viewMenu->menuAction()->setVisible(false);
    analysisMenu = MainMenu1->addMenu("Analysis");
    analysisMenu->addAction("Run 3D analysis", QKeySequence("Ctrl+A"), this,
                            [this] { RunAnalysisClick(); });
    analysisMenu->addAction("Options...", QKeySequence("Ctrl+O"), this,
                            [this] { AnalysisOptionsClick(); });
    analysisMenu->addAction("Load options...", this, [] {
        if (_vantu) _vantu->Loadoptions1Click();
    });
    analysisMenu->addAction("Save options...", this, [] {
        if (_vantu) _vantu->Saveoptions1Click();
    });
    QMenu* help = MainMenu1->addMenu("&Help");
    help->addAction("&Contents")->setVisible(false);
    help->addAction("&About...", QKeySequence("Ctrl+F1"), this, [this] { AboutClick(); });

    auto* middle = new QHBoxLayout;
    outer->addLayout(middle, 1);

    // Left: the tool panel.
    auto* tools = new QVBoxLayout;
    middle->addLayout(tools);
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
    for (size_t k = 0; k < shapes.size(); ++k) {
        shapeButtons[k] = tool(shapes[k][0], shapes[k][1], shapes[k][2]);
        shapeButtons[k]->setEnabled(false);
    }
    tools->addSpacing(8);
    LoadButton = tool("LoadButton", "Load Image", "L");
    connect(LoadButton, &QToolButton::clicked, this, [this] { LoadImageClick(); });
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

    view = new VolumeView;
    view->status = [this](const std::string& text) { setStatus(text); };
    if (openGlAvailable()) {
        middle->addWidget(view, 1);
    } else {
        // Without OpenGL (no display) the view is kept but never shown: a
        // window holding it would be composed through OpenGL, which fails.
        view->setParent(nullptr);
        ownedView_.reset(view);
        auto* none = new QLabel("The 3D view needs OpenGL, which this display does not offer.");
        none->setAlignment(Qt::AlignCenter);
        middle->addWidget(none, 1);
    }

    // Right: the transform panel and the view panel.
    auto* right = new QVBoxLayout;
    middle->addLayout(right);
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
    auto* transforms = new QButtonGroup(this);
    transforms->addButton(MoveAllButton);
    transforms->addButton(TurnAllButton);
    for (const auto& spec :
         std::array<std::array<const char*, 3>, 4>{{{"MoveButton", "Move, push or pull", "m"},
                                                    {"TurnButton", "Turn", "t"},
                                                    {"InflateButton", "Inflate or deflate", "i"},
                                                    {"FormButton", "Modify shape", "f"}}}) {
        QToolButton* b = transform(spec[0], spec[1], spec[2]);
        transforms->addButton(b);
        b->setEnabled(false);
    }
    TurnAllButton->setChecked(true);
    MoveAllButton->setEnabled(false);
    TurnAllButton->setEnabled(false);
    connect(transforms, &QButtonGroup::buttonClicked, this, [this](QAbstractButton* b) {
        view->mouseMode = b == MoveAllButton   ? VolumeView::MouseMode::PushAll
                          : b == TurnAllButton ? VolumeView::MouseMode::TurnAll
                                               : VolumeView::MouseMode::None;
    });
    Panel3 = new QGroupBox;
    auto* panel3 = new QVBoxLayout(Panel3);
    RadioGrey = new QRadioButton("Grey");
    RadioBand = new QRadioButton("Band");
    RadioVoi = new QRadioButton("VOI");
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
    right->addStretch(1);
    for (QRadioButton* r : {RadioGrey, RadioBand, RadioVoi})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on) rebuildSlices();
        });
    connect(TrMin, &QSlider::valueChanged, this, [this] { rebuildSlices(); });
    connect(TrMax, &QSlider::valueChanged, this, [this] { rebuildSlices(); });

    // Bottom: VOI panels and slice controls.
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
    slice("X", TrackBarX, EditX, CheckBoxX);
    slice("Y", TrackBarY, EditY, CheckBoxY);
    slice("Z", TrackBarZ, EditZ, CheckBoxZ);
    outer->addLayout(bottom);
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

    status_ = new QStatusBar;
    statusPanel_ = new QLabel;
    status_->addWidget(statusPanel_, 1);
    outer->addWidget(status_);

    for (QAction* a : {saveAsItem, loadRoiItem, saveRoiItem}) a->setEnabled(false);
    editMenu->setEnabled(false);
    analysisMenu->setEnabled(false);

    RegisterProgressJob(kMode3D, [this]() -> std::optional<ProgressJob> {
        return Make3DAnalysisJob(image_.get(), mask_.get(), analysis3DOptions(), names_);
    });
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

void TVoiEditor::LoadImageClick() {
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Open;
    request.title = "Load 3D data";
    request.defaultExtension = ".bmp";
    request.filter = kVolumeLoadFilter;
    request.multiSelect = true;
    request.mustExist = true;
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    LoadButton->setChecked(false);
    if (!answer.accepted) return;
    std::vector<std::string> paths = answer.paths;
    if (paths.empty()) paths.push_back(answer.path);
    loadVolume(answer.filterIndex, paths);
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
            load = LoadBitmapSeries(sorted, _vantu ? _vantu->state.ColorMode : 0);
            break;
        case 2:
            load = LoadRawSeries(sorted, _RawOptions ? _RawOptions->values : RawOptions());
            break;
        case 3:
            load = LoadBmfVolume(paths.front());
            break;
        default:
            load = LoadDicomSeries(sorted);
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
        _vantu->state.LoadedColorMode = load.loadedColorMode;
        _vantu->state.FeaturePrefix = load.featurePrefix;
    }
    if (!load.statusText.empty()) setStatus(load.statusText);
    undo_.reset();
    names_ = VoiNames();
    voiFileName_.clear();
    Volume3DMinMax(*image_);
    windowLow_ = image_->min;
    windowHigh_ = image_->max;
    enableAfterLoad();
    return true;
}

void TVoiEditor::enableAfterLoad() {
    Panel3->show();
    for (QToolButton* b : shapeButtons) b->setEnabled(false);  // shapes come with their own tools
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
    RefreshVoiPanels();
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
    shapeButtons[8]->setEnabled(false && has);  // move and copy come with the shape tools
    shapeButtons[9]->setEnabled(false && has);
}

void TVoiEditor::VroiClick(int voi) {
    VoiPanel* panel = Vroi[static_cast<size_t>(voi - 1)];
    panel->setBorder(!panel->border());
    visible_ = 0;
    for (int k = 0; k < kVoiCount; ++k)
        if (Vroi[static_cast<size_t>(k)]->border()) visible_ |= static_cast<uint16_t>(1u << k);
    rebuildSlices();
}

void TVoiEditor::RefreshVoiPanels() {
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
}

void TVoiEditor::maskChanged(bool snapshot) {
    if (!mask_) return;
    if (snapshot) undo_.push(*mask_, names_);
    RefreshVoiPanels();
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

void TVoiEditor::EraseAllRoisClick() {
    if (!mask_) return;
    Volume3DMaskAll(*mask_, 0, 0);
    maskChanged(true);
}

void TVoiEditor::EraseActiveRoiClick() {
    if (!mask_) return;
    Volume3DMaskAll(*mask_, static_cast<uint16_t>(~voiBit(activeVoi_)), 0);
    maskChanged(true);
}

void TVoiEditor::SaveAsClick() {
    if (!image_) return;
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.title = "Save 3D data";
    request.fileName = "new";
    request.defaultExtension = ".bmf";
    request.filter = kVolumeSaveFilter;
    request.overwritePrompt = true;
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    const VolumeSaveStatus status = answer.filterIndex == 2
                                        ? saveDicomVolume(*image_, answer.path)
                                        : saveBmfVolume(*image_, currentVoxelSizes(), answer.path);
    if (status != VolumeSaveStatus::Ok)
        platform::showError("Cannot create file \"" + answer.path + "\".");
}

void TVoiEditor::LoadRoiClick() {
    if (!mask_) return;
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Open;
    request.filter = "VOI files (*.voi)|*.voi";
    request.defaultExtension = ".voi";
    request.mustExist = true;
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    const VoiLoadResult result = LoadVoi(*mask_, names_, answer.path);
    if (result.status != VoiLoadStatus::Loaded) {
        platform::showError("Cannot load the file \"" + answer.path + "\".");
        return;
    }
    // Only a loaded file names the next save: an undo snapshot never does.
    voiFileName_ = answer.path;
    maskChanged(true);
}

void TVoiEditor::SaveRoiClick() {
    if (!mask_) return;
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.filter = "VOI files (*.voi)|*.voi";
    request.defaultExtension = ".voi";
    request.fileName = voiFileName_;
    request.overwritePrompt = true;
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    if (saveVoiFile(*mask_, names_, answer.path) != VoiSaveStatus::Ok)
        platform::showError("Cannot create file \"" + answer.path + "\".");
}

void TVoiEditor::RawOptionsClick() {
    if (_RawOptions) _RawOptions->showForVolumeEditor();
}

void TVoiEditor::ImageOptionsClick() {
    if (_ImageLoadOptions) _ImageLoadOptions->exec();
    rebuildSlices();
}

void TVoiEditor::AnalysisOptionsClick() {
    if (_Options) _Options->exec();
}

void TVoiEditor::RunAnalysisClick() {
    if (!image_ || !mask_) {
        platform::showMessage("Error", kCannotStart3DMessage, platform::MessageButtons::Ok,
                              platform::MessageIcon::Warning);
        return;
    }
    if (_Progress == nullptr) return;
    AnalysisMode = kMode3D;
    _Progress->exec();
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
    hide();
    // The main window's "3D Editor" item shows whether the editor is up.
    if (_vantu)
        for (QAction* item : _vantu->findChildren<QAction*>())
            if (item->text() == "3D Editor") item->setChecked(false);
    event->accept();
}
