#include "volume/core/view/shape_geometry.h"

namespace {

void put(std::vector<double>& to, Point3 p) {
    to.push_back(p.x);
    to.push_back(p.y);
    to.push_back(p.z);
}

void triangle(ShapeGeometry& g, Point3 a, Point3 b, Point3 c, Point3 na, Point3 nb, Point3 nc) {
    put(g.triangles, a);
    put(g.triangles, b);
    put(g.triangles, c);
    put(g.normals, na);
    put(g.normals, nb);
    put(g.normals, nc);
}

}  // namespace

ShapeGeometry solidGeometry(ShapeKind kind, int32_t p) {
    ShapeGeometry g;
    const std::vector<ShapeTriangle> faces = solidFaces(kind, p);
    g.triangles.reserve(faces.size() * 9);
    g.normals.reserve(faces.size() * 9);
    for (const ShapeTriangle& f : faces) triangle(g, f.a, f.b, f.c, f.normal, f.normal, f.normal);
    return g;
}

ShapeGeometry meshSolidGeometry(const SurfaceMesh& mesh) {
    ShapeGeometry g;
    const auto triangles = surfaceMeshTriangles(mesh);
    const std::vector<Point3> normals = surfaceMeshNormals(mesh, triangles);
    g.triangles.reserve(triangles.size() * 9);
    g.normals.reserve(triangles.size() * 9);
    for (const auto& t : triangles) {
        const size_t a = static_cast<size_t>(t[0]), b = static_cast<size_t>(t[1]),
                     c = static_cast<size_t>(t[2]);
        triangle(g, mesh.position(a), mesh.position(b), mesh.position(c), normals[a], normals[b],
                 normals[c]);
    }
    return g;
}

ShapeGeometry meshWireGeometry(const SurfaceMesh& mesh) {
    ShapeGeometry g;
    const auto wires = surfaceMeshWires(mesh);
    g.lines.reserve(wires.size() * 6);
    for (const auto& [a, b] : wires) {
        put(g.lines, mesh.position(static_cast<size_t>(a)));
        put(g.lines, mesh.position(static_cast<size_t>(b)));
    }
    return g;
}

ShapeGeometry voxelFaceGeometry(const std::vector<VoxelFace>& faces) {
    ShapeGeometry g;
    g.triangles.reserve(faces.size() * 18);
    g.normals.reserve(faces.size() * 18);
    for (const VoxelFace& f : faces) {
        const auto& c = f.corners;
        triangle(g, c[0], c[1], c[2], f.normal, f.normal, f.normal);
        triangle(g, c[0], c[2], c[3], f.normal, f.normal, f.normal);
    }
    return g;
}
