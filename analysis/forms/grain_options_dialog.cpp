#include "analysis/forms/grain_options_dialog.h"

TOpZiarna::TOpZiarna(QWidget* owner) : QDialog(owner) {
    setObjectName("OpZiarna");
    setWindowTitle("Opcje Segmentacji Ziaren");
    LoadGrainOptionsFromRegistry(values);
}
