#include "volume/forms/voxel_size_dialog.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/textformat.h"
#include "workspace/forms/dialog_parts.h"

TImageLoadOptions::TImageLoadOptions(QWidget* owner) : QDialog(owner) {
    startOptionsDialog(*this, "ImageLoadOptions", "3D load options", values,
                       loadVoxelSizesFromRegistry);
    editX_ = new QLineEdit(this);
    editY_ = new QLineEdit(this);
    editZ_ = new QLineEdit(this);
    auto* form = new QFormLayout;
    form->addRow("Voxel width (&x)", editX_);
    form->addRow("Voxel height (&y)", editY_);
    form->addRow("Voxel depth (&z)", editZ_);
    const OkCancelRow buttons = okCancelRow(this);
    connect(buttons.ok, &QPushButton::clicked, this, &TImageLoadOptions::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &TImageLoadOptions::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addLayout(buttons.row);
}

void TImageLoadOptions::showEvent(QShowEvent* event) {
    showValues();
    QDialog::showEvent(event);
}

void TImageLoadOptions::showValues() {
    editX_->setText(QString::fromStdString(platform::cformat("%.2f", values.VoxelXSize)));
    editY_->setText(QString::fromStdString(platform::cformat("%.2f", values.VoxelYSize)));
    editZ_->setText(QString::fromStdString(platform::cformat("%.2f", values.VoxelZSize)));
}

void TImageLoadOptions::accept() {
    values.VoxelXSize = platform::cToReal(editX_->text().toStdString());
    values.VoxelYSize = platform::cToReal(editY_->text().toStdString());
    values.VoxelZSize = platform::cToReal(editZ_->text().toStdString());
    emit voxelSizesChanged();
    QDialog::accept();
}
