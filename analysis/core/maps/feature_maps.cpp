#include "analysis/core/maps/feature_maps.h"

#include <algorithm>
#include <array>
#include <memory>
#include <new>
#include <vector>

#include "analysis/core/maps/map_grid.h"
#include "analysis/core/maps/map_selection.h"
#include "analysis/core/maps/sliding_cooccurrence.h"
#include "analysis/core/maps/sliding_histogram.h"
#include "analysis/core/texture/ar_model.h"
#include "analysis/core/texture/cooccurrence.h"
#include "analysis/core/texture/gradient_features.h"
#include "analysis/core/texture/grey_histogram.h"
#include "analysis/core/texture/histogram_features.h"
#include "analysis/core/texture/normalisation.h"
#include "analysis/core/texture/run_length.h"
#include "platform/parallel.h"
#include "platform/textformat.h"

namespace {

// What every family of a run shares.
struct MapRun {
    const TextureContext& context;
    AnalysisOptions options;  // sanitized
    MapGridAxis columns, rows;
    // Limits over the whole image, used by every window unless each window
    // is normalised by its own (Do_normap).
    NormalisationLimits imageLimits;
    bool perWindow = false;
    // Whether every sample lies below 2^B, so that the histogram of a window
    // bins all of its samples.
    bool samplesFit = false;
    const ProgressSink& progress;
    const FeatureMapSink& sink;

    PixelRect window(int32_t i, int32_t j) const {
        const int32_t x0 = columns.windowStart(i), y0 = rows.windowStart(j);
        return {x0, y0, x0 + columns.window - 1, y0 + rows.window - 1};
    }
    LevelMapping imageMapping(int32_t bits) const {
        return {options.Do_normal, context.BitDepth, bits, imageLimits};
    }
};

// The limits of one window for the run's mode: the same modes over every
// pixel of the window, mode 3 still the image's minimum and maximum.
NormalisationLimits windowLimits(const MapRun& run, const PixelRect& rect,
                                 GreyHistogram& histogram) {
    buildGreyHistogram(run.context, rect, kEveryPixel, histogram);
    return normalisationLimits(histogram, run.options.Do_normal, run.context.BitDepth,
                               run.context.ImageMin, run.context.ImageMax);
}

// The level table of a window: the run's shared table, or one of the
// window's own limits (computed per sample, as a window reads few of them).
class WindowLevels {
  public:
    // shared: the table of the image's limits (sharedLevels), made once per family.
    WindowLevels(const MapRun& run, const LevelTable& shared) : run_(run), shared_(shared) {}
    const LevelTable& at(const PixelRect& rect, GreyHistogram& histogram) {
        if (!run_.perWindow) return shared_;
        LevelMapping mapping = shared_.mapping();
        mapping.limits = windowLimits(run_, rect, histogram);
        own_ = LevelTable(mapping, 0);
        return own_;
    }

