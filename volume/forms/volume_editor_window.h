// The "3D Editor" window: loads a volume (bitmap, raw or DICOM series, 3D
// .bmf), shows it as three orthogonal slices in the OpenGL view, keeps the 16
// VOIs of its mask with their panels, names and undo ring, saves the volume
// and the VOIs, and runs the 3D texture analysis. It exists from start-up to
// exit and is reached through its global pointer.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "volume/core/files/voi_file.h"
#include "volume/core/files/voi_save_mark.h"
#include "volume/core/files/voi_undo_ring.h"
#include "volume/core/shapes/shape_drag.h"
#include "volume/core/shapes/shape_models.h"
#include "volume/core/shapes/surface_mesh.h"
#include "volume/core/view/cross_section.h"
#include "volume/core/view/shape_geometry.h"
#include "volume/core/view/slice_texture.h"
#include "volume/core/volume/draw_mode.h"
#include "volume/core/volume/volume3d.h"
#include "volume/forms/transformation_window.h"

class QAction;
class QBoxLayout;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QRadioButton;
class QSlider;
class QStatusBar;
class QToolButton;
class VolumeView;
class VoiPanel;

inline constexpr char kVolumeLoadFilter[] =
    "Windows bitmap (*.bmp)|*.bmp|Unformatted (*.raw)|*.raw|Floating point 3D data "
    "(*.bmf)|*.bmf|Dicom (*.dcm; *.dicom)|*.dcm; *.dicom";
inline constexpr char kVolumeSaveFilter[] =
    "Floating point 3D data (*.bmf)|*.bmf|Dicom (*.dicom)|*.dicom";
inline constexpr char kVoiLoadFilter[] = "Regions of interest (*.voi)|*.voi";
inline constexpr char kVoiSaveFilter[] =
    "Regions of interest (*.voi)|*.voi|Text file (*.txt)|*.txt|Export as bmf (*.bmf)|*.bmf";
// The questions before unsaved VOIs or ROIs are dropped: not the caption of
// the dialog that may follow, so the two are never taken for each other.
inline constexpr char kVoiQuestionCaption[] = "Warning";
inline constexpr char kLoadVoiFirstMessage[] = "Cannot load VOI. Load 3D image first.";
inline constexpr char kCannotStart3DMessage[] =
    "Cannot start analysis. Load image and create VOI first.";

class TVoiEditor : public QWidget, public ShapeTransformTarget {
    Q_OBJECT
  public:
    explicit TVoiEditor(QWidget* owner);
    ~TVoiEditor() override;

    // Menu commands.
    void loadImageClick();
    void rawOptionsClick();
    void imageOptionsClick();
    void saveAsClick();
    void LoadRoiClick();
    void SaveRoiClick();
    void CloseClick();
    void UndoClick();
    void RedoClick();
    void eraseAllRoisClick();
    void eraseActiveRoiClick();
    void runAnalysisClick();
    void analysisOptionsClick();
    void AboutClick();

    // VOI panels and slices.
    void RoiClick(int voi);   // 1..16
    void vroiClick(int voi);  // visibility toggle
    void refreshVoiPanels();
    void SliceXToGL();
    void SliceYToGL();
    void SliceZToGL();
    void rebuildSlices();

    // Loading from given files (the dialog's answer): filter 1..4.
    bool loadVolume(int filterIndex, const std::vector<std::string>& paths);

    // The main window's 2D ROIs, which the slices of a loaded volume replace:
    // before a load the user is asked to save unsaved ones, give them up or
    // not load. Unset: nothing to ask about.
    struct WorkspaceRois {
        std::function<bool()> unsaved;  // they hold work no file keeps
        std::function<bool()> save;     // the ROI save; true when they were saved
    };
    WorkspaceRois workspaceRois;

    // The VOIs differ from what the last volume load, .voi load or .voi save
    // left: a load, closing the editor or ending the program asks first.
    bool voisUnsaved() const;
    // Before the program ends: true when the VOIs may go (nothing unsaved,
    // given up or saved); false keeps the program. VOIs given up when the
    // editor was closed are not asked about again while it stays closed.
    bool mayEndProgram();
    // A VOI's name from its panel. It takes no undo step of its own: the
    // present snapshot is rewritten, so undoing a later edit keeps it; as
    // after an edit, nothing is left to redo.
    void renameVoi(int voi, const std::string& name);

    // The shape's integers, edited by the transformation window.
    int shapeParameter = 0;
    int secondShapeInteger = 0;

    // Shapes: a button starts one (the Block dialog first when `place`, Ctrl
    // held), the mouse moves it, Fill writes it into the active VOI with the
    // draw mode and takes an undo snapshot, Cancel drops it.
    void ellipsoidButtonClick(bool place = false);
    void cubeButtonClick(bool place = false);
    void tetrahedronButtonClick();
    void tubeButtonClick();
    void elasticSurfaceButtonClick();
    void moveButton2Click();
    void copyButtonClick();
    void FillButtonClick();
    void cancelButtonClick();
    // One mouse step over the scene from `last` to `at` with the button of a
    // shape transform down; false when no shape or no such button is down.
    bool shapeMouseMove(QPoint last, QPoint at, bool rightButton);
    // The shape drawn anew after its matrix or integers changed elsewhere.
    void rebuildShape();
    // The shape in hand as the transformation window edits it.
    ShapePose shapePose() const override;
    void setShapePose(const ShapePose& pose) override;
    ShapeKind shapeKind() const { return shapeKind_; }
    const SurfaceMesh* surfaceMesh() const { return mesh_.get(); }
    int sourceVoi() const { return sourceVoi_; }

