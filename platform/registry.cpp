#include "platform/registry.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/files.h"
#include "platform/textformat.h"

namespace platform {

namespace {

constexpr std::string_view kMagic = "# Vantu registry store 1";
constexpr std::string_view kEndLine = "# end";

std::string hiveName(Hive hive) {
    return hive == Hive::LocalMachine ? "HKEY_LOCAL_MACHINE" : "HKEY_CLASSES_ROOT";
}

// Normalises "a\\b\" to "a\b": the registry ignores doubled and trailing separators.
std::string fullKeyName(Hive hive, std::string_view path) {
    std::string name = hiveName(hive);
    std::string part;
    for (size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || path[i] == '\\') {
            if (!part.empty()) name += '\\' + part;
            part.clear();
        } else {
            part += path[i];
        }
    }
    return name;
}

void appendQuoted(std::string& out, std::string_view text) {
    static const char* hex = "0123456789abcdef";
    out += '"';
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (c < 0x20 || c == 0x7f) {
                    out += "\\x";
                    out += hex[c >> 4];
                    out += hex[c & 15];
                } else {
                    out += static_cast<char>(c);
                }
        }
    }
    out += '"';
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    c = lowerAscii(c);
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

// Reads a quoted text starting at pos (which must hold '"'); on success pos
// stands after the closing quote.
std::optional<std::string> readQuoted(std::string_view line, size_t& pos) {
    if (pos >= line.size() || line[pos] != '"') return std::nullopt;
    std::string out;
    for (++pos; pos < line.size(); ++pos) {
        char c = line[pos];
        if (c == '"') {
            ++pos;
            return out;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos >= line.size()) return std::nullopt;
        switch (line[pos]) {
            case '"':
                out += '"';
                break;
            case '\\':
                out += '\\';
                break;
            case 'n':
                out += '\n';
                break;
            case 'r':
                out += '\r';
                break;
            case 't':
                out += '\t';
                break;
            case 'x': {
                if (pos + 2 >= line.size()) return std::nullopt;
                int hi = hexDigit(line[pos + 1]), lo = hexDigit(line[pos + 2]);
                if (hi < 0 || lo < 0) return std::nullopt;
                out += static_cast<char>(hi * 16 + lo);
                pos += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return std::nullopt;
}

bool parseValueLine(std::string_view line, RegistryValues& values) {
    size_t pos = 0;
    std::string name;
    if (line.starts_with('@')) {
        pos = 1;
    } else {
        auto quoted = readQuoted(line, pos);
        if (!quoted) return false;
        name = std::move(*quoted);
    }
    if (pos >= line.size() || line[pos] != '=') return false;
    ++pos;
    RegistryValue value;
    if (line.substr(pos).starts_with("dword:")) {
        std::string_view digits = line.substr(pos + 6);
        if (digits.size() != 8) return false;
        uint32_t v = 0;
        for (char c : digits) {
            int d = hexDigit(c);
            if (d < 0) return false;
            v = v * 16 + static_cast<uint32_t>(d);
        }
        value.data = v;
    } else {
        auto text = readQuoted(line, pos);
        if (!text || pos != line.size()) return false;
        value.data = std::move(*text);
    }
    values[name] = std::move(value);
    return true;
}

}  // namespace

bool CaseInsensitiveLess::operator()(std::string_view a, std::string_view b) const {
    return lessNoCase(a, b);
}

std::string formatRegistryStore(const RegistryKeys& keys) {
    std::string out(kMagic);
    out += '\n';
    for (const auto& [key, values] : keys) {
        out += '\n';
        out += '[';
        out += key;
        out += "]\n";
        for (const auto& [name, value] : values) {
            if (name.empty()) {
                out += '@';
            } else {
                appendQuoted(out, name);
            }
            out += '=';
            if (value.type() == RegistryType::Dword) {
                char digits[16];
                std::snprintf(digits, sizeof digits, "dword:%08x",
                              static_cast<unsigned>(std::get<uint32_t>(value.data)));
                out += digits;
            } else {
                appendQuoted(out, std::get<std::string>(value.data));
            }
            out += '\n';
        }
    }
    out += kEndLine;
    out += '\n';
    return out;
}

namespace {

// The store's lines: an editor's byte-order mark is no part of them. An
// empty file (also one of only the mark) is an empty store.
std::string_view storeLines(std::string_view text) {
    return text.substr(byteOrderMarkLength(text));
}

}  // namespace

std::optional<RegistryKeys> parseRegistryStore(std::string_view text) {
    text = storeLines(text);
    RegistryKeys keys;
    if (text.empty()) return keys;
    RegistryValues* current = nullptr;
    bool first = true, ended = false;
    while (!text.empty()) {
        size_t eol = text.find('\n');
        if (eol == std::string_view::npos) return std::nullopt;  // cut in the middle of a line
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (ended) return std::nullopt;  // nothing may follow the end line
        if (first) {
            if (line != kMagic) return std::nullopt;
            first = false;
            continue;
        }
        if (line == kEndLine) {
            ended = true;
            continue;
        }
        if (line.empty() || line.starts_with('#')) continue;
        if (line.starts_with('[')) {
            if (!line.ends_with(']') || line.size() < 3) return std::nullopt;
            current = &keys[std::string(line.substr(1, line.size() - 2))];
            continue;
        }
        if (!current || !parseValueLine(line, *current)) return std::nullopt;
    }
    if (!ended) return std::nullopt;
    return keys;
}

RegistryStoreSalvage salvageRegistryStore(std::string_view text) {
    text = storeLines(text);
    RegistryStoreSalvage out;
    if (text.empty()) return out;
    RegistryValues* current = nullptr;
    bool first = true, ended = false;
    while (!text.empty()) {
        size_t eol = text.find('\n');
        std::string_view line = text.substr(0, eol);
        text.remove_prefix(eol == std::string_view::npos ? text.size() : eol + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        if (first) {
            first = false;
            if (line != kMagic) {
                // Not a store at all: nothing in it can be trusted.
                out.keys.clear();
                out.damaged = out.unreadable = true;
                return out;
            }
            continue;
        }
        if (eol == std::string_view::npos || ended) {
            out.damaged = true;  // cut in the middle of a line, or text after the end line
            break;
        }
        if (line == kEndLine) {
            ended = true;
            continue;
        }
        if (line.empty() || line.starts_with('#')) continue;
        if (line.starts_with('[')) {
            if (!line.ends_with(']') || line.size() < 3) {
                out.damaged = true;
                current = nullptr;  // its values would land in the wrong key
                continue;
            }
            current = &out.keys[std::string(line.substr(1, line.size() - 2))];
            continue;
        }
        if (!current || !parseValueLine(line, *current)) out.damaged = true;
    }
    if (!ended) out.damaged = true;
    return out;
}

std::string registryStorePath() {
    if (const char* own = std::getenv("VANTU_REGISTRY_FILE"); own && *own) return own;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg) {
        base = xdg;
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        base = std::string(home) + "/.config";
    } else {
        base = ".";
    }
    return base + "/vantu/registry.txt";
}

namespace {

constexpr size_t kMaxStoreBytes = 64 << 20;

// The store as the file holds it; damaged when the file exists but could not
// be read completely (every value that could be read is kept).
RegistryStoreSalvage loadStoreChecked() {
    const std::string path = registryStorePath();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return {};
    auto text = readWholeFile(path, kMaxStoreBytes);
    if (!text) {
        RegistryStoreSalvage out;
        out.damaged = out.unreadable = true;
        return out;
    }
    return salvageRegistryStore(*text);
}

RegistryKeys loadStore() {
    return loadStoreChecked().keys;
}

// Before a damaged store is replaced, the file is kept beside it as it was,
// so that nothing in it is lost for good.
void keepDamagedStore() {
    const std::string path = registryStorePath();
    const std::string bad = path + ".bad";
    std::error_code ec;
    std::filesystem::copy_file(path, bad, std::filesystem::copy_options::overwrite_existing, ec);
    if (ec) {
        std::fprintf(stderr,
                     "Vantu: the settings file %s cannot be read and cannot be kept (%s).\n",
                     path.c_str(), ec.message().c_str());
    } else {
        std::fprintf(stderr,
                     "Vantu: the settings file %s cannot be read completely; it is kept as %s "
                     "and a new one is written with every value that could be read.\n",
                     path.c_str(), bad.c_str());
    }
    std::fflush(stderr);
}

bool storeWritable() {
    namespace fs = std::filesystem;
    fs::path path = registryStorePath();
    std::error_code ec;
    fs::path dir = path.parent_path();
    if (dir.empty()) dir = ".";
    fs::create_directories(dir, ec);
    if (!fs::is_directory(dir, ec)) return false;
    if (fs::exists(path, ec)) return ::access(path.c_str(), W_OK) == 0;
    return ::access(dir.c_str(), W_OK) == 0;
}

}  // namespace

RegistryKey::RegistryKey(RegistryKey&& other) noexcept {
    *this = std::move(other);
}

RegistryKey& RegistryKey::operator=(RegistryKey&& other) noexcept {
    if (this != &other) {
        close();
        fullName_ = std::move(other.fullName_);
        values_ = std::move(other.values_);
        written_ = std::move(other.written_);
        open_ = other.open_;
        writable_ = other.writable_;
        dirty_ = other.dirty_;
        other.open_ = other.writable_ = other.dirty_ = false;
    }
    return *this;
}

RegistryKey::~RegistryKey() {
    close();
}

RegistryKey RegistryKey::open(Hive hive, std::string_view path) {
    RegistryKey key;
    RegistryKeys store = loadStore();
    auto it = store.find(fullKeyName(hive, path));
    if (it == store.end()) return key;
    key.fullName_ = it->first;
    key.values_ = std::move(it->second);
    key.open_ = true;
    return key;
}

RegistryKey RegistryKey::create(Hive hive, std::string_view path) {
    RegistryKey key;
    if (!storeWritable()) return key;
    std::string name = fullKeyName(hive, path);
    RegistryKeys store = loadStore();
    auto it = store.find(name);
    if (it == store.end()) {
        key.dirty_ = true;  // a new key exists even without values
    } else {
        key.values_ = std::move(it->second);
    }
    key.fullName_ = std::move(name);
    key.open_ = key.writable_ = true;
    return key;
}

std::optional<uint32_t> RegistryKey::readDword(std::string_view name) const {
    if (!open_) return std::nullopt;
    auto it = values_.find(name);
    if (it == values_.end() || it->second.type() != RegistryType::Dword) return std::nullopt;
    return std::get<uint32_t>(it->second.data);
}

std::optional<std::string> RegistryKey::readString(std::string_view name, size_t maxBytes) const {
    if (!open_ || maxBytes == 0) return std::nullopt;
    auto it = values_.find(name);
    if (it == values_.end() || it->second.type() != RegistryType::String) return std::nullopt;
    const std::string& text = std::get<std::string>(it->second.data);
    std::string out = text.substr(0, std::min(text.size(), maxBytes - 1));
    // A stored string ends at its first NUL, as a C string would.
    if (size_t nul = out.find('\0'); nul != std::string::npos) out.resize(nul);
    return out;
}

bool RegistryKey::writeDword(std::string_view name, uint32_t value) {
    if (!writable_) return false;
    values_[std::string(name)].data = value;
    written_.emplace(name);
    dirty_ = true;
    return true;
}

bool RegistryKey::writeString(std::string_view name, std::string_view value) {
    if (!writable_) return false;
    values_[std::string(name)].data = std::string(value);
    written_.emplace(name);
    dirty_ = true;
    return true;
}

bool RegistryKey::writeValue(std::string_view name, const RegistryValue& value) {
    if (value.type() == RegistryType::Dword)
        return writeDword(name, std::get<uint32_t>(value.data));
    return writeString(name, std::get<std::string>(value.data));
}

bool RegistryKey::close() {
    bool ok = true;
    if (open_ && writable_ && dirty_) {
        // Merge into the store as it is now, so that other keys written since
        // this one was opened are kept.
        RegistryStoreSalvage loaded = loadStoreChecked();
        if (loaded.damaged) keepDamagedStore();
        RegistryKeys store = std::move(loaded.keys);
        RegistryValues& target = store[fullName_];
        for (const auto& name : written_) target[name] = values_[name];
        ok = writeWholeFileAtomically(registryStorePath(), formatRegistryStore(store));
    }
    open_ = writable_ = dirty_ = false;
    values_.clear();
    written_.clear();
    return ok;
}

void writeRegistryValues(Hive hive, std::string_view path, const RegistryValueList& values) {
    auto key = RegistryKey::create(hive, path);
    if (!key.isOpen()) return;
    for (const auto& [name, value] : values) key.writeValue(name, value);
}

RegistryKey openOptionsKey() {
    return RegistryKey::open(Hive::LocalMachine, kOptionsKeyPath);
}

void writeOptionValues(const RegistryValueList& values) {
    writeRegistryValues(Hive::LocalMachine, kOptionsKeyPath, values);
}

uint32_t ReadRegistryDword(const RegistryKey& key, std::string_view name, uint32_t fallback) {
    return key.readDword(name).value_or(fallback);
}

std::string ReadRegistryString(const RegistryKey& key, std::string_view name,
                               std::string_view fallback, size_t maxBytes) {
    auto value = key.readString(name, maxBytes);
    return value ? *value : std::string(fallback);
}

}  // namespace platform
