#include "volume/core/texture3d/volume_analysis.h"

#include <array>
#include <cstdio>
#include <map>
#include <memory>
#include <new>

#include "platform/parallel.h"
#include "volume/core/texture3d/voi_grid.h"
#include "volume/core/texture3d/volume_cooccurrence.h"
#include "volume/core/texture3d/volume_first_order.h"
#include "volume/core/texture3d/volume_report_header.h"
#include "volume/core/texture3d/volume_run_length.h"

namespace {

size_t cacheBudget = kVolumeAnalysisCacheBytes;

std::array<bool, 5> enabledDistances(const Analysis3DOptions& o) {
    return {o.ComDist1, o.ComDist2, o.ComDist3, o.ComDist4, o.ComDist5};
}

int runDirectionCount(const Analysis3DOptions& o) {
    return o.RlmMoredirs ? kVolumeRunDirectionsAll : kVolumeRunDirectionsBasic;
}

// The record names of a run, in order.
std::vector<std::string> recordNames(const Analysis3DOptions& o) {
    std::vector<std::string> names = {"_Volume"};
    if (o.Normalisation != 0) names.insert(names.end(), {"_MinNorm3D", "_MaxNorm3D"});
    // The families' names; the histogram's with "3D" after them, the
    // gradient's count named for the volume.
    if (o.HistogramFeatures)
        for (std::string_view f : kHistogramFeatureNames) names.push_back(std::string(f) + "3D");
    if (o.GradientFeatures) {
        names.push_back("_VolumeGr");
        names.insert(names.end(), kGradientFeatureNames.begin() + 1, kGradientFeatureNames.end());
    }
    if (o.ComFeatures) {
        const std::array<bool, 5> on = enabledDistances(o);
        for (int32_t d = 1; d <= 5; ++d) {
            if (!on[static_cast<size_t>(d - 1)]) continue;
            for (const Direction3& dir : cooccurrenceDirections3D(d, o.ComMoredirs)) {
                names.push_back(volumePairCountName(dir));
                for (int f = 0; f < kCooccurrenceFeatureCount; ++f)
                    names.push_back(volumeCooccurrenceFeatureName(dir, f));
            }
        }
    }
    if (o.RlmFeatures)
        for (int i = 0; i < runDirectionCount(o); ++i)
            for (std::string_view f : kRunLengthFeatureNames)
                names.push_back(std::string(kVolumeRunDirections[static_cast<size_t>(i)].prefix) +
                                std::string(f));
    return names;
}

class Run {
  public:
    Run(const Volume3D& image, const Volume3D& mask, const Analysis3DOptions& o,
        std::vector<FeatureRecord>& records, const ProgressSink& progress)
        : image_(image), mask_(mask), o_(o), records_(records), progress_(progress) {}

    bool execute();

  private:
    bool cancelled() const { return progress_.cancelled(); }
    bool empty(int k) const { return mask_.voiCounts[static_cast<size_t>(k)] < 1; }
    const NormWindow* window(int k) const {
        return o_.Normalisation != 0 ? &windows_[static_cast<size_t>(k)] : nullptr;
    }
    void set(size_t record, int k, double value) {
        records_[record].values[static_cast<size_t>(k)] = value;
    }
    const VoiGrid& grid(int k);
    const std::vector<uint16_t>& levels(int k, int bits);
    void makeRoom(size_t bytes);

    const Volume3D& image_;
    const Volume3D& mask_;
    const Analysis3DOptions& o_;
    std::vector<FeatureRecord>& records_;
    const ProgressSink& progress_;
    std::array<NormWindow, kVoiCount> windows_{};
    size_t next_ = 0;  // first record of the family in progress

