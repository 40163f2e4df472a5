// File names of "Save all": every map goes to the chosen folder as its name
// (cut at the first '.') + ".bmf". Maps whose names come out the same get
// "(2)", "(3)", ... so that no map's file is written over by another's.
#pragma once

#include <string>
#include <vector>

// The folder part of the text the folder dialog returns: cut at its first
// character of "*?<>|", then just after its last '\' or '/' (empty when
// there is none).
std::string saveAllFolder(const std::string& chosen);

// The paths for maps of these names, in the same order.
std::vector<std::string> saveAllPaths(const std::string& folder,
                                      const std::vector<std::string>& names);
