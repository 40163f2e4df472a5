#include "volume/forms/analysis3d_options_dialog.h"

TOptions::TOptions(QWidget* owner) : QDialog(owner) {
    setObjectName("Options");
    setWindowTitle("3D analysis options");
    Load3DOptionsFromRegistry(values);
}