  private:
    const MapRun& run_;
    const LevelTable& shared_;
    LevelTable own_;
};

// The table of the image-wide limits for levels of `bits` bits (empty when
// every window has its own limits).
LevelTable sharedLevels(const MapRun& run, int32_t bits) {
    return LevelTable(run.imageMapping(bits),
                      run.perWindow ? 0u : uint32_t{1} << usableBitDepth(run.context.BitDepth));
}

// The selected maps of one family block, W x H zeros each until filled.
struct MapBlock {
    std::vector<int> features;  // indices into the family's feature values
    std::vector<std::string> names;
    std::vector<std::vector<double>> maps;
};

template <size_t N, class NameOf>
MapBlock makeBlock(const MapRun& run, const std::array<bool, N>& selected, NameOf nameOf,
                   int firstValue = 0) {
    MapBlock block;
    const size_t size = static_cast<size_t>(run.context.width) * run.context.height;
    for (size_t k = 0; k < N; ++k) {
        if (!selected[k]) continue;
        block.features.push_back(static_cast<int>(k) + firstValue);
        block.names.push_back(nameOf(static_cast<int>(k)));
        block.maps.emplace_back(size, 0.0);
    }
    return block;
}

// Computes the block's maps: kernel(row j, values) writes the F feature
// values of every window of grid row j to values (F per window). Each value
// lands at the first pixel of its window's block and is then spread over
// the block. Returns false when cancelled.
template <class MakeKernel>
bool fillBlock(const MapRun& run, MapBlock& block, size_t featureCount, MakeKernel makeKernel) {
    const MapGridAxis& gx = run.columns;
    const MapGridAxis& gy = run.rows;
    const size_t width = static_cast<size_t>(run.context.width);
    if (gx.count == 0 || gy.count == 0) return !run.progress.cancelled();
    parallelFor(static_cast<size_t>(gy.count), 2, [&](size_t begin, size_t end) {
        auto kernel = makeKernel();
        std::vector<double> values(static_cast<size_t>(gx.count) * featureCount);
        for (size_t j = begin; j < end; ++j) {
            if (run.progress.cancelled()) return;
            kernel(static_cast<int32_t>(j), values.data());
            const size_t row = static_cast<size_t>(gy.blockStart(static_cast<int32_t>(j))) * width;
            for (size_t m = 0; m < block.maps.size(); ++m) {
                double* map = block.maps[m].data() + row;
                const size_t f = static_cast<size_t>(block.features[m]);
                for (int32_t i = 0; i < gx.count; ++i) {
                    const double v = values[static_cast<size_t>(i) * featureCount + f];
                    std::fill(map + gx.blockStart(i), map + gx.blockEnd(i), v);
                }
                const int32_t rowsOfBlock =
                    gy.blockEnd(static_cast<int32_t>(j)) - gy.blockStart(static_cast<int32_t>(j));
                for (int32_t r = 1; r < rowsOfBlock; ++r)
                    std::copy(map, map + width, map + static_cast<size_t>(r) * width);
            }
        }
    });
    return !run.progress.cancelled();
}

void handOver(const MapRun& run, MapBlock& block) {
    for (size_t m = 0; m < block.maps.size(); ++m) {
        if (run.sink)
            run.sink(block.names[m], block.maps[m].data(), run.context.width, run.context.height);
        std::vector<double>().swap(block.maps[m]);
    }
}

// Runs one family block: allocate, fill, hand over. A block whose memory
// cannot be had is skipped. Returns false when cancelled.
template <size_t N, class NameOf, class MakeKernel>
bool runBlock(const MapRun& run, const std::array<bool, N>& selected, NameOf nameOf,
              size_t featureCount, int firstValue, MakeKernel makeKernel) {
    try {
        MapBlock block = makeBlock(run, selected, nameOf, firstValue);
        if (!fillBlock(run, block, featureCount, makeKernel)) return false;
        handOver(run, block);
    } catch (const std::bad_alloc&) {
    }
    return !run.progress.cancelled();
}

bool runLengthMaps(const MapRun& run, const MapSelection& selection) {
    const int32_t bits = run.options.Ng_rl;
    const LevelTable shared = sharedLevels(run, bits);
    int done = 0;
    for (int d = 0; d < 4; ++d) {
        if (!selection.anyRunLength(d)) continue;
        const RunDirection direction = kRunDirections[static_cast<size_t>(d)];
        const auto nameOf = [&](int k) {
            return platform::cformat("%s%s%db",
                                     kRunLengthDirectionPrefixes[static_cast<size_t>(d)].data(),
                                     kRunLengthFeatureNames[static_cast<size_t>(k)].data(), bits);
        };
        const auto makeKernel = [&] {
            return [&run, direction, levels = std::make_shared<WindowLevels>(run, shared),
                    matrix = std::make_shared<RunLengthMatrix>(),
                    histogram = std::make_shared<GreyHistogram>()](int32_t j, double* out) {
                for (int32_t i = 0; i < run.columns.count; ++i) {
                    const PixelRect rect = run.window(i, j);
                    const LevelTable& table = levels->at(rect, *histogram);
                    buildRunLengthMatrix(run.context, rect, kEveryPixel, table, direction, *matrix);
                    const auto f = runLengthFeatures(*matrix);
                    std::copy(f.begin(), f.end(), out + static_cast<size_t>(i) * f.size());
                }
            };
        };
        if (!runBlock(run, selection.runLength[static_cast<size_t>(d)], nameOf,
                      kRunLengthFeatureCount, 0, makeKernel))
            return false;
        run.progress.report(platform::cformat("Runlength maps (%d) done", ++done));
    }
    return true;
}

// Levels of every pixel through the run's image-wide table, for the sliding
// co-occurrence matrices.
std::vector<uint16_t> levelPlane(const MapRun& run, int32_t bits) {
    const LevelTable table(run.imageMapping(bits),
                           uint32_t{1} << usableBitDepth(run.context.BitDepth));
    const size_t width = static_cast<size_t>(run.context.width);
    std::vector<uint16_t> plane(width * static_cast<size_t>(run.context.height));
    parallelFor(static_cast<size_t>(run.context.height), 16, [&](size_t begin, size_t end) {
        for (size_t k = begin * width; k < end * width; ++k)
            plane[k] = table[run.context.samples[k]];
    });
    return plane;
}

bool cooccurrenceMaps(const MapRun& run, const MapSelection& selection) {
    const int32_t bits = run.options.Ng_vt;
    const LevelTable shared = sharedLevels(run, bits);
    int done = 0;
    std::vector<uint16_t> plane;
    for (int32_t distance = 1; distance <= kCooccurrenceDistances; ++distance) {
        if (!selection.distances[static_cast<size_t>(distance - 1)]) continue;
        const auto displacements = cooccurrenceDisplacements(distance);
        for (int d = 0; d < 4; ++d) {
            if (!selection.anyCooccurrence(d)) continue;
            const Displacement displacement = displacements[static_cast<size_t>(d)];
            const auto nameOf = [&](int k) {
                return platform::cformat("S(%d,%d)%s%db", displacement.dx, displacement.dy,
                                         kCooccurrenceFeatureNames[static_cast<size_t>(k)].data(),
                                         bits);
            };
            bool ok = true;
            try {
                if (!run.perWindow && plane.empty() && run.columns.count > 0 && run.rows.count > 0)
                    plane = levelPlane(run, bits);
            } catch (const std::bad_alloc&) {
                ok = false;
            }
            if (!ok) {
                run.progress.report(platform::cformat("Co-occurrence maps (%d) done", ++done));
                continue;
            }
            const int32_t levelCount = int32_t{1} << bits;
            uint32_t wanted = 0;
            for (size_t k = 0; k < kCooccurrenceFeatureCount; ++k)
                if (selection.cooccurrence[static_cast<size_t>(d)][k]) wanted |= 1u << k;
            const auto makeSliding = [&] {
                return [&run, wanted,
                        sliding = std::make_shared<SlidingCooccurrence>(
                            plane.data(), run.context.width, run.context.height, levelCount,
                            run.columns.window, run.rows.window, displacement)](int32_t j,
                                                                                double* out) {
                    for (int32_t i = 0; i < run.columns.count; ++i) {
                        sliding->moveTo(run.columns.windowStart(i), run.rows.windowStart(j));
                        const auto f = sliding->evaluate(wanted);
                        std::copy(f.values.begin(), f.values.end(),
                                  out + static_cast<size_t>(i) * f.values.size());
                    }
                };
            };
            const auto makeDirect = [&] {
                return [&run, displacement, levels = std::make_shared<WindowLevels>(run, shared),
                        matrix = std::make_shared<CooccurrenceMatrix>(),
                        histogram = std::make_shared<GreyHistogram>()](int32_t j, double* out) {
                    for (int32_t i = 0; i < run.columns.count; ++i) {
                        const PixelRect rect = run.window(i, j);
                        const LevelTable& table = levels->at(rect, *histogram);
                        buildCooccurrenceMatrix(run.context, rect, kEveryPixel, table, displacement,
                                                *matrix);
                        const auto f = evaluateCooccurrence(*matrix);
                        std::copy(f.values.begin(), f.values.end(),
                                  out + static_cast<size_t>(i) * f.values.size());
                    }
                };
            };
            const bool completed =
                run.perWindow ? runBlock(run, selection.cooccurrence[static_cast<size_t>(d)],
                                         nameOf, kCooccurrenceFeatureCount, 0, makeDirect)
                              : runBlock(run, selection.cooccurrence[static_cast<size_t>(d)],
                                         nameOf, kCooccurrenceFeatureCount, 0, makeSliding);
            if (!completed) return false;
            run.progress.report(platform::cformat("Co-occurrence maps (%d) done", ++done));
        }
    }
    return true;
}

bool gradientMaps(const MapRun& run, const MapSelection& selection) {
    if (!selection.anyGradient()) return true;
    const int32_t bits = run.options.Ng_gr;
    const LevelTable shared = sharedLevels(run, bits);
    const auto nameOf = [&](int k) {
        return platform::cformat("%s%db", kGradientFeatureNames[static_cast<size_t>(k) + 1].data(),
                                 bits);
    };
    const auto makeKernel = [&] {
        return [&run, levels = std::make_shared<WindowLevels>(run, shared),
                gradients = std::make_shared<std::vector<double>>(),
                histogram = std::make_shared<GreyHistogram>()](int32_t j, double* out) {
            for (int32_t i = 0; i < run.columns.count; ++i) {
                const PixelRect rect = run.window(i, j);
                const LevelTable& table = levels->at(rect, *histogram);
                collectGradients(run.context, rect, kEveryPixel, table, *gradients);
                const auto f = gradientFeatures(*gradients);
                std::copy(f.begin(), f.end(), out + static_cast<size_t>(i) * f.size());
            }
        };
    };
    if (!runBlock(run, selection.gradient, nameOf, kGradientRecordCount, 1, makeKernel))
        return false;
    run.progress.report("Gradient maps done");
    return true;
}

bool histogramMaps(const MapRun& run, const MapSelection& selection) {
    if (!selection.anyHistogram()) return true;
    const auto nameOf = [](int k) {
        return std::string(kHistogramFeatureNames[static_cast<size_t>(k)]);
    };
    const auto makeDirect = [&] {
        return [&run, histogram = std::make_shared<GreyHistogram>()](int32_t j, double* out) {
            for (int32_t i = 0; i < run.columns.count; ++i) {
                buildGreyHistogram(run.context, run.window(i, j), kEveryPixel, *histogram);
                const auto f = histogramFeatures(*histogram);
                std::copy(f.begin(), f.end(), out + static_cast<size_t>(i) * f.size());
            }
        };
    };
    const auto makeSliding = [&] {
        return [&run, sliding = std::make_shared<SlidingHistogram>(
                          run.context.samples, run.context.width, run.columns.window,
                          run.rows.window)](int32_t j, double* out) {
            for (int32_t i = 0; i < run.columns.count; ++i) {
                sliding->moveTo(run.columns.windowStart(i), run.rows.windowStart(j));
                const auto f = sliding->evaluate();
                std::copy(f.begin(), f.end(), out + static_cast<size_t>(i) * f.size());
            }
        };
    };
    const bool completed =
        run.samplesFit
            ? runBlock(run, selection.histogram, nameOf, kHistogramRecordCount, 0, makeSliding)
            : runBlock(run, selection.histogram, nameOf, kHistogramRecordCount, 0, makeDirect);
    if (!completed) return false;
    run.progress.report("Histogram maps done");
    return true;
}

bool arMaps(const MapRun& run, const MapSelection& selection) {
    if (!selection.anyAr()) return true;
    const auto nameOf = [](int k) {
        return std::string(kArRecordNames[static_cast<size_t>(k) + 1]);
    };
    try {
        // The model is fitted through the planes of the per-ROI engine: the
        // image itself (read only) and a region plane that holds every pixel.
        ImagePlane grey;
        grey.width = run.context.width;
        grey.height = run.context.height;
        grey.current = const_cast<uint16_t*>(run.context.samples);
        std::vector<uint16_t> everyPixel(grey.size(), 1);
        ImagePlane region;
        region.width = grey.width;
        region.height = grey.height;
        region.current = everyPixel.data();
        const auto makeKernel = [&] {
            return [&run, &grey, &region](int32_t j, double* out) {
                ArScratch scratch;  // one for the row's windows
                for (int32_t i = 0; i < run.columns.count; ++i) {
                    const PixelRect r = run.window(i, j);
                    const ArValues f =
                        fitArModel(grey, region, 1, r.xmin, r.ymin, r.xmax, r.ymax, scratch);
                    std::copy(f.begin(), f.end(), out + static_cast<size_t>(i) * f.size());
                }
            };
        };
        if (!runBlock(run, selection.ar, nameOf, kArRecordNames.size(), 1, makeKernel))
            return false;
    } catch (const std::bad_alloc&) {
    }
    run.progress.report("AR-model maps done");
    return true;
}

}  // namespace

