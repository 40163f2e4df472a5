#include "volume/forms/analysis_3d_job.h"

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "analysis/core/reports/report_document.h"
#include "analysis/core/runner/analysis_runner.h"
#include "volume/core/texture3d/volume_analysis.h"

namespace {

// Everything the worker reads, taken before it starts.
struct Snapshot {
    std::unique_ptr<Volume3D> image;
    std::unique_ptr<Volume3D> mask;
    Analysis3DOptions options;
    VoiNames names;
    std::vector<FeatureRecord> records;
    std::string header;
};

}  // namespace

std::optional<ProgressJob> make3DAnalysisJob(const Volume3D* image, const Volume3D* mask,
                                             const Analysis3DOptions& options,
                                             const VoiNames& names) {
    if (!image || !mask) return std::nullopt;
    auto snap = std::make_shared<Snapshot>();
    try {
        snap->image = std::make_unique<Volume3D>(*image);
        snap->mask = std::make_unique<Volume3D>(*mask);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    snap->options = options.sanitized();
    snap->names = names;

    ProgressJob job;
    job.run = [snap](const ProgressSink& progress) {
        progress.range(countVolumeAnalysis(snap->options).steps);
        if (!RunVolumeAnalysis(*snap->image, *snap->mask, snap->options, snap->records,
                               snap->header, progress))
            return false;
        return !progress.cancelled();
    };
    job.finish = [snap](bool completed) {
        if (!completed) return;
        std::vector<std::string> taken;
        for (ReportDocument* d = NextReportDocument(nullptr, nullptr); d;
             d = NextReportDocument(d, nullptr))
            taken.push_back(d->name);
        ReportDocument* doc =
            NewReportDocument(static_cast<int>(snap->records.size()), snap->records.data(),
                              snap->header, uniqueDocumentName(currentDocumentName(), taken));
        if (!doc) return;
        doc->saved = 0;
        for (size_t k = 0; k < kVoiCount; ++k) doc->roiName[k] = snap->names[k].substr(0, 255);
    };
    return job;
}
