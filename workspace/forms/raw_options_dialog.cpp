#include "workspace/forms/raw_options_dialog.h"

TRawOptions::TRawOptions(QWidget* owner) : QDialog(owner) {
    setObjectName("RawOptions");
    setWindowTitle("Raw options");
    LoadRawOptionsFromRegistry(values);
}
