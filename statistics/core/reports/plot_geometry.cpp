#include "statistics/core/reports/plot_geometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/textformat.h"

const std::array<uint32_t, 40> ClassColours = {
    0x0000FF, 0x008000, 0xFF0000, 0xFF00FF, 0x800080, 0x00FFFF, 0x000080, 0xFFFF00,
    0x008080, 0x808000, 0x808080, 0x00FF00, 0x800000, 0xF0CAA6, 0xC0C0C0, 0x000000,
    0xF1F117, 0xF2FF18, 0xF3FF19, 0xF4FF20, 0xF5FF21, 0xF6FF22, 0xF7FF23, 0xF8FF24,
    0xF9FF25, 0xFAFF26, 0xFBFF27, 0xFCFF28, 0xFFF029, 0xF4F130, 0xFFF231, 0xFFF332,
    0xFFF433, 0xFFF534, 0xFFF635, 0xF5F736, 0xFFF837, 0xFFF938, 0xFFFA39, 0xFFFB40,
};

uint32_t classRgb(int c) {
    if (c < 1 || c > static_cast<int>(ClassColours.size())) return 0;
    const uint32_t bgr = ClassColours[static_cast<size_t>(c - 1)];
    return ((bgr & 0xFF) << 16) | (bgr & 0xFF00) | ((bgr >> 16) & 0xFF);
}

char classSymbol(int c) {
    constexpr int kSymbols = static_cast<int>(sizeof(ClassSymbols)) - 1;
    if (c < 1 || c > kSymbols) return '?';
    return ClassSymbols[c - 1];
}

int roundPixel(double value) {
    if (std::isnan(value)) return 0;
    constexpr double kLimit = std::numeric_limits<int16_t>::max();
    // nearbyint rounds ties to even in the default rounding mode.
    return static_cast<int>(std::nearbyint(std::clamp(value, -kLimit - 1, kLimit)));
}

bool AxisRange::usable() const {
    const double r = range();
    return std::isfinite(r) && r > 0.0;
}

AxisRange axisRangeOf(const double* values, int count) {
    AxisRange axis;
    for (int i = 0; i < count; ++i) {
        if (values[i] < axis.min) axis.min = values[i];
        if (values[i] > axis.max) axis.max = values[i];
    }
    return axis;
}

double normalisedPosition(double value, const AxisRange& axis) {
    if (!axis.usable() || !std::isfinite(value)) return 0.5;
    return (value - axis.min) / axis.range();
}

int scaledPixels(double value, const AxisRange& axis, int span) {
    if (!axis.usable() || !std::isfinite(value)) return roundPixel(0.5 * span);
    // The product first, as the plots have always scaled.
    return roundPixel((value - axis.min) * span / axis.range());
}

bool fixedTicks(const AxisRange& axis, bool upperBoundIncluded) {
    const double r = axis.range();
    return r > 0.01 && (upperBoundIncluded ? r <= 200.0 : r < 200.0);
}

std::string tickText(double value, bool fixed) {
    return fixed ? platform::cformat("%6.2f", value) : platform::formatExponent(value, 6, 1);
}

// --- 1-D -----------------------------------------------------------------------

PixelPoint Strip1D::sample(double value, const AxisRange& axis) const {
    return {scaledPixels(value, axis, plotWidth()) + 23, 11 + plotHeight() / 2};
}

PixelPoint Strip1D::label(int textWidth) const {
    return {25 + plotWidth() / 2 - textWidth / 2, 15 + plotHeight() + 18};
}

// --- 2-D -----------------------------------------------------------------------

int Frame2D::yTickX(int maxYTextWidth) const {
    return roundPixel(40 - 0.8 * maxYTextWidth);
}

PixelPoint Frame2D::label1(int textWidth) const {
    return {55 + plotWidth() / 2 - textWidth / 2, 15 + plotHeight() + 18};
}

PixelPoint Frame2D::label2(int textWidth, int textHeight) const {
    return {50 - textWidth, 15 + plotHeight() / 2 - textHeight};
}

std::array<std::string, 2> yTickTexts2D(const AxisRange& yAxis) {
    if (fixedTicks(yAxis, false)) return {tickText(yAxis.max, true), tickText(yAxis.min, true)};
    return {platform::formatExponent(yAxis.max, 6, 2), platform::formatExponent(yAxis.min, 6, 1)};
}

std::array<PixelPoint, 2> boundarySegment(const Frame2D& frame, const BoundaryLine& line) {
    const int wp = frame.plotWidth();
    const int hp = frame.plotHeight();
    if (std::fabs(line.w2) <= 1e-5) {
        // Nearly vertical: where it meets the bottom and the top of the box.
        return {{{55 + roundPixel(-wp * line.w0 / line.w1), 15 + hp},
                 {55 + roundPixel(-wp * (line.w0 + line.w2) / line.w1), 15}}};
    }
    return {{{55, 15 + hp - roundPixel(-hp * line.w0 / line.w2)},
             {55 + wp, 15 + hp - roundPixel(-hp * (line.w0 + line.w1) / line.w2)}}};
}

