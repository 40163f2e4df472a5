#include "volume/core/shapes/shape_fill.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace {

Volume3D blank(int32_t w, int32_t h, int32_t count) {
    Volume3D v(count);
    for (int32_t z = 0; z < count; ++z) Volume3DSetSlice(v, nullptr, w, h, z);
    return v;
}

int64_t countBit(const Volume3D& v, int bitIndex = 0) {
    std::array<int64_t, kVoiCount> c{};
    Volume3DCountVoxels(v, c);
    return c[static_cast<size_t>(bitIndex)];
}

const VoxelSizes kUnit{};

Point3 sub(Point3 a, Point3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Point3 cross(Point3 a, Point3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Point3 a, Point3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// Volume enclosed by the faces (divergence theorem); positive only when every
// face is wound counter-clockwise seen from outside.
double enclosedVolume(const std::vector<ShapeTriangle>& faces) {
    double v = 0;
    for (const auto& f : faces) v += dot(f.a, cross(f.b, f.c)) / 6.0;
    return v;
}

double frustumVolume(double r1, double r2, double h) {
    return std::numbers::pi * h / 3.0 * (r1 * r1 + r1 * r2 + r2 * r2);
}

}  // namespace

TEST(ShapeModels, TetrahedraAndFacesEncloseTheSolidsVolume) {
    const double tetra = 1049580.9;  // the corners' own volume, not 200^3 / (6 sqrt 2)
    struct Case {
        ShapeKind kind;
        int32_t p;
        double volume;
        double tolerance;
    };
    const double sectorFactor =  // 200 sectors of a circle: area of the polygon
        kTubeSectors * std::sin(2 * std::numbers::pi / kTubeSectors) / (2 * std::numbers::pi);
    for (const Case& c :
         {Case{ShapeKind::Cube, 0, 8e6, 1e-9},
          Case{ShapeKind::Cube, 40, 200.0 / 3 * (280.0 * 280 + 280 * 120 + 120 * 120), 1e-9},
          Case{ShapeKind::Cube, 100, 200.0 / 3 * 400 * 400, 1e-9},
          Case{ShapeKind::Tube, 0, frustumVolume(100, 100, 200) * sectorFactor, 1e-9},
          Case{ShapeKind::Tube, -30, frustumVolume(70, 130, 200) * sectorFactor, 1e-9},
          Case{ShapeKind::Tetrahedron, 0, tetra, 1e-6}}) {
        SCOPED_TRACE(static_cast<int>(c.kind) * 1000 + c.p);
        double sum = 0;
        for (const auto& t : solidTetrahedra(c.kind, c.p)) {
            EXPECT_GE(std::abs(tetrahedronVolume(t)), 0);
            sum += std::abs(tetrahedronVolume(t));
        }
        EXPECT_NEAR(sum / c.volume, 1.0, c.tolerance);
        const auto faces = solidFaces(c.kind, c.p);
        EXPECT_NEAR(enclosedVolume(faces) / c.volume, 1.0, c.tolerance);
        for (const auto& f : faces) {
            const Point3 n = cross(sub(f.b, f.a), sub(f.c, f.a));
            EXPECT_GT(dot(n, f.normal), 0);  // normal agrees with the winding
        }
    }
    EXPECT_EQ(solidTetrahedra(ShapeKind::Tube, 0).size(), 600u);
    EXPECT_EQ(solidTetrahedra(ShapeKind::Cube, 0).size(), 5u);
    EXPECT_TRUE(solidTetrahedra(ShapeKind::Ellipsoid, 0).empty());
}

TEST(ShapeFill, CubeAtTheIdentityCoversTwoHundredVoxelsAroundTheCentre) {
    const int32_t n = 204;
    Volume3D mask = blank(n, n, n);
    fillSolid(mask, ShapeKind::Cube, 0, identityMatrix16(), kUnit, overlappingDraw(1));
    int64_t wrong = 0;
    const auto in = [&](int32_t v) { return v >= n / 2 - 100 && v <= n / 2 + 99; };
    for (int32_t z = 0; z < n; ++z)
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x)
                wrong += (Volume3DGetVoxelChecked(mask, x, y, z) == 1) != (in(x) && in(y) && in(z));
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(countBit(mask), 200 * 200 * 200);

    // Clipped to a smaller volume: every voxel is inside.
    Volume3D small = blank(150, 120, 90);
    fillSolid(small, ShapeKind::Cube, 0, identityMatrix16(), kUnit, overlappingDraw(voiBit(3)));
    EXPECT_EQ(countBit(small, 2), 150 * 120 * 90);
}

