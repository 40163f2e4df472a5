#include "analysis/core/texture/shape_features.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "analysis/core/texture/contour_following.h"
#include "analysis/core/texture/convex_hull.h"
#include "analysis/core/texture/diameter_profile.h"
#include "analysis/core/texture/distance_transform.h"
#include "analysis/core/texture/enclosing_circle.h"
#include "analysis/core/texture/thinning.h"
#include "platform/parallel.h"
#include "platform/textformat.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kDegrees = 57.29577951308232;
constexpr double kMissing = kMissingValue;

// A ratio whose denominator is 0 has no value.
double ratio(double numerator, double denominator) {
    return denominator == 0 ? kMissing : numerator / denominator;
}

// Neighbours in the cycle right, lower right, below, lower left, left, upper
// left, above, upper right (y grows downwards).
constexpr std::array<std::array<int, 2>, 8> kCycle = {
    {{1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}}};

struct Moments {
    double xx = 0, yy = 0, xy = 0;  // central second moments divided by A
    double major = 0, minor = 0;    // eigenvalues, major >= minor >= 0
};

Moments secondMoments(const ShapeRegion& r) {
    Moments m;
    for (int32_t my = 0; my < r.height; ++my)
        for (int32_t mx = 0; mx < r.width; ++mx) {
            if (!r.inside[r.index(mx, my)]) continue;
            const double dx = mx + r.originX - r.centroidX;
            const double dy = my + r.originY - r.centroidY;
            m.xx += dx * dx;
            m.yy += dy * dy;
            m.xy += dx * dy;
        }
    const double a = static_cast<double>(r.count);
    m.xx /= a;
    m.yy /= a;
    m.xy /= a;
    const double mean = (m.xx + m.yy) / 2;
    const double root = std::sqrt(((m.xx - m.yy) / 2) * ((m.xx - m.yy) / 2) + m.xy * m.xy);
    m.major = mean + root;
    m.minor = std::max(0.0, mean - root);
    return m;
}

// 8-connected parts of the ROI.
int32_t partCount(const ShapeRegion& r) {
    std::vector<uint8_t> seen(r.inside.size(), 0);
    std::vector<size_t> stack;
    int32_t parts = 0;
    const ptrdiff_t w = r.width;
    const std::array<ptrdiff_t, 8> offsets = {-w - 1, -w, -w + 1, -1, 1, w - 1, w, w + 1};
    for (size_t i = 0; i < r.inside.size(); ++i) {
        if (!r.inside[i] || seen[i]) continue;
        ++parts;
        seen[i] = 1;
        stack.assign(1, i);
        while (!stack.empty()) {
            const size_t p = stack.back();
            stack.pop_back();
            // The frame is empty, so every ROI pixel has its 8 neighbours.
            for (ptrdiff_t o : offsets) {
                const size_t q = static_cast<size_t>(static_cast<ptrdiff_t>(p) + o);
                if (r.inside[q] && !seen[q]) {
                    seen[q] = 1;
                    stack.push_back(q);
                }
            }
        }
    }
    return parts;
}

}  // namespace

std::string shapeGroup2Name(int index) {
    static constexpr std::array<const char*, 4> kEnds = {"_GeoA_x1", "_GeoA_y1", "_GeoA_x2",
                                                         "_GeoA_y2"};
    if (index < 4) return kEnds[static_cast<size_t>(index)];
    static constexpr std::array<const char*, 3> kKinds = {"GeoPw%.2i", "GeoPl%.2i", "GeoPr%.2i"};
    const int k = (index - 4) / 3 + 1;
    return platform::cformat(kKinds[static_cast<size_t>((index - 4) % 3)], k);
}

std::array<double, 128> feretWidths(const ShapeRegion& region) {
    std::array<double, 256> h{};
    for (int k = 0; k < 256; ++k) {
        const double t = k * 2 * kPi / 256;
        const double c = std::cos(t), s = std::sin(t);
        double best = -std::numeric_limits<double>::infinity();
        for (const PixelPoint& p : region.boundary) best = std::max(best, p.x * c + p.y * s);
        h[static_cast<size_t>(k)] = region.boundary.empty() ? 0.0 : best;
    }
    std::array<double, 128> width{};
    for (size_t k = 0; k < 128; ++k) {
        const double w = h[k] + h[k + 128];
        width[k] = std::abs(w) < 1e-9 ? 0.0 : w;
    }
    return width;
}

