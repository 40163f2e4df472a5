#include "platform/qt/window_placement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <algorithm>

#include "platform/qt/caption_width.h"
#include "platform/screen_placement.h"

namespace platform {

namespace {

constexpr int kFramedDelayMs = 200;
constexpr int kFramedTries = 5;

// The screen a window is on: the one under its centre, else its own.
QScreen* screenOf(const QWidget* window) {
    QScreen* screen = window->screen();
    if (const QPoint centre = window->frameGeometry().center(); QGuiApplication::screenAt(centre))
        screen = QGuiApplication::screenAt(centre);
    return screen != nullptr ? screen : QGuiApplication::primaryScreen();
}

// The window's frame; before the window manager has framed it, a title bar
// and thin borders are allowed for.
QRect frameOf(const QWidget* window) {
    const QRect inner = window->geometry();
    const QRect outer = window->frameGeometry();
    if (outer != inner) return outer;
    const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
    return inner.adjusted(-4, -std::max(title, 24) - 4, 4, 4);
}

ScreenRect screenRect(const QRect& rect) {
    return {rect.x(), rect.y(), rect.width(), rect.height()};
}

// Where the client goes for its frame, still to come, to stand at `placed`.
QRect clientInside(const ScreenRect& placed, const QRect& inner, const QRect& outer,
                   const QSize& size) {
    return {QPoint(placed.x + (inner.x() - outer.x()), placed.y + (inner.y() - outer.y())), size};
}

// True when the window's frame is known (the window manager has framed it).
bool fitInsideScreen(QWidget* window) {
    if (window == nullptr || !window->isWindow()) return true;
    QScreen* screen = screenOf(window);
    if (screen == nullptr) return true;
    const QRect free = screen->availableGeometry();
    const QRect inner = window->geometry();
    const QRect outer = frameOf(window);
    const bool framed = window->frameGeometry() != inner;
    const ScreenRect placed = placeInside(screenRect(outer), screenRect(free));
    const int extraWidth = outer.width() - inner.width();
    const int extraHeight = outer.height() - inner.height();
    const bool fixed = window->minimumSize() == window->maximumSize();
    QSize size = inner.size();
    if (!fixed && (placed.width < outer.width() || placed.height < outer.height()))
        size = QSize(std::max(placed.width - extraWidth, window->minimumWidth()),
                     std::max(placed.height - extraHeight, window->minimumHeight()));
    if (size != inner.size()) window->resize(size);
    if (placed.x == outer.x() && placed.y == outer.y()) return framed;
    if (framed) {
        window->move(placed.x, placed.y);
    } else if (window->testAttribute(Qt::WA_Moved)) {
        // Before the frame is known a move would put the client where the
        // frame should be (the title bar off the top): the client goes
        // inside the frame that is expected.
        window->setGeometry(clientInside(placed, inner, outer, size));
    }
    // A window nobody placed is left to the window manager until framed.
    return framed;
}

bool placedWindow(const QWidget* widget) {
    if (!widget->isWindow()) return false;
    switch (widget->windowType()) {
        case Qt::Popup:
        case Qt::ToolTip:
        case Qt::Desktop:
            return false;
        default:
            return true;
    }
}

class ShowPlacement : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show && watched->isWidgetType()) {
            auto* widget = static_cast<QWidget*>(watched);
            if (!placedWindow(widget)) return false;
            fitCaption(widget);
            keepInsideScreen(widget);
        }
        return false;
    }
};

}  // namespace

void keepWindowsInsideScreen(QApplication& app) {
    app.installEventFilter(new ShowPlacement(&app));
}

void keepOnTopOnlyWhileActive(QApplication& app) {
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &app,
                     [](Qt::ApplicationState state) {
                         const bool active = state == Qt::ApplicationActive;
                         for (QWidget* window : QApplication::topLevelWidgets()) {
                             // Only the native window changes: the widget keeps
                             // its flag, which says where its boxes belong.
                             if (!window->windowFlags().testFlag(Qt::WindowStaysOnTopHint) ||
                                 window->windowType() == Qt::SplashScreen)
                                 continue;
                             if (QWindow* native = window->windowHandle())
                                 native->setFlag(Qt::WindowStaysOnTopHint, active);
                         }
                         // Coming back on top, a window may land over the box
                         // that waits for an answer.
                         if (QWidget* box = QApplication::activeModalWidget(); active && box)
                             box->raise();
                     });
}

namespace {

// The window manager frames a new window a moment after it is shown; then
// the real title bar counts. Asked again a few times until the frame is known.
void checkWhenFramed(QWidget* window, int triesLeft) {
    QTimer::singleShot(kFramedDelayMs, window, [target = QPointer<QWidget>(window), triesLeft] {
        if (!target || !target->isVisible()) return;
        if (!fitInsideScreen(target) && triesLeft > 1) checkWhenFramed(target, triesLeft - 1);
    });
}

}  // namespace

void keepInsideScreen(QWidget* window) {
    fitInsideScreen(window);
    if (window != nullptr && window->isVisible()) checkWhenFramed(window, kFramedTries);
}

namespace {

// True when both frames are known.
bool moveBeside(QWidget* window, const QWidget* other) {
    QScreen* screen = screenOf(other);
    if (screen == nullptr) return true;
    const QRect outer = frameOf(window);
    const QRect otherFrame = frameOf(other);
    // The other window's title bar and, below it, its menu bar stay in reach.
    int keepBottom = other->geometry().top();
    if (const auto* menu = other->findChild<QMenuBar*>(QString(), Qt::FindDirectChildrenOnly);
        menu != nullptr && menu->isVisible())
        keepBottom = menu->mapToGlobal(QPoint(0, menu->height())).y();
    const QRect keep(otherFrame.topLeft(), QPoint(otherFrame.right(), keepBottom - 1));
    const ScreenRect placed =
        placeBeside(outer.width(), outer.height(), screenRect(otherFrame), screenRect(keep),
                    screenRect(screen->availableGeometry()));
    const QRect inner = window->geometry();
    const QSize size(inner.width() - (outer.width() - placed.width),
                     inner.height() - (outer.height() - placed.height));
    if (size != inner.size()) window->resize(size);
    // A frame already known is moved by its corner; an expected one by the
    // client inside it.
    const bool windowFramed = window->frameGeometry() != inner;
    if (windowFramed)
        window->move(placed.x, placed.y);
    else
        window->setGeometry(clientInside(placed, inner, outer, size));
    return windowFramed && other->frameGeometry() != other->geometry();
}

void placeBesideWhenFramed(QWidget* window, const QWidget* other, int triesLeft) {
    QTimer::singleShot(
        kFramedDelayMs, window,
        [target = QPointer<QWidget>(window), beside = QPointer<const QWidget>(other), triesLeft] {
            if (!target || !beside || !target->isVisible()) return;
            if (!moveBeside(target, beside) && triesLeft > 1)
                placeBesideWhenFramed(target, beside, triesLeft - 1);
        });
}

}  // namespace

void placeBeside(QWidget* window, const QWidget* other) {
    if (window == nullptr || other == nullptr || !window->isWindow()) return;
    const QWidget* beside = other->window();
    moveBeside(window, beside);
    if (window->isVisible()) placeBesideWhenFramed(window, beside, kFramedTries);
}

}  // namespace platform
