#include "analysis/core/reports/feature_space.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>

#include "platform/textformat.h"
#include "workspace/core/roi/roi_set.h"

std::string featureSpaceSymbol(int classIndex) {
    if (classIndex < 9) return std::string(1, static_cast<char>('1' + classIndex));
    return std::string(1, static_cast<char>('A' + (classIndex - 9) % 26));
}

std::vector<int> rankOrder(const double* values, int count) {
    std::vector<int> order(static_cast<size_t>(std::max(count, 0)));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return values[a] < values[b]; });
    return order;
}

AxisScale axisScale(const double* values, const std::vector<int>& order) {
    AxisScale axis;
    if (order.empty()) return axis;
    axis.low = values[order.front()];
    axis.high = values[order.back()];
    axis.centre = (axis.high + axis.low) / 2;
    const double half = (axis.high - axis.low) / 2;
    axis.scale = half > 1e-10 ? 100 / half : 0;
    return axis;
}

void FeatureSpaceRotation::reset() {
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) m_[i][j] = i == j ? 1 : 0;
}

void FeatureSpaceRotation::turn(int i, int j, double units) {
    const double phi = units * kTurnUnit;
    const double c = std::cos(phi), s = std::sin(phi);
    const int a = i - 1, b = j - 1;
    for (auto& row : m_) {
        const double x = row[a], y = row[b];
        row[a] = x * c + y * s;
        row[b] = -x * s + y * c;
    }
    // Gram–Schmidt on the rows.
    for (int r = 0; r < 3; ++r) {
        for (int q = 0; q < r; ++q) {
            double dot = 0;
            for (int k = 0; k < 3; ++k) dot += m_[r][k] * m_[q][k];
            for (int k = 0; k < 3; ++k) m_[r][k] -= dot * m_[q][k];
        }
        double norm = 0;
        for (int k = 0; k < 3; ++k) norm += m_[r][k] * m_[r][k];
        norm = std::sqrt(norm);
        if (norm > 0)
            for (int k = 0; k < 3; ++k) m_[r][k] /= norm;
    }
}

std::array<std::array<double, 3>, 3> FeatureSpaceRotation::inverse() const {
    std::array<std::array<double, 3>, 3> t{};
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 3; ++j) t[i][j] = m_[j][i];
    return t;
}

std::array<double, 3> FeatureSpaceRotation::apply(const std::array<double, 3>& p) const {
    std::array<double, 3> r{};
    for (int i = 0; i < 3; ++i) r[i] = m_[i][0] * p[0] + m_[i][1] * p[1] + m_[i][2] * p[2];
    return r;
}

LabelBox labelBox(const PlotItem& item) {
    // Arial's widest digits and signs take 0.58 of the height; letters
    // average less. Somewhat more keeps the estimate on the safe side.
    const double width = 0.62 * item.height * static_cast<double>(item.text.size()) + 2;
    const double height = 1.2 * item.height;
    const double angle = item.angle * 3.14159265358979323846 / 180;
    const double c = std::abs(std::cos(angle)), s = std::abs(std::sin(angle));
    LabelBox box;
    box.halfWidth = (width * c + height * s) / 2;
    box.halfHeight = (width * s + height * c) / 2;
    return box;
}