    // Each VOI is cut out once and each of its level sets made once while
    // they fit the budget; beyond it the cache starts over.
    std::array<std::unique_ptr<VoiGrid>, kVoiCount> grids_;
    std::array<std::map<int, std::vector<uint16_t>>, kVoiCount> levels_;
    size_t cached_ = 0;
};

void Run::makeRoom(size_t bytes) {
    if (cached_ + bytes <= cacheBudget) return;
    for (auto& g : grids_) g.reset();
    for (auto& l : levels_) l.clear();
    cached_ = 0;
}

const VoiGrid& Run::grid(int k) {
    std::unique_ptr<VoiGrid>& g = grids_[static_cast<size_t>(k)];
    if (!g) {
        const VoiBox& b = mask_.voiBoxes[static_cast<size_t>(k)];
        const size_t voxels =
            size_t(b.xmax - b.xmin + 1) * size_t(b.ymax - b.ymin + 1) * size_t(b.zmax - b.zmin + 1);
        makeRoom(3 * voxels);
        g = std::make_unique<VoiGrid>(buildVoiGrid(image_, mask_, k));
        cached_ += 3 * voxels;
    }
    return *g;
}

const std::vector<uint16_t>& Run::levels(int k, int bits) {
    auto& sets = levels_[static_cast<size_t>(k)];
    auto it = sets.find(bits);
    if (it == sets.end()) {
        const VoiGrid& g = grid(k);
        const size_t bytes = 2 * g.grey.size();
        if (cached_ + bytes > cacheBudget) {
            // Keep this VOI's grid, drop the rest.
            std::unique_ptr<VoiGrid> keep = std::move(grids_[static_cast<size_t>(k)]);
            makeRoom(cacheBudget);
            cached_ = 3 * keep->grey.size();
            grids_[static_cast<size_t>(k)] = std::move(keep);
        }
        it = sets.emplace(bits, gridLevels(*grids_[static_cast<size_t>(k)], bits, window(k))).first;
        cached_ += bytes;
    }
    return it->second;
}

bool Run::execute() {
    for (int k = 0; k < kVoiCount; ++k)
        set(0, k, static_cast<double>(mask_.voiCounts[static_cast<size_t>(k)]));
    next_ = 1;

    if (o_.Normalisation != 0) {
        for (int k = 0; k < kVoiCount; ++k) {
            if (cancelled()) return false;
            if (empty(k)) {
                windows_[static_cast<size_t>(k)] = {0, 0};
                continue;
            }
            windows_[static_cast<size_t>(k)] = volumeNormalisation(grid(k), o_.Normalisation);
            set(next_, k, windows_[static_cast<size_t>(k)].lo);
            set(next_ + 1, k, windows_[static_cast<size_t>(k)].hi);
        }
        next_ += 2;
        progress_.report("Normalisation done");
    }

    if (o_.HistogramFeatures) {
        for (int k = 0; k < kVoiCount; ++k) {
            if (cancelled()) return false;
            if (empty(k)) continue;
            const auto f = volumeHistogramFeatures(grid(k), o_.HistogramBpp);
            for (size_t i = 0; i < f.size(); ++i) set(next_ + i, k, f[i]);
        }
        next_ += kVolumeHistogramFeatures;
        progress_.report("Histogram done");
    }

    if (o_.GradientFeatures) {
        for (int k = 0; k < kVoiCount; ++k) {
            if (cancelled()) return false;
            if (empty(k)) continue;
            const auto f = volumeGradientFeatures(grid(k), levels(k, o_.GradientBpp));
            for (size_t i = 0; i < f.size(); ++i) set(next_ + i, k, f[i]);
        }
        next_ += kVolumeGradientFeatures;
        progress_.report("Gradient done");
    }

    if (o_.ComFeatures) {
        const std::array<bool, 5> on = enabledDistances(o_);
        for (int32_t d = 1; d <= 5; ++d) {
            if (!on[static_cast<size_t>(d - 1)]) continue;
            const std::vector<Direction3> dirs = cooccurrenceDirections3D(d, o_.ComMoredirs);
            for (int k = 0; k < kVoiCount; ++k) {
                if (cancelled()) return false;
                if (empty(k)) continue;
                const std::vector<uint16_t>& q = levels(k, o_.ComBpp);
                const VoiGrid& g = grid(k);
                std::vector<CooccurrenceFeatures> results(dirs.size());
                // One matrix per direction, each counted whole by one thread.
                parallelFor(dirs.size(), 1, [&](size_t begin, size_t end) {
                    CooccurrenceMatrix matrix;
                    for (size_t i = begin; i < end; ++i)
                        if (volumeCooccurrenceMatrix(g, q, o_.ComBpp, dirs[i], matrix,
                                                     progress_.cancel))
                            results[i] = volumeCooccurrenceFeatures(matrix);
                });
                if (cancelled()) return false;
                for (size_t i = 0; i < dirs.size(); ++i) {
                    const size_t base = next_ + i * (1 + kCooccurrenceFeatureCount);
                    set(base, k, results[i].pairCount);
                    for (int f = 0; f < kCooccurrenceFeatureCount; ++f)
                        set(base + 1 + static_cast<size_t>(f), k,
                            results[i].values[static_cast<size_t>(f)]);
                }
            }
            next_ += dirs.size() * (1 + kCooccurrenceFeatureCount);
            char text[64];
            std::snprintf(text, sizeof text, "Co-occurence: distance %d done", d);
            progress_.report(text);
        }
    }

    if (o_.RlmFeatures) {
        const size_t count = static_cast<size_t>(runDirectionCount(o_));
        const int32_t maxRun = volumeRunLengthColumns(mask_);
        for (int k = 0; k < kVoiCount; ++k) {
            if (cancelled()) return false;
            if (empty(k)) continue;
            const std::vector<uint16_t>& q = levels(k, o_.RlmBpp);
            const VoiGrid& g = grid(k);
            std::vector<std::array<double, kRunLengthFeatureCount>> results(count);
            parallelFor(count, 1, [&](size_t begin, size_t end) {
                RunLengthMatrix matrix;
                for (size_t i = begin; i < end; ++i)
                    if (volumeRunLengthMatrix(g, q, o_.RlmBpp, maxRun, kVolumeRunDirections[i],
                                              matrix, progress_.cancel))
                        results[i] = volumeRunLengthFeatures(matrix);
            });
            if (cancelled()) return false;
            for (size_t i = 0; i < count; ++i)
                for (int f = 0; f < kRunLengthFeatureCount; ++f)
                    set(next_ + i * kRunLengthFeatureCount + static_cast<size_t>(f), k,
                        results[i][static_cast<size_t>(f)]);
        }
        next_ += count * kRunLengthFeatureCount;
        progress_.report("Runlength done");
    }
    return true;
}

}  // namespace

