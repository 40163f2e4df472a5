#include "volume/core/view/cross_section.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "workspace/core/formats/image_load.h"

int VoiDominantAxis(const Matrix4& view, double voxelX, double voxelY, double voxelZ) {
    const double e = std::fabs(view[2] * voxelX);
    const double g = std::fabs(view[6] * voxelY);
    const double l = std::fabs(view[10] * voxelZ);
    if (l > e && l > g) return kCrossSectionPlaneZ;
    // g = l > e: both the Z and the Y slice face the viewer alike and the X
    // slice is seen edge-on, so the tie goes to the later of the two, Y.
    if (g > e && g >= l) return kCrossSectionPlaneY;
    return kCrossSectionPlaneX;
}

CrossSectionSize crossSectionSize(const Volume3D& volume, int plane) {
    switch (plane) {
        case kCrossSectionPlaneZ:
            return {volume.maxWidth, volume.maxHeight};
        case kCrossSectionPlaneY:
            return {volume.maxWidth, volume.sliceCount};
        default:
            return {volume.maxHeight, volume.sliceCount};
    }
}

namespace {

// Voxel of pixel (i, j) of the plane at `position`.
struct VoxelAt {
    int plane;
    int32_t position;
    void operator()(int32_t i, int32_t j, int32_t& x, int32_t& y, int32_t& z) const {
        switch (plane) {
            case kCrossSectionPlaneZ:
                x = i, y = j, z = position;
                break;
            case kCrossSectionPlaneY:
                x = i, y = position, z = j;
                break;
            default:
                x = position, y = i, z = j;
                break;
        }
    }
};

template <typename Read>
void extract(const Volume3D& volume, int plane, int position, uint16_t* out, Read read) {
    const CrossSectionSize size = crossSectionSize(volume, plane);
    const VoxelAt at{plane, position};
    for (int32_t j = 0; j < size.height; ++j)
        for (int32_t i = 0; i < size.width; ++i) {
            int32_t x = 0, y = 0, z = 0;
            at(i, j, x, y, z);
            out[static_cast<size_t>(j) * static_cast<size_t>(size.width) + static_cast<size_t>(i)] =
                read(volume, x, y, z);
        }
}

int extentOf(const Volume3D& volume, int plane) {
    switch (plane) {
        case kCrossSectionPlaneZ:
            return volume.sliceCount;
        case kCrossSectionPlaneY:
            return volume.maxHeight;
        default:
            return volume.maxWidth;
    }
}

}  // namespace

void extractCrossSection(const Volume3D& image, int plane, int position, uint16_t* out) {
    extract(image, plane, position, out, Volume3DGetVoxel);
}

void extractCrossSectionMask(const Volume3D& mask, int plane, int position, uint16_t* out) {
    extract(mask, plane, position, out, Volume3DGetVoxelChecked);
}

int64_t writeCrossSectionMask(Volume3D& mask, int plane, int position, const uint16_t* map,
                              int32_t width, int32_t height) {
    const VoxelAt at{plane, position};
    int64_t changed = 0;
    for (int32_t j = 0; j < height; ++j)
        for (int32_t i = 0; i < width; ++i) {
            int32_t x = 0, y = 0, z = 0;
            at(i, j, x, y, z);
            VolumeSlice* slice = mask.slice(z);
            if (!slice || !slice->present() || x < 0 || y < 0 || x >= slice->width ||
                y >= slice->height)
                continue;
            uint16_t& voxel = slice->samples[static_cast<size_t>(y) * slice->width + x];
            const uint16_t value =
                map[static_cast<size_t>(j) * static_cast<size_t>(width) + static_cast<size_t>(i)];
            if (voxel != value) ++changed;
            voxel = value;
        }
    return changed;
}

std::optional<CrossSection> handOverCrossSection(const Volume3D& image, const Volume3D& mask,
                                                 int plane, int position, WorkspaceState& state,
                                                 int trMinPosition, int trMaxPosition) {
    const CrossSectionSize size = crossSectionSize(image, plane);
    if (size.width < 1 || size.height < 1) return std::nullopt;
    // Both planes are laid out by the grey volume's extents: a mask of other
    // extents would be read past the ROI plane (and written back elsewhere).
    if (mask.maxWidth != image.maxWidth || mask.maxHeight != image.maxHeight ||
        mask.sliceCount != image.sliceCount)
        return std::nullopt;
    if (static_cast<size_t>(size.width) * static_cast<size_t>(size.height) > kMaxPlaneWords)
        return std::nullopt;
    position = std::clamp(position, 0, std::max(extentOf(image, plane) - 1, 0));
    PlanePtr grey, roi;
    try {
        grey = newPlane(size.width, size.height);
        roi = newPlane(size.width, size.height);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (!grey || !roi) return std::nullopt;
    extractCrossSection(image, plane, position, grey->current);
    extractCrossSectionMask(mask, plane, position, roi->current);

    CrossSection section{plane, position, size.width, size.height, grey->serial, roi->serial};
    state.GreyImage = std::move(grey);
    state.RoiMap = std::move(roi);
    state.WorkingSet.reset();
    state.ImageWidth = static_cast<uint32_t>(size.width);
    state.ImageHeight = static_cast<uint32_t>(size.height);
    recomputeImageRange(state, trMinPosition, trMaxPosition);
    state.ImageFileName = "CrossSection" + std::to_string(position);
    return section;
}

bool crossSectionStillShown(const CrossSection& section, const WorkspaceState& state) {
    const ImagePlane* grey = state.GreyImage.get();
    const ImagePlane* roi = state.RoiMap.get();
    return grey && roi && roi->current && grey->serial == section.greySerial &&
           roi->serial == section.roiSerial && roi->width == section.width &&
           roi->height == section.height;
}

std::optional<int64_t> takeBackCrossSection(const CrossSection& section,
                                            const WorkspaceState& state, Volume3D& mask) {
    if (!crossSectionStillShown(section, state)) return std::nullopt;
    return writeCrossSectionMask(mask, section.plane, section.position, state.RoiMap->current,
                                 section.width, section.height);
}
