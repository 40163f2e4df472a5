// The image cursors of the drawing tools, drawn here as small bitmaps, and the
// screen's cursor slots that the tools pick them from.
#pragma once

#include <QCursor>
#include <QPixmap>

// Slots 5..11: fill, pen, circle, rectangle, polygon, move, copy; slot 12:
// the cross. Any other slot gives the arrow.
QCursor toolCursor(int slot);

// The "intro" picture of the splash and About popup.
QPixmap introBitmap();
