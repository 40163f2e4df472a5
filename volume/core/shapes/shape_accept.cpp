#include "volume/core/shapes/shape_accept.h"

#include "volume/core/shapes/shape_fill.h"

bool acceptShape(Volume3D& mask, const AcceptedShape& accepted, const Matrix16& shape,
                 const VoxelSizes& sizes, DrawMode mode) {
    switch (accepted.kind) {
        case ShapeKind::Ellipsoid:
        case ShapeKind::ElasticSurface:
            if (!accepted.mesh) return false;
            SurfaceMeshRasterise(*accepted.mesh, mask, shape, sizes, mode);
            return true;
        case ShapeKind::Tube:
        case ShapeKind::TubeAlt:
        case ShapeKind::Cube:
        case ShapeKind::Tetrahedron:
            fillSolid(mask, accepted.kind, accepted.parameter, shape, sizes, mode);
            return true;
        case ShapeKind::MoveVoi:
        case ShapeKind::CopyVoi:
            shiftVoiByShape(mask, accepted.sourceBit, mode, accepted.kind == ShapeKind::MoveVoi,
                            shape, sizes);
            return true;
        case ShapeKind::None:
        case ShapeKind::FloodFill:
            break;
    }
    return false;
}
