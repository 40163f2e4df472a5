// r62's file dialogs. They open in the study's folder: the folder of the
// report the data were handed over from (named by the program that handed
// them over), or the folder of the file loaded; after that, the last folder
// a file was chosen in. The save dialogs: a save dialog, then for an existing
// file the question whether to replace it (No shows the dialog again), then
// the write. A write that fails says so and leaves nothing marked as saved.
#pragma once

#include <functional>
#include <string>

#include "platform/dialogs.h"

// After a load of `path`: the study's folder becomes where the dialogs open.
// A file handed over on the command line (`handedOver`) takes the folder the
// handing program named; a file in the temporary folder names no study, and
// the dialogs keep opening where they did.
void noteR62Load(const std::string& path, bool handedOver);

// Where the next dialog opens; empty before anything is known.
std::string r62DialogFolder();

// Back to nothing known (tests).
void resetR62DialogFolder();

// The dialog opened in r62DialogFolder() unless the request names a folder;
// the folder of an accepted answer is where the next one opens.
platform::FileDialogResult showR62FileDialog(platform::FileDialogRequest request);

// Writes the chosen path; true when the file was written.
using SaveWriter = std::function<bool(const std::string& path)>;

enum class SaveOutcome { Saved, Cancelled, Failed };

// `request` is shown as it is, with the overwrite prompt left to the
// program's own question. `finalPath` turns the chosen name into the one
// written (and asked about), for example by adding an extension; `answered`
// sees every accepted answer of the dialog, so that a caller can keep the
// name and filter for the next time.
SaveOutcome saveWithReplace(
    platform::FileDialogRequest request, const SaveWriter& write,
    const std::function<std::string(std::string)>& finalPath = {},
    const std::function<void(const platform::FileDialogResult&)>& answered = {});
