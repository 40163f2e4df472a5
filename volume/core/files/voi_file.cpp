#include "volume/core/files/voi_file.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/files.h"
#include "volume/core/files/byte_source.h"

namespace {

// Collects runs; the pending run is written by finish().
class RunWriter {
  public:
    explicit RunWriter(std::string& out) : out_(out) {}

    void add(uint16_t value, uint64_t n) {
        while (n > 0) {
            if (count_ > 0 && (value != value_ || count_ == kMaxVoiRun)) flush();
            value_ = value;
            const uint64_t take = std::min<uint64_t>(n, kMaxVoiRun - count_);
            count_ += static_cast<uint32_t>(take);
            n -= take;
        }
    }
    void finish() {
        if (count_ > 0) flush();
    }

  private:
    void flush() {
        appendLittleEndian16(out_, value_);
        appendLittleEndian16(out_, count_);
        count_ = 0;
    }

    std::string& out_;
    uint16_t value_ = 0;
    uint32_t count_ = 0;
};

}  // namespace

void Volume3DWriteRuns(const Volume3D& mask, std::string& out) {
    RunWriter runs(out);
    const uint64_t width = static_cast<uint64_t>(std::max(mask.maxWidth, 0));
    for (const VolumeSlice& slice : mask.slices) {
        const int32_t rows = slice.present() ? slice.height : 0;
        for (int32_t y = 0; y < rows; ++y) {
            const uint16_t* row = slice.samples.data() + static_cast<size_t>(y) * slice.width;
            int32_t x = 0;
            while (x < slice.width) {
                int32_t end = x + 1;
                while (end < slice.width && row[end] == row[x]) ++end;
                runs.add(row[x], static_cast<uint64_t>(end - x));
                x = end;
            }
            runs.add(0, width - static_cast<uint64_t>(slice.width));
        }
        const uint64_t missingRows = static_cast<uint64_t>(std::max(mask.maxHeight, 0) - rows);
        runs.add(0, missingRows * width);
    }
    runs.finish();
}

std::string encodeVoi(const Volume3D& mask, const VoiNames& names) {
    if (mask.maxWidth > 0xFFFF || mask.maxHeight > 0xFFFF || mask.sliceCount > 0xFFFF) return {};
    std::string out(kVoiMagic2006);
    appendLittleEndian16(out, static_cast<uint32_t>(mask.maxWidth));
    appendLittleEndian16(out, static_cast<uint32_t>(mask.maxHeight));
    appendLittleEndian16(out, static_cast<uint32_t>(mask.sliceCount));
    for (const std::string& name : names)
        appendLittleEndian16(out, static_cast<uint32_t>(std::min(name.size(), kMaxVoiNameLength)));
    for (const std::string& name : names) out.append(name, 0, kMaxVoiNameLength);
    Volume3DWriteRuns(mask, out);
    return out;
}

VoiSaveStatus saveVoiFile(const Volume3D& mask, const VoiNames& names, const std::string& path) {
    std::string bytes = encodeVoi(mask, names);
    if (bytes.empty()) return VoiSaveStatus::TooLarge;
    return platform::writeWholeFileAtomically(path, bytes) ? VoiSaveStatus::Ok
                                                           : VoiSaveStatus::CannotWrite;
}

