#include "platform/qt/window_placement.h"

#include <QGuiApplication>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <algorithm>

#include "platform/screen_placement.h"

namespace platform {

namespace {

constexpr int kFramedDelayMs = 200;

void fitInsideScreen(QWidget* window) {
    if (window == nullptr || !window->isWindow()) return;
    QScreen* screen = window->screen();
    if (const QPoint centre = window->frameGeometry().center(); QGuiApplication::screenAt(centre))
        screen = QGuiApplication::screenAt(centre);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return;
    const QRect free = screen->availableGeometry();
    const QRect inner = window->geometry();
    QRect outer = window->frameGeometry();
    if (outer == inner) {
        // Not framed yet: allow for a title bar and thin borders.
        const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        outer = inner.adjusted(-4, -std::max(title, 24) - 4, 4, 4);
    }
    const ScreenRect placed = placeInside({outer.x(), outer.y(), outer.width(), outer.height()},
                                          {free.x(), free.y(), free.width(), free.height()});
    const int extraWidth = outer.width() - inner.width();
    const int extraHeight = outer.height() - inner.height();
    const bool fixed = window->minimumSize() == window->maximumSize();
    if (!fixed && (placed.width < outer.width() || placed.height < outer.height()))
        window->resize(std::max(placed.width - extraWidth, window->minimumWidth()),
                       std::max(placed.height - extraHeight, window->minimumHeight()));
    if (placed.x != outer.x() || placed.y != outer.y()) window->move(placed.x, placed.y);
}

}  // namespace

void keepInsideScreen(QWidget* window) {
    fitInsideScreen(window);
    // The window manager frames a new window a moment after it is shown; then
    // the real title bar counts.
    if (window != nullptr && window->isVisible())
        QTimer::singleShot(kFramedDelayMs, window, [target = QPointer<QWidget>(window)] {
            if (target && target->isVisible()) fitInsideScreen(target);
        });
}

}  // namespace platform
