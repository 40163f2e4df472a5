#include "volume/core/files/series_loaders.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "volume/core/files/series_order.h"
#include "workspace/core/formats/dicom_reader.h"

namespace {

struct DicomFileFrames {
    std::string path;
    DicomState state;
    uint64_t frameBytes = 0;
    uint64_t frames = 0;
};

// Frames the file really holds: NumberOfFrames (at least 1), but no more
// than its pixel data and the file itself contain.
uint64_t framesHeld(const DicomSource& file, const DicomState& state, uint64_t frameBytes) {
    if (frameBytes == 0) return 0;
    const uint64_t declared = static_cast<uint64_t>(std::max(state.numberOfFrames, 1));
    const uint64_t inFile = file.size() > state.pixelOffset ? file.size() - state.pixelOffset : 0;
    const uint64_t bytes = std::min(state.pixelLength, inFile);
    return std::min(declared, bytes / frameBytes);
}

}  // namespace

VolumeLoad loadDicomSeries(const std::vector<std::string>& paths, uint64_t maxVoxels) {
    std::vector<DicomFileFrames> files;
    uint64_t total = 0;
    uint64_t voxels = 0;
    for (const std::string& path : sortSeriesPaths(paths)) {
        std::unique_ptr<DicomSource> source = DicomSource::openFile(path);
        if (!source) continue;
        DicomFileFrames f;
        f.path = path;
        if (ReadDicomHeader(*source, f.state) != 0) continue;
        f.frameBytes = dicomPixelBytes(f.state);
        f.frames = framesHeld(*source, f.state, f.frameBytes);
        if (f.frames == 0) continue;
        total += f.frames;
        voxels += f.frames * uint64_t(f.state.rows) * uint64_t(f.state.columns);
        if (total > static_cast<uint64_t>(kMaxVolumeSlices) || voxels > maxVoxels)
            return failedLoad(kVolumeTooLargeMessage);
        files.push_back(std::move(f));
    }
    VolumeLoad load = startVolumeLoad(static_cast<int32_t>(total));
    int32_t z = 0;
    std::vector<uint16_t> samples;
    for (const DicomFileFrames& f : files) {
        std::unique_ptr<DicomSource> source = DicomSource::openFile(f.path);
        samples.assign(static_cast<size_t>(f.state.rows) * static_cast<size_t>(f.state.columns), 0);
        for (uint64_t frame = 0; frame < f.frames; ++frame, ++z) {
            if (!source) continue;  // left for the zero fill
            DicomState at = f.state;
            at.pixelOffset += frame * f.frameBytes;
            at.pixelLength -= frame * f.frameBytes;
            if (!ReadDicomPixels(*source, at, samples)) continue;
            ShiftDicomSamples(at, samples);
            if (!setLoadedSlice(load, samples.data(), f.state.columns, f.state.rows, z))
                return failedLoad(kVolumeTooLargeMessage);
        }
    }
    VolumeLoad done = finishVolumeLoad(std::move(load));
    return done;
}
