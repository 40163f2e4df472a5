#include "workspace/forms/raw_options_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <climits>

#include "platform/qt/dialog_owner.h"
#include "workspace/core/formats/open_rules.h"
#include "workspace/forms/dialog_parts.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/vantu_main_window.h"

TRawOptions::TRawOptions(QWidget* owner) : QDialog(owner) {
    startOptionsDialog(*this, "RawOptions", "Raw options", values, LoadRawOptionsFromRegistry);

    width_ = rangeSpinBox(this, 1, kMaxRawSide);
    height_ = rangeSpinBox(this, 1, kMaxRawSide);
    header_ = rangeSpinBox(this, 0, INT_MAX);
    subheader_ = rangeSpinBox(this, 0, INT_MAX);
    imageNumber_ = rangeSpinBox(this, 1, 65535);

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel("Image dimensions", this), 0, 0);
    auto* size = new QHBoxLayout;
    size->addWidget(width_);
    size->addWidget(new QLabel("x", this));
    size->addWidget(height_);
    fields->addLayout(size, 0, 1);
    fields->addWidget(new QLabel("Header", this), 1, 0);
    fields->addWidget(header_, 1, 1);
    fields->addWidget(new QLabel("Subheader", this), 2, 0);
    fields->addWidget(subheader_, 2, 1);
    imageNumberLabel_ = new QLabel("Image no.", this);
    fields->addWidget(imageNumberLabel_, 3, 0);
    fields->addWidget(imageNumber_, 3, 1);

    auto* bits = new QGroupBox("Bits per pixel", this);
    bits8_ = new QRadioButton("&8 bits", bits);
    bits16_ = new QRadioButton("1&6 bits", bits);
    auto* bitsLayout = new QVBoxLayout(bits);
    bitsLayout->addWidget(bits8_);
    bitsLayout->addWidget(bits16_);

    auto* order = new QGroupBox("Bytes order", this);
    intel_ = new QRadioButton("\"&Intel\"", order);
    motorola_ = new QRadioButton("\"&Motorola\"", order);
    auto* orderLayout = new QVBoxLayout(order);
    orderLayout->addWidget(intel_);
    orderLayout->addWidget(motorola_);

    autoReload_ = new QCheckBox("&Auto reload", this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TRawOptions::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TRawOptions::reject);

    auto* groups = new QHBoxLayout;
    groups->addWidget(bits);
    groups->addWidget(order);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addLayout(groups);
    layout->addWidget(autoReload_);
    layout->addWidget(buttons);

    for (QSpinBox* field : {width_, height_, header_, subheader_, imageNumber_})
        connect(field, &QSpinBox::valueChanged, this, &TRawOptions::fieldChanged);
    connect(bits8_, &QRadioButton::toggled, this, &TRawOptions::bitsChanged);
    connect(intel_, &QRadioButton::toggled, this, &TRawOptions::fieldChanged);
}

int TRawOptions::showForMainWindow() {
    for (QWidget* w : std::initializer_list<QWidget*>{imageNumberLabel_, imageNumber_, autoReload_})
        w->setVisible(true);
    return exec();
}

int TRawOptions::showForVolumeEditor(QWidget* editor) {
    for (QWidget* w : std::initializer_list<QWidget*>{imageNumberLabel_, imageNumber_, autoReload_})
        w->setVisible(false);
    return platform::execOwnedBy(this, editor);
}

void TRawOptions::showEvent(QShowEvent* event) {
    filling_ = true;
    width_->setValue(values.RawX);
    height_->setValue(values.RawY);
    header_->setValue(values.RawHeader);
    subheader_->setValue(values.RawSubheader);
    imageNumber_->setValue(values.RawFirstImage);
    autoReload_->setChecked(false);
    bool eightBits = values.RawBits < 9;
    bits8_->setChecked(eightBits);
    bits16_->setChecked(!eightBits);
    intel_->setChecked(values.RawEndian != 0);
    motorola_->setChecked(values.RawEndian == 0);
    intel_->setEnabled(!eightBits);
    motorola_->setEnabled(!eightBits);
    filling_ = false;
    QDialog::showEvent(event);
}

RawOptions TRawOptions::editedValues() const {
    RawOptions edited = values;
    edited.RawX = width_->value();
    edited.RawY = height_->value();
    edited.RawHeader = header_->value();
    edited.RawSubheader = subheader_->value();
    edited.RawFirstImage = imageNumber_->value();
    edited.RawBits = bits16_->isChecked() ? 16 : 8;
    edited.RawEndian = intel_->isChecked() ? 1 : 0;
    return edited;
}

void TRawOptions::bitsChanged() {
    intel_->setEnabled(bits16_->isChecked());
    motorola_->setEnabled(bits16_->isChecked());
    fieldChanged();
}

void TRawOptions::fieldChanged() {
    if (filling_ || !autoReload_->isChecked() || !autoReload_->isVisible() || !_vantu) return;
    // Read the image with the edited values, then put the stored ones back:
    // they change only on OK.
    RawOptions stored = values;
    values = editedValues();
    LoadImageFile(_vantu, kFormatRaw, _vantu->state.ImageFileName);
    values = stored;
}

void TRawOptions::accept() {
    values = editedValues();
    QDialog::accept();
}
