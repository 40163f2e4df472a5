// The image control `Image1`: shows the display bitmap stretched by the zoom
// scale, painting only the part that is exposed, pixel for pixel without
// smoothing (marker colours and ROI edges must stay exact).
#pragma once

#include <QImage>
#include <QWidget>
#include <optional>
#include <utility>

#include "workspace/core/image/display_render.h"

class ImageControl : public QWidget {
    Q_OBJECT
  public:
    explicit ImageControl(QWidget* parent);

    // Shows `bitmap` (which must outlive its use here) at `zoomScale`/256.
    void setPicture(const DisplayBitmap* bitmap, int32_t zoomScale);
    void setZoomScale(int32_t zoomScale);
    int32_t zoomScale() const { return zoomScale_; }
    // The picture as Qt sees it, sharing the bitmap's pixels.
    const QImage& picture() const { return picture_; }

    // The image pixel under a position of this control.
    QPoint imagePixelAt(QPoint position) const;

    // A line between two image pixels drawn over the picture (the ruler and
    // the polygon's rubber band); it never touches the bitmap.
    void setRubberLine(std::optional<std::pair<QPoint, QPoint>> line);
    std::optional<std::pair<QPoint, QPoint>> rubberLine() const { return rubberLine_; }

  signals:
    void mousePressed(QMouseEvent* event);
    void mouseMoved(QMouseEvent* event);
    void mouseReleased(QMouseEvent* event);
    void mouseDoubleClicked(QMouseEvent* event);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    void resizeToZoom();

    QPointF widgetPoint(QPoint imagePixel) const;

    QImage picture_;
    std::optional<std::pair<QPoint, QPoint>> rubberLine_;
    int32_t zoomScale_ = 256;
};
