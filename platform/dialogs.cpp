#include "platform/dialogs.h"
#include "platform/textformat.h"

#include <filesystem>

namespace platform {

namespace {

DialogBackend* currentBackend = nullptr;

// The 1-based filter entry of the kind a save request writes: the one naming
// the extension of its proposed name, else that of its defaultExtension; 0
// for an open request or when the filter names neither.
int savedKindIndex(const FileDialogRequest& request) {
    if (request.kind != FileDialogKind::Save) return 0;
    if (const int named = filterIndexOfName(request.filter, request.fileName); named != 0)
        return named;
    return filterIndexOfName(request.filter, withDefaultExtension("*", request.defaultExtension));
}

}  // namespace

MessageResult defaultAnswer(const MessageRequest& request) {
    static const std::vector<MessageResult> buttons[] = {
        {MessageResult::Ok},
        {MessageResult::Ok, MessageResult::Cancel},
        {MessageResult::Yes, MessageResult::No},
        {MessageResult::Yes, MessageResult::No, MessageResult::Cancel},
        {MessageResult::Retry, MessageResult::Cancel},
        {MessageResult::Abort, MessageResult::Retry, MessageResult::Ignore},
    };
    const auto& list = buttons[static_cast<int>(request.buttons)];
    size_t index = request.defaultButton >= 0 ? static_cast<size_t>(request.defaultButton) : 0;
    return list[index < list.size() ? index : 0];
}

MessageResult unattendedAnswer(const MessageRequest& request) {
    return request.unattendedAnswer ? *request.unattendedAnswer : defaultAnswer(request);
}

std::string_view answerName(MessageResult result) {
    switch (result) {
        case MessageResult::Ok:
            return "OK";
        case MessageResult::Cancel:
            return "Cancel";
        case MessageResult::Abort:
            return "Abort";
        case MessageResult::Retry:
            return "Retry";
        case MessageResult::Ignore:
            return "Ignore";
        case MessageResult::Yes:
            return "Yes";
        case MessageResult::No:
            return "No";
    }
    return "?";
}

std::string unattendedMessageText(const MessageRequest& request) {
    std::string out = request.caption + ": " + displayText(request.text) + "\n";
    if (!request.unattendedNote.empty()) out += displayText(request.unattendedNote) + "\n";
    out +=
        "(no display: answered \"" + std::string(answerName(unattendedAnswer(request))) + "\")\n";
    return out;
}

MessageResult ScriptedDialogs::messageBox(const MessageRequest& request) {
    messages.push_back(request);
    if (messageAnswers.empty()) return defaultAnswer(request);
    MessageResult answer = messageAnswers.front();
    messageAnswers.pop_front();
    return answer;
}

FileDialogResult ScriptedDialogs::fileDialog(const FileDialogRequest& request) {
    fileDialogs.push_back(request);
    if (fileAnswers.empty()) return {};
    FileDialogResult answer = fileAnswers.front();
    fileAnswers.pop_front();
    return answer;
}

void setDialogBackend(DialogBackend* backend) {
    currentBackend = backend;
}
DialogBackend* dialogBackend() {
    return currentBackend;
}

DialogBackendScope::DialogBackendScope(DialogBackend& backend) : previous_(currentBackend) {
    currentBackend = &backend;
}
DialogBackendScope::~DialogBackendScope() {
    currentBackend = previous_;
}

MessageResult showMessage(const MessageRequest& request) {
    return currentBackend ? currentBackend->messageBox(request) : defaultAnswer(request);
}

MessageResult showMessage(const std::string& caption, const std::string& text,
                          MessageButtons buttons, MessageIcon icon, int defaultButton) {
    MessageRequest request;
    request.caption = caption;
    request.text = text;
    request.buttons = buttons;
    request.icon = icon;
    request.defaultButton = defaultButton;
    return showMessage(request);
}

FileDialogResult showFileDialog(const FileDialogRequest& asked) {
    FileDialogRequest request = asked;
    // A save opens on the entry of the kind it writes, whatever entry the
    // caller last had: a bare name typed then gets that kind's extension.
    if (const int saved = savedKindIndex(request); saved != 0) request.filterIndex = saved;
    FileDialogResult answer =
        currentBackend ? currentBackend->fileDialog(request) : FileDialogResult{};
    if (!answer.accepted || request.kind != FileDialogKind::Save) return answer;
    const std::string path =
        withDefaultExtension(answer.path, chosenExtension(request, answer.filterIndex));
    if (path == answer.path) return answer;
    // The dialog asked about the name as typed; the extension added names another file.
    std::error_code error;
    if (request.overwritePrompt && std::filesystem::exists(path, error) &&
        showMessage(request.title, path + " already exists.\r\nDo you want to replace it?",
                    MessageButtons::YesNo, MessageIcon::Warning, 1) != MessageResult::Yes)
        return {};
    answer.path = path;
    if (!answer.paths.empty()) answer.paths.front() = path;
    return answer;
}

void showError(const std::string& text) {
    showMessage("Error", text, MessageButtons::Ok, MessageIcon::Warning);
}

bool offerToSave(MessageRequest request, const std::function<bool()>& save) {
    request.buttons = MessageButtons::YesNoCancel;
    if (request.icon == MessageIcon::None) request.icon = MessageIcon::Warning;
    const MessageResult answer = showMessage(request);
    if (answer == MessageResult::No) return true;
    return answer == MessageResult::Yes && save && save();
}

std::string withDefaultExtension(const std::string& path, const std::string& extension) {
    if (extension.empty() || path.empty()) return path;
    if (std::filesystem::path(path).has_extension()) return path;
    return extension.front() == '.' ? path + extension : path + "." + extension;
}

std::string chosenExtension(const FileDialogRequest& request, int index) {
    const std::vector<FilterEntry> entries = parseFilter(request.filter);
    if (index >= 1 && static_cast<size_t>(index) <= entries.size() &&
        !entries[index - 1].patterns.empty()) {
        const std::string& pattern = entries[index - 1].patterns.front();
        if (pattern.rfind("*.", 0) == 0 && pattern.size() > 2 &&
            pattern.find_first_of("*?", 2) == std::string::npos)
            return pattern.substr(1);
    }
    return request.defaultExtension;
}

std::vector<FilterEntry> parseFilter(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= filter.size()) {
        size_t bar = filter.find('|', start);
        if (bar == std::string::npos) bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<FilterEntry> entries;
    for (size_t i = 0; i + 1 < parts.size(); i += 2) {
        FilterEntry entry{parts[i], {}};
        const std::string& patterns = parts[i + 1];
        size_t from = 0;
        while (from <= patterns.size()) {
            size_t semi = patterns.find(';', from);
            if (semi == std::string::npos) semi = patterns.size();
            std::string one = patterns.substr(from, semi - from);
            // "*.dcm; *.dicom": blanks after the separator are not part of a pattern.
            size_t first = one.find_first_not_of(' ');
            size_t last = one.find_last_not_of(' ');
            if (first != std::string::npos)
                entry.patterns.push_back(one.substr(first, last - first + 1));
            from = semi + 1;
        }
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::string displayText(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            out += '\n';
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            out += text[i];
        }
    }
    return out;
}

int filterIndexOfName(const std::string& filter, const std::string& path) {
    const std::string extension = std::filesystem::path(path).extension().string();
    if (extension.empty()) return 0;
    const std::vector<FilterEntry> entries = parseFilter(filter);
    for (size_t i = 0; i < entries.size(); ++i)
        for (const std::string& pattern : entries[i].patterns)
            if (pattern.size() > 1 && pattern[0] == '*' &&
                equalsNoCase(std::string_view(pattern).substr(1), extension))
                return static_cast<int>(i) + 1;
    return 0;
}

}  // namespace platform
