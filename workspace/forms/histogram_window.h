// The "Histogram" window: one tab per ROI that holds pixels, and the grey
// level histogram of the selected ROI drawn into a 400 x 140 picture. It
// exists from start-up to exit and is reached through its global pointer.
#pragma once

#include <QImage>
#include <QWidget>
#include <vector>

#include "workspace/core/image/roi_histogram.h"

class QLabel;
class QTabBar;
struct WorkspaceState;

class THistogram : public QWidget {
    Q_OBJECT
  public:
    explicit THistogram(QWidget* owner);

    // Rebuilds the tabs from the ROI counts and redraws; does nothing while
    // the window is hidden (showing it rebuilds).
    void HistogramUpdate(const WorkspaceState& state);

    QTabBar* tabs() const { return tabs_; }
    const QImage& picture() const { return picture_; }
    // The ROI of each tab (empty: the one blank tab).
    const std::vector<int>& tabRois() const { return tabRois_; }
    int selectedRoi() const { return selectedRoi_; }

    // Draws the histogram of `roi` (1..16; 0 an empty picture).
    static QImage drawHistogram(const WorkspaceState& state, int roi);

  protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void redraw();

    QTabBar* tabs_;
    QLabel* view_;
    QImage picture_;
    std::vector<int> tabRois_;
    int selectedRoi_ = 0;
    bool rebuilding_ = false;
    const WorkspaceState* state_ = nullptr;
};

// The main window's histogram, after every ROI change and load.
void HistogramUpdate();