double unusualPerimeterSum(const ShapeRegion& region) {
    double sum = 0;
    for (const PixelPoint& p : region.boundary) {
        std::array<bool, 8> in{};
        for (size_t i = 0; i < 8; ++i)
            in[i] = region.contains(p.x + kCycle[i][0], p.y + kCycle[i][1]);
        const int edges = in[0] + in[2] + in[4] + in[6];
        const int diagonals = in[1] + in[3] + in[5] + in[7];
        int changes = 0;
        for (size_t i = 0; i < 8; ++i)
            if (in[i] && !in[(i + 1) % 8]) ++changes;
        changes = std::min(changes, 2);
        sum += changes * (edges + std::sqrt(2.0) * diagonals);
    }
    return sum;
}

ShapeMeasures measureShape(const ShapeRegion& r, double f, bool group1, bool group2) {
    ShapeMeasures out;
    if (r.empty() || (!group1 && !group2)) return out;
    const double a = static_cast<double>(r.count);
    const double f2 = f * f;

    // The boundary's hull: longest diameter (both groups), convex perimeter.
    std::vector<IntPoint> boundaryPoints;
    boundaryPoints.reserve(r.boundary.size());
    for (const PixelPoint& p : r.boundary) boundaryPoints.push_back({p.x, p.y});
    const std::vector<IntPoint> hull = convexHull(boundaryPoints);
    const FarthestPair diameter = farthestPair(hull);

    if (group2) {
        auto& g = out.group2;
        g[0] = static_cast<double>(diameter.a.x) * f;
        g[1] = static_cast<double>(diameter.a.y) * f;
        g[2] = static_cast<double>(diameter.b.x) * f;
        g[3] = static_cast<double>(diameter.b.y) * f;
        const auto profile =
            diameterProfile(r, static_cast<double>(diameter.a.x), static_cast<double>(diameter.a.y),
                            static_cast<double>(diameter.b.x), static_cast<double>(diameter.b.y));
        for (size_t k = 0; k < profile.size(); ++k) {
            g[4 + 3 * k] = profile[k].width * f;
            g[5 + 3 * k] = profile[k].left * f;
            g[6 + 3 * k] = (profile[k].width - profile[k].left) * f;
        }
    }
    if (!group1) return out;

    const std::array<double, 128> width = feretWidths(r);
    const size_t widest =
        static_cast<size_t>(std::max_element(width.begin(), width.end()) - width.begin());
    const double fmax = width[widest];
    const double fmin = *std::min_element(width.begin(), width.end());
    const double ft = width[(widest + 64) % 128];
    const double u = unusualPerimeterSum(r) / 2;  // U of GeoUg, unscaled

    // Radial distances of the boundary pixels from the centroid.
    double dmin = 0, dmax = 0, dsum = 0, dsquares = 0;
    const double nb = static_cast<double>(r.boundary.size());
    for (size_t i = 0; i < r.boundary.size(); ++i) {
        const double d = std::hypot(r.boundary[i].x - r.centroidX, r.boundary[i].y - r.centroidY);
        dmin = i == 0 ? d : std::min(dmin, d);
        dmax = std::max(dmax, d);
        dsum += d;
        dsquares += d * d;
    }
    const double dmean = nb > 0 ? dsum / nb : 0;
    const double dsigma = nb > 0 ? std::sqrt(std::max(0.0, dsquares / nb - dmean * dmean)) : 0;

    const ContourChain contour = followContour(r);
    const double uw = contour.length();
    const double ul = polygonPerimeter(hull);
    const std::vector<uint8_t> convexImage = digitalConvexHull(r);
    const double s1 = static_cast<double>(std::count(convexImage.begin(), convexImage.end(), 1));
    const double fd2 = convexFeretDiameter(r, convexImage);
    const double s2 = a + static_cast<double>(r.holePixels);
    const Skeleton skeleton = thinShape(r);
    const double lsz = static_cast<double>(skeleton.count);

    // Fibre model: a rectangle of sides S <= L with area A and perimeter U.
    const double discriminant = u * u - 16 * a;
    const double root = discriminant > 0 ? std::sqrt(discriminant) : 0.0;
    const double fibreL = (u + root) / 4, fibreS = (u - root) / 4;

    // Largest inscribed circle and Danielsson's sum.
    const std::vector<double> distance = distanceTransform(r);
    double deepest = 0, distanceSum = 0;
    int32_t deepX = 0, deepY = 0;
    for (int32_t my = 0; my < r.height; ++my)
        for (int32_t mx = 0; mx < r.width; ++mx) {
            const double d = distance[r.index(mx, my)];
            distanceSum += d;
            if (d > deepest) {
                deepest = d;
                deepX = mx + r.originX;
                deepY = my + r.originY;
            }
        }
    const double d1 = 2 * deepest - 1;
    const double d2 = 2 * smallestEnclosingCircle(hull).radius;

    const Moments m = secondMoments(r);
    const double lmaxE = 4 * std::sqrt(m.major), lminE = 4 * std::sqrt(m.minor);
    double radialSquares = 0;  // sum of squared pixel distances from the centroid
    radialSquares = (m.xx + m.yy) * a;

    int32_t xmin = r.width, xmax = -1, ymin = r.height, ymax = -1;
    for (int32_t my = 0; my < r.height; ++my)
        for (int32_t mx = 0; mx < r.width; ++mx)
            if (r.inside[r.index(mx, my)]) {
                xmin = std::min(xmin, mx), xmax = std::max(xmax, mx);
                ymin = std::min(ymin, my), ymax = std::max(ymax, my);
            }
    const double boxArea = double(xmax - xmin + 1) * double(ymax - ymin + 1);
    const int32_t parts = partCount(r);
    const double haralickDenominator = nb * dsquares - 1;

    auto& g = out.group1;
    size_t i = 0;
    g[i++] = r.centroidX * f;                                     // GeoX
    g[i++] = r.centroidY * f;                                     // GeoY
    g[i++] = a * f2;                                              // GeoF
    g[i++] = std::sqrt(4 * a / kPi) * f;                          // GeoSpol
    g[i++] = diameter.distance * f;                               // GeoSmax
    g[i++] = 0.5 * std::atan2(2 * m.xy, m.xx - m.yy) * kDegrees;  // GeoAox
    g[i++] = u * f;                                               // GeoUg
    g[i++] = uw * f;                                              // GeoUw
    g[i++] = fmax * f;                                            // GeoFmax
    g[i++] = fmin * f;                                            // GeoFmin
    g[i++] = width[0] * f;                                        // GeoFh
    g[i++] = width[64] * f;                                       // GeoFv
    g[i++] = dmin * f;                                            // GeoMmin
    g[i++] = dmax * f;                                            // GeoMmax
    g[i++] = dmean * f;                                           // GeoMaver
    g[i++] = ft * f;                                              // GeoFt
    g[i++] = ul * f;                                              // GeoUl
    g[i++] = s1 * f2;                                             // GeoS1
    g[i++] = s2 * f2;                                             // GeoS2
    g[i++] = lsz * f;                                             // GeoLsz
    g[i++] = fibreS * f;                                          // GeoS
    g[i++] = fibreL * f;                                          // GeoL
    g[i++] = fibreS * fibreL * f2;                                // GeoSxL
    g[i++] = d1 * f;                                              // GeoD1
    g[i++] = d2 * f;                                              // GeoD2
    g[i++] = fd2 * f;                                             // GeoFd2
    g[i++] = lmaxE * f;                                           // GeoLmaxE
    g[i++] = lminE * f;                                           // GeoLminE
    g[i++] = kPi / 4 * lmaxE * lminE * f2;                        // GeoFE
    g[i++] = ratio(4 * kPi * a, u * u);                           // GeoW1
    g[i++] = ratio(a, s1);                                        // GeoW2
    g[i++] = ratio(ul, uw);                                       // GeoW6
    g[i++] = ratio(a, boxArea);                                   // GeoW3
    g[i++] = ratio(4 * a, kPi * fmax * fmax);                     // GeoW4
    g[i++] = ratio(fmax, fmin);                                   // GeoW5
    g[i++] = ratio(lmaxE, lminE);                                 // GeoW5b
    g[i++] = ratio(a, fmax * ft);                                 // GeoW7
    g[i++] = u * u / (4 * kPi * a);                               // GeoRs
    g[i++] = ratio(width[0], width[64]);                          // GeoRf
    g[i++] = ratio(fmin, fmax);                                   // GeoRff
    g[i++] = ratio(std::sqrt(4 * a / kPi), u / kPi);              // GeoRc
    g[i++] = std::sqrt(4 * a / kPi) * f;                          // GeoRc1
    g[i++] = u / kPi * f;                                         // GeoRc2
    g[i++] = u / std::sqrt(kPi * a / 4) - 1;                      // GeoRm
    g[i++] = ratio(a, std::sqrt(2 * kPi * radialSquares));        // GeoRb
    g[i++] = ratio(a * a * a, distanceSum * distanceSum);         // GeoRd
    g[i++] =
        haralickDenominator > 0 ? std::sqrt(dsum * dsum / haralickDenominator) : kMissing;  // GeoRh
    g[i++] = ratio(static_cast<double>(r.holePixels), s2);                                  // GeoW8
    g[i++] = ratio(lsz, diameter.distance);                                                 // GeoW9
    g[i++] = ratio(d1, d2);                                               // GeoW10
    g[i++] = dsigma * f;                                                  // GeoSigR
    g[i++] = ratio(4 * a, kPi * d2 * d2);                                 // GeoW11
    g[i++] = ratio(dmin, dmax);                                           // GeoW12
    g[i++] = lmaxE == 0 ? kMissing : 1 - lminE / lmaxE;                   // GeoW13
    g[i++] = ratio(ul * ul, 4 * kPi * s1);                                // GeoW14
    g[i++] = ratio(kPi * d1 * d1, 4 * a);                                 // GeoW15
    g[i++] = m.xx * f2;                                                   // GeoM2x
    g[i++] = m.yy * f2;                                                   // GeoM2y
    g[i++] = m.xy * f2;                                                   // GeoM2xy
    g[i++] = m.major == 0 ? kMissing : std::sqrt(1 - m.minor / m.major);  // GeoEr
    g[i++] = ratio(lminE, lmaxE);                                         // GeoEr2
    g[i++] = ratio(fibreL, fibreS);                                       // GeoEl
    g[i++] = diameter.distance * diameter.distance / a;                   // GeoEl2
    g[i++] = nb;                                                          // GeoNc
    g[i++] = static_cast<double>(hull.size());                            // GeoNv
    g[i++] = static_cast<double>(skeleton.endPoints);                     // GeoNl
    g[i++] = lsz;                                                         // GeoNsz
    g[i++] = static_cast<double>(skeleton.branchPoints);                  // GeoNi
    g[i++] = static_cast<double>(parts - r.holes);                        // GeoNx
    g[i++] = static_cast<double>(r.holes);                                // GeoNo
    g[i++] = deepX * f;                                                   // GeoXo
    g[i++] = deepY * f;                                                   // GeoYo
    g[i++] = std::hypot(deepX - r.centroidX, deepY - r.centroidY) * f;    // GeoXYo
    return out;
}