    // Flood fill: armed by the button; a press in the scene at (mouseX,
    // mouseY) from the viewport's centre, y upwards, grows the region from
    // the shown slice under it, disarms and takes an undo snapshot.
    void FloodFill3DClick();
    void FloodFill(double mouseX, double mouseY, int viewportWidth);

    // State.
    const Volume3D* image() const { return image_.get(); }
    const Volume3D* mask() const { return mask_.get(); }
    Volume3D* mask() { return mask_.get(); }
    VoiNames& names() { return names_; }
    int activeVoi() const { return activeVoi_; }
    uint16_t visibleVois() const { return visible_; }
    const std::array<int64_t, kVoiCount>& voiCounts() const { return counts_; }
    DrawMode drawMode() const;
    std::string statusText() const;
    DisplayWindow displayWindow() const;
    SliceColouring colouring() const;
    VoiUndoRing& undoRing() { return undo_; }
    // After an edit of the mask: snapshot, panels, slices.
    void maskChanged(bool snapshot);

    // Cross-section mode: activating the main window hands it the slice seen
    // most face-on (true when it did); activating the editor writes the
    // edited ROI map back into the mask (true when it did). The two alternate.
    bool handOverCrossSection();
    bool takeBackCrossSection();
    bool crossSectionPending() const { return crossSectionPending_; }

    QMenuBar* MainMenu1 = nullptr;
    QMenu *editMenu = nullptr, *analysisMenu = nullptr;
    QAction *saveAsItem = nullptr, *loadRoiItem = nullptr, *saveRoiItem = nullptr,
            *undoItem = nullptr, *redoItem = nullptr;
    VolumeView* view = nullptr;
    QToolButton *LoadButton = nullptr, *NonoverlapButton = nullptr, *OverlapButton = nullptr,
                *EraseActiveButton = nullptr, *EraseAllButton = nullptr, *MoveAllButton = nullptr,
                *TurnAllButton = nullptr;
    std::array<QToolButton*, 10> shapeButtons{};
    QToolButton *EllipsoidButton = nullptr, *CubeButton = nullptr, *TetrahedronButton = nullptr,
                *TubeButton = nullptr, *ElasticSurfaceButton = nullptr,
                *FloodFill3DButton = nullptr, *FillButton = nullptr, *CancelButton = nullptr,
                *MoveButton2 = nullptr, *CopyButton = nullptr;
    QToolButton *MoveButton = nullptr, *TurnButton = nullptr, *InflateButton = nullptr,
                *FormButton = nullptr;
    // Options of the elastic surface.
    QWidget* Panel5 = nullptr;
    QRadioButton *RadioButtonAuto = nullptr, *RadioImageWB = nullptr, *RadioImageBW = nullptr;
    QCheckBox* CheckBoxWires = nullptr;
    QComboBox* ComboBoxDivider = nullptr;
    QWidget* Panel3 = nullptr;
    QRadioButton *RadioGrey = nullptr, *RadioBand = nullptr, *RadioVoi = nullptr;
    QSlider *TrMin = nullptr, *TrMax = nullptr;
    std::array<VoiPanel*, kVoiCount> Roi{};
    std::array<VoiPanel*, kVoiCount> Vroi{};
    QSlider *TrackBarX = nullptr, *TrackBarY = nullptr, *TrackBarZ = nullptr;
    QLineEdit *EditX = nullptr, *EditY = nullptr, *EditZ = nullptr;
    QCheckBox *CheckBoxX = nullptr, *CheckBoxY = nullptr, *CheckBoxZ = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    // The constructor's steps.
    QMenuBar* buildMenus();
    QBoxLayout* buildToolPanel();
    QWidget* buildView();
    QBoxLayout* buildTransformPanel();
    QBoxLayout* buildVoiStrip();
    QStatusBar* buildStatusBar();
    void connectTransformButtons();
    void connectViewPanel();
    void connectSliceControls();

    bool mayReplaceWorkspaceRois();
    // Asks to save unsaved VOIs before `why` drops them; true when they may go.
    bool mayDropVois(const std::string& why, bool unattendedGivesUp = false);
    void enableAfterLoad();
    void sliceToGL(SliceAxis axis, QLineEdit* edit, QSlider* bar, QCheckBox* box);
    void setStatus(const std::string& text);
    void updateUndoItems();
    QWidget* buildShapePanel();
    void connectShapeTools();
    void startShape(ShapeKind kind, QToolButton* button);
    void endShape();
    void showShape();
    void fitElastic();
    void refitIfElastic();
    void pressTurnAll();
    void placeFromBlock();  // the shape matrix from the block dialog
    std::optional<ShapeTransform> activeTransform() const;

    std::unique_ptr<VolumeView> ownedView_;  // the view when no window shows it
    std::unique_ptr<Volume3D> image_, mask_;
    VoiNames names_;
    VoiUndoRing undo_;
    int activeVoi_ = 1;
    uint16_t visible_ = 0xFFFF;
    std::array<int64_t, kVoiCount> counts_{};
    int32_t windowLow_ = 0, windowHigh_ = 65535;
    std::string voiFileName_;
    VoiSaveMark voiMark_;
    uint64_t givenUpAtClose_ = 0;  // the digest of VOIs given up by closing the editor
    QStatusBar* status_ = nullptr;
    QButtonGroup* transforms_ = nullptr;  // the transform panel's buttons
    QLabel* statusPanel_ = nullptr;
    bool crossSectionPending_ = true;
    std::optional<CrossSection> crossSection_;
    ShapeKind shapeKind_ = ShapeKind::None;
    std::unique_ptr<SurfaceMesh> mesh_;
    ShapeGeometry preview_;  // the VOI being moved or copied
    int sourceVoi_ = 1;
};
