#include "analysis/core/options/analysis_options.h"

#include <array>
#include <string_view>

#include "analysis/core/runner/file_types.h"
#include "platform/textformat.h"

namespace {

struct IntegerKey {
    std::string_view name;
    int32_t AnalysisOptions::*field;
};

// Every integer option in the order the writers use.
constexpr std::array<IntegerKey, 24> kIntegerKeys = {{
    {"Do_co", &AnalysisOptions::Do_co},         {"Do_grad", &AnalysisOptions::Do_grad},
    {"Do_hist", &AnalysisOptions::Do_hist},     {"Do_hidraw", &AnalysisOptions::Do_hidraw},
    {"Do_rl", &AnalysisOptions::Do_rl},         {"Do_normal", &AnalysisOptions::Do_normal},
    {"Do_normap", &AnalysisOptions::Do_normap}, {"Do_arm", &AnalysisOptions::Do_arm},
    {"Do_wavF1", &AnalysisOptions::Do_wavF1},   {"Do_wavF2", &AnalysisOptions::Do_wavF2},
    {"Do_wavMap", &AnalysisOptions::Do_wavMap}, {"Do_vt1", &AnalysisOptions::Do_vt1},
    {"Do_vt2", &AnalysisOptions::Do_vt2},       {"Do_vt3", &AnalysisOptions::Do_vt3},
    {"Do_vt4", &AnalysisOptions::Do_vt4},       {"Do_vt5", &AnalysisOptions::Do_vt5},
    {"Ng_vt", &AnalysisOptions::Ng_vt},         {"Ng_rl", &AnalysisOptions::Ng_rl},
    {"Ng_gr", &AnalysisOptions::Ng_gr},         {"Ng_wav", &AnalysisOptions::Ng_wav},
    {"Mask_x", &AnalysisOptions::Mask_x},       {"Mask_y", &AnalysisOptions::Mask_y},
    {"Step_x", &AnalysisOptions::Step_x},       {"Step_y", &AnalysisOptions::Step_y},
}};

constexpr std::string_view kMapsTreeKey = "Maps_Tree";
// The map-tree text is read into a 98-byte buffer: a longer text is cut to
// 97 characters, which the 96-character rule then ignores.
constexpr size_t kMapsTreeBuffer = 98;

int32_t flag(int32_t value) {
    return value != 0 ? 1 : 0;
}

int32_t inRangeOr(int32_t value, int32_t low, int32_t high, int32_t fallback) {
    return value >= low && value <= high ? value : fallback;
}

int32_t clamp(int32_t value, int32_t low, int32_t high) {
    return value < low ? low : (value > high ? high : value);
}

}  // namespace

AnalysisOptions AnalysisOptions::sanitized() const {
    AnalysisOptions out = *this;
    for (auto field :
         {&AnalysisOptions::Do_co, &AnalysisOptions::Do_grad, &AnalysisOptions::Do_hist,
          &AnalysisOptions::Do_hidraw, &AnalysisOptions::Do_rl, &AnalysisOptions::Do_normap,
          &AnalysisOptions::Do_arm, &AnalysisOptions::Do_wavF1, &AnalysisOptions::Do_wavF2,
          &AnalysisOptions::Do_wavMap, &AnalysisOptions::Do_vt1, &AnalysisOptions::Do_vt2,
          &AnalysisOptions::Do_vt3, &AnalysisOptions::Do_vt4, &AnalysisOptions::Do_vt5})
        out.*field = flag(out.*field);
    out.Do_normal = inRangeOr(Do_normal, 0, 3, 0);
    out.Ng_vt = inRangeOr(Ng_vt, 4, 8, 8);
    out.Ng_rl = inRangeOr(Ng_rl, 4, 8, 8);
    out.Ng_gr = inRangeOr(Ng_gr, 4, 12, 4);
    out.Ng_wav = inRangeOr(Ng_wav, 4, 12, 8);
    out.Mask_x = clamp(Mask_x, 5, 64);
    out.Mask_y = clamp(Mask_y, 5, 64);
    out.Step_x = clamp(Step_x, 1, 64);
    out.Step_y = clamp(Step_y, 1, 64);
    return out;
}

AnalysisSettings& analysisSettings() {
    static AnalysisSettings settings;
    return settings;
}

void LoadOptionsFromRegistry(AnalysisOptions& options) {
    RegisterFileTypes();
    const AnalysisOptions defaults;
    auto key = platform::openOptionsKey();
    for (const IntegerKey& k : kIntegerKeys)
        options.*k.field = static_cast<int32_t>(
            platform::ReadRegistryDword(key, k.name, static_cast<uint32_t>(defaults.*k.field)));
    applyMapTreeText(options.Maps_Tree,
                     platform::ReadRegistryString(key, kMapsTreeKey, "", kMapsTreeBuffer));
}

platform::RegistryValueList analysisOptionsRegistryValues(const AnalysisOptions& options) {
    platform::RegistryValueList values;
    for (const IntegerKey& k : kIntegerKeys)
        values.emplace_back(std::string(k.name),
                            platform::RegistryValue{static_cast<uint32_t>(options.*k.field)});
    values.emplace_back(std::string(kMapsTreeKey),
                        platform::RegistryValue{mapTreeText(options.Maps_Tree)});
    return values;
}

void SaveOptionsToRegistry(const AnalysisSettings& settings) {
    if (!settings.saveFlag) return;
    platform::writeOptionValues(analysisOptionsRegistryValues(settings.options));
}

void LoadOptionsFromFile(const platform::IniFile& file, AnalysisOptions& options) {
    for (const IntegerKey& k : kIntegerKeys)
        options.*k.field = file.getInt(platform::kOptionsSection, k.name, options.*k.field);
    std::string text = file.getString(platform::kOptionsSection, kMapsTreeKey, "");
    if (text.size() > kMapsTreeBuffer - 1) text.resize(kMapsTreeBuffer - 1);
    applyMapTreeText(options.Maps_Tree, text);
}

std::vector<std::string> outOfRangeNotes(const AnalysisOptions& options) {
    const AnalysisOptions used = options.sanitized();
    std::vector<std::string> notes;
    for (const IntegerKey& k : kIntegerKeys) {
        const bool isSwitch = k.name.starts_with("Do_") && k.name != "Do_normal";
        if (!isSwitch && options.*k.field != used.*k.field)
            notes.push_back(platform::cformat("%.*s=%d is used as %d",
                                              static_cast<int>(k.name.size()), k.name.data(),
                                              options.*k.field, used.*k.field));
    }
    return notes;
}

void SaveOptionsToFile(platform::IniFile& file, const AnalysisOptions& options) {
    for (const IntegerKey& k : kIntegerKeys)
        file.setInt(platform::kOptionsSection, k.name, options.*k.field);
    file.setString(platform::kOptionsSection, kMapsTreeKey, mapTreeText(options.Maps_Tree));
}
