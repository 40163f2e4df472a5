// The grain-segmentation options window ("Opcje Segmentacji Ziaren"); it also
// holds the switches of the shape features used by every 2D run.
#pragma once

#include <QDialog>
#include <string>

#include "analysis/core/options/grain_options.h"

class QCheckBox;
class QLineEdit;
class QSpinBox;

class TOpZiarna : public QDialog {
    Q_OBJECT
  public:
    explicit TOpZiarna(QWidget* owner);

    // The program's grain options, which the dialog edits.
    GrainOptions& values = grainOptions();
    // Not kept between runs: a bitmap whose grains are searched instead of the
    // image's, and whether to use it.
    std::string extraRoiFile;
    bool useExtraRoi = false;
    int accepted = 0;  // 1 after OK

    // Controls, by their captions.
    QSpinBox* threshold() const { return threshold_; }
    QSpinBox* closingDepth() const { return closingDepth_; }
    QSpinBox* minArea() const { return minArea_; }
    QSpinBox* grainsPerRoi() const { return grainsPerRoi_; }
    QCheckBox* setClassName() const { return setClassName_; }
    QLineEdit* className() const { return className_; }
    QCheckBox* doGeometry() const { return doGeometry_; }
    QCheckBox* doGeometryP() const { return doGeometryP_; }
    QLineEdit* pixels() const { return pixels_; }
    QLineEdit* units() const { return units_; }
    QLineEdit* pixelsPerUnit() const { return ppu_; }
    QLineEdit* extraFile() const { return extraFile_; }
    QCheckBox* useExtraFile() const { return useExtraFile_; }

    // The controls from the fields (done on every show).
    void FormShow();
    // OK: the fields from the controls, accepted = 1, close.
    void okClick();
    // "Otworz": the ROI bitmap dialog.
    void otworzClick();
    // The pixels or units edit was changed.
    void scaleChange(QLineEdit* edit);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void classNameEnabled();

    QSpinBox* threshold_;
    QSpinBox* closingDepth_;
    QSpinBox* minArea_;
    QSpinBox* grainsPerRoi_;
    QCheckBox* setClassName_;
    QLineEdit* className_;
    QCheckBox* doGeometry_;
    QCheckBox* doGeometryP_;
    QLineEdit* pixels_;
    QLineEdit* units_;
    QLineEdit* ppu_;
    QLineEdit* extraFile_;
    QCheckBox* useExtraFile_;
};

// Texts of the window.
inline constexpr const char* kDoGeometryCaption = "Oblicz cechy &geometryczne  obszarów";
inline constexpr const char* kUseExtraRoiCaption = "&Uzyj dodatkowego pliku  ROI";
inline constexpr const char* kChooseRoiFileTitle = "Wybierz plik ROI";
inline constexpr const char* kChooseRoiFileFilter = "Windows bitmap (*.bmp)|*.bmp";
