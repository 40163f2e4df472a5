#include "analysis/core/reports/convex_border.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/parallel.h"
#include "platform/textformat.h"

std::optional<ConvexHalfSpace> lineThroughPoints(const std::array<double, 2>& p,
                                                 const std::array<double, 2>& q) {
    const double nx = q[1] - p[1], ny = -(q[0] - p[0]);
    const double length = std::sqrt(nx * nx + ny * ny);
    if (!(length > kConvexTolerance)) return std::nullopt;
    ConvexHalfSpace line;
    line.normal = {nx / length, ny / length, 0};
    line.offset = -(line.normal[0] * p[0] + line.normal[1] * p[1]);
    return line;
}

std::optional<ConvexHalfSpace> planeThroughPoints(const std::array<double, 3>& p,
                                                  const std::array<double, 3>& q,
                                                  const std::array<double, 3>& r) {
    const double u[3] = {q[0] - p[0], q[1] - p[1], q[2] - p[2]};
    const double v[3] = {r[0] - p[0], r[1] - p[1], r[2] - p[2]};
    const double n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2],
                         u[0] * v[1] - u[1] * v[0]};
    const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    if (!(length > kConvexTolerance)) return std::nullopt;
    ConvexHalfSpace plane;
    plane.normal = {n[0] / length, n[1] / length, n[2] / length};
    plane.offset = -(plane.normal[0] * p[0] + plane.normal[1] * p[1] + plane.normal[2] * p[2]);
    return plane;
}

