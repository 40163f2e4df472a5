// Shell services: open a document with the program the desktop associates
// with it, start a program with one argument, and the folders the programs
// keep files in.
#pragma once

#include <string>

namespace platform {

// Starts `program` with exactly one argument (passed as one argv entry, so
// blanks and quotes in it need no escaping). The child runs detached and is
// never waited for. False when it could not be started.
bool startProgram(const std::string& program, const std::string& argument);

// Opens `path` with the desktop's associated program (xdg-open). True only
// means the launcher started, not that a program was found for the file.
bool openWithAssociatedProgram(const std::string& path);

// The folder for temporary files ($TMPDIR, else /tmp), ending in '/'.
std::string temporaryFolder();

// The folder of the running program, ending in '/'.
std::string programFolder();

// The full path of the running program.
std::string programPath();

// The environment variable through which a program that hands its data to
// another (Vantu starting r62 on a temporary file) names the folder of the
// study the data came from, so that the other saves its results there.
inline constexpr char kStudyFolderVariable[] = "VANTU_STUDY_FOLDER";

}  // namespace platform
