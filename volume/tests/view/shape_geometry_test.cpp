// What the view draws of a shape: closed surfaces wound counter-clockwise
// seen from outside (so face culling keeps every outer face), checked by the
// divergence theorem: the signed volume sum a . (b x c) / 6 over the
// triangles is the solid's volume, and the area vectors sum to zero.
#include "volume/core/view/shape_geometry.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

struct Closure {
    double volume = 0;
    Point3 area;      // sum of the triangles' area vectors
    int outward = 0;  // triangles whose given normal agrees with their winding
};

Closure closure(const ShapeGeometry& g) {
    Closure c;
    for (size_t t = 0; t < g.triangleCount(); ++t) {
        const double* p = &g.triangles[t * 9];
        const Point3 a{p[0], p[1], p[2]}, b{p[3], p[4], p[5]}, d{p[6], p[7], p[8]};
        const Point3 u{b.x - a.x, b.y - a.y, b.z - a.z}, v{d.x - a.x, d.y - a.y, d.z - a.z};
        const Point3 n{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
        c.volume += (a.x * n.x + a.y * n.y + a.z * n.z) / 6;
        c.area = {c.area.x + n.x / 2, c.area.y + n.y / 2, c.area.z + n.z / 2};
        const double* m = &g.normals[t * 9];
        if (m[0] * n.x + m[1] * n.y + m[2] * n.z > 0) ++c.outward;
    }
    return c;
}

}  // namespace

TEST(ShapeGeometry, SolidsAreClosedAndWoundOutwards) {
    const ShapeGeometry cube = solidGeometry(ShapeKind::Cube, 0);
    EXPECT_EQ(cube.triangleCount(), 12u);
    const Closure c = closure(cube);
    EXPECT_NEAR(c.volume, 200.0 * 200 * 200, 1e-6);
    EXPECT_NEAR(c.area.x, 0, 1e-9);
    EXPECT_NEAR(c.area.z, 0, 1e-9);
    EXPECT_EQ(c.outward, 12);

    // A tapered cube: a frustum of squares 2(100 + p) and 2(100 - p), height 200.
    const double a = 2 * 130.0, b = 2 * 70.0;
    EXPECT_NEAR(closure(solidGeometry(ShapeKind::Cube, 30)).volume,
                200 * (a * a + a * b + b * b) / 3, 1e-3);

    // The tube of 200 sectors: within 0.1 % of the cone frustum.
    const ShapeGeometry tube = solidGeometry(ShapeKind::Tube, 40);
    const double frustum = std::numbers::pi * 200 * (140.0 * 140 + 140 * 60 + 60 * 60) / 3;
    const Closure t = closure(tube);
    EXPECT_NEAR(t.volume, frustum, 0.001 * frustum);
    EXPECT_EQ(t.outward, static_cast<int>(tube.triangleCount()));
    // At p = 100 the top is a point: its zero-area faces are left out.
    EXPECT_EQ(solidGeometry(ShapeKind::Tube, 100).triangleCount(), 200u * 2);

    const ShapeGeometry tetrahedron = solidGeometry(ShapeKind::Tetrahedron, 0);
    EXPECT_NEAR(closure(tetrahedron).volume,
                std::abs(tetrahedronVolume(tetrahedronTetrahedra()[0])), 1e-6);
    EXPECT_TRUE(solidGeometry(ShapeKind::Ellipsoid, 0).empty());
}

TEST(ShapeGeometry, TheMeshIsDrawnClosedWithOutwardNodeNormalsOrAsWires) {
    const SurfaceMesh mesh = makeSurfaceMesh(ellipsoidParameters());
    const ShapeGeometry solid = meshSolidGeometry(mesh);
    EXPECT_EQ(solid.triangleCount(), 20u * 11 * 11);
    const Closure c = closure(solid);
    const double ball = 4.0 / 3 * std::numbers::pi * 1e6;
    EXPECT_NEAR(c.volume, ball, 0.01 * ball);
    EXPECT_NEAR(c.area.y, 0, 1e-6);
    EXPECT_EQ(c.outward, static_cast<int>(solid.triangleCount()));
    // Node normals of a sphere point away from its centre.
    for (size_t k = 0; k < solid.triangles.size(); k += 3) {
        const double dot = solid.triangles[k] * solid.normals[k] +
                           solid.triangles[k + 1] * solid.normals[k + 1] +
                           solid.triangles[k + 2] * solid.normals[k + 2];
        ASSERT_GT(dot, 99);
    }

    // Wires: every edge once, 30 (n + 1)^2 of them.
    const ShapeGeometry wires = meshWireGeometry(mesh);
    EXPECT_EQ(wires.lineCount(), 30u * 11 * 11);
    EXPECT_EQ(wires.triangleCount(), 0u);
}

TEST(ShapeGeometry, TheVoxelFacesOfAVoiEncloseItsVoxels) {
    Volume3D mask(3);
    std::vector<uint16_t> slice(4 * 4, 0);
    slice[5] = slice[6] = 1;  // (1, 1) and (2, 1)
    for (int32_t z = 0; z < 3; ++z) Volume3DSetSlice(mask, slice.data(), 4, 4, z);
    Volume3DSetVoxel(mask, 1, 1, 1, 3);  // VOI 1 and VOI 2
    const VoxelSizes sizes{0.5, 1, 2};
    const ShapeGeometry g = voxelFaceGeometry(voiFacePreview(mask, 1, sizes));
    // 6 voxels in a 2 x 1 x 3 block: 2 (2 x 1 + 2 x 3 + 1 x 3) = 22 faces.
    EXPECT_EQ(g.triangleCount(), 2u * 22);
    const Closure c = closure(g);
    EXPECT_NEAR(c.volume, 6 * 0.5 * 1 * 2, 1e-12);
    EXPECT_EQ(c.outward, 44);
    EXPECT_TRUE(voxelFaceGeometry(voiFacePreview(mask, 4, sizes)).empty());
}
