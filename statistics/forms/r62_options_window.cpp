#include "statistics/forms/r62_options_window.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <vector>

#include "platform/dialogs.h"
#include "platform/qt/window_placement.h"
#include "statistics/core/data/data_set.h"
#include "statistics/core/r62_shell.h"

namespace {

constexpr int kWindowWidth = 520;
constexpr int kWindowHeight = 285;
constexpr int kEditWidth = 64;

QLineEdit* makeEdit(QWidget* parent, const char* name) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(name);
    edit->setFixedWidth(kEditWidth);
    return edit;
}

QButtonGroup* makeRadioGroup(QGroupBox* box, const std::vector<const char*>& captions) {
    auto* group = new QButtonGroup(box);
    auto* layout = new QVBoxLayout(box);
    layout->setContentsMargins(6, 2, 6, 2);
    layout->setSpacing(1);
    int id = 0;
    for (const char* caption : captions) {
        auto* button = new QRadioButton(caption, box);
        group->addButton(button, id++);
        layout->addWidget(button);
    }
    layout->addStretch();
    return group;
}

QHBoxLayout* okCancelRow(QPushButton* ok, QPushButton* cancel) {
    cancel->setObjectName("Cancel");
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    return row;
}

}  // namespace

TOptionsWin::TOptionsWin(QWidget* owner)
    : QWidget(owner, Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint) {
    setObjectName("OptionsWin");
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle("r62 - Options");
    setFixedSize(kWindowWidth, kWindowHeight);
    createControls();
    r62Shell().OptionsWindowOpen = 1;
    atOpening_ = r62Options();
    FormCreate();
    connectHandlers();
}

TOptionsWin::~TOptionsWin() {
    // Also when the window goes with its owner, without being closed.
    r62Shell().OptionsWindowOpen = 0;
}

void TOptionsWin::createControls() {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 8, 8, 8);
    layout->setSpacing(8);

    auto* left = new QVBoxLayout();
    left->setSpacing(4);
    StdDataBox = new QCheckBox("&Feature standardization", this);
    StdDataBox->setObjectName("StdDataBox");
    left->addWidget(StdDataBox);
    left->addWidget(new QLabel("Feature selection box", this));
    clbxFeature2 = new QListWidget(this);
    clbxFeature2->setObjectName("clbxFeature2");
    left->addWidget(clbxFeature2, 1);
    layout->addLayout(left, 0);

    PageControl1 = new QTabWidget(this);
    PageControl1->setObjectName("PageControl1");
    layout->addWidget(PageControl1, 1);
    PageControl1->setFixedWidth(310);

    // "Classification": the network parameters and the one-class category.
    auto* classification = new QWidget(PageControl1);
    auto* classLayout = new QVBoxLayout(classification);
    classLayout->setContentsMargins(6, 4, 6, 4);
    classLayout->setSpacing(3);
    auto* network = new QGroupBox("Neural network parameters", classification);
    auto* networkForm = new QFormLayout(network);
    networkForm->setContentsMargins(6, 2, 6, 2);
    networkForm->setVerticalSpacing(1);
    GLayerEdit = makeEdit(network, "GLayerEdit");
    HLayerEdit = makeEdit(network, "HLayerEdit");
    bpetaEdit = makeEdit(network, "bpetaEdit");
    bpIterEdit = makeEdit(network, "bpIterEdit");
    optyIterEdit = makeEdit(network, "optyIterEdit");
    networkForm->addRow("&1st hidden layer <1..10>", GLayerEdit);
    networkForm->addRow("&2nd hidden layer <2..3>", HLayerEdit);
    networkForm->addRow("backprop &eta <0.01-0.99>", bpetaEdit);
    networkForm->addRow("backprop &iter. limit <50k..1M>", bpIterEdit);
    networkForm->addRow("&optimization iter. limit <1..1000>", optyIterEdit);
    classLayout->addWidget(network);
    auto* category = new QGroupBox("Classification", classification);
    auto* categoryForm = new QFormLayout(category);
    categoryForm->setContentsMargins(6, 2, 6, 2);
    SelCategoryEdit = makeEdit(category, "SelCategoryEdit");
    categoryForm->addRow("Selected &category", SelCategoryEdit);
    classLayout->addWidget(category);
    classLayout->addStretch();
    ClrOptionsBtn = new QPushButton("OK", classification);
    ClrOptionsBtn->setObjectName("ClrOptionsBtn");
    cancelButtons[0] = new QPushButton("Cancel", classification);
    classLayout->addLayout(okCancelRow(ClrOptionsBtn, cancelButtons[0]));
    PageControl1->addTab(classification, "Classification");

    // "Clustering": the hierarchical methods and the number of k-means clusters.
    auto* clustering = new QWidget(PageControl1);
    auto* clusterLayout = new QVBoxLayout(clustering);
    clusterLayout->setContentsMargins(6, 4, 6, 4);
    clusterLayout->setSpacing(3);
    auto* hierarchical = new QGroupBox("Hierarchical Clustering Parameters", clustering);
    auto* radios = new QHBoxLayout(hierarchical);
    radios->setContentsMargins(6, 2, 6, 2);
    auto* metric = new QGroupBox("&Distance metric", hierarchical);
    RadioGroup1 = makeRadioGroup(metric, {"Euclidean", "S-Euclidean", "Mahalanobis", "City Block"});
    auto* linkage = new QGroupBox("&Linking method", hierarchical);
    RadioGroup2 = makeRadioGroup(linkage, {"Single", "Complete", "Average"});
    radios->addWidget(metric);
    radios->addWidget(linkage);
    clusterLayout->addWidget(hierarchical);
    auto* partitioning = new QGroupBox("Partitioning Clustering Parameters", clustering);
    auto* partitioningForm = new QFormLayout(partitioning);
    partitioningForm->setContentsMargins(6, 2, 6, 2);
    ClustNoEdit = makeEdit(partitioning, "ClustNoEdit");
    partitioningForm->addRow("&Number of clusters", ClustNoEdit);
    clusterLayout->addWidget(partitioning);
    clusterLayout->addStretch();
    Button1 = new QPushButton("OK", clustering);
    Button1->setObjectName("Button1");
    cancelButtons[1] = new QPushButton("Cancel", clustering);
    clusterLayout->addLayout(okCancelRow(Button1, cancelButtons[1]));
    PageControl1->addTab(clustering, "Clustering");

    for (QLineEdit* edit : {GLayerEdit, HLayerEdit, bpetaEdit, bpIterEdit, optyIterEdit,
                            SelCategoryEdit, ClustNoEdit})
        edit->installEventFilter(this);
}

