#include "statistics/core/reports/plot_layout.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>

PixelPoint DataArea::cellAt(double xn, double yn) const {
    return {xMin + roundPixel(xn * (xMax - xMin)), yMax - roundPixel(yn * (yMax - yMin))};
}

DataArea dataAreaInside(int frameLeft, int frameTop, int frameRight, int frameBottom,
                        const SymbolInk& ink) {
    DataArea area;
    area.xMin = frameLeft + 1 + kDataMargin - ink.left;
    area.xMax = std::max(area.xMin, frameRight - kDataMargin - ink.right);
    area.yMin = frameTop + 1 + kDataMargin - ink.top;
    area.yMax = std::max(area.yMin, frameBottom - kDataMargin - ink.bottom);
    return area;
}

double insetInBox(double position) {
    return kBoxInset + position * (1.0 - 2.0 * kBoxInset);
}

// --- texts ---------------------------------------------------------------------

TextPlacer::TextPlacer(int width, int height)
    : width_(std::max(width, 0)),
      height_(std::max(height, 0)),
      occupied_(static_cast<size_t>(width_) * static_cast<size_t>(height_), 0) {}

void TextPlacer::occupy(const TextBox& box) {
    const int x0 = std::max(box.x, 0);
    const int y0 = std::max(box.y, 0);
    const int x1 = std::min(box.x + box.width, width_);
    const int y1 = std::min(box.y + box.height, height_);
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x)
            occupied_[static_cast<size_t>(y) * static_cast<size_t>(width_) +
                      static_cast<size_t>(x)] = 1;
    stale_ = true;
}

void TextPlacer::occupyLine(PixelPoint from, PixelPoint to) {
    // Bresenham: the pixels a one-pixel pen sets.
    int x = from.x;
    int y = from.y;
    const int dx = std::abs(to.x - x);
    const int dy = -std::abs(to.y - y);
    const int sx = x < to.x ? 1 : -1;
    const int sy = y < to.y ? 1 : -1;
    int error = dx + dy;
    for (;;) {
        occupy({x, y, 1, 1});
        if (x == to.x && y == to.y) break;
        const int twice = 2 * error;
        if (twice >= dy) {
            error += dy;
            x += sx;
        }
        if (twice <= dx) {
            error += dx;
            y += sy;
        }
    }
}

void TextPlacer::occupyConvex(const std::vector<PixelPoint>& corners) {
    if (corners.empty()) return;
    for (size_t k = 0; k < corners.size(); ++k)
        occupyLine(corners[k], corners[(k + 1) % corners.size()]);
    int top = corners[0].y;
    int bottom = corners[0].y;
    for (const PixelPoint& c : corners) {
        top = std::min(top, c.y);
        bottom = std::max(bottom, c.y);
    }
    // Each row: the span between the outline's crossings.
    for (int y = std::max(top, 0); y <= std::min(bottom, height_ - 1); ++y) {
        double left = 1e9;
        double right = -1e9;
        for (size_t k = 0; k < corners.size(); ++k) {
            const PixelPoint a = corners[k];
            const PixelPoint b = corners[(k + 1) % corners.size()];
            if ((y < a.y && y < b.y) || (y > a.y && y > b.y)) continue;
            if (a.y == b.y) {
                left = std::min({left, static_cast<double>(a.x), static_cast<double>(b.x)});
                right = std::max({right, static_cast<double>(a.x), static_cast<double>(b.x)});
                continue;
            }
            const double x = a.x + static_cast<double>(y - a.y) * (b.x - a.x) / (b.y - a.y);
            left = std::min(left, x);
            right = std::max(right, x);
        }
        if (left > right) continue;
        const int x0 = static_cast<int>(std::floor(left));
        const int x1 = static_cast<int>(std::ceil(right));
        occupy({x0, y, x1 - x0 + 1, 1});
    }
}

void TextPlacer::refreshSums() const {
    if (!stale_) return;
    const size_t stride = static_cast<size_t>(width_) + 1;
    sums_.assign(stride * (static_cast<size_t>(height_) + 1), 0);
    for (int y = 0; y < height_; ++y) {
        int row = 0;
        for (int x = 0; x < width_; ++x) {
            row += occupied_[static_cast<size_t>(y) * static_cast<size_t>(width_) +
                             static_cast<size_t>(x)];
            sums_[(static_cast<size_t>(y) + 1) * stride + static_cast<size_t>(x) + 1] =
                sums_[static_cast<size_t>(y) * stride + static_cast<size_t>(x) + 1] + row;
        }
    }
    stale_ = false;
}

