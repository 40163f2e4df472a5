#include "workspace/forms/dialog_parts.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QSpinBox>

QSpinBox* rangeSpinBox(QWidget* parent, int low, int high) {
    auto* box = new QSpinBox(parent);
    box->setRange(low, high);
    return box;
}

OkCancelRow okCancelRow(QWidget* parent, const QString& cancelCaption) {
    OkCancelRow buttons{new QPushButton("OK", parent), new QPushButton(cancelCaption, parent),
                        new QHBoxLayout};
    buttons.ok->setDefault(true);
    buttons.row->addStretch();
    buttons.row->addWidget(buttons.ok);
    buttons.row->addWidget(buttons.cancel);
    return buttons;
}
