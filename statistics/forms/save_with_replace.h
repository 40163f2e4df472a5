// r62's save dialogs: a save dialog, then for an existing file the question
// whether to replace it (No shows the dialog again), then the write. A write
// that fails says so and leaves nothing marked as saved.
#pragma once

#include <functional>
#include <string>

#include "platform/dialogs.h"

// Writes the chosen path; true when the file was written.
using SaveWriter = std::function<bool(const std::string& path)>;

enum class SaveOutcome { Saved, Cancelled, Failed };

// `request` is shown as it is, with the overwrite prompt left to the
// program's own question. `finalPath` turns the chosen name into the one
// written (and asked about), for example by adding an extension.
SaveOutcome saveWithReplace(platform::FileDialogRequest request, const SaveWriter& write,
                            const std::function<std::string(std::string)>& finalPath = {},
                            std::string* savedPath = nullptr);
