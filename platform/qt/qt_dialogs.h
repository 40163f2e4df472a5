// The dialog seam's backend for a person at the screen: Qt message boxes and
// file dialogs.
#pragma once

#include <QString>
#include <QStringList>

#include "platform/dialogs.h"

namespace platform {

class QtDialogs : public DialogBackend {
  public:
    MessageResult messageBox(const MessageRequest& request) override;
    FileDialogResult fileDialog(const FileDialogRequest& request) override;
};

// "Options (*.ini)|*.ini" -> {"Options (*.ini)"}: qtNameFilterStrings as Qt strings.
QStringList qtNameFilters(const std::string& filter);

// The name the user typed with the default extension added when it has none.
std::string withDefaultExtension(const std::string& path, const std::string& extension);

}  // namespace platform
