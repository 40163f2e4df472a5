// .bmf files come from disk, from other programs and from drag and drop.
// Decoding any bytes must end, either give a map whose size the bytes hold
// or nothing, and a map that loads must draw and encode back to the same
// values.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "analysis/core/maps/bmf_file.h"
#include "analysis/core/maps/feature_map_list.h"
#include "analysis/core/maps/map_picture.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto image = decodeBmf(bytes);
    if (!image) return 0;
    check(image->width > 0 && image->height > 0);
    const size_t count = static_cast<size_t>(image->width) * static_cast<size_t>(image->height);
    check(image->values.size() == count);
    check(kBmfHeaderSize + 8 * count <= size);
    check(std::memcmp(image->values.data(), data + kBmfHeaderSize, 8 * count) == 0);

    resetFeatureMaps();
    FeatureMap* map = AddFeatureMap("fuzz", image->values.data(), image->width, image->height);
    if (map == nullptr) return 0;
    check(map->min <= map->max);
    const std::string again = encodeBmf(map->values.data(), map->width, map->height);
    check(again.size() == kBmfHeaderSize + 8 * count);
    check(std::memcmp(again.data() + kBmfHeaderSize, data + kBmfHeaderSize, 8 * count) == 0);
    if (count <= 4096) {
        map->displayLow = map->values.front();
        map->displayHigh = map->values.back();
        check(renderMapPicture(*map).size() == 3 * count);
    }
    resetFeatureMaps();
    return 0;
}
