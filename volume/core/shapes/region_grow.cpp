#include "volume/core/shapes/region_grow.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "analysis/core/texture/normalisation.h"

namespace {

uint16_t classOfGrey(const GreyClassifier& test, int32_t g) {
    switch (test.mode) {
        case GreyTest::Grey: {
            if (test.high == test.low) return g < test.low ? 0 : 65535;
            // clamp(mulDiv(g - low, 65536, high - low), 0, 65535)
            const int32_t v = mulDiv(g - test.low, 65536, test.high - test.low);
            return static_cast<uint16_t>(std::clamp(v, 0, 65535));
        }
        case GreyTest::Band:
            if (test.low < test.high) {
                if (g > test.high) return 65535;
                if (g < test.low) return 0;
                return 32767;
            }
            if (g < test.high) return 65535;
            if (g > test.low) return 0;
            return 32767;
        case GreyTest::None:
            break;
    }
    return 32767;
}

}  // namespace

uint16_t GreyClass(const GreyClassifier& test, int32_t x, int32_t y, int32_t z) {
    if (test.mode == GreyTest::None || !test.image) return 32767;
    return classOfGrey(test, Volume3DGetVoxel(*test.image, x, y, z));
}

GrowResult RegionGrow3D(const GreyClassifier& test, Volume3D& mask, int32_t x, int32_t y, int32_t z,
                        DrawMode mode, uint16_t visibleBits, GrowStack* stack) {
    if (!test.image || test.image->sliceCount <= 0) return GrowResult::Unchanged;
    const Volume3D& image = *test.image;
    const int32_t w = std::min(image.maxWidth, kGrowMaxX);
    const int32_t h = std::min(image.maxHeight, kGrowMaxY);
    const int32_t d = std::min(image.sliceCount, kGrowMaxZ);
    if (x < 0 || y < 0 || z < 0 || x >= w || y >= h || z >= d) return GrowResult::Unchanged;

    GrowStack local;
    GrowStack& work = stack ? *stack : local;
    work.entries.clear();
    work.peak = 0;
    std::vector<uint16_t> classOf;
    // Per slice z: the mask row pointer and width, or nullptr where the
    // slice has no samples; and the image likewise.
    std::vector<uint16_t*> maskSlice;
    std::vector<int32_t> maskWidth, maskHeight;
    std::vector<const uint16_t*> imageSlice;
    std::vector<int32_t> imageWidth, imageHeight;
    try {
        // The class of every grey value, so the growth reads a table.
        classOf.assign(65536, 32767);
        if (test.mode != GreyTest::None)
            for (int32_t g = 0; g < 65536; ++g)
                classOf[static_cast<size_t>(g)] = classOfGrey(test, g);
        const size_t n = static_cast<size_t>(d);
        maskSlice.assign(n, nullptr);
        maskWidth.assign(n, 0);
        maskHeight.assign(n, 0);
        imageSlice.assign(n, nullptr);
        imageWidth.assign(n, 0);
        imageHeight.assign(n, 0);
        work.entries.reserve(size_t{1} << 16);
    } catch (const std::bad_alloc&) {
        return GrowResult::OutOfMemory;
    }
    for (int32_t k = 0; k < d; ++k) {
        const size_t i = static_cast<size_t>(k);
        if (VolumeSlice* s = mask.slice(k); s && s->present()) {
            maskSlice[i] = s->samples.data();
            maskWidth[i] = s->width;
            maskHeight[i] = s->height;
        }
        if (const VolumeSlice* s = image.slice(k); s && s->present()) {
            imageSlice[i] = s->samples.data();
            imageWidth[i] = s->width;
            imageHeight[i] = s->height;
        }
    }
    // The mask sample of (x, y, z), or nullptr where a write would be dropped.
    const auto maskAt = [&](int32_t vx, int32_t vy, int32_t vz) -> uint16_t* {
        const size_t i = static_cast<size_t>(vz);
        if (!maskSlice[i] || vx >= maskWidth[i] || vy >= maskHeight[i]) return nullptr;
        return maskSlice[i] + static_cast<size_t>(vy) * static_cast<size_t>(maskWidth[i]) +
               static_cast<size_t>(vx);
    };
    const auto classAt = [&](int32_t vx, int32_t vy, int32_t vz) -> uint16_t {
        const size_t i = static_cast<size_t>(vz);
        if (imageSlice[i] && vx < imageWidth[i] && vy < imageHeight[i])
            return classOf[imageSlice[i]
                                     [static_cast<size_t>(vy) * static_cast<size_t>(imageWidth[i]) +
                                      static_cast<size_t>(vx)]];
        return classOf[Volume3DGetVoxel(image, vx, vy, vz)];  // the clamping read
    };

    uint16_t* seed = maskAt(x, y, z);
    if (!seed) return GrowResult::Unchanged;
    const uint16_t pattern = static_cast<uint16_t>(visibleBits & *seed);
    const uint16_t filled = mode.apply(pattern);
    // A filled voxel shows (filled & visible); when that is P again the fill
    // would change nothing, and marking could not tell done from pending.
    if (pattern == filled || pattern == (filled & visibleBits)) return GrowResult::Unchanged;
    const uint16_t seedClass = classAt(x, y, z);
    const bool testGrey = test.mode != GreyTest::None;

    // One row (y, z) of both volumes: where its mask samples are (nullptr
    // without any) and how far they reach, likewise for the image.
    struct Row {
        uint16_t* mask = nullptr;
        int32_t maskEnd = 0;
        const uint16_t* image = nullptr;
        int32_t imageEnd = 0;
        int32_t y = 0, z = 0;
    };
    const auto rowAt = [&](int32_t ry, int32_t rz) {
        const size_t i = static_cast<size_t>(rz);
        Row r;
        r.y = ry;
        r.z = rz;
        if (maskSlice[i] && ry < maskHeight[i]) {
            r.mask = maskSlice[i] + static_cast<size_t>(ry) * static_cast<size_t>(maskWidth[i]);
            r.maskEnd = maskWidth[i];
        }
        if (imageSlice[i] && ry < imageHeight[i]) {
            r.image = imageSlice[i] + static_cast<size_t>(ry) * static_cast<size_t>(imageWidth[i]);
            r.imageEnd = imageWidth[i];
        }
        return r;
    };
    // A voxel joins when its mask exists, shows P and its class is C. A voxel
    // that joined shows (filled & visible) != P, so it never joins twice.
    const auto joins = [&](const Row& r, int32_t vx) -> uint16_t* {
        if (vx >= r.maskEnd) return nullptr;
        uint16_t* m = r.mask + vx;
        if ((visibleBits & *m) != pattern) return nullptr;
        if (testGrey) {
            const uint16_t c = vx < r.imageEnd ? classOf[r.image[vx]]
                                               : classOf[Volume3DGetVoxel(image, vx, r.y, r.z)];
            if (c != seedClass) return nullptr;
        }
        return m;
    };
    try {
        // Runs along x: a popped voxel spreads left and right over the voxels
        // that join, then the four rows beside that run (z+1, z-1, y+1, y-1)
        // get one pushed voxel per stretch of joining voxels. This reaches
        // exactly the 6-connected region, and the stack holds one entry per
        // pending stretch instead of one per voxel.
        *seed = mode.apply(*seed);
        work.entries.push_back(packVoxel(x, y, z));
        size_t peak = 1;
        while (!work.entries.empty()) {
            peak = std::max(peak, work.entries.size());
            const PackedVoxel v = unpackVoxel(work.entries.back());
            work.entries.pop_back();
            const Row own = rowAt(v.y, v.z);
            int32_t left = v.x;
            while (left > 0) {
                uint16_t* m = joins(own, left - 1);
                if (!m) break;
                *m = mode.apply(*m);
                --left;
            }
            int32_t right = v.x;
            while (right + 1 < w) {
                uint16_t* m = joins(own, right + 1);
                if (!m) break;
                *m = mode.apply(*m);
                ++right;
            }
            const auto beside = [&](int32_t ry, int32_t rz) {
                const Row r = rowAt(ry, rz);
                if (!r.mask) return;
                bool inStretch = false;
                for (int32_t i = left; i <= right; ++i) {
                    uint16_t* m = joins(r, i);
                    if (!m) {
                        inStretch = false;
                    } else if (!inStretch) {
                        *m = mode.apply(*m);  // marked as it is pushed
                        work.entries.push_back(packVoxel(i, ry, rz));
                        inStretch = true;
                    }
                }
            };
            if (v.z + 1 < d) beside(v.y, v.z + 1);
            if (v.z > 0) beside(v.y, v.z - 1);
            if (v.y + 1 < h) beside(v.y + 1, v.z);
            if (v.y > 0) beside(v.y - 1, v.z);
        }
        work.peak = peak;
    } catch (const std::bad_alloc&) {
        work.entries.clear();
        return GrowResult::OutOfMemory;
    }
    return GrowResult::Filled;
}