// --- 3-D -----------------------------------------------------------------------

PixelPoint Projection3D::Project3D(double x, double y, double z) const {
    return {roundPixel(x0 + Sd * y + Su * x),
            roundPixel(y0 - Sv * z + 0.4 * Sd * y - 0.4 * Su * x)};
}

Projection3D plot3DSetup(int height) {
    const int l = height - 40 - 25;
    Projection3D p;
    p.Su = roundPixel(0.65 * l);
    p.Sd = roundPixel(0.7 * l);
    p.Sv = roundPixel(0.6 * l);
    p.x0 = 63;
    p.y0 = 25 + roundPixel(0.78 * l);
    return p;
}

const std::array<CubeCorner, 8> kVisibleEdges1 = {
    {{0, 0, 1}, {0, 0, 0}, {0, 1, 0}, {0, 1, 1}, {0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}}};
const std::array<CubeCorner, 3> kVisibleEdges2 = {{{0, 1, 0}, {1, 1, 0}, {1, 1, 1}}};
const std::array<std::array<CubeCorner, 2>, 3> kHiddenEdges = {
    {{{{0, 0, 0}, {1, 0, 0}}}, {{{1, 0, 0}, {1, 0, 1}}}, {{{1, 0, 0}, {1, 1, 0}}}}};

std::array<PixelPoint, 3> labelAnchors3D(const Projection3D& p) {
    return {p.Project3D(0.5, 1.18, 0), p.Project3D(-0.18, 0.5, 0), p.Project3D(-0.2, 0, 0.65)};
}

bool label3Upright3D(const Projection3D& p, int textWidth) {
    // The space between the label and the box's left edge the text placer
    // asks for: its gap and the box outline's growth.
    constexpr int kClearance = 4;
    const PixelPoint anchor = labelAnchors3D(p)[2];
    return anchor.x - textWidth / 2 + textWidth + kClearance > p.x0;
}

TextBox label3UprightBox3D(const Projection3D& p, int textWidth, int textHeight) {
    const PixelPoint anchor = labelAnchors3D(p)[2];
    return {p.x0 - 6 - textHeight, anchor.y - textWidth / 2, textHeight, textWidth};
}

// --- sample map ------------------------------------------------------------------

SampleMap::SampleMap(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      entries_(static_cast<size_t>(width_ + 1) * static_cast<size_t>(height_ + 1), 0) {}

void SampleMap::mark(int x, int y, uint16_t sample) {
    if (entries_.empty()) return;
    const int left = std::max(x, 0);
    const int right = std::min(x + 7, width_);
    const int top = std::max(y, 0);
    const int bottom = std::min(y + 12, height_);
    for (int row = top; row <= bottom; ++row)
        for (int column = left; column <= right; ++column)
            entries_[static_cast<size_t>(width_ + 1) * static_cast<size_t>(row) +
                     static_cast<size_t>(column)] = sample;
}

uint16_t SampleMap::at(int x, int y) const {
    if (entries_.empty() || x < 0 || y < 0 || x > width_ || y > height_) return 0;
    return entries_[static_cast<size_t>(width_ + 1) * static_cast<size_t>(y) +
                    static_cast<size_t>(x)];
}

void SampleMap::release() {
    entries_.clear();
    entries_.shrink_to_fit();
    width_ = 0;
    height_ = 0;
}

// --- texts on a picture of fixed size ----------------------------------------------

bool TextBox::overlaps(const TextBox& other) const {
    return x < other.x + other.width && other.x < x + width && y < other.y + other.height &&
           other.y < y + height;
}

TextBox keptInside(TextBox box, int width, int height, int margin) {
    box.x = std::max(margin, std::min(box.x, width - margin - box.width));
    box.y = std::max(margin, std::min(box.y, height - margin - box.height));
    return box;
}

bool label2Upright(const Frame2D& frame, int textWidth) {
    return frame.label2(textWidth, 0).x < 2;
}

PixelPoint label2UprightStart(const Frame2D& frame, int textWidth, int textHeight) {
    // Upwards text occupies a column textHeight wide; it stands in the
    // margin's left part, clear of the tick numbers at the frame's corners.
    const int centre = frame.top() + frame.plotHeight() / 2;
    const int bottom = std::min(frame.top() + frame.plotHeight(), centre + textWidth / 2);
    return {std::max(2, frame.left() - 30 - textHeight), bottom};
}
