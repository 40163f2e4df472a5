// r62's scatter-plot window: the samples of an analysis as a 1-D strip, a
// 2-D scatter plot or a pseudo-3-D box, each drawn as its class character in
// its class colour. The pointer's sample number shows in the status bar; the
// picture can be saved as a bitmap; the second axis of the box can be
// flipped. Modeless, on top, freed when closed; while it is open the main
// window's analysis commands do nothing.
#pragma once

#include <QFont>
#include <QImage>
#include <cstdint>
#include <string>
#include <vector>

#include "statistics/core/data/data_set.h"
#include "statistics/core/reports/analysis_result.h"
#include "statistics/core/reports/plot_geometry.h"
#include "statistics/core/reports/plot_layout.h"
#include "statistics/forms/diagram_window.h"

class QAction;
class QLabel;
class QStatusBar;

// --- the scatter-plot window ------------------------------------------------------

inline constexpr char kGraphSaveFilter[] = "bitmap|*.bmp";

class TGraphWindow : public DiagramWindow {
    Q_OBJECT
  public:
    // Sets GraphWindowOpen; the caller draws and shows.
    TGraphWindow(QWidget* owner, const PlotInput& plot, const PerSample16& category,
                 const std::string& dataFileName);
    ~TGraphWindow() override;

    QWidget* Image = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QAction* flipY = nullptr;

    // The class boundaries a network draws over its 2-D plot ("ann" tag).
    void setClassBoundaries(const std::vector<BoundaryLine>& lines) { boundaries_ = lines; }
    // The names of classes 1..C ([c - 1]): the plots then carry a legend of
    // class characters to names in a strip under the plot, which makes the
    // picture taller. Call before drawing.
    void setClassNames(const std::vector<std::string>& names);

    void Plot1D();
    void Plot2D(const std::string& tag);
    void Plot3DSetup();
    void Plot3D();
    // The class character of c at (x, y) in its colour; a class outside
    // 1..40 draws nothing.
    void DrawSampleSymbol(int x, int y, int c);

    void flipYClick();
    void ImageMouseMove(int x, int y);

    const SampleMap& sampleMap() const { return sampleMap_; }
    QString statusText() const;

  protected:
    // Every close releases the sample map.
    void closing() override;

  private:
    // Common start of every plot: a white picture, an empty sample map.
    void startPlot();
    void drawSamples(const std::vector<PixelPoint>& at);
    // What the symbols at `at` cover, for the texts to keep clear of.
    void occupySymbols(TextPlacer& placer, const std::vector<PixelPoint>& at) const;
    // A text to place: where it belongs, turned upwards or not, and how far
    // it may move; a tick number that finds no free place is left out, an
    // axis label is written where it belongs.
    struct PlotText {
        std::string text;
        TextBox box;
        QColor colour;
        bool upright = false;
        bool tick = true;
        int maxShift = 16;
    };
    PlotText tickText(int x, int y, const std::string& text) const;
    PlotText labelText(int x, int y, const std::string& text) const;
    void drawTexts(TextPlacer& placer, const std::vector<PlotText>& texts);
    void drawTextBox(const TextBox& box, const std::string& text, const QColor& colour,
                     bool upright);
    void drawLegend();
    int textWidth(const std::string& text) const;
    int textHeight(const std::string& text) const;
    void showPicture();
    void measureSymbolInk();

    PlotInput plot_;
    std::vector<int> category_;  // [i - 1] = class of sample i
    std::vector<BoundaryLine> boundaries_;
    SampleMap sampleMap_;
    QFont canvasFont_;
    SymbolInk ink_;
    std::vector<std::string> classNames_;
    ClassLegend legend_;
    QLabel* statusPanel_ = nullptr;
    Projection3D projection_;
};

// Opens the window owned by `owner`, centred on it, draws the plot the
// analysis asked for and shows it. Nothing for a plot of kind None.
// `boundaries`: the class lines of a network's 2-D plot ("ann" tag).
TGraphWindow* OpenGraphWindow(QWidget* owner, const PlotInput& plot, const R62DataSet& data,
                              const std::vector<BoundaryLine>& boundaries = {});
