// Where r62's scatter plots put things: the 1-D strip, the 2-D frame, the
// pseudo-3-D box and its projection, the scaling of a coordinate onto an
// axis, the tick numbers, the class colours and characters, and the map from
// pixels back to sample numbers. Plain geometry, so that the window only
// paints what is decided here.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// The picture of the graph window, whatever its menu takes.
inline constexpr int kPlotImageWidth = 385;
inline constexpr int kPlotImageHeight = 273;

// Class c (1..40) as 0x00BBGGRR. Classes 17..40 are near-white.
extern const std::array<uint32_t, 40> ClassColours;
// Class c is drawn as its c-th character.
inline constexpr char ClassSymbols[] = "123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrst";

// The colour of class c as 0xRRGGBB; 0 (black) outside 1..40.
uint32_t classRgb(int c);
// The character of class c; '?' outside the table.
char classSymbol(int c);

// Nearest integer, ties to even; NaN gives 0, and the result is kept within
// 16 bits so that no later pixel arithmetic can overflow.
int roundPixel(double value);

struct PixelPoint {
    int x = 0;
    int y = 0;
    friend bool operator==(const PixelPoint&, const PixelPoint&) = default;
};

// Minimum, maximum and range of one plotted coordinate over its samples.
// They start from +-1.7e308 and move on strict comparison only, so NaN
// values are passed over.
struct AxisRange {
    double min = 1.7e308;
    double max = -1.7e308;
    double range() const { return max - min; }
    // Whether samples can be spread along the axis: a positive, finite range.
    bool usable() const;
};
AxisRange axisRangeOf(const double* values, int count);

// Where a value lies along its axis, 0 at min and 1 at max. A zero, negative
// or non-finite range, or a non-finite value, gives the middle (0.5): all
// samples equal on an axis are shown in its centre rather than dividing by 0.
double normalisedPosition(double value, const AxisRange& axis);
// The same in pixels: round(position x span).
int scaledPixels(double value, const AxisRange& axis, int span);

// Tick numbers: fixed "%6.2f" for moderate ranges, otherwise the program's
// exponent form with two significant digits ("1.2E+003"). The strip and the
// 2-D plot take the fixed form for 0.01 < range < 200, the 3-D plot for
// 0.01 < range <= 200.
bool fixedTicks(const AxisRange& axis, bool upperBoundIncluded);
std::string tickText(double value, bool fixed);

// --- the 1-D strip ---------------------------------------------------------
struct Strip1D {
    int width = kPlotImageWidth;
    int height = kPlotImageHeight;
    int plotWidth() const { return width - 50; }
    int plotHeight() const { return height - 55; }
    // Frame rectangle (23, 11)-(W - 20, H - 31).
    int frameLeft() const { return 23; }
    int frameTop() const { return 11; }
    int frameRight() const { return width - 20; }
    int frameBottom() const { return height - 31; }
    int tickY() const { return 15 + plotHeight() + 12; }
    int minTickX() const { return 5; }
    int maxTickX(bool fixed) const { return 25 + plotWidth() - (fixed ? 16 : 33); }
    PixelPoint sample(double value, const AxisRange& axis) const;
    PixelPoint label(int textWidth) const;
};

// --- the 2-D scatter plot --------------------------------------------------
struct Frame2D {
    int width = kPlotImageWidth;
    int height = kPlotImageHeight;
    int left() const { return 55; }
    int top() const { return 15; }
    int right() const { return width - 15; }
    int bottom() const { return height - 40; }
    int plotWidth() const { return width - 70; }
    int plotHeight() const { return height - 55; }
    int xTickY() const { return 15 + plotHeight() + 8; }
    int minXTickX() const { return 35; }
    int maxXTickX(bool fixed) const { return 55 + plotWidth() - (fixed ? 20 : 33); }
    int yTickX(int maxYTextWidth) const;
    int maxYTickY() const { return 7; }
    int minYTickY() const { return 15 + plotHeight() - 8; }
    PixelPoint label1(int textWidth) const;
    PixelPoint label2(int textWidth, int textHeight) const;
};

