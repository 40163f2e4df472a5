#include "volume/core/volume/volume3d.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <limits>
#include <new>

#include "platform/parallel.h"

Volume3D::Volume3D(int32_t count) : sliceCount(std::max(count, 0)) {
    slices.resize(static_cast<size_t>(sliceCount));
}

bool Volume3DSetSlice(Volume3D& volume, const uint16_t* source, int32_t width, int32_t height,
                      int32_t z) {
    VolumeSlice* slice = volume.slice(z);
    if (!slice || width < 0 || height < 0) return false;
    const size_t words = static_cast<size_t>(width) * static_cast<size_t>(height);
    if (words > kMaxSliceWords) return false;
    std::vector<uint16_t> samples;
    try {
        if (source)
            samples.assign(source, source + words);
        else
            samples.assign(words, 0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    slice->samples = std::move(samples);
    slice->width = width;
    slice->height = height;
    volume.maxWidth = std::max(volume.maxWidth, width);
    volume.maxHeight = std::max(volume.maxHeight, height);
    return true;
}

void Volume3DMinMax(Volume3D& volume) {
    int32_t lo = 65535;
    int32_t hi = 0;
    for (const VolumeSlice& slice : volume.slices) {
        if (!slice.present()) continue;
        auto [mn, mx] = std::minmax_element(slice.samples.begin(), slice.samples.end());
        lo = std::min<int32_t>(lo, *mn);
        hi = std::max<int32_t>(hi, *mx);
    }
    volume.min = lo;
    volume.max = hi;
}

uint16_t Volume3DGetVoxel(const Volume3D& volume, int32_t x, int32_t y, int32_t z) {
    if (volume.sliceCount < 1) return kAbsentSliceValue;
    z = std::clamp(z, 0, volume.sliceCount - 1);
    const VolumeSlice& slice = volume.slices[static_cast<size_t>(z)];
    if (!slice.present()) return kAbsentSliceValue;
    x = std::clamp(x, 0, slice.width - 1);
    y = std::clamp(y, 0, slice.height - 1);
    return slice.samples[static_cast<size_t>(y) * static_cast<size_t>(slice.width) +
                         static_cast<size_t>(x)];
}

uint16_t Volume3DGetVoxelChecked(const Volume3D& volume, int32_t x, int32_t y, int32_t z) {
    const VolumeSlice* slice = volume.slice(z);
    if (!slice || !slice->present() || x < 0 || y < 0 || x >= slice->width || y >= slice->height)
        return 0;
    return slice->samples[static_cast<size_t>(y) * static_cast<size_t>(slice->width) +
                          static_cast<size_t>(x)];
}

void Volume3DSetVoxel(Volume3D& volume, int32_t x, int32_t y, int32_t z, uint16_t value) {
    VolumeSlice* slice = volume.slice(z);
    if (!slice || !slice->present() || x < 0 || y < 0 || x >= slice->width || y >= slice->height)
        return;
    slice->samples[static_cast<size_t>(y) * static_cast<size_t>(slice->width) +
                   static_cast<size_t>(x)] = value;
}

namespace {

// Counts and bounds of the 16 bits over a run of slices.
struct BitBounds {
    std::array<int64_t, kVoiCount> count{};
    std::array<VoiBox, kVoiCount> box{};

    BitBounds() {
        constexpr int32_t kFar = std::numeric_limits<int32_t>::max();
        for (VoiBox& b : box) b = {kFar, -1, kFar, -1, kFar, -1};
    }

    void merge(const BitBounds& other) {
        for (int k = 0; k < kVoiCount; ++k) {
            count[k] += other.count[k];
            VoiBox& b = box[k];
            const VoiBox& o = other.box[k];
            b.xmin = std::min(b.xmin, o.xmin);
            b.xmax = std::max(b.xmax, o.xmax);
            b.ymin = std::min(b.ymin, o.ymin);
            b.ymax = std::max(b.ymax, o.ymax);
            b.zmin = std::min(b.zmin, o.zmin);
            b.zmax = std::max(b.zmax, o.zmax);
        }
    }
};

// One slice, row by row and run by run (masks are long runs of one value):
// each run of a non-zero value adds its length to the count of each of its
// bits, and the first and last run of a bit in a row widen that bit's box.
void scanSlice(const VolumeSlice& slice, int32_t z, BitBounds& out) {
    if (!slice.present()) return;
    const uint16_t* row = slice.samples.data();
    const int32_t w = slice.width;
    for (int32_t y = 0; y < slice.height; ++y, row += w) {
        uint32_t rowBits = 0;
        std::array<int32_t, kVoiCount> first{};
        std::array<int32_t, kVoiCount> last{};
        int32_t x = 0;
        while (x < w) {
            const uint16_t v = row[x];
            // The run's end, four voxels at a time while they all equal v.
            const uint64_t four = uint64_t{v} * 0x0001000100010001ull;
            int32_t end = x + 1;
            while (end + 4 <= w) {
                uint64_t next;
                std::memcpy(&next, row + end, sizeof next);
                if (next != four) break;
                end += 4;
            }
            while (end < w && row[end] == v) ++end;
            if (v != 0) {
                for (uint32_t fresh = v & ~rowBits; fresh; fresh &= fresh - 1)
                    first[std::countr_zero(fresh)] = x;
                rowBits |= v;
                for (uint32_t bits = v; bits; bits &= bits - 1) {
                    const int k = std::countr_zero(bits);
                    out.count[k] += end - x;
                    last[k] = end - 1;
                }
            }
            x = end;
        }
        for (uint32_t bits = rowBits; bits; bits &= bits - 1) {
            const int k = std::countr_zero(bits);
            VoiBox& b = out.box[k];
            b.xmin = std::min(b.xmin, first[k]);
            b.xmax = std::max(b.xmax, last[k]);
            b.ymin = std::min(b.ymin, y);
            b.ymax = std::max(b.ymax, y);
            b.zmin = std::min(b.zmin, z);
            b.zmax = std::max(b.zmax, z);
        }
    }
}

BitBounds scanVolume(const Volume3D& mask) {
    const size_t count = mask.slices.size();
    std::vector<BitBounds> partial(count);
    parallelFor(count, 1, [&](size_t begin, size_t end) {
        for (size_t z = begin; z < end; ++z)
            scanSlice(mask.slices[z], static_cast<int32_t>(z), partial[z]);
    });
    BitBounds total;
    for (const BitBounds& p : partial) total.merge(p);
    return total;
}

}  // namespace

void Volume3DRoiBounds(Volume3D& mask) {
    BitBounds total = scanVolume(mask);
    for (int k = 0; k < kVoiCount; ++k) {
        VoiBox b = total.box[k];
        // An empty VOI's box is all zeros.
        if (b.xmin > b.xmax) b.xmin = b.xmax = 0;
        if (b.ymin > b.ymax) b.ymin = b.ymax = 0;
        if (b.zmin > b.zmax) b.zmin = b.zmax = 0;
        mask.voiBoxes[k] = b;
        mask.voiCounts[k] = total.count[k];
    }
}

void Volume3DCountVoxels(const Volume3D& mask, std::array<int64_t, kVoiCount>& counts) {
    counts = scanVolume(mask).count;
}

void Volume3DMaskAll(Volume3D& mask, uint16_t andMask, uint16_t orValue) {
    parallelFor(mask.slices.size(), 1, [&](size_t begin, size_t end) {
        for (size_t z = begin; z < end; ++z)
            for (uint16_t& v : mask.slices[z].samples)
                v = static_cast<uint16_t>(orValue | (andMask & v));
    });
}