namespace {

Point3 rowTimes(Point3 r, const Matrix3& a) {
    return {r.x * a[0][0] + r.y * a[1][0] + r.z * a[2][0],
            r.x * a[0][1] + r.y * a[1][1] + r.z * a[2][1],
            r.x * a[0][2] + r.y * a[1][2] + r.z * a[2][2]};
}

double component(Point3 p, int axis) {
    return axis == 0 ? p.x : axis == 1 ? p.y : p.z;
}

}  // namespace

bool pickSeed(const SeedPick& pick, const VolumeFrame& frame, PackedVoxel& seed) {
    Matrix3 inverse{};
    if (!invertMatrix3(linearPart(pick.view), inverse)) return false;
    const VoxelSizes s = frame.sizes.sanitized();
    const std::array<double, 3> size{s.VoxelXSize, s.VoxelYSize, s.VoxelZSize};
    const std::array<int32_t, 3> extent{frame.width, frame.height, frame.depth};
    // Eye ray t (k mx, k my, -1), k = 0.333 / width (the frustum: +-5 at
    // distance 30); in the scene (t d - T) V^-1 with T the view's translation.
    const double k = 0.333 / std::max(pick.viewportWidth, 1);
    const Point3 d = rowTimes({k * pick.mouseX, k * pick.mouseY, -1.0}, inverse);
    const Point3 o = rowTimes({-pick.view[12], -pick.view[13], -pick.view[14]}, inverse);
    struct Hit {
        double t;
        int axis;
    };
    std::array<Hit, 3> hits{};
    // Z, Y, X slices in that order, so equal distances keep that order.
    for (int i = 0; i < 3; ++i) {
        const int axis = 2 - i;
        hits[static_cast<size_t>(i)] = {-1.0, axis};
        if (!pick.shown[static_cast<size_t>(axis)]) continue;
        const double slope = component(d, axis);
        if (slope == 0) continue;
        const double sa = size[static_cast<size_t>(axis)];
        // plane of slice p: (p + 0.5) s - extent s / 2
        const double plane = (pick.position[static_cast<size_t>(axis)] + 0.5) * sa -
                             extent[static_cast<size_t>(axis)] * sa / 2;
        hits[static_cast<size_t>(i)].t = (plane - component(o, axis)) / slope;
    }
    std::stable_sort(hits.begin(), hits.end(),
                     [](const Hit& a, const Hit& b) { return a.t < b.t; });
    for (const Hit& hit : hits) {
        if (!(hit.t > 0) || !std::isfinite(hit.t)) continue;
        const Point3 p{o.x + hit.t * d.x, o.y + hit.t * d.y, o.z + hit.t * d.z};
        std::array<int32_t, 3> v{};
        bool inside = true;
        for (int a = 0; a < 3; ++a) {
            // floor(scene / s + extent / 2): the voxel whose box holds the point
            double f = std::floor(component(p, a) / size[static_cast<size_t>(a)] +
                                  extent[static_cast<size_t>(a)] / 2.0);
            if (a == hit.axis) f = pick.position[static_cast<size_t>(a)];
            if (!(f >= 0 && f < extent[static_cast<size_t>(a)])) {
                inside = false;
                break;
            }
            v[static_cast<size_t>(a)] = static_cast<int32_t>(f);
        }
        if (!inside) continue;
        seed = {v[0], v[1], v[2]};
        return true;
    }
    return false;
}
