// r62's scatter-plot window: the samples of an analysis as a 1-D strip, a
// 2-D scatter plot or a pseudo-3-D box, each drawn as its class character in
// its class colour. The pointer's sample number shows in the status bar; the
// picture can be saved as a bitmap; the second axis of the box can be
// flipped. Modeless, on top, freed when closed; while it is open the main
// window's analysis commands do nothing.
#pragma once

#include <QImage>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/dialogs.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/report/analysis_result.h"
#include "statistics/core/report/plot_geometry.h"
#include "statistics/core/report/plot_layout.h"

class QAction;
class QLabel;
class QMenuBar;
class QStatusBar;

// State the diagram windows share: whether the last diagram drawn has been
// saved, and the direction of the box's second axis.
struct DiagramState {
    uint8_t DiagramSaved = 0;
    uint8_t FlipYAxis = 1;
};
DiagramState& r62Diagram();
void resetR62Diagram();

// --- what every diagram window does with its picture ----------------------------

inline constexpr char kDiagramNotSavedQuestion[] =
    "The diagram has not been saved.\rDo you want to save it now?";

// The save dialog until it is cancelled or a name is picked; an existing file
// is replaced only when the user agrees, otherwise the dialog comes back. The
// picture is written as a BMP file and DiagramSaved set. True when written.
bool saveDiagramBitmap(const QImage& picture, const std::string& filter);

// Closing a diagram window: unless the diagram has been saved, asks
// kDiagramNotSavedQuestion (Yes/No, with `icon`) and saves on Yes.
void offerToSaveDiagram(const QImage& picture, const std::string& filter,
                        platform::MessageIcon icon);

// Shows a picture 1:1 from its top-left corner.
class DiagramView : public QWidget {
  public:
    DiagramView(const QImage* picture, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const QImage* picture_;
};

// --- the scatter-plot window ------------------------------------------------------

inline constexpr char kGraphSaveFilter[] = "bitmap|*.bmp";

class TGraphWindow : public QWidget {
    Q_OBJECT
  public:
    // Sets GraphWindowOpen; the caller draws and shows.
    TGraphWindow(QWidget* owner, const PlotInput& plot, const PerSample16& category,
                 const std::string& dataFileName);
    ~TGraphWindow() override;

    QWidget* Image = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QMenuBar* MainMenu1 = nullptr;
    QAction* saveItem = nullptr;
    QAction* closeItem = nullptr;
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

    void SaveClick();
    void ClosexClick();
    void flipYClick();
    void ImageMouseMove(int x, int y);

    const QImage& picture() const { return picture_; }
    const SampleMap& sampleMap() const { return sampleMap_; }
    QString statusText() const;

  protected:
    // The title-bar close: no question; the flag is cleared, the map released.
    void closeEvent(QCloseEvent* event) override;

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
    QImage picture_;
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
