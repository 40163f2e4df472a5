// The texts of the segmentation module: the segment colours and their names,
// the report started at load and completed by the results, the ".seg" name
// rule and the run's time.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

// Segment s's colour in 0x00BBGGRR form, segment 0 first.
inline constexpr std::array<uint32_t, 16> SegmentColours = {
    0x0000FF, 0x00FF00, 0xFF0000, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x0080FF, 0x8000FF,
    0x00FF80, 0x80FF00, 0xFF0080, 0xFF8000, 0x00C4FF, 0x00FFC4, 0xFF00C4, 0xC4FF00};

inline constexpr std::string_view kSegmentationCaption = "r62- Segmentation Module";
inline constexpr std::string_view kNoDataStatus = "No valid data loaded.";
inline constexpr std::string_view kDataLoadedStatus = "Data loaded.";
inline constexpr std::string_view kSegmentationNotSavedQuestion =
    "Current image segmentation is not saved!\rDo you want to save it?";
inline constexpr std::string_view kDataWillBeLostQuestion = "Current data will be lost! Proceed?";
inline constexpr std::string_view kNoWorkImageMessage = "No image available in work area!";
inline constexpr std::string_view kSegmentationBitmapFilter = "Windows Bitmap *.BMP|*.bmp";
inline constexpr std::string_view kSegmentationReportFilter =
    "R62 Segmentation Module Report *.SEG|*.seg";

// The colour's name as colour-to-text gives it: "clRed", "clLime", ... for
// the named colours, else "$" and eight upper-case hex digits.
std::string colourText(uint32_t bgr);
// The name in the results: colourText without its first two characters
// ("Red", ..., "00080FF").
std::string segmentColourName(int segment);

// The lines that open the report at load: title, launch time, the folder of
// the first file (with its trailing separator) and every file name.
std::vector<std::string> segmentationReportStart(std::string_view launchedOn,
                                                 std::span<const std::string> paths);
// The results block: an empty line, "> Segmentation results:" and one
// "Area of class #s (Name segment) = n" line per segment.
std::vector<std::string> segmentationResultLines(std::span<const int64_t> areas);

// The name a report is saved under: ".seg" appended unless the last four
// characters already are ".seg".
std::string segmentationReportPath(std::string path);
// The report file is written by reportFileText (r62_shell.h), like every report.

// "Done in (min:sec:msc) mm:ss:zzz." for a run of `milliseconds`
// (milliseconds in three digits; minutes beyond 59 carry into the hours,
// which the text does not show).
std::string segmentationDoneStatus(int64_t milliseconds);
// The launch time of the report: "yyyy-mm-dd hh:mm:ss".
std::string segmentationLaunchTime(int64_t secondsSinceEpoch);
