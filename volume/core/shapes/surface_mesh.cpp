#include "volume/core/shapes/surface_mesh.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "analysis/core/texture/normalisation.h"
#include "platform/parallel.h"
#include "volume/core/shapes/shape_fill.h"
#include "volume/core/shapes/vector_maths.h"

namespace {

// The regular icosahedron: corners (0, +-1, +-phi) and their cyclic
// permutations; faces are the triples of corners at mutual distance 2,
// turned counter-clockwise seen from outside.
void icosahedron(std::array<Point3, 12>& corners, std::vector<std::array<int32_t, 3>>& faces) {
    const double phi = (1.0 + std::sqrt(5.0)) / 2.0;
    int k = 0;
    for (int s1 = -1; s1 <= 1; s1 += 2)
        for (int s2 = -1; s2 <= 1; s2 += 2) {
            corners[static_cast<size_t>(k++)] = {0, s1 * 1.0, s2 * phi};
            corners[static_cast<size_t>(k++)] = {s1 * 1.0, s2 * phi, 0};
            corners[static_cast<size_t>(k++)] = {s2 * phi, 0, s1 * 1.0};
        }
    const auto adjacent = [&](int a, int b) {
        const Point3 d = sub(corners[static_cast<size_t>(a)], corners[static_cast<size_t>(b)]);
        return std::abs(dot(d, d) - 4.0) < 1e-9;
    };
    faces.clear();
    for (int a = 0; a < 12; ++a)
        for (int b = a + 1; b < 12; ++b)
            for (int c = b + 1; c < 12; ++c)
                if (adjacent(a, b) && adjacent(b, c) && adjacent(a, c)) {
                    const Point3 pa = corners[static_cast<size_t>(a)];
                    const Point3 n = cross(sub(corners[static_cast<size_t>(b)], pa),
                                           sub(corners[static_cast<size_t>(c)], pa));
                    if (dot(n, pa) > 0)
                        faces.push_back({a, b, c});
                    else
                        faces.push_back({a, c, b});
                }
}

}  // namespace

namespace {

// The sampler with the model -> voxel mapping folded into one affine map
// (voxel = model M / s + extent / 2 - 0.5), set up once per step.
struct PreparedSampler {
    const Volume3D* image = nullptr;
    std::array<double, 12> map{};  // voxel x = p.x map0 + p.y map1 + p.z map2 + map3, ...
    int32_t low = 0;
    int32_t high = 0;

    explicit PreparedSampler(const ShapeSampler& s) : image(s.image), low(s.low), high(s.high) {
        if (!image) return;
        const VoxelSizes z = s.sizes.sanitized();
        const std::array<double, 3> size{z.VoxelXSize, z.VoxelYSize, z.VoxelZSize};
        const std::array<double, 3> half{image->maxWidth / 2.0, image->maxHeight / 2.0,
                                         image->sliceCount / 2.0};
        for (size_t a = 0; a < 3; ++a) {
            map[4 * a + 0] = s.shape[a] / size[a];
            map[4 * a + 1] = s.shape[4 + a] / size[a];
            map[4 * a + 2] = s.shape[8 + a] / size[a];
            map[4 * a + 3] = s.shape[12 + a] / size[a] + half[a] - 0.5;
        }
    }

    int32_t operator()(Point3 p) const {
        if (!image) return 0;
        // truncated toward zero; clamped as doubles first (the read clamps anyway)
        const auto index = [&](size_t a) {
            const double c =
                p.x * map[4 * a] + p.y * map[4 * a + 1] + p.z * map[4 * a + 2] + map[4 * a + 3];
            if (!(c == c)) return int32_t{0};
            return static_cast<int32_t>(std::trunc(std::clamp(c, -1e9, 1e9)));
        };
        const int32_t g = Volume3DGetVoxel(*image, index(0), index(1), index(2));
        if (high == low) return g < low ? 0 : 4095;
        // clamp(mulDiv(v - low, 4096, high - low), 0, 4095)
        return std::clamp(mulDiv(g - low, 4096, high - low), 0, 4095);
    }
};

}  // namespace

int32_t SampleShapePoint(const ShapeSampler& sampler, Point3 model) {
    return PreparedSampler(sampler)(model);
}

