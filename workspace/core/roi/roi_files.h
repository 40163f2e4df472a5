// The ROI map and the 16 ROI names in files: the program's own `.roi` format
// (map and names, read back exactly), the active ROI as a 2-colour bitmap, all
// ROIs as an 8-bit palette bitmap, a text list of every ROI's pixels with
// their samples, and ROIs read from a picture painted in the ROI colours.
//
// Nothing here shows a window: every operation returns a RoiFileStatus, and
// roiFileMessage gives the text the main window shows for it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "workspace/core/formats/bmp_reader.h"
#include "workspace/core/image/image_plane.h"
#include "workspace/core/roi/roi_set.h"
#include "workspace/core/workspace_state.h"

// Outcome of a ROI file operation. 0..3 are the codes LoadRoiFile has always
// returned (the dispatcher and the macro language rely on them).
enum class RoiFileStatus : int {
    Ok = 0,
    CannotOpen = 1,     // missing, a folder, or a read error
    WrongMagic = 2,     // does not start with kRoiMagic: not a .roi file
    NoImage = 3,        // loading ROIs needs a loaded image
    Damaged = 4,        // a .roi file shorter than its header says
    NotPicture = 5,     // load type 2: not a bitmap this program reads
    CannotCreate = 6,   // a writer could not create or complete its file
    TooLarge = 7,       // the map is too large for the chosen format
    NothingToSave = 8,  // saving ROIs needs a loaded image
};

// The message box for a status other than Ok: caption kRoiErrorCaption with a
// warning icon. Empty for Ok.
std::string roiFileMessage(RoiFileStatus status, const std::string& path);
inline constexpr std::string_view kRoiErrorCaption = "Error";

// Shown (caption "Warning", warning icon) after the 8-bit ROI bitmap was
// written with pixels that belong to several ROIs, which that format cannot keep.
inline constexpr std::string_view kOverlappingRegionsWarning =
    "Overlapping regions cannot be saved correctly\r\nusing this file format. Some information "
    "will be lost.\r\nIt is recommended to save regions in a \"*.ROI\" format\r\nor to save "
    "regions individually.";
inline constexpr std::string_view kRoiWarningCaption = "Warning";

// The dialogs of "Save ROI ..." and "Load ROI ...".
inline constexpr std::string_view kSaveRoiTitle = "Save ROI";
inline constexpr std::string_view kSaveRoiDefaultName = "allred.roi";
inline constexpr std::string_view kSaveRoiFilter =
    "Regions of interest (*.roi)|*.roi|Current region (*.bmp)|*.bmp|Non-overlapping regions "
    "(*.bmp)|*.bmp|Text file (*.txt)|*.txt";
inline constexpr std::string_view kLoadRoiTitle = "Load ROI";
inline constexpr std::string_view kLoadRoiFilter =
    "Regions of interest (*.roi)|*.roi|Windows bitmap (*.bmp)|*.bmp";
inline constexpr std::string_view kRoiDefaultExtension = ".roi";
// The save dialog's file name after the map was changed by drawing or morphology.
inline constexpr std::string_view kRoiSaveNameAfterEdit = "newdraw.roi";

// Filter indices (1-based, as the save dialog reports them).
inline constexpr int kSaveRoiFilterActiveBitmap = 2;
inline constexpr int kSaveRoiFilterRoiBitmap = 3;
inline constexpr int kSaveRoiFilterTextList = 4;  // any other index: the .roi file

// Load types (the load dialog's filter index).
inline constexpr int kLoadRoiTypeRoiFile = 1;
inline constexpr int kLoadRoiTypePicture = 2;

// --- .roi file ---------------------------------------------------------------
// Little-endian, no padding: magic (12 bytes, no NUL), width and height (u16),
// 16 name lengths (u16, ROI 1 first), 64 reserved zero bytes, then width x
// height map words (u16, rows top to bottom), then the 16 names, each exactly
// its length in bytes.

inline constexpr std::string_view kRoiMagic = "KWL_ROI_2001";
inline constexpr size_t kRoiHeaderSize = 112;
inline constexpr int32_t kMaxRoiFileSide = 65535;
// Names of 1 to this many bytes are read; longer ones are skipped and read as
// empty (the names after them are still found).
inline constexpr size_t kMaxReadRoiNameLength = 1022;
// Names longer than a u16 length can say are stored cut to this length.
inline constexpr size_t kMaxStoredRoiNameLength = 65535;

// The whole file for a map and its names. TooLarge (out untouched) for a map
// wider or higher than kMaxRoiFileSide.
RoiFileStatus encodeRoiFile(const ImagePlane& roiMap,
                            const std::array<std::string, kRoiCount>& names, std::string& out);

