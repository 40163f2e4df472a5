#include "analysis/core/options/grain_options.h"

#include <array>
#include <cmath>
#include <string>
#include <string_view>
#include <variant>

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

namespace {

// The group's keys in their registry and file order, each with its field.
using GrainField = std::variant<int32_t GrainOptions::*, bool GrainOptions::*,
                                std::string GrainOptions::*, double GrainOptions::*>;
struct GrainKey {
    std::string_view name;
    GrainField field;
};
const std::array<GrainKey, 11> kGrainKeys = {{
    {"Sg_threshold", &GrainOptions::Sg_threshold},
    {"Sg_minarea", &GrainOptions::Sg_minarea},
    {"Sg_ClosingDepth", &GrainOptions::Sg_ClosingDepth},
    {"Sg_GrainsPerRoi", &GrainOptions::Sg_GrainsPerRoi},
    {"Sg_SetClassName", &GrainOptions::Sg_SetClassName},
    {"Sg_ClassName", &GrainOptions::Sg_ClassName},
    {"Sg_Pixels", &GrainOptions::Sg_Pixels},
    {"Sg_Units", &GrainOptions::Sg_Units},
    {"Sg_PPU", &GrainOptions::Sg_PPU},
    {"Sg_DoGeometry", &GrainOptions::Sg_DoGeometry},
    {"Sg_DoGeometryP", &GrainOptions::Sg_DoGeometryP},
}};

template <class... F>
struct Overloaded : F... {
    using F::operator()...;
};
template <class... F>
Overloaded(F...) -> Overloaded<F...>;

}  // namespace

void loadGrainOptionsFromRegistry(GrainOptions& options) {
    auto key = platform::openOptionsKey();
    if (!key.isOpen()) return;
    for (const GrainKey& k : kGrainKeys)
        std::visit(Overloaded{
                       [&](int32_t GrainOptions::*f) { readDword(key, k.name, options.*f); },
                       [&](bool GrainOptions::*f) { readDword(key, k.name, options.*f); },
                       [&](double GrainOptions::*f) { readNumber(key, k.name, options.*f); },
                       [&](std::string GrainOptions::*f) {
                           if (auto text = key.readString(k.name, kClassNameBuffer))
                               options.*f = *text;
                       },
                   },
                   k.field);
}

platform::RegistryValueList grainOptionsRegistryValues(const GrainOptions& o) {
    platform::RegistryValueList values;
    for (const GrainKey& k : kGrainKeys)
        values.push_back(
            {std::string(k.name),
             std::visit(
                 Overloaded{
                     [&](int32_t GrainOptions::*f) {
                         return platform::RegistryValue{static_cast<uint32_t>(o.*f)};
                     },
                     [&](bool GrainOptions::*f) {
                         return platform::RegistryValue{static_cast<uint32_t>(o.*f)};
                     },
                     [&](double GrainOptions::*f) {
                         return platform::RegistryValue{platform::cformat("%.2f", o.*f)};
                     },
                     [&](std::string GrainOptions::*f) { return platform::RegistryValue{o.*f}; },
                 },
                 k.field)});
    return values;
}

void saveGrainOptionsToRegistry(const GrainOptions& options) {
    platform::writeOptionValues(grainOptionsRegistryValues(options));
}

void loadGrainOptionsFromFile(const platform::IniFile& file, GrainOptions& o) {
    const std::string_view section = platform::kOptionsSection;
    for (const GrainKey& k : kGrainKeys)
        std::visit(
            Overloaded{
                [&](int32_t GrainOptions::*f) { o.*f = file.getInt(section, k.name, o.*f); },
                [&](bool GrainOptions::*f) { o.*f = file.getInt(section, k.name, o.*f) != 0; },
                [&](double GrainOptions::*f) { o.*f = fileNumber(file, k.name); },
                [&](std::string GrainOptions::*f) { o.*f = file.getString(section, k.name, o.*f); },
            },
            k.field);
}

std::vector<std::string> outOfRangeNotes(const GrainOptions& o) {
    const GrainOptions used = o.sanitized();
    std::vector<std::string> notes;
    for (const GrainKey& k : kGrainKeys) {
        const std::string name(k.name);
        std::visit(Overloaded{
                       [&](int32_t GrainOptions::*f) {
                           if (o.*f != used.*f)
                               notes.push_back(platform::cformat("%s=%d is used as %d",
                                                                 name.c_str(), o.*f, used.*f));
                       },
                       [&](bool GrainOptions::*) {},
                       [&](double GrainOptions::*f) {
                           // NaN differs from itself: compare the texts shown.
                           const std::string from = platform::cformat("%.2f", o.*f);
                           const std::string to = platform::cformat("%.2f", used.*f);
                           if (from != to) notes.push_back(name + "=" + from + " is used as " + to);
                       },
                       [&](std::string GrainOptions::*f) {
                           if (o.*f != used.*f)
                               notes.push_back(name + " is cut to " +
                                               std::to_string((used.*f).size()) + " characters");
                       },
                   },
                   k.field);
    }
    return notes;
}

void saveGrainOptionsToFile(platform::IniFile& file, const GrainOptions& o) {
    const std::string_view section = platform::kOptionsSection;
    for (const GrainKey& k : kGrainKeys)
        std::visit(Overloaded{
                       [&](int32_t GrainOptions::*f) { file.setInt(section, k.name, o.*f); },
                       [&](bool GrainOptions::*f) { file.setInt(section, k.name, o.*f); },
                       [&](double GrainOptions::*f) { file.setReal(section, k.name, o.*f); },
                       [&](std::string GrainOptions::*f) { file.setString(section, k.name, o.*f); },
                   },
                   k.field);
}

GrainOptions& grainOptions() {
    static GrainOptions options;
    return options;
}
