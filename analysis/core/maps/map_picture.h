// How a feature map is drawn: a grey ramp (or three levels) over its value
// window, missing values in dark blue; the track-bar positions that set the
// window; the picture as a 24-bit bitmap file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/core/maps/feature_map_list.h"

inline constexpr int kGreyRampStyle = 0;
inline constexpr int kThreeLevelStyle = 1;

// The grey level c of value a in the window [low, high] for a style:
// c = (a - low) * 256 / (high - low), truncated toward zero and clamped to
// 0..255 (in double, before any integer conversion, so NaN and huge values
// are safe; NaN draws as 0); in three levels every c other than 0 and 255 is
// 127. With high = low: 255 when a > low, else 0.
uint8_t mapGreyLevel(double a, double low, double high, int style);

// Blue, green, red of each pixel, rows top first (3 * width * height bytes);
// +infinity is dark blue (0, 0, 127 as red, green, blue).
std::vector<uint8_t> renderMapPicture(const FeatureMap& map);
// The same into a buffer of width * height 0xAARRGGBB words (the window's
// picture), rows top first.
void renderMapPixels(const FeatureMap& map, uint32_t* pixels);

// Window bound of a track-bar position 0..100: min + (100 - position) * (max - min) / 100.
double trackBarValue(const FeatureMap& map, int position);
// Position of a window bound: 100 - (value - min) * 100 / (max - min), truncated.
int trackBarPosition(const FeatureMap& map, double value);

// The picture as an uncompressed 24-bit bitmap file (rows bottom first,
// padded to 4 bytes).
std::string encodeMapBitmap(const FeatureMap& map);
bool writeMapBitmap(const std::string& path, const FeatureMap& map);
