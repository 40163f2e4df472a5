// The "Image Info" window: one memo with tab stops that describes the loaded
// image and its file. It exists from start-up to exit and is reached through
// its global pointer.
#pragma once

#include <QWidget>
#include <string>

class QPlainTextEdit;

// The most values a line of the window holds after its label.
inline constexpr int kInfoValueColumns = 4;

class TImageInfoView : public QWidget {
    Q_OBJECT
  public:
    explicit TImageInfoView(QWidget* owner);
    QPlainTextEdit* memo() const { return memo_; }
    // Sets the memo's tab stops from its text: one column of values past
    // the widest label, then columns for the further values of a line.
    void alignColumns();

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    QPlainTextEdit* memo_;
};

// Clears the memo and, for a path, writes the image's lines: the size and
// range of the main window's image, then by `sourceCode` (0 bitmap or raw,
// 128 DICOM, else a scanner format id) what the file's header says.
void ImageInfoFill(TImageInfoView* window, const std::string& path, int sourceCode);