SurfaceMesh makeSurfaceMesh(const SurfaceMeshParameters& parameters, const ShapeSampler* sampler) {
    SurfaceMesh mesh;
    mesh.parameters = parameters;
    const int32_t n = std::clamp(parameters.subdivision, 0, 100);
    mesh.parameters.subdivision = n;
    const int32_t segments = n + 1;

    std::array<Point3, 12> corners{};
    std::vector<std::array<int32_t, 3>> faces;
    icosahedron(corners, faces);

    // Node numbering: corners 0..11, then n per edge (from the lower corner
    // to the higher), then the inner nodes face by face.
    std::vector<Point3> points(corners.begin(), corners.end());
    std::map<std::pair<int32_t, int32_t>, int32_t> edgeStart;
    for (const auto& f : faces)
        for (int e = 0; e < 3; ++e) {
            const int32_t a =
                std::min(f[static_cast<size_t>(e)], f[static_cast<size_t>((e + 1) % 3)]);
            const int32_t b =
                std::max(f[static_cast<size_t>(e)], f[static_cast<size_t>((e + 1) % 3)]);
            if (edgeStart.count({a, b})) continue;
            edgeStart[{a, b}] = static_cast<int32_t>(points.size());
            const Point3 pa = corners[static_cast<size_t>(a)];
            const Point3 pb = corners[static_cast<size_t>(b)];
            for (int32_t k = 1; k <= n; ++k) {
                const double t = static_cast<double>(k) / segments;
                points.push_back(
                    {pa.x + t * (pb.x - pa.x), pa.y + t * (pb.y - pa.y), pa.z + t * (pb.z - pa.z)});
            }
        }
    // Node k steps from u along edge u-v (0 < k < segments).
    const auto edgeNode = [&](int32_t u, int32_t v, int32_t k) {
        if (u < v) return edgeStart[{u, v}] + k - 1;
        return edgeStart[{v, u}] + (segments - k) - 1;
    };

    std::vector<std::array<int32_t, 3>> triangles;
    triangles.reserve(static_cast<size_t>(20 * segments * segments));
    std::vector<int32_t> grid(static_cast<size_t>((segments + 1) * (segments + 1)), -1);
    for (const auto& f : faces) {
        const Point3 A = corners[static_cast<size_t>(f[0])];
        const Point3 B = corners[static_cast<size_t>(f[1])];
        const Point3 C = corners[static_cast<size_t>(f[2])];
        // Grid point (a, b) = A + a/N (B - A) + b/N (C - A), a + b <= N.
        const auto at = [&](int32_t a, int32_t b) -> int32_t& {
            return grid[static_cast<size_t>(a * (segments + 1) + b)];
        };
        for (int32_t a = 0; a <= segments; ++a)
            for (int32_t b = 0; a + b <= segments; ++b) {
                const int32_t c = segments - a - b;
                int32_t node = -1;
                if (a == 0 && b == 0)
                    node = f[0];
                else if (a == segments)
                    node = f[1];
                else if (b == segments)
                    node = f[2];
                else if (b == 0)
                    node = edgeNode(f[0], f[1], a);
                else if (a == 0)
                    node = edgeNode(f[0], f[2], b);
                else if (c == 0)
                    node = edgeNode(f[1], f[2], b);
                else {
                    node = static_cast<int32_t>(points.size());
                    const double s = static_cast<double>(a) / segments;
                    const double t = static_cast<double>(b) / segments;
                    points.push_back({A.x + s * (B.x - A.x) + t * (C.x - A.x),
                                      A.y + s * (B.y - A.y) + t * (C.y - A.y),
                                      A.z + s * (B.z - A.z) + t * (C.z - A.z)});
                }
                at(a, b) = node;
            }
        for (int32_t a = 0; a < segments; ++a)
            for (int32_t b = 0; a + b < segments; ++b) {
                triangles.push_back({at(a, b), at(a + 1, b), at(a, b + 1)});
                if (a + b + 2 <= segments)
                    triangles.push_back({at(a + 1, b), at(a + 1, b + 1), at(a, b + 1)});
            }
    }

    // Neighbours in cyclic order: triangle (a, b, c) turns b to c around a.
    const size_t count = points.size();
    std::vector<std::vector<std::pair<int32_t, int32_t>>> turns(count);
    for (const auto& t : triangles)
        for (size_t k = 0; k < 3; ++k)
            turns[static_cast<size_t>(t[k])].push_back({t[(k + 1) % 3], t[(k + 2) % 3]});

    mesh.nodes.resize(count);
    for (size_t i = 0; i < count; ++i) {
        MeshNode& node = mesh.nodes[i];
        node.direction = normalised(points[i]);
        const auto& ring = turns[i];
        const int32_t degree = static_cast<int32_t>(std::min<size_t>(ring.size(), 6));
        int32_t next = ring.empty() ? -1 : ring[0].first;
        for (int32_t k = 0; k < degree; ++k) {
            node.neighbours[static_cast<size_t>(k)] = next;
            for (const auto& turn : ring)
                if (turn.first == next) {
                    next = turn.second;
                    break;
                }
        }
        node.neighbourCount = degree;
        const Point3 u = node.direction;
        const Point3 p{u.x * parameters.radiusX, u.y * parameters.radiusY,
                       u.z * parameters.radiusZ};
        node.x = {p.x, p.x};
        node.y = {p.y, p.y};
        node.z = {p.z, p.z};
        const double r = std::sqrt(dot(p, p));
        node.r = {r, r};
    }

    if (std::isinf(parameters.threshold) && parameters.threshold > 0) {
        double outside = 0;
        double inside = 0;
        const PreparedSampler s(sampler ? *sampler : ShapeSampler{});
        for (size_t i = 0; i < count; ++i) {
            const Point3 p = mesh.position(i);
            outside += s({1.05 * p.x, 1.05 * p.y, 1.05 * p.z});
            inside += s({0.95 * p.x, 0.95 * p.y, 0.95 * p.z});
        }
        outside /= static_cast<double>(count);
        inside /= static_cast<double>(count);
        mesh.parameters.threshold = std::trunc((outside + inside) / 2);
        if (inside < outside) mesh.parameters.imageGain = -mesh.parameters.imageGain;
    }
    return mesh;
}

