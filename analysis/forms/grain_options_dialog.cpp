#include "analysis/forms/grain_options_dialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

#include "platform/dialogs.h"
#include "platform/textformat.h"
#include "workspace/forms/dialog_parts.h"

namespace {

QString twoDecimals(double value) {
    return QString::fromStdString(platform::cformat("%.2f", value));
}

double editValue(const QLineEdit* edit) {
    return platform::cToReal(edit->text().toStdString());
}

}  // namespace

TOpZiarna::TOpZiarna(QWidget* owner) : QDialog(owner) {
    startOptionsDialog(*this, "OpZiarna", "Opcje Segmentacji Ziaren", values,
                       loadGrainOptionsFromRegistry);

    threshold_ = rangeSpinBox(this, 0, 4096);
    closingDepth_ = rangeSpinBox(this, 0, 32);
    minArea_ = rangeSpinBox(this, 0, 1024);
    grainsPerRoi_ = rangeSpinBox(this, 1, 32);
    auto* grid = new QGridLayout;
    int row = 0;
    for (auto [caption, box] : {std::pair{"Próg jasnosci", threshold_},
                                {"Glebokosc domykania morfologicznego", closingDepth_},
                                {"Minimalny obszar ziarna", minArea_},
                                {"Ziaren w ROI", grainsPerRoi_}}) {
        grid->addWidget(new QLabel(QString::fromUtf8(caption), this), row, 0);
        grid->addWidget(box, row++, 1);
    }

    setClassName_ = new QCheckBox("&Nadaj nazwe klasy", this);
    className_ = new QLineEdit(this);
    auto* classRow = new QHBoxLayout;
    classRow->addWidget(setClassName_);
    classRow->addWidget(new QLabel("Nazwa klasy", this));
    classRow->addWidget(className_);

    auto* geometry = new QGroupBox(this);
    doGeometry_ = new QCheckBox(QString::fromUtf8(kDoGeometryCaption), geometry);
    doGeometryP_ = new QCheckBox("Oblicz grubosci wzdluz &srednicy", geometry);
    pixels_ = new QLineEdit(geometry);
    units_ = new QLineEdit(geometry);
    ppu_ = new QLineEdit(geometry);
    auto* scale = new QHBoxLayout;
    scale->addWidget(new QLabel("Pikseli", geometry));
    scale->addWidget(pixels_);
    scale->addWidget(new QLabel("/ jednostek", geometry));
    scale->addWidget(units_);
    scale->addWidget(new QLabel("=", geometry));
    scale->addWidget(ppu_);
    auto* geometryLayout = new QVBoxLayout(geometry);
    geometryLayout->addWidget(doGeometry_);
    geometryLayout->addWidget(doGeometryP_);
    geometryLayout->addLayout(scale);

    useExtraFile_ = new QCheckBox(QString::fromUtf8(kUseExtraRoiCaption), this);
    extraFile_ = new QLineEdit(this);
    auto* open = new QPushButton("&Otworz", this);
    auto* extraRow = new QHBoxLayout;
    extraRow->addWidget(extraFile_);
    extraRow->addWidget(open);

    const OkCancelRow buttons = okCancelRow(this, "&Anuluj");

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addLayout(classRow);
    layout->addWidget(geometry);
    layout->addWidget(useExtraFile_);
    layout->addLayout(extraRow);
    layout->addLayout(buttons.row);

    connect(buttons.ok, &QPushButton::clicked, this, &TOpZiarna::okClick);
    connect(buttons.cancel, &QPushButton::clicked, this, &TOpZiarna::reject);
    connect(open, &QPushButton::clicked, this, &TOpZiarna::otworzClick);
    connect(setClassName_, &QCheckBox::toggled, this, [this] { classNameEnabled(); });
    // Shape features are measured per ROI: one grain per ROI while they are on.
    connect(grainsPerRoi_, &QSpinBox::textChanged, this, [this](const QString& text) {
        if (text != "1") doGeometry_->setChecked(false);
    });
    for (QCheckBox* box : {doGeometry_, doGeometryP_})
        connect(box, &QCheckBox::clicked, this, [this](bool on) {
            if (on) grainsPerRoi_->setValue(1);
        });
    // Checked when the edit is left, so that typing "0.5" does not stop at "0".
    for (QLineEdit* edit : {pixels_, units_})
        connect(edit, &QLineEdit::editingFinished, this, [this, edit] { scaleChange(edit); });
}

void TOpZiarna::showEvent(QShowEvent* event) {
    FormShow();
    QDialog::showEvent(event);
}

void TOpZiarna::FormShow() {
    accepted = 0;
    threshold_->setValue(values.Sg_threshold);
    closingDepth_->setValue(values.Sg_ClosingDepth);
    minArea_->setValue(values.Sg_minarea);
    grainsPerRoi_->setValue(values.Sg_GrainsPerRoi);
    setClassName_->setChecked(values.Sg_SetClassName);
    className_->setText(QString::fromStdString(values.Sg_ClassName));
    doGeometry_->setChecked(values.Sg_DoGeometry);
    doGeometryP_->setChecked(values.Sg_DoGeometryP);
    pixels_->setText(twoDecimals(values.Sg_Pixels));
    units_->setText(twoDecimals(values.Sg_Units));
    ppu_->setText(twoDecimals(values.Sg_PPU));
    extraFile_->setText(QString::fromStdString(extraRoiFile));
    useExtraFile_->setChecked(useExtraRoi);
    classNameEnabled();
}

void TOpZiarna::classNameEnabled() {
    const bool on = setClassName_->isChecked();
    className_->setEnabled(on);
    QPalette palette = className_->palette();
    palette.setColor(QPalette::Base,
                     on ? QPalette().color(QPalette::Base) : QPalette().color(QPalette::Button));
    className_->setPalette(palette);
}

void TOpZiarna::scaleChange(QLineEdit* edit) {
    const double v = editValue(edit);
    if (!std::isfinite(v) || v == 0) edit->setText(twoDecimals(0.01));
    const double pixels = editValue(pixels_);
    const double units = editValue(units_);
    if (std::isfinite(pixels) && std::isfinite(units) && units != 0)
        ppu_->setText(twoDecimals(pixels / units));
}

void TOpZiarna::otworzClick() {
    platform::FileDialogRequest request;
    request.title = kChooseRoiFileTitle;
    request.filter = kChooseRoiFileFilter;
    request.fileName = extraFile_->text().toStdString();
    auto answer = platform::showFileDialog(request);
    if (!answer.accepted) return;
    extraFile_->setText(QString::fromStdString(answer.path));
    useExtraFile_->setChecked(true);
}

void TOpZiarna::okClick() {
    values.Sg_threshold = threshold_->value();
    values.Sg_ClosingDepth = closingDepth_->value();
    values.Sg_minarea = minArea_->value();
    values.Sg_GrainsPerRoi = grainsPerRoi_->value();
    values.Sg_SetClassName = setClassName_->isChecked();
    values.Sg_ClassName = className_->text().toStdString();
    values.Sg_DoGeometry = doGeometry_->isChecked();
    values.Sg_DoGeometryP = doGeometryP_->isChecked();
    values.Sg_Pixels = editValue(pixels_);
    values.Sg_Units = editValue(units_);
    values.Sg_PPU = editValue(ppu_);
    extraRoiFile = extraFile_->text().toStdString();
    useExtraRoi = useExtraFile_->isChecked();
    accepted = 1;
    accept();
}
