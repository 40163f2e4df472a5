// What a report may say about the present ROIs: which ROI file they came
// from, and whether there are any. A report names the file only while the ROI
// map is still what the file gave, on the image it was loaded onto: after an
// edit, an undo past the load or a new image the ROIs are no longer that
// file's, and the report names none.
#pragma once

#include <cstdint>
#include <string>

struct ImagePlane;
struct WorkspaceState;

struct RoiSource {
    std::string path;           // empty: the ROIs come from no file
    std::string imageFileName;  // the image the file was loaded onto
    int32_t width = 0;
    int32_t height = 0;
    uint64_t digest = 0;  // of the ROI map as the file left it
};

// A digest of every word of the map and its size.
uint64_t roiMapDigest(const ImagePlane& roiMap);

// Remembers that the state's present ROI map was read from path.
void noteRoiSource(WorkspaceState& state, const std::string& path);

// The path of the ROI file the present ROIs came from, or empty.
std::string currentRoiFile(const WorkspaceState& state);

// True when no pixel of the map belongs to any ROI: an analysis would only
// report zeros.
bool roiMapIsEmpty(const ImagePlane& roiMap);
