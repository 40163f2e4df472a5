// The file dialog the windows ask for most: an open dialog that takes only a
// file that exists, a save dialog that asks before it replaces one. The
// caller sets whatever else its dialog needs (a proposed name, several files).
#pragma once

#include <string_view>

#include "platform/dialogs.h"

namespace platform {

inline FileDialogRequest fileDialogRequest(FileDialogKind kind, std::string_view title,
                                           std::string_view filter,
                                           std::string_view defaultExtension = {}) {
    FileDialogRequest request;
    request.kind = kind;
    request.title = title;
    request.filter = filter;
    request.defaultExtension = defaultExtension;
    request.mustExist = kind == FileDialogKind::Open;
    request.overwritePrompt = kind == FileDialogKind::Save;
    return request;
}

}  // namespace platform
