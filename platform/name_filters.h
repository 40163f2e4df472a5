// The file dialogs' filters are written the Windows way: "Name|pat1;pat2|...".
// Qt wants one "Name (pat1 pat2)" string per entry and takes the patterns only
// from the last bracket of it, separated by blanks: a bracket that shows
// "(*.cls;*nda)" would make the dialog list nothing. Every file dialog of both
// programs goes through this conversion.
#pragma once

#include <string>
#include <vector>

namespace platform {

// One Qt name filter per entry of `windowsFilter`, in order, so that entry k
// of the Windows filter is Qt filter k - 1. The description loses a trailing
// bracket of its own and gets one that lists the entry's real patterns;
// "*.*" (every file on Windows, also names without a dot) becomes "*".
std::vector<std::string> qtNameFilterStrings(const std::string& windowsFilter);

}  // namespace platform
