#include "volume/core/shapes/surface_mesh.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <numbers>
#include <set>

namespace {

Volume3D blank(int32_t w, int32_t h, int32_t count) {
    Volume3D v(count);
    for (int32_t z = 0; z < count; ++z) Volume3DSetSlice(v, nullptr, w, h, z);
    return v;
}

// A ball of grey `inside` and radius r voxels centred in an n^3 volume of grey `outside`.
Volume3D ball(int32_t n, double r, uint16_t inside, uint16_t outside) {
    Volume3D v = blank(n, n, n);
    const double c = n / 2.0 - 0.5;
    for (int32_t z = 0; z < n; ++z)
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x) {
                const double dx = x - c, dy = y - c, dz = z - c;
                Volume3DSetVoxel(v, x, y, z,
                                 dx * dx + dy * dy + dz * dz < r * r ? inside : outside);
            }
    return v;
}

int64_t countBit(const Volume3D& v) {
    std::array<int64_t, kVoiCount> c{};
    Volume3DCountVoxels(v, c);
    return c[0];
}

Point3 sub(Point3 a, Point3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Point3 cross(Point3 a, Point3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(Point3 a, Point3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

}  // namespace

TEST(SurfaceMesh, CountsNeighboursAndWindingAtEveryDensity) {
    for (int32_t n : {0, 1, 6, 10, 12, 20, 36}) {
        SCOPED_TRACE(n);
        SurfaceMeshParameters p = ellipsoidParameters();
        p.subdivision = n;
        const SurfaceMesh mesh = makeSurfaceMesh(p);
        ASSERT_EQ(static_cast<int32_t>(mesh.nodes.size()), surfaceMeshNodeCount(n));
        // symmetric links, 5 for the icosahedron's corners, 6 for all others, no repeats
        for (size_t i = 0; i < mesh.nodes.size(); ++i) {
            const MeshNode& node = mesh.nodes[i];
            ASSERT_EQ(node.neighbourCount, i < 12 ? 5 : 6);
            std::set<int32_t> seen;
            for (int32_t k = 0; k < node.neighbourCount; ++k) {
                const int32_t u = node.neighbours[static_cast<size_t>(k)];
                ASSERT_GE(u, 0);
                ASSERT_NE(u, static_cast<int32_t>(i));
                seen.insert(u);
                const MeshNode& other = mesh.nodes[static_cast<size_t>(u)];
                bool back = false;
                for (int32_t j = 0; j < other.neighbourCount; ++j)
                    back |= other.neighbours[static_cast<size_t>(j)] == static_cast<int32_t>(i);
                ASSERT_TRUE(back);
            }
            ASSERT_EQ(static_cast<int32_t>(seen.size()), node.neighbourCount);
            if (i < 12) {
                EXPECT_EQ(node.neighbours[5], -1);
            }
            EXPECT_NEAR(dot(node.direction, node.direction), 1.0, 1e-12);
            EXPECT_NEAR(mesh.radius(i), 100.0, 1e-9);
        }
        // 20 (n + 1)^2 triangles, each outward-facing; every edge is used once
        // in each direction (closed surface, consistent winding).
        const auto triangles = surfaceMeshTriangles(mesh);
        ASSERT_EQ(static_cast<int32_t>(triangles.size()), 20 * (n + 1) * (n + 1));
        std::map<std::pair<int32_t, int32_t>, int> edges;
        for (const auto& t : triangles) {
            const Point3 a = mesh.position(static_cast<size_t>(t[0]));
            const Point3 nrm = cross(sub(mesh.position(static_cast<size_t>(t[1])), a),
                                     sub(mesh.position(static_cast<size_t>(t[2])), a));
            EXPECT_GT(dot(nrm, a), 0);
            for (size_t k = 0; k < 3; ++k) ++edges[{t[k], t[(k + 1) % 3]}];
        }
        for (const auto& [e, count] : edges) {
            EXPECT_EQ(count, 1);
            EXPECT_EQ(edges.count({e.second, e.first}), 1u);
        }
        EXPECT_EQ(surfaceMeshWires(mesh).size(), edges.size() / 2);
        const auto normals = surfaceMeshNormals(mesh, triangles);
        for (size_t i = 0; i < normals.size(); ++i)
            EXPECT_GT(dot(normals[i], mesh.nodes[i].direction), 0.99);
    }
    EXPECT_EQ(surfaceMeshNodeCount(10), 1212);
    EXPECT_EQ(surfaceMeshNodeCount(subdivisionForDensity(0)), 492);
    EXPECT_EQ(surfaceMeshNodeCount(subdivisionForDensity(1)), 1692);
    EXPECT_EQ(surfaceMeshNodeCount(subdivisionForDensity(2)), 4412);
    EXPECT_EQ(surfaceMeshNodeCount(subdivisionForDensity(3)), 13692);
    EXPECT_EQ(subdivisionForDensity(-1), 12);
    EXPECT_EQ(subdivisionForDensity(4), 12);
}

TEST(SurfaceMesh, EllipsoidRadiiFollowTheAxes) {
    SurfaceMeshParameters p = ellipsoidParameters();
    p.radiusX = 50;
    p.radiusY = 80;
    p.radiusZ = 120;
    const SurfaceMesh mesh = makeSurfaceMesh(p);
    for (size_t i = 0; i < mesh.nodes.size(); ++i) {
        const Point3 q = mesh.position(i);
        // on the ellipsoid (x/a)^2 + (y/b)^2 + (z/c)^2 = 1
        EXPECT_NEAR(q.x * q.x / 2500 + q.y * q.y / 6400 + q.z * q.z / 14400, 1.0, 1e-9);
        EXPECT_NEAR(mesh.radius(i), std::sqrt(dot(q, q)), 1e-9);
    }
}

TEST(SurfaceMesh, ZeroWeightsKeepTheRadiiAndAnyForceStaysClamped) {
    const Volume3D image = ball(96, 30, 3000, 100);
    ShapeSampler sampler;
    sampler.image = &image;
    sampler.shape = placementMatrix(40, 0, 0, 0);  // model radius 100 covers 40 voxels
    {
        SurfaceMesh mesh = makeSurfaceMesh(ellipsoidParameters(), &sampler);
        for (int i = 0; i < 100; ++i) SurfaceMeshStep(mesh, sampler);
        EXPECT_EQ(mesh.iteration, 100);
        for (size_t i = 0; i < mesh.nodes.size(); ++i) EXPECT_DOUBLE_EQ(mesh.radius(i), 100.0);
    }
    for (double gain : {1e6, -1e6}) {
        SurfaceMeshParameters p = elasticSurfaceParameters(0, false, false);
        p.imageGain = gain;
        p.cubicWeight = 10;
        SurfaceMesh mesh = makeSurfaceMesh(p, &sampler);
        for (int i = 0; i < 7; ++i) {
            SurfaceMeshStep(mesh, sampler);
            for (size_t k = 0; k < mesh.nodes.size(); ++k) {
                ASSERT_GE(mesh.radius(k), 10.0);
                ASSERT_LE(mesh.radius(k), 1000.0);
            }
        }
    }
}

TEST(SurfaceMesh, SamplingAndTheThresholdEstimate) {
    const Volume3D image = ball(96, 30, 3000, 100);
    ShapeSampler sampler;
    sampler.image = &image;
    sampler.low = 0;
    sampler.high = 4095;
    // The centre, and a point far outside read through the clamping read.
    EXPECT_EQ(SampleShapePoint(sampler, {0, 0, 0}), 3001);  // round(3000 * 4096 / 4095)
    EXPECT_EQ(SampleShapePoint(sampler, {1e6, -1e6, 0}), 100);
    sampler.low = sampler.high = 200;
    EXPECT_EQ(SampleShapePoint(sampler, {0, 0, 0}), 4095);
    EXPECT_EQ(SampleShapePoint(sampler, {1e6, 0, 0}), 0);
    EXPECT_EQ(SampleShapePoint(ShapeSampler{}, {0, 0, 0}), 0);

    sampler.low = 0;
    sampler.high = 4095;
    // A sphere of 30 voxels on the ball's surface: outside 100, inside 3000.
    sampler.shape = placementMatrix(30, 0, 0, 0);
    SurfaceMesh bright = makeSurfaceMesh(elasticSurfaceParameters(0, false, true), &sampler);
    EXPECT_NEAR(bright.parameters.threshold, (100 + 3001) / 2, 40);
    EXPECT_GT(bright.parameters.imageGain, 0);
    const Volume3D dark = ball(96, 30, 100, 3000);
    sampler.image = &dark;
    SurfaceMesh inverted = makeSurfaceMesh(elasticSurfaceParameters(0, false, true), &sampler);
    EXPECT_LT(inverted.parameters.imageGain, 0);
    EXPECT_EQ(
        makeSurfaceMesh(elasticSurfaceParameters(0, false, false), &sampler).parameters.threshold,
        512);
}

TEST(SurfaceMesh, TheElasticSurfaceSettlesOnABrightBall) {
    const Volume3D image = ball(128, 40, 3000, 0);
    ShapeSampler sampler;
    sampler.image = &image;
    sampler.low = 0;
    sampler.high = 4095;
    sampler.shape = placementMatrix(50, 0, 0, 0);  // model 100 = 50 voxels: starts outside the ball
    const SurfaceMesh mesh =
        fitElasticSurface(elasticSurfaceParameters(0, false, false), sampler);  // threshold 512
    double mean = 0;
    for (size_t i = 0; i < mesh.nodes.size(); ++i) mean += mesh.radius(i);
    mean /= static_cast<double>(mesh.nodes.size());
    EXPECT_NEAR(mean, 80.0, 5.0);  // settled on the ball: 40 voxels = 80 model units
}

TEST(SurfaceMesh, RasterisedEllipsoidsMatchTheirVolumes) {
    const int32_t n = 224;
    {
        Volume3D mask = blank(n, n, n);
        SurfaceMeshRasterise(makeSurfaceMesh(ellipsoidParameters()), mask, identityMatrix16(),
                             VoxelSizes{}, overlappingDraw(1));
        EXPECT_NEAR(countBit(mask) / (4.0 / 3.0 * std::numbers::pi * 1e6), 1.0, 0.01);
    }
    {
        // Stretched by the shape matrix, with voxels twice as deep as wide.
        Volume3D mask = blank(n, n, n / 2);
        Matrix16 m = identityMatrix16();
        m[0] = 0.9;
        m[5] = 0.6;
        m[10] = 1.05;
        SurfaceMeshRasterise(makeSurfaceMesh(ellipsoidParameters()), mask, m, VoxelSizes{1, 1, 2},
                             overlappingDraw(1));
        const double expected = 4.0 / 3.0 * std::numbers::pi * 90 * 60 * 105 / 2;
        EXPECT_NEAR(countBit(mask) / expected, 1.0, 0.01);
    }
}