namespace {

constexpr double kLabelMargin = 3;

// The centre moved as little as needed to keep the label's box inside the
// picture; a box wider than the picture is centred on it.
double keepInside(double centre, double half) {
    const double low = kLabelMargin + half, high = kFeatureSpaceSize - kLabelMargin - half;
    if (low > high) return kFeatureSpaceSize / 2.0;
    return std::clamp(centre, low, high);
}

void placeInside(PlotItem& item) {
    const LabelBox box = labelBox(item);
    item.x = keepInside(item.x, box.halfWidth);
    item.y = keepInside(item.y, box.halfHeight);
}

// A label's own rectangle, turned with it: centre, unit axes and half sides.
struct TurnedBox {
    double x, y;
    double ax[2][2];
    double half[2];
};

TurnedBox turnedBox(const PlotItem& item) {
    const double angle = item.angle * 3.14159265358979323846 / 180;
    const double c = std::cos(angle), s = std::sin(angle);
    PlotItem flat = item;
    flat.angle = 0;
    const LabelBox upright = labelBox(flat);
    // y grows downwards: a counter-clockwise turn moves the text's x axis up.
    return {item.x, item.y, {{c, -s}, {s, c}}, {upright.halfWidth, upright.halfHeight}};
}

// Whether two labels' turned rectangles overlap (separating axes).
bool overlap(const PlotItem& a, const PlotItem& b) {
    const TurnedBox p = turnedBox(a), q = turnedBox(b);
    const double dx = q.x - p.x, dy = q.y - p.y;
    for (const TurnedBox* box : {&p, &q}) {
        for (const auto& axis : box->ax) {
            auto reach = [&axis](const TurnedBox& r) {
                return r.half[0] * std::abs(r.ax[0][0] * axis[0] + r.ax[0][1] * axis[1]) +
                       r.half[1] * std::abs(r.ax[1][0] * axis[0] + r.ax[1][1] * axis[1]);
            };
            if (std::abs(dx * axis[0] + dy * axis[1]) >= reach(p) + reach(q)) return false;
        }
    }
    return true;
}

// Steps a label may take to get clear of others: `across` first (both
// ways), then `along`.
struct Steps {
    double acrossX, acrossY, alongX, alongY;
    int alongRings = 12;  // how many steps along it may take
};

// Puts the label as near its wished place as it can go inside the picture
// without covering a label placed before it: the wished place first, then
// growing steps across, then along.
void placeApart(PlotItem& item, const std::vector<PlotItem>& placed, const Steps& steps) {
    const double x0 = item.x, y0 = item.y;
    for (int ring = 0; ring <= 12; ++ring) {
        const double offsets[4][2] = {{-ring * steps.acrossX, -ring * steps.acrossY},
                                      {ring * steps.acrossX, ring * steps.acrossY},
                                      {-ring * steps.alongX, -ring * steps.alongY},
                                      {ring * steps.alongX, ring * steps.alongY}};
        for (int o = 0; o < 4; ++o) {
            if (o >= 2 && ring > steps.alongRings) break;
            const auto& offset = offsets[o];
            item.x = x0 + offset[0];
            item.y = y0 + offset[1];
            placeInside(item);
            if (std::none_of(placed.begin(), placed.end(),
                             [&](const PlotItem& other) { return overlap(item, other); }))
                return;
            if (ring == 0) break;
        }
    }
    item.x = x0;
    item.y = y0;
    placeInside(item);
}

// An axis as drawn: its ends, its direction and its length.
struct AxisLine {
    std::array<double, 2> a{}, b{};
    double ux = 1, uy = 0, length = 0;
};

AxisLine axisLine(const std::array<double, 2>& a, const std::array<double, 2>& b) {
    AxisLine line;
    line.a = a;
    line.b = b;
    line.length = std::hypot(b[0] - a[0], b[1] - a[1]);
    // An axis seen end-on has no direction of its own; any will do.
    if (line.length > 1e-9) {
        line.ux = (b[0] - a[0]) / line.length;
        line.uy = (b[1] - a[1]) / line.length;
    }
    return line;
}

double distanceToSegment(const PlotItem& item, const AxisLine& line) {
    const double t = std::clamp((item.x - line.a[0]) * line.ux + (item.y - line.a[1]) * line.uy,
                                0.0, line.length);
    return std::hypot(item.x - line.a[0] - t * line.ux, item.y - line.a[1] - t * line.uy);
}

// Whether the line from `p` to `q` passes through an upright label's box.
bool crossesBox(const std::array<double, 2>& p, const std::array<double, 2>& q,
                const PlotItem& item) {
    const LabelBox box = labelBox(item);
    const double low[2] = {item.x - box.halfWidth, item.y - box.halfHeight};
    const double high[2] = {item.x + box.halfWidth, item.y + box.halfHeight};
    double from = 0, to = 1;
    for (int i = 0; i < 2; ++i) {
        const double d = q[static_cast<size_t>(i)] - p[static_cast<size_t>(i)];
        const double start = p[static_cast<size_t>(i)];
        if (std::abs(d) < 1e-12) {
            if (start < low[i] || start > high[i]) return false;
            continue;
        }
        double t0 = (low[i] - start) / d, t1 = (high[i] - start) / d;
        if (t0 > t1) std::swap(t0, t1);
        from = std::max(from, t0);
        to = std::min(to, t1);
        if (from > to) return false;
    }
    return true;
}

// Puts an end value beside its own axis end, clear of the labels placed
// before it and of the other axes' lines: the low value beside its line a
// little in from the corner (on the side away from the nearest other axis), the
// high value just beyond its end; failing that further along its own line
// (up to its middle), then on the line, then on its other side. The first
// place nearer its own line than any other wins, else the one that comes
// nearest to that.
void placeEndValue(PlotItem& value, const AxisLine& line, bool high,
                   const std::array<const AxisLine*, 2>& others,
                   const std::vector<PlotItem>& placed) {
    const LabelBox box = labelBox(value);
    const double ux = line.ux, uy = line.uy;
    // The side away from the other axis that runs closest to this one.
    const AxisLine* nearest = nullptr;
    for (const AxisLine* other : others)
        if (other->length > 1e-9 && (nearest == nullptr || ux * other->ux + uy * other->uy >
                                                               ux * nearest->ux + uy * nearest->uy))
            nearest = other;
    double nx = -uy, ny = ux;
    if (nearest != nullptr && nearest->ux * nx + nearest->uy * ny > 0) {
        nx = -nx;
        ny = -ny;
    }
    const double gap = 3;
    const double along = std::abs(ux) * box.halfWidth + std::abs(uy) * box.halfHeight + gap;
    const double aside = std::abs(nx) * box.halfWidth + std::abs(ny) * box.halfHeight + gap;
    const double step = std::max(along, 4.0);
    const auto& end = high ? line.b : line.a;
    // Far enough in from the end that the value reads as beside this line
    // rather than beside the corner (at most 30 degrees off the line), where
    // the line is long enough for that.
    const double in = std::max(along, std::min(1.8 * aside, 0.5 * line.length));
    // Offsets along the line (from the end, into the axis) and across it.
    // Never past the middle of the line, where the value would be read as
    // the other end's.
    std::vector<std::array<double, 2>> offsets;
    if (high) offsets.push_back({-along, 0});
    for (double side : {1.0, 0.0, -1.0})
        for (int t = 0; t == 0 || in + t * step <= 0.5 * line.length; ++t)
            offsets.push_back({in + t * step, side * aside});
    // Off the other labels, and (when `strict`) off the other axes' lines.
    auto clear = [&](bool strict) {
        return std::none_of(placed.begin(), placed.end(),
                            [&](const PlotItem& other) { return overlap(value, other); }) &&
               (!strict || std::none_of(others.begin(), others.end(), [&](const AxisLine* other) {
                   return crossesBox(other->a, other->b, value);
               }));
    };
    // How much nearer the value is to its own line than to the nearest
    // other: where it is not nearer, a reader takes it for the other's.
    auto lead = [&] {
        double nearestOther = std::numeric_limits<double>::infinity();
        for (const AxisLine* other : others)
            if (other->length > 1e-9)
                nearestOther = std::min(nearestOther, distanceToSegment(value, *other));
        return nearestOther - distanceToSegment(value, line);
    };
    const double inward = high ? -1 : 1;
    auto moveTo = [&](const std::array<double, 2>& offset) {
        value.x = end[0] + inward * offset[0] * ux + offset[1] * nx;
        value.y = end[1] + inward * offset[0] * uy + offset[1] * ny;
    };
    double bestLead = -std::numeric_limits<double>::infinity();
    std::array<double, 2> best{};
    // Where every place near the end is crowded, a line of another axis may
    // run through the value rather than the value stand nearer that axis.
    for (bool strict : {true, false}) {
        for (const auto& offset : offsets) {
            moveTo(offset);
            placeInside(value);
            if (!clear(strict)) continue;
            const double margin = lead();
            if (margin > 0) return;
            if (margin > bestLead) {
                bestLead = margin;
                best = {value.x, value.y};
            }
        }
    }
    if (bestLead > -std::numeric_limits<double>::infinity()) {
        value.x = best[0];
        value.y = best[1];
        return;
    }
    // Crowded: off the other labels at least, as near the first place as it goes.
    moveTo(offsets.front());
    placeApart(value, placed, {aside * nx, aside * ny, inward * step * ux, inward * step * uy});
}

}  // namespace

