#include "analysis/core/options/map_tree.h"

#include <cstddef>

namespace {

constexpr std::array<std::string_view, 4> kDirections = {"Horzl", "Vertl", "45dgr", "135dr"};
constexpr std::array<std::string_view, 5> kRunLengthLeaves = {"RLNonUni", "GLevNonU", "LngREmph",
                                                              "ShrtREmp", "Fraction"};
constexpr std::array<std::string_view, 11> kCooccurrenceLeaves = {
    "AngScMom", "Contrast", "Correlat", "SumOfSqs", "InvDfMom", "SumAverg",
    "SumVarnc", "SumEntrp", "Entropy",  "DifVarnc", "DifEntrp"};
constexpr std::array<std::string_view, 5> kGradientLeaves = {"Mean", "Variance", "Skewness",
                                                             "Kurtosis", "NonZeros"};
constexpr std::array<std::string_view, 9> kHistogramLeaves = {"Mean",     "Variance", "Skewness",
                                                              "Kurtosis", "Perc.01%", "Perc.10%",
                                                              "Perc.50%", "Perc.90%", "Perc.99%"};
constexpr std::array<std::string_view, 5> kArModelLeaves = {"Teta1", "Teta2", "Teta3", "Teta4",
                                                            "Sigma"};

struct Layout {
    MapTree tree{};
    std::array<bool, kMapTreeSize> leaf{};
};

Layout buildLayout() {
    Layout layout;
    int16_t next = 0;
    auto add = [&](int16_t parent, std::string_view label) {
        layout.tree[static_cast<size_t>(next)] = {parent, kMapLeafOff, label};
        return next++;
    };
    auto addLeaves = [&](int16_t parent, const auto& labels) {
        for (std::string_view label : labels) add(parent, label);
    };
    int16_t root = add(-1, "RLM");
    for (std::string_view direction : kDirections)
        addLeaves(add(root, direction), kRunLengthLeaves);
    root = add(-1, "COM");
    for (std::string_view direction : kDirections)
        addLeaves(add(root, direction), kCooccurrenceLeaves);
    addLeaves(add(-1, "Gradient"), kGradientLeaves);
    addLeaves(add(-1, "Histogram"), kHistogramLeaves);
    addLeaves(add(-1, "AR model"), kArModelLeaves);

    // An entry is a node when some entry hangs below it.
    layout.leaf.fill(true);
    for (const MapTreeEntry& entry : layout.tree)
        if (entry.parent >= 0) layout.leaf[static_cast<size_t>(entry.parent)] = false;
    for (size_t i = 0; i < layout.tree.size(); ++i)
        layout.tree[i].state = layout.leaf[i] ? kMapLeafOff : kMapNodeClear;
    return layout;
}

const Layout& layout() {
    static const Layout instance = buildLayout();
    return instance;
}

}  // namespace

const MapTree& initialMapTree() {
    return layout().tree;
}

bool isMapTreeLeaf(int index) {
    return index >= 0 && index < kMapTreeSize && layout().leaf[static_cast<size_t>(index)];
}

std::string mapTreeText(const MapTree& tree) {
    std::string text(kMapTreeSize, '0');
    for (size_t i = 0; i < tree.size(); ++i) text[i] = static_cast<char>('0' + tree[i].state);
    return text;
}

void applyMapTreeText(MapTree& tree, std::string_view text) {
    if (text.size() != static_cast<size_t>(kMapTreeSize)) return;
    for (int i = 0; i < kMapTreeSize; ++i) {
        MapTreeEntry& entry = tree[static_cast<size_t>(i)];
        char c = text[static_cast<size_t>(i)];
        if (isMapTreeLeaf(i)) {
            if (c == '1') entry.state = kMapLeafOn;
        } else if (c == '3') {
            entry.state = kMapNodeSelected;
        }
    }
}

void updateMapTreeNodes(MapTree& tree) {
    for (int i = 0; i < kMapTreeSize; ++i)
        if (!isMapTreeLeaf(i)) tree[static_cast<size_t>(i)].state = kMapNodeClear;
    for (int i = 0; i < kMapTreeSize; ++i) {
        if (!isMapTreeLeaf(i) || tree[static_cast<size_t>(i)].state != kMapLeafOn) continue;
        // Parents come from the fixed layout, never from stored data, so the walk ends.
        for (int16_t p = layout().tree[static_cast<size_t>(i)].parent; p >= 0;
             p = layout().tree[static_cast<size_t>(p)].parent)
            tree[static_cast<size_t>(p)].state = kMapNodeSelected;
    }
}

int countSelectedMapLeaves(const MapTree& tree) {
    int count = 0;
    for (int i = 0; i < kMapTreeSize; ++i)
        if (isMapTreeLeaf(i) && tree[static_cast<size_t>(i)].state == kMapLeafOn) ++count;
    return count;
}
