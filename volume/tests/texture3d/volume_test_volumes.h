// The volumes of the reference cases, built exactly as volume_cases.py
// builds them: a 16-bit grey volume and a mask of six VOIs (a ball with a
// hole, a slab touching the faces, one voxel, a two-level block, scattered
// voxels, a column of one grey value).
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "volume/core/volume/volume3d.h"

class Lcg {
  public:
    explicit Lcg(uint32_t seed) : seed_(seed) {}
    uint32_t draw(uint32_t n) {
        seed_ = seed_ * 134775813u + 1u;
        return static_cast<uint32_t>((uint64_t{seed_} * n) >> 32);
    }

  private:
    uint32_t seed_;
};

struct TestVolumes {
    std::unique_ptr<Volume3D> image;
    std::unique_ptr<Volume3D> mask;
};

inline TestVolumes makeTestVolumes(int32_t n, uint32_t seed) {
    Lcg rng(seed);
    const size_t plane = static_cast<size_t>(n) * n;
    std::vector<uint16_t> grey(plane * n), mask(plane * n);
    auto at = [&](int32_t x, int32_t y, int32_t z) {
        return static_cast<size_t>(z) * plane + static_cast<size_t>(y) * n + x;
    };
    for (int32_t z = 0; z < n; ++z)
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x)
                grey[at(x, y, z)] = static_cast<uint16_t>(
                    (((x / 3 + y / 2 + z / 4) % 8) * 500 + rng.draw(300)) * 16);
    const int32_t c = n / 2;
    const int32_t rOut = n * 7 / 20;
    for (int32_t z = 0; z < n; ++z)
        for (int32_t y = 0; y < n; ++y)
            for (int32_t x = 0; x < n; ++x) {
                const uint32_t d1 = rng.draw(10), d5 = rng.draw(7), d4 = rng.draw(2);
                const int32_t r2 =
                    (x - c) * (x - c) + (y - c + 1) * (y - c + 1) + (z - c) * (z - c);
                uint16_t v = 0;
                if (r2 <= rOut * rOut && r2 > 4 && d1 != 0) v |= 1;
                if (y <= n / 4 && z >= 3 * n / 5) v |= 2;
                if (x == 4 && y == n - 5 && z == 3) v |= 4;
                const int32_t b = n * 3 / 5;
                if (x >= b && x <= b + 5 && y >= b && y <= b + 5 && z >= 2 && z <= 7) {
                    v |= 8;
                    grey[at(x, y, z)] = d4 == 0 ? 16000 : 48000;
                }
                if (d5 == 0) v |= 16;
                if (x <= 2 && y >= n - 3) {
                    v |= 0x8000;
                    grey[at(x, y, z)] = 12432;
                }
                mask[at(x, y, z)] = v;
            }
    TestVolumes t;
    t.image = std::make_unique<Volume3D>(n);
    t.mask = std::make_unique<Volume3D>(n);
    for (int32_t z = 0; z < n; ++z) {
        Volume3DSetSlice(*t.image, grey.data() + static_cast<size_t>(z) * plane, n, n, z);
        Volume3DSetSlice(*t.mask, mask.data() + static_cast<size_t>(z) * plane, n, n, z);
    }
    return t;
}
