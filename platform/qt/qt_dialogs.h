// The dialog seam's backend for a person at the screen: Qt message boxes and
// file dialogs.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/dialogs.h"

class QWidget;

namespace platform {

// True when the program runs on Qt's offscreen platform: nothing is shown and
// nobody can answer a box.
bool noDisplay();

// The window that boxes and dialogs belong to when the active window cannot
// hold them (the main window); nullptr for none. Kept as a guarded pointer,
// so a destroyed owner is never used.
void setDialogOwner(QWidget* owner);

// The parent of a box or dialog opened now: the active window unless it is
// a splash, popup or tool tip or not shown; while none is active (a box has
// just closed) or a popup is, the window of ours last active that is still
// shown; else (and while the splash is active) the owner, else none. A
// parent that frees itself while the box runs takes the box with it; the
// backend then takes the box as cancelled. While a window of the program
// that stays on top is shown, that window is the parent (unless the parent
// stays on top itself), and boxes and dialogs stay on top too.
QWidget* dialogParent();

class QtDialogs : public DialogBackend {
  public:
    enum class Mode {
        Interactive,  // Qt boxes and dialogs
        Unattended,   // boxes written to standard error, default answers, dialogs cancelled
    };
    // Unattended exactly when there is no display.
    QtDialogs();
    explicit QtDialogs(Mode mode);

    MessageResult messageBox(const MessageRequest& request) override;
    FileDialogResult fileDialog(const FileDialogRequest& request) override;

    Mode mode() const { return mode_; }

  private:
    Mode mode_;
};

// "Options (*.ini)|*.ini" -> {"Options (*.ini)"}: qtNameFilterStrings as Qt strings.
QStringList qtNameFilters(const std::string& filter);

}  // namespace platform
