#include "volume/forms/volume_editor_window.h"

TVoiEditor::TVoiEditor(QWidget* owner) : QWidget(owner, Qt::Window) {
    setObjectName("VoiEditor");
    setWindowTitle("3D Editor");
}
