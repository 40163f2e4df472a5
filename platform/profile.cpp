#include "platform/profile.h"

#include <cstdint>

#include "platform/files.h"
#include "platform/registry.h"
#include "platform/textformat.h"

namespace platform {

namespace {

constexpr size_t kMaxProfileBytes = 16 << 20;

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r'))
        s.remove_suffix(1);
    return s;
}

// "[name]" -> name; nothing for other lines.
bool sectionName(std::string_view line, std::string_view& name) {
    line = trim(line);
    if (line.size() < 2 || line.front() != '[') return false;
    size_t close = line.find(']');
    if (close == std::string_view::npos) return false;
    name = trim(line.substr(1, close - 1));
    return true;
}

// "key=value" -> key and value, both trimmed; comments and other lines give false.
bool keyValue(std::string_view line, std::string_view& key, std::string_view& value) {
    std::string_view t = trim(line);
    if (t.empty() || t.front() == ';' || t.front() == '[') return false;
    size_t eq = t.find('=');
    if (eq == std::string_view::npos) return false;
    key = trim(t.substr(0, eq));
    value = trim(t.substr(eq + 1));
    return true;
}

// How an options file's integer is read: blanks, a sign, an optional
// 0x/0o/0b base prefix, then digits up to the first other character; the
// value wraps modulo 2^32, so files written elsewhere read the same here.
int leadingInteger(std::string_view s) {
    size_t i = 0;
    while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
    bool negative = false;
    while (i < s.size() && (s[i] == '+' || s[i] == '-')) {
        if (s[i] == '-') negative = !negative;
        ++i;
    }
    unsigned base = 10;
    if (i + 1 < s.size() && s[i] == '0') {
        char p = s[i + 1];
        if (p == 'x' || p == 'X') base = 16;
        if (p == 'o' || p == 'O') base = 8;
        if (p == 'b' || p == 'B') base = 2;
        if (base != 10) i += 2;
    }
    uint32_t value = 0;
    for (; i < s.size(); ++i) {
        char c = s[i];
        unsigned d;
        if (c >= '0' && c <= '9') {
            d = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            d = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            d = static_cast<unsigned>(c - 'A' + 10);
        } else {
            break;
        }
        if (d >= base) break;
        value = value * base + d;
    }
    if (negative) value = 0u - value;
    return static_cast<int>(value);
}

}  // namespace

IniFile IniFile::parse(std::string_view text) {
    IniFile ini;
    const size_t mark = byteOrderMarkLength(text);
    ini.byteOrderMark_ = mark != 0;
    text.remove_prefix(mark);
    if (!text.empty() && text.find("\r\n") == std::string_view::npos &&
        text.find('\n') != std::string_view::npos)
        ini.lineEnd_ = "\n";
    while (!text.empty()) {
        size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        ini.lines_.emplace_back(line);
        if (eol == std::string_view::npos) break;
        text.remove_prefix(eol + 1);
    }
    return ini;
}

bool IniFile::load(const std::string& path) {
    auto text = readWholeFile(path, kMaxProfileBytes);
    *this = parse(text ? *text : std::string_view{});
    return text.has_value();
}

std::string IniFile::text() const {
    std::string out = byteOrderMark_ ? "\xEF\xBB\xBF" : "";
    for (const auto& line : lines_) {
        out += line;
        out += lineEnd_;
    }
    return out;
}

bool IniFile::save(const std::string& path) const {
    return writeWholeFileAtomically(path, text());
}

long IniFile::findSection(std::string_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i) {
        std::string_view name;
        if (sectionName(lines_[i], name) && equalsNoCase(name, section))
            return static_cast<long>(i);
    }
    return -1;
}

long IniFile::findKey(long header, std::string_view key) const {
    for (size_t i = static_cast<size_t>(header) + 1; i < lines_.size(); ++i) {
        std::string_view name, k, v;
        if (sectionName(lines_[i], name)) break;
        if (keyValue(lines_[i], k, v) && equalsNoCase(k, key)) return static_cast<long>(i);
    }
    return -1;
}

bool IniFile::hasKey(std::string_view section, std::string_view key) const {
    long header = findSection(section);
    return header >= 0 && findKey(header, key) >= 0;
}

long IniFile::keyLine(std::string_view section, std::string_view key) const {
    long header = findSection(section);
    return header >= 0 ? findKey(header, key) : -1;
}

std::string IniFile::getString(std::string_view section, std::string_view key,
                               std::string_view fallback) const {
    long header = findSection(section);
    long at = header >= 0 ? findKey(header, key) : -1;
    if (at < 0) return std::string(fallback);
    std::string_view k, v;
    keyValue(lines_[static_cast<size_t>(at)], k, v);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.substr(1, v.size() - 2);
    return std::string(v);
}

int IniFile::getInt(std::string_view section, std::string_view key, int fallback) const {
    if (!hasKey(section, key)) return fallback;
    std::string value = getString(section, key, "");
    if (value.empty()) return fallback;
    return leadingInteger(value);
}

void IniFile::setString(std::string_view section, std::string_view key, std::string_view value) {
    std::string line = std::string(key) + "=" + std::string(value);
    // A line break inside a value would split it into two lines of the file.
    for (char& c : line)
        if (c == '\r' || c == '\n') c = ' ';
    long header = findSection(section);
    if (header < 0) {
        if (!lines_.empty() && !trim(lines_.back()).empty()) lines_.emplace_back();
        lines_.push_back("[" + std::string(section) + "]");
        lines_.push_back(std::move(line));
        return;
    }
    if (long at = findKey(header, key); at >= 0) {
        lines_[static_cast<size_t>(at)] = std::move(line);
        return;
    }
    // After the last non-blank line of the section, so blank separators stay below it.
    size_t insertAt = static_cast<size_t>(header) + 1;
    for (size_t i = insertAt; i < lines_.size(); ++i) {
        std::string_view name;
        if (sectionName(lines_[i], name)) break;
        if (!trim(lines_[i]).empty()) insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<long>(insertAt), std::move(line));
}

void IniFile::setInt(std::string_view section, std::string_view key, int value) {
    setString(section, key, std::to_string(value));
}

void IniFile::setReal(std::string_view section, std::string_view key, double value) {
    setString(section, key, cformat("%.2f", value));
}

}  // namespace platform
