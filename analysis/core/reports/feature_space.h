// The feature space: the samples of the open reports as a 3D scatter over
// three chosen features, turned by a rotation matrix and drawn as the
// symbols of their classes. Everything but the window: symbols, rank orders,
// axis scaling, the turns, the depth order and the picture as a list of
// drawing items in a 360 x 360 logical space, which a canvas (the screen, a
// bitmap, an enhanced or a Windows metafile) draws.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "analysis/core/reports/selection_samples.h"

inline constexpr int kFeatureSpaceSize = 360;  // logical units, centre (180, 180)
inline constexpr double kTurnUnit = 0.01;      // radians

// Class k (0-based): "1".."9" for k = 0..8, then "A", "B", ...
std::string featureSpaceSymbol(int classIndex);

// The sample indices in ascending order of value, the first among equals first.
std::vector<int> rankOrder(const double* values, int count);

// Each axis is centred on the middle of its range and scaled to ±100; a half
// range not above 1e-10 gives scale 0 (the cloud collapses onto the others).
struct AxisScale {
    double centre = 0, scale = 0, low = 0, high = 0;
};
AxisScale axisScale(const double* values, const std::vector<int>& order);

class FeatureSpaceRotation {
  public:
    FeatureSpaceRotation() { reset(); }
    void reset();
    // Turns by `units` hundredths of a radian about axes (i, j), 1-based: in
    // every row the pair (a_i, a_j) becomes (a_i cos φ + a_j sin φ,
    // −a_i sin φ + a_j cos φ). The rows are made orthonormal again after each
    // turn, so that many small turns do not shear the cloud; the inverse is
    // then the transpose.
    void turn(int i, int j, double units);
    const std::array<std::array<double, 3>, 3>& matrix() const { return m_; }
    std::array<std::array<double, 3>, 3> inverse() const;
    std::array<double, 3> apply(const std::array<double, 3>& p) const;

  private:
    std::array<std::array<double, 3>, 3> m_{};
};

// The rotation the window starts with: the identity turned by 20 units about
// (1, 3) and by 20 about (2, 3).
FeatureSpaceRotation initialFeatureSpaceRotation();

// A drawing item in logical units (y downwards).
struct PlotItem {
    enum class Kind { Frame, DottedLine, Text } kind = Kind::Text;
    double x = 0, y = 0, x2 = 0, y2 = 0;
    std::string text;
    uint32_t colour = 0;  // 0x00BBGGRR
    bool bold = false;
    double angle = 0;    // degrees, counter-clockwise
    double height = 12;  // logical units
};

// Where a canvas draws: it maps the logical space onto its own.
class PlotCanvas {
  public:
    virtual ~PlotCanvas() = default;
    virtual void draw(const std::vector<PlotItem>& items) = 0;
};

struct FeatureSpaceView {
    std::array<int, 3> axisFeatures{0, 1, 2};
    FeatureSpaceRotation rotation;
};

// The space a text item takes around its centre, estimated from its height
// and length (turned labels by their turned box).
struct LabelBox {
    double halfWidth = 0, halfHeight = 0;
};
LabelBox labelBox(const PlotItem& item);

// The picture: frame, the three axes as dotted cube edges labelled with their
// feature name and with their smallest and largest value ("%+.4g"), every
// label inside the picture, each value beside its own axis's end and on no
// other label, and every sample's class symbol (bold; ROI colours for classes
// 1..16, black beyond) in depth order; the names and values come last, so
// they are drawn over the symbols.
std::vector<PlotItem> featureSpacePicture(const SelectionSamples& samples,
                                          const FeatureSpaceView& view);

// Acceptance: third axis weight 1, second 2, first 3, written in that order
// (a feature on several axes keeps the first axis's weight); −1 elsewhere.
std::vector<double> featureSpaceWeights(const std::array<int, 3>& axes, int featureCount);
