#include "volume/forms/transformation_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>

#include "platform/dialogs.h"
#include "volume/core/view/shape_transform_text.h"
#include "volume/core/volume_options.h"
#include "volume/forms/volume_editor_window.h"
#include "volume/forms/volume_view.h"
#include "workspace/forms/vantu_windows.h"

namespace {

std::array<double, 3> voxelSpacing() {
    const VoxelSizes sizes = voxelSizes().sanitized();
    return {sizes.VoxelXSize, sizes.VoxelYSize, sizes.VoxelZSize};
}

}  // namespace

TTransformation::TTransformation(QWidget* owner) : QWidget(owner, Qt::Tool) {
    setObjectName("Transformation");
    setWindowTitle("Transformation");
    auto* grid = new QGridLayout(this);
    for (int k = 0; k < 9; ++k) {
        linear[static_cast<size_t>(k)] = new QLineEdit;
        linear[static_cast<size_t>(k)]->setObjectName(QString("Edit%1").arg(k + 1));
        grid->addWidget(linear[static_cast<size_t>(k)], k / 3, k % 3);
    }
    for (int k = 0; k < 3; ++k) {
        auto* box = new QSpinBox;
        box->setRange(-10000, 10000);
        box->setObjectName(QString("Edit%1").arg(10 + k));
        shift[static_cast<size_t>(k)] = box;
        grid->addWidget(box, 3, k);
    }
    Edit13 = new QSpinBox;
    Edit14 = new QSpinBox;
    for (QSpinBox* box : {Edit13, Edit14}) box->setRange(-100, 100);
    grid->addWidget(Edit13, 4, 0);
    grid->addWidget(Edit14, 4, 1);
    VoxelSpace = new QCheckBox("Voxel space");
    grid->addWidget(VoxelSpace, 5, 0);
    OneButton = new QPushButton("1");
    ApplyButton = new QPushButton("Apply");
    grid->addWidget(OneButton, 5, 1);
    grid->addWidget(ApplyButton, 5, 2);
    connect(VoxelSpace, &QCheckBox::clicked, this, [this] { ShowShapeTransform(); });
    connect(OneButton, &QPushButton::clicked, this, [this] { identityClick(); });
    connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyShapeTransform(); });
}

void TTransformation::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ShowShapeTransform();
}

void TTransformation::ShowShapeTransform() {
    if (!_VoiEditor) return;
    const ShapeTransformTexts texts =
        shapeTransformTexts(_VoiEditor->view->ShapeMatrix, voxelSpacing(), VoxelSpace->isChecked());
    for (int k = 0; k < 9; ++k)
        linear[static_cast<size_t>(k)]->setText(
            QString::fromStdString(texts.linear[static_cast<size_t>(k)]));
    for (int k = 0; k < 3; ++k)
        shift[static_cast<size_t>(k)]->setValue(texts.shift[static_cast<size_t>(k)]);
    Edit13->setValue(_VoiEditor->shapeParameter);
    Edit14->setValue(_VoiEditor->secondShapeInteger);
}

void TTransformation::ApplyShapeTransform() {
    if (!_VoiEditor) return;
    ShapeTransformTexts texts;
    for (int k = 0; k < 9; ++k)
        texts.linear[static_cast<size_t>(k)] = linear[static_cast<size_t>(k)]->text().toStdString();
    for (int k = 0; k < 3; ++k)
        texts.shift[static_cast<size_t>(k)] = shift[static_cast<size_t>(k)]->value();
    if (applyShapeTransformTexts(texts, _VoiEditor->view->ShapeMatrix) > 0) {
        // The refused numbers show the values kept.
        ShowShapeTransform();
        platform::showError("Infinite or undefined numbers are not taken.");
    }
    _VoiEditor->shapeParameter = Edit13->value();
    _VoiEditor->secondShapeInteger = Edit14->value();
    // The cube's and the tube's faces follow the shape parameter.
    _VoiEditor->rebuildShape();
}

void TTransformation::identityClick() {
    const std::array<std::string, 9> texts = identityTexts();
    for (int k = 0; k < 9; ++k)
        linear[static_cast<size_t>(k)]->setText(
            QString::fromStdString(texts[static_cast<size_t>(k)]));
}
