#include "analysis/core/options/grain_options.h"

#include <cmath>
#include <string_view>

#include "platform/textformat.h"

namespace {

constexpr size_t kClassNameBuffer = 2048;
constexpr std::string_view kMissingNumberText = "1.00";

int32_t clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

double usableOr(double value, double replacement) {
    return std::isfinite(value) && value != 0.0 ? value : replacement;
}

void readDword(const platform::RegistryKey& key, std::string_view name, int32_t& field) {
    if (auto value = key.readDword(name)) field = static_cast<int32_t>(*value);
}

void readDword(const platform::RegistryKey& key, std::string_view name, bool& field) {
    if (auto value = key.readDword(name)) field = *value != 0;
}

void readNumber(const platform::RegistryKey& key, std::string_view name, double& field) {
    if (auto text = key.readString(name)) field = platform::cToReal(*text);
}

double fileNumber(const platform::IniFile& file, std::string_view name) {
    return platform::cToReal(file.getString(platform::kOptionsSection, name, kMissingNumberText));
}

}  // namespace

GrainOptions GrainOptions::sanitized() const {
    GrainOptions out = *this;
    out.Sg_threshold = clamp(Sg_threshold, 0, 4096);
    out.Sg_ClosingDepth = clamp(Sg_ClosingDepth, 0, 32);
    out.Sg_minarea = clamp(Sg_minarea, 0, 1024);
    out.Sg_GrainsPerRoi = clamp(Sg_GrainsPerRoi, 1, 32);
    if (out.Sg_ClassName.size() > kClassNameBuffer - 1)
        out.Sg_ClassName.resize(kClassNameBuffer - 1);
    out.Sg_Pixels = usableOr(Sg_Pixels, 0.01);
    out.Sg_Units = usableOr(Sg_Units, 0.01);
    out.Sg_PPU = usableOr(Sg_PPU, 1.0);
    return out;
}

void LoadGrainOptionsFromRegistry(GrainOptions& options) {
    auto key = platform::RegistryKey::open(platform::Hive::LocalMachine, platform::kOptionsKeyPath);
    if (!key.isOpen()) return;
    readDword(key, "Sg_threshold", options.Sg_threshold);
    readDword(key, "Sg_minarea", options.Sg_minarea);
    readDword(key, "Sg_ClosingDepth", options.Sg_ClosingDepth);
    readDword(key, "Sg_GrainsPerRoi", options.Sg_GrainsPerRoi);
    readDword(key, "Sg_SetClassName", options.Sg_SetClassName);
    if (auto name = key.readString("Sg_ClassName", kClassNameBuffer)) options.Sg_ClassName = *name;
    readNumber(key, "Sg_Pixels", options.Sg_Pixels);
    readNumber(key, "Sg_Units", options.Sg_Units);
    readNumber(key, "Sg_PPU", options.Sg_PPU);
    readDword(key, "Sg_DoGeometry", options.Sg_DoGeometry);
    readDword(key, "Sg_DoGeometryP", options.Sg_DoGeometryP);
}

platform::RegistryValueList grainOptionsRegistryValues(const GrainOptions& o) {
    auto dword = [](int32_t v) { return platform::RegistryValue{static_cast<uint32_t>(v)}; };
    auto number = [](double v) { return platform::RegistryValue{platform::cformat("%.2f", v)}; };
    return {
        {"Sg_threshold", dword(o.Sg_threshold)},
        {"Sg_minarea", dword(o.Sg_minarea)},
        {"Sg_ClosingDepth", dword(o.Sg_ClosingDepth)},
        {"Sg_GrainsPerRoi", dword(o.Sg_GrainsPerRoi)},
        {"Sg_SetClassName", dword(o.Sg_SetClassName)},
        {"Sg_ClassName", platform::RegistryValue{o.Sg_ClassName}},
        {"Sg_Pixels", number(o.Sg_Pixels)},
        {"Sg_Units", number(o.Sg_Units)},
        {"Sg_PPU", number(o.Sg_PPU)},
        {"Sg_DoGeometry", dword(o.Sg_DoGeometry)},
        {"Sg_DoGeometryP", dword(o.Sg_DoGeometryP)},
    };
}

void SaveGrainOptionsToRegistry(const GrainOptions& options) {
    platform::WriteRegistryValues(platform::Hive::LocalMachine, platform::kOptionsKeyPath,
                                  grainOptionsRegistryValues(options));
}

void LoadGrainOptionsFromFile(const platform::IniFile& file, GrainOptions& o) {
    const std::string_view section = platform::kOptionsSection;
    o.Sg_threshold = file.getInt(section, "Sg_threshold", o.Sg_threshold);
    o.Sg_minarea = file.getInt(section, "Sg_minarea", o.Sg_minarea);
    o.Sg_ClosingDepth = file.getInt(section, "Sg_ClosingDepth", o.Sg_ClosingDepth);
    o.Sg_GrainsPerRoi = file.getInt(section, "Sg_GrainsPerRoi", o.Sg_GrainsPerRoi);
    o.Sg_SetClassName = file.getInt(section, "Sg_SetClassName", o.Sg_SetClassName) != 0;
    o.Sg_ClassName = file.getString(section, "Sg_ClassName", o.Sg_ClassName);
    o.Sg_Pixels = fileNumber(file, "Sg_Pixels");
    o.Sg_Units = fileNumber(file, "Sg_Units");
    o.Sg_PPU = fileNumber(file, "Sg_PPU");
    o.Sg_DoGeometry = file.getInt(section, "Sg_DoGeometry", o.Sg_DoGeometry) != 0;
    o.Sg_DoGeometryP = file.getInt(section, "Sg_DoGeometryP", o.Sg_DoGeometryP) != 0;
}

void SaveGrainOptionsToFile(platform::IniFile& file, const GrainOptions& o) {
    const std::string_view section = platform::kOptionsSection;
    file.setInt(section, "Sg_threshold", o.Sg_threshold);
    file.setInt(section, "Sg_minarea", o.Sg_minarea);
    file.setInt(section, "Sg_ClosingDepth", o.Sg_ClosingDepth);
    file.setInt(section, "Sg_GrainsPerRoi", o.Sg_GrainsPerRoi);
    file.setInt(section, "Sg_SetClassName", o.Sg_SetClassName);
    file.setString(section, "Sg_ClassName", o.Sg_ClassName);
    file.setReal(section, "Sg_Pixels", o.Sg_Pixels);
    file.setReal(section, "Sg_Units", o.Sg_Units);
    file.setReal(section, "Sg_PPU", o.Sg_PPU);
    file.setInt(section, "Sg_DoGeometry", o.Sg_DoGeometry);
    file.setInt(section, "Sg_DoGeometryP", o.Sg_DoGeometryP);
}
