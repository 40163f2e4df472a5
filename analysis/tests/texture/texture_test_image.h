// A small grey image with its ROI map for the texture tests.
#pragma once

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/reports/report_document.h"
#include "analysis/core/texture/analysis_2d.h"
#include "analysis/core/texture/analysis_2d_buffers.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/texture_context.h"
#include "workspace/core/image/image_plane.h"

struct TestImage {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitDepth = 8;
    std::vector<uint16_t> samples;
    std::vector<uint16_t> roi;

    TestImage(int32_t w, int32_t h, int32_t bits = 8)
        : width(w), height(h), bitDepth(bits), samples(size_t(w) * h, 0), roi(size_t(w) * h, 0) {}

    // Rows of samples, top row first.
    static TestImage fromRows(std::initializer_list<std::initializer_list<int>> rows,
                              int32_t bits = 8) {
        TestImage image(static_cast<int32_t>(rows.begin()->size()),
                        static_cast<int32_t>(rows.size()), bits);
        size_t i = 0;
        for (const auto& row : rows)
            for (int v : row) image.samples[i++] = static_cast<uint16_t>(v);
        return image;
    }

    uint16_t& sample(int x, int y) { return samples[size_t(y) * width + x]; }
    // Adds the rectangle x0..x1, y0..y1 (inclusive, clipped to the image) to
    // ROI r (0-based).
    void addRect(int r, int x0, int y0, int x1, int y1) {
        for (int y = std::max(y0, 0); y <= std::min(y1, height - 1); ++y)
            for (int x = std::max(x0, 0); x <= std::min(x1, width - 1); ++x)
                roi[size_t(y) * width + x] |= uint16_t(1u << r);
    }
    void addPixel(int r, int x, int y) { addRect(r, x, y, x, y); }

    TextureContext context() const {
        TextureContext c;
        c.samples = samples.data();
        c.roiMap = roi.data();
        c.width = width;
        c.height = height;
        c.BitDepth = bitDepth;
        c.ImageMax = 0;
        c.ImageMin = 65535;
        for (uint16_t v : samples) {
            c.ImageMax = std::max<int32_t>(c.ImageMax, v);
            c.ImageMin = std::min<int32_t>(c.ImageMin, v);
        }
        return c;
    }
};

inline const FeatureRecord* findRecord(const std::vector<FeatureRecord>& records,
                                       std::string_view name) {
    for (const FeatureRecord& r : records)
        if (recordName(r) == name) return &r;
    return nullptr;
}

// The records of a 2D run of the product's driver over the context's image
// with these options; texts, when given, collects the progress texts.
inline std::vector<FeatureRecord> analyse(const TextureContext& context,
                                          const AnalysisOptions& options,
                                          std::vector<std::string>* texts = nullptr) {
    // Planes that read the context's arrays; the run only reads them.
    ImagePlane grey, roiMap;
    grey.width = roiMap.width = context.width;
    grey.height = roiMap.height = context.height;
    grey.current = const_cast<uint16_t*>(context.samples);
    roiMap.current = const_cast<uint16_t*>(context.roiMap);
    Analysis2DInput input;
    input.grey = &grey;
    input.roiMap = &roiMap;
    input.imageMax = context.ImageMax;
    input.imageMin = context.ImageMin;
    input.bitDepth = context.BitDepth;
    input.options = options;
    ProgressSink progress;
    if (texts) progress.text = [texts](const std::string& t) { texts->push_back(t); };
    std::vector<FeatureRecord> records;
    std::string header;
    // Kept from call to call, as the image window keeps them: the benchmarks
    // time repeated runs through here.
    static Analysis2DBuffers buffers;
    Analyse2D(input, records, header, progress, buffers);
    return records;
}

// Texture families of a 2D run, as bits.
enum TextureFamily : unsigned {
    kHistogramFamily = 1,
    kCooccurrenceFamily = 2,
    kRunLengthFamily = 4,
    kGradientFamily = 8,
    kArFamily = 16,
};

// The records of the given families as a run writes them with every other
// family off (the families' own switches are kept as options has them),
// without the area and normalisation records before them.
inline std::vector<FeatureRecord> familyRecords(const TextureContext& context,
                                                AnalysisOptions options, unsigned families,
                                                std::vector<std::string>* texts = nullptr) {
    if (!(families & kHistogramFamily)) options.Do_hist = 0;
    if (!(families & kCooccurrenceFamily)) options.Do_co = 0;
    if (!(families & kRunLengthFamily)) options.Do_rl = 0;
    if (!(families & kGradientFamily)) options.Do_grad = 0;
    if (!(families & kArFamily)) options.Do_arm = 0;
    std::vector<FeatureRecord> records = analyse(context, options, texts);
    const size_t leading =
        std::min<size_t>(records.size(), kAreaRecordCount + normalisationRecordCount(options));
    records.erase(records.begin(), records.begin() + static_cast<std::ptrdiff_t>(leading));
    return records;
}
