#include "platform/qt/qt_dialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <filesystem>

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

}  // namespace

MessageResult QtDialogs::messageBox(const MessageRequest& request) {
    QMessageBox box(iconOf(request.icon), QString::fromStdString(request.caption),
                    QString::fromStdString(displayText(request.text)), QMessageBox::NoButton,
                    QApplication::activeWindow());
    auto specs = buttonsOf(request.buttons);
    for (const auto& spec : specs) box.addButton(spec.qt);
    size_t def = request.defaultButton >= 0 ? static_cast<size_t>(request.defaultButton) : 0;
    if (def >= specs.size()) def = 0;
    box.setDefaultButton(specs[def].qt);
    // Closing the box with its title bar or Escape answers like Cancel where there is one.
    box.exec();
    auto* clicked = box.clickedButton();
    for (const auto& spec : specs)
        if (clicked == box.button(spec.qt)) return spec.result;
    for (const auto& spec : specs)
        if (spec.result == MessageResult::Cancel) return spec.result;
    return specs.size() == 1 ? specs[0].result : MessageResult::Cancel;
}

QStringList qtNameFilters(const std::string& filter) {
    QStringList list;
    for (const std::string& entry : qtNameFilterStrings(filter))
        list << QString::fromStdString(entry);
    return list;
}

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    if (extension.empty() || path.empty()) return path;
    if (std::filesystem::path(path).has_extension()) return path;
    return extension.front() == '.' ? path + extension : path + "." + extension;
}

FileDialogResult QtDialogs::fileDialog(const FileDialogRequest& request) {
    QFileDialog dialog(QApplication::activeWindow(), QString::fromStdString(request.title),
                       QString::fromStdString(request.initialDirectory));
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
    if (!request.defaultExtension.empty()) {
        std::string ext = request.defaultExtension;
        if (ext.front() == '.') ext.erase(0, 1);
        dialog.setDefaultSuffix(QString::fromStdString(ext));
    }
    if (!request.fileName.empty()) dialog.selectFile(QString::fromStdString(request.fileName));
    FileDialogResult result;
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return result;
    result.accepted = true;
    result.path = withDefaultExtension(dialog.selectedFiles().front().toStdString(),
                                       request.defaultExtension);
    if (request.multiSelect)
        for (const QString& file : dialog.selectedFiles())
            result.paths.push_back(
                withDefaultExtension(file.toStdString(), request.defaultExtension));
    qsizetype chosen = filters.indexOf(dialog.selectedNameFilter());
    result.filterIndex = chosen >= 0 ? static_cast<int>(chosen) + 1 : request.filterIndex;
    return result;
}

}  // namespace platform
