#include "analysis/core/runner/shape_wavelet_steps.h"

#include "analysis/core/texture/shape_features.h"

namespace {

TextureContext contextOf(const Analysis2DInput& input) {
    return textureContext(*input.grey, *input.roiMap, input.imageMax, input.imageMin,
                          input.bitDepth);
}

}  // namespace

RecordCount countShapeAndWavelet(const AnalysisOptions& stored, const GrainOptions& grains) {
    const AnalysisOptions o = stored.sanitized();
    RecordCount count;
    if (o.Do_wavMap || o.Do_wavF1) count.steps += 1;
    if (o.Do_wavF1) count.steps += 1, count.records += kWaveletRecordCount;
    if (const int shapes = shapeRecordCount(grains); shapes > 0)
        count.steps += 1, count.records += shapes;
    return count;
}

void runShapeStep(const Analysis2DInput& input, const GrainOptions& grains,
                  std::vector<FeatureRecord>& records, const ProgressSink& progress) {
    if (shapeRecordCount(grains) == 0 || !input.roiMap) return;
    appendShapeRecords(input.roiMap->current, input.roiMap->width, input.roiMap->height,
                       grains.sanitized(), records);
    progress.report("Geometrical features done");
}

bool runWaveletSteps(const Analysis2DInput& input, const GrainOptions& grains,
                     std::vector<FeatureRecord>& records, std::string& header, WaveletPyramid& map,
                     const ProgressSink& progress) {
    const AnalysisOptions o = input.options.sanitized();
    if (shapeRecordCount(grains) > 0) header += "Geometrical features done\r\n";
    map = {};
    if (!input.grey || !input.roiMap) return false;
    const TextureContext context = contextOf(input);
    if (o.Do_wavMap) {
        map = computeWaveletMap(context, o);
        if (progress.cancelled()) return false;
        progress.report("Wavelet image done");
    }
    if (o.Do_wavF1) {
        WaveletFeatures features = computeWaveletFeatures(context, o, progress.cancel);
        if (progress.cancelled()) return false;
        if (features.computed) {
            const size_t kept = features.records.size() - static_cast<size_t>(features.unfilled);
            records.insert(records.end(), features.records.begin(),
                           features.records.begin() + static_cast<ptrdiff_t>(kept));
        }
        progress.report("Wavelet features done");
    }
    // An image too large for the working size says so on its own line.
    const bool ran = o.Do_wavF1 && waveletWorkingSize(context.width, context.height) != 0;
    header += std::string("Wavelet analysis = ") + (ran ? "Yes\r\n" : "No\r\n");
    header += waveletRefusalNote(context, o);
    return !progress.cancelled();
}