void setVolumeAnalysisCacheBytes(size_t bytes) {
    cacheBudget = bytes;
}

VolumeAnalysisCount countVolumeAnalysis(const Analysis3DOptions& options) {
    const Analysis3DOptions o = options.sanitized();
    VolumeAnalysisCount c;
    c.records = static_cast<int>(recordNames(o).size());
    c.steps = (o.Normalisation != 0) + o.HistogramFeatures + o.GradientFeatures + o.RlmFeatures;
    if (o.ComFeatures)
        for (bool d : enabledDistances(o)) c.steps += d;
    return c;
}

bool RunVolumeAnalysis(const Volume3D& image, Volume3D& mask, const Analysis3DOptions& options,
                       std::vector<FeatureRecord>& records, std::string& header,
                       const ProgressSink& progress) {
    const Analysis3DOptions o = options.sanitized();
    Volume3DRoiBounds(mask);
    header = WriteVolumeReportHeader(image, mask, o);
    const std::vector<std::string> names = recordNames(o);
    records.assign(names.size(), FeatureRecord{});
    for (size_t i = 0; i < names.size(); ++i) setRecordName(records[i], names[i]);
    try {
        return Run(image, mask, o, records, progress).execute();
    } catch (const std::bad_alloc&) {
        // The run ends here; the families before stay complete.
        return true;
    }
}
