// The parts Vantu's option dialogs are built from: the start every one of
// them makes, number fields, and the OK / Cancel row.
#pragma once

#include <QDialog>
#include <QString>

class QHBoxLayout;
class QPushButton;
class QSpinBox;
class QWidget;

// Names the dialog and sets its caption; the options it edits are reset to a
// fresh start, then to the stored values.
template <class Options>
void startOptionsDialog(QDialog& dialog, const char* objectName, const char* title, Options& values,
                        void (*loadStored)(Options&)) {
    dialog.setObjectName(objectName);
    dialog.setWindowTitle(title);
    values = Options{};
    loadStored(values);
}

// A spin box over low..high.
QSpinBox* rangeSpinBox(QWidget* parent, int low, int high);

// "OK" (the default button) and the cancel button, right-aligned in a row;
// the caller connects them.
struct OkCancelRow {
    QPushButton* ok;
    QPushButton* cancel;
    QHBoxLayout* row;
};
OkCancelRow okCancelRow(QWidget* parent, const QString& cancelCaption = "Cancel");