TEST(ShapeFill, EraseAllInsideTheTetrahedronClearsEveryBit) {
    const int32_t n = 240;
    Volume3D mask = blank(n, n, n);
    Volume3DMaskAll(mask, 0, 0xFFFF);
    fillSolid(mask, ShapeKind::Tetrahedron, 0, identityMatrix16(), kUnit, eraseAll());
    // Brute force: signed distances of the voxel centre to the four faces.
    const auto& v = kTetrahedronCorners;
    const Point3 centre{(v[0].x + v[1].x + v[2].x + v[3].x) / 4,
                        (v[0].y + v[1].y + v[2].y + v[3].y) / 4,
                        (v[0].z + v[1].z + v[2].z + v[3].z) / 4};
    struct Plane {
        Point3 n;
        double d;
    };
    std::array<Plane, 4> planes{};
    for (size_t f = 0; f < 4; ++f) {
        const Point3 a = v[f], b = v[(f + 1) % 4], c = v[(f + 2) % 4];
        Point3 nrm = cross(sub(b, a), sub(c, a));
        const double l = std::sqrt(dot(nrm, nrm));
        nrm = {nrm.x / l, nrm.y / l, nrm.z / l};
        if (dot(nrm, sub(centre, a)) < 0) nrm = {-nrm.x, -nrm.y, -nrm.z};
        planes[f] = {nrm, dot(nrm, a)};  // inside: n.p - d > 0
    }
    int64_t inside = 0, clearedInside = 0, outside = 0, keptOutside = 0, cleared = 0;
    for (int32_t z = 0; z < n; ++z)
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x) {
                const Point3 p{x + 0.5 - n / 2.0, y + 0.5 - n / 2.0, z + 0.5 - n / 2.0};
                double least = 1e9;
                for (const Plane& pl : planes) least = std::min(least, dot(pl.n, p) - pl.d);
                const uint16_t m = Volume3DGetVoxelChecked(mask, x, y, z);
                cleared += m == 0;
                if (least > 0.01) {
                    ++inside;
                    clearedInside += m == 0;
                } else if (least < -1.0) {
                    ++outside;
                    keptOutside += m == 0xFFFF;
                }
                EXPECT_TRUE(m == 0 || m == 0xFFFF);
            }
    EXPECT_GT(inside, 900000);
    EXPECT_EQ(clearedInside, inside);
    EXPECT_EQ(keptOutside, outside);
    EXPECT_NEAR(static_cast<double>(cleared) / 1049580.9, 1.0, 0.02);
}

TEST(ShapeFill, DrawModesOfAFill) {
    Volume3D mask = blank(250, 250, 220);
    Volume3DMaskAll(mask, 0, 0x0006);  // VOIs 2 and 3 everywhere
    const int32_t c = 125;
    fillSolid(mask, ShapeKind::Cube, 0, identityMatrix16(), kUnit, nonOverlappingDraw(1));
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, c, c, 110), 1);
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 5, 5, 5), 6);
    fillSolid(mask, ShapeKind::Cube, 0, placementMatrix(50, 0, 0, 0), kUnit, eraseActive(1));
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, c, c, 110), 0);
    fillSolid(mask, ShapeKind::Cube, 0, placementMatrix(10, 0, 0, 0), kUnit,
              overlappingDraw(voiBit(4)));
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, c, c, 110), 8);
}