int TextPlacer::occupiedIn(int x0, int y0, int x1, int y1) const {
    x0 = std::clamp(x0, 0, width_);
    x1 = std::clamp(x1, 0, width_);
    y0 = std::clamp(y0, 0, height_);
    y1 = std::clamp(y1, 0, height_);
    if (x0 >= x1 || y0 >= y1) return 0;
    refreshSums();
    const size_t stride = static_cast<size_t>(width_) + 1;
    auto at = [&](int x, int y) {
        return sums_[static_cast<size_t>(y) * stride + static_cast<size_t>(x)];
    };
    return at(x1, y1) - at(x0, y1) - at(x1, y0) + at(x0, y0);
}

bool TextPlacer::isFree(const TextBox& box, int gap) const {
    if (box.x < edgeMargin_ || box.y < edgeMargin_ || box.x + box.width > width_ - edgeMargin_ ||
        box.y + box.height > height_ - edgeMargin_)
        return false;
    return occupiedIn(box.x - gap, box.y - gap, box.x + box.width + gap,
                      box.y + box.height + gap) == 0;
}

namespace {

// Shifts by growing distance; among equal distances an upright move before a
// sideways one, so a text stays in its row or column first. The order does
// not depend on the text, so each reach is sorted once.
const std::vector<std::array<int, 2>>& shiftOrder(int maxShift) {
    static std::map<int, std::vector<std::array<int, 2>>> orders;
    std::vector<std::array<int, 2>>& shifts = orders[maxShift];
    if (!shifts.empty()) return shifts;
    for (int dy = -maxShift; dy <= maxShift; ++dy)
        for (int dx = -maxShift; dx <= maxShift; ++dx) shifts.push_back({dx, dy});
    std::stable_sort(shifts.begin(), shifts.end(), [](const auto& a, const auto& b) {
        const int da = a[0] * a[0] + a[1] * a[1];
        const int db = b[0] * b[0] + b[1] * b[1];
        if (da != db) return da < db;
        return std::abs(a[0]) < std::abs(b[0]);
    });
    return shifts;
}

}  // namespace

std::optional<TextBox> TextPlacer::place(const TextBox& wanted, int maxShift, int gap) {
    for (const auto& shift : shiftOrder(maxShift)) {
        TextBox box = wanted;
        box.x += shift[0];
        box.y += shift[1];
        if (!isFree(box, gap)) continue;
        // A halo keeps the next text a little farther off than a line would
        // be, so that two numbers never read as one.
        occupy({box.x - kTextHalo, box.y - kTextHalo, box.width + 2 * kTextHalo,
                box.height + 2 * kTextHalo});
        return box;
    }
    return std::nullopt;
}

std::vector<PixelPoint> boxOutline(const Projection3D& p, int grow) {
    // Seen from the front, the outline runs through these six corners.
    const std::array<CubeCorner, 6> corners = {
        {{0, 0, 0}, {0, 1, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}, {0, 0, 1}}};
    std::vector<PixelPoint> outline;
    double cx = 0.0;
    double cy = 0.0;
    for (const CubeCorner& c : corners) {
        outline.push_back(p.Project3D(c.x, c.y, c.z));
        cx += outline.back().x;
        cy += outline.back().y;
    }
    cx /= static_cast<double>(outline.size());
    cy /= static_cast<double>(outline.size());
    for (PixelPoint& at : outline) {
        const double dx = at.x - cx;
        const double dy = at.y - cy;
        const double length = std::hypot(dx, dy);
        if (length <= 0.0) continue;
        at.x = roundPixel(at.x + grow * dx / length);
        at.y = roundPixel(at.y + grow * dy / length);
    }
    return outline;
}

// --- the box's end numbers ---------------------------------------------------------

namespace {

// Between an end's point and its number along the edge: at a corner two axes
// share, their numbers stand clearly apart.
constexpr int kAlongGap = 14;
constexpr int kEdgeGap = 4;  // between an edge and the numbers beside it

// A number under the edge from `a` to `b` (a left of b), beside `end` on it,
// reaching to the right or to the left, clear of the edge over its width.
TextBox underEdge(PixelPoint a, PixelPoint b, PixelPoint end, bool reachRight, int width,
                  int height) {
    const int x = reachRight ? end.x + kAlongGap : end.x - kAlongGap - width;
    auto edgeY = [&](int at) {
        if (b.x == a.x) return std::max(a.y, b.y);
        const double t = std::clamp(static_cast<double>(at - a.x) / (b.x - a.x), 0.0, 1.0);
        return static_cast<int>(std::ceil(a.y + t * (b.y - a.y)));
    };
    return {x, std::max(edgeY(x), edgeY(x + width)) + kEdgeGap, width, height};
}

}  // namespace