// Nodes per chunk of a step. A step of the default density takes about a
// tenth of a millisecond, less than handing it to the pool costs, so meshes up
// to this size run on the calling thread; the dense ones are shared.
constexpr size_t kStepGrain = 4096;

void SurfaceMeshStep(SurfaceMesh& mesh, const ShapeSampler& sampler) {
    const size_t c = mesh.current();
    const size_t next = 1 - c;
    const SurfaceMeshParameters& q = mesh.parameters;
    const double R = q.nominalRadius;
    const double lowest = 0.1 * R;
    const double highest = 10 * R;
    const PreparedSampler sample(sampler);
    // Each node writes only its own next set, so chunks are independent.
    parallelFor(mesh.nodes.size(), kStepGrain, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i) {
            MeshNode& node = mesh.nodes[i];
            const double r = node.r[c];
            double sum = 0;
            for (int32_t k = 0; k < node.neighbourCount; ++k)
                sum +=
                    mesh.nodes[static_cast<size_t>(node.neighbours[static_cast<size_t>(k)])].r[c];
            const double f = node.neighbourCount > 0 ? sum / node.neighbourCount - r : 0.0;
            double force = 0;
            if (q.imageGain != 0)
                force = (sample({node.x[c], node.y[c], node.z[c]}) - q.threshold) * q.imageGain;
            double l = force + r + q.smoothingWeight * f + q.cubicWeight * f * f * f +
                       q.inflationWeight * (R * R / std::max(r, 0.2) - r * r / R);
            if (!(l == l)) l = r;
            l = std::clamp(l, lowest, highest);
            node.r[next] = l;
            node.x[next] = node.direction.x * l;
            node.y[next] = node.direction.y * l;
            node.z[next] = node.direction.z * l;
        }
    });
    ++mesh.iteration;
}

