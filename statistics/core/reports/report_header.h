// The block that opens every analysis report of r62 and every report of a
// classifier test: title and time, the data file, the selected features with
// the mean and standard deviation of each (over the raw values), and whether
// the working data were standardised.
//
// The main window's `WriteReportHeader` (and `WriteTestReportHeader`) clears
// MemoOut, hides it and appends these lines; the analysis shows MemoOut again
// when it ends.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

#include "statistics/core/data/data_set.h"

// Titles passed by the analyses; each begins with a blank.
inline constexpr std::string_view kRawDataReportTitle = " [raw data analysis]";
inline constexpr std::string_view kPcaReportTitle = " [PCA analysis]";
inline constexpr std::string_view kLdaReportTitle = " [LDA analysis]";
inline constexpr std::string_view kKnnReportTitle = " [k-NN classification]";

// Lines of the header, for the current selection of the working data
// (SelectedCount, SelectedFeatureName, SelectedFeatureIndex after
// `PrepareWorkingData`). dateTime is the text between "<" and ">".
//   * r62 report file [k-NN classification] <dateTime>
//   * Data file name: "data.sel"
//   * Selected features [2 out of 6]
//   Mean [#1/#2]; p.mean= 1.23450E+003, p.std= 5.00000E-001
//   Feature vector standardized: NO
std::vector<std::string> reportHeaderLines(const R62DataSet& data, std::string_view title,
                                           uint8_t standardize, std::string_view dateTime);

// The header, a blank line and the line that opens the results
// ("* Results [k-means clustering]"): how every analysis report begins.
std::vector<std::string> reportOpeningLines(const R62DataSet& data, std::string_view title,
                                            uint8_t standardize, std::string_view dateTime,
                                            std::string_view resultsLine);

// Classifier-test reports open with exactly the same lines.
std::vector<std::string> testReportHeaderLines(const R62DataSet& data, std::string_view title,
                                               uint8_t standardize, std::string_view dateTime);

// The time in the user's short date and long time format (the C library's
// "%x %X" under the process's LC_TIME).
std::string reportDateTime(std::time_t when);