namespace {

bool ruleClass(const std::string& name) {
    return name.empty() || name[0] != '_';
}

template <int N>
using Point = std::array<double, N>;

template <int N>
double side(const ConvexHalfSpace& h, const Point<N>& x) {
    double s = h.offset;
    for (int k = 0; k < N; ++k) s += h.normal[k] * x[k];
    return s;
}

// Working buffers of one thread, kept between candidates.
template <int N>
struct Scratch {
    std::vector<Point<N>> inside;
    std::vector<ConvexHalfSpace> sides;
};

// The border of class `cls` over the N features `f` and its intrusion;
// nothing when the class's samples give no border or no sample of another
// class lies outside it. `sides` receives the border when given.
template <int N>
std::optional<double> evaluateBorder(const SelectionSamples& samples, int cls,
                                     const std::array<int, 3>& f, Scratch<N>& scratch,
                                     std::vector<ConvexHalfSpace>* sides) {
    const int offset = samples.classOffset[static_cast<size_t>(cls)];
    const int count = samples.classSize[static_cast<size_t>(cls)];
    auto point = [&](int s) {
        Point<N> x;
        for (int k = 0; k < N; ++k) x[k] = samples.value(f[static_cast<size_t>(k)], s);
        return x;
    };
    std::vector<Point<N>>& in = scratch.inside;
    in.clear();
    Point<N> low, high;
    low.fill(std::numeric_limits<double>::infinity());
    high.fill(-std::numeric_limits<double>::infinity());
    double scale = 1;
    for (int s = offset; s < offset + count; ++s) {
        in.push_back(point(s));
        for (int k = 0; k < N; ++k) {
            low[k] = std::min(low[k], in.back()[k]);
            high[k] = std::max(high[k], in.back()[k]);
            scale = std::max(scale, std::abs(in.back()[k]));
        }
    }
    // Samples on a side within the tolerance, taken relative to the size of
    // the values: a side through two samples passes through them only up to
    // rounding, which grows with the values.
    const double tolerance = kConvexTolerance * scale;

    std::vector<ConvexHalfSpace>& border = scratch.sides;
    border.clear();
    auto consider = [&](ConvexHalfSpace h) {
        bool above = false, below = false;
        for (const Point<N>& x : in) {
            const double s = side<N>(h, x);
            above |= s > tolerance;
            below |= s < -tolerance;
        }
        if (above && below) return;
        if (!above && !below) {
            h.onPlane = true;
        } else if (above) {
            for (double& component : h.normal) component = -component;
            h.offset = -h.offset;
        }
        // Collinear or coplanar samples give the same side many times.
        for (const ConvexHalfSpace& known : border) {
            bool same =
                known.onPlane == h.onPlane && std::abs(known.offset - h.offset) <= tolerance;
            for (int k = 0; k < N && same; ++k)
                same = std::abs(known.normal[k] - h.normal[k]) <= kConvexTolerance;
            if (same) return;
        }
        border.push_back(h);
    };
    const int n = static_cast<int>(in.size());
    if constexpr (N == 2) {
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                if (auto line = lineThroughPoints(in[i], in[j])) consider(*line);
    } else {
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                for (int k = j + 1; k < n; ++k)
                    if (auto plane = planeThroughPoints(in[i], in[j], in[k])) consider(*plane);
    }
    if (border.empty()) return std::nullopt;

    Point<N> centre;
    for (int k = 0; k < N; ++k) centre[k] = (low[k] + high[k]) / 2;
    int intruders = 0;
    bool outside = false;
    double largestMargin = 0;
    const int total = samples.sampleCount();
    for (int s = 0; s < total; ++s) {
        if (s >= offset && s < offset + count) continue;
        const Point<N> x = point(s);
        // Where the way from the centre to the sample leaves the border: the
        // first crossing of a side the sample lies outside of.
        bool violated = false;
        double nearest = std::numeric_limits<double>::infinity();
        for (const ConvexHalfSpace& h : border) {
            const double v = side<N>(h, x);
            if (h.onPlane ? std::abs(v) <= tolerance : v <= tolerance) continue;
            violated = true;
            const double c = side<N>(h, centre);
            const double along = v - c;  // normal · (sample − centre)
            if (std::abs(along) < kConvexTolerance) continue;
            nearest = std::min(nearest, -c / along);
        }
        if (!violated) {
            ++intruders;
            continue;
        }
        outside = true;
        // d_c = t·|x − c| and d_s = (1 − t)·|x − c|, so the margin is t.
        const double margin = nearest > 0 && nearest < 1 ? nearest : 0.99999;
        largestMargin = std::max(largestMargin, margin);
    }
    if (!outside) return std::nullopt;
    if (sides) *sides = border;
    return intruders + largestMargin;
}

// The single-feature border of class `cls` in feature f.
ConvexBorder intervalBorder(const SelectionSamples& samples, int cls, int f) {
    const int offset = samples.classOffset[static_cast<size_t>(cls)];
    const int count = samples.classSize[static_cast<size_t>(cls)];
    const double* values = samples.feature(f);
    double lo = values[offset], hi = values[offset];
    for (int s = offset; s < offset + count; ++s) {
        lo = std::min(lo, values[s]);
        hi = std::max(hi, values[s]);
    }
    int inside = 0;
    bool outside = false;
    double nearest = std::numeric_limits<double>::infinity();
    for (int s = 0; s < samples.sampleCount(); ++s) {
        if (s >= offset && s < offset + count) continue;
        const double v = values[s];
        if (v >= lo && v <= hi) {
            ++inside;
        } else {
            outside = true;
            nearest = std::min(nearest, v < lo ? lo - v : v - hi);
        }
    }
    double fraction = 0;
    if (outside) {
        const double denominator = 2 * nearest + hi - lo;
        fraction = denominator > 0 ? (hi - lo) / denominator : 0.9999;
    }
    ConvexBorder border;
    border.size = 1;
    border.features = {f, -1, -1};
    border.intrusion = inside + fraction;
    border.low = lo;
    border.high = hi;
    return border;
}

// Whether a candidate of `size` features with `intrusion` replaces `current`.
bool replaces(const ConvexBorder& current, int size, double intrusion) {
    if (current.size == 0) return true;
    if (current.size == size) return intrusion < current.intrusion;
    return intrusion < current.intrusion - 0.25 ||
           std::floor(intrusion) < std::floor(current.intrusion);
}

bool wantsLargerSet(const ConvexBorder& border) {
    return border.size == 0 || border.intrusion >= 0.75;
}

// Steps the bar once per 1/128 of `total` candidates.
class ProgressSteps {
  public:
    ProgressSteps(const ProgressSink& progress, size_t total)
        : progress_(progress), total_(total) {}
    void done(size_t finished) {
        while (shown_ < kConvexProgressSteps &&
               finished * kConvexProgressSteps >= (shown_ + 1) * std::max<size_t>(total_, 1)) {
            ++shown_;
            progress_.advance();
        }
    }

