// For tests on a real X display with a window manager: where windows lie in
// the manager's stacking order, read from the root window's client stacking
// list with xprop.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDialog>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace platform::testing {

inline QString xprop(const QStringList& arguments) {
    QProcess process;
    process.start("xprop", arguments);
    if (!process.waitForFinished(5000)) return {};
    return QString::fromLocal8Bit(process.readAllStandardOutput());
}

// The property outlives a manager that has quit: its check window must exist.
inline bool windowManagerRuns() {
    static const QRegularExpression id("window id # (0x[0-9a-fA-F]+)");
    const auto match = id.match(xprop({"-root", "-notype", "_NET_SUPPORTING_WM_CHECK"}));
    return match.hasMatch() &&
           xprop({"-id", match.captured(1), "-notype", "_NET_SUPPORTING_WM_CHECK"})
               .contains("window id");
}

// The client windows from bottom to top.
inline std::vector<WId> stacking() {
    std::vector<WId> ids;
    const QString text = xprop({"-root", "-notype", "_NET_CLIENT_LIST_STACKING"});
    static const QRegularExpression hex("0x[0-9a-fA-F]+");
    for (auto match = hex.globalMatch(text); match.hasNext();)
        ids.push_back(static_cast<WId>(match.next().captured().toULongLong(nullptr, 16)));
    return ids;
}

inline bool onTop(const QWidget* window) {
    const std::vector<WId> ids = stacking();
    return !ids.empty() && ids.back() == window->winId();
}

// True when the manager stacks `upper` above `lower`.
inline bool stackedAbove(const QWidget* upper, const QWidget* lower) {
    const std::vector<WId> ids = stacking();
    const auto at = [&](const QWidget* window) {
        return std::find(ids.begin(), ids.end(), window->winId()) - ids.begin();
    };
    return at(upper) < static_cast<std::ptrdiff_t>(ids.size()) && at(upper) > at(lower);
}

// Waits until the window manager lists `window` on top of every other.
inline bool becomesTop(const QWidget* window) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        if (onTop(window)) return true;
        QTest::qWait(50);
    }
    return false;
}

// The title of the window on top, for failure messages.
inline std::string topWindowName() {
    const std::vector<WId> ids = stacking();
    if (ids.empty()) return "nothing";
    return xprop({"-id", QString::number(ids.back()), "WM_NAME"}).trimmed().toStdString();
}

// Why stacking cannot be tested here, or empty when it can: an X display,
// xprop, and a window manager. When none runs, openbox is started once for
// the test program and ended when it exits.
inline std::string windowManagerReady() {
    if (QGuiApplication::platformName() != "xcb") return "no X display";
    if (QStandardPaths::findExecutable("xprop").isEmpty()) return "no xprop";
    if (windowManagerRuns()) return {};
    if (QStandardPaths::findExecutable("openbox").isEmpty()) return "no openbox";
    static QProcess* wm = nullptr;
    if (wm == nullptr) {
        wm = new QProcess;
        std::atexit([] {
            wm->terminate();
            wm->waitForFinished(3000);
        });
    }
    if (wm->state() == QProcess::NotRunning) wm->start("openbox", {"--sm-disable"});
    QElapsedTimer clock;
    clock.start();
    while (!windowManagerRuns() && clock.elapsed() < 5000) QTest::qWait(50);
    if (!windowManagerRuns()) return "openbox did not start";
    QTest::qWait(300);  // the manager takes over the screen
    return {};
}

// The user works in `window`. (Whether the window manager gives it the focus
// does not matter: a box must come on top either way.)
inline void workIn(QWidget* window) {
    window->activateWindow();
    QTest::qWait(100);
}

// Runs `open`, which blocks in modal boxes or dialogs one after the other:
// as each shows, records whether it came on top of the stacking order, then
// dismisses it with the next of `dismissals`. True when as many boxes showed
// as there are dismissals and each came on top.
inline bool modalsOnTop(const std::function<void()>& open,
                        const std::vector<std::function<void(QWidget*)>>& dismissals) {
    size_t seen = 0;
    bool top = true;
    QPointer<QWidget> last;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (seen == dismissals.size() || modal == nullptr || modal == last || !modal->isVisible())
            return;
        last = modal;
        const std::function<void(QWidget*)>& dismiss = dismissals[seen++];
        if (!becomesTop(modal)) {
            top = false;
            ADD_FAILURE() << "\"" << modal->windowTitle().toStdString() << "\" under "
                          << topWindowName();
        }
        dismiss(modal);
    });
    poll.start();
    open();
    poll.stop();
    if (seen != dismissals.size()) ADD_FAILURE() << seen << " of " << dismissals.size() << " shown";
    return seen == dismissals.size() && top;
}

inline bool modalOnTop(const std::function<void()>& open,
                       const std::function<void(QWidget*)>& dismiss) {
    return modalsOnTop(open, {dismiss});
}

inline void press(QWidget* box, QMessageBox::StandardButton which) {
    if (auto* message = qobject_cast<QMessageBox*>(box)) message->button(which)->click();
}

inline void reject(QWidget* dialog) {
    if (auto* modal = qobject_cast<QDialog*>(dialog)) modal->reject();
}

}  // namespace platform::testing
