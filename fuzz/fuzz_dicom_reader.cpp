// DICOM files come from anywhere. Reading any bytes must end, refuse or give
// exactly Rows x Columns samples taken from inside the file, and leave the
// caller's samples untouched on refusal. Header and pixel reader must agree
// with the one-call decoder.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "workspace/core/formats/dicom_reader.h"
#include "workspace/core/image/image_plane.h"

namespace {

// The walk visits at most 2048 elements and keeps values below 4094 bytes.
constexpr size_t kMaxHeaderText = 2048 * (4094 + 64);

void checkAccepted(std::span<const uint8_t> bytes, const DicomState& state,
                   const std::vector<uint16_t>& samples) {
    if (state.rows < 1 || state.columns < 1 || state.bitsAllocated < 1 || state.bitsAllocated > 16)
        std::abort();
    const uint64_t count = static_cast<uint64_t>(state.rows) * static_cast<uint64_t>(state.columns);
    if (count > kMaxPlaneWords || samples.size() != count) std::abort();
    const uint64_t pixelBytes = dicomPixelBytes(state);
    if (pixelBytes == 0 || pixelBytes > state.pixelLength || state.pixelOffset > bytes.size() ||
        bytes.size() - state.pixelOffset < pixelBytes)
        std::abort();
    if (state.bitsAllocated < 16) {
        const uint32_t limit = (uint32_t{1} << state.bitsAllocated) - 1;
        for (uint16_t s : samples)
            if (s > limit) std::abort();
    }
    std::vector<uint16_t> shifted = samples;
    ShiftDicomSamples(state, shifted);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::span<const uint8_t> bytes(data, size);
    DicomState state;
    state.rows = -3;  // must be reset by the reader
    state.pixelRepresentation = 1;
    const std::vector<uint16_t> before = {1, 2, 3};
    std::vector<uint16_t> samples = before;
    const DicomStatus status = decodeDicom(bytes, state, samples);
    if (DicomHeaderText(state).size() > kMaxHeaderText) std::abort();

    DicomSource source(bytes);
    DicomState stepState;
    const int header = ReadDicomHeader(source, stepState);
    if ((header == 0) != (status == DicomStatus::Ok)) std::abort();
    if (stepState.headerText != state.headerText || stepState.rows != state.rows ||
        stepState.columns != state.columns)
        std::abort();

    if (status != DicomStatus::Ok) {
        if (status != DicomStatus::Rejected || samples != before) std::abort();
        return 0;
    }
    checkAccepted(bytes, state, samples);
    std::vector<uint16_t> again(samples.size());
    if (!ReadDicomPixels(source, stepState, again) || again != samples) std::abort();
    return 0;
}
