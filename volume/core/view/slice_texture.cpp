#include "volume/core/view/slice_texture.h"

#include <algorithm>
#include <bit>

#include "platform/parallel.h"
#include "workspace/core/roi/roi_set.h"

DisplayWindow displayWindow(int32_t w0, int32_t w1, int minPosition, int minMax, int maxPosition,
                            int maxMax) {
    DisplayWindow w;
    w.low = static_cast<int32_t>(w0 + static_cast<int64_t>(w1 - w0) * (minMax - minPosition) / 100);
    w.high =
        static_cast<int32_t>(w0 + static_cast<int64_t>(maxMax - maxPosition) * (w1 - w0) / 100);
    return w;
}

int32_t texturePowerOfTwo(int32_t extent) {
    if (extent <= 1) return 1;
    if (extent >= (1 << 15)) return 1 << 15;
    return static_cast<int32_t>(std::bit_ceil(static_cast<uint32_t>(extent)));
}

namespace {

// a·b/c rounded to the nearest integer, halves away from zero; −1 when c is 0.
int64_t mulDiv(int64_t a, int64_t b, int64_t c) {
    if (c == 0) return -1;
    const int64_t n = a * b;
    const bool negative = (n < 0) != (c < 0);
    const int64_t an = n < 0 ? -n : n, ac = c < 0 ? -c : c;
    const int64_t q = (an + ac / 2) / ac;
    return negative ? -q : q;
}

}  // namespace

std::array<uint8_t, 3> texelColour(uint16_t v, uint16_t s, SliceColouring colouring,
                                   DisplayWindow window) {
    int r = 0, g = 0, b = 0;
    if (s != 0) {
        int count = 0;
        for (int k = 0; k < kRoiCount; ++k)
            if (s & (1u << k)) {
                const uint32_t c = kRoiColours[static_cast<size_t>(k)];
                r += c & 0xFF;
                g += (c >> 8) & 0xFF;
                b += (c >> 16) & 0xFF;
                ++count;
            }
        r /= 2 * count;
        g /= 2 * count;
        b /= 2 * count;
    }
    auto channel = [](int value) { return static_cast<uint8_t>(std::clamp(value, 0, 255)); };
    switch (colouring) {
        case SliceColouring::VoiOnly:
            if (s == 0) return {127, 127, 127};
            return {channel(63 + r), channel(63 + g), channel(63 + b)};
        case SliceColouring::Band: {
            int m;
            if (window.low < window.high)
                m = v > window.high ? 255 : v < window.low ? 0 : 127;
            else
                m = v < window.high ? 255 : v > window.low ? 0 : 127;
            if (s == 0) return {channel(m), channel(m), channel(m)};
            return {channel(m / 2 + r), channel(m / 2 + g), channel(m / 2 + b)};
        }
        case SliceColouring::Grey:
        default: {
            const int64_t scaled = mulDiv(static_cast<int64_t>(v) - window.low, 65536,
                                          static_cast<int64_t>(window.high) - window.low);
            const int m = static_cast<int>(std::clamp<int64_t>(scaled, 0, 65535));
            if (s == 0) return {channel(m >> 8), channel(m >> 8), channel(m >> 8)};
            return {channel((m >> 9) + r), channel((m >> 9) + g), channel((m >> 9) + b)};
        }
    }
}

int32_t sliceExtent(const Volume3D& volume, SliceAxis axis) {
    switch (axis) {
        case SliceAxis::X:
            return volume.maxWidth;
        case SliceAxis::Y:
            return volume.maxHeight;
        case SliceAxis::Z:
        default:
            return volume.sliceCount;
    }
}

