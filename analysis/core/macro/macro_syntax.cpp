#include "analysis/core/macro/macro_syntax.h"

#include <algorithm>
#include <filesystem>

#include "platform/files.h"
#include "platform/textformat.h"

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

std::string_view trimTrailingBlanks(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    return text;
}

size_t skipBlanks(std::string_view text, size_t at) {
    while (at < text.size() && isBlank(text[at])) ++at;
    return at;
}

// Iterative matcher with one back-tracking point per '*': linear in practice
// and never recursive, whatever the pattern.
bool matchFrom(std::string_view pattern, std::string_view name) {
    size_t p = 0, n = 0;
    size_t starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = p++;
            starN = n;
        } else if (p < pattern.size() && (pattern[p] == '?' || platform::lowerAscii(pattern[p]) ==
                                                                   platform::lowerAscii(name[n]))) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*') ++p;
    return p == pattern.size();
}

}  // namespace

bool MacroFileSource::open(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    file_.reset(std::fopen(path.c_str(), "rb"));
    return file_ != nullptr;
}

bool MacroFileSource::readLine(std::string& line) {
    line.clear();
    if (!file_) return false;
    if (std::ftell(file_.get()) == 0) {
        char start[3] = {};
        const size_t got = std::fread(start, 1, sizeof start, file_.get());
        if (platform::byteOrderMarkLength(std::string_view(start, got)) == 0)
            std::fseek(file_.get(), 0, SEEK_SET);
    }
    size_t taken = 0;
    bool afterNul = false;
    while (taken < kMacroLineLength) {
        int c = std::getc(file_.get());
        if (c == EOF) break;
        ++taken;
        if (c == '\0') afterNul = true;
        // A macro line is text: a NUL ends what the line says, so a file
        // edited with a binary tool reads as its author saw it.
        if (!afterNul) line.push_back(static_cast<char>(c));
        if (c == '\n') break;
        // Old Mac files end their lines with a lone CR: it ends the line
        // as LF and CR LF do, and stays in it as the CR of CR LF does.
        if (c == '\r') {
            const int next = std::getc(file_.get());
            if (next == '\n') {
                if (!afterNul) line.push_back('\n');
            } else if (next != EOF) {
                std::ungetc(next, file_.get());
            }
            break;
        }
    }
    return taken > 0;
}

std::optional<long> MacroFileSource::position() {
    if (!file_) return std::nullopt;
    long at = std::ftell(file_.get());
    if (at < 0) return std::nullopt;
    return at;
}

bool MacroFileSource::seek(long offset) {
    return file_ && std::fseek(file_.get(), offset, SEEK_SET) == 0;
}

std::string substituteVariables(std::string_view line,
                                const std::vector<MacroVariable>& variables) {
    if (variables.empty()) return std::string(line.substr(0, kMacroLineLength));
    std::string out;
    size_t at = 0;
    while (at < line.size() && out.size() < kMacroLineLength) {
        char c = line[at];
        const MacroVariable* matched = nullptr;
        if (c == '%' || c == '$') {
            for (const MacroVariable& variable : variables) {
                if (!variable.name.empty() && line.substr(at).starts_with(variable.name)) {
                    matched = &variable;
                    break;
                }
            }
        }
        if (matched) {
            out += matched->value;
            at += matched->name.size();
        } else {
            out.push_back(c);
            ++at;
        }
    }
    if (out.size() > kMacroLineLength) out.resize(kMacroLineLength);
    return out;
}

MacroLine splitMacroLine(std::string_view line) {
    MacroLine result;
    size_t start = skipBlanks(line, 0);
    size_t end = start;
    while (end < line.size() && !isBlank(line[end]) && !isLineEnd(line[end])) ++end;
    if (end == start) return result;
    result.command = std::string(line.substr(start, end - start));
    result.rest = std::string(line.substr(end));
    result.kind = result.command[0] == '/' || result.command[0] == ';' ? MacroLine::Kind::Comment
                                                                       : MacroLine::Kind::Command;
    return result;
}

std::string macroArgument(std::string_view rest) {
    size_t start = skipBlanks(rest, 0);
    size_t end = start;
    while (end < rest.size() && rest[end] != '\t' && !isLineEnd(rest[end])) ++end;
    return std::string(trimTrailingBlanks(rest.substr(start, end - start)));
}

std::vector<std::string> macroTokens(std::string_view rest) {
    std::vector<std::string> tokens;
    size_t at = 0;
    while (true) {
        at = skipBlanks(rest, at);
        if (at >= rest.size() || isLineEnd(rest[at])) break;
        size_t end = at;
        while (end < rest.size() && !isBlank(rest[end]) && !isLineEnd(rest[end])) ++end;
        tokens.emplace_back(rest.substr(at, end - at));
        at = end;
    }
    return tokens;
}

MacroIndexAndText macroIndexArgument(std::string_view rest) {
    MacroIndexAndText result;
    size_t start = skipBlanks(rest, 0);
    size_t end = start;
    while (end < rest.size() && !isBlank(rest[end]) && !isLineEnd(rest[end])) ++end;
    result.index = std::string(rest.substr(start, end - start));
    size_t textStart = skipBlanks(rest, end);
    size_t textEnd = textStart;
    while (textEnd < rest.size() && !isLineEnd(rest[textEnd])) ++textEnd;
    std::string_view text = rest.substr(textStart, textEnd - textStart);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    result.text = std::string(text);
    return result;
}

bool matchMacroWildcard(std::string_view pattern, std::string_view name) {
    if (pattern == "*.*") return true;
    return matchFrom(pattern, name);
}

std::vector<std::string> findMacroFiles(std::string_view pattern) {
    namespace fs = std::filesystem;
    size_t slash = pattern.find_last_of("/\\");
    // "/x*" searches the root folder, "x*" the current one.
    const fs::path folder = slash == std::string_view::npos ? fs::path(".")
                            : slash == 0                    ? fs::path("/")
                                                            : fs::path(pattern.substr(0, slash));
    std::string_view namePattern =
        slash == std::string_view::npos ? pattern : pattern.substr(slash + 1);
    std::vector<std::string> names;
    if (namePattern.empty()) return names;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (!it->is_regular_file(typeError)) continue;
        std::string name = it->path().filename().string();
        if (matchMacroWildcard(namePattern, name)) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}
