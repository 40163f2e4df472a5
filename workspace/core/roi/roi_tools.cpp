#include "workspace/core/roi/roi_tools.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/textformat.h"

uint32_t markerColour(CommitMode mode, uint32_t drawColour) {
    return mode == CommitMode::EraseActive || mode == CommitMode::EraseAll ? kEraseMarker
                                                                           : drawColour;
}

void commitMarkers(const DisplayBitmap& bitmap, uint32_t markerColour, CommitMode mode,
                   int activeRoi, ImagePlane& roiMap) {
    if (activeRoi < 1 || activeRoi > kRoiCount) return;
    if (bitmap.width != roiMap.width || bitmap.height != roiMap.height) return;
    const uint32_t marker = pixelFromColour(markerColour);
    const auto bit = static_cast<uint16_t>(1u << (activeRoi - 1));
    const size_t count = roiMap.size();
    uint16_t* words = roiMap.current;
    for (size_t i = 0; i < count; ++i) {
        if (bitmap.pixels[i] != marker) continue;
        switch (mode) {
            case CommitMode::NonOverlapping:
                words[i] = bit;
                break;
            case CommitMode::Overlapping:
                words[i] |= bit;
                break;
            case CommitMode::EraseActive:
                words[i] &= static_cast<uint16_t>(~bit);
                break;
            case CommitMode::EraseAll:
                words[i] = 0;
                break;
        }
    }
}

void ClearRoiBit(ImagePlane& roiMap, int roi) {
    if (roi < 1 || roi > kRoiCount) return;
    const auto keep = static_cast<uint16_t>(~(1u << (roi - 1)));
    for (size_t i = 0; i < roiMap.size(); ++i) roiMap.current[i] &= keep;
}

void resetRoiMap(ImagePlane& roiMap) {
    std::fill(roiMap.current, roiMap.current + roiMap.size(), uint16_t{1});
}

Point constrainedEnd(Point start, Point end) {
    int32_t d = std::min(std::abs(end.x - start.x), std::abs(end.y - start.y));
    return {end.x - start.x > 0 ? start.x + d : start.x - d,
            end.y - start.y > 0 ? start.y + d : start.y - d};
}

void paintMoveCopyPreview(DisplayBitmap& bitmap, const ImagePlane& roiMap, int activeRoi,
                          int32_t dx, int32_t dy, uint32_t drawColour) {
    if (activeRoi < 1 || activeRoi > kRoiCount) return;
    if (bitmap.width != roiMap.width || bitmap.height != roiMap.height) return;
    const auto bit = static_cast<uint16_t>(1u << (activeRoi - 1));
    const uint32_t pixel = pixelFromColour(drawColour);
    for (int32_t y = 0; y < bitmap.height; ++y) {
        int32_t sy = y - dy;
        if (sy < 0 || sy >= roiMap.height) continue;
        for (int32_t x = 0; x < bitmap.width; ++x) {
            int32_t sx = x - dx;
            if (sx >= 0 && sx < roiMap.width && (roiMap.at(sx, sy) & bit))
                bitmap.pixels[static_cast<size_t>(y) * bitmap.width + x] = pixel;
        }
    }
}

std::string intensityReadout(const ImagePlane* grey, Point at) {
    int value = 0;
    if (grey && at.x >= 0 && at.y >= 0 && at.x < grey->width && at.y < grey->height)
        value = grey->at(at.x, at.y);
    return platform::cformat("Intensity(%d, %d) = %d", at.x, at.y, value);
}

RoiToolSession::RoiToolSession(WorkspaceState& state, DisplayBitmap& bitmap, Redraw redraw)
    : state_(state), bitmap_(bitmap), redraw_(std::move(redraw)) {}

void RoiToolSession::selectTool(RoiTool tool) {
    tool_ = tool;
    if (tool == RoiTool::Polygon) {
        state_.PolygonCount = 0;
        points_.clear();
    }
}

void RoiToolSession::selectMode(CommitMode mode) {
    mode_ = mode;
    state_.PolygonCount = -1;
}

void RoiToolSession::selectRoi(int roi) {
    if (roi < 1 || roi > kRoiCount) return;
    state_.ActiveRoi = roi;
    state_.DrawColour = kRoiColours[static_cast<size_t>(roi - 1)];
    state_.PolygonCount = -1;
}