  private:
    const ProgressSink& progress_;
    size_t total_;
    size_t shown_ = 0;
};

// The pair or triple search: every class that wants a larger set and has more
// than 2 samples, over every N-tuple of features (first index highest).
// Candidates are evaluated in blocks over all cores and applied in their
// serial order; a cancel keeps the candidates applied before it.
template <int N>
bool searchSets(const SelectionSamples& samples, const ProgressSink& progress,
                std::vector<ConvexBorder>& borders) {
    std::vector<std::array<int, 3>> tuples;
    const int features = samples.featureCount();
    for (int a = 0; a < features; ++a)
        for (int b = 0; b < a; ++b) {
            if constexpr (N == 2) {
                tuples.push_back({a, b, -1});
            } else {
                for (int c = 0; c < b; ++c) tuples.push_back({a, b, c});
            }
        }
    std::vector<int> classes;
    for (int c = 0; c < samples.classCount(); ++c)
        if (ruleClass(samples.classes[static_cast<size_t>(c)]) &&
            samples.classSize[static_cast<size_t>(c)] > 2 && wantsLargerSet(borders[c]))
            classes.push_back(c);
    const size_t total = classes.size() * tuples.size();
    ProgressSteps steps(progress, total);
    // Blocks large enough to share among the cores, small enough that a
    // cancel is seen soon and the bar moves.
    const size_t block = std::clamp<size_t>(total / kConvexProgressSteps, 64, 2048);
    std::vector<double> intrusion(block);
    std::vector<char> evaluated(block);
    constexpr double kNone = -1;
    for (size_t begin = 0; begin < total; begin += block) {
        if (progress.cancelled()) return false;
        const size_t end = std::min(total, begin + block);
        // A class's candidates are skipped once it no longer wants a larger
        // set; that can change only by its own earlier candidates, which
        // the serial pass below decides.
        parallelFor(end - begin, 16, [&](size_t from, size_t to) {
            Scratch<N> scratch;
            for (size_t i = from; i < to; ++i) {
                if (progress.cancelled()) {
                    evaluated[i] = 0;
                    continue;
                }
                const size_t item = begin + i;
                const int cls = classes[item / tuples.size()];
                const auto value =
                    evaluateBorder<N>(samples, cls, tuples[item % tuples.size()], scratch, nullptr);
                intrusion[i] = value ? *value : kNone;
                evaluated[i] = 1;
            }
        });
        Scratch<N> scratch;
        for (size_t i = 0; i < end - begin; ++i) {
            if (!evaluated[i]) return false;
            if (intrusion[i] == kNone) continue;
            const size_t item = begin + i;
            const int cls = classes[item / tuples.size()];
            ConvexBorder& current = borders[static_cast<size_t>(cls)];
            if (!replaces(current, N, intrusion[i])) continue;
            ConvexBorder next;
            next.size = N;
            next.features = tuples[item % tuples.size()];
            next.intrusion = intrusion[i];
            evaluateBorder<N>(samples, cls, next.features, scratch, &next.sides);
            current = std::move(next);
        }
        steps.done(end);
    }
    return true;
}

}  // namespace

ConvexBorderResult FindConvexBorder(const SelectionSamples& samples, const ProgressSink& progress) {
    ConvexBorderResult result;
    result.borders.assign(static_cast<size_t>(samples.classCount()), ConvexBorder());

    progress.report("Convex border (search: 1/3)");
    progress.range(kConvexProgressSteps);
    {
        const int features = samples.featureCount();
        const size_t total = static_cast<size_t>(samples.classCount()) * features;
        ProgressSteps steps(progress, total);
        size_t done = 0;
        for (int c = 0; c < samples.classCount(); ++c) {
            for (int f = 0; f < features; ++f, ++done) {
                if (progress.cancelled()) {
                    result.cancelled = true;
                    return result;
                }
                if (!ruleClass(samples.classes[static_cast<size_t>(c)])) continue;
                ConvexBorder candidate = intervalBorder(samples, c, f);
                ConvexBorder& current = result.borders[static_cast<size_t>(c)];
                if (current.size == 0 || candidate.intrusion < current.intrusion)
                    current = candidate;
                steps.done(done + 1);
            }
        }
    }
    progress.report("Convex border (search: 2/3)");
    progress.range(kConvexProgressSteps);
    if (!searchSets<2>(samples, progress, result.borders)) {
        result.cancelled = true;
        return result;
    }
    progress.report("Convex border (search: 3/3)");
    progress.range(kConvexProgressSteps);
    if (!searchSets<3>(samples, progress, result.borders)) {
        result.cancelled = true;
        return result;
    }
    progress.report("Convex border (reduction)");
    progress.range(kConvexProgressSteps);
    progress.report("Convex border (completion)");
    return result;
}

