// The "Color conversion" window: how colour pictures become grey (the colour
// mode) and an optional forced feature-name prefix; Reload reads the current
// image again with the chosen mode. It exists from start-up to exit and is
// reached through its global pointer.
#pragma once

#include <QDialog>
#include <array>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QRadioButton;

class TFormColor : public QDialog {
    Q_OBJECT
  public:
    explicit TFormColor(QWidget* owner);

    static constexpr int kMaxPrefixLength = 3;

    QRadioButton* modeButton(int mode) const;
    QCheckBox* forcePrefixBox() const { return force_; }
    QLineEdit* prefixEdit() const { return prefix_; }
    QPushButton* reloadButton() const { return reload_; }
    // The mode whose button is checked (0 when none is).
    int checkedMode() const;

    void accept() override;
    // Reload: the checked mode applies, the window closes and the image file
    // is opened again.
    void reloadClick();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void modeClicked();
    void prefixEdited(const QString& text);

    std::array<QRadioButton*, 8> modes_{};
    QCheckBox* force_;
    QLineEdit* prefix_;
    QPushButton* reload_;
};
