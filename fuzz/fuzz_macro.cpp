// A macro is text from anywhere: its line reader, tokeniser, variable
// substitution and wildcard matching, and the whole check pass, must end on
// any input without touching memory they do not own. The check pass probes
// output files by creating and deleting them, so it runs in a private folder
// and only on inputs that cannot leave it (no folder separators, no "..",
// no "ChDir").
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "analysis/core/macro/macro.h"
#include "analysis/core/macro/macro_syntax.h"
#include "platform/dialogs.h"
#include "platform/textformat.h"

namespace {

// The folder the fuzzer was started in: its corpus and artifact paths may be
// relative to it, so every run returns there, and so does a failing check
// before it stops the process.
const std::filesystem::path& startFolder() {
    static const std::filesystem::path folder = std::filesystem::current_path();
    return folder;
}

void check(bool condition) {
    if (!condition) {
        std::filesystem::current_path(startFolder());
        std::abort();
    }
}

// Works in `folder` for as long as it lives.
class FolderScope {
  public:
    explicit FolderScope(const std::string& folder) {
        startFolder();
        std::filesystem::current_path(folder);
    }
    ~FolderScope() { std::filesystem::current_path(startFolder()); }
    FolderScope(const FolderScope&) = delete;
    FolderScope& operator=(const FolderScope&) = delete;
};

bool staysInItsFolder(std::string_view text) {
    const std::string lower = platform::lowerAscii(text);
    return lower.find('/') == std::string::npos && lower.find('\\') == std::string::npos &&
           lower.find("..") == std::string::npos && lower.find("chdir") == std::string::npos;
}

const std::string& privateFolder() {
    static const std::string folder = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantu-fuzz-macro-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return pattern;
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);

    // Syntax of one line, and of the rest as an argument.
    MacroLine line = splitMacroLine(text);
    if (line.kind == MacroLine::Kind::Command) check(!line.command.empty());
    check(macroArgument(line.rest).size() <= line.rest.size());
    for (const std::string& token : macroTokens(text)) check(!token.empty());
    MacroIndexAndText index = macroIndexArgument(text);
    check(index.index.size() <= text.size());

    // Substitution: variables made from the input's first NUL-separated pieces.
    std::vector<MacroVariable> variables;
    size_t start = 0;
    while (variables.size() < kMaxMacroVariables && start < text.size()) {
        size_t nul = text.find('\0', start);
        if (nul == std::string_view::npos) break;
        std::string_view piece = text.substr(start, nul - start);
        size_t eq = piece.find('=');
        if (eq != std::string_view::npos && eq > 0)
            variables.push_back(
                {"$" + std::string(piece.substr(0, eq)), std::string(piece.substr(eq + 1))});
        start = nul + 1;
    }
    check(substituteVariables(text, variables).size() <= kMacroLineLength);

    // Wildcards: pattern and name split at the first line break.
    size_t lf = text.find('\n');
    if (lf != std::string_view::npos) matchMacroWildcard(text.substr(0, lf), text.substr(lf + 1));

    // The whole check pass, on the input as a macro file.
    if (!staysInItsFolder(text)) return 0;
    platform::ScriptedDialogs dialogs;
    platform::DialogBackendScope scope(dialogs);
    const std::string folder = privateFolder();
    const FolderScope inFolder(folder);
    { std::ofstream(folder + "/fuzz.txt", std::ios::binary) << text; }
    MacroFileSource source;
    check(source.open(folder + "/fuzz.txt"));
    MacroCheckResult result = MacroCheck(source);
    check(result.errors >= 0 && result.errors <= kMaxMacroErrors);
    check(result.text.starts_with(kMacroErrorHeader));
    return 0;
}
