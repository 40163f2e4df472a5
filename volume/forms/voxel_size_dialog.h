// The "3D load options" window: it holds the voxel size used by the 3D view
// and the shape models, read from the store when it is created.
#pragma once

#include <QDialog>

#include "volume/core/volume_options.h"

class TImageLoadOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TImageLoadOptions(QWidget* owner);

    VoxelSizes values;
};
