// Keeps a top-level window inside the free area of the screen it opens on.
#pragma once

class QWidget;

namespace platform {

// Moves `window` (and shrinks it when it is larger than the screen's free
// area) so that its frame lies inside that area. Before the window manager
// has framed the window, the frame is taken as a title bar of the style's
// height above it; for a shown window the check runs once more a moment
// later, with the real frame. A window with a fixed size is only moved.
void keepInsideScreen(QWidget* window);

}  // namespace platform
