// The "3D analysis options" window: it holds the switches and bit depths of
// the 3D texture analysis, read from the store when it is created.
#pragma once

#include <QDialog>

#include "volume/core/volume_options.h"

class TOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TOptions(QWidget* owner);

    Analysis3DOptions values;
};
