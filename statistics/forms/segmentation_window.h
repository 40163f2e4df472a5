// r62's segmentation module: a modal window that loads a stack of equally
// sized bitmaps of one scene, clusters the pixels' grey-level vectors into
// segments (whole image or a drawn ROI), shows the image with the ROI or the
// segments blended over it, and saves the pictures and the ".seg" report.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QTimer>
#include <string>
#include <vector>

#include "statistics/core/segmentation/pixel_stack.h"
#include "statistics/core/segmentation/segment_pixels.h"

class QAction;
class QCheckBox;
class QLabel;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QSlider;
class QSpinBox;
class QStackedWidget;
class QStatusBar;
class QToolButton;
class SegmentationWorkArea;

class TSegmentationWindow : public QDialog {
  public:
    explicit TSegmentationWindow(QWidget* owner);
    ~TSegmentationWindow() override;

    // Menu commands.
    void Images1Click();    // Load > Images
    void ROI2Click();       // Load > ROI
    void Image1Click();     // Save > Image
    void ROI1Click();       // Save > ROI
    void Segments1Click();  // Save > Segments
    void Report1Click();    // Save > Report
    void Wholeimage1Click();
    void ROIonly1Click();
    void Report2Click();  // Report
    void Exit1Click();

    // View and tools.
    void CheckBox1Click();  // Image
    void CheckBox2Click();  // ROI
    void CheckBox3Click();  // Segments
    void UpDown4Click();    // image index
    void TrackBar1Change();
    void Roi_cirClick();
    void Roi_sqrClick();
    void Roi_moveClick();
    void Roi_eraseClick();
    void Roi_clearClick();
    void Timer1Timer();
    void RoiMouseDown(QPoint at);
    void RoiMouseMove(QPoint at);
    void RoiMouseUp();
    void Panel1MouseMove();

    // What the window holds, for tests.
    const PixelStack& stack() const { return stack_; }
    const QImage& roiPicture() const { return roi_; }
    const std::vector<uint8_t>& segmentsPicture() const { return segments_; }
    const QImage& workImage() const { return work_; }
    const std::vector<std::string>& report() const { return report_; }
    int segmentationState() const { return state_; }  // 0 none, 1 not saved, 2 saved
    std::string statusText() const;

    QMenuBar* MainMenu1 = nullptr;
    QMenu* saveMenu = nullptr;
    QAction *loadImagesItem = nullptr, *loadRoiItem = nullptr, *saveImageItem = nullptr,
            *saveRoiItem = nullptr, *saveSegmentsItem = nullptr, *saveReportItem = nullptr,
            *wholeImageItem = nullptr, *roiOnlyItem = nullptr, *reportItem = nullptr,
            *exitItem = nullptr;
    QSpinBox *UpDown1 = nullptr, *UpDown2 = nullptr, *UpDown3 = nullptr, *UpDown4 = nullptr;
    QCheckBox *CheckBox1 = nullptr, *CheckBox2 = nullptr, *CheckBox3 = nullptr;
    QSlider* TrackBar1 = nullptr;
    QToolButton *Roi_cir = nullptr, *Roi_sqr = nullptr, *Roi_move = nullptr, *Roi_erase = nullptr,
                *Roi_clear = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QTimer Timer1;

  protected:
    void closeEvent(QCloseEvent* event) override;
    // The pointer over the central panel outside the work image.
    bool eventFilter(QObject* watched, QEvent* event) override;
    void reject() override;  // Escape closes like the title bar

  private:
    enum class Tool { None, Ellipse, Rectangle, Move, Erase };

    // The three-button question before an unsaved segmentation is given up;
    // false when the caller must stop (Cancel, or a save that did not happen).
    bool offerToSaveSegmentation();
    void freeData();
    void RunSegmentation(int mode);
    void ComposeSegmentationView();
    void showWorkArea(bool show);
    void setStatus(const std::string& text);
    void selectTool(Tool tool, QToolButton* button);
    std::vector<uint8_t> roiBytes() const;
    void enableViewControls();

    PixelStack stack_;
    std::vector<std::string> paths_;
    std::vector<std::string> report_;
    QImage roi_;                     // W x H, black where no ROI
    std::vector<uint8_t> segments_;  // W x H x 3, blue green red
    std::vector<int32_t> labels_;
    std::vector<uint8_t> runMask_;  // the ROI of the last ROI run, empty for a whole-image run
    int segmentCount_ = 2;
    int state_ = 0;
    QImage work_;   // the composed picture shown
    QImage saved_;  // the work image while drawing, the ROI while moving
    Tool tool_ = Tool::None;
    bool drawing_ = false, moving_ = false, erasing_ = false;
    QPoint start_, current_;

    QStackedWidget* central_ = nullptr;
    SegmentationWorkArea* workArea_ = nullptr;
    QStatusBar* status_ = nullptr;
    QLabel* statusPanel_ = nullptr;
};
