#include "volume/core/shapes/shape_fill.h"

#include "volume/core/volume/voi_shift.h"

VolumeFrame volumeFrameOf(const Volume3D& mask, const VoxelSizes& sizes) {
    return {mask.maxWidth, mask.maxHeight, mask.sliceCount, sizes.sanitized()};
}

void fillTetrahedra(Volume3D& mask, const std::vector<Tetrahedron>& tetrahedra,
                    const Matrix16& shape, const VoxelSizes& sizes, DrawMode mode) {
    const VolumeFrame frame = volumeFrameOf(mask, sizes);
    for (const Tetrahedron& t : tetrahedra) {
        std::array<Point3, 4> v{};
        for (size_t k = 0; k < 4; ++k) v[k] = sceneToVoxel(frame, modelToScene(shape, t[k]));
        VoxeliseTetrahedron(mask, mode, v[0], v[1], v[2], v[3]);
    }
}

void fillSolid(Volume3D& mask, ShapeKind kind, int32_t p, const Matrix16& shape,
               const VoxelSizes& sizes, DrawMode mode) {
    fillTetrahedra(mask, solidTetrahedra(kind, p), shape, sizes, mode);
}

void shiftVoiByShape(Volume3D& mask, uint16_t sourceBit, DrawMode mode, bool move,
                     const Matrix16& shape, const VoxelSizes& sizes) {
    const VoxelOffset o = moveOffset(shape, sizes);
    ShiftVoiBit(mask, sourceBit, mode, move, o.dx, o.dy, o.dz);
}

std::vector<VoxelFace> voiFacePreview(const Volume3D& mask, uint16_t bit, const VoxelSizes& sizes) {
    std::vector<VoxelFace> faces;
    if (bit == 0) return faces;
    const VoxelSizes s = sizes.sanitized();
    const double sx = s.VoxelXSize, sy = s.VoxelYSize, sz = s.VoxelZSize;
    const double ox = mask.maxWidth * sx / 2, oy = mask.maxHeight * sy / 2,
                 oz = mask.sliceCount * sz / 2;
    const auto inside = [&](int32_t x, int32_t y, int32_t z) {
        return (Volume3DGetVoxelChecked(mask, x, y, z) & bit) != 0;
    };
    for (int32_t z = 0; z < mask.sliceCount; ++z) {
        const VolumeSlice& slice = mask.slices[static_cast<size_t>(z)];
        if (!slice.present()) continue;
        for (int32_t y = 0; y < slice.height; ++y)
            for (int32_t x = 0; x < slice.width; ++x) {
                if (!inside(x, y, z)) continue;
                // The voxel's box [x0, x1] x [y0, y1] x [z0, z1] in the scene.
                const double x0 = x * sx - ox, x1 = x0 + sx;
                const double y0 = y * sy - oy, y1 = y0 + sy;
                const double z0 = z * sz - oz, z1 = z0 + sz;
                if (!inside(x + 1, y, z))
                    faces.push_back(
                        {{{{x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}}}, {1, 0, 0}});
                if (!inside(x - 1, y, z))
                    faces.push_back(
                        {{{{x0, y0, z0}, {x0, y0, z1}, {x0, y1, z1}, {x0, y1, z0}}}, {-1, 0, 0}});
                if (!inside(x, y + 1, z))
                    faces.push_back(
                        {{{{x0, y1, z0}, {x0, y1, z1}, {x1, y1, z1}, {x1, y1, z0}}}, {0, 1, 0}});
                if (!inside(x, y - 1, z))
                    faces.push_back(
                        {{{{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}}}, {0, -1, 0}});
                if (!inside(x, y, z + 1))
                    faces.push_back(
                        {{{{x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}}}, {0, 0, 1}});
                if (!inside(x, y, z - 1))
                    faces.push_back(
                        {{{{x0, y0, z0}, {x0, y1, z0}, {x1, y1, z0}, {x1, y0, z0}}}, {0, 0, -1}});
            }
    }
    return faces;
}
