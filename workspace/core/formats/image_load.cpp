#include "workspace/core/formats/image_load.h"

#include <algorithm>
#include <cstring>

#include "workspace/core/formats/bmp_reader.h"
#include "workspace/core/formats/dicom_reader.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/formats/raw_reader.h"
#include "workspace/core/formats/scanner_image.h"
#include "workspace/core/image/colour_modes.h"
#include "workspace/core/image/display_render.h"

namespace {

int readBitmap(const std::string& path, uint32_t colourMode, LoadedImage& image) {
    RgbImage picture;
    switch (readBmpFile(path, picture)) {
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
    out.samples.resize(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height));
    convertToGrey(picture, colourMode, out.samples.data());
    out.loadedColourMode = colourMode;
    out.featurePrefix = std::string(colourModePrefix(colourMode));
    image = std::move(out);
    return 0;
}

int readRaw(const std::string& path, const RawOptions& options, LoadedImage& image) {
    std::vector<uint16_t> samples;
    if (readRawFile(path, options, samples) != RawStatus::Ok) return kLoadCannotRead;
    image = LoadedImage{options.RawX, options.RawY, std::move(samples), 0, "", ""};
    return 0;
}

// Any failure, a missing file included, is the DICOM reader's refusal.
int readDicom(const std::string& path, LoadedImage& image) {
    DicomState state;
    std::vector<uint16_t> samples;
    if (readDicomFile(path, state, samples) != DicomStatus::Ok) return kLoadDicomRejected;
    image =
        LoadedImage{state.columns, state.rows, std::move(samples), 0, "", DicomHeaderText(state)};
    return 0;
}

// Scanner files: whatever the reader's code, the loader only reports that no
// image came (and the dispatcher tries the next format).
int readScanner(int formatId, const std::string& path, LoadedImage& image) {
    ScannerImage pixels;
    if (ReadScannerImage(path, formatId, &pixels, nullptr, nullptr) != kScannerOk)
        return kLoadScannerFailed;
    image = LoadedImage{pixels.width, pixels.height, std::move(pixels.samples), 0, "", ""};
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
    auto [lo, hi] = std::minmax_element(samples, samples + count);
    return {*lo, *hi};
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
    size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
    if (image.samples.size() != count) return false;
    PlanePtr grey = newPlane(image.width, image.height);
    PlanePtr roi = newPlane(image.width, image.height);
    if (!grey || !roi) return false;
    std::memcpy(grey->current, image.samples.data(), count * sizeof(uint16_t));

    // A picture narrower or lower than 4 pixels means there was no image before.
    const ImagePlane* old = state.RoiMap.get();
    bool first = !state.GreyImage || !old || old->width < 4 || old->height < 4;
    if (first) {
        std::fill(roi->current, roi->current + count, uint16_t{1});
    } else {
        int32_t w = std::min(old->width, image.width);
        int32_t h = std::min(old->height, image.height);
        for (int32_t y = 0; y < h; ++y)
            std::memcpy(roi->current + static_cast<size_t>(y) * image.width,
                        old->current + static_cast<size_t>(y) * old->width, w * sizeof(uint16_t));
    }

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
