#include "analysis/core/texture/analysis_2d.h"

#include "analysis/core/texture/ar_model.h"
#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/gradient_features.h"
#include "analysis/core/texture/histogram_features.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/roi_geometry.h"
#include "analysis/core/texture/run_length.h"
#include "analysis/core/texture/texture_context.h"
#include "analysis/core/texture/texture_records.h"
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

RecordCount CountAnalysis2D(const AnalysisOptions& stored) {
    const AnalysisOptions o = stored.sanitized();
    RecordCount count;
    count.records = 1;
    if (o.Do_hist) count.records += 9, count.steps += 1;
    if (o.Do_normal != 0) count.records += 2, count.steps += 1;
    if (o.Do_co) count.records += 48 * enabledDistances(o), count.steps += enabledDistances(o);
    if (o.Do_rl) count.records += 20, count.steps += 1;
    if (o.Do_grad) count.records += 6, count.steps += 1;
    if (o.Do_arm) count.records += 6, count.steps += 1;
    return count;
}

std::string ReportHeader2D(const Analysis2DInput& input) {
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

bool Analyse2D(const Analysis2DInput& input, std::vector<FeatureRecord>& records,
               std::string& header, const ProgressSink& progress) {
    header = ReportHeader2D(input);
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
    if (o.Do_hist) {
        if (!appendHistogramRecords(context, statistics, records)) return !progress.cancelled();
        progress.report("Histogram done");
    }
    if (progress.cancelled()) return false;
    if (o.Do_co) {
        bool complete = appendCooccurrenceRecords(context, statistics, o, records, [&](int32_t d) {
            progress.report(platform::cformat("Co-occurence: distance %d done", d));
        });
        if (!complete) return !progress.cancelled();
    }
    if (progress.cancelled()) return false;
    if (o.Do_rl) {
        if (!appendRunLengthRecords(context, statistics, o, records)) return !progress.cancelled();
        progress.report("Runlength done");
    }
    if (progress.cancelled()) return false;
    if (o.Do_grad) {
        if (!appendGradientRecords(context, statistics, o, records)) return !progress.cancelled();
        progress.report("Gradient done");
    }
    if (progress.cancelled()) return false;
    if (o.Do_arm) {
        std::array<ArValues, kRoiCount> fits{};
        for (int roi = 0; roi < kRoiCount; ++roi) {
            if (progress.cancelled()) return false;
            const RoiStatistics& s = statistics[static_cast<size_t>(roi)];
            if (s.count > 0)
                fits[static_cast<size_t>(roi)] =
                    FitArModel(*input.grey, *input.roiMap, static_cast<uint16_t>(1u << roi), s.xmin,
                               s.ymin, s.xmax, s.ymax);
        }
        for (size_t r = 0; r < kArRecordNames.size(); ++r) {
            RoiValues values{};
            for (size_t roi = 0; roi < kRoiCount; ++roi) values[roi] = fits[roi][r];
            appendFeatureRecord(records, kArRecordNames[r], values);
        }
        progress.report("Autoregression model done");
    }
    return !progress.cancelled();
}
