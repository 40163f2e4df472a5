// Class names and use of the ROI columns of report documents. Columns with
// the same class name form one class across all documents; an unnamed
// column belongs to the class named by its number ("3" for ROI 3), so that
// the same ROI of several runs is one class until the user names it.
#pragma once

#include <string>
#include <string_view>

#include "analysis/core/reports/report_document.h"

// How far an edit of one column reaches.
inline constexpr int kClassScopeNone = 0;      // no choice made: as kClassScopeColumn
inline constexpr int kClassScopeColumn = 1;    // this column only
inline constexpr int kClassScopeClass = 2;     // every column of its class, in every document
inline constexpr int kClassScopeDocument = 3;  // every non-empty column of this document

// What the class-name dialog returns for a column.
struct ClassNameEdit {
    std::string name;  // the new class name; cut to kMaxRoiNameLength bytes
    int use = 1;       // 1 used, 0 excluded; negative: the dialog was cancelled
    int scope = kClassScopeColumn;
};

// The class of column (1..16): its name, or its number as text when unnamed.
// This is also the column's caption in the report window.
std::string columnClassKey(const ReportDocument& document, int column);

// Applies an edit made on column (1..16) of document and returns whether it
// was applied. Nothing changes for a cancelled edit, a column out of range or
// an empty column, and empty columns (kRoiEmpty) never take a class.
// - Column scope: the column takes the new state and name; the document
//   becomes unsaved only when the name changes (the state is not kept in
//   the file).
// - Class scope: every used or excluded column of every open document whose
//   class is the clicked column's class takes the new state and name; a
//   document becomes unsaved when one of its names changes.
// - Document scope: every used or excluded column of the document takes the
//   new state and name, and the document becomes unsaved.
// For the class scope document must be open; it is handled even when not.
bool applyClassNameEdit(ReportDocument& document, int column, const ClassNameEdit& edit);