TEST(ShapeFill, TubeAndEllipsoidVoxelVolumesMatchTheSolids) {
    {
        const int32_t n = 264;
        Volume3D mask = blank(n, n, n);
        fillSolid(mask, ShapeKind::Tube, 30, identityMatrix16(), kUnit, overlappingDraw(1));
        EXPECT_NEAR(countBit(mask) / frustumVolume(130, 70, 200), 1.0, 0.02);
        // a narrow end at the top: no voxel of the top slice beyond radius 71
        int64_t beyond = 0;
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x) {
                const double dx = x + 0.5 - n / 2.0, dy = y + 0.5 - n / 2.0;
                beyond += Volume3DGetVoxelChecked(mask, x, y, n / 2 + 99) &&
                          dx * dx + dy * dy > 71.0 * 71.0;
            }
        EXPECT_EQ(beyond, 0);
    }
}

TEST(ShapeFill, MoveAndCopyByTheTruncatedShift) {
    Volume3D mask = blank(60, 40, 30);
    for (int32_t z = 10; z < 13; ++z)
        for (int32_t y = 5; y < 8; ++y)
            for (int32_t x = 20; x < 24; ++x) Volume3DSetVoxel(mask, x, y, z, 2);
    Matrix16 shape = identityMatrix16();
    shape[12] = 10.7;
    EXPECT_EQ(moveOffset(shape, kUnit).dx, 10);
    shiftVoiByShape(mask, 2, overlappingDraw(2), true, shape, kUnit);
    EXPECT_EQ(countBit(mask, 1), 36);
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 30, 5, 10), 2);
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 33, 7, 12), 2);
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 29, 5, 10), 0);
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 34, 5, 10), 0);

    // Copy back by -10.7 (truncated toward zero: -10) into VOI 1; y by 2.9 of 1.5-sized voxels.
    shape[12] = -10.7;
    shape[13] = 2.9;
    const VoxelSizes sizes{1.0, 1.5, 1.0};
    const VoxelOffset o = moveOffset(shape, sizes);
    EXPECT_EQ(o.dx, -10);
    EXPECT_EQ(o.dy, 1);
    shiftVoiByShape(mask, 2, nonOverlappingDraw(1), false, shape, sizes);
    EXPECT_EQ(countBit(mask, 1), 36);
    EXPECT_EQ(countBit(mask, 0), 36);
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 20, 6, 10), 1);

    Matrix16 huge = identityMatrix16();
    huge[12] = 1e300;
    huge[13] = std::nan("");
    EXPECT_EQ(moveOffset(huge, kUnit).dx, 1073741824);
    EXPECT_EQ(moveOffset(huge, kUnit).dy, 0);
}

TEST(ShapeFill, PreviewHasOneOutwardQuadPerBoundaryFace) {
    Volume3D mask = blank(8, 8, 8);
    Volume3DSetVoxel(mask, 3, 3, 3, 1);
    EXPECT_EQ(voiFacePreview(mask, 1, kUnit).size(), 6u);
    Volume3DSetVoxel(mask, 4, 3, 3, 1);
    Volume3DSetVoxel(mask, 7, 7, 7, 3);  // at the corner: faces to the outside count too
    const auto faces = voiFacePreview(mask, 1, VoxelSizes{2, 1, 1});
    EXPECT_EQ(faces.size(), 16u);
    for (const auto& f : faces) {
        const Point3 n = cross(sub(f.corners[1], f.corners[0]), sub(f.corners[2], f.corners[0]));
        EXPECT_GT(dot(n, f.normal), 0);
    }
    // voxel (3, 3, 3) with x size 2: x from 3 * 2 - 8 = -2 to 0
    bool found = false;
    for (const auto& f : faces)
        if (f.normal.x < 0 && f.corners[0].x == -2.0 && f.corners[0].y >= -1.0 &&
            f.corners[0].y <= 0.0)
            found = true;
    EXPECT_TRUE(found);
    EXPECT_TRUE(voiFacePreview(mask, 4, kUnit).empty());
}
