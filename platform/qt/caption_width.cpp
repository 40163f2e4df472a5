#include "platform/qt/caption_width.h"

#include <QDialog>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QWidget>
#include <algorithm>

namespace platform {

namespace {

// Window managers draw four buttons (icon, minimise, maximise, close) of
// about 22 pixels each and margins at both ends of the bar and around the
// caption; measured on openbox's default theme, with room to spare for
// larger ones.
constexpr int kTitleBarButtons = 4;
constexpr int kTitleBarButtonWidth = 26;
constexpr int kTitleBarMargins = 40;

}  // namespace

int captionFitWidth(const QString& caption) {
    // The manager's own font is not known to Qt; the system's title font in
    // bold is as wide as the usual themes' or wider.
    QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
    font.setBold(true);
    const int text = QFontMetrics(font).horizontalAdvance(caption);
    return text + kTitleBarButtons * kTitleBarButtonWidth + kTitleBarMargins;
}

void fitCaption(QWidget* window) {
    if (window == nullptr || !window->isWindow()) return;
    if (window->windowType() != Qt::Dialog && qobject_cast<QDialog*>(window) == nullptr) return;
    QString caption = window->windowTitle();
    caption.remove("[*]");
    if (caption.isEmpty()) return;
    // The frame's sides are not part of the widget.
    const int frame = std::max(0, window->frameGeometry().width() - window->geometry().width());
    const int needed = captionFitWidth(caption) - frame;
    if (window->minimumWidth() >= needed) return;
    if (window->maximumWidth() < needed) window->setMaximumWidth(needed);
    window->setMinimumWidth(needed);
}

}  // namespace platform
