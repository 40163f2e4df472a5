#include "workspace/forms/image_header_window.h"

TImageHeader::TImageHeader(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("ImageHeader");
    setWindowTitle("ImageHeader");
}
