#include "workspace/forms/histogram_window.h"

THistogram::THistogram(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("Histogram");
    setWindowTitle("Histogram");
}
