#include "workspace/core/formats/declared_size.h"

#include <array>
#include <cstdlib>
#include <fstream>

#include "workspace/core/formats/byte_codec.h"
#include "workspace/core/formats/dicom_reader.h"
#include "workspace/core/formats/open_rules.h"

namespace {

// A little-endian field of 2 (unsigned) or 4 (signed) bytes.
int64_t little(const std::array<uint8_t, 26>& b, size_t at, size_t bytes) {
    if (bytes == 4) return static_cast<int32_t>(readLittleEndian32(b.data() + at));
    return readLittleEndian16(b.data() + at);
}

std::optional<DeclaredSize> bitmapSize(const std::string& path) {
    std::array<uint8_t, 26> b{};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(b.data()), b.size()) || b[0] != 'B' || b[1] != 'M')
        return std::nullopt;
    // The 12-byte core header keeps 16-bit sizes; every later header 32-bit ones.
    if (little(b, 14, 4) == 12) return DeclaredSize{little(b, 18, 2), little(b, 20, 2)};
    return DeclaredSize{little(b, 18, 4), std::llabs(little(b, 22, 4))};
}

}  // namespace

std::optional<DeclaredSize> declaredImageSize(int index, const std::string& path,
                                              const RawOptions& rawOptions) {
    if (index == kFormatBitmap) return bitmapSize(path);
    if (index == kFormatRaw) return DeclaredSize{rawOptions.RawX, rawOptions.RawY};
    if (index == kFormatDicom || index == kFormatDicomDcm) {
        std::unique_ptr<DicomSource> source = DicomSource::openFile(path);
        DicomState state;
        if (!source || ReadDicomHeader(*source, state) != 0) return std::nullopt;
        return DeclaredSize{state.columns, state.rows};
    }
    return std::nullopt;
}
