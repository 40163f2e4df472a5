// The cross-section mode: one slice of the grey volume and of the VOI mask,
// the one the user looks at most directly, becomes the main window's grey
// image and ROI map, so the 2D ROI tools can edit it; the edited map goes
// back into the mask at the same plane and position. Only the mask goes
// back: grey-level edits stay in the 2D image.
#pragma once

#include <cstdint>
#include <optional>

#include "volume/core/view/view_matrix.h"
#include "volume/core/volume/volume3d.h"
#include "workspace/core/workspace_state.h"

// 0: the Z slice (x across, y down); 1: the Y slice (x across, z down);
// 2: the X slice (y across, z down).
inline constexpr int kCrossSectionPlaneZ = 0;
inline constexpr int kCrossSectionPlaneY = 1;
inline constexpr int kCrossSectionPlaneX = 2;

// The plane seen most face-on. With the view's third row (elements 2, 6, 10)
// scaled by the voxel sizes, e = |m2·sx|, g = |m6·sy|, l = |m10·sz|:
// plane 0 when l > e and l > g, plane 1 when g > e and g ≥ l, else plane 2.
// Ties go to the later of the tied planes (the identity gives plane 0).
int VoiDominantAxis(const Matrix4& view, double voxelX, double voxelY, double voxelZ);

struct CrossSectionSize {
    int32_t width = 0;
    int32_t height = 0;
};
// W x H for plane 0, W x S for plane 1, H x S for plane 2 (max width, max
// height, slice count of the volume).
CrossSectionSize crossSectionSize(const Volume3D& volume, int plane);

// Fills `out` (width x height of crossSectionSize, row by row) with the slice
// at `position` of the plane: pixel (i, j) is voxel (i, j, position),
// (i, position, j) or (position, i, j). The grey volume is read with the
// clamping read; the mask with the strict one, so a pixel that lies outside
// a smaller slice is in no VOI.
void extractCrossSection(const Volume3D& image, int plane, int position, uint16_t* out);
void extractCrossSectionMask(const Volume3D& mask, int plane, int position, uint16_t* out);

// Writes a map of crossSectionSize back into the mask at the plane and
// position, voxel by voxel within each slice's own extent (a slice keeps its
// size). Returns the number of voxels whose value changed.
int64_t writeCrossSectionMask(Volume3D& mask, int plane, int position, const uint16_t* map,
                              int32_t width, int32_t height);

// What was handed to the main window: enough to find the place again and to
// know the planes there are still the ones handed over.
struct CrossSection {
    int plane = kCrossSectionPlaneZ;
    int position = 0;
    int32_t width = 0;
    int32_t height = 0;
    uint64_t greySerial = 0;
    uint64_t roiSerial = 0;
};

// Replaces the workspace's grey image and ROI map by new planes filled from
// the slice, sets the image size, the range, bit depth and display
// window (from the two track-bar positions) and the file name
// "CrossSection<position>". Nothing changes when the planes cannot be made
// or the mask's extents are not the image's.
std::optional<CrossSection> handOverCrossSection(const Volume3D& image, const Volume3D& mask,
                                                 int plane, int position, WorkspaceState& state,
                                                 int trMinPosition, int trMaxPosition);

// True while the workspace still shows the handed-over planes: the same
// planes (serials) of the same size. Another image loaded meanwhile is not.
bool crossSectionStillShown(const CrossSection& section, const WorkspaceState& state);

// Writes the workspace's ROI map back into the mask when it is still the one
// handed over; nullopt, with the mask untouched, when it is not. Otherwise
// the number of voxels changed.
std::optional<int64_t> takeBackCrossSection(const CrossSection& section,
                                            const WorkspaceState& state, Volume3D& mask);