std::string convexBorderText(const ConvexBorderResult& result, const SelectionSamples& samples) {
    using platform::cformat;
    auto name = [&](int f) { return samples.features[static_cast<size_t>(f)].name; };
    std::string text = "-------- Convex border search results\r\n";
    text += "\r\n---- Strongest feature set:\r\n";
    for (size_t c = 0; c < result.borders.size(); ++c) {
        const std::string& cls = samples.classes[c];
        if (!ruleClass(cls)) continue;
        const ConvexBorder& border = result.borders[c];
        text += cformat("%s: ", cls.c_str());
        for (int k = 0; k < border.size; ++k)
            text += cformat("%s; ", name(border.features[static_cast<size_t>(k)]).c_str());
        text += cformat("[Intrusion = %f]\r\n", border.intrusion);
    }
    text += "\r\n-- Classification rules:\r\n";
    for (size_t c = 0; c < result.borders.size(); ++c) {
        const std::string& cls = samples.classes[c];
        if (!ruleClass(cls)) continue;
        const ConvexBorder& border = result.borders[c];
        const auto& f = border.features;
        switch (border.size) {
            case 0:
                text += cformat("\r\n// Class %s: decision rule not found\r\n", cls.c_str());
                break;
            case 1:
                text += cformat("\r\n// Class %s: %s [Intrusion = %f]\r\n", cls.c_str(),
                                name(f[0]).c_str(), border.intrusion);
                text += cformat("  %s = (%s >= %f) && (%s <= %f);\r\n", cls.c_str(),
                                name(f[0]).c_str(), border.low, name(f[0]).c_str(), border.high);
                break;
            default: {
                if (border.size == 2)
                    text += cformat("\r\n// Class %s: %s, %s [Intrusion = %f]\r\n", cls.c_str(),
                                    name(f[0]).c_str(), name(f[1]).c_str(), border.intrusion);
                else
                    text += cformat("\r\n// Class %s: %s, %s, %s [Intrusion = %f]\r\n", cls.c_str(),
                                    name(f[0]).c_str(), name(f[1]).c_str(), name(f[2]).c_str(),
                                    border.intrusion);
                text += cformat("  %s = (\r\n", cls.c_str());
                for (size_t i = 0; i < border.sides.size(); ++i) {
                    const ConvexHalfSpace& h = border.sides[i];
                    if (i > 0) text += " &&\r\n";
                    const char* relation = h.onPlane ? "== 0" : "<= 0";
                    if (border.size == 2)
                        text += cformat("    (%f*%s%+f*%s%+f %s)", h.normal[0], name(f[0]).c_str(),
                                        h.normal[1], name(f[1]).c_str(), h.offset, relation);
                    else
                        text += cformat("    (%f*%s%+f*%s%+f*%s%+f %s)", h.normal[0],
                                        name(f[0]).c_str(), h.normal[1], name(f[1]).c_str(),
                                        h.normal[2], name(f[2]).c_str(), h.offset, relation);
                }
                text += " );\r\n";
            }
        }
    }
    return text;
}

std::vector<double> convexBorderWeights(const ConvexBorderResult& result,
                                        const SelectionSamples& samples) {
    std::vector<double> weights(static_cast<size_t>(samples.featureCount()), -1.0);
    for (const ConvexBorder& border : result.borders)
        for (int k = 0; k < border.size; ++k) {
            double& weight = weights[static_cast<size_t>(border.features[static_cast<size_t>(k)])];
            weight = std::max(weight, 1.0 / (1.0 + border.intrusion));
        }
    return weights;
}

std::vector<int> rankByWeight(const std::vector<double>& weights) {
    std::vector<int> order;
    for (size_t f = 0; f < weights.size(); ++f)
        if (weights[f] > 0) order.push_back(static_cast<int>(f));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return weights[static_cast<size_t>(a)] > weights[static_cast<size_t>(b)];
    });
    return order;
}
