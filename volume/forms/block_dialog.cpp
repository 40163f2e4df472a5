#include "volume/forms/block_dialog.h"

#include <QFormLayout>
#include <QPushButton>
#include <QSpinBox>
#include <cmath>

TBlock::TBlock(QWidget* owner) : QDialog(owner) {
    setObjectName("Block");
    setWindowTitle("Block");
    // Wide enough for the frame to show the title beside its buttons.
    setMinimumWidth(200);
    auto* form = new QFormLayout(this);
    Size = new QSpinBox;
    Size->setRange(1, 1024);
    Size->setValue(1);
    X = new QSpinBox;
    Y = new QSpinBox;
    Z = new QSpinBox;
    form->addRow("&Size", Size);
    form->addRow("&X", X);
    form->addRow("&Y", Y);
    form->addRow("&Z", Z);
    auto* next = new QPushButton("&Next");
    form->addRow(next);
    connect(next, &QPushButton::clicked, this, &QDialog::accept);
}

void TBlock::prepare(int32_t width, int32_t height, int32_t slices, double sx, double sy,
                     double sz) {
    Size->setValue(100);
    auto limit = [](QSpinBox* box, double half) {
        const int l = static_cast<int>(std::trunc(std::min(half, 1e9)));
        box->setRange(-l, l);
        box->setValue(0);
    };
    limit(X, width * sx / 2);
    limit(Y, height * sy / 2);
    limit(Z, slices * sz / 2);
}

void TBlock::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Size->setFocus(Qt::OtherFocusReason);
    Size->selectAll();
}

Matrix4 TBlock::placement() const {
    Matrix4 m = identityMatrix();
    m[0] = m[5] = m[10] = Size->value() / 100.0;
    m[12] = X->value();
    m[13] = Y->value();
    m[14] = Z->value();
    return m;
}
