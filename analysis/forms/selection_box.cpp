#include "analysis/forms/selection_box.h"

#include <QApplication>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "platform/dialogs.h"
#include "workspace/forms/dialog_parts.h"

namespace {

// Tab stops of the text, in dialog units: the columns of names and counts.
constexpr int kTabStopUnits = 70;

}  // namespace

TSelectionBox::TSelectionBox(QWidget* owner, const std::string& title, const std::string& text)
    : QDialog(owner) {
    setObjectName("SELECTION");
    setWindowTitle(QString::fromStdString(title));
    setModal(true);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName("131");
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    text_->setTabStopDistance(dialogUnitsToPixels(kTabStopUnits));
    text_->setPlainText(QString::fromStdString(platform::displayText(text)));
    const OkCancelRow buttons = okCancelRow(this);
    ok_ = buttons.ok;
    ok_->setObjectName("101");
    cancel_ = buttons.cancel;
    cancel_->setObjectName("102");
    connect(ok_, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(text_, 1);
    layout->addLayout(buttons.row);
    resize(dialogUnitsToPixels(400), 300);
}

int TSelectionBox::dialogUnitsToPixels(int units) const {
    // A horizontal dialog unit is a quarter of the font's average character width.
    return units * QFontMetrics(font()).averageCharWidth() / 4;
}

bool showSelectionBox(QWidget* owner, const std::string& title, const std::string& text) {
    TSelectionBox box(owner ? owner : QApplication::activeWindow(), title, text);
    return box.exec() == QDialog::Accepted;
}
