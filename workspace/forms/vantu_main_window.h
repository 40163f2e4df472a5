// The main window of Vantu: menus, tool bar, status bar, the image control
// and the row of ROI panels; it owns the workspace state that every other
// part of the program reads through `_vantu`.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "workspace/core/image/display_render.h"
#include "workspace/core/roi/roi_tools.h"
#include "workspace/core/workspace_state.h"
#include "workspace/forms/upper_rooms.h"
#include "workspace/forms/workspace_view.h"

class QAction;
class QActionGroup;
class QMenu;
class QRadioButton;
class QScrollArea;
class QSlider;
class QToolButton;
class ImageControl;

// A panel of the ROI row: reports clicks, double clicks and right-button releases.
class RoiPanel : public QLabel {
    Q_OBJECT
  public:
    RoiPanel(const QString& caption, QWidget* parent);
    void setColour(uint32_t bgr);
    uint32_t colour() const { return colour_; }  // 0x00BBGGRR

  signals:
    void clicked();
    void doubleClicked();
    void rightReleased();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    uint32_t colour_ = 0;
};

struct RoiPanelPair {
    RoiPanel* selector;   // `Roi`k: caption "k", the ROI's colour, its name as hint
    RoiPanel* indicator;  // `Vroi`k: coloured while the ROI holds pixels
};

class Tvantu : public QMainWindow, public WorkspaceView {
    Q_OBJECT
  public:
    Tvantu();
    ~Tvantu() override;

    // The rooms above the workspace, handed over by the program that composes
    // the windows; the main window owns them from then on.
    void setRooms(std::unique_ptr<UpperRooms> rooms);
    UpperRooms* rooms() const { return rooms_.get(); }

    std::array<RoiPanelPair, kRoiCount> RoiPanels{};
    // The picture shown by the image control: one pixel per image pixel.
    DisplayBitmap displayBitmap;

    // Menu commands.
    void ExitClick();
    void SaveSettingsAndQuit();
    void Loadoptions1Click();
    void Saveoptions1Click();
    void Contents1Click();
    void AboutClick();
    void Run1Click() override;
    // "Run macro...": the macro dialog, then the macro.
    void runMacro1Click();
    // A Tools menu item: runs the plug-in file kept with the item.
    void RunPlugin1Click(QAction* item);

    // Fills the Tools menu from the "*.plugin" files of `folder`.
    void ScanPlugins(const std::string& folder);
    // Colours the indicator panels from RoiPixelCount.
    void ShowRoiIndicators();
    // Redraws the display bitmap from the planes (leaving `hiddenRoi` 1..16 out
    // of the overlay, 0 = none), recounts the ROIs and repaints the image.
    void RenderDisplay(int hiddenRoi = 0);
    // Zoom codes: 1 in, -1 out, 14, 12, 11, 21, 41, 81, 161 for the menu steps.
    void SetZoom(int code);
    void TrMinChange();
    void TrMaxChange();
    void TlevClick();
    void vroiClick(int roi);
    // "Raw options...": the raw options window, modal, with the image number shown.
    void rawOptions1Click();

    // ROI editing.
    RoiToolSession& roiTools() { return *tools_; }
    void RoiClick(int roi);
    void UndoClick();
    void RedoClick();
    void EnableUndoRedo(int flags) override;
    void roiMapChanged() override;
    CommitMode commitMode() const override { return tools_->mode(); }
    int openFile(const std::string& path) override;
    void ResetROI1Click();
    void ClearROI1Click();
    void Miarka1Click();
    // The ruler measured `length` pixels: offer it as the grain options' scale.
    void measureGrainScale(double length);
    void Image1MouseDown(QMouseEvent* event);
    void Image1MouseMove(QMouseEvent* event);
    void Image1MouseUp(QMouseEvent* event);
    void Image1DblClick(QMouseEvent* event);
    // "Options...": the 2D analysis options dialog.
    void options1Click();
    // "&Save as...": the grey image as bitmap, raw or DICOM.
    void UpdateClick();
    // "Zerowanie bitow": clears bit plane `bit` (1..16), then recomputes the range.
    void zeroBitClick(int bit);
    void Null1Click();
    void showRoiNames() override;
    GreyStyle greyStyle() const;
    int trMinPosition() const;
    int trMaxPosition() const;
    void setTrackBarPositions(int minPosition, int maxPosition);
    // Enables the items that need an image, after every successful load.
    void enableImageCommands();
    // Opens the first of the dropped files, like a file from the command line.
    int dropFiles(const QStringList& paths);
    // The window became active: the 3D editor may hand over a cross-section.
    void FormActivate();

    QAction* action(const QString& caption) const;
    QMenu* menu(const QString& title) const;
    QLabel* statusPanel(int index) const { return statusPanels_[static_cast<size_t>(index)]; }
    ImageControl* imageControl() const { return Image1; }
    bool quitRequested() const { return quitRequested_; }

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  private:
    void createMenus();
    void createToolBar();
    void createStatusBar();
    void createImageArea();
    void createRoiRow();
    void toggleWindow(QAction* item, QWidget* window);
    void applyToolFeedback(const ToolFeedback& feedback);
    void selectTool(RoiTool tool, int cursorSlot);
    bool eventFilter(QObject* watched, QEvent* event) override;

    ImageControl* Image1 = nullptr;
    QScrollArea* scrollBox_ = nullptr;
    std::array<QLabel*, 2> statusPanels_{};
    QMenu* fileMenu_ = nullptr;
    QMenu* editMenu_ = nullptr;
    QMenu* viewMenu_ = nullptr;
    QMenu* zoomMenu_ = nullptr;
    QMenu* analysisMenu_ = nullptr;
    QMenu* toolsMenu_ = nullptr;
    QMenu* helpMenu_ = nullptr;
    QMenu* testyMenu_ = nullptr;
    QActionGroup* toolGroup_ = nullptr;
    QActionGroup* modeGroup_ = nullptr;
    QSlider* TrMin = nullptr;
    QSlider* TrMax = nullptr;
    std::array<QRadioButton*, 3> greyStyles_{};
    bool quitRequested_ = false;
    std::unique_ptr<RoiToolSession> tools_;
    QMenu* lineWidthMenu_ = nullptr;
    QWidget* penButton_ = nullptr;
    QCursor rulerSavedCursor_;
    QMenu* morphologyMenu_ = nullptr;
    std::unique_ptr<UpperRooms> rooms_;
};

// The one main window, from its creation until the program ends.
extern Tvantu* _vantu;

// Plug-in files longer than this cannot be dropped (the name buffer of the
// drop handler is 2048 bytes).
inline constexpr size_t kMaxDroppedNameLength = 2046;

// The "Run macro..." dialog.
inline constexpr std::string_view kRunMacroTitle = "Run macro";
inline constexpr std::string_view kRunMacroFilter = "Vantu macro file (*.txt)|*.txt|All files|*.*";
inline constexpr std::string_view kRunMacroDefaultExtension = ".txt";

// "Load Options" and "Save Options".
inline constexpr char kOptionsFileFilter[] = "Options (*.ini)|*.ini";