std::array<TextBox, 6> endNumberBoxes3D(const Projection3D& p, bool flipY,
                                        const std::array<int, 6>& widths, int textHeight) {
    const double low = insetInBox(0.0);
    const double high = insetInBox(1.0);
    std::array<TextBox, 6> boxes;
    // The first axis along the front bottom edge.
    const PixelPoint frontLeft = p.Project3D(0, 1, 0);
    const PixelPoint frontRight = p.Project3D(1, 1, 0);
    boxes[0] =
        underEdge(frontLeft, frontRight, p.Project3D(low, 1, 0), true, widths[0], textHeight);
    boxes[1] =
        underEdge(frontLeft, frontRight, p.Project3D(high, 1, 0), false, widths[1], textHeight);
    // The second along the left bottom edge, its minimum at the back unless flipped.
    const PixelPoint back = p.Project3D(0, 0, 0);
    for (int k = 0; k < 2; ++k) {
        const double at = (k == 0) == flipY ? low : high;
        boxes[2 + k] = underEdge(back, frontLeft, p.Project3D(0, at, 0), at < 0.5,
                                 widths[static_cast<size_t>(2 + k)], textHeight);
    }
    // The third left of the vertical edge: the minimum above the bottom
    // corner, the maximum below the top one.
    for (int k = 0; k < 2; ++k) {
        const PixelPoint end = p.Project3D(0, 0, k == 0 ? low : high);
        const int width = widths[static_cast<size_t>(4 + k)];
        const int y = k == 0 ? end.y - kAlongGap / 2 - textHeight : end.y + kAlongGap / 2;
        boxes[static_cast<size_t>(4 + k)] = {back.x - kEdgeGap - width, y, width, textHeight};
    }
    return boxes;
}

// --- legend ----------------------------------------------------------------------

ClassLegend layoutClassLegend(const std::vector<int>& classes, const std::vector<int>& textWidths,
                              int symbolWidth, int lineHeight, int width, int plotHeight) {
    constexpr int kEdge = 6;         // from the picture's left and right edges
    constexpr int kAfterSymbol = 3;  // between the character and its name
    constexpr int kBetween = 14;     // between one entry and the next
    constexpr int kAbove = 2;        // between the plot and the first row
    ClassLegend legend;
    legend.top = plotHeight;
    if (classes.empty()) return legend;
    int x = kEdge;
    int row = 0;
    for (size_t k = 0; k < classes.size(); ++k) {
        const int textWidth = k < textWidths.size() ? textWidths[k] : 0;
        const int entry = symbolWidth + kAfterSymbol + textWidth;
        if (x > kEdge && x + entry > width - kEdge) {
            x = kEdge;
            ++row;
        }
        const int y = plotHeight + kAbove + row * lineHeight;
        legend.items.push_back({classes[k], {x, y}, {x + symbolWidth + kAfterSymbol, y}});
        x += entry + kBetween;
    }
    legend.height = kAbove + (row + 1) * lineHeight + kAbove;
    return legend;
}

std::vector<int> classesPresent(const std::vector<int>& category) {
    std::vector<int> classes;
    for (int c : category)
        if (c >= 1 && c <= static_cast<int>(ClassColours.size())) classes.push_back(c);
    std::sort(classes.begin(), classes.end());
    classes.erase(std::unique(classes.begin(), classes.end()), classes.end());
    return classes;
}

// --- the 2-D plot's vertical axis ------------------------------------------------

bool yTicksUpright(const Frame2D& frame, int widestTickWidth) {
    const int x = frame.yTickX(widestTickWidth);
    return x < 0 || x + widestTickWidth > frame.left() - 2;
}

TextBox uprightMaxYTick(const Frame2D& frame, int textWidth, int textHeight) {
    return {frame.left() - 3 - textHeight, frame.top(), textHeight, textWidth};
}

TextBox uprightMinYTick(const Frame2D& frame, int textWidth, int textHeight) {
    return {frame.left() - 3 - textHeight, frame.bottom() - textWidth, textHeight, textWidth};
}
