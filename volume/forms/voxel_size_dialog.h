// The "3D load options" window: the voxel size used by the 3D view and the
// shape models, read from the store when it is created. Showing it puts the
// sizes into the edits as "%.2f"; OK takes the edits back by the C rules of
// decimal text (text that is not a number gives 0, sizes are taken as typed)
// and tells the editor to redraw; Cancel leaves the sizes.
#pragma once

#include <QDialog>

#include "volume/core/volume_options.h"

class QLineEdit;

class TImageLoadOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TImageLoadOptions(QWidget* owner);

    // The program's voxel sizes, which the dialog edits.
    VoxelSizes& values = voxelSizes();

    QLineEdit* editX() const { return editX_; }
    QLineEdit* editY() const { return editY_; }
    QLineEdit* editZ() const { return editZ_; }

    void showValues();
    void accept() override;

  signals:
    // OK changed the sizes: the volume editor redraws its view.
    void voxelSizesChanged();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLineEdit* editX_;
    QLineEdit* editY_;
    QLineEdit* editZ_;
};
