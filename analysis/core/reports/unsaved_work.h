// What the exit would lose: the unsaved report documents and feature maps by
// name, for a program that closes without anyone to ask.
#pragma once

#include <string>

// "Not saved: report \"Report 1\", map \"Mean\"." ; empty when everything is saved.
std::string unsavedWorkText();
