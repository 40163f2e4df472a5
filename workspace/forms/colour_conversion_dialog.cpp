#include "workspace/forms/colour_conversion_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "workspace/core/workspace_state.h"
#include "workspace/forms/open_dispatch.h"
#include "workspace/forms/vantu_main_window.h"

TFormColor::TFormColor(QWidget* owner) : QDialog(owner, Qt::Window) {
    setObjectName("FormColor");
    setWindowTitle("Color conversion");
    // Each control has its own Alt key.
    const char* captions[] = {"&Brightness = (299Red+587Green+114Blue)/1000",
                              "&Red",
                              "&Green",
                              "B&lue",
                              "&U = (886Blue-587Green-299Red)/1772",
                              "&V = (701Red-587Green-114Blue)/1402",
                              "Color &phase = Phase(V + jU)",
                              "Color &saturation = Magnitude(V + jU)"};
    const char* prefixes[] = {"", "R_", "G_", "B_", "U_", "V_", "H_", "S_"};
    auto* grid = new QGridLayout;
    for (size_t i = 0; i < modes_.size(); ++i) {
        modes_[i] = new QRadioButton(captions[i], this);
        modes_[i]->setObjectName(QString("RadioButton%1").arg(i + 1));
        grid->addWidget(modes_[i], static_cast<int>(i), 0);
        grid->addWidget(new QLabel(prefixes[i], this), static_cast<int>(i), 1);
        connect(modes_[i], &QRadioButton::clicked, this, &TFormColor::modeClicked);
    }
    force_ = new QCheckBox("&Force prefix:", this);
    prefix_ = new QLineEdit(this);
    prefix_->setToolTip("Maximum 3 alphanumerics");
    prefix_->setFixedWidth(60);
    connect(force_, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked) prefix_->setEnabled(true);
        prefix_->setVisible(true);
        // The tick is made to type a prefix: typing goes there at once.
        if (checked) {
            prefix_->setFocus(Qt::OtherFocusReason);
            prefix_->selectAll();
        }
    });
    connect(prefix_, &QLineEdit::textChanged, this, &TFormColor::prefixEdited);
    auto* prefixRow = new QHBoxLayout;
    prefixRow->addWidget(force_);
    prefixRow->addWidget(prefix_);
    prefixRow->addStretch(1);

    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    reload_ = new QPushButton("R&eload", this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &TFormColor::accept);
    connect(cancel, &QPushButton::clicked, this, &TFormColor::reject);
    connect(reload_, &QPushButton::clicked, this, &TFormColor::reloadClick);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addWidget(reload_);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(prefixRow);
    layout->addLayout(buttons);
}

QRadioButton* TFormColor::modeButton(int mode) const {
    return mode >= 0 && mode < static_cast<int>(modes_.size()) ? modes_[static_cast<size_t>(mode)]
                                                               : nullptr;
}

int TFormColor::checkedMode() const {
    for (size_t i = 0; i < modes_.size(); ++i)
        if (modes_[i]->isChecked()) return static_cast<int>(i);
    return 0;
}

void TFormColor::showEvent(QShowEvent* event) {
    if (_vantu) {
        const WorkspaceState& state = _vantu->state;
        const uint32_t mode = state.ColorMode < modes_.size() ? state.ColorMode : 0;
        modes_[mode]->setChecked(true);
        force_->setChecked(state.ForcedPrefixOn);
        if (state.ForcedPrefixOn) {
            prefix_->setEnabled(true);
            prefix_->setVisible(true);
            prefix_->setText(QString::fromStdString(state.ForcedPrefix));
        } else {
            prefix_->clear();
            prefix_->setEnabled(false);
            prefix_->setVisible(false);
        }
    }
    QDialog::showEvent(event);
}

void TFormColor::modeClicked() {
    force_->setChecked(false);
    prefix_->clear();
    prefix_->setEnabled(false);
    prefix_->setVisible(false);
}

void TFormColor::prefixEdited(const QString& text) {
    if (text.size() > kMaxPrefixLength) prefix_->setText(text.left(kMaxPrefixLength));
}

void TFormColor::accept() {
    if (_vantu) {
        WorkspaceState& state = _vantu->state;
        state.ColorMode = static_cast<uint32_t>(checkedMode());
        if (force_->isChecked()) {
            state.ForcedPrefix = prefix_->text().left(kMaxPrefixLength).toStdString();
            state.ForcedPrefixOn = true;
        } else {
            state.ForcedPrefix.clear();
            state.ForcedPrefixOn = false;
        }
    }
    QDialog::accept();
}

void TFormColor::reloadClick() {
    if (!_vantu) return;
    _vantu->state.ColorMode = static_cast<uint32_t>(checkedMode());
    close();
    // Nothing to read again before the first image.
    const std::string path = _vantu->state.ImageFileName;
    if (!path.empty()) OpenFileByExtension(_vantu, path);
}
