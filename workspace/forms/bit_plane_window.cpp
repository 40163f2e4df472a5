#include "workspace/forms/bit_plane_window.h"

TForm1::TForm1(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("Form1");
    setWindowTitle("Geometryczne_test");
}
