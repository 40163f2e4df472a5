// The grain tools of the "Testy" menu on the main window: "Segmentacja "
// paints the bright grains of the image into the ROI map, "Analiza" (and the
// macro command GrainAnalysis) runs one 2D analysis per set of 16 ROIs of
// grains.
#pragma once

#include "workspace/forms/workspace_view.h"

// Grain labelling of all grains, one closing of the ROI map, then the display
// and the ROI indicators. Without an image: the "no data" message.
void SegmentacjaClick(WorkspaceView* window);

// The grain analysis with the options of `_OpZiarna`: one report document
// per batch of 16 x grains-per-ROI grains. With the extra ROI file on, the
// grains are found in that bitmap and the analyses run on the image loaded
// when the command started, which is loaded again at the end.
void Analiza1Click(WorkspaceView* window);

inline constexpr const char* kNoGrainDataMessage = "Brak danych do analizy. Załaduj obraz!";
