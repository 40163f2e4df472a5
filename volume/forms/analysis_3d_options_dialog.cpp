#include "volume/forms/analysis_3d_options_dialog.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>
#include <algorithm>

#include "workspace/forms/dialog_parts.h"

namespace {

void check(QButtonGroup* group, int id) {
    for (QAbstractButton* b : group->buttons()) b->setChecked(group->id(b) == id);
}

// The checked radio's value, or `none` when no radio is checked.
int checkedOr(QButtonGroup* group, int none) {
    const int id = group->checkedId();
    return id == -1 ? none : id;
}

// A stored bit depth with a radio of its own shows as it is, any other as `fallback`.
int shown(QButtonGroup* group, int32_t value, int fallback) {
    return group->button(value) ? value : fallback;
}

}  // namespace

TOptions::TOptions(QWidget* owner) : QDialog(owner) {
    startOptionsDialog(*this, "Options", "3D analysis options", values, load3DOptionsFromRegistry);

    auto* grid = new QGridLayout;
    // Co-occurrence: switch, bits and distances.
    auto* com = new QGroupBox("COM &bits-per-pixel      distances ", this);
    auto* comLayout = new QGridLayout(com);
    auto* comRadios = new QHBoxLayout;
    comBits_ = bitRadios(com, comRadios, {8, 7, 6, 5, 4});
    comLayout->addLayout(comRadios, 0, 0);
    auto* distances = new QHBoxLayout;
    for (int d = 1; d <= 5; ++d)
        distances->addWidget(addCheck(com, std::to_string(d), "&" + QString::number(d)));
    comLayout->addLayout(distances, 0, 1);
    comLayout->addWidget(addCheck(com, "COM More directions", "&More directions"), 1, 1);
    grid->addWidget(addCheck(this, "COM features", "&COM features"), 0, 0);
    grid->addWidget(com, 1, 0, 1, 2);

    grid->addWidget(addCheck(this, "Histogram features", "&Histogram features"), 2, 0);
    auto* hist = new QGroupBox("Histogram b&its-per-pixel ", this);
    auto* histLayout = new QHBoxLayout(hist);
    histogramBits_ = bitRadios(hist, histLayout, {16, 12, 11, 10, 9, 8, 7, 6, 5, 4});
    grid->addWidget(hist, 3, 0, 1, 2);

    grid->addWidget(addCheck(this, "RLM features", "&RLM features"), 4, 0);
    auto* rlm = new QGroupBox("RLM bits-&per-pixel ", this);
    auto* rlmLayout = new QHBoxLayout(rlm);
    rlmBits_ = bitRadios(rlm, rlmLayout, {8, 7, 6, 5, 4});
    rlmLayout->addWidget(addCheck(rlm, "RLM More directions", "More &directions"));
    grid->addWidget(rlm, 5, 0, 1, 2);

    grid->addWidget(addCheck(this, "Gradient features", "&Gradient features"), 6, 0);
    auto* grad = new QGroupBox("Gradient bi&ts-per-pixel ", this);
    auto* gradLayout = new QHBoxLayout(grad);
    gradientBits_ = bitRadios(grad, gradLayout, {12, 11, 10, 9, 8, 7, 6, 5, 4});
    grid->addWidget(grad, 7, 0, 1, 2);

    auto* norm = new QGroupBox("&Normalisation", this);
    auto* normLayout = new QVBoxLayout(norm);
    normalisation_ = new QButtonGroup(norm);
    const char* modes[] = {"Default", "+/- 3 Sigma", "1% - 99%"};
    for (int m = 0; m < 3; ++m) {
        auto* radio = new QRadioButton(modes[m], norm);
        normalisation_->addButton(radio, m);
        normLayout->addWidget(radio);
    }
    grid->addWidget(norm, 8, 0);

    const OkCancelRow buttons = okCancelRow(this);
    connect(buttons.ok, &QPushButton::clicked, this, &TOptions::accept);
    connect(buttons.cancel, &QPushButton::clicked, this, &TOptions::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(buttons.row);
}

QCheckBox* TOptions::addCheck(QWidget* parent, const std::string& key, const QString& caption) {
    auto* box = new QCheckBox(caption, parent);
    checks_[key] = box;
    return box;
}

QCheckBox* TOptions::checkBox(const std::string& key) const {
    auto it = checks_.find(key);
    return it == checks_.end() ? nullptr : it->second;
}

QButtonGroup* TOptions::bitRadios(QWidget* parent, QLayout* layout, const std::vector<int>& bits) {
    auto* group = new QButtonGroup(parent);
    for (int b : bits) {
        auto* radio = new QRadioButton(QString::number(b), parent);
        group->addButton(radio, b);
        layout->addWidget(radio);
    }
    return group;
}

void TOptions::showEvent(QShowEvent* event) {
    showValues();
    QDialog::showEvent(event);
}

void TOptions::showValues() {
    const Analysis3DOptions& v = values;
    checks_["COM features"]->setChecked(v.ComFeatures);
    const bool distances[5] = {v.ComDist1, v.ComDist2, v.ComDist3, v.ComDist4, v.ComDist5};
    for (int d = 1; d <= 5; ++d) checks_[std::to_string(d)]->setChecked(distances[d - 1]);
    checks_["COM More directions"]->setChecked(v.ComMoredirs);
    checks_["Histogram features"]->setChecked(v.HistogramFeatures);
    checks_["RLM features"]->setChecked(v.RlmFeatures);
    checks_["RLM More directions"]->setChecked(v.RlmMoredirs);
    checks_["Gradient features"]->setChecked(v.GradientFeatures);
    check(comBits_, shown(comBits_, v.ComBpp, 4));
    check(rlmBits_, shown(rlmBits_, v.RlmBpp, 4));
    check(gradientBits_, shown(gradientBits_, v.GradientBpp, 12));
    check(histogramBits_, shown(histogramBits_, v.HistogramBpp, 12));
    // A stored mode without a radio shows as "Default".
    check(normalisation_, v.Normalisation == 1 || v.Normalisation == 2 ? v.Normalisation : 0);
}

void TOptions::accept() {
    Analysis3DOptions& v = values;
    v.ComFeatures = checks_["COM features"]->isChecked();
    v.ComDist1 = checks_["1"]->isChecked();
    v.ComDist2 = checks_["2"]->isChecked();
    v.ComDist3 = checks_["3"]->isChecked();
    v.ComDist4 = checks_["4"]->isChecked();
    v.ComDist5 = checks_["5"]->isChecked();
    v.ComMoredirs = checks_["COM More directions"]->isChecked();
    v.HistogramFeatures = checks_["Histogram features"]->isChecked();
    v.RlmFeatures = checks_["RLM features"]->isChecked();
    v.RlmMoredirs = checks_["RLM More directions"]->isChecked();
    v.GradientFeatures = checks_["Gradient features"]->isChecked();
    v.ComBpp = checkedOr(comBits_, 4);
    v.RlmBpp = checkedOr(rlmBits_, 4);
    v.GradientBpp = checkedOr(gradientBits_, 12);
    v.HistogramBpp = checkedOr(histogramBits_, 12);
    const int mode = normalisation_->checkedId();
    v.Normalisation = mode == 1 || mode == 2 ? mode : 0;
    QDialog::accept();
}
