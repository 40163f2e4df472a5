#include "volume/forms/voxel_size_dialog.h"

TImageLoadOptions::TImageLoadOptions(QWidget* owner) : QDialog(owner) {
    setObjectName("ImageLoadOptions");
    setWindowTitle("3D load options");
    LoadVoxelSizesFromRegistry(values);
}
