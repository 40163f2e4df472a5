// The "Remark" window: the name (remark, class name) of one ROI, edited from
// its selector panel. It exists from start-up to exit and is reached through
// its global pointer.
#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class RoiPanel;
class Tvantu;

class TRoiRemark : public QDialog {
    Q_OBJECT
  public:
    explicit TRoiRemark(QWidget* owner);

    // The panel whose hint is edited; set before showing.
    RoiPanel* panel = nullptr;

    QLineEdit* remarkEdit() const { return edit_; }
    QLabel* remarkLabel() const { return label_; }

    void accept() override;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    QLabel* label_;
    QLineEdit* edit_;
};

// A double click or right-button release on selector panel `roi` (1..16):
// the remark window for that panel, modal.
void showRoiRemark(Tvantu* window, int roi);
