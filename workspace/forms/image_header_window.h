// The "ImageHeader" window: a single memo, "HeaderText". It is created at
// start-up, reached through its global pointer, and no command shows it.
#pragma once

#include <QWidget>

class QPlainTextEdit;

class TImageHeader : public QWidget {
    Q_OBJECT
  public:
    explicit TImageHeader(QWidget* owner);
    QPlainTextEdit* headerText() const { return HeaderText; }

  private:
    QPlainTextEdit* HeaderText;
};
