// The options that steer every 2D analysis: family switches, grey-level bit
// depths, co-occurrence distances, normalisation, the map window and step,
// the map-tree selection and the wavelet switches. They are read from the
// program's registry key at start, edited by the options dialog, written back
// at exit when the dialog was closed with OK, and form the first group of an
// options file.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "analysis/core/options/map_tree.h"
#include "platform/profile.h"
#include "platform/registry.h"

// Field names are the registry and options-file key names.
struct AnalysisOptions {
    int32_t Do_co = 1;      // co-occurrence family
    int32_t Do_grad = 1;    // gradient family
    int32_t Do_hist = 1;    // histogram family
    int32_t Do_hidraw = 1;  // kept and stored only; nothing uses it
    int32_t Do_rl = 1;      // run-length family
    int32_t Do_normal = 0;  // 0 none, 1 mean +/- 3 sigma, 2 1% - 99%, 3 ROI minimum..maximum
    int32_t Do_normap = 0;  // maps: 0 normalise over the image, 1 per window
    int32_t Do_arm = 1;     // autoregressive family
    int32_t Do_wavF1 = 1;   // wavelet energies
    int32_t Do_wavF2 = 1;   // stored and shown only; drives nothing
    int32_t Do_wavMap = 0;  // wavelet map
    int32_t Do_vt1 = 1;     // co-occurrence distances 1..5
    int32_t Do_vt2 = 1;
    int32_t Do_vt3 = 1;
    int32_t Do_vt4 = 1;
    int32_t Do_vt5 = 1;
    int32_t Ng_vt = 6;   // co-occurrence bits
    int32_t Ng_rl = 6;   // run-length bits
    int32_t Ng_gr = 4;   // gradient bits
    int32_t Ng_wav = 8;  // wavelet bits
    int32_t Mask_x = 9;  // map window width and height
    int32_t Mask_y = 9;
    int32_t Step_x = 1;  // map step
    int32_t Step_y = 1;
    MapTree Maps_Tree = initialMapTree();

    // The values an analysis may safely use. Stored values are kept as they
    // are (so they are written back unchanged); this copy brings each one
    // into the range the options dialog allows:
    // - switches Do_co .. Do_vt5 (except Do_normal): any non-zero value is 1;
    // - Do_normal 0..3, anything else 0 (no normalisation);
    // - Ng_vt, Ng_rl 4..8, anything else 8; Ng_gr 4..12, anything else 4;
    //   Ng_wav 4..12, anything else 8 (what the dialog shows and takes);
    // - Mask_x, Mask_y clamped to 5..64; Step_x, Step_y clamped to 1..64;
    // - Maps_Tree unchanged (its states can only be 0..3).
    AnalysisOptions sanitized() const;
};

// The program's one set of 2D options, with the flag that decides whether
// they are written back at exit.
struct AnalysisSettings {
    AnalysisOptions options;
    bool saveFlag = false;  // set when the options dialog is closed with OK

    // Back to the state at start (tests).
    void reset() { *this = AnalysisSettings{}; }
};

AnalysisSettings& analysisSettings();

// Registers the file types (RegisterFileTypes), then reads every option from
// the program key under HKEY_LOCAL_MACHINE. A value that is missing, not a
// DWORD, or under a key that cannot be opened gives the field its default;
// Maps_Tree (a string of up to 97 characters) is merged by applyMapTreeText.
void LoadOptionsFromRegistry(AnalysisOptions& options = analysisSettings().options);

// Writes the options as listed by analysisOptionsRegistryValues, but only when
// the save flag is set. A key that cannot be created writes nothing, silently.
void SaveOptionsToRegistry(const AnalysisSettings& settings = analysisSettings());

// The registry values of the options, in the order they are written: the 24
// DWORDs from Do_co to Step_y, then Maps_Tree as a 96-character string.
platform::RegistryValueList analysisOptionsRegistryValues(const AnalysisOptions& options);

// The group in the options section of an options file: the same keys in the
// same order, integers as decimal text. A missing key keeps the current value;
// Maps_Tree is merged like the registry's.
void LoadOptionsFromFile(const platform::IniFile& file,
                         AnalysisOptions& options = analysisSettings().options);
// What sanitized() brings into the dialog's ranges, one note per key in the
// writers' order, each starting with its key ("Mask_y=4 is used as 5");
// switches, whose every non-zero value means on, give none. An options file
// is read as it is, and the user is told, in the file's order of the keys,
// what the analysis and the dialog will use instead.
std::vector<std::string> outOfRangeNotes(const AnalysisOptions& options);
void SaveOptionsToFile(platform::IniFile& file,
                       const AnalysisOptions& options = analysisSettings().options);
