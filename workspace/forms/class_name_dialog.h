// The "Class Name" window: the class name and use of one ROI column of a
// report, and how far a change reaches. The caller sets the fields, runs it
// modally and reads them back; it exists from start-up to exit and is
// reached through its global pointer.
#pragma once

#include <QDialog>
#include <array>
#include <string>

class QCheckBox;
class QLabel;
class QLineEdit;
class QRadioButton;

class TOptionsClass : public QDialog {
    Q_OBJECT
  public:
    explicit TOptionsClass(QWidget* owner);

    static constexpr int kMaxClassNameLength = 255;

    std::string className;  // at most kMaxClassNameLength characters after OK
    int useFlag = 1;        // 1 use for discriminative analysis, 0 not; -1 after Cancel
    int scope = 0;          // 1 this column, 2 its class, 3 the document; 0 none chosen
    int roiNumber = 1;      // shown in the label

    QCheckBox* useBox() const { return use_; }
    QLineEdit* nameEdit() const { return name_; }
    QLabel* nameLabel() const { return label_; }
    // The "Apply changes to:" button of scope 1..3.
    QRadioButton* scopeButton(int value) const;

    void accept() override;
    void reject() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QCheckBox* use_;
    QLabel* label_;
    QLineEdit* name_;
    std::array<QRadioButton*, 3> scopes_{};
};
