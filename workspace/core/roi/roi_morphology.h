// Opening, closing, dilation and erosion of one ROI of the ROI map with a
// 3 x 3 square. Only the chosen ROI's bit changes (the exclusive step of the
// non-overlapping mode aside).
//
// None of these functions touches the undo ring: the caller pushes an undo
// state (PlanePushUndo on the ROI map) before calling them, so that the
// command can be undone as one step.
#pragma once

#include <cstdint>

#include "workspace/core/image/image_plane.h"

// Grows ROI `activeRoi` (1..16) by its 8 neighbours in two in-place raster
// passes. A ROI pixel in row 0 gains neither its left nor its lower-left
// neighbour, one in column 0 neither its upper nor its upper-right neighbour
// (the forward pass starts at row 1 and column 1), so a lone pixel in the
// top-right or bottom-left corner does not grow; the last row and column get
// their whole neighbourhood. Returns false, with nothing changed, for a ROI
// number outside 1..16.
bool DilateActiveRoi(ImagePlane& roiMap, int32_t activeRoi);

// The dual of DilateActiveRoi with the same passes and border exceptions:
// every pixel outside the ROI removes its neighbours from the ROI. Pixels
// outside the image remove nothing, so a ROI does not shrink from the border.
bool ErodeActiveRoi(ImagePlane& roiMap, int32_t activeRoi);

// Every pixel of ROI `activeRoi` leaves all other ROIs.
bool MakeActiveRoiExclusive(ImagePlane& roiMap, int32_t activeRoi);

// The four commands of the Morphology menu.
enum class RoiMorphologyOp {
    Opening,  // erosion, then dilation
    Closing,  // dilation, then erosion
    Dilation,
    Erosion,
};

// Runs one command on ROI `activeRoi`, then, when `nonOverlapping` (the
// drawing tools' non-overlapping mode) is set, makes that ROI exclusive.
// Push an undo state first. Returns false, with nothing changed, for a ROI
// number outside 1..16.
bool applyRoiMorphology(ImagePlane& roiMap, int32_t activeRoi, RoiMorphologyOp op,
                        bool nonOverlapping);
