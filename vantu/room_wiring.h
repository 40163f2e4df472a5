// The main window's commands wired to the analysis and volume windows: what
// the workspace's main window reaches above it, given at start-up.
#pragma once

#include <memory>

#include "workspace/forms/upper_rooms.h"

class Tvantu;

std::unique_ptr<UpperRooms> makeUpperRooms(Tvantu* window);
