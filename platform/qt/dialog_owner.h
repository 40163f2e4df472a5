// A dialog created once under one window but opened from several.
#pragma once

class QDialog;
class QWidget;

namespace platform {

// Runs `dialog` modally as a box of `owner`'s window, then gives it back to
// the window it belonged to. Under its creator's window the window manager
// would raise that window with the box, over the window the user asked from.
int execOwnedBy(QDialog* dialog, QWidget* owner);

}  // namespace platform
