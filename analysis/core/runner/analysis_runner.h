// What every analysis run shares: the mode that tells the progress window's
// worker what to run, the document name of a run, the image title and the
// feature-name prefix of colour channels.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "analysis/core/reports/report_document.h"

// 2 = 2D analysis, 3 = 3D analysis, 101..106 = feature-selection criteria,
// 120 = convex-border search. Set just before the progress window is shown.
extern int32_t AnalysisMode;

inline constexpr int32_t kMode2D = 2;
inline constexpr int32_t kMode3D = 3;
inline constexpr int32_t kModeConvexBorder = 120;

// "yyyy-m-d hh_nn_ss" of the given local time.
std::string timeDocumentName(const std::tm& time);
// The document name of a run that ends now, by the local clock.
std::string currentDocumentName();

// The base name, or base + "(n)" with the smallest n up to 9999 that is not
// among `taken` (the last one tried when all are).
std::string uniqueDocumentName(const std::string& base, const std::vector<std::string>& taken);

// The file-name part of the image path, followed by " (" + prefix +
// "channel)" for a colour channel: "a.bmp (R_channel)".
std::string imageTitle(const std::string& imageFileName, const std::string& featurePrefix);

// "_Area" -> "_R_Area", "Mean" -> "R_Mean" for prefix "R_"; cut to 31 characters.
void applyFeaturePrefix(std::vector<FeatureRecord>& records, const std::string& prefix);
