// Keeps a top-level window inside the free area of the screen it opens on.
#pragma once

class QApplication;
class QWidget;

namespace platform {

// Moves `window` (and shrinks it when it is larger than the screen's free
// area) so that its frame lies inside that area. Before the window manager
// has framed the window, the frame is taken as a title bar of the style's
// height above it; for a shown window the check runs once more a moment
// later, with the real frame. A window with a fixed size is only moved.
void keepInsideScreen(QWidget* window);

// Places `window` beside the window of `other` on that one's screen (see
// platform::placeBeside): clear of it where there is room, never over its
// title bar or menu bar. For a shown window the placement is made once more
// a moment later, when both frames are known.
void placeBeside(QWidget* window, const QWidget* other);

// From now on every window `app` shows (not its menus, pop-ups and tool
// tips) goes through keepInsideScreen as it is shown: a window never opens
// partly off the screen, whatever size or remembered position it had. A
// dialog is first widened to show its whole caption (fitCaption).
void keepWindowsInsideScreen(QApplication& app);

// From now on the windows of `app` that stay on top do so only while `app`
// is the program in use: when another program is activated they go back
// among the other windows (so they never hide that program's boxes), and
// they come back on top, the box that waits for an answer over them, when
// `app` is activated again.
void keepOnTopOnlyWhileActive(QApplication& app);

}  // namespace platform