bool RoiToolSession::insideImage(Point p) const {
    const ImagePlane* grey = state_.GreyImage.get();
    return grey && p.x >= 0 && p.y >= 0 && p.x < grey->width && p.y < grey->height;
}

ToolFeedback RoiToolSession::intensity(Point at) const {
    ToolFeedback feedback;
    feedback.status = intensityReadout(state_.GreyImage.get(), at);
    return feedback;
}

ToolFeedback RoiToolSession::press(const ToolInput& input) {
    previewRunning_ = false;
    state_.IgnoreMouse = 0;
    ToolFeedback feedback;
    if (!input.leftButton || !state_.GreyImage) return feedback;
    const uint32_t marker = pixelFromColour(markerColour(mode_, state_.DrawColour));
    const Point at = input.at;
    lastRubber_.reset();
    if (rulerOn) {
        dragStart_ = at;
        return feedback;
    }
    switch (tool_) {
        case RoiTool::Polygon:
            if (state_.PolygonCount >= 0) {
                // Past the last slot each press replaces the last point.
                size_t index = std::min<size_t>(static_cast<size_t>(state_.PolygonCount),
                                                kMaxPolygonPoints - 1);
                points_.resize(index);
                points_.push_back(at);
                if (index > 0) {
                    drawLine(bitmap_, points_[index - 1], at, 1, marker);
                    feedback.repaint = true;
                }
                state_.PolygonCount = static_cast<int32_t>(points_.size());
            } else {
                state_.PolygonCount += 1;
            }
            return feedback;
        case RoiTool::Fill:
            floodFill(bitmap_, at, marker);
            feedback.repaint = true;
            return feedback;
        case RoiTool::Pen:
            stampPen(bitmap_, at, state_.PenWidth, marker);
            penAt_ = at;
            feedback.repaint = true;
            return feedback;
        case RoiTool::Move:
        case RoiTool::Copy:
            dragStart_ = at;
            if (insideImage(at)) {
                preview(0, 0);
                feedback.repaint = true;
            }
            return feedback;
        case RoiTool::Circle:
        case RoiTool::Rectangle:
            dragStart_ = at;
            keptPicture_ = bitmap_.pixels;
            return feedback;
    }
    return feedback;
}

void RoiToolSession::preview(int32_t dx, int32_t dy) {
    if (state_.ActiveRoi <= 0 || !state_.RoiMap) return;
    redraw_(tool_ == RoiTool::Move ? state_.ActiveRoi : 0);
    paintMoveCopyPreview(bitmap_, *state_.RoiMap, state_.ActiveRoi, dx, dy, state_.DrawColour);
}

void RoiToolSession::drawShape(Point end, bool constrained) {
    if (keptPicture_.size() == bitmap_.pixels.size()) bitmap_.pixels = keptPicture_;
    if (constrained) end = constrainedEnd(dragStart_, end);
    const uint32_t marker = pixelFromColour(markerColour(mode_, state_.DrawColour));
    if (tool_ == RoiTool::Circle) {
        fillEllipse(bitmap_, dragStart_, end, marker);
    } else {
        fillRectangle(bitmap_, dragStart_, end, marker);
    }
}

