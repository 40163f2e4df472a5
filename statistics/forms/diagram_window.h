// The frame r62's diagram windows (scatter plot, dendrogram, silhouettes)
// share: a top-level window owned by the main window, a menu bar with Save
// and Close, the picture the window shows and saves, the question on closing
// an unsaved picture, and the main window's flag that the window is open.
#pragma once

#include <QImage>
#include <QString>
#include <QWidget>
#include <cstdint>
#include <string>

#include "platform/dialogs.h"

class QAction;
class QMenuBar;
class QVBoxLayout;

// State the diagram windows share: whether the last diagram drawn has been
// saved, and the direction of the box's second axis.
struct DiagramState {
    uint8_t DiagramSaved = 0;
    uint8_t FlipYAxis = 1;
};
DiagramState& r62Diagram();
void resetR62Diagram();

inline constexpr char kDiagramNotSavedQuestion[] =
    "The diagram has not been saved.\rDo you want to save it now?";

// The save dialog until it is cancelled or a name is picked; an existing file
// is replaced only when the user agrees, otherwise the dialog comes back. The
// picture is written as a BMP file and DiagramSaved set. True when written.
bool saveDiagramBitmap(const QImage& picture, const std::string& filter);

// Closing a diagram window: unless the diagram has been saved, asks
// kDiagramNotSavedQuestion (Yes/No, with `icon`) and saves on Yes.
void offerToSaveDiagram(const QImage& picture, const std::string& filter,
                        platform::MessageIcon icon);

// Shows a picture 1:1 from its top-left corner.
class DiagramView : public QWidget {
  public:
    DiagramView(const QImage* picture, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    const QImage* picture_;
};

// What a diagram window is told when it is made.
struct DiagramFrame {
    const char* objectName = "";
    // The main window's flag, set while the window exists.
    uint8_t* openFlag = nullptr;
    const char* saveFilter = "";
    // The icon of the question asked when an unsaved picture is closed.
    platform::MessageIcon closeIcon = platform::MessageIcon::Question;
    Qt::WindowFlags extraFlags = {};
};

class DiagramWindow : public QWidget {
  public:
    ~DiagramWindow() override;

    QMenuBar* MainMenu1 = nullptr;
    QAction* saveItem = nullptr;
    QAction* closeItem = nullptr;

    const QImage& picture() const { return picture_; }

    // Save: the picture as a bitmap.
    void SaveClick();
    // Close: offers to save an unsaved picture, then closes.
    virtual void CloseClick();

    // "\"<data file>\" - <analysis>"
    static QString captionFor(const std::string& dataFileName, const std::string& analysisName);

    // Centred on `owner` (when there is one), kept inside the screen, shown.
    void showOver(QWidget* owner);

  protected:
    DiagramWindow(QWidget* owner, const DiagramFrame& frame);

    // The window's layout: the menu bar above, the window's content below.
    QVBoxLayout* frameLayout() const { return layout_; }

    // Every close, the title bar's too: the window's own release of what it
    // holds. The open flag is cleared after it.
    virtual void closing() {}

    void closeEvent(QCloseEvent* event) final;

    QImage picture_;

  private:
    QVBoxLayout* layout_ = nullptr;
    uint8_t* openFlag_ = nullptr;
    std::string saveFilter_;
    platform::MessageIcon closeIcon_;
};
