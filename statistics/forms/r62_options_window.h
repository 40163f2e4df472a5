// r62's options window: the feature selection, the standardisation switch,
// the network parameters and the clustering parameters. Modeless, on top of
// the main window, freed when closed; while it is open the main window's
// analysis commands do nothing. Every accepted entry takes effect at once,
// the feature selection when the window closes.
#pragma once

#include <QWidget>

#include "statistics/core/r62_options.h"

class QButtonGroup;
class QCheckBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

class TOptionsWin : public QWidget {
    Q_OBJECT
  public:
    // Sets OptionsWindowOpen; the caller shows the window.
    explicit TOptionsWin(QWidget* owner);
    ~TOptionsWin() override;

    QCheckBox* StdDataBox = nullptr;
    QListWidget* clbxFeature2 = nullptr;
    QTabWidget* PageControl1 = nullptr;
    QLineEdit* GLayerEdit = nullptr;
    QLineEdit* HLayerEdit = nullptr;
    QLineEdit* bpetaEdit = nullptr;
    QLineEdit* bpIterEdit = nullptr;
    QLineEdit* optyIterEdit = nullptr;
    QLineEdit* SelCategoryEdit = nullptr;
    QLineEdit* ClustNoEdit = nullptr;
    QButtonGroup* RadioGroup1 = nullptr;  // distance metric, ids 0..3
    QButtonGroup* RadioGroup2 = nullptr;  // linking method, ids 0..2
    QPushButton* ClrOptionsBtn = nullptr;
    QPushButton* Button1 = nullptr;
    // Beside each OK; Escape does the same.
    QPushButton* cancelButtons[2] = {nullptr, nullptr};

    // Shows the options and the feature list as they are now.
    void FormCreate();

    void StdDataBoxClick();
    void RadioGroup1Click();
    void RadioGroup2Click();
    void ClrOptionsBtnClick();
    void Button1Click();
    // Cancel: the options go back to what they were when the window opened,
    // the feature selection stays as it was, and the window closes.
    void CancelClick();

    // On every change of an edit's text.
    void GLayerEditChange();
    void HLayerEditChange();
    void bpetaEditChange();
    void bpIterEditChange();
    void optyIterEditChange();
    void SelCategoryEditChange();
    void ClustNoEditChange();

    // When focus leaves an edit: it shows the option's value again.
    void GLayerEditExit();
    void HLayerEditExit();
    void bpetaEditExit();
    void bpIterEditExit();
    void optyIterEditExit();
    void SelectedCategoryEditExit();
    void ClustNoEditExit();

  protected:
    // Any way of closing: the checked features become the selection.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Return is OK, Escape is Cancel.
    void keyPressEvent(QKeyEvent* event) override;

  private:
    void createControls();
    void connectHandlers();
    // Shows what a filter decided: a reset rewrites the text and says why.
    void showOutcome(QLineEdit* edit, const EditOutcome& outcome);
    static void setEditText(QLineEdit* edit, const std::string& text);

    R62Options atOpening_;
    bool cancelled_ = false;
};

// "&Options": creates the window with `owner` as its owner, centred on it
// and inside the screen, and shows it.
TOptionsWin* OpenOptionsWindow(QWidget* owner);
