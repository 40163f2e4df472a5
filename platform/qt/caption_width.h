// A dialog as wide as its caption: the window manager cuts a caption that is
// wider than the title bar's room ("3D load o... s"), so a short dialog is
// widened until its caption fits beside the title bar's buttons.
#pragma once

class QString;
class QWidget;

namespace platform {

// The outer width a title bar needs to show `caption` whole: the caption in
// the bold title font, with room for the manager's icon, minimise, maximise
// and close buttons and its margins.
int captionFitWidth(const QString& caption);

// Widens a dialog (also one of fixed size) whose caption would be cut; other
// windows are left as they are.
void fitCaption(QWidget* window);

}  // namespace platform
