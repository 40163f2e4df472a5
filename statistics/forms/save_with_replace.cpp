#include "statistics/forms/save_with_replace.h"

#include <filesystem>

#include "platform/qt/application.h"
#include "statistics/core/r62_shell.h"

namespace {
constexpr const char* kCaption = kR62BoxCaption;
}

SaveOutcome saveWithReplace(
    platform::FileDialogRequest request, const SaveWriter& write,
    const std::function<std::string(std::string)>& finalPath,
    const std::function<void(const platform::FileDialogResult&)>& answered) {
    request.kind = platform::FileDialogKind::Save;
    request.overwritePrompt = false;  // asked below, in the program's words
    for (;;) {
        const platform::FileDialogResult answer = platform::showFileDialog(request);
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
