#include "analysis/forms/report_window.h"

TReport::TReport(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("Report");
    setWindowTitle("Report");
}
