#include "volume/forms/block_dialog.h"

#include <QFormLayout>
#include <QPushButton>
#include <algorithm>
#include <cmath>

#include "platform/dialogs.h"
#include "platform/textformat.h"
#include "volume/core/view/shape_transform_text.h"
#include "volume/forms/transformation_window.h"

TBlock::TBlock(QWidget* owner) : QDialog(owner) {
    setObjectName("Block");
    setWindowTitle("Block");
    // Wide enough for the frame to show the title beside its buttons.
    setMinimumWidth(200);
    auto* form = new QFormLayout(this);
    Size = new NumberBox(1, 1024);
    Size->setText("1");
    X = new NumberBox(0, 0);
    Y = new NumberBox(0, 0);
    Z = new NumberBox(0, 0);
    form->addRow("&Size", Size);
    form->addRow("&X", X);
    form->addRow("&Y", Y);
    form->addRow("&Z", Z);
    auto* next = new QPushButton("&Next");
    form->addRow(next);
    connect(next, &QPushButton::clicked, this, &TBlock::accept);
}

void TBlock::prepare(int32_t width, int32_t height, int32_t slices, double sx, double sy,
                     double sz) {
    Size->setText("100");
    auto limit = [](NumberBox* box, double half) {
        const double l = std::trunc(std::min(half, 1e9));
        box->setRange(-l, l);
        box->setText("0");
    };
    limit(X, width * sx / 2);
    limit(Y, height * sy / 2);
    limit(Z, slices * sz / 2);
    taken_ = {100, 0, 0, 0};
}

void TBlock::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    Size->setFocus(Qt::OtherFocusReason);
    Size->selectAll();
}

void TBlock::accept() {
    const std::array<std::pair<NumberBox*, const char*>, 4> boxes = {
        {{Size, "Size"}, {X, "X"}, {Y, "Y"}, {Z, "Z"}}};
    std::array<int32_t, 4> read{};
    for (size_t k = 0; k < boxes.size(); ++k) {
        NumberBox* box = boxes[k].first;
        const auto low = static_cast<int32_t>(box->minimum());
        const auto high = static_cast<int32_t>(box->maximum());
        const std::string text = box->text().toStdString();
        const std::optional<int32_t> value = parseTypedWholeNumber(text, low, high);
        if (!value) {
            platform::showError(platform::cformat("%s takes a whole number from %d to %d, not \"",
                                                  boxes[k].second, low, high) +
                                text + "\".");
            // Back to the box at fault, its text selected for retyping.
            box->setFocus(Qt::OtherFocusReason);
            box->selectAll();
            return;
        }
        read[k] = *value;
    }
    taken_ = read;
    QDialog::accept();
}

Matrix4 TBlock::placement() const {
    Matrix4 m = identityMatrix();
    m[0] = m[5] = m[10] = taken_[0] / 100.0;
    m[12] = taken_[1];
    m[13] = taken_[2];
    m[14] = taken_[3];
    return m;
}
