#include "volume/core/texture3d/volume_report_header.h"

#include <algorithm>
#include <cstdio>

int32_t volumeRunLengthColumns(const Volume3D& mask) {
    int32_t extent = 0;
    for (int k = 0; k < kVoiCount; ++k) {
        if (mask.voiCounts[k] < 1) continue;
        const VoiBox& b = mask.voiBoxes[k];
        extent = std::max({extent, b.xmax - b.xmin, b.ymax - b.ymin, b.zmax - b.zmin});
    }
    return extent + 1;
}

std::string WriteVolumeReportHeader(const Volume3D& image, const Volume3D& mask,
                                    const Analysis3DOptions& options) {
    const Analysis3DOptions o = options.sanitized();
    char text[128];
    std::string h = "3D Image Analysis REPORT\r\n";
    std::snprintf(text, sizeof text, "%i x %i x %i", image.maxWidth, image.maxHeight,
                  image.sliceCount);
    h += "Image size: " + std::string(text) + "\r\n";
    h += "Normalisation = ";
    h += o.Normalisation == 1 ? " 3 sigma" : o.Normalisation == 2 ? " 1 percent" : " None";
    h += "\r\n";
    h += std::string("Histogram analysis = ") + (o.HistogramFeatures ? "Yes" : "No") + "\r\n";
    h += std::string("Gradient analysis = ") + (o.GradientFeatures ? "Yes" : "No") + "\r\n";
    const bool distances[5] = {o.ComDist1, o.ComDist2, o.ComDist3, o.ComDist4, o.ComDist5};
    const bool com =
        o.ComFeatures && std::any_of(distances, distances + 5, [](bool d) { return d; });
    h += "CO matrix analysis = ";
    if (com) {
        const int n = 1 << o.ComBpp;
        std::snprintf(text, sizeof text, "%i x %i", n, n);
        h += "Yes, Dimensions = " + std::string(text) + ", Distances =";
        for (int d = 0; d < 5; ++d)
            if (distances[d]) h += " " + std::to_string(d + 1);
        h += "\r\n";
        if (o.ComMoredirs) h += "More directions selected\r\n";
    } else {
        h += "No\r\n";
    }
    h += "RL matrix analysis = ";
    if (o.RlmFeatures) {
        std::snprintf(text, sizeof text, " %i x %i", volumeRunLengthColumns(mask), 1 << o.RlmBpp);
        h += "Yes" + std::string(text) + "\r\n";
        if (o.RlmMoredirs) h += "More directions selected\r\n";
    } else {
        h += "No\r\n";
    }
    return h;
}
