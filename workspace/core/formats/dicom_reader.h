// A small, tolerant DICOM reader. The header walk takes the image geometry and
// sample format from group 0028, collects a readable header text from a fixed
// set of elements of groups 0008, 0010 and 0018, and finds the pixel data; a
// raw scan for the geometry and pixel-data tags takes over when the walk goes
// astray. The pixel reader turns 8-bit, 16-bit and packed samples into 16-bit
// words.
//
// Files come from anywhere: every read is checked against the file, and a file
// whose pixel data is compressed, of undefined length, shorter than
// Rows x Columns samples or of a sample format we cannot unpack is refused
// instead of being shown as garbage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

// Bytes of one DICOM file, held in memory or read on demand from disk (only
// the header and the first frame are read, whatever the file's size).
class DicomSource {
  public:
    // The bytes must outlive the source.
    explicit DicomSource(std::span<const uint8_t> bytes);
    // nullptr when the path is not a regular file that can be opened.
    static std::unique_ptr<DicomSource> openFile(const std::string& path);
    ~DicomSource();
    DicomSource(const DicomSource&) = delete;
    DicomSource& operator=(const DicomSource&) = delete;

    uint64_t size() const { return size_; }
    // Copies the n bytes at offset; false when they are not all inside the
    // file or cannot be read.
    bool read(uint64_t offset, void* out, size_t n);

  private:
    DicomSource(int fd, uint64_t size);

    std::span<const uint8_t> memory_;
    int fd_ = -1;
    uint64_t size_ = 0;
    // Small reads of a disk file go through one window of the file.
    std::vector<uint8_t> window_;
    uint64_t windowStart_ = 0;
};

// What the header walk found in one file. Every header read starts from these
// defaults, so nothing carries over from the previous file.
struct DicomState {
    int32_t littleEndian =
        1;  // byte order of the data set (the meta group is always little-endian)
    int32_t columns = 256;
    int32_t rows = 256;
    int32_t bitsAllocated = 16;
    int32_t bitsStored = 16;
    int32_t highBit = 15;
    int32_t numberOfFrames = 1;
    int32_t pixelRepresentation = 0;  // non-zero: signed samples
    std::string headerText;
    std::string transferSyntax;  // (0002,0010) without its padding; empty when absent
    // Where the first frame's pixel data lies; valid when the header was accepted.
    uint64_t pixelOffset = 0;
    uint64_t pixelLength = 0;
};

// Walks the header. Returns 0 when usable pixel data was found (its place is
// in `state`) and 1 otherwise: no pixel data, a compressed transfer syntax,
// undefined-length (encapsulated) pixel data, Rows or Columns below 1,
// BitsAllocated outside 1..16, more than kMaxPlaneWords samples, or pixel data
// that holds fewer than Rows x Columns samples.
int ReadDicomHeader(DicomSource& file, DicomState& state);

// Bytes of pixel data that Rows x Columns samples take (packed when
// BitsAllocated is neither 8 nor 16); 0 for a geometry the reader refuses.
uint64_t dicomPixelBytes(const DicomState& state);

// Unpacks the first frame into `samples`, which must hold exactly
// Columns x Rows words: 16-bit samples in the file's byte order, signed ones
// moved to offset binary (+0x8000); 8-bit samples widened, signed ones + 128;
// packed samples (for instance 12 bits) masked to their width. Returns false,
// with `samples` untouched, when the state is not one ReadDicomHeader accepts
// or the pixel bytes cannot be read.
bool ReadDicomPixels(DicomSource& file, const DicomState& state, std::span<uint16_t> samples);

// For BitsAllocated 1..15: shifts every sample left by 16 - BitsAllocated, so
// that slices of any sample width fill the 16-bit range alike.
void ShiftDicomSamples(const DicomState& state, std::span<uint16_t> samples);

// The collected header text, lines separated by "\r\n".
const std::string& DicomHeaderText(const DicomState& state);

enum class DicomStatus {
    Ok,
    CannotOpen,  // missing file, a folder, or a read error
    Rejected,    // ReadDicomHeader or ReadDicomPixels refused the file
};

// Header and first frame of a file in one call: on Ok `samples` holds
// Columns x Rows words; on any other status `samples` is left as it was
// (`state` holds what the header walk found).
DicomStatus readDicomFile(const std::string& path, DicomState& state,
                          std::vector<uint16_t>& samples);

// The same for a file held in memory.
DicomStatus decodeDicom(std::span<const uint8_t> bytes, DicomState& state,
                        std::vector<uint16_t>& samples);
