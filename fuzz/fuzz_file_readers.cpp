// The readers that work on a file on disk rather than on bytes in memory:
// DICOM (read through a window of the file), .roi files (only the words the
// map takes are read), ROI pictures, bitmaps read straight into grey samples
// (in bands of rows) and readRawFile (only the extent the options name is
// read). Each must refuse what the file cannot hold without reading past its
// end or allocating beyond the program's own limits.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"
#include "workspace/core/formats/bmp_reader.h"
#include "workspace/core/formats/dicom_reader.h"
#include "workspace/core/formats/raw_reader.h"
#include "workspace/core/image/image_plane.h"
#include "workspace/core/roi/roi_files.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

const std::string& filePath() {
    static const std::string path = (std::filesystem::temp_directory_path() /
                                     ("vantu-fuzz-file-" + std::to_string(::getpid()) + ".bin"))
                                        .string();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 8) return 0;
    const std::string& path = filePath();
    check(platform::writeWholeFileAtomically(
        path, std::string(reinterpret_cast<const char*>(data), size)));

    DicomState dicom;
    std::vector<uint16_t> samples;
    if (readDicomFile(path, dicom, samples) == DicomStatus::Ok) {
        const size_t count = static_cast<size_t>(dicom.rows) * static_cast<size_t>(dicom.columns);
        check(count <= kMaxImagePixels && samples.size() == count);
    }

    // A map of a size the first bytes choose, up to 256 x 256.
    const int32_t width = 1 + data[0], height = 1 + data[1];
    RoiFileContent roi;
    if (readRoiFile(path, width, height, roi) == RoiFileStatus::Ok)
        check(roi.rows <= height && roi.columns <= width &&
              roi.words.size() == static_cast<size_t>(roi.rows) * static_cast<size_t>(roi.columns));
    ImagePlane map;
    check(PlaneCreate(&map, width, height) != nullptr);
    RgbImage picture;
    const BmpStatus pictureStatus = readBmpFile(path, picture);
    if (pictureStatus == BmpStatus::Ok) {
        check(static_cast<size_t>(picture.width) * static_cast<size_t>(picture.height) <=
              kMaxImagePixels);
        importRoiPicture(picture, map);
    }
    PlaneDestroy(&map, 0);
    // Straight to grey, the bitmap gives the same status and the picture's
    // pixels converted.
    GreyPicture grey;
    const auto red = [](const uint8_t* bgr, size_t count, uint16_t* out) {
        for (size_t i = 0; i < count; ++i) out[i] = bgr[3 * i + 2];
    };
    check(readBmpFileGrey(path, red, grey) == pictureStatus);
    if (pictureStatus == BmpStatus::Ok) {
        check(grey.samples.size() == picture.bgr.size() / 3);
        for (size_t i = 0; i < grey.samples.size(); ++i)
            check(grey.samples[i] == picture.bgr[3 * i + 2]);
    }

    // Raw options from the next bytes: small sides, header and image number.
    RawOptions options;
    options.RawX = 1 + data[2];
    options.RawY = 1 + data[3];
    options.RawHeader = data[4];
    options.RawSubheader = data[5] & 0x0F;
    options.RawFirstImage = 1 + (data[6] & 0x07);
    options.RawBits = (data[7] & 1) ? 16 : 8;
    options.RawEndian = (data[7] >> 1) & 1;
    std::vector<uint16_t> raw;
    if (readRawFile(path, options, raw) == RawStatus::Ok)
        check(raw.size() == static_cast<size_t>(options.RawX) * options.RawY);
    return 0;
}
