// The one seam through which every message box and file dialog passes. The
// programs install the Qt backend at start; tests and scripted runs install a
// ScriptedDialogs, which answers from a queue and records what was asked.
// Texts keep the programs' "\r\n" line breaks; the backend shows them as breaks.
#pragma once

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel, RetryCancel, AbortRetryIgnore };
enum class MessageIcon { None, Warning, Error, Information, Question };
// The values of the Windows dialog answers, which some callers compare with.
enum class MessageResult { Ok = 1, Cancel = 2, Abort = 3, Retry = 4, Ignore = 5, Yes = 6, No = 7 };

struct MessageRequest {
    std::string caption;
    std::string text;
    MessageButtons buttons = MessageButtons::Ok;
    MessageIcon icon = MessageIcon::None;
    int defaultButton = 0;  // 0 = first button, 1 = second, 2 = third
    // Where nobody can answer (no display), the box is written to standard
    // error and takes its default answer, or this one when it is set; the
    // note is written with it (what the answer gives up, for instance).
    std::optional<MessageResult> unattendedAnswer = std::nullopt;
    std::string unattendedNote = {};
};

enum class FileDialogKind { Open, Save };

struct FileDialogRequest {
    FileDialogKind kind = FileDialogKind::Open;
    std::string title;
    // Pairs of description and pattern(s), separated by '|':
    // "Options (*.ini)|*.ini|All files|*.*"; patterns of one entry by ';'.
    std::string filter;
    int filterIndex = 1;           // 1-based entry of the filter that is chosen at first
    std::string defaultExtension;  // appended to a typed name without one, e.g. ".ini"
    std::string initialDirectory;
    std::string fileName;
    bool mustExist = false;
    bool overwritePrompt = false;
    bool multiSelect = false;  // an open dialog that lets several files be chosen
};

struct FileDialogResult {
    bool accepted = false;
    std::string path;
    int filterIndex = 1;  // the entry the user had chosen
    // With multiSelect: every chosen file in order (path is the first). A
    // scripted answer may leave it empty and give only path.
    std::vector<std::string> paths = {};
};

class DialogBackend {
  public:
    virtual ~DialogBackend() = default;
    virtual MessageResult messageBox(const MessageRequest& request) = 0;
    virtual FileDialogResult fileDialog(const FileDialogRequest& request) = 0;
};

// The answer a message box gives when its default button is pressed.
MessageResult defaultAnswer(const MessageRequest& request);

// The answer a box takes where nobody can answer it: unattendedAnswer when
// set, else the default answer.
MessageResult unattendedAnswer(const MessageRequest& request);

// The caption of an answer ("OK", "Cancel", ...).
std::string_view answerName(MessageResult result);

// What a program without a display writes to standard error for a box it
// answers itself: "<caption>: <text>", the note, and the answer taken, with
// the text's line breaks kept.
std::string unattendedMessageText(const MessageRequest& request);

// Answers from queues, records every request. An empty message queue answers
// with the default button (as pressing Enter would); an empty file queue
// cancels the dialog.
class ScriptedDialogs : public DialogBackend {
  public:
    MessageResult messageBox(const MessageRequest& request) override;
    FileDialogResult fileDialog(const FileDialogRequest& request) override;

    std::deque<MessageResult> messageAnswers;
    std::deque<FileDialogResult> fileAnswers;
    std::vector<MessageRequest> messages;
    std::vector<FileDialogRequest> fileDialogs;
};

// The backend in use; none installed means every box takes its default
// answer and every file dialog is cancelled (a program without a screen).
void setDialogBackend(DialogBackend* backend);
DialogBackend* dialogBackend();

// Installs a backend for the lifetime of the guard, restoring the previous one.
class DialogBackendScope {
  public:
    explicit DialogBackendScope(DialogBackend& backend);
    ~DialogBackendScope();
    DialogBackendScope(const DialogBackendScope&) = delete;
    DialogBackendScope& operator=(const DialogBackendScope&) = delete;

  private:
    DialogBackend* previous_;
};

MessageResult showMessage(const MessageRequest& request);
MessageResult showMessage(const std::string& caption, const std::string& text,
                          MessageButtons buttons = MessageButtons::Ok,
                          MessageIcon icon = MessageIcon::None, int defaultButton = 0);
// A save dialog opens on the filter entry of the kind it saves, the one
// naming the extension of its proposed name, else that of its
// defaultExtension; only where the filter names neither on the request's
// filterIndex. Its name typed without an extension takes the extension of the
// filter entry chosen (defaultExtension where that entry has no one extension,
// "*.*"); when the name so made is an existing file and the request asks about
// overwriting, the user is asked before it is replaced, and "No" cancels the
// dialog.
FileDialogResult showFileDialog(const FileDialogRequest& request);

// The programs' usual failure box: caption "Error", an OK button, warning icon.
void showError(const std::string& text);

// Asked before work that no file keeps is dropped, with Yes, No and Cancel
// (a warning unless the request names another icon): Yes saves it through
// `save` (true when it was kept), No gives it up, Cancel keeps it. True when
// the work may go; a save cancelled or failed keeps it as Cancel does.
bool offerToSave(MessageRequest request, const std::function<bool()>& save);

// The name the user typed with `extension` ("bmp" or ".bmp") added when it has none.
std::string withDefaultExtension(const std::string& path, const std::string& extension);

// The extension a save dialog gives a bare name when filter entry `index`
// (1-based) is chosen: the entry's first pattern's ("*.bmp" -> ".bmp"), else
// the request's defaultExtension.
std::string chosenExtension(const FileDialogRequest& request, int index);

// Splits a '|'-separated filter into its (description, patterns) entries;
// an odd trailing element is dropped.
struct FilterEntry {
    std::string description;
    std::vector<std::string> patterns;
};
std::vector<FilterEntry> parseFilter(const std::string& filter);
// The 1-based entry of `filter` with a pattern "*.ext" naming the extension
// of `path` (letter case aside), or 0 when none does.
int filterIndexOfName(const std::string& filter, const std::string& path);

// "\r\n" and lone "\r" become "\n", for display.
std::string displayText(const std::string& text);

}  // namespace platform
