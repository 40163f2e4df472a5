// The "Raw options" window: it holds the raw options (read from the store when
// it is created, written back at exit) and edits them; with "Auto reload" on,
// every change shows the image read with the new values at once.
#pragma once

#include <QDialog>

#include "workspace/core/formats/raw_options.h"

class QCheckBox;
class QLabel;
class QRadioButton;
class QSpinBox;

class TRawOptions : public QDialog {
    Q_OBJECT
  public:
    explicit TRawOptions(QWidget* owner);

    // The program's raw options, which the dialog edits.
    RawOptions& values = rawOptions();

    // The main window's "Raw options...": the image number and "Auto reload"
    // are shown, then the window runs modally.
    int showForMainWindow();
    // The volume editor's "Raw options...": a series has no image number and
    // no reload, so those controls are hidden while the window runs modally;
    // the main window's command shows them again. It opens as a box of
    // `editor`.
    int showForVolumeEditor(QWidget* editor);

    // The values as the controls show them now.
    RawOptions editedValues() const;

    QSpinBox* widthField() const { return width_; }
    QCheckBox* autoReloadBox() const { return autoReload_; }
    QRadioButton* bits16Button() const { return bits16_; }
    QRadioButton* motorolaButton() const { return motorola_; }

    // OK: the controls become the stored values.
    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void fieldChanged();
    void bitsChanged();

    QSpinBox* width_;
    QSpinBox* height_;
    QSpinBox* header_;
    QSpinBox* subheader_;
    QSpinBox* imageNumber_;
    QLabel* imageNumberLabel_;
    QRadioButton* bits8_;
    QRadioButton* bits16_;
    QRadioButton* intel_;
    QRadioButton* motorola_;
    QCheckBox* autoReload_;
    bool filling_ = false;
};
