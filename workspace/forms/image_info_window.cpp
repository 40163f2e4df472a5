#include "workspace/forms/image_info_window.h"

TImageInfoView::TImageInfoView(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("ImageInfoView");
    setWindowTitle("Image Info");
}