namespace {

struct VoiHeader {
    int kind = 0;
    uint32_t x = 0, y = 0, z = 0;
    std::array<uint32_t, kVoiCount> nameLength{};
};

// Stores the work buffer as slice z.
void storeSlice(Volume3D& mask, const std::vector<uint16_t>& buffer, int32_t z) {
    Volume3DSetSlice(mask, buffer.data(), mask.maxWidth, mask.maxHeight, z);
}

VoiLoadResult decodeSource(Volume3D& mask, VoiNames& names, ByteSource& source) {
    VoiLoadResult result;
    uint8_t head[kVoiHeaderBytes];
    if (source.readAt(0, head, kVoiHeaderBytes) != kVoiHeaderBytes) {
        result.status = VoiLoadStatus::NotVoi;
        return result;
    }
    VoiHeader h;
    const std::string_view magic(reinterpret_cast<const char*>(head), 12);
    if (magic == kVoiMagic2006)
        h.kind = 2;
    else if (magic == kVoiMagic2005)
        h.kind = 1;
    else {
        result.status = VoiLoadStatus::NotVoi;
        return result;
    }
    h.x = readLittleEndian16(head + 12);
    h.y = readLittleEndian16(head + 14);
    h.z = readLittleEndian16(head + 16);
    for (int i = 0; i < kVoiCount; ++i) h.nameLength[i] = readLittleEndian16(head + 18 + 2 * i);
    result.status = VoiLoadStatus::Loaded;
    result.kind = h.kind;

    const uint32_t maskW = static_cast<uint32_t>(std::max(mask.maxWidth, 0));
    const uint32_t maskH = static_cast<uint32_t>(std::max(mask.maxHeight, 0));
    const uint32_t X = std::min(h.x, maskW);
    const uint32_t Y = std::min(h.y, maskH);
    const uint32_t Z = std::min(h.z, static_cast<uint32_t>(std::max(mask.sliceCount, 0)));
    std::vector<uint16_t> buffer(static_cast<size_t>(maskW) * maskH, 0);

    if (h.kind == 1) {
        std::vector<uint8_t> row(static_cast<size_t>(h.x) * 2);
        for (uint32_t z = 0; z < Z; ++z) {
            for (uint32_t y = 0; y < Y; ++y) {
                const uint64_t offset =
                    kVoiHeaderBytes + 2 * (static_cast<uint64_t>(y) + uint64_t{z} * h.y) * h.x;
                const size_t want = static_cast<size_t>(X) * 2;
                const size_t got = source.readAt(offset, row.data(), want);
                uint16_t* out = buffer.data() + static_cast<size_t>(y) * maskW;
                for (uint32_t x = 0; x < got / 2; ++x)
                    out[x] = readLittleEndian16(row.data() + 2 * x);
                if (got < want) {
                    // The rest of this slice was never written: it reads as 0.
                    std::fill(out + got / 2, buffer.data() + buffer.size(), uint16_t{0});
                    storeSlice(mask, buffer, static_cast<int32_t>(z));
                    result.truncated = true;
                    return result;
                }
            }
            storeSlice(mask, buffer, static_cast<int32_t>(z));
        }
        return result;
    }

    // Names, then the runs after all of them.
    uint64_t position = kVoiHeaderBytes;
    VoiNames read;
    for (int i = 0; i < kVoiCount; ++i) {
        const uint32_t length = h.nameLength[i];
        if (length > 0 && length <= kMaxVoiNameLength) {
            std::string name(length, '\0');
            if (source.readAt(position, name.data(), length) != length) {
                result.truncated = true;
                return result;
            }
            read[i] = std::move(name);
        }
        position += length;
    }
    names = std::move(read);
    result.namesRead = true;

    ByteReader reader(source, position);
    uint16_t value = 0;
    uint32_t left = 0;  // voxels the current run still covers
    for (uint32_t z = 0; z < Z; ++z) {
        for (uint32_t y = 0; y < h.y; ++y) {
            uint16_t* out = y < Y ? buffer.data() + static_cast<size_t>(y) * maskW : nullptr;
            uint32_t x = 0;
            while (x < h.x) {
                while (left == 0) {
                    uint8_t run[4];
                    if (!reader.read(run, 4)) {
                        // Unread voxels of this slice become 0, not the previous slice's.
                        if (y < Y) {
                            if (x < X) std::fill(out + x, out + X, uint16_t{0});
                            for (uint32_t yy = y + 1; yy < Y; ++yy)
                                std::fill_n(buffer.data() + static_cast<size_t>(yy) * maskW, X,
                                            uint16_t{0});
                        }
                        storeSlice(mask, buffer, static_cast<int32_t>(z));
                        result.truncated = true;
                        return result;
                    }
                    value = readLittleEndian16(run);
                    left = readLittleEndian16(run + 2);
                }
                const uint32_t take = std::min(left, h.x - x);
                if (out && x < X) std::fill(out + x, out + std::min(x + take, X), value);
                x += take;
                left -= take;
            }
        }
        storeSlice(mask, buffer, static_cast<int32_t>(z));
    }
    return result;
}

}  // namespace

VoiLoadResult decodeVoi(Volume3D& mask, VoiNames& names, std::span<const uint8_t> bytes) {
    ByteSource source(bytes);
    return decodeSource(mask, names, source);
}

VoiLoadResult LoadVoi(Volume3D& mask, VoiNames& names, const std::string& path) {
    std::unique_ptr<ByteSource> source = ByteSource::openFile(path);
    if (!source) return {};
    return decodeSource(mask, names, *source);
}