void TOptionsWin::FormCreate() {
    const R62Options& options = r62Options();
    StdDataBox->setChecked(options.StandardizeData != 0);
    clbxFeature2->clear();
    for (const FeatureListItem& item : featureListItems(r62Data())) {
        auto* row = new QListWidgetItem(QString::fromStdString(item.name), clbxFeature2);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(item.checked ? Qt::Checked : Qt::Unchecked);
    }
    setEditText(GLayerEdit, integerEditText(options.GLayer));
    setEditText(HLayerEdit, integerEditText(options.HLayer));
    setEditText(bpetaEdit, etaEditText(options.eta));
    setEditText(bpIterEdit, integerEditText(options.bpIterLimit));
    setEditText(optyIterEdit, integerEditText(options.optyIterLimit));
    setEditText(SelCategoryEdit, integerEditText(options.SelectedCategory));
    setEditText(ClustNoEdit, integerEditText(options.ClustNo));
    if (QAbstractButton* button = RadioGroup1->button(options.DistanceMetric))
        button->setChecked(true);
    if (QAbstractButton* button = RadioGroup2->button(options.LinkageMethod))
        button->setChecked(true);
}

void TOptionsWin::connectHandlers() {
    connect(StdDataBox, &QCheckBox::toggled, this, [this] { StdDataBoxClick(); });
    connect(RadioGroup1, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) RadioGroup1Click();
    });
    connect(RadioGroup2, &QButtonGroup::idToggled, this, [this](int, bool on) {
        if (on) RadioGroup2Click();
    });
    connect(ClrOptionsBtn, &QPushButton::clicked, this, [this] { ClrOptionsBtnClick(); });
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    for (QPushButton* cancel : cancelButtons)
        connect(cancel, &QPushButton::clicked, this, [this] { CancelClick(); });
    const std::pair<QLineEdit*, void (TOptionsWin::*)()> changes[] = {
        {GLayerEdit, &TOptionsWin::GLayerEditChange},
        {HLayerEdit, &TOptionsWin::HLayerEditChange},
        {bpetaEdit, &TOptionsWin::bpetaEditChange},
        {bpIterEdit, &TOptionsWin::bpIterEditChange},
        {optyIterEdit, &TOptionsWin::optyIterEditChange},
        {SelCategoryEdit, &TOptionsWin::SelCategoryEditChange},
        {ClustNoEdit, &TOptionsWin::ClustNoEditChange},
    };
    for (const auto& [edit, handler] : changes)
        connect(edit, &QLineEdit::textChanged, this,
                [this, handler = handler] { (this->*handler)(); });
}

void TOptionsWin::setEditText(QLineEdit* edit, const std::string& text) {
    edit->setText(QString::fromStdString(text));
}

void TOptionsWin::showOutcome(QLineEdit* edit, const EditOutcome& outcome) {
    if (outcome.action != EditAction::Reset) return;
    setEditText(edit, outcome.resetText);
    platform::showMessage("r62", outcome.message);
}

void TOptionsWin::StdDataBoxClick() {
    r62Options().StandardizeData = StdDataBox->isChecked() ? 1 : 0;
}

