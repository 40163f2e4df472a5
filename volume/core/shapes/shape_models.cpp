#include "volume/core/shapes/shape_models.h"

#include <cmath>
#include <numbers>

#include "volume/core/shapes/vector_maths.h"

namespace {

// Corner k of the tapered cube: bit 0 x, bit 1 y, bit 2 top.
std::array<Point3, 8> cubeCorners(int32_t p) {
    std::array<Point3, 8> v{};
    for (int k = 0; k < 8; ++k) {
        const double h = (k & 4) ? 100.0 - p : 100.0 + p;
        v[static_cast<size_t>(k)] = {(k & 1) ? h : -h, (k & 2) ? h : -h, (k & 4) ? 100.0 : -100.0};
    }
    return v;
}

Point3 tubeRim(int32_t sector, double radius, double z) {
    const double t = 2.0 * std::numbers::pi * sector / kTubeSectors;
    return {radius * std::cos(t), radius * std::sin(t), z};
}

}  // namespace

double tetrahedronVolume(const Tetrahedron& t) {
    return dot(sub(t[1], t[0]), cross(sub(t[2], t[0]), sub(t[3], t[0]))) / 6.0;
}

std::vector<Tetrahedron> cubeTetrahedra(int32_t p) {
    const auto v = cubeCorners(p);
    // Corners 0, 3, 5, 6 (no two on a common edge) form the central
    // tetrahedron; the other four corners each cut off one more. Every face of
    // the tapered cube is flat, so the five fill it exactly.
    return {{v[0], v[3], v[5], v[6]},
            {v[1], v[0], v[3], v[5]},
            {v[2], v[0], v[3], v[6]},
            {v[4], v[0], v[5], v[6]},
            {v[7], v[3], v[5], v[6]}};
}

std::vector<Tetrahedron> tubeTetrahedra(int32_t p) {
    std::vector<Tetrahedron> t;
    t.reserve(3 * kTubeSectors);
    const Point3 bottomAxis{0, 0, -100};
    const Point3 topAxis{0, 0, 100};
    for (int32_t k = 0; k < kTubeSectors; ++k) {
        // The wedge between the axis and sector k: bottom triangle (a0, a1, a2),
        // top triangle (b0, b1, b2), cut into three tetrahedra.
        const Point3 a0 = bottomAxis;
        const Point3 a1 = tubeRim(k, 100.0 + p, -100);
        const Point3 a2 = tubeRim(k + 1, 100.0 + p, -100);
        const Point3 b0 = topAxis;
        const Point3 b1 = tubeRim(k, 100.0 - p, 100);
        const Point3 b2 = tubeRim(k + 1, 100.0 - p, 100);
        t.push_back({a0, a1, a2, b2});
        t.push_back({a0, a1, b1, b2});
        t.push_back({a0, b0, b1, b2});
    }
    return t;
}

std::vector<Tetrahedron> tetrahedronTetrahedra() {
    return {{kTetrahedronCorners[0], kTetrahedronCorners[1], kTetrahedronCorners[2],
             kTetrahedronCorners[3]}};
}

std::vector<Tetrahedron> solidTetrahedra(ShapeKind kind, int32_t p) {
    switch (kind) {
        case ShapeKind::Tube:
        case ShapeKind::TubeAlt:
            return tubeTetrahedra(p);
        case ShapeKind::Cube:
            return cubeTetrahedra(p);
        case ShapeKind::Tetrahedron:
            return tetrahedronTetrahedra();
        default:
            return {};
    }
}

namespace {

// Adds triangle (a, b, c), turned so that it faces away from `inside`; a
// triangle of zero area is dropped.
void addFace(std::vector<ShapeTriangle>& faces, Point3 inside, Point3 a, Point3 b, Point3 c) {
    Point3 n = cross(sub(b, a), sub(c, a));
    const double length = std::sqrt(dot(n, n));
    if (!(length > 1e-9)) return;
    n = {n.x / length, n.y / length, n.z / length};
    const Point3 centre{(a.x + b.x + c.x) / 3, (a.y + b.y + c.y) / 3, (a.z + b.z + c.z) / 3};
    if (dot(n, sub(centre, inside)) < 0) {
        std::swap(b, c);
        n = {-n.x, -n.y, -n.z};
    }
    faces.push_back({a, b, c, n});
}

void addQuad(std::vector<ShapeTriangle>& faces, Point3 inside, Point3 a, Point3 b, Point3 c,
             Point3 d) {
    addFace(faces, inside, a, b, c);
    addFace(faces, inside, a, c, d);
}

}  // namespace

std::vector<ShapeTriangle> solidFaces(ShapeKind kind, int32_t p) {
    std::vector<ShapeTriangle> faces;
    // Every solid is convex, so a face turned away from an inner point faces outward.
    switch (kind) {
        case ShapeKind::Cube: {
            const auto v = cubeCorners(p);
            const Point3 inside{0, 0, 0};
            addQuad(faces, inside, v[0], v[1], v[3], v[2]);  // bottom
            addQuad(faces, inside, v[4], v[5], v[7], v[6]);  // top
            addQuad(faces, inside, v[0], v[1], v[5], v[4]);  // y = -
            addQuad(faces, inside, v[2], v[3], v[7], v[6]);  // y = +
            addQuad(faces, inside, v[0], v[2], v[6], v[4]);  // x = -
            addQuad(faces, inside, v[1], v[3], v[7], v[5]);  // x = +
            break;
        }
        case ShapeKind::Tube:
        case ShapeKind::TubeAlt: {
            const Point3 inside{0, 0, 0};
            const Point3 bottomAxis{0, 0, -100};
            const Point3 topAxis{0, 0, 100};
            for (int32_t k = 0; k < kTubeSectors; ++k) {
                const Point3 a1 = tubeRim(k, 100.0 + p, -100);
                const Point3 a2 = tubeRim(k + 1, 100.0 + p, -100);
                const Point3 b1 = tubeRim(k, 100.0 - p, 100);
                const Point3 b2 = tubeRim(k + 1, 100.0 - p, 100);
                addQuad(faces, inside, a1, a2, b2, b1);
                addFace(faces, inside, bottomAxis, a1, a2);
                addFace(faces, inside, topAxis, b1, b2);
            }
            break;
        }
        case ShapeKind::Tetrahedron: {
            const auto& v = kTetrahedronCorners;
            const Point3 inside{(v[0].x + v[1].x + v[2].x + v[3].x) / 4,
                                (v[0].y + v[1].y + v[2].y + v[3].y) / 4,
                                (v[0].z + v[1].z + v[2].z + v[3].z) / 4};
            addFace(faces, inside, v[0], v[1], v[2]);
            addFace(faces, inside, v[0], v[1], v[3]);
            addFace(faces, inside, v[1], v[2], v[3]);
            addFace(faces, inside, v[2], v[0], v[3]);
            break;
        }
        default:
            break;
    }
    return faces;
}
