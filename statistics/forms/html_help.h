// r62's help: the application's help handler turns the form library's help
// commands into HTML Help commands, and the HTML Help stand-in opens the help
// file (beside the program) with the desktop's associated program. Which
// topic a command asks for cannot be passed on, so every display command
// opens the whole file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Help commands the form library passes to the application's help handler.
inline constexpr unsigned HELP_CONTEXT = 1;
inline constexpr unsigned HELP_QUIT = 2;
inline constexpr unsigned HELP_CONTEXTPOPUP = 8;
inline constexpr unsigned HELP_KEY = 0x101;

// HTML Help commands.
inline constexpr int HH_DISPLAY_TOPIC = 0;
inline constexpr int HH_DISPLAY_INDEX = 2;
inline constexpr int HH_HELP_CONTEXT = 15;
inline constexpr int HH_CLOSE_ALL = 18;

inline constexpr char kR62HelpFile[] = "vantu.chm";

// The HTML Help call for one help command: HH_HELP_CONTEXT with the context
// number for HELP_CONTEXT and HELP_CONTEXTPOPUP, HH_DISPLAY_INDEX with the
// key for HELP_KEY, HH_CLOSE_ALL without a file for HELP_QUIT, otherwise
// HH_DISPLAY_TOPIC with 0.
struct HtmlHelpCall {
    int command = HH_DISPLAY_TOPIC;
    uintptr_t data = 0;
    bool withFile = true;
};
HtmlHelpCall htmlHelpCallFor(unsigned helpCommand, uintptr_t data);

// The application's help file (the program sets it at start).
void setApplicationHelpFile(const std::string& name);
const std::string& applicationHelpFile();

// The application's help handler: answers the command through HtmlHelpA with
// the application's help file, tells the form library not to run its own help
// engine (callHelp = false) and reports the command as handled.
bool HtmlHelpHook(unsigned command, uintptr_t data, bool& callHelp);

// The HTML Help stand-in. The display commands open `file` (a name without a
// folder is looked for beside the program) and return whether the opener
// started; HH_CLOSE_ALL has nothing to close and returns true. The usual
// opener says "Cannot open the help file <path>." when there is no such file.
bool HtmlHelpA(const std::string& file, int command, uintptr_t data);

// The help file's path: `name` in `folder`; Windows names are not
// case-sensitive, so when that file is missing a file of the folder whose
// name differs only in letter case is taken.
std::string resolveHelpFile(const std::string& folder, const std::string& name);

// What opens the file: platform::openHelpFile (the desktop's associated
// program, or the message above) unless replaced (tests). Returns the opener
// that was in place.
using HelpOpener = std::function<bool(const std::string& path)>;
HelpOpener setHelpOpener(HelpOpener opener);
