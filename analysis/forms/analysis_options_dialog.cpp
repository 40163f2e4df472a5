#include "analysis/forms/analysis_options_dialog.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QSpinBox>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {

// The four state icons of the map tree: leaf off, leaf on, node without and
// node with a selected leaf.
QIcon stateIcon(int16_t state) {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setPen(Qt::black);
    if (state == kMapLeafOff || state == kMapLeafOn) {
        p.setBrush(Qt::white);
        p.drawRect(2, 2, 11, 11);
        if (state == kMapLeafOn) {
            p.setPen(QPen(QColor(0, 128, 0), 2));
            p.drawLine(4, 8, 7, 11);
            p.drawLine(7, 11, 12, 4);
        }
    } else {
        p.setBrush(QColor(230, 200, 110));
        p.drawRect(1, 4, 13, 9);
        p.drawRect(1, 2, 5, 2);
        if (state == kMapNodeSelected) {
            p.setBrush(QColor(0, 160, 0));
            p.drawEllipse(8, 8, 6, 6);
        }
    }
    return QIcon(pixmap);
}

}  // namespace

int32_t AnalysisOptionsDialog::shownBits(int32_t value, int32_t low, int32_t high,
                                         int32_t fallback) {
    return value >= low && value <= high ? value : fallback;
}

AnalysisOptionsDialog::AnalysisOptionsDialog(QWidget* parent, AnalysisSettings& settings,
                                             GrainOptions& grain)
    : QDialog(parent), settings_(settings), grain_(grain), edited_(settings.options) {
    setObjectName("OPCJE0");
    setWindowTitle("Vantu - options");
    tabs_ = new QTabWidget(this);
    tabs_->addTab(featuresPage(), "Features");
    tabs_->addTab(mapsPage(), "Maps");
    tabs_->addTab(waveletsPage(), "Wavelets");
    tabs_->addTab(geometryPage(), "Geometry");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &AnalysisOptionsDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &AnalysisOptionsDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs_);
    layout->addWidget(buttons);
}

QButtonGroup* AnalysisOptionsDialog::bitRadios(QWidget* parent, QLayout* layout, int high, int low,
                                               int32_t value) {
    auto* group = new QButtonGroup(parent);
    for (int bits = high; bits >= low; --bits) {
        auto* radio = new QRadioButton(QString::number(bits), parent);
        radio->setChecked(bits == value);
        group->addButton(radio, bits);
        layout->addWidget(radio);
    }
    return group;
}

