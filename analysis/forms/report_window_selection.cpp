// The report window's commands that write the feature-selection file:
// "Save selected..." and "R62 analysis", which hands a temporary copy of the
// file to r62.
#include <QGuiApplication>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <cstdlib>
#include <filesystem>
#include <new>

#include "analysis/core/reports/selection_file.h"
#include "analysis/forms/report_window.h"
#include "platform/dialogs.h"
#include "platform/file_dialog_requests.h"
#include "platform/shell.h"

namespace {

void showSelectionError(const std::string& text) {
    platform::showMessage(std::string(kSelectionErrorCaption), text, platform::MessageButtons::Ok,
                          platform::MessageIcon::Error);
}

// Samples r62 could not read were left out; the user should know before
// reading any result.
void warnLeftOut(const SelectionFile& file) {
    const std::string warning = selectionLeftOutWarning(file);
    if (warning.empty()) return;
    platform::showMessage(std::string(kSelectionWarningCaption), warning,
                          platform::MessageButtons::Ok, platform::MessageIcon::Warning);
}

bool startDetached(const std::string& program, const std::string& argument) {
    if (!argument.empty()) return platform::startProgram(program, argument);
    return QProcess::startDetached(QString::fromStdString(program), QStringList());
}

}  // namespace

TReport::DesktopServices TReport::defaultDesktopServices() {
    DesktopServices services;
    services.keyboardModifiers = [] { return QGuiApplication::keyboardModifiers(); };
    services.temporaryFolder = platform::temporaryFolder;
    services.programFolder = platform::programFolder;
    services.startProgram = startDetached;
    services.openWithAssociatedProgram = platform::openWithAssociatedProgram;
    return services;
}

void TReport::SavecheckedClick() {
    const ReportDocument* document = currentDocument();
    if (document == nullptr) return;
    // One moment names the file and labels its contents.
    const SelectionTime now = currentSelectionTime();
    platform::FileDialogRequest request =
        platform::fileDialogRequest(platform::FileDialogKind::Save, kSaveSelectionTitle,
                                    kSelectionFilter, kSelectionDefaultExtension);
    request.fileName = selectionFileNameFor(now);
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (!answer.accepted || answer.path.empty()) return;

    // Read once the dialog has closed: the keys held as it is confirmed count.
    const Qt::KeyboardModifiers keys =
        desktop.keyboardModifiers ? desktop.keyboardModifiers() : Qt::KeyboardModifiers();
    const SelectionOrder order =
        selectionOrderForKeys(keys.testFlag(Qt::ShiftModifier), keys.testFlag(Qt::ControlModifier));
    SelectionFile file = encodeSelection(document, rankingList, order, now);
    if (!file.orderNotice.empty())
        platform::showMessage(std::string(kSaveSelectedCaption), file.orderNotice);
    if (writeSelectionFile(answer.path, file) != SelectionStatus::Written) {
        showSelectionError(selectionWriteError(answer.path));
        return;
    }
    warnLeftOut(file);
}

void TReport::AnalysewithR621Click() {
    R62HandOver handOver = r62HandOver(desktop.programFolder(), desktop.temporaryFolder());
    SelectionFile file;
    try {
        file = encodeSelection(currentDocument(), rankingList, SelectionOrder::Ranking);
    } catch (const std::bad_alloc&) {
        file = SelectionFile{};
        file.status = SelectionStatus::CannotCreate;
    }
    if (file.status != SelectionStatus::NoDocument) {
        // r62 would only refuse the file after starting: say so here, while
        // the user can still change the selection, and start nothing.
        const std::string refusal = r62RefusalText(file);
        if (!refusal.empty()) {
            platform::showMessage(std::string(kSelectionWarningCaption), refusal,
                                  platform::MessageButtons::Ok, platform::MessageIcon::Warning);
            return;
        }
        writeSelectionFile(handOver.path, file);
    }
    if (file.status == SelectionStatus::CannotCreate) {
        // r62 must not be given an old or missing file as if it were this one.
        showSelectionError(selectionWriteError(handOver.path));
        return;
    }
    if (file.status == SelectionStatus::NoDocument)
        handOver.path.clear();  // r62 still starts, without data, as it always has
    else
        warnLeftOut(file);

    // r62 saves its results beside the report the data came from, not in
    // the temporary folder the hand-over file lies in.
    const ReportDocument* document = currentDocument();
    const std::string study = document != nullptr && !document->path.empty()
                                  ? std::filesystem::path(document->path).parent_path().string()
                                  : std::string();
    if (study.empty())
        ::unsetenv(platform::kStudyFolderVariable);
    else
        ::setenv(platform::kStudyFolderVariable, study.c_str(), 1);
    if (desktop.startProgram(handOver.program, handOver.path)) return;
    // Whatever the desktop associates with .sel files may still read it.
    if (!handOver.path.empty() && desktop.openWithAssociatedProgram(handOver.path)) return;
    showSelectionError(r62StartError(handOver));
}
