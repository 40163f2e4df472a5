#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <cstdio>
#include <type_traits>
#include <vector>

#include "platform/name_filters.h"

namespace platform {

namespace {

struct ButtonSpec {
    QMessageBox::StandardButton qt;
    MessageResult result;
};

std::vector<ButtonSpec> buttonsOf(MessageButtons buttons) {
    using B = QMessageBox;
    switch (buttons) {
        case MessageButtons::Ok:
            return {{B::Ok, MessageResult::Ok}};
        case MessageButtons::OkCancel:
            return {{B::Ok, MessageResult::Ok}, {B::Cancel, MessageResult::Cancel}};
        case MessageButtons::YesNo:
            return {{B::Yes, MessageResult::Yes}, {B::No, MessageResult::No}};
        case MessageButtons::YesNoCancel:
            return {{B::Yes, MessageResult::Yes},
                    {B::No, MessageResult::No},
                    {B::Cancel, MessageResult::Cancel}};
        case MessageButtons::RetryCancel:
            return {{B::Retry, MessageResult::Retry}, {B::Cancel, MessageResult::Cancel}};
        case MessageButtons::AbortRetryIgnore:
            return {{B::Abort, MessageResult::Abort},
                    {B::Retry, MessageResult::Retry},
                    {B::Ignore, MessageResult::Ignore}};
    }
    return {{B::Ok, MessageResult::Ok}};
}

QMessageBox::Icon iconOf(MessageIcon icon) {
    switch (icon) {
        case MessageIcon::Warning:
            return QMessageBox::Warning;
        case MessageIcon::Error:
            return QMessageBox::Critical;
        case MessageIcon::Information:
            return QMessageBox::Information;
        case MessageIcon::Question:
            return QMessageBox::Question;
        case MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

QPointer<QWidget>& owner() {
    static QPointer<QWidget> window;
    return window;
}

// A window no box should belong to: one that closes by itself at any moment
// (a splash, a popup, a tool tip) or one that is not shown.
bool unfitParent(const QWidget* window) {
    const Qt::WindowType type = window->windowType();
    return type == Qt::SplashScreen || type == Qt::Popup || type == Qt::ToolTip ||
           !window->isVisible();
}

// The program's windows in the order they were last active, the latest
// last. Between a box closing and the window manager activating the next
// window, no window is active: a box asked for then belongs to the window
// the user worked in, not to the owner.
std::vector<QPointer<QWidget>>& activationHistory() {
    static std::vector<QPointer<QWidget>> history;
    return history;
}

void rememberActive(QWidget* window) {
    auto& history = activationHistory();
    std::erase_if(history, [window](const QPointer<QWidget>& entry) {
        return entry.isNull() || entry.data() == window;
    });
    history.emplace_back(window);
}

// The window most lately active that is still shown (a box that closed is
// not), or none.
QWidget* lastActiveWindow() {
    const auto& history = activationHistory();
    for (auto entry = history.rbegin(); entry != history.rend(); ++entry)
        if (!entry->isNull() && !unfitParent(entry->data())) return entry->data();
    return nullptr;
}

// Keeps the history from the first box or owner on; once per application.
void followActivation() {
    static QPointer<QCoreApplication> followed;
    QCoreApplication* app = QCoreApplication::instance();
    if (app == nullptr || followed == app || qobject_cast<QApplication*>(app) == nullptr) return;
    followed = app;
    QObject::connect(qApp, &QGuiApplication::focusWindowChanged, qApp, [] {
        if (QWidget* active = QApplication::activeWindow(); active && !unfitParent(active))
            rememberActive(active);
    });
}

bool staysOnTop(const QWidget* window) {
    return window->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
}

// A shown window of the program that stays on top (a splash excepted, which
// goes by itself): the active one when it is such a window, else the last.
QWidget* shownOnTopWindow() {
    QWidget* found = nullptr;
    for (QWidget* window : QApplication::topLevelWidgets()) {
        if (unfitParent(window) || !staysOnTop(window)) continue;
        if (window == QApplication::activeWindow()) return window;
        found = window;
    }
    return found;
}

// A box or dialog must never open under a window that stays on top: it
// would block all input while nobody can see it.
bool keepOnTop() {
    return shownOnTopWindow() != nullptr;
}

// Runs a box or dialog made on the heap. Its parent may be deleted while it
// runs (a window that frees itself when closed), taking the box with it:
// then `answer` is not asked and `gone` is returned.
template <typename Box, typename Answer, typename Result>
Result runGuarded(Box* box, Answer answer, Result gone) {
    if (keepOnTop()) {
        box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
        if constexpr (std::is_same_v<Box, QFileDialog>)
            box->setOption(QFileDialog::DontUseNativeDialog);
    }
    // A window manager that guards the focus may map a box it did not see the
    // user ask for (one opened at the end of a run, say) below the active
    // window; once shown, the box asks to be raised and activated.
    QTimer::singleShot(0, box, [box] {
        box->raise();
        box->activateWindow();
    });
    QPointer<Box> guard(box);
    const int code = box->exec();
    if (guard.isNull()) return gone;
    Result result = answer(code);
    delete box;
    return result;
}

void writeToStandardError(const std::string& text) {
    std::fputs(text.c_str(), stderr);
    std::fflush(stderr);
}

}  // namespace

bool noDisplay() {
    return QGuiApplication::platformName() == QLatin1String("offscreen");
}

void setDialogOwner(QWidget* window) {
    followActivation();
    owner() = window;
}

QWidget* dialogParent() {
    followActivation();
    QWidget* active = QApplication::activeWindow();
    QWidget* parent = nullptr;
    if (active != nullptr && !unfitParent(active)) {
        parent = active;
        rememberActive(active);
    } else if (active == nullptr || active->windowType() != Qt::SplashScreen) {
        // The splash is above every window, the user works in none of them.
        parent = lastActiveWindow();
    }
    if (parent == nullptr) parent = owner().data();
    // While a window stays on top, a box that belongs to a window under it
    // is made that window's child too: window managers keep a child above
    // its parent, but may map a box of another window below the one that
    // has the focus.
    if (parent == nullptr || !staysOnTop(parent))
        if (QWidget* top = shownOnTopWindow()) return top;
    return parent;
}

QtDialogs::QtDialogs() : mode_(noDisplay() ? Mode::Unattended : Mode::Interactive) {
    followActivation();
}

QtDialogs::QtDialogs(Mode mode) : mode_(mode) {
    followActivation();
}

MessageResult QtDialogs::messageBox(const MessageRequest& request) {
    if (mode_ == Mode::Unattended) {
        writeToStandardError(unattendedMessageText(request));
        return unattendedAnswer(request);
    }
    auto* box = new QMessageBox(iconOf(request.icon), QString::fromStdString(request.caption),
                                QString::fromStdString(displayText(request.text)),
                                QMessageBox::NoButton, dialogParent());
    auto specs = buttonsOf(request.buttons);
    for (const auto& spec : specs) box->addButton(spec.qt);
    size_t def = request.defaultButton >= 0 ? static_cast<size_t>(request.defaultButton) : 0;
    if (def >= specs.size()) def = 0;
    box->setDefaultButton(specs[def].qt);
    // Closing the box with its title bar or Escape answers like Cancel where
    // there is one; so does a box that went with its window.
    MessageResult dismissed = specs.size() == 1 ? specs[0].result : MessageResult::Cancel;
    for (const auto& spec : specs)
        if (spec.result == MessageResult::Cancel) dismissed = spec.result;
    return runGuarded(
        box,
        [&](int) {
            auto* clicked = box->clickedButton();
            for (const auto& spec : specs)
                if (clicked == box->button(spec.qt)) return spec.result;
            return dismissed;
        },
        dismissed);
}

QStringList qtNameFilters(const std::string& filter) {
    QStringList list;
    for (const std::string& entry : qtNameFilterStrings(filter))
        list << QString::fromStdString(entry);
    return list;
}

namespace {

FileDialogResult fileDialogResult(const QFileDialog& dialog, int code, const QStringList& filters,
                                  const FileDialogRequest& request) {
    FileDialogResult result;
    if (code != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
    result.accepted = true;
    // A save dialog's bare name is left as typed: the seam gives it the
    // extension of the filter chosen at the end (a fixed default suffix
    // would name a bitmap ".roi").
    const std::string extension =
        request.kind == FileDialogKind::Save ? std::string() : request.defaultExtension;
    result.path = withDefaultExtension(dialog.selectedFiles().front().toStdString(), extension);
    if (request.multiSelect)
        for (const QString& file : dialog.selectedFiles())
            result.paths.push_back(withDefaultExtension(file.toStdString(), extension));
    qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    result.filterIndex = chosen >= 0 ? static_cast<int>(chosen) + 1 : request.filterIndex;
    return result;
}

}  // namespace

FileDialogResult QtDialogs::fileDialog(const FileDialogRequest& request) {
    if (mode_ == Mode::Unattended) {
        writeToStandardError(request.title + ": no display, cancelled\n");
        return {};
    }
    auto* dialogPtr = new QFileDialog(dialogParent(), QString::fromStdString(request.title),
                                      QString::fromStdString(request.initialDirectory));
    QFileDialog& dialog = *dialogPtr;
    QStringList filters = qtNameFilters(request.filter);
    if (!filters.isEmpty()) dialog.setNameFilters(filters);
    if (request.filterIndex >= 1 && request.filterIndex <= filters.size())
        dialog.selectNameFilter(filters[request.filterIndex - 1]);
    if (request.kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        if (!request.overwritePrompt) dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        if (request.multiSelect)
            dialog.setFileMode(QFileDialog::ExistingFiles);
        else
            dialog.setFileMode(request.mustExist ? QFileDialog::ExistingFile
                                                 : QFileDialog::AnyFile);
    }
    if (request.kind == FileDialogKind::Open && !request.defaultExtension.empty()) {
        std::string ext = request.defaultExtension;
        if (ext.front() == '.') ext.erase(0, 1);
        dialog.setDefaultSuffix(QString::fromStdString(ext));
    }
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
    return runGuarded(
        dialogPtr, [&](int code) { return fileDialogResult(dialog, code, filters, request); },
        FileDialogResult{});
}

}  // namespace platform