// The texts of the Y ticks of the 2-D plot: max then min. In exponent form
// the two keep their own conversions ("%6.2e" and "%6.1e"), which print alike.
std::array<std::string, 2> yTickTexts2D(const AxisRange& yAxis);

// A network's class boundary w0 + w1 u + w2 v = 0 across the 2-D box, as if
// the box spanned 0..1 on both axes; the window clips it to the box.
struct BoundaryLine {
    double w0 = 0.0;
    double w1 = 0.0;
    double w2 = 0.0;
};
std::array<PixelPoint, 2> boundarySegment(const Frame2D& frame, const BoundaryLine& line);

// --- the pseudo-3-D box ----------------------------------------------------
// The first axis runs to the right and up, the second to the right and down,
// the third straight up.
struct Projection3D {
    int x0 = 0;
    int y0 = 0;
    int Su = 0;  // first axis
    int Sd = 0;  // second axis
    int Sv = 0;  // third axis
    PixelPoint Project3D(double x, double y, double z) const;
};
// The projection for a picture `height` pixels high.
Projection3D plot3DSetup(int height = kPlotImageHeight);

// The box edges: two visible polylines and three hidden (dotted) edges, as
// corners of the unit cube.
struct CubeCorner {
    double x, y, z;
};
extern const std::array<CubeCorner, 8> kVisibleEdges1;
extern const std::array<CubeCorner, 3> kVisibleEdges2;
extern const std::array<std::array<CubeCorner, 2>, 3> kHiddenEdges;

// Label anchors (each label is centred on its anchor by its width).
std::array<PixelPoint, 3> labelAnchors3D(const Projection3D& p);
// The third axis's label stands left of the box, centred on its anchor;
// when it is too wide for that margin it is written upwards along the box's
// left edge (see label3UprightBox3D).
bool label3Upright3D(const Projection3D& p, int textWidth);

// --- texts on a picture of fixed size -------------------------------------
// A text's box: top-left corner and size in pixels.
struct TextBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    bool overlaps(const TextBox& other) const;
    friend bool operator==(const TextBox&, const TextBox&) = default;
};

// The box moved by the least that puts it inside a width x height picture,
// `margin` pixels off its edges (kept at the left or top margin when it is
// larger), so no text is cut at, or pressed against, the picture's edge.
TextBox keptInside(TextBox box, int width, int height, int margin = 0);

// The upwards third-axis label of the 3-D box: a column `textHeight` wide
// and `textWidth` high beside the box's left edge, centred on the label's
// anchor height.
TextBox label3UprightBox3D(const Projection3D& p, int textWidth, int textHeight);

// The 2-D plot's vertical axis label stands left of the frame; a label too
// long for that margin is written upwards along the axis, centred on it,
// with its box (in the turned picture) starting at the returned point:
// x = the left edge of the turned text's column, y = its bottom end.
bool label2Upright(const Frame2D& frame, int textWidth);
PixelPoint label2UprightStart(const Frame2D& frame, int textWidth, int textHeight);

// --- the sample under the pointer ------------------------------------------
// (W + 1) x (H + 1) sample numbers for a W x H picture, 0 where none lies.
// Every access is clamped to the map: a symbol near the edge marks what is
// left of its cell, a read outside the map gives 0.
class SampleMap {
  public:
    SampleMap() = default;
    SampleMap(int width, int height);
    // Rows y..y+12, columns x..x+7 become `sample` (later samples win).
    void mark(int x, int y, uint16_t sample);
    uint16_t at(int x, int y) const;
    void release();
    bool empty() const { return entries_.empty(); }
    size_t size() const { return entries_.size(); }

  private:
    int width_ = 0;
    int height_ = 0;
    std::vector<uint16_t> entries_;
};
