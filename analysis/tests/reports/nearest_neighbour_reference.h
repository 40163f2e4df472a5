// The plain serial loop over every set of 1, 2 or 3 features in lexicographic
// order: what the parallel ranking must reproduce, set for set.
#pragma once

#include <atomic>

#include "analysis/core/reports/nearest_neighbour_criterion.h"

inline SelectionResult serialNearestNeighbourRanking(const SelectionSamples& samples, int size) {
    const int features = samples.featureCount();
    NearestNeighbourTable table(std::min(features, kSelectionTableSize));
    auto offer = [&](int f, int g, int h) {
        const int set[3] = {f, g, h};
        SelectionEntry entry;
        entry.first = f;
        entry.second = g;
        entry.third = h;
        entry.errors = nearestNeighbourErrors(samples, set, size);
        table.offer(entry);
    };
    for (int f = 0; f < features; ++f) {
        if (size == 1) offer(f, -1, -1);
        for (int g = f + 1; size >= 2 && g < features; ++g) {
            if (size == 2) offer(f, g, -1);
            for (int h = g + 1; size == 3 && h < features; ++h) offer(f, g, h);
        }
    }
    return table.entries();
}
