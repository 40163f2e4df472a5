// The "Image View" window: the feature maps one per tab, drawn in grey over
// an adjustable value window, the value under the mouse in the status bar;
// loading and saving .bmf files and the picture as a bitmap. It exists from
// start-up to exit and is reached through its global pointer.
#pragma once

#include <QImage>
#include <QWidget>
#include <string>

#include "analysis/core/maps/feature_map_list.h"

class QLabel;
class QMenuBar;
class QRadioButton;
class QScrollArea;
class QSlider;
class QStatusBar;
class QTabBar;
class QToolButton;

// The picture of the current map; reports the pixel under the mouse.
class MapImage : public QWidget {
    Q_OBJECT
  public:
    explicit MapImage(QWidget* owner);
    QImage picture;
    void showPicture();

  signals:
    void mouseMovedTo(int x, int y);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
};

class TImageView : public QWidget {
    Q_OBJECT
  public:
    explicit TImageView(QWidget* owner);

    // The map of the selected tab (none when the list is empty).
    FeatureMap* CurrentMap = nullptr;
    // Tabs that show maps (0 when the single tab " " stands alone).
    int tabCount = 0;

    // Rebuilds the tabs from the map names in list order, selects the last
    // tab and shows its map.
    void ImageViewRefreshTabs();
    void TabControl1Change();
    void TrMinChange();
    void TrMaxChange();
    void TlevClick();
    // Status text for the pixel (x, y) of the picture.
    void Image1MouseMove(int x, int y);
    // Draws the current map into the picture (0 x 0 without a map).
    void draw();

    // Appends the map of a .bmf file (named after its file-name part, saved)
    // and rebuilds the tabs. False, nothing changed, for a file that is not a
    // usable .bmf.
    bool LoadBmfMap(const std::string& fileName);
    // Writes the current map as .bmf (kind 1) or its picture as a 24-bit
    // bitmap (kind 2); on success the map is saved under the file-name part
    // of the path and the tabs are rebuilt. A failed write leaves the map as
    // it was and says so in an "Error" box. False without a map or on failure.
    bool SaveMap(const std::string& fileName, int kind);
    // Removes the current map without asking (the macro command).
    void closeCurrentMap();

    // Menu File and the Close button.
    void LoadImage1Click();
    void Saveimage1Click();
    void Saveall1Click();
    void CloseClick();
    void Closeall1Click();
    void Close1Click();

    QTabBar* TabControl1 = nullptr;
    QSlider* TrMin = nullptr;
    QSlider* TrMax = nullptr;
    QRadioButton* RadioImage1 = nullptr;
    QRadioButton* RadioImage2 = nullptr;
    QToolButton* Close = nullptr;
    QScrollArea* ScrollBox1 = nullptr;
    MapImage* Image1 = nullptr;
    QStatusBar* StatusBar2 = nullptr;
    QMenuBar* MainMenu1 = nullptr;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void controlsFromMap();
    void selectTab(int index);
};
