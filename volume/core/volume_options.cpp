#include "volume/core/volume_options.h"

#include <array>
#include <cmath>
#include <string_view>

#include "platform/textformat.h"

namespace {

// One option of the 3D group: a switch or an integer.
struct Key3D {
    std::string_view name;
    bool Analysis3DOptions::*flag;
    int32_t Analysis3DOptions::*number;
};

constexpr Key3D flagKey(std::string_view name, bool Analysis3DOptions::*field) {
    return {name, field, nullptr};
}
constexpr Key3D numberKey(std::string_view name, int32_t Analysis3DOptions::*field) {
    return {name, nullptr, field};
}

using A = Analysis3DOptions;

constexpr std::array<Key3D, 16> kRegistryOrder = {
    flagKey("3D_ComFeatures", &A::ComFeatures),
    numberKey("3D_ComBpp", &A::ComBpp),
    flagKey("3D_ComMoredirs", &A::ComMoredirs),
    flagKey("3D_ComDist1", &A::ComDist1),
    flagKey("3D_ComDist2", &A::ComDist2),
    flagKey("3D_ComDist3", &A::ComDist3),
    flagKey("3D_ComDist4", &A::ComDist4),
    flagKey("3D_ComDist5", &A::ComDist5),
    flagKey("3D_RlmFeatures", &A::RlmFeatures),
    numberKey("3D_RlmBpp", &A::RlmBpp),
    flagKey("3D_RlmMoredirs", &A::RlmMoredirs),
    flagKey("3D_GradientFeatures", &A::GradientFeatures),
    numberKey("3D_GradientBpp", &A::GradientBpp),
    flagKey("3D_HistogramFeatures", &A::HistogramFeatures),
    numberKey("3D_HistogramBpp", &A::HistogramBpp),
    numberKey("3D_Normalisation", &A::Normalisation),
};

// The same keys as the options file lists them: the distances before the bit depth.
constexpr std::array<Key3D, 16> kFileOrder = [] {
    constexpr std::array<size_t, 16> places = {0, 3, 4,  5,  6,  7,  1,  2,
                                               8, 9, 10, 11, 12, 13, 14, 15};
    std::array<Key3D, 16> keys{};
    for (size_t i = 0; i < places.size(); ++i) keys[i] = kRegistryOrder[places[i]];
    return keys;
}();

int32_t valueOf(const Analysis3DOptions& options, const Key3D& key) {
    return key.flag ? (options.*key.flag ? 1 : 0) : options.*key.number;
}

void assign(Analysis3DOptions& options, const Key3D& key, int32_t value) {
    if (key.flag) {
        options.*key.flag = value != 0;
    } else {
        options.*key.number = value;
    }
}

int32_t inRangeOr(int32_t value, int32_t low, int32_t high, int32_t fallback) {
    return value >= low && value <= high ? value : fallback;
}

struct VoxelKey {
    std::string_view name;
    double VoxelSizes::*field;
};

constexpr std::array<VoxelKey, 3> kVoxelKeys = {{
    {"VoxelXSize", &VoxelSizes::VoxelXSize},
    {"VoxelYSize", &VoxelSizes::VoxelYSize},
    {"VoxelZSize", &VoxelSizes::VoxelZSize},
}};

constexpr std::string_view kMissingVoxelText = "1.0";

}  // namespace

Analysis3DOptions Analysis3DOptions::sanitized() const {
    Analysis3DOptions out = *this;
    out.ComBpp = inRangeOr(ComBpp, 4, 8, 4);
    out.RlmBpp = inRangeOr(RlmBpp, 4, 8, 4);
    out.GradientBpp = inRangeOr(GradientBpp, 4, 12, 12);
    out.HistogramBpp = HistogramBpp == 16 ? 16 : inRangeOr(HistogramBpp, 4, 12, 12);
    out.Normalisation = inRangeOr(Normalisation, 0, 2, 0);
    return out;
}

VoxelSizes VoxelSizes::sanitized() const {
    VoxelSizes out = *this;
    for (const VoxelKey& k : kVoxelKeys) {
        double size = out.*k.field;
        if (!std::isfinite(size) || size <= 0.0) {
            size = 1.0;
        } else if (size < 0.01) {
            size = 0.01;
        } else if (size > 10000.0) {
            size = 10000.0;
        }
        out.*k.field = size;
    }
    return out;
}

void load3DOptionsFromRegistry(Analysis3DOptions& options) {
    auto key = platform::openOptionsKey();
    for (const Key3D& k : kRegistryOrder)
        if (auto value = key.readDword(k.name)) assign(options, k, static_cast<int32_t>(*value));
}

platform::RegistryValueList options3DRegistryValues(const Analysis3DOptions& options) {
    platform::RegistryValueList values;
    for (const Key3D& k : kRegistryOrder)
        values.emplace_back(std::string(k.name),
                            platform::RegistryValue{static_cast<uint32_t>(valueOf(options, k))});
    return values;
}

void save3DOptionsToRegistry(const Analysis3DOptions& options) {
    platform::writeOptionValues(options3DRegistryValues(options));
}

void load3DOptionsFromFile(const platform::IniFile& file, Analysis3DOptions& options) {
    for (const Key3D& k : kFileOrder)
        assign(options, k, file.getInt(platform::kOptionsSection, k.name, valueOf(options, k)));
}

std::vector<std::string> outOfRangeNotes(const Analysis3DOptions& options) {
    const Analysis3DOptions used = options.sanitized();
    std::vector<std::string> notes;
    for (const Key3D& k : kFileOrder)
        if (valueOf(options, k) != valueOf(used, k))
            notes.push_back(platform::cformat("%.*s=%d is used as %d",
                                              static_cast<int>(k.name.size()), k.name.data(),
                                              valueOf(options, k), valueOf(used, k)));
    return notes;
}

void save3DOptionsToFile(platform::IniFile& file, const Analysis3DOptions& options) {
    for (const Key3D& k : kFileOrder)
        file.setInt(platform::kOptionsSection, k.name, valueOf(options, k));
}

void loadVoxelSizesFromRegistry(VoxelSizes& sizes) {
    auto key = platform::openOptionsKey();
    for (const VoxelKey& k : kVoxelKeys)
        if (auto text = key.readString(k.name)) sizes.*k.field = platform::cToReal(*text);
}

platform::RegistryValueList voxelSizesRegistryValues(const VoxelSizes& sizes) {
    platform::RegistryValueList values;
    for (const VoxelKey& k : kVoxelKeys)
        values.emplace_back(std::string(k.name),
                            platform::RegistryValue{platform::cformat("%.2f", sizes.*k.field)});
    return values;
}

void saveVoxelSizesToRegistry(const VoxelSizes& sizes) {
    platform::writeOptionValues(voxelSizesRegistryValues(sizes));
}

void loadVoxelSizesFromFile(const platform::IniFile& file, VoxelSizes& sizes) {
    for (const VoxelKey& k : kVoxelKeys)
        sizes.*k.field =
            platform::cToReal(file.getString(platform::kOptionsSection, k.name, kMissingVoxelText));
}

void saveVoxelSizesToFile(platform::IniFile& file, const VoxelSizes& sizes) {
    for (const VoxelKey& k : kVoxelKeys)
        file.setReal(platform::kOptionsSection, k.name, sizes.*k.field);
}

Analysis3DOptions& analysis3DOptions() {
    static Analysis3DOptions options;
    return options;
}

VoxelSizes& voxelSizes() {
    static VoxelSizes sizes;
    return sizes;
}
