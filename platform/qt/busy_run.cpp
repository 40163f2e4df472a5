#include "platform/qt/busy_run.h"

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>

namespace platform {

namespace {

int& busyDepth() {
    static int depth = 0;
    return depth;
}

bool isUserInput(QEvent::Type type) {
    switch (type) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::TabletPress:
        case QEvent::TabletRelease:
            return true;
        default:
            return false;
    }
}

class InputSink : public QObject {
  protected:
    bool eventFilter(QObject*, QEvent* event) override { return isUserInput(event->type()); }
};

}  // namespace

void repaintDiscardingInput() {
    InputSink sink;
    QCoreApplication::instance()->installEventFilter(&sink);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::instance()->removeEventFilter(&sink);
}

BusyRun::BusyRun(QWidget* commands)
    : commands_(commands), wasEnabled_(commands != nullptr && commands->isEnabled()) {
    ++busyDepth();
    if (commands_) commands_->setEnabled(false);
}

BusyRun::~BusyRun() {
    repaintDiscardingInput();
    if (commands_) commands_->setEnabled(wasEnabled_);
    --busyDepth();
}

bool BusyRun::active() {
    return busyDepth() > 0;
}

}  // namespace platform
