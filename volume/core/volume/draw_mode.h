// How every raster operation writes into the VOI mask: a voxel v becomes
// orValue | (andMask & v). The editor's four draw modes for the active VOI
// bit b are four such pairs.
#pragma once

#include <cstdint>

struct DrawMode {
    uint16_t andMask = 0xFFFF;
    uint16_t orValue = 0;

    uint16_t apply(uint16_t v) const { return static_cast<uint16_t>(orValue | (andMask & v)); }
};

// The bit of VOI 1..16.
inline constexpr uint16_t voiBit(int voi) {
    return static_cast<uint16_t>(1u << ((voi - 1) & 15));
}

// The voxel joins VOI b and keeps its other VOIs.
inline constexpr DrawMode overlappingDraw(uint16_t b) {
    return {0xFFFF, b};
}
// The voxel belongs to VOI b alone.
inline constexpr DrawMode nonOverlappingDraw(uint16_t b) {
    return {0, b};
}
// The voxel leaves VOI b.
inline constexpr DrawMode eraseActive(uint16_t b) {
    return {static_cast<uint16_t>(0xFFFF - b), 0};
}
// The voxel leaves every VOI.
inline constexpr DrawMode eraseAll() {
    return {0, 0};
}
