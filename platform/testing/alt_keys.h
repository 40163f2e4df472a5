// Every labelled control of a window is reached with an Alt key, and no two
// controls of one window page share a key: the check both programs' tests run
// over every window they open.
//
// A radio button needs no key of its own inside a group box that has one:
// the group's key moves to it and the arrow keys choose (bit-depth radios
// all read as digits, so one window could not give each its own). "OK" and
// "Cancel" are Enter and Esc. Pages of a tab widget are apart from each
// other; the window's own controls and its menu bar's titles are part of
// every page.
#pragma once

#include <QAbstractButton>
#include <QGroupBox>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QTabWidget>
#include <QToolButton>
#include <QWidget>
#include <string>
#include <vector>

namespace platform::testing {

inline QString altKeyOf(const QString& text) {
    return QKeySequence::mnemonic(text).toString();
}

namespace detail {

// The tab page `widget` lies on, or its window.
inline const QWidget* pageOf(const QWidget* widget) {
    for (const QWidget* at = widget; at != nullptr && !at->isWindow(); at = at->parentWidget()) {
        const QWidget* parent = at->parentWidget();
        if (qobject_cast<const QStackedWidget*>(parent) != nullptr &&
            qobject_cast<const QTabWidget*>(parent->parentWidget()) != nullptr)
            return at;
    }
    return widget->window();
}

inline bool groupHasKey(const QWidget* widget) {
    for (const QWidget* at = widget->parentWidget(); at != nullptr && !at->isWindow();
         at = at->parentWidget())
        if (const auto* group = qobject_cast<const QGroupBox*>(at))
            if (!altKeyOf(group->title()).isEmpty()) return true;
    return false;
}

// The caption of a control that takes an Alt key, and whether it must have one.
inline bool caption(const QWidget* widget, QString& text, bool& needsKey) {
    needsKey = true;
    if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
        if (qobject_cast<const QToolButton*>(widget) != nullptr) return false;  // icons
        text = button->text();
        QString plain = text;
        plain.remove('&');
        if (qobject_cast<const QPushButton*>(widget) != nullptr &&
            (plain == "OK" || plain == "Cancel"))
            needsKey = false;
        if (qobject_cast<const QRadioButton*>(widget) != nullptr && groupHasKey(widget))
            needsKey = false;
        return !text.isEmpty();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(widget)) {
        text = group->title();
        needsKey = group->isCheckable();
        return !text.isEmpty();
    }
    if (const auto* label = qobject_cast<const QLabel*>(widget)) {
        text = label->text();
        // One without a buddy counts only where it shows a key it cannot have.
        return !text.isEmpty() &&
               (label->buddy() != nullptr ||
                (label->textFormat() != Qt::RichText && !altKeyOf(text).isEmpty()));
    }
    return false;
}

}  // namespace detail

// What is wrong with the Alt keys of `window`'s controls ("" when nothing):
// controls without a key, and keys two controls of one page share.
inline std::string altKeyFaults(const QWidget* window) {
    struct Control {
        const QWidget* page;
        QString text;
    };
    std::vector<Control> controls;
    std::string faults;
    for (const QWidget* widget : window->findChildren<QWidget*>()) {
        if (widget->window() != window) continue;
        if (const auto* bar = qobject_cast<const QMenuBar*>(widget)) {
            for (const QAction* menu : bar->actions())
                if (menu->isVisible() && !altKeyOf(menu->text()).isEmpty())
                    controls.push_back({window, menu->text()});
            continue;
        }
        const QWidget* page = detail::pageOf(widget);
        QString text;
        bool needsKey = false;
        if (!widget->isVisibleTo(page) || !detail::caption(widget, text, needsKey)) continue;
        // A label's key works, and shows as a key, only with a buddy.
        const auto* label = qobject_cast<const QLabel*>(widget);
        if (label != nullptr && label->buddy() == nullptr) {
            faults += "key without buddy: " + text.toStdString() + "; ";
            continue;
        }
        if (altKeyOf(text).isEmpty()) {
            if (needsKey) faults += "no key: " + text.toStdString() + "; ";
            continue;
        }
        controls.push_back({page, text});
    }
    for (size_t i = 0; i < controls.size(); ++i)
        for (size_t j = i + 1; j < controls.size(); ++j) {
            const Control& a = controls[i];
            const Control& b = controls[j];
            const bool together = a.page == b.page || a.page == window || b.page == window;
            if (together && altKeyOf(a.text) == altKeyOf(b.text))
                faults +=
                    "shared key: " + a.text.toStdString() + " / " + b.text.toStdString() + "; ";
        }
    return faults;
}

}  // namespace platform::testing