QWidget* AnalysisOptionsDialog::featuresPage() {
    auto* page = new QWidget;
    page->setObjectName("OPCJE1");
    auto* grid = new QGridLayout(page);
    // Kept under the caption without its Alt key marker.
    auto check = [&](const char* caption, int32_t value) {
        auto* box = new QCheckBox(caption, page);
        box->setChecked(value != 0);
        checks_[QString(caption).remove('&').toStdString()] = box;
        return box;
    };
    // Bit counts without a radio of their own are shown, and taken, as the default choice.
    edited_.Ng_rl = shownBits(edited_.Ng_rl, 4, 8, 8);
    edited_.Ng_vt = shownBits(edited_.Ng_vt, 4, 8, 8);
    edited_.Ng_gr = shownBits(edited_.Ng_gr, 4, 12, 4);

    grid->addWidget(check("&RLM features", edited_.Do_rl), 0, 0);
    auto* rl = new QGroupBox("RLM &bits/pixel", page);
    rlBits_ = bitRadios(rl, new QHBoxLayout(rl), 8, 4, edited_.Ng_rl);
    grid->addWidget(rl, 1, 0);

    grid->addWidget(check("&COM features", edited_.Do_co), 2, 0);
    auto* co = new QGroupBox("COM bits/&pixel          Distances", page);
    auto* coLayout = new QGridLayout(co);
    auto* coBitsRow = new QHBoxLayout;
    coBits_ = bitRadios(co, coBitsRow, 8, 4, edited_.Ng_vt);
    coLayout->addLayout(coBitsRow, 0, 0);
    auto* distances = new QHBoxLayout;
    const int32_t vt[] = {edited_.Do_vt1, edited_.Do_vt2, edited_.Do_vt3, edited_.Do_vt4,
                          edited_.Do_vt5};
    for (int d = 1; d <= 5; ++d) {
        auto* box = new QCheckBox("&" + QString::number(d), co);
        box->setChecked(vt[d - 1] != 0);
        checks_["distance" + std::to_string(d)] = box;
        distances->addWidget(box);
    }
    coLayout->addLayout(distances, 0, 1);
    grid->addWidget(co, 3, 0);

    grid->addWidget(check("&Gradient features", edited_.Do_grad), 4, 0);
    auto* gr = new QGroupBox("Gr&adient bits/pixel", page);
    grBits_ = bitRadios(gr, new QHBoxLayout(gr), 12, 4, edited_.Ng_gr);
    grid->addWidget(gr, 5, 0);

    auto* normal = new QGroupBox("&Normalisation", page);
    auto* normalLayout = new QVBoxLayout(normal);
    normal_ = new QButtonGroup(normal);
    // A stored mode 3 has no radio: none is checked, and the mode stays.
    normal_->setExclusive(false);
    const char* modes[] = {"Default", "+/- 3 sigma", "1% - 99%"};
    for (int m = 0; m < 3; ++m) {
        auto* radio = new QRadioButton(modes[m], normal);
        radio->setAutoExclusive(false);
        radio->setChecked(edited_.Do_normal == m);
        normal_->addButton(radio, m);
        normalLayout->addWidget(radio);
    }
    connect(normal_, &QButtonGroup::idClicked, this, [this](int id) {
        for (QAbstractButton* b : normal_->buttons()) b->setChecked(normal_->id(b) == id);
    });
    grid->addWidget(normal, 0, 1, 3, 1);
    grid->addWidget(check("&Histogram features", edited_.Do_hist), 3, 1);
    grid->addWidget(check("AR &model", edited_.Do_arm), 4, 1);
    return page;
}

QWidget* AnalysisOptionsDialog::mapsPage() {
    auto* page = new QWidget;
    page->setObjectName("OPCJE2");
    auto* layout = new QHBoxLayout(page);
    tree_ = new QTreeWidget(page);
    tree_->setHeaderHidden(true);
    for (int i = 0; i < kMapTreeSize; ++i) {
        const MapTreeEntry& entry = edited_.Maps_Tree[static_cast<size_t>(i)];
        QTreeWidgetItem* item =
            entry.parent < 0 ? new QTreeWidgetItem(tree_)
                             : new QTreeWidgetItem(items_[static_cast<size_t>(entry.parent)]);
        item->setText(0,
                      QString::fromUtf8(entry.label.data(), static_cast<int>(entry.label.size())));
        item->setData(0, Qt::UserRole, i);
        items_[static_cast<size_t>(i)] = item;
    }
    layout->addWidget(tree_, 1);

    auto* side = new QVBoxLayout;
    select_ = new QRadioButton("&Select", page);
    clear_ = new QRadioButton("C&lear", page);
    select_->setEnabled(false);
    clear_->setEnabled(false);
    side->addWidget(select_);
    side->addWidget(clear_);
    auto chosen = [this]() -> int {
        QTreeWidgetItem* item = tree_->currentItem();
        return item ? item->data(0, Qt::UserRole).toInt() : -1;
    };
    connect(tree_, &QTreeWidget::currentItemChanged, this, [this] {
        select_->setEnabled(true);
        clear_->setEnabled(true);
    });
    connect(select_, &QRadioButton::clicked, this, [this, chosen] {
        if (chosen() >= 0) setTreeEntry(chosen(), true);
    });
    connect(clear_, &QRadioButton::clicked, this, [this, chosen] {
        if (chosen() >= 0) setTreeEntry(chosen(), false);
    });
    connect(tree_, &QTreeWidget::itemDoubleClicked, this,
            [this](QTreeWidgetItem* item) { toggleLeaf(item->data(0, Qt::UserRole).toInt()); });
    tree_->viewport()->installEventFilter(this);
    side->addWidget(new QLabel("Features selected", page));
    selectedCount_ = new QLineEdit(page);
    selectedCount_->setReadOnly(true);
    side->addWidget(selectedCount_);

    auto spin = [&](int32_t value, int low, int high) {
        auto* box = new QSpinBox(page);
        box->setRange(low, high);
        box->setValue(std::clamp(value, low, high));
        return box;
    };
    maskStep_ = {spin(edited_.Mask_x, 5, 64), spin(edited_.Mask_y, 5, 64),
                 spin(edited_.Step_x, 1, 64), spin(edited_.Step_y, 1, 64)};
    auto* mask = new QGroupBox("&Mask", page);
    auto* maskGrid = new QGridLayout(mask);
    auto* picture = new QLabel(mask);
    picture->setFixedSize(32, 32);
    picture->setFrameShape(QFrame::Box);
    maskGrid->addWidget(picture, 0, 0);
    maskGrid->addWidget(maskStep_[1], 0, 1);  // height, beside the picture
    maskGrid->addWidget(maskStep_[0], 1, 0);  // width, below it
    side->addWidget(mask);
    auto* step = new QGroupBox("S&tep", page);
    auto* stepGrid = new QGridLayout(step);
    stepGrid->addWidget(maskStep_[3], 0, 1);
    stepGrid->addWidget(maskStep_[2], 1, 0);
    side->addWidget(step);
    auto* normal = new QGroupBox("&Normalisation", page);
    auto* normalLayout = new QVBoxLayout(normal);
    normapImage_ = new QRadioButton("image", normal);
    normapMask_ = new QRadioButton("mask", normal);
    normapMask_->setChecked(edited_.Do_normap == 1);
    normapImage_->setChecked(edited_.Do_normap != 1);
    normalLayout->addWidget(normapImage_);
    normalLayout->addWidget(normapMask_);
    side->addWidget(normal);
    side->addStretch(1);
    layout->addLayout(side);
    refreshTree();
    return page;
}

