#include "workspace/forms/class_name_dialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

TOptionsClass::TOptionsClass(QWidget* owner) : QDialog(owner) {
    setObjectName("OptionsClass");
    setWindowTitle("Class Name");

    use_ = new QCheckBox("&Use for discriminative analysis", this);
    label_ = new QLabel("Roi1 class &name:", this);
    name_ = new QLineEdit(this);
    name_->setMaxLength(kMaxClassNameLength);
    label_->setBuddy(name_);

    auto* group = new QGroupBox("Apply changes to:", this);
    auto* groupLayout = new QVBoxLayout(group);
    // Alt keys apart from the buttons' (OK, Cancel).
    const char* captions[] = {"&this column only", "all columns of the c&lass",
                              "all columns of the &document"};
    for (size_t i = 0; i < scopes_.size(); ++i) {
        scopes_[i] = new QRadioButton(captions[i], group);
        groupLayout->addWidget(scopes_[i]);
    }
    scopes_[0]->setChecked(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TOptionsClass::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TOptionsClass::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(use_);
    layout->addWidget(label_);
    layout->addWidget(name_);
    layout->addWidget(group);
    layout->addWidget(buttons);
}

QRadioButton* TOptionsClass::scopeButton(int value) const {
    return value >= 1 && value <= static_cast<int>(scopes_.size())
               ? scopes_[static_cast<size_t>(value - 1)]
               : nullptr;
}

void TOptionsClass::showEvent(QShowEvent* event) {
    use_->setChecked(useFlag != 0);
    name_->setText(QString::fromStdString(className));
    label_->setText(QString("Roi%1 class &name:").arg(roiNumber));
    name_->setFocus();
    QDialog::showEvent(event);
}

void TOptionsClass::accept() {
    className = name_->text().left(kMaxClassNameLength).toStdString();
    useFlag = use_->isChecked() ? 1 : 0;
    scope = 0;
    for (size_t i = 0; i < scopes_.size(); ++i)
        if (scopes_[i]->isChecked()) scope = static_cast<int>(i) + 1;
    QDialog::accept();
}

void TOptionsClass::reject() {
    useFlag = -1;
    QDialog::reject();
}
