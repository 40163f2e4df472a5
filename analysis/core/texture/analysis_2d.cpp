#include "analysis/core/texture/analysis_2d.h"

#include <atomic>
#include <functional>
#include <memory>
#include <new>
#include <optional>

#include "analysis/core/texture/analysis_2d_buffers.h"
#include "analysis/core/texture/ar_model.h"
#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/gradient_features.h"
#include "analysis/core/texture/histogram_features.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/roi_levels.h"
#include "analysis/core/texture/roi_segments.h"
#include "analysis/core/texture/run_length.h"
#include "analysis/core/texture/texture_context.h"
#include "analysis/core/texture/texture_records.h"
#include "platform/parallel.h"
#include "platform/textformat.h"

namespace {

// Numbers of the header print in the general format with at most 5
// significant digits, so integers below 100000 print as they are.
std::string general(double value) {
    return platform::cformat("%.5g", value);
}

int enabledDistances(const AnalysisOptions& o) {
    return o.Do_vt1 + o.Do_vt2 + o.Do_vt3 + o.Do_vt4 + o.Do_vt5;
}

}  // namespace

RecordCount countAnalysis2D(const AnalysisOptions& stored) {
    const AnalysisOptions o = stored.sanitized();
    RecordCount count;
    count.records = kAreaRecordCount + normalisationRecordCount(o) + cooccurrenceRecordCount(o) +
                    runLengthRecordCount(o);
    if (o.Do_hist) count.records += kHistogramRecordCount, count.steps += 1;
    if (o.Do_normal != 0) count.steps += 1;
    if (o.Do_co) count.steps += enabledDistances(o);
    if (o.Do_rl) count.steps += 1;
    if (o.Do_grad) count.records += kGradientRecordCount, count.steps += 1;
    if (o.Do_arm) count.records += static_cast<int>(kArRecordNames.size()), count.steps += 1;
    return count;
}

std::string reportHeader2D(const Analysis2DInput& input) {
    const AnalysisOptions o = input.options.sanitized();
    const int32_t width = input.grey ? input.grey->width : 0;
    const int32_t height = input.grey ? input.grey->height : 0;
    std::string h = "Image File: " + input.imageTitle + " \r\n";
    h += "ROI File: " + input.roiFileName + " \r\n";
    h += "Image size: " + general(width) + " x " + general(height) + "\r\n";
    h += platform::cformat("Min. lum.: %d\r\nMax. lum.: %d\r\nBits/pixel: %d\r\n\r\n",
                           input.imageMin + 1, input.imageMax + 1, input.bitDepth);
    // Mode 3 prints " No" like mode 0; stored reports read the same way.
    h += "Normalisation = ";
    h += o.Do_normal == 1 ? " 3 sigma\r\n" : o.Do_normal == 2 ? " 1 percent\r\n" : " No\r\n";
    h += std::string("Histogram analysis = ") + (o.Do_hist ? "Yes\r\n" : "No\r\n");
    h += "CO matrix analysis = ";
    if (o.Do_co && enabledDistances(o) > 0) {
        // The dimension printed is the bit count, as stored reports have it.
        h += "Yes, Dimensions = " + general(o.Ng_vt) + " x " + general(o.Ng_vt) + ", Distances =";
        const int32_t on[] = {o.Do_vt1, o.Do_vt2, o.Do_vt3, o.Do_vt4, o.Do_vt5};
        for (int d = 1; d <= 5; ++d)
            if (on[d - 1]) h += " " + std::to_string(d);
        h += "\r\n";
    } else {
        h += "No\r\n";
    }
    h += "RL matrix analysis = ";
    h += o.Do_rl ? "Yes, Dimension = " + general(o.Ng_rl) + "\r\n" : std::string("No\r\n");
    h += "Gradient analysis = ";
    h += o.Do_grad ? "Yes, Max pixel value = " + general(1 << o.Ng_gr) + "\r\n"
                   : std::string("No\r\n");
    h += std::string("AR model analysis = ") + (o.Do_arm ? "Yes\r\n" : "No\r\n");
    return h;
}

