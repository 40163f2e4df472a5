// .voi files come from anywhere. Decoding any bytes into masks of a few sizes
// must end, keep every slice it stores at the mask's size, and leave the mask
// untouched when the magic is wrong; a file the program wrote must read back
// unchanged.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>

#include "volume/core/files/voi_file.h"

namespace {

Volume3D blank(int32_t w, int32_t h, int32_t count) {
    Volume3D v(count);
    for (int32_t z = 0; z < count; ++z) Volume3DSetSlice(v, nullptr, w, h, z);
    Volume3DMaskAll(v, 0, 0x4242);
    return v;
}

void check(std::span<const uint8_t> bytes, int32_t w, int32_t h, int32_t count) {
    Volume3D mask = blank(w, h, count);
    VoiNames names;
    const VoiLoadResult r = decodeVoi(mask, names, bytes);
    for (const VolumeSlice& s : mask.slices)
        if (s.width != w || s.height != h || s.size() != static_cast<size_t>(w) * h) std::abort();
    for (const std::string& name : names)
        if (name.size() > kMaxVoiNameLength) std::abort();
    if (r.status != VoiLoadStatus::Loaded) {
        for (const VolumeSlice& s : mask.slices)
            for (uint16_t v : s.samples)
                if (v != 0x4242) std::abort();
        return;
    }
    // What was read writes and reads back the same.
    const std::string again = encodeVoi(mask, names);
    Volume3D back = blank(w, h, count);
    VoiNames backNames;
    decodeVoi(back, backNames, {reinterpret_cast<const uint8_t*>(again.data()), again.size()});
    for (int32_t z = 0; z < count; ++z)
        if (back.slices[static_cast<size_t>(z)].samples !=
            mask.slices[static_cast<size_t>(z)].samples)
            std::abort();
    if (backNames != names) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    check(bytes, 4, 3, 2);
    check(bytes, 1, 1, 1);
    check(bytes, 17, 5, 3);
    return 0;
}