int shapeRecordCount(const GrainOptions& options) {
    return (options.Sg_DoGeometry ? kShapeGroup1Count : 0) +
           (options.Sg_DoGeometryP ? kShapeGroup2Count : 0);
}

void appendShapeRecords(const uint16_t* roiMap, int32_t width, int32_t height,
                        const GrainOptions& options, std::vector<FeatureRecord>& out) {
    const bool group1 = options.Sg_DoGeometry, group2 = options.Sg_DoGeometryP;
    if (!group1 && !group2) return;
    const double ppu = options.Sg_PPU;
    const double f = std::isfinite(ppu) && ppu != 0 ? 1 / ppu : 1.0;
    std::array<ShapeMeasures, kRoiCount> measures{};
    // One ROI per chunk: each writes its own entry.
    parallelFor(kRoiCount, 1, [&](size_t begin, size_t end) {
        for (size_t roi = begin; roi < end; ++roi)
            measures[roi] = measureShape(
                buildShapeRegion(roiMap, width, height, static_cast<int>(roi)), f, group1, group2);
    });
    auto append = [&](std::string_view name, auto valueOf) {
        FeatureRecord record;
        setRecordName(record, name);
        for (size_t roi = 0; roi < kRoiCount; ++roi) record.values[roi] = valueOf(measures[roi]);
        out.push_back(record);
    };
    if (group1)
        for (size_t i = 0; i < kShapeGroup1Count; ++i)
            append(kShapeGroup1Names[i], [i](const ShapeMeasures& m) { return m.group1[i]; });
    if (group2)
        for (size_t i = 0; i < kShapeGroup2Count; ++i)
            append(shapeGroup2Name(static_cast<int>(i)),
                   [i](const ShapeMeasures& m) { return m.group2[i]; });
}
