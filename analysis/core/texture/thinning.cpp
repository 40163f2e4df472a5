#include "analysis/core/texture/thinning.h"

#include <array>

namespace {

// Neighbour offsets P2..P9: north, then clockwise on screen.
std::array<ptrdiff_t, 8> neighbourOffsets(int32_t width) {
    const ptrdiff_t w = width;
    return {-w, -w + 1, 1, w + 1, w, w - 1, -1, -w - 1};
}

struct Neighbourhood {
    std::array<uint8_t, 8> p{};  // P2..P9
    int count = 0;               // B: pixels set
    int changes = 0;             // A: 0 -> 1 changes in the cycle P2, ..., P9, P2
};

Neighbourhood neighbourhood(const std::vector<uint8_t>& plane, size_t i,
                            const std::array<ptrdiff_t, 8>& offsets) {
    Neighbourhood n;
    for (size_t k = 0; k < 8; ++k) {
        n.p[k] = plane[static_cast<size_t>(static_cast<ptrdiff_t>(i) + offsets[k])] ? 1 : 0;
        n.count += n.p[k];
    }
    for (size_t k = 0; k < 8; ++k)
        if (n.p[k] == 0 && n.p[(k + 1) % 8] == 1) ++n.changes;
    return n;
}

// Zhang-Suen deletion test of sub-step 1 or 2.
bool deletable(const Neighbourhood& n, int step) {
    if (n.count < 2 || n.count > 6 || n.changes != 1) return false;
    const auto& p = n.p;  // p[0] = P2 (N), p[2] = P4 (E), p[4] = P6 (S), p[6] = P8 (W)
    if (step == 1) return (p[0] & p[2] & p[4]) == 0 && (p[2] & p[4] & p[6]) == 0;
    return (p[0] & p[2] & p[6]) == 0 && (p[0] & p[4] & p[6]) == 0;
}

}  // namespace

Skeleton thinShape(const ShapeRegion& region) {
    Skeleton s;
    s.width = region.width;
    s.height = region.height;
    s.pixels = region.inside;
    if (region.empty()) return s;
    const auto offsets = neighbourOffsets(region.width);
    std::vector<uint8_t>& plane = s.pixels;
    // The frame is empty and stays so, so every set pixel has all 8 neighbours.
    // Only pixels with an empty 8-neighbour can ever go (B <= 6), so the
    // candidates are the set pixels on the border, kept in a list.
    std::vector<uint8_t> listed(plane.size(), 0);
    std::vector<size_t> border;
    auto onBorder = [&](size_t i) {
        for (ptrdiff_t o : offsets)
            if (!plane[static_cast<size_t>(static_cast<ptrdiff_t>(i) + o)]) return true;
        return false;
    };
    for (size_t i = 0; i < plane.size(); ++i)
        if (plane[i] && onBorder(i)) {
            border.push_back(i);
            listed[i] = 1;
        }
    std::vector<size_t> removed;
    std::vector<size_t> next;
    while (s.passes < kMaxThinningPasses) {
        bool changed = false;
        for (int step = 1; step <= 2; ++step) {
            removed.clear();
            for (size_t i : border)
                if (plane[i] && deletable(neighbourhood(plane, i, offsets), step))
                    removed.push_back(i);
            for (size_t i : removed) plane[i] = 0;
            if (removed.empty()) continue;
            changed = true;
            // Neighbours of removed pixels join the border; removed pixels leave it.
            next.clear();
            for (size_t i : border) {
                listed[i] = 0;
                if (plane[i]) {
                    next.push_back(i);
                    listed[i] = 1;
                }
            }
            for (size_t i : removed)
                for (ptrdiff_t o : offsets) {
                    const size_t q = static_cast<size_t>(static_cast<ptrdiff_t>(i) + o);
                    if (plane[q] && !listed[q]) {
                        listed[q] = 1;
                        next.push_back(q);
                    }
                }
            border.swap(next);
        }
        ++s.passes;
        if (!changed) break;
    }
    for (size_t i = 0; i < plane.size(); ++i) {
        if (!plane[i]) continue;
        ++s.count;
        const Neighbourhood n = neighbourhood(plane, i, offsets);
        if (n.count == 1) ++s.endPoints;
        if (n.changes >= 3) ++s.branchPoints;
    }
    return s;
}