SliceTexture buildSliceTexture(const Volume3D& grey, const Volume3D& mask, SliceAxis axis,
                               int32_t position, uint16_t visible, SliceColouring colouring,
                               DisplayWindow window) {
    SliceTexture t;
    const int32_t extent = sliceExtent(grey, axis);
    const int32_t p = std::clamp(position, 0, std::max(extent - 1, 0));
    switch (axis) {
        case SliceAxis::X:
            t.across = grey.sliceCount;
            t.down = grey.maxHeight;
            break;
        case SliceAxis::Y:
            t.across = grey.maxWidth;
            t.down = grey.sliceCount;
            break;
        case SliceAxis::Z:
            t.across = grey.maxWidth;
            t.down = grey.maxHeight;
            break;
    }
    t.width = texturePowerOfTwo(t.across);
    t.height = texturePowerOfTwo(t.down);
    t.rgb.assign(t.rowBytes() * static_cast<size_t>(t.height), 0);
    // Rows are independent: they are shared among the cores, each texel
    // written once, so the texture does not depend on the thread count.
    auto voxel = [](const Volume3D& v, int32_t x, int32_t y, int32_t z) -> uint16_t {
        const VolumeSlice* slice = v.slice(z);
        if (!slice || !slice->present() || x >= slice->width || y >= slice->height) return 0;
        return slice->samples[static_cast<size_t>(y) * static_cast<size_t>(slice->width) +
                              static_cast<size_t>(x)];
    };
    parallelFor(static_cast<size_t>(t.down), 16, [&](size_t begin, size_t end) {
        for (int32_t row = static_cast<int32_t>(begin); row < static_cast<int32_t>(end); ++row) {
            uint8_t* out = t.rgb.data() + static_cast<size_t>(row) * t.rowBytes();
            for (int32_t col = 0; col < t.across; ++col, out += 3) {
                int32_t x, y, z;
                switch (axis) {
                    case SliceAxis::X:
                        x = p;
                        y = row;
                        z = col;
                        break;
                    case SliceAxis::Y:
                        x = col;
                        y = p;
                        z = row;
                        break;
                    case SliceAxis::Z:
                    default:
                        x = col;
                        y = row;
                        z = p;
                        break;
                }
                const uint16_t v = voxel(grey, x, y, z);
                const uint16_t s = voxel(mask, x, y, z) & visible;
                const auto c = texelColour(v, s, colouring, window);
                out[0] = c[0];
                out[1] = c[1];
                out[2] = c[2];
            }
        }
    });
    return t;
}

SliceQuad sliceQuad(const Volume3D& volume, SliceAxis axis, int32_t position,
                    const std::array<double, 3>& voxelSize, const SliceTexture& texture) {
    const double sx = voxelSize[0], sy = voxelSize[1], sz = voxelSize[2];
    const double hx = volume.maxWidth * sx / 2, hy = volume.maxHeight * sy / 2,
                 hz = volume.sliceCount * sz / 2;
    const double x0 = 0.5 * sx - hx, x1 = (volume.maxWidth - 0.5) * sx - hx;
    const double y0 = 0.5 * sy - hy, y1 = (volume.maxHeight - 0.5) * sy - hy;
    const double z0 = 0.5 * sz - hz, z1 = (volume.sliceCount - 0.5) * sz - hz;
    const double u = texture.width > 0 ? static_cast<double>(texture.across) / texture.width : 0;
    const double v = texture.height > 0 ? static_cast<double>(texture.down) / texture.height : 0;
    SliceQuad q;
    q.texture = {{{0, 0}, {u, 0}, {u, v}, {0, v}}};
    switch (axis) {
        case SliceAxis::X: {
            const double x = (position + 0.5) * sx - hx;
            q.corners = {{{x, y0, z0}, {x, y0, z1}, {x, y1, z1}, {x, y1, z0}}};
            break;
        }
        case SliceAxis::Y: {
            const double y = (position + 0.5) * sy - hy;
            q.corners = {{{x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}}};
            break;
        }
        case SliceAxis::Z: {
            const double z = (position + 0.5) * sz - hz;
            q.corners = {{{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}}};
            break;
        }
    }
    return q;
}
