#include "workspace/forms/image_control.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {
    setObjectName("Image1");
    setMouseTracking(true);
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(0, 0);
}

void ImageControl::setPicture(const DisplayBitmap* bitmap, int32_t zoomScale) {
    if (bitmap && bitmap->width > 0 && bitmap->height > 0) {
        // Shares the pixels: the bitmap is rewritten in place by every redraw.
        picture_ = QImage(reinterpret_cast<const uchar*>(bitmap->pixels.data()), bitmap->width,
                          bitmap->height, bitmap->width * 4, QImage::Format_RGB32);
    } else {
        picture_ = QImage();
    }
    zoomScale_ = zoomScale;
    resizeToZoom();
    update();
}

void ImageControl::setZoomScale(int32_t zoomScale) {
    zoomScale_ = zoomScale;
    resizeToZoom();
    update();
}

void ImageControl::resizeToZoom() {
    int w = static_cast<int>(static_cast<int64_t>(picture_.width()) * zoomScale_ / 256);
    int h = static_cast<int>(static_cast<int64_t>(picture_.height()) * zoomScale_ / 256);
    setFixedSize(w, h);
}

QPoint ImageControl::imagePixelAt(QPoint position) const {
    return QPoint(position.x() * 256 / zoomScale_, position.y() * 256 / zoomScale_);
}

void ImageControl::setRubberLine(std::optional<std::pair<QPoint, QPoint>> line) {
    if (line == rubberLine_) return;
    rubberLine_ = line;
    update();
}

QPointF ImageControl::widgetPoint(QPoint imagePixel) const {
    // The centre of the pixel on the screen.
    return QPointF((imagePixel.x() + 0.5) * zoomScale_ / 256.0,
                   (imagePixel.y() + 0.5) * zoomScale_ / 256.0);
}

void ImageControl::paintEvent(QPaintEvent* event) {
    if (picture_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    // The image pixels that the exposed rectangle touches, and where they land.
    const QRect exposed = event->rect();
    int x0 = std::max(0, exposed.left() * 256 / zoomScale_);
    int y0 = std::max(0, exposed.top() * 256 / zoomScale_);
    int x1 = std::min(picture_.width(), (exposed.right() + 1) * 256 / zoomScale_ + 1);
    int y1 = std::min(picture_.height(), (exposed.bottom() + 1) * 256 / zoomScale_ + 1);
    if (x1 <= x0 || y1 <= y0) return;
    QRectF target(x0 * zoomScale_ / 256.0, y0 * zoomScale_ / 256.0, (x1 - x0) * zoomScale_ / 256.0,
                  (y1 - y0) * zoomScale_ / 256.0);
    painter.drawImage(target, picture_, QRectF(x0, y0, x1 - x0, y1 - y0));
    if (rubberLine_) {
        // Dashed black on white shows on any grey and any ROI colour.
        painter.setPen(QPen(Qt::white, 1));
        painter.drawLine(widgetPoint(rubberLine_->first), widgetPoint(rubberLine_->second));
        painter.setPen(QPen(Qt::black, 1, Qt::DashLine));
        painter.drawLine(widgetPoint(rubberLine_->first), widgetPoint(rubberLine_->second));
    }
}

void ImageControl::mousePressEvent(QMouseEvent* event) {
    emit mousePressed(event);
}
void ImageControl::mouseMoveEvent(QMouseEvent* event) {
    emit mouseMoved(event);
}
void ImageControl::mouseReleaseEvent(QMouseEvent* event) {
    emit mouseReleased(event);
}
void ImageControl::mouseDoubleClickEvent(QMouseEvent* event) {
    emit mouseDoubleClicked(event);
}