void AnalysisOptionsDialog::setTreeEntry(int index, bool on) {
    MapTree& tree = edited_.Maps_Tree;
    for (int i = 0; i < kMapTreeSize; ++i) {
        // The entry itself when it is a leaf, else every leaf below it.
        bool below = i == index;
        for (int p = tree[static_cast<size_t>(i)].parent; !below && p >= 0;
             p = tree[static_cast<size_t>(p)].parent)
            below = p == index;
        if (below && isMapTreeLeaf(i))
            tree[static_cast<size_t>(i)].state = on ? kMapLeafOn : kMapLeafOff;
    }
    refreshTree();
}

void AnalysisOptionsDialog::toggleLeaf(int index) {
    if (!isMapTreeLeaf(index)) return;
    setTreeEntry(index, edited_.Maps_Tree[static_cast<size_t>(index)].state != kMapLeafOn);
}

bool AnalysisOptionsDialog::eventFilter(QObject* watched, QEvent* event) {
    const bool press =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick;
    if (tree_ == nullptr || watched != tree_->viewport() || !press)
        return QDialog::eventFilter(watched, event);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    const QPoint at = mouse->position().toPoint();
    QTreeWidgetItem* item = tree_->itemAt(at);
    if (mouse->button() != Qt::LeftButton || item == nullptr)
        return QDialog::eventFilter(watched, event);
    const int index = item->data(0, Qt::UserRole).toInt();
    const int icon = tree_->iconSize().isValid()
                         ? tree_->iconSize().width()
                         : tree_->style()->pixelMetric(QStyle::PM_SmallIconSize, nullptr, tree_);
    const QRect row = tree_->visualItemRect(item);
    // The icon with the style's small margin on either side.
    const QRect box(row.left(), row.top(), icon + 8, row.height());
    if (!isMapTreeLeaf(index) || !box.contains(at)) return QDialog::eventFilter(watched, event);
    tree_->setCurrentItem(item);
    toggleLeaf(index);
    return true;
}

void AnalysisOptionsDialog::refreshTree() {
    updateMapTreeNodes(edited_.Maps_Tree);
    for (int i = 0; i < kMapTreeSize; ++i)
        items_[static_cast<size_t>(i)]->setIcon(
            0, stateIcon(edited_.Maps_Tree[static_cast<size_t>(i)].state));
    selectedCount_->setText(QString::number(countSelectedMapLeaves(edited_.Maps_Tree)));
}

