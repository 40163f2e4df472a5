// The "Raw options" window: it holds the raw options, read from the store
// when it is created and written back at exit.
#pragma once

#include <QDialog>

#include "workspace/core/raw_options.h"

class TRawOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TRawOptions(QWidget* owner);

    RawOptions values;
};
