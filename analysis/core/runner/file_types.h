// Associates the program's file types with it under HKEY_CLASSES_ROOT, at
// every start, so that the files open in Vantu from the desktop.
#pragma once

#include <array>
#include <string_view>

// The extensions registered, in the order of registration.
inline constexpr std::array<std::string_view, 8> kRegisteredExtensions = {
    "ima", "img", "xim", "raw", "dicom", "roi", "dcm", "bmf"};

// For each extension: ".ext" gets the default value "ext.file"; "ext.file"
// gets "Vantu image file ext", its "DefaultIcon" the program path + ",1" and
// its "shell\open\command" the program path + " %1". An extension whose
// ".ext" key cannot be created is skipped; nothing else is checked and no
// failure is reported.
void RegisterFileTypes();
