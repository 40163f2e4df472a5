#include "volume/core/shapes/shape_accept.h"

#include <gtest/gtest.h>

#include "volume/core/shapes/shape_fill.h"

namespace {

Volume3D blank(int32_t w, int32_t h, int32_t count) {
    Volume3D v(count);
    for (int32_t z = 0; z < count; ++z) Volume3DSetSlice(v, nullptr, w, h, z);
    return v;
}

bool same(const Volume3D& a, const Volume3D& b) {
    for (size_t z = 0; z < a.slices.size(); ++z)
        if (a.slices[z].samples != b.slices[z].samples) return false;
    return true;
}

}  // namespace

TEST(ShapeAccept, EachKindFillsItsOwnWay) {
    const Matrix16 small = placementMatrix(20, 3, -2, 1);
    const VoxelSizes unit{};
    const DrawMode draw = overlappingDraw(voiBit(2));
    const SurfaceMesh mesh = makeSurfaceMesh(ellipsoidParameters());
    for (ShapeKind kind : {ShapeKind::Ellipsoid, ShapeKind::ElasticSurface, ShapeKind::Tube,
                           ShapeKind::TubeAlt, ShapeKind::Cube, ShapeKind::Tetrahedron}) {
        SCOPED_TRACE(static_cast<int>(kind));
        Volume3D viaAccept = blank(64, 64, 64);
        Volume3D direct = blank(64, 64, 64);
        ASSERT_TRUE(acceptShape(viaAccept, {kind, 10, &mesh, 0}, small, unit, draw));
        if (kind == ShapeKind::Ellipsoid || kind == ShapeKind::ElasticSurface)
            SurfaceMeshRasterise(mesh, direct, small, unit, draw);
        else
            fillSolid(direct, kind, 10, small, unit, draw);
        EXPECT_TRUE(same(viaAccept, direct));
        EXPECT_EQ(Volume3DGetVoxelChecked(viaAccept, 35, 30, 33), 2);  // the shape's centre
    }
    // Flood fill, no shape, or a surface without its mesh: nothing changes.
    Volume3D mask = blank(16, 16, 16);
    const Volume3D before = mask;
    EXPECT_FALSE(acceptShape(mask, {ShapeKind::FloodFill, 0, nullptr, 0}, small, unit, draw));
    EXPECT_FALSE(acceptShape(mask, {ShapeKind::None, 0, nullptr, 0}, small, unit, draw));
    EXPECT_FALSE(acceptShape(mask, {ShapeKind::Ellipsoid, 0, nullptr, 0}, small, unit, draw));
    EXPECT_TRUE(same(mask, before));
}

TEST(ShapeAccept, MoveAndCopyShiftTheSourceVoi) {
    Volume3D mask = blank(40, 20, 10);
    Volume3DSetVoxel(mask, 5, 5, 5, 1);
    Matrix16 shift = identityMatrix16();  // move and copy start from the identity
    shift[12] = 10.7;
    shift[14] = -2.2;
    ASSERT_TRUE(acceptShape(mask, {ShapeKind::CopyVoi, 0, nullptr, 1}, shift, VoxelSizes{},
                            overlappingDraw(2)));
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 5, 5, 5), 1);
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 15, 5, 3), 2);
    ASSERT_TRUE(acceptShape(mask, {ShapeKind::MoveVoi, 0, nullptr, 1}, shift, VoxelSizes{},
                            overlappingDraw(1)));
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 5, 5, 5), 0);
    EXPECT_EQ(Volume3DGetVoxelChecked(mask, 15, 5, 3), 3);
}