void TOptionsWin::RadioGroup1Click() {
    const int id = RadioGroup1->checkedId();
    if (id >= 0) r62Options().DistanceMetric = static_cast<uint8_t>(id);
}

void TOptionsWin::RadioGroup2Click() {
    const int id = RadioGroup2->checkedId();
    if (id >= 0) r62Options().LinkageMethod = static_cast<uint8_t>(id);
}

void TOptionsWin::ClrOptionsBtnClick() {
    close();
}

void TOptionsWin::Button1Click() {
    ClrOptionsBtn->click();
}

void TOptionsWin::CancelClick() {
    r62Options() = atOpening_;
    cancelled_ = true;
    close();
}

void TOptionsWin::keyPressEvent(QKeyEvent* event) {
    // The edits leave Return to the window, so it reaches OK from anywhere.
    switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            // On a button it presses that button (Cancel stays Cancel).
            if (auto* button = qobject_cast<QPushButton*>(focusWidget()))
                button->click();
            else
                ClrOptionsBtn->click();
            return;
        case Qt::Key_Escape:
            CancelClick();
            return;
        default:
            QWidget::keyPressEvent(event);
    }
}

void TOptionsWin::GLayerEditChange() {
    showOutcome(GLayerEdit, ::GLayerEditChange(r62Options(), GLayerEdit->text().toStdString()));
}

void TOptionsWin::HLayerEditChange() {
    showOutcome(HLayerEdit, ::HLayerEditChange(r62Options(), HLayerEdit->text().toStdString()));
}

void TOptionsWin::bpetaEditChange() {
    showOutcome(bpetaEdit, ::bpetaEditChange(r62Options(), bpetaEdit->text().toStdString()));
}

void TOptionsWin::bpIterEditChange() {
    showOutcome(bpIterEdit, ::bpIterEditChange(r62Options(), bpIterEdit->text().toStdString()));
}

void TOptionsWin::optyIterEditChange() {
    showOutcome(optyIterEdit,
                ::optyIterEditChange(r62Options(), optyIterEdit->text().toStdString()));
}

void TOptionsWin::SelCategoryEditChange() {
    showOutcome(SelCategoryEdit,
                ::SelCategoryEditChange(r62Options(), SelCategoryEdit->text().toStdString(),
                                        r62Data().CategoryCount));
}

void TOptionsWin::ClustNoEditChange() {
    showOutcome(ClustNoEdit, ::ClustNoEditChange(r62Options(), ClustNoEdit->text().toStdString(),
                                                 r62Data().SampleCount));
}

void TOptionsWin::GLayerEditExit() {
    setEditText(GLayerEdit, integerEditText(r62Options().GLayer));
}

void TOptionsWin::HLayerEditExit() {
    setEditText(HLayerEdit, integerEditText(r62Options().HLayer));
}

void TOptionsWin::bpetaEditExit() {
    setEditText(bpetaEdit, etaEditText(r62Options().eta));
}

void TOptionsWin::bpIterEditExit() {
    setEditText(bpIterEdit, integerEditText(r62Options().bpIterLimit));
}

void TOptionsWin::optyIterEditExit() {
    setEditText(optyIterEdit, integerEditText(r62Options().optyIterLimit));
}

void TOptionsWin::SelectedCategoryEditExit() {
    setEditText(SelCategoryEdit, integerEditText(r62Options().SelectedCategory));
}

void TOptionsWin::ClustNoEditExit() {
    setEditText(ClustNoEdit, integerEditText(r62Options().ClustNo));
}

bool TOptionsWin::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusOut) {
        // Focus moving to another control leaves the edit; the window losing
        // activation (a message box, another program) does not.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (watched == GLayerEdit) GLayerEditExit();
            if (watched == HLayerEdit) HLayerEditExit();
            if (watched == bpetaEdit) bpetaEditExit();
            if (watched == bpIterEdit) bpIterEditExit();
            if (watched == optyIterEdit) optyIterEditExit();
            if (watched == SelCategoryEdit) SelectedCategoryEditExit();
            if (watched == ClustNoEdit) ClustNoEditExit();
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TOptionsWin::closeEvent(QCloseEvent* event) {
    r62Shell().OptionsWindowOpen = 0;
    if (!cancelled_) {
        std::vector<bool> checked;
        for (int k = 0; k < clbxFeature2->count(); ++k)
            checked.push_back(clbxFeature2->item(k)->checkState() == Qt::Checked);
        applyFeatureChecks(r62Data(), checked);
    }
    event->accept();
}

TOptionsWin* OpenOptionsWindow(QWidget* owner) {
    auto* window = new TOptionsWin(owner);
    if (owner) {
        const QPoint centre = owner->geometry().center();
        window->move(centre.x() - window->width() / 2, centre.y() - window->height() / 2);
    }
    platform::keepInsideScreen(window);
    window->show();
    platform::keepInsideScreen(window);
    return window;
}