FeatureSpaceRotation initialFeatureSpaceRotation() {
    FeatureSpaceRotation rotation;
    rotation.turn(1, 3, 20);
    rotation.turn(2, 3, 20);
    return rotation;
}

std::vector<PlotItem> featureSpacePicture(const SelectionSamples& samples,
                                          const FeatureSpaceView& view) {
    std::vector<PlotItem> items;
    PlotItem frame;
    frame.kind = PlotItem::Kind::Frame;
    frame.x2 = frame.y2 = kFeatureSpaceSize;
    items.push_back(frame);
    const int count = samples.sampleCount();
    if (count == 0 || samples.featureCount() == 0) return items;

    std::array<std::vector<int>, 3> orders;
    std::array<AxisScale, 3> axes;
    for (int k = 0; k < 3; ++k) {
        const double* values = samples.feature(view.axisFeatures[static_cast<size_t>(k)]);
        orders[k] = rankOrder(values, count);
        axes[k] = axisScale(values, orders[k]);
    }
    auto project = [&](const std::array<double, 3>& p) {
        const std::array<double, 3> r = view.rotation.apply(p);
        return std::array<double, 2>{kFeatureSpaceSize / 2.0 + r[0],
                                     kFeatureSpaceSize / 2.0 - r[1]};
    };

    // Axes along three edges of the cube from its corner (−100, −100, −100).
    const double e = 100;
    std::array<AxisLine, 3> lines;
    for (int k = 0; k < 3; ++k) {
        std::array<double, 3> from = {-e, -e, -e}, to = from;
        to[static_cast<size_t>(k)] = e;
        lines[static_cast<size_t>(k)] = axisLine(project(from), project(to));
        const AxisLine& line = lines[static_cast<size_t>(k)];
        PlotItem dotted;
        dotted.kind = PlotItem::Kind::DottedLine;
        dotted.x = line.a[0];
        dotted.y = line.a[1];
        dotted.x2 = line.b[0];
        dotted.y2 = line.b[1];
        items.push_back(dotted);
    }
    // Names and values are drawn last, over the symbols. The values go
    // first: each belongs at one spot, a name anywhere along its line.
    std::vector<PlotItem> labels;
    // Each value beside its own end: the three low ends meet at one corner,
    // where a value beyond the corner could be read as another axis's.
    for (int k = 0; k < 3; ++k) {
        const AxisLine& line = lines[static_cast<size_t>(k)];
        const std::array<const AxisLine*, 2> others = {&lines[static_cast<size_t>((k + 1) % 3)],
                                                       &lines[static_cast<size_t>((k + 2) % 3)]};
        for (int end = 0; end < 2; ++end) {
            PlotItem value;
            value.text = platform::cformat("%+.4g", end == 0 ? axes[k].low : axes[k].high);
            value.height = 9;
            placeEndValue(value, line, end == 1, others, labels);
            labels.push_back(value);
        }
    }
    for (int k = 0; k < 3; ++k) {
        const AxisLine& line = lines[static_cast<size_t>(k)];
        double angle = std::atan2(-line.uy, line.ux) * 180 / 3.14159265358979323846;
        // Labels read from left to right.
        if (angle > 90) angle -= 180;
        if (angle < -90) angle += 180;
        PlotItem label;
        label.x = (line.a[0] + line.b[0]) / 2;
        label.y = (line.a[1] + line.b[1]) / 2;
        label.text =
            samples.features[static_cast<size_t>(view.axisFeatures[static_cast<size_t>(k)])]
                .name.substr(0, 62);
        label.angle = angle;
        label.height = 11;
        // The name runs beside its line, on the side away from the middle of
        // the picture, not across the line and the corner.
        double nx = -line.uy, ny = line.ux;
        if ((label.x - kFeatureSpaceSize / 2.0) * nx + (label.y - kFeatureSpaceSize / 2.0) * ny <
            0) {
            nx = -nx;
            ny = -ny;
        }
        const double aside = 0.6 * label.height + 2;
        label.x += aside * nx;
        label.y += aside * ny;
        placeInside(label);
        // A name that would cover a value or another name (axes seen nearly
        // parallel) moves further aside, or along its line but not past its
        // ends, where it would name another axis.
        const double across = 1.2 * label.height;
        placeApart(label, labels,
                   {across * nx, across * ny, 0.25 * line.length * line.ux,
                    0.25 * line.length * line.uy, 1});
        labels.push_back(label);
    }

    // Depth order: the rank order of the feature that weighs most in the
    // viewing direction (third row of the inverse), far samples first.
    const auto inverse = view.rotation.inverse();
    int deepest = 0;
    for (int k = 1; k < 3; ++k)
        if (std::abs(inverse[2][k]) > std::abs(inverse[2][deepest])) deepest = k;
    std::vector<int> order = orders[static_cast<size_t>(deepest)];
    if (!(inverse[2][deepest] > 0)) std::reverse(order.begin(), order.end());
    for (int s : order) {
        std::array<double, 3> p{};
        for (int k = 0; k < 3; ++k)
            p[static_cast<size_t>(k)] =
                (samples.value(view.axisFeatures[static_cast<size_t>(k)], s) - axes[k].centre) *
                axes[k].scale;
        const auto at = project(p);
        const int cls = samples.sampleClass[static_cast<size_t>(s)];
        PlotItem symbol;
        symbol.x = at[0];
        symbol.y = at[1];
        symbol.text = featureSpaceSymbol(cls);
        symbol.colour = cls < kRoiCount ? kRoiColours[static_cast<size_t>(cls)] : 0;
        symbol.bold = true;
        symbol.height = 14;
        items.push_back(symbol);
    }
    items.insert(items.end(), labels.begin(), labels.end());
    return items;
}

std::vector<double> featureSpaceWeights(const std::array<int, 3>& axes, int featureCount) {
    std::vector<double> weights(static_cast<size_t>(std::max(featureCount, 0)), -1.0);
    const double weight[3] = {3.0, 2.0, 1.0};
    for (int k = 2; k >= 0; --k)
        if (axes[static_cast<size_t>(k)] >= 0 && axes[static_cast<size_t>(k)] < featureCount)
            weights[static_cast<size_t>(axes[static_cast<size_t>(k)])] = weight[k];
    return weights;
}
