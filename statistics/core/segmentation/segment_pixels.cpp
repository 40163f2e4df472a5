#include "statistics/core/segmentation/segment_pixels.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/parallel.h"

double PixelDistance(const double* centre, const uint8_t* pixel, int depth) {
    double sum = 0;
    for (int d = 0; d < depth; ++d) {
        const double e = centre[d] - pixel[d];
        sum += e * e;
    }
    return sum;
}

std::vector<int64_t> segmentAreas(std::span<const int32_t> labels, int segments) {
    std::vector<int64_t> areas(static_cast<size_t>(std::max(segments, 0)), 0);
    for (int32_t label : labels)
        if (label >= 0 && label < segments) ++areas[static_cast<size_t>(label)];
    return areas;
}

namespace {

constexpr size_t kBlock = 4096;  // pixels per parallel chunk
// Segments are evaluated in lanes of this width, each lane's sum in image
// order, so the distances equal PixelDistance to the bit.
constexpr int kLanes = 4;

class Segmenter {
  public:
    Segmenter(std::span<const uint8_t> vectors, int depth, int segments)
        : vectors_(vectors),
          depth_(static_cast<size_t>(depth)),
          segments_(segments),
          padded_((segments + kLanes - 1) / kLanes * kLanes),
          pixels_(vectors.size() / static_cast<size_t>(depth)),
          chunks_(parallelChunkCount(pixels_, kBlock)),
          centres_(static_cast<size_t>(segments) * depth_),
          transposed_(depth_ * static_cast<size_t>(padded_), 0.0),
          chunkSums_(chunks_ * static_cast<size_t>(segments) * depth_),
          chunkCounts_(chunks_ * static_cast<size_t>(segments)),
          chunkTotals_(chunks_) {}

    size_t pixels() const { return pixels_; }
    const uint8_t* vector(size_t p) const { return vectors_.data() + p * depth_; }
    double* centre(int k) { return centres_.data() + static_cast<size_t>(k) * depth_; }
    std::vector<double>& centres() { return centres_; }

    // Nearest centre of every pixel into labels, with the members' counts
    // and byte sums per segment.
    void assign(std::vector<int32_t>& labels) {
        for (int k = 0; k < segments_; ++k)
            for (size_t d = 0; d < depth_; ++d)
                transposed_[d * padded_ + k] = centres_[static_cast<size_t>(k) * depth_ + d];
        parallelFor(pixels_, kBlock, [&](size_t begin, size_t end) {
            const size_t chunk = begin / kBlock;
            uint64_t* sums = chunkSums_.data() + chunk * segments_ * depth_;
            int64_t* counts = chunkCounts_.data() + chunk * segments_;
            std::fill(sums, sums + segments_ * depth_, 0);
            std::fill(counts, counts + segments_, 0);
            std::array<double, kMaxSegments> distance{};
            for (size_t p = begin; p < end; ++p) {
                const uint8_t* bytes = vector(p);
                switch (padded_) {
                    case 4:
                        distances<4>(bytes, distance.data());
                        break;
                    case 8:
                        distances<8>(bytes, distance.data());
                        break;
                    case 12:
                        distances<12>(bytes, distance.data());
                        break;
                    default:
                        distances<16>(bytes, distance.data());
                        break;
                }
                double nearest = kSegmentationNoTotal;
                int32_t label = 0;
                for (int k = 0; k < segments_; ++k)
                    if (distance[k] < nearest) {
                        nearest = distance[k];
                        label = k;
                    }
                labels[p] = label;
                ++counts[label];
                uint64_t* s = sums + static_cast<size_t>(label) * depth_;
                for (size_t d = 0; d < depth_; ++d) s[d] += bytes[d];
            }
        });
        counts_.assign(static_cast<size_t>(segments_), 0);
        sums_.assign(static_cast<size_t>(segments_) * depth_, 0);
        for (size_t chunk = 0; chunk < chunks_; ++chunk) {
            for (int k = 0; k < segments_; ++k) counts_[k] += chunkCounts_[chunk * segments_ + k];
            const uint64_t* s = chunkSums_.data() + chunk * segments_ * depth_;
            for (size_t i = 0; i < sums_.size(); ++i) sums_[i] += s[i];
        }
    }

    // The distances of one pixel to the first Lanes centres, each summed in
    // image order like PixelDistance; the lane count is fixed at compile
    // time so that the sums stay in registers.
    template <int Lanes>
    void distances(const uint8_t* bytes, double* out) const {
        double sum[Lanes];
        const double* c = transposed_.data();
        {
            // The first image's term starts each sum (0 + t = t exactly).
            const double x = bytes[0];
            for (int k = 0; k < Lanes; ++k) {
                const double e = c[k] - x;
                sum[k] = e * e;
            }
        }
        for (size_t d = 1; d < depth_; ++d) {
            const double x = bytes[d];
            c += Lanes;
            for (int k = 0; k < Lanes; ++k) {
                const double e = c[k] - x;
                sum[k] += e * e;
            }
        }
        for (int k = 0; k < Lanes; ++k) out[k] = sum[k];
    }

