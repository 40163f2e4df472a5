#include "workspace/core/formats/image_load.h"

#include <algorithm>
#include <cstring>

#include "platform/parallel.h"
#include "workspace/core/formats/bmp_reader.h"
#include "workspace/core/formats/dicom_reader.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/formats/raw_reader.h"
#include "workspace/core/formats/scanner_image.h"
#include "workspace/core/image/colour_modes.h"
#include "workspace/core/image/display_render.h"

namespace {

// The readers of these formats give vectors; the plane takes them over as
// its own words, and this copy is the only one on the way.
PlaneWords planeWordsOf(const std::vector<uint16_t>& samples) {
    return PlaneWords(samples.begin(), samples.end());
}

int readBitmap(const std::string& path, uint32_t colourMode, LoadedImage& image) {
    GreyPicture picture;
    const auto convert = [colourMode](const uint8_t* bgr, size_t count, uint16_t* samples) {
        convertToGrey(bgr, count, colourMode, samples);
    };
    switch (readBmpFileGrey(path, convert, picture)) {
        case BmpStatus::Ok:
            break;
        case BmpStatus::NotBitmap:
            return kLoadNotBitmap;
        default:
            return kLoadCannotRead;
    }
    LoadedImage out;
    out.width = picture.width;
    out.height = picture.height;
    out.samples = std::move(picture.samples);
    out.loadedColourMode = colourMode;
    out.featurePrefix = std::string(colourModePrefix(colourMode));
    image = std::move(out);
    return 0;
}

int readRaw(const std::string& path, const RawOptions& options, LoadedImage& image) {
    std::vector<uint16_t> samples;
    if (readRawFile(path, options, samples) != RawStatus::Ok) return kLoadCannotRead;
    image = LoadedImage{options.RawX, options.RawY, planeWordsOf(samples), 0, "", ""};
    return 0;
}

// Any failure, a missing file included, is the DICOM reader's refusal.
int readDicom(const std::string& path, LoadedImage& image) {
    DicomState state;
    std::vector<uint16_t> samples;
    if (readDicomFile(path, state, samples) != DicomStatus::Ok) return kLoadDicomRejected;
    image = LoadedImage{state.columns,         state.rows, planeWordsOf(samples), 0, "",
                        DicomHeaderText(state)};
    return 0;
}

// Scanner files: whatever the reader's code, the loader only reports that no
// image came (and the dispatcher tries the next format).
int readScanner(int formatId, const std::string& path, LoadedImage& image) {
    ScannerImage pixels;
    if (ReadScannerImage(path, formatId, &pixels, nullptr, nullptr) != kScannerOk)
        return kLoadScannerFailed;
    image = LoadedImage{pixels.width, pixels.height, planeWordsOf(pixels.samples), 0, "", ""};
    image.scannerFormatId = formatId;
    return 0;
}

}  // namespace

int readImageSamples(int index, const std::string& path, const RawOptions& rawOptions,
                     uint32_t colourMode, LoadedImage& image) {
    if (index == kFormatBitmap) return readBitmap(path, colourMode, image);
    if (index == kFormatRaw) return readRaw(path, rawOptions, image);
    if (index == kFormatDicom || index == kFormatDicomDcm) return readDicom(path, image);
    if (scannerFormatId(index) != 0) return readScanner(scannerFormatId(index), path, image);
    return kLoadCannotRead;
}

SampleRange findSampleRange(const uint16_t* samples, size_t count) {
    if (count == 0) return {};
    constexpr size_t kGrain = size_t{1} << 18;
    std::vector<SampleRange> parts(parallelChunkCount(count, kGrain));
    parallelFor(count, kGrain, [&](size_t begin, size_t end) {
        uint16_t lo = samples[begin], hi = samples[begin];
        // Blocks of a fixed length, which the compiler turns into vector code.
        constexpr size_t kBlock = 64;
        size_t i = begin;
        for (; i + kBlock <= end; i += kBlock) {
            uint16_t blockLo = samples[i], blockHi = samples[i];
            for (size_t k = 0; k < kBlock; ++k) {
                blockLo = std::min(blockLo, samples[i + k]);
                blockHi = std::max(blockHi, samples[i + k]);
            }
            lo = std::min(lo, blockLo);
            hi = std::max(hi, blockHi);
        }
        for (; i < end; ++i) {
            lo = std::min(lo, samples[i]);
            hi = std::max(hi, samples[i]);
        }
        parts[begin / kGrain] = {lo, hi};
    });
    SampleRange range = parts[0];
    for (const SampleRange& part : parts) {
        range.min = std::min(range.min, part.min);
        range.max = std::max(range.max, part.max);
    }
    return range;
}

int32_t bitDepthFor(int32_t imageMax) {
    int32_t depth = 8;
    for (int32_t n = 9; n <= 16; ++n)
        if (imageMax >= (1 << (n - 1))) depth = n;
    return depth;
}

void recomputeImageRange(WorkspaceState& state, int trMinPosition, int trMaxPosition) {
    if (!state.GreyImage) return;
    SampleRange range = findSampleRange(state.GreyImage->current, state.GreyImage->size());
    state.ImageMin = range.min;
    state.ImageMax = range.max;
    state.BitDepth = bitDepthFor(range.max);
    state.WindowLow = windowFromTrackBar(range.min, range.max, trMinPosition);
    state.WindowHigh = windowFromTrackBar(range.min, range.max, trMaxPosition);
}

bool applyLoadedImage(WorkspaceState& state, LoadedImage&& image, int trMinPosition,
                      int trMaxPosition) {
    // Refuses an impossible size, or samples of another count, before
    // anything is allocated.
    PlanePtr grey = adoptPlane(image.width, image.height, std::move(image.samples));
    if (!grey) return false;
    const size_t width = static_cast<size_t>(grey->width);
    // Every word of the new map is written below, each row once, on all cores.
    PlanePtr roi = adoptPlane(grey->width, grey->height, PlaneWords(grey->size()));
    if (!roi) return false;
    // A picture narrower or lower than 4 pixels means there was no image before.
    const ImagePlane* old = state.RoiMap.get();
    const bool first = !state.GreyImage || !old || old->width < 4 || old->height < 4;
    const uint16_t rest = first ? 1 : 0;  // the words no old one is kept in
    const size_t kept = first ? 0 : static_cast<size_t>(std::min(old->width, grey->width));
    const size_t keptRows = first ? 0 : static_cast<size_t>(std::min(old->height, grey->height));
    parallelFor(static_cast<size_t>(grey->height), parallelRowGrain(width),
                [&](size_t begin, size_t end) {
                    for (size_t y = begin; y < end; ++y) {
                        uint16_t* row = roi->current + y * width;
                        const size_t copied = y < keptRows ? kept : 0;
                        if (copied > 0)
                            std::memcpy(row, old->current + y * static_cast<size_t>(old->width),
                                        copied * sizeof(uint16_t));
                        std::fill(row + copied, row + width, rest);
                    }
                });

    state.GreyImage = std::move(grey);
    state.RoiMap = std::move(roi);
    state.WorkingSet.reset();
    state.ImageWidth = static_cast<uint32_t>(image.width);
    state.ImageHeight = static_cast<uint32_t>(image.height);
    recomputeImageRange(state, trMinPosition, trMaxPosition);
    state.LoadedColorMode = image.loadedColourMode;
    state.FeaturePrefix = image.featurePrefix;
    return true;
}
