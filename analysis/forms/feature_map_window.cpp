#include "analysis/forms/feature_map_window.h"

TImageView::TImageView(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("ImageView");
    setWindowTitle("Image View");
}
