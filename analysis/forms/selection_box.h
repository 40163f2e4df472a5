// The result box of the feature ranking ("SELECTION"): the criterion's
// title, the result table as read-only text with tab stops every 70 dialog
// units (70, 140, 210, 280, 350), and OK / Cancel. Closing it is Cancel.
#pragma once

#include <QDialog>
#include <string>

class QPlainTextEdit;
class QPushButton;

class TSelectionBox : public QDialog {
    Q_OBJECT
  public:
    TSelectionBox(QWidget* owner, const std::string& title, const std::string& text);

    QPlainTextEdit* textBox() const { return text_; }
    QPushButton* okButton() const { return ok_; }
    QPushButton* cancelButton() const { return cancel_; }
    // The pixels of n horizontal dialog units in the box's font.
    int dialogUnitsToPixels(int units) const;

  private:
    QPlainTextEdit* text_;
    QPushButton* ok_;
    QPushButton* cancel_;
};

// Shows the box modally; true when the user chose OK.
bool showSelectionBox(QWidget* owner, const std::string& title, const std::string& text);