// What a .roi file gives a map of mapWidth x mapHeight: the file's top-left
// rows x columns words, where rows = min(file height, mapHeight) and columns
// = min(file width, mapWidth), and the 16 names.
struct RoiFileContent {
    int32_t fileWidth = 0;
    int32_t fileHeight = 0;
    int32_t rows = 0;
    int32_t columns = 0;
    std::vector<uint16_t> words;  // rows x columns, row by row
    // Empty for a stored length of 0 or above kMaxReadRoiNameLength; a name with a
    // NUL byte ends there, as the name field of the ROI panels does.
    std::array<std::string, kRoiCount> names;
};

// Decodes a whole .roi file held in memory. The file must hold its header,
// all width x height words and all name bytes (trailing bytes are ignored):
// a shorter file gives Damaged, one not starting with kRoiMagic (case
// sensitive) WrongMagic. On any status but Ok `out` is left as it was.
RoiFileStatus decodeRoiFile(std::span<const uint8_t> data, int32_t mapWidth, int32_t mapHeight,
                            RoiFileContent& out);

// The same from disk, reading only the words a map of that size takes.
// CannotOpen for a missing file, a folder or a read error.
RoiFileStatus readRoiFile(const std::string& path, int32_t mapWidth, int32_t mapHeight,
                          RoiFileContent& out);

// --- Picture in ROI colours ----------------------------------------------------

// For every pixel inside both the picture and the map: the map word becomes
// 1 << (k - 1) when the pixel's colour is exactly kRoiColours[k - 1], else 0.
// Map pixels outside the picture keep their words.
void importRoiPicture(const RgbImage& picture, ImagePlane& roiMap);

// Decodes a bitmap held in memory (at most maxPixels pixels) and imports it.
// NotPicture, with the map untouched, when it is not a bitmap we read.
RoiFileStatus decodeRoiPicture(std::span<const uint8_t> data, ImagePlane& roiMap,
                               size_t maxPixels = kMaxPlaneWords);

// --- Loading ---------------------------------------------------------------------

// "Load ROI ...": loads `path` as a .roi file (type kLoadRoiTypeRoiFile, and any
// type other than kLoadRoiTypePicture) or as a picture in ROI colours (type
// kLoadRoiTypePicture) into state.RoiMap. NoImage when state.GreyImage (or the
// map) is missing.
// - .roi file: the file is read and checked completely first; only then an undo
//   state is pushed, the file's top-left part copied over the map (the rest of
//   the map keeps its words) and all 16 RoiNames set from the file.
// - picture: the map words inside the picture are replaced; no undo state is
//   pushed and the names stay.
// On any failure nothing in `state` changes. On Ok the window sets the ROI save
// dialog's file name to `path`, enables Undo/Redo by undoRedoFlags(*RoiMap)
// and redraws; on failure it shows roiFileMessage.
RoiFileStatus LoadRoiFile(WorkspaceState& state, const std::string& path, int loadType);

// --- Exports ---------------------------------------------------------------------

// The ROI written by the active-ROI bitmap: activeRoi, or ROI 1 when it is not
// a ROI number.
int32_t exportedActiveRoi(int32_t activeRoi);

// 1-bit bitmap of one ROI: 62-byte headers (palette: black, then the ROI's
// colour), rows bottom to top of ((W + 31) / 32) x 4 bytes, leftmost pixel in
// the most significant bit, 1 = the pixel is in the ROI.
RoiFileStatus encodeActiveRoiBitmap(const ImagePlane& roiMap, int32_t activeRoi, std::string& out);

// 8-bit bitmap of all ROIs: palette entries 0..15 the ROI colours, 16..255 grey
// 0..239; rows bottom to top of (W + 3) & ~3 bytes. A word with exactly bit k
// is k, word 0 is 16, a word of several ROIs is 255 and sets `overlapping`.
RoiFileStatus encodeRoiBitmap(const ImagePlane& roiMap, std::string& out, bool& overlapping);

// For ROI 1..16 (empty ones too) a header, then "x\ty\tsample\r\n" for each of
// its pixels, y counted from the bottom row up, rows from the bottom, x
// ascending. The sample is read from `grey` (0 where grey is missing or
// smaller than the map).
std::string encodeRoiTextList(const ImagePlane& roiMap, const ImagePlane* grey);

// The writers behind "Save ROI ...". Each builds the whole file in memory and
// replaces `path` atomically: CannotCreate when that fails, NothingToSave
// without a ROI map.
RoiFileStatus saveRoiFile(const WorkspaceState& state, const std::string& path);
RoiFileStatus saveActiveRoiBitmap(const WorkspaceState& state, const std::string& path);
struct RoiSaveResult {
    RoiFileStatus status = RoiFileStatus::Ok;
    // The file was written, and with at least one pixel of several ROIs as 255:
    // show kOverlappingRegionsWarning.
    bool overlapping = false;
};
RoiSaveResult saveRoiBitmap(const WorkspaceState& state, const std::string& path);
RoiFileStatus saveRoiTextList(const WorkspaceState& state, const std::string& path);

// Chooses the writer by the save dialog's filter index.
RoiSaveResult saveRoiByFilterIndex(const WorkspaceState& state, const std::string& path,
                                   int filterIndex);