namespace {

// The matrix families count four ROIs per unit: enough units to fill the
// cores, each still one pass over its part of the image.
constexpr int kRoiGroups = 4;
constexpr uint32_t roiGroupMask(int group) {
    return 0xFu << (4 * group);
}

// The units of a run after normalisation, each writing only its own slot, so
// the records do not depend on which thread takes which unit, nor on how
// many threads there are. A unit that runs out of memory marks its family.
struct RunUnits {
    std::optional<RoiLevels> coLevels, rlLevels, grLevels;
    std::optional<RoiSegments> segments;
    std::array<std::array<double, kHistogramRecordCount>, kRoiCount> histogram{};
    // By displacement (or direction) and ROI group.
    std::array<std::array<CooccurrenceRoiValues, kRoiGroups>, 4 * kCooccurrenceDistances>
        cooccurrence{};
    std::array<std::array<RunLengthRoiValues, kRoiGroups>, 4> runLength{};
    std::array<std::array<double, kGradientRecordCount>, kRoiCount> gradient{};
    std::array<ArValues, kRoiCount> ar{};
    // Out of memory, by family; a co-occurrence failure keeps its first distance.
    std::atomic<bool> histogramFailed{false}, runLengthFailed{false}, gradientFailed{false},
        arFailed{false};
    std::atomic<int32_t> firstFailedDistance{kCooccurrenceDistances + 1};
};

// Runs the units spread over the pool; a unit not yet started when the run
// is cancelled is skipped.
void runUnits(const std::vector<std::function<void()>>& units, const ProgressSink& progress) {
    parallelFor(units.size(), 1, [&](size_t begin, size_t end) {
        for (size_t i = begin; i < end; ++i)
            if (!progress.cancelled()) units[i]();
    });
}

// Calls unit and sets flag when it runs out of memory.
template <class Unit>
std::function<void()> guarded(std::atomic<bool>& flag, Unit unit) {
    return [&flag, unit] {
        try {
            unit();
        } catch (const std::bad_alloc&) {
            flag = true;
        }
    };
}

}  // namespace