bool ComputeFeatureMaps(const TextureContext& context, const AnalysisOptions& options,
                        const FeatureMapSink& addFeatureMap, const ProgressSink& progress) {
    const MapSelection selection = parseMapSelection(options);
    if (selection.mapCount() == 0 || !context.valid()) return !progress.cancelled();
    MapRun run{context, options.sanitized(), {}, {}, {}, false, false, progress, addFeatureMap};
    const AnalysisOptions& o = run.options;
    run.columns = mapGridAxis(context.width, o.Mask_x, o.Step_x);
    run.rows = mapGridAxis(context.height, o.Mask_y, o.Step_y);
    run.perWindow = o.Do_normap != 0 && o.Do_normal != kNormaliseNone;
    const size_t pixels = static_cast<size_t>(context.width) * static_cast<size_t>(context.height);
    run.samplesFit = std::all_of(context.samples, context.samples + pixels, [&](uint16_t v) {
        return v < (uint32_t{1} << usableBitDepth(context.BitDepth));
    });
    if (o.Do_normal != kNormaliseNone) {
        try {
            GreyHistogram histogram;
            buildGreyHistogram(context, PixelRect{0, 0, context.width - 1, context.height - 1},
                               kEveryPixel, histogram);
            run.imageLimits = normalisationLimits(histogram, o.Do_normal, context.BitDepth,
                                                  context.ImageMin, context.ImageMax);
        } catch (const std::bad_alloc&) {
        }
    }
    return runLengthMaps(run, selection) && cooccurrenceMaps(run, selection) &&
           gradientMaps(run, selection) && histogramMaps(run, selection) && arMaps(run, selection);
}
