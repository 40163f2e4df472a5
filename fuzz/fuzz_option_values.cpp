// Option values come from .ini files the user picks and from the settings
// store, both text anyone can edit. Every option group (2D analysis with its
// Maps_Tree, grains, raw, 3D analysis, voxel sizes) must read any text without
// fault, and what it reads must survive a write and a read back unchanged.
#include <unistd.h>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

#include "analysis/core/options/analysis_options.h"
#include "analysis/core/options/grain_options.h"
#include "analysis/core/options/map_tree.h"
#include "platform/files.h"
#include "platform/profile.h"
#include "platform/registry.h"
#include "volume/core/volume_options.h"
#include "workspace/core/formats/raw_options.h"

namespace {

void check(bool condition) {
    if (!condition) std::abort();
}

bool sameValues(const platform::RegistryValueList& a, const platform::RegistryValueList& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].first != b[i].first || a[i].second.data != b[i].second.data) return false;
    return true;
}

const std::string& storePath() {
    static const std::string path = [] {
        std::string file = (std::filesystem::temp_directory_path() /
                            ("vantu-fuzz-options-" + std::to_string(::getpid()) + ".txt"))
                               .string();
        ::setenv("VANTU_REGISTRY_FILE", file.c_str(), 1);
        return file;
    }();
    return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    // As an option file.
    platform::IniFile file = platform::IniFile::parse(text);
    AnalysisOptions options;
    LoadOptionsFromFile(file, options);
    GrainOptions grains;
    loadGrainOptionsFromFile(file, grains);
    Analysis3DOptions options3d;
    load3DOptionsFromFile(file, options3d);
    VoxelSizes voxels;
    loadVoxelSizesFromFile(file, voxels);
    // What was read is written and read back the same.
    platform::IniFile written;
    SaveOptionsToFile(written, options);
    AnalysisOptions again;
    LoadOptionsFromFile(platform::IniFile::parse(written.text()), again);
    check(mapTreeText(again.Maps_Tree) == mapTreeText(options.Maps_Tree));
    check(sameValues(analysisOptionsRegistryValues(again), analysisOptionsRegistryValues(options)));

    // The Maps_Tree value as the store may hold it, whatever its length.
    MapTree tree = initialMapTree();
    applyMapTreeText(tree, text);
    check(mapTreeText(tree).size() == mapTreeText(initialMapTree()).size());

    // As the settings store, read by every group. Reading the 2D options
    // also registers the file types (several synced writes), so only one
    // input in eight takes this road.
    if (size == 0 || (data[0] & 7) != 0) return 0;
    check(platform::writeWholeFileAtomically(storePath(), std::string(text)));
    AnalysisOptions stored;
    LoadOptionsFromRegistry(stored);
    GrainOptions storedGrains;
    loadGrainOptionsFromRegistry(storedGrains);
    RawOptions raw;
    LoadRawOptionsFromRegistry(raw);
    Analysis3DOptions stored3d;
    load3DOptionsFromRegistry(stored3d);
    VoxelSizes storedVoxels;
    loadVoxelSizesFromRegistry(storedVoxels);
    const RawOptions sane = raw.sanitized();
    check(sane.RawX >= 1 && sane.RawX <= kMaxRawSide && sane.RawY >= 1 && sane.RawY <= kMaxRawSide);
    return 0;
}