bool Analyse2D(const Analysis2DInput& input, std::vector<FeatureRecord>& records,
               std::string& header, const ProgressSink& progress, Analysis2DBuffers& buffers) {
    header = reportHeader2D(input);
    if (!input.grey || !input.roiMap) return false;
    const AnalysisOptions o = input.options.sanitized();
    const TextureContext context =
        textureContext(*input.grey, *input.roiMap, input.imageMax, input.imageMin, input.bitDepth);
    RoiStatisticsTable statistics = computeRoiStatistics(context);
    appendAreaRecord(statistics, records);

    // A family that runs out of memory ends the run early; what is done is kept.
    if (progress.cancelled()) return false;
    if (o.Do_normal != 0) {
        if (!appendNormalisationRecords(context, statistics, o, records))
            return !progress.cancelled();
        progress.report("Normalisation done");
    }
    if (progress.cancelled()) return false;

    // Every family after normalisation reads the same limits, so its units
    // (ROIs, displacements, directions) are independent. The level planes
    // and ROI segments come first, each made on all cores; then the units run
    // on all cores in two rounds (the histograms and AR fits, then what counts
    // with the planes), and the records are appended in the fixed order.
    buffers.fitImage(context.width, context.height);
    const auto units = std::make_unique<RunUnits>();  // large for a stack
    RunUnits& u = *units;
    const bool anyRoi = !unionOfRoiBoxes(statistics).empty();
    const bool shareLevels = o.Do_co && o.Do_rl && o.Ng_vt == o.Ng_rl;
    std::atomic<bool> coPrepareFailed{false}, rlPrepareFailed{false};
    std::vector<std::function<void()>> first, second;
    if (o.Do_co)
        guarded(coPrepareFailed, [&] {
            u.coLevels.emplace(context, statistics, o.Do_normal, o.Ng_vt,
                               buffers.cooccurrenceLevels);
        })();
    if (o.Do_rl && !shareLevels)
        guarded(rlPrepareFailed, [&] {
            u.rlLevels.emplace(context, statistics, o.Do_normal, o.Ng_rl, buffers.runLengthLevels);
        })();
    if (o.Do_co || o.Do_rl)
        guarded(o.Do_co ? coPrepareFailed : rlPrepareFailed,
                [&] { u.segments.emplace(context, unionOfRoiBoxes(statistics)); })();
    if (o.Do_grad)
        guarded(u.gradientFailed, [&] {
            u.grLevels.emplace(context, statistics, o.Do_normal, o.Ng_gr, buffers.gradientLevels);
        })();
    for (int roi = 0; roi < kRoiCount; ++roi) {
        if (statistics[roi].count <= 0) continue;
        if (o.Do_hist)
            first.push_back(guarded(u.histogramFailed, [&, roi] {
                u.histogram[roi] = roiHistogramFeatures(context, statistics, roi);
            }));
        if (o.Do_arm)
            first.push_back(guarded(u.arFailed, [&, roi] {
                const RoiStatistics& s = statistics[roi];
                auto scratch = buffers.ar.take();
                u.ar[roi] = fitArModel(*input.grey, *input.roiMap, static_cast<uint16_t>(1u << roi),
                                       s.xmin, s.ymin, s.xmax, s.ymax, *scratch);
            }));
    }
    runUnits(first, progress);
    if (progress.cancelled()) return false;
    // Both families count over the segments; run length may read the
    // co-occurrence levels.
    if (!u.segments) coPrepareFailed = rlPrepareFailed = true;
    if (shareLevels && coPrepareFailed) rlPrepareFailed = true;
    if (coPrepareFailed) u.firstFailedDistance = 1;
    if (rlPrepareFailed) u.runLengthFailed = true;

    std::vector<int> groups;  // those holding a ROI with pixels
    for (int group = 0; group < kRoiGroups; ++group)
        for (int roi = 4 * group; roi < 4 * group + 4; ++roi)
            if (statistics[roi].count > 0) {
                groups.push_back(group);
                break;
            }
    // The longest units first, so that no long one starts last.
    if (o.Do_rl && !u.runLengthFailed)
        for (int d = 0; d < 4; ++d)
            for (int group : groups)
                second.push_back(guarded(u.runLengthFailed, [&, d, group] {
                    auto scratch = buffers.runLength.take();
                    u.runLength[d][group] = runLengthDirectionValues(
                        context, statistics, shareLevels ? *u.coLevels : *u.rlLevels, *u.segments,
                        kRunDirections[d], roiGroupMask(group), *scratch);
                }));
    if (o.Do_co && !coPrepareFailed)
        for (int32_t d = 1; d <= kCooccurrenceDistances; ++d) {
            if (!cooccurrenceDistanceOn(o, d)) continue;
            const auto displacements = cooccurrenceDisplacements(d);
            for (int k = 0; k < 4; ++k)
                for (int group : groups)
                    second.push_back([&, d, k, group, displacement = displacements[k]] {
                        try {
                            auto scratch = buffers.cooccurrence.take();
                            u.cooccurrence[(d - 1) * 4 + k][group] = cooccurrenceDisplacementValues(
                                context, statistics, *u.coLevels, *u.segments, displacement,
                                roiGroupMask(group), *scratch);
                        } catch (const std::bad_alloc&) {
                            for (int32_t seen = u.firstFailedDistance; d < seen;)
                                u.firstFailedDistance.compare_exchange_weak(seen, d);
                        }
                    });
        }
    if (o.Do_grad && !u.gradientFailed && anyRoi)
        for (int roi = 0; roi < kRoiCount; ++roi) {
            if (statistics[roi].count <= 0) continue;
            second.push_back(guarded(u.gradientFailed, [&, roi] {
                u.gradient[roi] =
                    roiGradientFeatures(context, statistics, *u.grLevels, o.Ng_gr, roi);
            }));
        }
    runUnits(second, progress);
    if (progress.cancelled()) return false;

    if (o.Do_hist) {
        if (u.histogramFailed) return !progress.cancelled();
        std::array<RoiValues, kHistogramRecordCount> values{};
        for (int roi = 0; roi < kRoiCount; ++roi)
            for (int k = 0; k < kHistogramRecordCount; ++k) values[k][roi] = u.histogram[roi][k];
        appendHistogramRecordsOf(values, records);
        progress.report("Histogram done");
    }
    if (progress.cancelled()) return false;
    if (o.Do_co) {
        for (int32_t d = 1; d <= kCooccurrenceDistances; ++d) {
            if (!cooccurrenceDistanceOn(o, d)) continue;
            if (d >= u.firstFailedDistance) return !progress.cancelled();
            const auto displacements = cooccurrenceDisplacements(d);
            for (int k = 0; k < 4; ++k) {
                const auto& parts = u.cooccurrence[(d - 1) * 4 + k];
                CooccurrenceRoiValues values;
                for (int roi = 0; roi < kRoiCount; ++roi) {
                    const CooccurrenceRoiValues& part = parts[roi / 4];
                    values.pairs[roi] = part.pairs[roi];
                    for (int f = 0; f < kCooccurrenceFeatureCount; ++f)
                        values.values[f][roi] = part.values[f][roi];
                }
                appendCooccurrenceDisplacementRecords(displacements[k], values, records);
            }
            progress.report(platform::cformat("Co-occurence: distance %d done", d));
        }
    }
    if (progress.cancelled()) return false;
    if (o.Do_rl) {
        if (u.runLengthFailed) return !progress.cancelled();
        for (int d = 0; d < 4; ++d) {
            RunLengthRoiValues values{};
            for (int roi = 0; roi < kRoiCount; ++roi)
                for (int f = 0; f < kRunLengthFeatureCount; ++f)
                    values[f][roi] = u.runLength[d][roi / 4][f][roi];
            appendRunLengthDirectionRecords(kRunDirections[d], values, records);
        }
        progress.report("Runlength done");
    }
    if (progress.cancelled()) return false;
    if (o.Do_grad) {
        if (u.gradientFailed) return !progress.cancelled();
        std::array<RoiValues, kGradientRecordCount> values{};
        for (int roi = 0; roi < kRoiCount; ++roi)
            for (int k = 0; k < kGradientRecordCount; ++k) values[k][roi] = u.gradient[roi][k];
        appendGradientRecordsOf(values, records);
        progress.report("Gradient done");
    }
    if (progress.cancelled()) return false;
    if (o.Do_arm) {
        if (u.arFailed) return !progress.cancelled();
        for (size_t r = 0; r < kArRecordNames.size(); ++r) {
            RoiValues values{};
            for (size_t roi = 0; roi < kRoiCount; ++roi) values[roi] = u.ar[roi][r];
            appendFeatureRecord(records, kArRecordNames[r], values);
        }
        progress.report("Autoregression model done");
    }
    return !progress.cancelled();
}
