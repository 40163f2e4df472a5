// The ellipsoid and the elastic surface: star-shaped closed surfaces around
// the model origin, one radius per node of an icosahedrally subdivided
// sphere. Each node moves only along its own direction. The elastic surface
// is fitted to the image by iterating a balance of image force, smoothing and
// inflation.
#pragma once

#include <array>
#include <cstdint>
#include <limits>
#include <utility>
#include <vector>

#include "volume/core/shapes/shape_matrix.h"
#include "volume/core/volume/draw_mode.h"
#include "volume/core/volume/volume3d.h"

// One node: two alternating position/radius sets (the iteration's parity
// picks the current one), its neighbours in counter-clockwise order seen
// from outside (-1 past the count: the 12 icosahedron corners have 5), and
// its fixed unit direction.
struct MeshNode {
    std::array<double, 2> x{}, y{}, z{}, r{};
    std::array<int32_t, 6> neighbours{-1, -1, -1, -1, -1, -1};
    int32_t neighbourCount = 0;
    Point3 direction;
};

struct SurfaceMeshParameters {
    int32_t subdivision = 10;  // nodes placed along each icosahedron edge
    double radiusX = 100, radiusY = 100, radiusZ = 100;
    double smoothingWeight = 0;  // of the neighbour-mean difference f
    double cubicWeight = 0;      // of f^3
    double imageGain = 0;        // signed
    // Grey level (0..4095) where the image force is zero; +infinity: estimate it.
    double threshold = 127;
    double nominalRadius = 50;  // R of the inflation term and of the clamp
    double inflationWeight = 0;
};

struct SurfaceMesh {
    int32_t iteration = 0;
    std::vector<MeshNode> nodes;
    SurfaceMeshParameters parameters;
    int32_t neighbourLimit = 6;

    size_t current() const { return static_cast<size_t>(iteration & 1); }
    Point3 position(size_t i) const {
        const MeshNode& n = nodes[i];
        return {n.x[current()], n.y[current()], n.z[current()]};
    }
    double radius(size_t i) const { return nodes[i].r[current()]; }
};

// What SampleShapePoint reads: the image, where the shape sits, and the
// display window.
struct ShapeSampler {
    const Volume3D* image = nullptr;
    Matrix16 shape = identityMatrix16();
    VoxelSizes sizes;
    int32_t low = 0;
    int32_t high = 4095;
};

// The grey value under a model point, 0..4095: the point through the shape
// matrix into the scene, voxel = scene / s + extent / 2 - 0.5 truncated, the
// clamping read, then clamp(mulDiv(v - low, 4096, high - low), 0, 4095);
// with high = low: 0 below the limit, 4095 from it on. No image: 0.
int32_t SampleShapePoint(const ShapeSampler& sampler, Point3 model);

// Nodes for subdivision n: 10 (n + 1)^2 + 2.
inline constexpr int32_t surfaceMeshNodeCount(int32_t n) {
    return 10 * (n + 1) * (n + 1) + 2;
}

// The mesh: 12 icosahedron corners, n nodes along each of the 30 edges and
// n(n - 1)/2 inside each of the 20 faces; positions on the ellipsoid of the
// parameters' radii. A threshold of +infinity is estimated through `sampler`:
// the means of the samples at 1.05 and 0.95 times every node position,
// threshold = trunc((outside + inside) / 2), and the image gain changes sign
// when the inside is darker. n is clamped to 0..100.
SurfaceMesh makeSurfaceMesh(const SurfaceMeshParameters& parameters,
                            const ShapeSampler* sampler = nullptr);

// One fitting iteration; for node i with radius r and direction u:
//   f = mean(neighbour radii) - r
//   F = (SampleShapePoint(position) - threshold) gain
//   l = F + r + w_s f + w_c f^3 + w_i (R^2 / max(r, 0.2) - r^2 / R)
//   r' = clamp(l, 0.1 R, 10 R),  position' = u r'
void SurfaceMeshStep(SurfaceMesh& mesh, const ShapeSampler& sampler);

// Every mesh triangle once, counter-clockwise seen from outside: nodes from
// the last to the first form triangles with each two cyclically consecutive
// neighbours (the pairing wraps at the node's own count), skipping those
// with a corner already done. 20 (n + 1)^2 triangles.
std::vector<std::array<int32_t, 3>> surfaceMeshTriangles(const SurfaceMesh& mesh);

// Lines between neighbouring nodes, each once (wire drawing).
std::vector<std::pair<int32_t, int32_t>> surfaceMeshWires(const SurfaceMesh& mesh);

// Per-node unit normals: the mean of the unit normals of the node's triangles.
std::vector<Point3> surfaceMeshNormals(const SurfaceMesh& mesh,
                                       const std::vector<std::array<int32_t, 3>>& triangles);

// Fills the solid into the mask: each triangle with the origin makes a
// tetrahedron, placed by `shape` and filled with `mode`.
void SurfaceMeshRasterise(const SurfaceMesh& mesh, Volume3D& mask, const Matrix16& shape,
                          const VoxelSizes& sizes, DrawMode mode);

// The editor's two uses.
SurfaceMeshParameters ellipsoidParameters();
// Density item 0..3 ("Sparse", "Default", "Dense", "XDense") gives
// subdivision 6, 12, 20, 36; any other item 12.
int32_t subdivisionForDensity(int32_t item);
SurfaceMeshParameters elasticSurfaceParameters(int32_t densityItem, bool darkObject,
                                               bool autoThreshold);
inline constexpr int32_t kElasticIterations = 100;

// The elastic surface: built, then fitted by 100 steps.
SurfaceMesh fitElasticSurface(const SurfaceMeshParameters& parameters, const ShapeSampler& sampler);
