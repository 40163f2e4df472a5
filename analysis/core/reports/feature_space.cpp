#include "analysis/core/reports/feature_space.h"

#include <algorithm>
#include <cmath>
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
        for (const auto& offset : offsets) {
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
    std::vector<PlotItem> values;
    for (int k = 0; k < 3; ++k) {
        std::array<double, 3> from = {-e, -e, -e}, to = from;
        to[static_cast<size_t>(k)] = e;
        const auto a = project(from), b = project(to);
        PlotItem line;
        line.kind = PlotItem::Kind::DottedLine;
        line.x = a[0];
        line.y = a[1];
        line.x2 = b[0];
        line.y2 = b[1];
        items.push_back(line);
        double angle = std::atan2(-(b[1] - a[1]), b[0] - a[0]) * 180 / 3.14159265358979323846;
        // Labels read from left to right.
        if (angle > 90) angle -= 180;
        if (angle < -90) angle += 180;
        PlotItem label;
        label.x = (a[0] + b[0]) / 2;
        label.y = (a[1] + b[1]) / 2;
        label.text =
            samples.features[static_cast<size_t>(view.axisFeatures[static_cast<size_t>(k)])]
                .name.substr(0, 62);
        label.angle = angle;
        label.height = 11;
        const double length = std::hypot(b[0] - a[0], b[1] - a[1]);
        const double ux = length > 0 ? (b[0] - a[0]) / length : 0;
        const double uy = length > 0 ? (b[1] - a[1]) / length : 0;
        // The name runs beside its line, on the side away from the middle of
        // the picture, not across the line and the corner.
        double nx = -uy, ny = ux;
        if ((label.x - kFeatureSpaceSize / 2.0) * nx + (label.y - kFeatureSpaceSize / 2.0) * ny <
            0) {
            nx = -nx;
            ny = -ny;
        }
        const double aside = 0.6 * label.height + 2;
        label.x += aside * nx;
        label.y += aside * ny;
        placeInside(label);
        // A name that would cover another (axes seen nearly parallel) moves
        // further aside, or along its line.
        std::vector<PlotItem> names;
        for (const PlotItem& item : items)
            if (item.kind == PlotItem::Kind::Text) names.push_back(item);
        const double across = 1.2 * label.height;
        placeApart(label, names,
                   {across * nx, across * ny, 0.25 * length * ux, 0.25 * length * uy});
        items.push_back(label);
        // The values stand just beyond the ends, out along the axis; where
        // that is outside the picture or on another label (the three low ends
        // meet at one corner) they move aside.
        for (int end = 0; end < 2; ++end) {
            PlotItem value;
            value.text = platform::cformat("%+.4g", end == 0 ? axes[k].low : axes[k].high);
            value.height = 9;
            const LabelBox box = labelBox(value);
            const double away = (end == 0 ? -1 : 1) *
                                (3 + std::abs(ux) * box.halfWidth + std::abs(uy) * box.halfHeight);
            const auto& at = end == 0 ? a : b;
            value.x = at[0] + away * ux;
            value.y = at[1] + away * uy;
            values.push_back(value);
        }
    }
    // The names are placed already; each value keeps off them and off the
    // values before it.
    std::vector<PlotItem> placed;
    for (const PlotItem& item : items)
        if (item.kind == PlotItem::Kind::Text) placed.push_back(item);
    for (PlotItem& value : values) {
        // Up and down by its height, then aside by half its width.
        const LabelBox box = labelBox(value);
        placeApart(value, placed, {0, 2 * box.halfHeight, box.halfWidth, 0});
        placed.push_back(value);
        items.push_back(value);
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