QWidget* AnalysisOptionsDialog::waveletsPage() {
    auto* page = new QWidget;
    page->setObjectName("OPCJE3");
    auto* layout = new QHBoxLayout(page);
    edited_.Ng_wav = shownBits(edited_.Ng_wav, 4, 12, 8);
    auto* bits = new QGroupBox("Image &bits/pixel", page);
    wavBits_ = bitRadios(bits, new QVBoxLayout(bits), 12, 4, edited_.Ng_wav);
    layout->addWidget(bits);
    auto* features = new QGroupBox("Features", page);
    auto* featureLayout = new QVBoxLayout(features);
    for (auto [caption, value] :
         {std::pair<const char*, int32_t>{"Calculate &Energy", edited_.Do_wavF1},
          {"Calculate M&oment", edited_.Do_wavF2},
          {"Show &Map", edited_.Do_wavMap}}) {
        auto* box = new QCheckBox(caption, features);
        box->setChecked(value != 0);
        checks_[QString(caption).remove('&').toStdString()] = box;
        featureLayout->addWidget(box);
    }
    checks_["Calculate Moment"]->setVisible(false);
    layout->addWidget(features);
    return page;
}

QWidget* AnalysisOptionsDialog::geometryPage() {
    auto* page = new QWidget;
    page->setObjectName("OPCJE4");
    auto* layout = new QVBoxLayout(page);
    auto* group = new QGroupBox("Geometry", page);
    auto* groupLayout = new QVBoxLayout(group);
    geometry_ = new QCheckBox("Calculate &geometry parameters", group);
    geometry_->setChecked(grain_.Sg_DoGeometry);
    connect(geometry_, &QCheckBox::clicked, this, [this] { geometryClicked_ = true; });
    groupLayout->addWidget(geometry_);
    layout->addWidget(group);
    layout->addStretch(1);
    return page;
}

void AnalysisOptionsDialog::accept() {
    auto on = [this](const std::string& caption) { return checks_[caption]->isChecked() ? 1 : 0; };
    AnalysisOptions& o = edited_;
    // Features.
    o.Do_rl = on("RLM features");
    o.Do_co = on("COM features");
    o.Do_grad = on("Gradient features");
    o.Do_hist = on("Histogram features");
    o.Do_arm = on("AR model");
    o.Do_vt1 = on("distance1");
    o.Do_vt2 = on("distance2");
    o.Do_vt3 = on("distance3");
    o.Do_vt4 = on("distance4");
    o.Do_vt5 = on("distance5");
    o.Ng_rl = rlBits_->checkedId() > 0 ? rlBits_->checkedId() : o.Ng_rl;
    o.Ng_vt = coBits_->checkedId() > 0 ? coBits_->checkedId() : o.Ng_vt;
    o.Ng_gr = grBits_->checkedId() > 0 ? grBits_->checkedId() : o.Ng_gr;
    for (QAbstractButton* b : normal_->buttons())
        if (b->isChecked()) o.Do_normal = normal_->id(b);
    // Maps.
    o.Mask_x = maskStep_[0]->value();
    o.Mask_y = maskStep_[1]->value();
    o.Step_x = maskStep_[2]->value();
    o.Step_y = maskStep_[3]->value();
    o.Do_normap = normapMask_->isChecked() ? 1 : 0;
    // Wavelets.
    o.Ng_wav = wavBits_->checkedId() > 0 ? wavBits_->checkedId() : o.Ng_wav;
    o.Do_wavF1 = on("Calculate Energy");
    o.Do_wavF2 = on("Calculate Moment");
    o.Do_wavMap = on("Show Map");
    settings_.options = o;
    settings_.saveFlag = true;
    // Geometry: only a click on the box changes the shape switches.
    if (geometryClicked_) {
        grain_.Sg_DoGeometry = geometry_->isChecked();
        grain_.Sg_DoGeometryP = false;
        grain_.Sg_Pixels = grain_.Sg_Units = grain_.Sg_PPU = 1.0;
    }
    QDialog::accept();
}