std::vector<std::array<int32_t, 3>> surfaceMeshTriangles(const SurfaceMesh& mesh) {
    std::vector<std::array<int32_t, 3>> triangles;
    std::vector<char> done(mesh.nodes.size(), 0);
    for (size_t j = mesh.nodes.size(); j-- > 0;) {
        const MeshNode& node = mesh.nodes[j];
        const int32_t degree = node.neighbourCount;
        for (int32_t k = 0; k < degree; ++k) {
            // wraps at the node's own count: the 5-neighbour corners pair 4 with 0
            const int32_t u = node.neighbours[static_cast<size_t>(k)];
            const int32_t v = node.neighbours[static_cast<size_t>((k + 1) % degree)];
            if (u < 0 || v < 0 || done[static_cast<size_t>(u)] || done[static_cast<size_t>(v)])
                continue;
            triangles.push_back({static_cast<int32_t>(j), u, v});
        }
        done[j] = 1;
    }
    return triangles;
}

std::vector<std::pair<int32_t, int32_t>> surfaceMeshWires(const SurfaceMesh& mesh) {
    std::vector<std::pair<int32_t, int32_t>> lines;
    for (size_t i = 0; i < mesh.nodes.size(); ++i) {
        const MeshNode& node = mesh.nodes[i];
        for (int32_t k = 0; k < node.neighbourCount; ++k) {
            const int32_t u = node.neighbours[static_cast<size_t>(k)];
            if (u > static_cast<int32_t>(i)) lines.push_back({static_cast<int32_t>(i), u});
        }
    }
    return lines;
}

std::vector<Point3> surfaceMeshNormals(const SurfaceMesh& mesh,
                                       const std::vector<std::array<int32_t, 3>>& triangles) {
    std::vector<Point3> normals(mesh.nodes.size(), Point3{0, 0, 0});
    for (const auto& t : triangles) {
        const Point3 a = mesh.position(static_cast<size_t>(t[0]));
        const Point3 n = normalised(cross(sub(mesh.position(static_cast<size_t>(t[1])), a),
                                          sub(mesh.position(static_cast<size_t>(t[2])), a)));
        for (int32_t k : t) {
            Point3& s = normals[static_cast<size_t>(k)];
            s = {s.x + n.x, s.y + n.y, s.z + n.z};
        }
    }
    for (Point3& n : normals) n = normalised(n);
    return normals;
}

void SurfaceMeshRasterise(const SurfaceMesh& mesh, Volume3D& mask, const Matrix16& shape,
                          const VoxelSizes& sizes, DrawMode mode) {
    const auto triangles = surfaceMeshTriangles(mesh);
    std::vector<Tetrahedron> fan;
    fan.reserve(triangles.size());
    for (const auto& t : triangles)
        fan.push_back({Point3{0, 0, 0}, mesh.position(static_cast<size_t>(t[0])),
                       mesh.position(static_cast<size_t>(t[1])),
                       mesh.position(static_cast<size_t>(t[2]))});
    fillTetrahedra(mask, fan, shape, sizes, mode);
}

SurfaceMeshParameters ellipsoidParameters() {
    SurfaceMeshParameters p;
    p.subdivision = 10;
    p.radiusX = p.radiusY = p.radiusZ = 100;
    p.smoothingWeight = p.cubicWeight = p.imageGain = p.inflationWeight = 0;
    p.threshold = 127;
    p.nominalRadius = 50;
    return p;
}

int32_t subdivisionForDensity(int32_t item) {
    switch (item) {
        case 0:
            return 6;
        case 1:
            return 12;
        case 2:
            return 20;
        case 3:
            return 36;
        default:
            return 12;
    }
}

SurfaceMeshParameters elasticSurfaceParameters(int32_t densityItem, bool darkObject,
                                               bool autoThreshold) {
    SurfaceMeshParameters p;
    p.subdivision = subdivisionForDensity(densityItem);
    p.radiusX = p.radiusY = p.radiusZ = 100;
    p.smoothingWeight = 0.1;
    p.cubicWeight = 0.001;
    p.imageGain = darkObject ? -0.001 : 0.001;
    p.threshold = autoThreshold ? std::numeric_limits<double>::infinity() : 512;
    p.nominalRadius = 100;
    p.inflationWeight = 0.005;
    return p;
}

SurfaceMesh fitElasticSurface(const SurfaceMeshParameters& parameters,
                              const ShapeSampler& sampler) {
    SurfaceMesh mesh = makeSurfaceMesh(parameters, &sampler);
    for (int32_t i = 0; i < kElasticIterations; ++i) SurfaceMeshStep(mesh, sampler);
    return mesh;
}