    // Gives every segment left without pixels one pixel: a fresh draw below
    // P − 1 whose segment keeps at least one other pixel.
    void repairEmptySegments(std::vector<int32_t>& labels, RandomSource& random) {
        const uint32_t range = static_cast<uint32_t>(pixels_ - 1);
        for (int k = 0; k < segments_; ++k) {
            if (counts_[k] != 0) continue;
            random.reseed();
            size_t p = random.below(range);
            // A pixel that is its segment's only one would empty that segment
            // in turn: draw again. At least one segment holds two of the first
            // P − 1 pixels (P ≥ 3K), so the draws end; after many misses take
            // the first such pixel rather than depend on the clock.
            for (int attempt = 0; counts_[labels[p]] < 2; ++attempt) {
                if (attempt < 10000) {
                    p = random.below(range);
                    continue;
                }
                for (p = 0; p + 1 < pixels_ && counts_[labels[p]] < 2; ++p) {
                }
                break;
            }
            const int32_t from = labels[p];
            const uint8_t* bytes = vector(p);
            for (size_t d = 0; d < depth_; ++d) {
                sums_[static_cast<size_t>(from) * depth_ + d] -= bytes[d];
                sums_[static_cast<size_t>(k) * depth_ + d] += bytes[d];
            }
            --counts_[from];
            ++counts_[k];
            labels[p] = k;
        }
    }

    // Each centre := the mean of its pixels' vectors (a segment without
    // pixels keeps its centre).
    void updateCentres() {
        for (int k = 0; k < segments_; ++k) {
            if (counts_[k] == 0) continue;
            const double n = static_cast<double>(counts_[k]);
            for (size_t d = 0; d < depth_; ++d)
                centres_[static_cast<size_t>(k) * depth_ + d] =
                    static_cast<double>(sums_[static_cast<size_t>(k) * depth_ + d]) / n;
        }
    }

    // Σ_p PixelDistance(centre of p's segment, p), summed per block of
    // pixels in order and the blocks in order.
    double total(const std::vector<int32_t>& labels) {
        parallelFor(pixels_, kBlock, [&](size_t begin, size_t end) {
            double sum = 0;
            for (size_t p = begin; p < end; ++p)
                sum += PixelDistance(centre(labels[p]), vector(p), static_cast<int>(depth_));
            chunkTotals_[begin / kBlock] = sum;
        });
        double sum = 0;
        for (double t : chunkTotals_) sum += t;
        return sum;
    }

  private:
    std::span<const uint8_t> vectors_;
    size_t depth_;
    int segments_;
    int padded_;
    size_t pixels_;
    size_t chunks_;
    std::vector<double> centres_;     // [K][D]
    std::vector<double> transposed_;  // [D][padded K]
    std::vector<uint64_t> chunkSums_;
    std::vector<int64_t> chunkCounts_;
    std::vector<double> chunkTotals_;
    std::vector<uint64_t> sums_;
    std::vector<int64_t> counts_;
};

}  // namespace

SegmentationResult SegmentPixels(std::span<const uint8_t> vectors, int depth,
                                 const SegmentationParameters& parameters, RandomSource& random,
                                 const SegmentationProgress& progress) {
    SegmentationResult best;
    const int segments = std::clamp(parameters.segments, kMinSegments, kMaxSegments);
    if (depth < 1 || depth > 64) return best;
    Segmenter segmenter(vectors, depth, segments);
    const size_t pixels = segmenter.pixels();
    best.labels.assign(pixels, 0);
    if (!enoughPixelsToSegment(pixels, segments)) return best;

    const int external = std::max(1, parameters.externalLoops);
    const int internal = std::max(1, parameters.internalLoops);
    const uint32_t range = static_cast<uint32_t>(pixels - 1);
    std::vector<int32_t> labels(pixels, 0), saved(pixels, 0);
    std::vector<double> savedCentres;
    std::vector<size_t> starts;
    int position = 0;
    for (int e = 1; e <= external; ++e) {
        random.reseed();
        starts.clear();
        starts.push_back(random.below(range));
        while (starts.size() < static_cast<size_t>(segments)) {
            size_t p = random.below(range);
            while (std::find(starts.begin(), starts.end(), p) != starts.end())
                p = random.below(range);
            starts.push_back(p);
        }
        for (int k = 0; k < segments; ++k) {
            const uint8_t* bytes = segmenter.vector(starts[static_cast<size_t>(k)]);
            for (int d = 0; d < depth; ++d) segmenter.centre(k)[d] = bytes[d];
        }

        int iteration = 0;
        double total = kSegmentationNoTotal;
        for (;;) {
            // The labels of the last iteration stay in `saved` while the new
            // ones are made in `labels`.
            labels.swap(saved);
            savedCentres = segmenter.centres();
            const double savedTotal = total;
            segmenter.assign(labels);
            segmenter.repairEmptySegments(labels, random);
            segmenter.updateCentres();
            ++iteration;
            if (progress) progress(++position);
            total = segmenter.total(labels);
            if (!(total < savedTotal)) {
                labels.swap(saved);
                segmenter.centres() = savedCentres;
                total = savedTotal;
                break;
            }
            if (iteration >= internal) break;
        }
        if (total < best.total) {
            best.total = total;
            best.labels = labels;
        }
        position = e * internal;
        if (progress) progress(position);
    }
    return best;
}
