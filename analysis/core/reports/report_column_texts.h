// What the report list writes in its cells, and the widest text of each of
// its columns: the list sizes its columns from these few texts instead of
// measuring every cell (a document may hold 3,000 records of 17 cells).
#pragma once

#include <array>
#include <string>

#include "analysis/core/reports/report_document.h"

// A value as the list shows it: "%.5g" (5 significant digits, shortest form,
// exponent kept) for a finite value, "NaN" for the missing value and any
// other non-finite one.
std::string reportValueString(double value);

// Column 0: the longest record name; columns 1..16: the longest value text of
// that ROI. "Longest" counts characters, which for digits is also the widest.
using ReportColumnTexts = std::array<std::string, 1 + kRoiCount>;
ReportColumnTexts widestReportTexts(const ReportDocument& document);
