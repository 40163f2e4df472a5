// The grain-segmentation options window ("Opcje Segmentacji Ziaren"); it also
// holds the switches of the shape features used by every 2D run.
#pragma once

#include <QDialog>

#include "analysis/core/options/grain_options.h"

class TOpZiarna : public QDialog {
    Q_OBJECT
  public:
    explicit TOpZiarna(QWidget* owner);

    GrainOptions values;
};
