// The colour modes that turn a colour picture into grey samples: brightness,
// one of the red, green and blue channels, the U and V colour differences,
// hue and saturation. The mode also gives the feature-name prefix and the
// status-bar text that tell the user which conversion made the image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "workspace/core/formats/bmp_reader.h"

inline constexpr uint32_t kColourModeCount = 8;

// The sample of one pixel, 0..255, by mode 0..7; a larger mode acts as 0.
//   0  (114 B + 587 G + 299 R) / 1000        4  U: (886 B - 587 G - 299 R + 225930) / 1772
//   1  R    2  G    3  B                     5  V: (701 R - 587 G - 114 B + 178755) / 1402
//   6  hue: atan2(v, u) in 0..2 pi scaled by 40.58451049 (u = v = 0 gives 0)
//   7  saturation: sqrt(u u + v v) x 0.937
// with u = (886 B - 587 G - 299 R) / 886 and v = (701 R - 587 G - 114 B) / 701
// in double; hue and saturation are truncated toward zero.
uint16_t colourToGrey(uint8_t b, uint8_t g, uint8_t r, uint32_t mode);

// "" for mode 0 (and any mode above 7), else "R_", "G_", "B_", "U_", "V_", "H_", "S_".
std::string_view colourModePrefix(uint32_t mode);

// "" for mode 0 (and any mode above 7), else the prefix followed by the
// channel's name, as "R_ Red channel".
std::string_view colourModeStatusText(uint32_t mode);

// Converts every pixel of `image`, row by row from the top, into `samples`,
// which must hold width x height values (only as many as `image.bgr` holds
// pixels are written).
void convertToGrey(const RgbImage& image, uint32_t mode, uint16_t* samples);

// Converts `count` pixels of three bytes B, G, R into `samples`.
void convertToGrey(const uint8_t* bgr, size_t count, uint32_t mode, uint16_t* samples);
