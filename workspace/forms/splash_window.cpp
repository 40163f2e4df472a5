#include "workspace/forms/splash_window.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <QTimerEvent>

#include "workspace/forms/tool_cursors.h"

int SplashState = 1;

namespace {
QPointer<SplashWindow> openSplash;
}

SplashWindow::SplashWindow()
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("KWL_INTRO");
    setAttribute(Qt::WA_DeleteOnClose);
    setCursor(Qt::BusyCursor);
    setFixedSize(introBitmap().size());
    if (SplashState <= 1) timerId_ = startTimer(kSplashMilliseconds, Qt::PreciseTimer);
    QCoreApplication::instance()->installEventFilter(this);
}

bool SplashWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == this || !watched->isWidgetType()) return false;
    const auto* widget = static_cast<QWidget*>(watched);
    const bool modalOpens = event->type() == QEvent::Show && widget->isWindow() &&
                            widget->windowModality() != Qt::NonModal;
    const bool input =
        event->type() == QEvent::MouseButtonPress || event->type() == QEvent::KeyPress;
    if (modalOpens || (input && SplashState > 1)) {
        // Closed early, the start-up popup counts as having run its time.
        if (timerId_ != 0) killTimer(timerId_);
        timerId_ = 0;
        SplashState = 2;
        close();
    }
    return false;
}

void SplashWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, introBitmap());
}

void SplashWindow::input() {
    if (SplashState > 1) close();
}

void SplashWindow::keyPressEvent(QKeyEvent*) {
    input();
}
void SplashWindow::mousePressEvent(QMouseEvent*) {
    input();
}

void SplashWindow::timerEvent(QTimerEvent* event) {
    if (event->timerId() != timerId_) return;
    killTimer(timerId_);
    timerId_ = 0;
    SplashState = 2;
    close();
}

int ShowSplashWindow() {
    auto* splash = new SplashWindow;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect area = screen->geometry();
        splash->move(area.x() + (area.width() - splash->width()) / 2,
                     area.y() + (area.height() - splash->height()) / 2);
    }
    splash->show();
    splash->raise();
    openSplash = splash;
    return 0;
}

void raiseSplashWindow() {
    if (openSplash) openSplash->raise();
}
