// Options of the grain tools (threshold segmentation and grain analysis) and
// the switches and scale of the shape features used by every 2D run. They are
// read from the program's registry key at start, written back at exit, and
// form the last group of an options file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "platform/profile.h"
#include "platform/registry.h"

// Field names are the registry and options-file key names.
struct GrainOptions {
    int32_t Sg_threshold = 58;    // grains are samples above this
    int32_t Sg_ClosingDepth = 2;  // dilation and erosion rounds of the closing
    int32_t Sg_minarea = 256;     // smaller grains are dropped
    int32_t Sg_GrainsPerRoi = 1;  // consecutive grains that share one ROI
    bool Sg_SetClassName = false;
    std::string Sg_ClassName;
    bool Sg_DoGeometry = false;   // shape features, first group
    bool Sg_DoGeometryP = false;  // shape features, thicknesses along the diameter
    double Sg_Pixels = 1.0;       // scale: Sg_Pixels pixels make Sg_Units units
    double Sg_Units = 1.0;
    double Sg_PPU = 1.0;  // pixels per unit

    // The values the grain tools and shape features may safely use; stored
    // values are kept as they are. Ranges are the dialog's:
    // - Sg_threshold 0..4096, Sg_ClosingDepth 0..32, Sg_minarea 0..1024,
    //   Sg_GrainsPerRoi 1..32 (clamped; it divides the grain number);
    // - Sg_Pixels, Sg_Units: a value that is not finite or is 0 becomes 0.01,
    //   as the dialog replaces it;
    // - Sg_PPU: a value that is not finite or is 0 becomes 1.0 (no scaling);
    // - Sg_ClassName cut to 2047 bytes, the most the registry reader takes.
    GrainOptions sanitized() const;
};

// Reads the group from the program key under HKEY_LOCAL_MACHINE. A value is
// taken only when present with the right type: DWORDs for the integers and
// switches (any non-zero switch is on), strings for the class name (up to 2047
// bytes) and the three scale values (converted like C's atof).
void loadGrainOptionsFromRegistry(GrainOptions& options);

// The grain options of the running program; the grain dialog edits them.
GrainOptions& grainOptions();

// Writes the values of grainOptionsRegistryValues in their order, at every
// exit; a key that cannot be created writes nothing, silently.
void saveGrainOptionsToRegistry(const GrainOptions& options);

// The registry values in the order they are written: Sg_threshold,
// Sg_minarea, Sg_ClosingDepth, Sg_GrainsPerRoi, Sg_SetClassName (DWORDs),
// Sg_ClassName, Sg_Pixels, Sg_Units, Sg_PPU (strings, the numbers "%.2f"),
// Sg_DoGeometry, Sg_DoGeometryP (DWORDs).
platform::RegistryValueList grainOptionsRegistryValues(const GrainOptions& options);

// The group in the options section of an options file, keys in the registry
// order; integers and switches "%i", numbers "%.2f". Reading keeps the
// current value for a missing integer, switch or class name; a missing
// number reads as "1.00", so it becomes 1.0.
void loadGrainOptionsFromFile(const platform::IniFile& file, GrainOptions& options);
// What sanitized() changes, one note per key in the writers' order, each
// starting with its key ("Sg_GrainsPerRoi=0 is used as 1", "Sg_Units=0.00 is
// used as 0.01").
std::vector<std::string> outOfRangeNotes(const GrainOptions& options);
void saveGrainOptionsToFile(platform::IniFile& file, const GrainOptions& options);
