#include "statistics/forms/save_with_replace.h"

#include <cstdlib>
#include <filesystem>

#include "platform/qt/application.h"
#include "platform/shell.h"
#include "statistics/core/r62_shell.h"

namespace {

constexpr const char* kCaption = kR62BoxCaption;

std::string& dialogFolder() {
    static std::string folder;
    return folder;
}

std::string folderOf(const std::string& path) {
    return std::filesystem::path(path).parent_path().string();
}

bool isDirectory(const std::string& folder) {
    std::error_code ec;
    return !folder.empty() && std::filesystem::is_directory(folder, ec);
}

bool isTemporaryFolder(const std::string& folder) {
    std::error_code ec;
    return std::filesystem::equivalent(folder, platform::temporaryFolder(), ec);
}

}  // namespace

void noteR62Load(const std::string& path, bool handedOver) {
    if (handedOver) {
        const char* named = std::getenv(platform::kStudyFolderVariable);
        if (named != nullptr && isDirectory(named)) {
            dialogFolder() = named;
            return;
        }
    }
    const std::string folder = folderOf(path);
    if (isDirectory(folder) && !isTemporaryFolder(folder)) dialogFolder() = folder;
}

std::string r62DialogFolder() {
    return dialogFolder();
}

void resetR62DialogFolder() {
    dialogFolder().clear();
}

platform::FileDialogResult showR62FileDialog(platform::FileDialogRequest request) {
    if (request.initialDirectory.empty()) request.initialDirectory = dialogFolder();
    const platform::FileDialogResult answer = platform::showFileDialog(request);
    if (answer.accepted && isDirectory(folderOf(answer.path)))
        dialogFolder() = folderOf(answer.path);
    return answer;
}

SaveOutcome saveWithReplace(
    platform::FileDialogRequest request, const SaveWriter& write,
    const std::function<std::string(std::string)>& finalPath,
    const std::function<void(const platform::FileDialogResult&)>& answered) {
    request.kind = platform::FileDialogKind::Save;
    request.overwritePrompt = false;  // asked below, in the program's words
    for (;;) {
        const platform::FileDialogResult answer = showR62FileDialog(request);
        if (!answer.accepted) return SaveOutcome::Cancelled;
        if (answered) answered(answer);
        const std::string path = finalPath ? finalPath(answer.path) : answer.path;
        request.fileName = answer.path;
        request.filterIndex = answer.filterIndex;
        std::error_code ec;
        if (std::filesystem::exists(path, ec) &&
            platform::showMessage(kCaption, replaceFileQuestion(path),
                                  platform::MessageButtons::YesNo,
                                  platform::MessageIcon::Warning) != platform::MessageResult::Yes)
            continue;
        if (!write(path)) {
            platform::Application::showException(("Cannot create file \"" + path + "\".").c_str());
            return SaveOutcome::Failed;
        }
        return SaveOutcome::Saved;
    }
}
