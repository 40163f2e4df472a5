// The open-by-extension dispatcher, the road of every file from the command
// line, a drop or a macro: the extension decides the kind and the readers
// tried in turn, then the raw reader as the last resort. Whatever the name
// and the bytes, every attempt must end with a refusal or with an image
// within the program's limits.
#include <unistd.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "platform/files.h"
#include "workspace/core/formats/image_load.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/core/image/image_plane.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

constexpr std::array<std::string_view, 16> kExtensions = {
    ".bmp", ".BMP", ".dcm", ".dicom", ".raw", ".ima", ".img", ".mr",
    ".roi", ".txt", ".bmf", ".par",   "",     ".DcM", ".x",   ".plugin",
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const std::string path = (std::filesystem::temp_directory_path() /
                              ("vantu-fuzz-open-" + std::to_string(::getpid()) +
                               std::string(kExtensions[data[0] % kExtensions.size()])))
                                 .string();
    check(platform::writeWholeFileAtomically(
        path, std::string(reinterpret_cast<const char*>(data + 2), size - 2)));
    // Only images are read here; macros, ROI files and maps go to their own readers.
    if (classifyPath(path) != OpenedKind::Image) return 0;
    RawOptions raw;  // the defaults: 256 x 256, 8 bits
    const uint32_t colourMode = data[1] % 8;
    std::vector<int> indexes = formatIndexesFor(path);
    indexes.push_back(kFormatRaw);
    for (int index : indexes) {
        check(index >= 1 && index <= kFormatCount);
        LoadedImage image;
        if (readImageSamples(index, path, raw, colourMode, image) != 0) {
            check(image.samples.empty());
            continue;
        }
        const size_t count = static_cast<size_t>(image.width) * static_cast<size_t>(image.height);
        check(image.width > 0 && image.height > 0 && count <= kMaxImagePixels &&
              image.samples.size() == count);
        break;
    }
    std::filesystem::remove(path);
    return 0;
}
