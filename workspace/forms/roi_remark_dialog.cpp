#include "workspace/forms/roi_remark_dialog.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include "workspace/forms/vantu_main_window.h"
#include "workspace/forms/vantu_windows.h"

TRoiRemark::TRoiRemark(QWidget* owner) : QDialog(owner, Qt::Window) {
    setObjectName("RoiRemark");
    setWindowTitle("Remark");
    label_ = new QLabel("&Roi remark (class name):", this);
    edit_ = new QLineEdit(this);
    label_->setBuddy(edit_);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &TRoiRemark::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TRoiRemark::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label_);
    layout->addWidget(edit_);
    layout->addWidget(buttons);
}

void TRoiRemark::showEvent(QShowEvent* event) {
    if (panel) {
        edit_->setText(panel->toolTip());
        label_->setText(QString("&Roi%1 remark (class name):").arg(panel->text()));
    }
    edit_->setFocus();
    QDialog::showEvent(event);
}

void TRoiRemark::accept() {
    if (panel) {
        panel->setToolTip(edit_->text());
        panel->setAttribute(Qt::WA_AlwaysShowToolTips, true);
        // The hint is the ROI's name in ROI files and reports.
        if (_vantu)
            for (size_t k = 0; k < _vantu->RoiPanels.size(); ++k)
                if (_vantu->RoiPanels[k].selector == panel)
                    _vantu->state.RoiNames[k] = edit_->text().toStdString();
    }
    QDialog::accept();
}

void showRoiRemark(Tvantu* window, int roi) {
    if (!_RoiRemark || !window || roi < 1 || roi > kRoiCount) return;
    _RoiRemark->panel = window->RoiPanels[static_cast<size_t>(roi - 1)].selector;
    _RoiRemark->exec();
}
