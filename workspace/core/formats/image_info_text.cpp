#include "workspace/core/formats/image_info_text.h"

#include <cstdio>

#include "workspace/core/formats/dicom_reader.h"

namespace {

std::string fixed2(double v) {
    char text[64];
    std::snprintf(text, sizeof text, "%.2f", v);
    return text;
}

}  // namespace

std::vector<std::string> imageInfoBasicLines(const std::string& path, const ImageInfoBasics& b) {
    return {
        "File Name:\t" + path,
        "Image Dimensions:\t" + std::to_string(b.width) + " x " + std::to_string(b.height),
        "Min; Max Brightness:\t" + std::to_string(b.min) + "; " + std::to_string(b.max),
        "Bits Per Pixel:\t" + std::to_string(b.bitDepth),
    };
}

std::vector<std::string> scannerInfoLines(const ScannerInfo& r) {
    return {
        "",
        "X; Y; Z Voxel Size:\t" + fixed2(r.pixelWidth) + "mm\t" + fixed2(r.pixelHeight) + "mm\t" +
            fixed2(r.sliceThickness) + "mm",
        "Slice Thickness; Gap; Position:\t" + fixed2(r.sliceThickness) + "mm\t" +
            fixed2(r.sliceGap) + "mm\t" + fixed2(r.slicePosition) + "mm",
        "Institution:\t" + r.institution,
        "Station:\t" + r.station,
        "Manufacturer:\t" + r.manufacturer,
        "Model:\t" + r.model,
        "Image Modality:\t" + r.modality,
        "Sequence Type:\t" + r.sequenceType,
        "Nucleus:\t" + r.nucleus,
        "Receivin Coil:\t" + r.receivingCoil,
        "Magnetic Field:\t" + fixed2(r.fieldStrength),
        "TR; TE; TI Time:\t" + fixed2(r.repetitionTime) + "ms\t" + fixed2(r.echoTime) + "ms\t" +
            fixed2(r.inversionTime) + "ms",
        "Date & Time:\t" + r.date + "  " + r.time,
        "Patient Sex; ID:\t" + r.sex + "\t" + r.patientId,
        "Patient Weight, Birthday:\t" + fixed2(r.weight) + "kg\t" + r.birthday,
        "Study:\t" + r.study,
        "Series:\t" + r.series,
        "Diagnosis:\t" + r.diagnosis,
    };
}

std::vector<std::string> imageInfoLines(const std::string& path, const ImageInfoBasics& b,
                                        int sourceCode) {
    if (path.empty()) return {};
    std::vector<std::string> lines = imageInfoBasicLines(path, b);
    if (sourceCode == kInfoSourceDicom) {
        auto source = DicomSource::openFile(path);
        DicomState state;
        if (source) {
            ReadDicomHeader(*source, state);
            const std::string& text = DicomHeaderText(state);
            size_t start = 0;
            while (start < text.size()) {
                size_t end = text.find("\r\n", start);
                if (end == std::string::npos) end = text.size();
                lines.push_back(text.substr(start, end - start));
                start = end + 2;
            }
        }
    } else if (sourceCode != 0) {
        ScannerInfo info;
        if (ReadScannerInfo(path, sourceCode, info) == kScannerOk)
            for (std::string& line : scannerInfoLines(info)) lines.push_back(std::move(line));
    }
    return lines;
}
