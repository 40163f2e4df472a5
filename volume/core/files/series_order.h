// The order in which the files of a series become slices: ascending by the
// whole path, letters compared without regard to case (ties by the bytes),
// so a selection made in any order loads the same volume.
#pragma once

#include <string>
#include <vector>

std::vector<std::string> sortSeriesPaths(std::vector<std::string> paths);
