// The fixed ROI set: 16 regions, each with its colour; bit k of a ROI-map
// word marks membership in ROI k+1.
#pragma once

#include <array>
#include <cstdint>

inline constexpr int kRoiCount = 16;

// ROI k+1 is drawn in entry k (0x00BBGGRR).
inline constexpr std::array<uint32_t, kRoiCount> kRoiColours = {
    0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x0080FF, 0x8000FF,
    0x00FF80, 0x80FF00, 0xFF0080, 0xFF8000, 0x00C4FF, 0x00FFC4, 0xFF00C4, 0xC4FF00};
