#include "volume/forms/transformation_window.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <algorithm>

#include "platform/dialogs.h"
#include "platform/textformat.h"
#include "volume/core/view/shape_transform_text.h"
#include "volume/core/volume_options.h"

namespace {

std::array<double, 3> voxelSpacing() {
    const VoxelSizes sizes = voxelSizes().sanitized();
    return {sizes.VoxelXSize, sizes.VoxelYSize, sizes.VoxelZSize};
}

}  // namespace

NumberBox::NumberBox(double low, double high) : low_(low), high_(high) {
    setText("0");
}

QString NumberBox::text() const {
    return lineEdit()->text();
}

void NumberBox::setText(const QString& text) {
    lineEdit()->setText(text);
}

void NumberBox::setRange(double low, double high) {
    low_ = low;
    high_ = high;
}

void NumberBox::stepBy(int steps) {
    // A box holding no number is left for "Apply" to refuse.
    const std::optional<double> value = parseTypedNumber(text().toStdString());
    if (!value) return;
    setText(
        QString::fromStdString(platform::cformat("%.8g", std::clamp(*value + steps, low_, high_))));
}

QAbstractSpinBox::StepEnabled NumberBox::stepEnabled() const {
    return StepUpEnabled | StepDownEnabled;
}

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
        auto* box = new NumberBox(-kShiftBoxLimit, kShiftBoxLimit);
        box->setObjectName(QString("Edit%1").arg(10 + k));
        shift[static_cast<size_t>(k)] = box;
        grid->addWidget(box, 3, k);
    }
    Edit13 = new NumberBox(-kShapeIntegerLimit, kShapeIntegerLimit);
    Edit14 = new NumberBox(-kShapeIntegerLimit, kShapeIntegerLimit);
    Edit13->setObjectName("Edit13");
    Edit14->setObjectName("Edit14");
    grid->addWidget(Edit13, 4, 0);
    grid->addWidget(Edit14, 4, 1);
    VoxelSpace = new QCheckBox("&Voxel space");
    grid->addWidget(VoxelSpace, 5, 0);
    OneButton = new QPushButton("&1");
    ApplyButton = new QPushButton("&Apply");
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
    if (!target) return;
    const ShapeTransformTexts texts =
        shapeTransformTexts(target->shapePose(), voxelSpacing(), VoxelSpace->isChecked());
    for (int k = 0; k < 9; ++k)
        linear[static_cast<size_t>(k)]->setText(
            QString::fromStdString(texts.linear[static_cast<size_t>(k)]));
    for (int k = 0; k < 3; ++k)
        shift[static_cast<size_t>(k)]->setText(
            QString::fromStdString(texts.shift[static_cast<size_t>(k)]));
    Edit13->setText(QString::fromStdString(texts.integers[0]));
    Edit14->setText(QString::fromStdString(texts.integers[1]));
}

void TTransformation::ApplyShapeTransform() {
    if (!target) return;
    ShapeTransformTexts texts;
    for (int k = 0; k < 9; ++k)
        texts.linear[static_cast<size_t>(k)] = linear[static_cast<size_t>(k)]->text().toStdString();
    for (int k = 0; k < 3; ++k)
        texts.shift[static_cast<size_t>(k)] = shift[static_cast<size_t>(k)]->text().toStdString();
    texts.integers = {Edit13->text().toStdString(), Edit14->text().toStdString()};
    ShapePose pose = target->shapePose();
    const std::string refusal = applyShapeTransformTexts(texts, pose);
    if (!refusal.empty()) {
        // The boxes keep what was typed, for the user to correct.
        platform::showError(refusal);
        return;
    }
    // The cube's and the tube's faces follow the shape parameter.
    target->setShapePose(pose);
}

void TTransformation::identityClick() {
    const std::array<std::string, 9> texts = identityTexts();
    for (int k = 0; k < 9; ++k)
        linear[static_cast<size_t>(k)]->setText(
            QString::fromStdString(texts[static_cast<size_t>(k)]));
}
