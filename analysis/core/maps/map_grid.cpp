#include "analysis/core/maps/map_grid.h"

#include <algorithm>

MapGridAxis mapGridAxis(int32_t extent, int32_t window, int32_t step) {
    MapGridAxis axis;
    axis.extent = std::max(extent, 0);
    axis.window = std::max(window, 1);
    axis.step = std::max(step, 1);
    // An image smaller than the window holds no window: the map stays empty
    // (all zero) instead of getting a grid of negative size.
    if (axis.extent < axis.window) return axis;
    const int32_t leftover = (axis.extent - axis.window) % axis.step;
    axis.offset = leftover / 2;
    axis.centre = (axis.window + leftover) / 2;
    axis.count = (axis.extent + axis.step - axis.window) / axis.step;
    return axis;
}