ToolFeedback RoiToolSession::move(const ToolInput& input) {
    const Point at = input.at;
    if (state_.IgnoreMouse) return intensity(at);
    if (rulerOn && input.leftButton) {
        ToolFeedback feedback;
        double dx = dragStart_.x - at.x, dy = dragStart_.y - at.y;
        double d = std::sqrt(dx * dx + dy * dy);
        feedback.status = pixelsPerUnit != 0.0
                              ? platform::cformat("Length = %.2f (%.4f)", d, d / pixelsPerUnit)
                              : platform::cformat("Length = %.2f", d);
        feedback.rubberLine = std::make_pair(dragStart_, at);
        lastRubber_ = at;
        return feedback;
    }
    if (rulerOn) lastRubber_.reset();

    if (tool_ == RoiTool::Polygon) {
        ToolFeedback feedback = intensity(at);
        if (state_.PolygonCount < 0) state_.PolygonCount += 1;
        if (state_.PolygonCount > 0 && !points_.empty())
            feedback.rubberLine = std::make_pair(points_.back(), at);
        lastMouse_ = at;
        return feedback;
    }
    if (!input.leftButton) return intensity(at);

    ToolFeedback feedback;
    switch (tool_) {
        case RoiTool::Pen: {
            feedback = intensity(at);
            uint32_t marker = pixelFromColour(markerColour(mode_, state_.DrawColour));
            drawLine(bitmap_, penAt_, at, state_.PenWidth, marker);
            penAt_ = at;
            feedback.repaint = true;
            break;
        }
        case RoiTool::Move:
        case RoiTool::Copy:
            feedback.status =
                platform::cformat("[%d, %d] - [%d, %d]", dragStart_.x, dragStart_.y, at.x, at.y);
            if (insideImage(at)) {
                preview(at.x - dragStart_.x, at.y - dragStart_.y);
                feedback.repaint = true;
            }
            break;
        case RoiTool::Circle:
        case RoiTool::Rectangle: {
            if (previewRunning_) break;
            previewRunning_ = true;
            int32_t w = std::abs(at.x - dragStart_.x), h = std::abs(at.y - dragStart_.y);
            if (input.ctrl) w = h = std::min(w, h);
            feedback.status = platform::cformat("[%d, %d] - [%d, %d] <%d, %d>", dragStart_.x,
                                                dragStart_.y, at.x, at.y, w, h);
            drawShape(at, input.ctrl);
            feedback.repaint = true;
            previewRunning_ = false;
            break;
        }
        case RoiTool::Fill:
            feedback = intensity(at);
            break;
        case RoiTool::Polygon:
            break;
    }
    return feedback;
}

ToolFeedback RoiToolSession::commit(bool push) {
    ToolFeedback feedback;
    if (!state_.RoiMap) return feedback;
    uint32_t marker = markerColour(mode_, state_.DrawColour);
    CommitMode mode = mode_;
    // Moved and copied pixels are previewed in the ROI's own colour; in an
    // erase mode they are added to the ROI rather than erasing all of it.
    if ((tool_ == RoiTool::Move || tool_ == RoiTool::Copy) &&
        (mode == CommitMode::EraseActive || mode == CommitMode::EraseAll)) {
        marker = state_.DrawColour;
        mode = CommitMode::Overlapping;
    }
    if (push) {
        PlanePushUndo(state_.RoiMap.get());
        feedback.undoPushed = true;
    }
    commitMarkers(bitmap_, marker, mode, state_.ActiveRoi, *state_.RoiMap);
    redraw_(0);
    feedback.committed = true;
    feedback.repaint = true;
    return feedback;
}

ToolFeedback RoiToolSession::release(const ToolInput& input) {
    ToolFeedback feedback;
    if (!input.leftButton || state_.IgnoreMouse || !state_.GreyImage) return feedback;
    if (rulerOn) {
        double dx = dragStart_.x - input.at.x, dy = dragStart_.y - input.at.y;
        feedback.rulerLength = std::sqrt(dx * dx + dy * dy);
        rulerOn = false;
        lastRubber_.reset();
    }
    ToolFeedback done;
    switch (tool_) {
        case RoiTool::Fill:
        case RoiTool::Pen:
            done = commit(true);
            break;
        case RoiTool::Polygon:
            break;
        case RoiTool::Move:
            PlanePushUndo(state_.RoiMap.get());
            ClearRoiBit(*state_.RoiMap, state_.ActiveRoi);
            done = commit(false);
            done.undoPushed = true;
            break;
        case RoiTool::Circle:
        case RoiTool::Rectangle:
            drawShape(input.at, input.ctrl);
            keptPicture_.clear();
            done = commit(true);
            break;
        case RoiTool::Copy:
            done = commit(true);
            break;
    }
    done.rulerLength = feedback.rulerLength;
    return done;
}

ToolFeedback RoiToolSession::doubleClick() {
    ToolFeedback feedback;
    if (tool_ != RoiTool::Polygon || !state_.GreyImage) return feedback;
    if (state_.PolygonCount > 2) {
        std::vector<Point> polygon(
            points_.begin(),
            points_.begin() +
                std::min<size_t>(points_.size(), static_cast<size_t>(state_.PolygonCount)));
        fillPolygon(bitmap_, polygon, pixelFromColour(markerColour(mode_, state_.DrawColour)));
    }
    feedback = commit(true);
    state_.PolygonCount = -2;
    points_.clear();
    return feedback;
}
