// The text side of Vantu's macro files: reading a line, putting the values
// of the loop variables into it, splitting it into a command and its
// arguments, and finding the files of a file loop.
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// One read takes at most this many characters; a longer line is read in
// several pieces, each taken as a line of its own.
inline constexpr size_t kMacroLineLength = 2043;

// Loop variables: at most this many at a time (the nesting depth of loops).
inline constexpr size_t kMaxMacroVariables = 16;
inline constexpr size_t kMaxMacroVariableName = 255;
// Name and value share one slot: together at most this many characters.
inline constexpr size_t kMaxMacroNameAndValue = 508;
// A variable's value before its first iteration.
inline constexpr std::string_view kMacroNullValue = "?Null?";

struct MacroVariable {
    std::string name;  // with its leading '$' or '%'
    std::string value;
};

// Where the lines of a macro come from. position() and seek() let a loop
// return to the line after its "For"; position() gives nothing when the
// source cannot tell where it is.
class MacroSource {
  public:
    virtual ~MacroSource() = default;
    // The next line with its line end, at most kMacroLineLength characters
    // (text after a NUL byte is dropped); false at the end of the file.
    virtual bool readLine(std::string& line) = 0;
    virtual std::optional<long> position() = 0;
    virtual bool seek(long offset) = 0;
};

// A macro file on disk, read in binary mode. LF, CR LF and a lone CR each
// end a line; the line end stays in the line (a CR ends its last argument
// like a blank). A UTF-8 byte-order mark at the start of the file is no part
// of the first line.
class MacroFileSource : public MacroSource {
  public:
    // False when the file cannot be opened for reading (or is a folder).
    bool open(const std::string& path);
    bool readLine(std::string& line) override;
    std::optional<long> position() override;
    bool seek(long offset) override;

  private:
    struct Closer {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    std::unique_ptr<std::FILE, Closer> file_;
};

// Replaces every loop-variable name that follows a '%' or '$' by the
// variable's value. At each '%' or '$' the variables are tried in the order
// they were defined, and the first whose name the text begins with there is
// replaced. The scan goes on after the inserted value, so a value is never
// expanded again (a value holding a variable's name cannot grow for ever),
// and the result is cut to kMacroLineLength characters.
std::string substituteVariables(std::string_view line, const std::vector<MacroVariable>& variables);

// A line split into its command token and what follows it.
struct MacroLine {
    enum class Kind { Empty, Comment, Command };
    Kind kind = Kind::Empty;
    std::string command;  // the first token (blank, tab, CR or LF ends it)
    std::string rest;     // the text after the command, from its delimiter on
};

// Leading blanks and tabs are skipped; a line without a token is Empty, a
// token that begins with '/' or ';' makes the line a Comment.
MacroLine splitMacroLine(std::string_view line);

// The argument of most commands: the rest without leading blanks and tabs,
// up to a tab, CR or LF, without trailing blanks (a file name may hold
// blanks). Empty when there is none.
std::string macroArgument(std::string_view rest);

// The blank- or tab-separated tokens of the rest, up to a CR or LF.
std::vector<std::string> macroTokens(std::string_view rest);

// "RenameRoi n text": the token n and the text after it (up to CR or LF,
// without leading blanks and tabs and without trailing blanks).
struct MacroIndexAndText {
    std::string index;  // empty when the line has none
    std::string text;
};
MacroIndexAndText macroIndexArgument(std::string_view rest);

// Matches a file name against a wildcard pattern ('*' any run of characters,
// '?' one character) without regard to letter case, as the file system the
// macros were written for did; "*.*" matches every name.
bool matchMacroWildcard(std::string_view pattern, std::string_view name);

// The names (without folder) of the files that match the pattern, whose
// folder part, if any, is taken as it stands (relative to the current
// folder). Sorted, so that a file loop runs in the same order everywhere;
// folders do not match.
std::vector<std::string> findMacroFiles(std::string_view pattern);
