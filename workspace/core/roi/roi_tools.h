// The ROI drawing tools: each gesture draws into the display bitmap in a
// marker colour that no rendered pixel can have; at its end the marked
// pixels are written into the ROI map by the commit mode.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "workspace/core/image/display_render.h"
#include "workspace/core/roi/roi_raster.h"
#include "workspace/core/workspace_state.h"

enum class RoiTool { Pen, Fill, Circle, Rectangle, Polygon, Move, Copy };
enum class CommitMode { NonOverlapping, Overlapping, EraseActive, EraseAll };

// Blue component 1, green and red 0: grey pixels have equal components and
// overlay components stay at or below 254, so it never occurs by rendering.
inline constexpr uint32_t kEraseMarker = 0x010000;
inline constexpr int kMaxPolygonPoints = 256;

// The colour (0x00BBGGRR) the tools draw in for a mode.
uint32_t markerColour(CommitMode mode, uint32_t drawColour);

// Writes every display pixel of the marker colour into the map: non-
// overlapping: the pixel belongs to the active ROI only; overlapping: it is
// added to it; erase active: taken out of it; erase all: out of every ROI.
void commitMarkers(const DisplayBitmap& bitmap, uint32_t markerColour, CommitMode mode,
                   int activeRoi, ImagePlane& roiMap);

// Clears ROI `roi`'s bit in every pixel; 0 (or another number outside
// 1..16) does nothing.
void ClearRoiBit(ImagePlane& roiMap, int roi);

// Every pixel in ROI 1 and no other ("Reset ROI").
void resetRoiMap(ImagePlane& roiMap);

// The end of a constrained (square) drag: the shorter axis decides the side,
// the signs follow the drag, a difference of 0 counting as negative.
Point constrainedEnd(Point start, Point end);

// Paints in `drawColour` every bitmap pixel whose source, `dx`, `dy` away,
// lies in the image and in ROI `activeRoi`.
void paintMoveCopyPreview(DisplayBitmap& bitmap, const ImagePlane& roiMap, int activeRoi,
                          int32_t dx, int32_t dy, uint32_t drawColour);

// "Intensity(x, y) = v", v = 0 outside the image.
std::string intensityReadout(const ImagePlane* grey, Point at);

// A mouse event on the image, in image pixels.
struct ToolInput {
    Point at;
    bool leftButton = false;
    bool ctrl = false;
};

// What the window has to do after an event.
struct ToolFeedback {
    std::optional<std::string> status;  // new text of status panel 0
    bool repaint = false;               // the display bitmap changed
    bool committed = false;             // the ROI map changed: redraw, indicators, histogram
    bool undoPushed = false;            // enable Undo, disable Redo
    // A line to show over the picture (ruler, polygon rubber band), or none.
    std::optional<std::pair<Point, Point>> rubberLine;
    std::optional<double> rulerLength;  // the ruler's gesture ended with this length
};

class RoiToolSession {
  public:
    // Redraws the display bitmap from the planes, leaving ROI `hiddenRoi` out.
    using Redraw = std::function<void(int hiddenRoi)>;

    RoiToolSession(WorkspaceState& state, DisplayBitmap& bitmap, Redraw redraw);

    RoiTool tool() const { return tool_; }
    CommitMode mode() const { return mode_; }
    void selectTool(RoiTool tool);
    void selectMode(CommitMode mode);
    // A click on a ROI's selector panel.
    void selectRoi(int roi);
    bool rulerOn = false;
    // Pixels per unit of the grain options, for the ruler's second figure.
    double pixelsPerUnit = 0.0;

    ToolFeedback press(const ToolInput& input);
    ToolFeedback move(const ToolInput& input);
    ToolFeedback release(const ToolInput& input);
    ToolFeedback doubleClick();

    // Writes the marked pixels into the map, pushing an undo state first when
    // asked, and redraws.
    ToolFeedback commit(bool push);

    const std::vector<Point>& polygonPoints() const { return points_; }

  private:
    bool insideImage(Point p) const;
    ToolFeedback intensity(Point at) const;
    void drawShape(Point end, bool constrained);
    void preview(int32_t dx, int32_t dy);

    WorkspaceState& state_;
    DisplayBitmap& bitmap_;
    Redraw redraw_;
    RoiTool tool_ = RoiTool::Pen;
    CommitMode mode_ = CommitMode::NonOverlapping;
    std::vector<Point> points_;
    Point dragStart_;
    Point lastMouse_;
    Point penAt_;
    std::optional<Point> lastRubber_;
    VectorForOverwrite<uint32_t> keptPicture_;
    bool previewRunning_ = false;
};
