#include "analysis/core/grains/grain_labelling.h"

#include <algorithm>

namespace {

constexpr int32_t kUnlabelled = -1;
constexpr int32_t kDropped = -2;

}  // namespace

GrainLabels findGrains(const uint16_t* samples, int32_t width, int32_t height, int32_t threshold,
                       int32_t minArea) {
    GrainLabels out;
    if (!samples || width <= 0 || height <= 0) return out;
    out.width = width;
    out.height = height;
    const size_t w = static_cast<size_t>(width);
    const size_t total = w * static_cast<size_t>(height);
    out.label.assign(total, kUnlabelled);
    std::vector<size_t> stack;
    std::vector<size_t> members;  // pixels of the grain being filled
    for (size_t start = 0; start < total; ++start) {
        if (out.label[start] != kUnlabelled || samples[start] <= threshold) continue;
        const int32_t id = static_cast<int32_t>(out.grains.size());
        Grain grain;
        grain.seedX = grain.xmin = grain.xmax = static_cast<int32_t>(start % w);
        grain.seedY = grain.ymin = grain.ymax = static_cast<int32_t>(start / w);
        members.clear();
        stack.assign(1, start);
        out.label[start] = id;
        while (!stack.empty()) {
            const size_t p = stack.back();
            stack.pop_back();
            members.push_back(p);
            const int32_t x = static_cast<int32_t>(p % w), y = static_cast<int32_t>(p / w);
            grain.xmin = std::min(grain.xmin, x);
            grain.xmax = std::max(grain.xmax, x);
            grain.ymin = std::min(grain.ymin, y);
            grain.ymax = std::max(grain.ymax, y);
            auto visit = [&](size_t q) {
                if (out.label[q] == kUnlabelled && samples[q] > threshold) {
                    out.label[q] = id;
                    stack.push_back(q);
                }
            };
            if (x > 0) visit(p - 1);
            if (x + 1 < width) visit(p + 1);
            if (y > 0) visit(p - w);
            if (y + 1 < height) visit(p + w);
        }
        grain.count = static_cast<int64_t>(members.size());
        if (grain.count < minArea) {
            for (size_t p : members) out.label[p] = kDropped;
        } else {
            out.grains.push_back(grain);
        }
    }
    for (int32_t& l : out.label)
        if (l == kDropped) l = kUnlabelled;
    return out;
}

uint16_t grainRoiBit(size_t grain, int32_t grainsPerRoi) {
    const size_t perRoi = static_cast<size_t>(std::max(grainsPerRoi, 1));
    return static_cast<uint16_t>(1u << ((grain / perRoi) % 16));
}

void paintGrains(const GrainLabels& labels, size_t first, size_t last, int32_t grainsPerRoi,
                 uint16_t* roiMap) {
    last = std::min(last, labels.grains.size());
    const size_t w = static_cast<size_t>(labels.width);
    for (size_t g = first; g < last; ++g) {
        const Grain& grain = labels.grains[g];
        const uint16_t bit = grainRoiBit(g, grainsPerRoi);
        for (int32_t y = grain.ymin; y <= grain.ymax; ++y)
            for (int32_t x = grain.xmin; x <= grain.xmax; ++x) {
                const size_t p = static_cast<size_t>(y) * w + static_cast<size_t>(x);
                if (labels.label[p] == static_cast<int32_t>(g)) roiMap[p] |= bit;
            }
    }
}

std::vector<GrainBatch> grainBatches(size_t grainCount, int32_t grainsPerRoi) {
    const size_t perBatch = 16 * static_cast<size_t>(std::max(grainsPerRoi, 1));
    std::vector<GrainBatch> batches;
    for (size_t first = 0; first < grainCount; first += perBatch)
        batches.push_back({first, std::min(grainCount, first + perBatch)});
    return batches;
}
