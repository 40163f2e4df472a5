// Vantu's windows composed: the one place that knows every room's windows
// creates them in their fixed order and wires the main window's commands to
// the rooms above it.
#pragma once

#include <QWidget>
#include <vector>

namespace platform {
class IniFile;
}

// Creates the 19 windows in their order, the main window first, and returns
// them in that order. The other windows are owned by the main window.
std::vector<QWidget*> createVantuWindows();

// Deletes the windows (the main window and with it the others) and clears
// the pointers; used at the end of the program and by tests.
void destroyVantuWindows();

// The option groups in the order the program writes and reads them: to the
// store at exit 2D, 3D, raw, voxel sizes, grain; in an options file 2D, 3D,
// voxel sizes, grain (the raw options are never in an options file).
// Loading a file names the values it holds outside their dialogs' ranges in
// one warning, in the order the file lists their keys.
void saveOptionGroupsToRegistry();
void loadOptionGroupsFromFile(const platform::IniFile& file);
void saveOptionGroupsToFile(platform::IniFile& file);
