#include "workspace/forms/bit_plane_window.h"

#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QVBoxLayout>

TForm1::TForm1(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("Form1");
    setWindowTitle("Geometryczne_test");
    image_ = new QLabel(this);
    image_->setObjectName("Image1");
    trackBar_ = new QSlider(Qt::Horizontal, this);
    trackBar_->setObjectName("TrackBar1");
    trackBar_->setRange(0, 7);
    auto* next = new QPushButton("&Dalej", this);
    connect(next, &QPushButton::clicked, this, &QWidget::close);
    connect(trackBar_, &QSlider::valueChanged, this, &TForm1::repaintPlane);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(image_);
    layout->addWidget(trackBar_);
    layout->addWidget(next);
}

void TForm1::setData(int width, int height, std::vector<uint8_t> bytes) {
    if (width < 1 || height < 1 ||
        bytes.size() != static_cast<size_t>(width) * static_cast<size_t>(height)) {
        width_ = height_ = 0;
        bytes_.clear();
    } else {
        width_ = width;
        height_ = height;
        bytes_ = std::move(bytes);
    }
    repaintPlane();
}

void TForm1::repaintPlane() {
    if (bytes_.empty()) {
        picture_ = QImage();
        image_->clear();
        return;
    }
    picture_ = QImage(width_, height_, QImage::Format_Grayscale8);
    const uint8_t bit = static_cast<uint8_t>(1u << trackBar_->value());
    for (int y = 0; y < height_; ++y) {
        uchar* row = picture_.scanLine(y);
        for (int x = 0; x < width_; ++x)
            row[x] = (bytes_[static_cast<size_t>(y) * width_ + x] & bit) ? 0 : 255;
    }
    image_->setPixmap(QPixmap::fromImage(picture_));
}
