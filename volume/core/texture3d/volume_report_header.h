// The header text of a 3D analysis report.
#pragma once

#include <cstdint>
#include <string>

#include "volume/core/volume/volume3d.h"
#include "volume/core/volume_options.h"

// L: 1 + the largest extent (max - min) on any axis of the boxes of the
// non-empty VOIs (1 when every VOI is empty). The mask's boxes must be current.
int32_t volumeRunLengthColumns(const Volume3D& mask);

// "3D Image Analysis REPORT", the image size, the normalisation and the
// families with their settings, each line ending in "\r\n". The mask's
// boxes must be current (Volume3DRoiBounds); options are used sanitized.
std::string WriteVolumeReportHeader(const Volume3D& image, const Volume3D& mask,
                                    const Analysis3DOptions& options);
