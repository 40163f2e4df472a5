// Which maps a run makes: the leaves of the map tree that are on, read by
// family and direction, the co-occurrence leaves once per enabled distance.
#pragma once

#include <array>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/gradient_features.h"
#include "analysis/core/texture/histogram_features.h"
#include "analysis/core/texture/run_length.h"

inline constexpr int kArMapCount = 5;                               // Teta1..Teta4, Sigma
inline constexpr int kGradientMapCount = kGradientRecordCount - 1;  // all but the count

struct MapSelection {
    // [direction][feature] in the order of kRunDirections / kRunLengthFeatureNames.
    std::array<std::array<bool, kRunLengthFeatureCount>, 4> runLength{};
    // [direction][feature] in the order of the displacements of a distance.
    std::array<std::array<bool, kCooccurrenceFeatureCount>, 4> cooccurrence{};
    // Distances 1..5 whose Do_vt switch is on.
    std::array<bool, kCooccurrenceDistances> distances{};
    std::array<bool, kGradientMapCount> gradient{};  // GrMean .. GrNonZeros
    std::array<bool, kHistogramRecordCount> histogram{};
    std::array<bool, kArMapCount> ar{};

    bool anyRunLength(int direction) const;
    bool anyCooccurrence(int direction) const;
    bool anyGradient() const;
    bool anyHistogram() const;
    bool anyAr() const;

    // Selected maps, co-occurrence maps counted once per enabled distance.
    int mapCount() const;
    // Progress steps of the maps: 1 per run-length direction with a selected
    // leaf, 1 per enabled distance and co-occurrence direction with one, and
    // 1 each for the gradient, histogram and AR families with one.
    int stepCount() const;
};

// The selection of the options' Maps_Tree and distance switches.
MapSelection parseMapSelection(const AnalysisOptions& options);

// The progress steps the maps of a run add (see MapSelection::stepCount).
int countFeatureMapSteps(const AnalysisOptions& options);
