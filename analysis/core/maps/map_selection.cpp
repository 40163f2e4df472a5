#include "analysis/core/maps/map_selection.h"

#include <algorithm>

namespace {

// Tree layout: the direction nodes of each family and the first leaf of the
// single-node families; a node's leaves follow it.
constexpr std::array<int, 4> kRunLengthNodes = {1, 7, 13, 19};
constexpr std::array<int, 4> kCooccurrenceNodes = {26, 38, 50, 62};
constexpr int kFirstGradientLeaf = 75;
constexpr int kFirstHistogramLeaf = 81;
constexpr int kFirstArLeaf = 91;

template <size_t N>
void readLeaves(const MapTree& tree, int first, std::array<bool, N>& out) {
    for (size_t k = 0; k < N; ++k)
        out[k] = tree[static_cast<size_t>(first) + k].state == kMapLeafOn;
}

template <size_t N>
bool any(const std::array<bool, N>& leaves) {
    return std::any_of(leaves.begin(), leaves.end(), [](bool b) { return b; });
}

template <size_t N>
int count(const std::array<bool, N>& leaves) {
    return static_cast<int>(std::count(leaves.begin(), leaves.end(), true));
}

}  // namespace

bool MapSelection::anyRunLength(int direction) const {
    return any(runLength[static_cast<size_t>(direction)]);
}
bool MapSelection::anyCooccurrence(int direction) const {
    return any(cooccurrence[static_cast<size_t>(direction)]);
}
bool MapSelection::anyGradient() const {
    return any(gradient);
}
bool MapSelection::anyHistogram() const {
    return any(histogram);
}
bool MapSelection::anyAr() const {
    return any(ar);
}

int MapSelection::mapCount() const {
    int maps = count(gradient) + count(histogram) + count(ar);
    for (const auto& leaves : runLength) maps += count(leaves);
    int perDistance = 0;
    for (const auto& leaves : cooccurrence) perDistance += count(leaves);
    return maps + perDistance * count(distances);
}

int MapSelection::stepCount() const {
    int steps = (anyGradient() ? 1 : 0) + (anyHistogram() ? 1 : 0) + (anyAr() ? 1 : 0);
    for (int d = 0; d < 4; ++d) steps += anyRunLength(d) ? 1 : 0;
    int perDistance = 0;
    for (int d = 0; d < 4; ++d) perDistance += anyCooccurrence(d) ? 1 : 0;
    return steps + perDistance * count(distances);
}

MapSelection parseMapSelection(const AnalysisOptions& stored) {
    const AnalysisOptions o = stored.sanitized();
    MapSelection s;
    for (size_t d = 0; d < 4; ++d) {
        readLeaves(o.Maps_Tree, kRunLengthNodes[d] + 1, s.runLength[d]);
        readLeaves(o.Maps_Tree, kCooccurrenceNodes[d] + 1, s.cooccurrence[d]);
    }
    for (int32_t d = 1; d <= kCooccurrenceDistances; ++d)
        s.distances[static_cast<size_t>(d - 1)] = cooccurrenceDistanceOn(o, d);
    readLeaves(o.Maps_Tree, kFirstGradientLeaf, s.gradient);
    readLeaves(o.Maps_Tree, kFirstHistogramLeaf, s.histogram);
    readLeaves(o.Maps_Tree, kFirstArLeaf, s.ar);
    return s;
}

int countFeatureMapSteps(const AnalysisOptions& options) {
    return parseMapSelection(options).stepCount();
}
