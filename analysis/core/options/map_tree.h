// The tree of parametric maps a 2D run can make: 96 entries in a fixed order
// (family roots, direction nodes, feature leaves). A leaf is off or on; a node
// shows whether some leaf below it is on. The options dialog edits the states,
// the option groups store them as the Maps_Tree text, and the map counting of a
// run reads the leaves.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

inline constexpr int kMapTreeSize = 96;

// Entry states; the Maps_Tree text stores them as the digits '0'..'3'.
inline constexpr int16_t kMapLeafOff = 0;
inline constexpr int16_t kMapLeafOn = 1;
inline constexpr int16_t kMapNodeClear = 2;     // no leaf below is on
inline constexpr int16_t kMapNodeSelected = 3;  // at least one leaf below is on

struct MapTreeEntry {
    int16_t parent;          // index of the parent entry, -1 for a root
    int16_t state;           // one of the four states above
    std::string_view label;  // at most 11 characters
};

using MapTree = std::array<MapTreeEntry, kMapTreeSize>;

// The tree as the program starts: every leaf off, every node clear.
const MapTree& initialMapTree();

// Whether entry `index` (0..95) is a leaf of the fixed layout; false outside.
bool isMapTreeLeaf(int index);

// The Maps_Tree text: 96 characters, character i = '0' + state of entry i.
std::string mapTreeText(const MapTree& tree);

// Merges a stored Maps_Tree text into the tree. Only a text of exactly 96
// characters is used; a leaf becomes on where its character is '1', a node
// becomes selected where its character is '3'. Reading never clears an entry.
void applyMapTreeText(MapTree& tree, std::string_view text);

// Recomputes every node from the leaves below it (at any depth): selected when
// one of them is on, clear otherwise. Leaves are left as they are.
void updateMapTreeNodes(MapTree& tree);

// The number of leaves that are on.
int countSelectedMapLeaves(const MapTree& tree);
