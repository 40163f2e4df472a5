// The "Feature space" window: the samples of the open reports as a 3D
// scatter over three features chosen in the combo boxes, turned with the
// mouse, saved as an enhanced metafile, a Windows metafile or a bitmap, and
// optionally accepted as the new feature selection. It exists from start-up
// to exit and is reached through its global pointer; FeatureSpaceShow shows
// it modally.
#pragma once

#include <QDialog>
#include <QImage>
#include <QPoint>
#include <array>
#include <string>
#include <vector>

#include "analysis/core/reports/feature_space.h"

class QComboBox;
class QPlainTextEdit;
class QPushButton;
class FeatureSpaceImage;

inline constexpr char kFeatureSpaceSaveFilter[] =
    "Enhanced metafile (*.emf)|*.emf|Windows metafile (*.wmf)|*.wmf|Windows bitmap (*.bmp)|*.bmp";

class TFFSpace : public QDialog {
    Q_OBJECT
  public:
    explicit TFFSpace(QWidget* owner);

    // 0 when the user accepted (weights set: first axis 3, second 2, third 1,
    // others −1), −1 otherwise or when there is nothing to show.
    int FeatureSpaceShow(const SelectionSamples& samples, std::vector<double>& weights);

    void FormShow();
    void ComboBox1Change();
    void comboBox2Change();
    void ComboBox3Change();
    void Image1MouseDown(QPoint at);
    void Image1MouseMove(QPoint at, Qt::MouseButtons buttons);
    void AcceptButtonClick();
    void CloseButtonClick();
    void Button1Click();

    // Draws the picture into the image at its size.
    void draw();

    QComboBox *ComboBox1 = nullptr, *ComboBox2 = nullptr, *ComboBox3 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QPushButton *CloseButton = nullptr, *AcceptButton = nullptr, *Button1 = nullptr;

    const QImage& picture() const { return picture_; }
    const FeatureSpaceView& view() const { return view_; }
    FeatureSpaceView& view() { return view_; }

  protected:
    void resizeEvent(QResizeEvent* event) override;

  private:
    void axisChanged(int axis, QComboBox* box);

    SelectionSamples samples_;
    FeatureSpaceView view_;
    QPoint last_;
    bool accepted_ = false;
    QImage picture_;
    FeatureSpaceImage* image_ = nullptr;
};

// Draws the items of a 360 x 360 logical picture isotropically into a
// painter's target of the given size (the screen, a bitmap).
class QPainter;
void drawPlotItems(QPainter& painter, const std::vector<PlotItem>& items, int width, int height);
