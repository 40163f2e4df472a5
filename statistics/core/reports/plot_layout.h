// How r62's plots keep their parts apart: the symbols a few pixels inside the
// frame, every tick number and axis label clear of the frame, the symbols and
// each other, and the legend of class characters to class names under the
// plot, outside the data. The window measures its texts and glyphs and paints
// what is decided here.
#pragma once

#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "statistics/core/reports/plot_geometry.h"

// The pixels a class character inks inside its cell (left, top included;
// right, bottom excluded), measured by the window for its font.
struct SymbolInk {
    int left = 0;
    int top = 0;
    int right = 7;
    int bottom = 12;
};

// Free pixels between a frame line and the nearest ink of a symbol.
inline constexpr int kDataMargin = 3;

// Where symbol cells may start so that their ink stays inside a frame whose
// lines run along the columns `frameLeft`, `frameRight` and the rows
// `frameTop`, `frameBottom`, kDataMargin clear of them.
struct DataArea {
    int xMin = 0;
    int xMax = 0;
    int yMin = 0;
    int yMax = 0;
    // The cell of a value at `xn`, `yn` (0..1 along the axes; y grows upwards).
    PixelPoint cellAt(double xn, double yn) const;
};
DataArea dataAreaInside(int frameLeft, int frameTop, int frameRight, int frameBottom,
                        const SymbolInk& ink);

// The box's corners keep the data this far inside, as a share of each axis,
// so that no symbol lies across an edge of the box.
inline constexpr double kBoxInset = 0.04;
double insetInBox(double position);

// --- texts that must not cover anything -----------------------------------
inline constexpr int kTextHalo = 3;
// Free pixels between a text and the picture's edge, which is the window's.
inline constexpr int kPictureMargin = 3;
// A picture's occupied pixels. Texts are placed one by one, each at the free
// place nearest to where it belongs, and then occupy it themselves.
class TextPlacer {
  public:
    TextPlacer(int width, int height);
    void occupy(const TextBox& box);
    void occupyLine(PixelPoint from, PixelPoint to);
    // The inside of a convex polygon (corners in order) and its outline.
    void occupyConvex(const std::vector<PixelPoint>& corners);
    // Whether `box`, grown by `gap` on every side, covers no occupied pixel
    // (the part of the gap outside the picture counts as free); the box
    // itself must lie inside the picture.
    bool isFree(const TextBox& box, int gap) const;
    // The free place for `wanted` that is nearest to it, at most `maxShift`
    // pixels away in each direction, which it then occupies with a halo of
    // kTextHalo pixels; none when there is no such place.
    std::optional<TextBox> place(const TextBox& wanted, int maxShift, int gap = 2);
    // From now on a box is free only `margin` pixels or more off the
    // picture's edges (0, the default: anywhere inside).
    void setEdgeMargin(int margin) { edgeMargin_ = std::max(margin, 0); }

  private:
    int occupiedIn(int x0, int y0, int x1, int y1) const;
    void refreshSums() const;
    int width_;
    int height_;
    int edgeMargin_ = 0;
    std::vector<unsigned char> occupied_;
    mutable std::vector<int> sums_;  // summed-area table, (width + 1) x (height + 1)
    mutable bool stale_ = true;
};

// The hull of the pseudo-3-D box as drawn (six outer corners of the projected
// unit cube, in order), grown by `grow` pixels: the data and the box's edges
// lie inside it.
std::vector<PixelPoint> boxOutline(const Projection3D& p, int grow);

// --- the pseudo-3-D box's end numbers ---------------------------------------
// Each axis's two end numbers stand beside the edge of that axis that faces
// the viewer: under the bottom edges of the first and second axes, left of
// the third's vertical edge. Each starts beside the end it names (where the
// data's inset range ends) and reaches toward the edge's middle, so where two
// axes meet at a corner their numbers part, each along its own edge.
// Widths and boxes in the order xMin, xMax, yMin, yMax, zMin, zMax; with
// flipY 0 the second axis runs the other way.
std::array<TextBox, 6> endNumberBoxes3D(const Projection3D& p, bool flipY,
                                        const std::array<int, 6>& widths, int textHeight);

// --- the class legend -------------------------------------------------------
// One entry per class shown: its character in its colour, then its name.
struct LegendItem {
    int cls = 0;
    PixelPoint symbol;  // top-left of the character's cell
    PixelPoint text;    // top-left of the name
};
struct ClassLegend {
    int top = 0;     // the strip's first row (the plot's height)
    int height = 0;  // rows the strip adds under the plot
    std::vector<LegendItem> items;
};
// Entries flow from left to right in rows of `lineHeight` pixels under a plot
// `plotHeight` high and `width` wide, wrapping where the next would not fit.
// `textWidths[k]` is the width of the name of `classes[k]`; `symbolWidth` the
// width of a class character's cell.
ClassLegend layoutClassLegend(const std::vector<int>& classes, const std::vector<int>& textWidths,
                              int symbolWidth, int lineHeight, int width, int plotHeight);

// The classes present among `category` (values 1..40), ascending.
std::vector<int> classesPresent(const std::vector<int>& category);

// --- the 2-D plot's vertical axis ------------------------------------------
// Y tick numbers stand left of the frame where they fit; wider ones (the
// exponent form in a broad font) are written upwards along the axis, beside
// the frame's top and bottom corners. The boxes are those of the turned
// texts: a column `textHeight` wide and `textWidth` high.
bool yTicksUpright(const Frame2D& frame, int widestTickWidth);
TextBox uprightMaxYTick(const Frame2D& frame, int textWidth, int textHeight);
TextBox uprightMinYTick(const Frame2D& frame, int textWidth, int textHeight);
