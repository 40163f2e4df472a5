// Parametric feature maps: images of double values made by an analysis run
// or read from .bmf files, kept in one process-wide list in order of creation
// and shown one per tab by the feature-map window.
//
// All operations work on the single list owned by this module. It is touched
// from one thread at a time (the analysis worker appends while the progress
// window is modal); there is no lock.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

inline constexpr size_t kMaxFeatureMapNameLength = 255;

struct FeatureMap {
    uint32_t saved = 0;  // 1 once written to or read from a file
    std::string name;    // at most 255 characters
    // The value window of the display, initially min and max.
    double displayLow = 0.0;
    double displayHigh = 0.0;
    int32_t style = 0;  // display style: 0 grey ramp, 1 three levels
    int32_t height = 0;
    int32_t width = 0;
    // width x height values, row by row from the top; kMissingValue (+infinity)
    // marks a pixel without value.
    std::vector<double> values;
    // Range of the finite values, never empty (see AddFeatureMap).
    double min = 0.0;
    double max = 0.0;

    double at(int x, int y) const {
        return values[static_cast<size_t>(x) + static_cast<size_t>(y) * width];
    }
};

// Appends a copy of a width x height map (value (x, y) at x + y * width) named
// after the first 255 characters of name, unsaved. min and max start at the
// first finite value (at 0 when there is none) and are widened by every
// other finite value; equal bounds become min - 1 and
// max + 1 so that the range is never empty. The display window is set to
// [min, max]. Returns the new entry, or nullptr (list unchanged) for a
// negative or unbounded size, missing values, or exhausted memory.
FeatureMap* AddFeatureMap(std::string_view name, const double* values, int width, int height);

// Entry n from 0; past the end the last one; nullptr for an empty list.
FeatureMap* MapListAt(int n);

int featureMapCount();

// Removes and frees the given entry; false when it is not in the list.
bool deleteFeatureMap(const FeatureMap* map);

// Number of entries whose saved flag is clear (the exit prompt asks when this
// is not 0).
int unsavedFeatureMapCount();

// Removes every entry. Used by "Close all", by tests and at exit.
void resetFeatureMaps();
