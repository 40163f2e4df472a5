#include "workspace/core/formats/raw_options.h"

#include <string_view>

namespace {

int32_t clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

RawOptions RawOptions::sanitized() const {
    RawOptions out = *this;
    out.RawX = clamp(RawX, 1, kMaxRawSide);
    out.RawY = clamp(RawY, 1, kMaxRawSide);
    out.RawHeader = RawHeader < 0 ? 0 : RawHeader;
    out.RawSubheader = RawSubheader < 0 ? 0 : RawSubheader;
    out.RawFirstImage = clamp(RawFirstImage, 1, 65535);
    out.RawEndian = RawEndian != 0 ? 1 : 0;
    out.RawBits = RawBits > 8 ? 16 : 8;
    return out;
}

void LoadRawOptionsFromRegistry(RawOptions& options) {
    auto key = platform::openOptionsKey();
    auto read = [&key](std::string_view name, int32_t& field) {
        if (auto value = key.readDword(name)) field = static_cast<int32_t>(*value);
    };
    read("RawX", options.RawX);
    read("RawY", options.RawY);
    read("RawHeader", options.RawHeader);
    read("RawSubheader", options.RawSubheader);
    read("RawFirstImage", options.RawFirstImage);
    if (auto endian = key.readDword("RawEndian")) options.RawEndian = *endian != 0 ? 1 : 0;
    read("RawBits", options.RawBits);
}

platform::RegistryValueList rawOptionsRegistryValues(const RawOptions& o) {
    auto dword = [](int32_t v) { return platform::RegistryValue{static_cast<uint32_t>(v)}; };
    return {
        {"RawX", dword(o.RawX)},
        {"RawY", dword(o.RawY)},
        {"RawHeader", dword(o.RawHeader)},
        {"RawSubheader", dword(o.RawSubheader)},
        {"RawFirstImage", dword(o.RawFirstImage)},
        {"RawEndian", dword(o.RawEndian)},
        {"RawBits", dword(o.RawBits)},
    };
}

void SaveRawOptionsToRegistry(const RawOptions& options) {
    platform::writeOptionValues(rawOptionsRegistryValues(options));
}

RawOptions& rawOptions() {
    static RawOptions options;
    return options;
}
