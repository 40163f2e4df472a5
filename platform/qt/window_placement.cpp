#include "platform/qt/window_placement.h"

#include <QApplication>
#include <QEvent>
#include <QGuiApplication>
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

// True when the window's frame is known (the window manager has framed it).
bool fitInsideScreen(QWidget* window) {
    if (window == nullptr || !window->isWindow()) return true;
    QScreen* screen = window->screen();
    if (const QPoint centre = window->frameGeometry().center(); QGuiApplication::screenAt(centre))
        screen = QGuiApplication::screenAt(centre);
    if (screen == nullptr) screen = QGuiApplication::primaryScreen();
    if (screen == nullptr) return true;
    const QRect free = screen->availableGeometry();
    const QRect inner = window->geometry();
    QRect outer = window->frameGeometry();
    const bool framed = outer != inner;
    if (!framed) {
        // Not framed yet: allow for a title bar and thin borders.
        const int title = window->style()->pixelMetric(QStyle::PM_TitleBarHeight, nullptr, window);
        outer = inner.adjusted(-4, -std::max(title, 24) - 4, 4, 4);
    }
    const ScreenRect placed = placeInside({outer.x(), outer.y(), outer.width(), outer.height()},
                                          {free.x(), free.y(), free.width(), free.height()});
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
        window->setGeometry(QRect(
            QPoint(placed.x + (inner.x() - outer.x()), placed.y + (inner.y() - outer.y())), size));
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

}  // namespace platform
