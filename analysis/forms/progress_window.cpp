#include "analysis/forms/progress_window.h"

TProgress::TProgress(QWidget* owner) : QDialog(owner, Qt::Window) {
    setObjectName("Progress");
    setWindowTitle("Progress");
}
