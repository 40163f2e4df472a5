// r62's silhouette window after k-means: one horizontal bar per sample, its
// silhouette value measured from the zero axis, the clusters one after the
// other in their colours, with a legend. The picture can be saved as a
// bitmap. Freed when closed; while it is open most of the main window's
// analysis commands do nothing.
#pragma once

#include <QImage>
#include <string>
#include <vector>

#include "statistics/core/clustering/silhouette_plot.h"
#include "statistics/core/data/data_set.h"
#include "statistics/forms/diagram_window.h"

inline constexpr char kSilhouetteSaveFilter[] = "Bitmap *.BMP|*.bmp";

class TSilhouetteWindow : public DiagramWindow {
  public:
    // Sets SilhouetteWindowOpen; the caller fills the records, draws and shows.
    explicit TSilhouetteWindow(QWidget* owner);
    ~TSilhouetteWindow() override;

    QWidget* Image = nullptr;

    // Sorted by SortSilhouettes before drawing.
    std::vector<SilhouetteRecord> records;
    int clusterCount = 0;

    void DrawSilhouettes();

  protected:
    // Later resizes redraw on a picture of the new size.
    void resizeEvent(QResizeEvent* event) override;

  private:
    QSize pictureSizeFor(const QSize& window) const;
    void placePicture(const QSize& size);
};

// Creates the window owned by `owner` and sets SilhouetteWindowOpen.
TSilhouetteWindow* OpenSilhouetteWindow(QWidget* owner);

// After k-means: samples 1..sampleCount with their silhouette values and
// clusters; the window is captioned with the data file's name and
// `analysisName`, kept tall enough for the legend of `clusterCount`
// clusters, drawn and shown centred on `owner`.
TSilhouetteWindow* ShowSilhouettes(QWidget* owner, const SilhouetteArray& values,
                                   const PerSample16& clusters, int sampleCount, int clusterCount,
                                   const std::string& dataFileName,
                                   const std::string& analysisName);
