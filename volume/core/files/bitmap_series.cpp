#include "volume/core/files/series_loaders.h"

#include <vector>

#include "volume/core/files/series_order.h"
#include "workspace/core/formats/bmp_reader.h"
#include "workspace/core/image/colour_modes.h"

VolumeLoad loadBitmapSeries(const std::vector<std::string>& paths, uint32_t colourMode,
                            uint64_t maxVoxels) {
    const std::vector<std::string> order = sortSeriesPaths(paths);
    if (static_cast<int64_t>(order.size()) > kMaxVolumeSlices)
        return failedLoad(kVolumeTooLargeMessage);
    VolumeLoad load = startVolumeLoad(static_cast<int32_t>(order.size()));
    uint64_t voxels = 0;
    std::vector<uint16_t> samples;
    for (size_t i = 0; i < order.size(); ++i) {
        RgbImage picture;
        if (readBmpFile(order[i], picture) != BmpStatus::Ok)
            return failedLoad("Cannot load the bitmap " + order[i]);
        const uint64_t words = uint64_t(picture.width) * uint64_t(picture.height);
        voxels += words;
        if (voxels > maxVoxels) return failedLoad(kVolumeTooLargeMessage);
        samples.assign(static_cast<size_t>(words), 0);
        convertToGrey(picture, colourMode, samples.data());
        if (!setLoadedSlice(load, samples.data(), picture.width, picture.height,
                            static_cast<int32_t>(i)))
            return failedLoad(kVolumeTooLargeMessage);
    }
    load.loadedColourMode = colourMode;
    load.featurePrefix = colourModePrefix(colourMode);
    load.statusText = colourModeStatusText(colourMode);
    return finishVolumeLoad(std::move(load));
}
