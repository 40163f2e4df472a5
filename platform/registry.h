// A small typed key/value store with the behaviour the programs expect of the
// Windows registry: keys under two hives, values of type DWORD or string, a
// value read only when its type matches, writes that fail silently.
//
// Everything lives in one human-readable text file, by default
// $XDG_CONFIG_HOME/vantu/registry.txt (~/.config/... when unset). The
// environment variable VANTU_REGISTRY_FILE names another file; tests use it so
// that they never touch the user's real store.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace platform {

enum class Hive { LocalMachine, ClassesRoot };

// The program key of Vantu under HKEY_LOCAL_MACHINE.
inline constexpr std::string_view kOptionsKeyPath = "SOFTWARE\\KWL_Software\\Vantu4_00";

enum class RegistryType { Dword, String };

struct RegistryValue {
    std::variant<uint32_t, std::string> data;
    RegistryType type() const {
        return std::holds_alternative<uint32_t>(data) ? RegistryType::Dword : RegistryType::String;
    }
};

// ASCII case-insensitive ordering: key paths and value names compare like
// the registry's.
struct CaseInsensitiveLess {
    bool operator()(std::string_view a, std::string_view b) const;
    using is_transparent = void;
};

using RegistryValues = std::map<std::string, RegistryValue, CaseInsensitiveLess>;
// Full key name ("HKEY_LOCAL_MACHINE\SOFTWARE\...") -> its values. The empty
// value name is the key's default value.
using RegistryKeys = std::map<std::string, RegistryValues, CaseInsensitiveLess>;

// Text form of the store. parseRegistryStore returns nothing for a text that
// is not a complete store (wrong magic, malformed line, missing end line);
// the caller then starts from an empty store.
std::string formatRegistryStore(const RegistryKeys& keys);
std::optional<RegistryKeys> parseRegistryStore(std::string_view text);

// What can be saved of a store text that parseRegistryStore refuses: every
// well-formed value line under a well-formed key line. damaged tells that
// something was dropped or the text was cut; unreadable that the text is not
// a store at all (no values kept).
struct RegistryStoreSalvage {
    RegistryKeys keys;
    bool damaged = false;
    bool unreadable = false;
};
RegistryStoreSalvage salvageRegistryStore(std::string_view text);

// Path of the store file for the current environment. A store that cannot be
// read completely is copied to this path + ".bad" (with a message on standard
// error) before the next write replaces it; reads keep every value that
// could be read.
std::string registryStorePath();

// An open key. Opening for query fails when the key does not exist; creating
// fails only when the store cannot be written. Writes are kept in the handle
// and go to the file when the handle is closed or destroyed; a failed file
// write is silent: settings are a convenience, and losing one must never
// stop the program or interrupt the user.
class RegistryKey {
  public:
    RegistryKey() = default;
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    RegistryKey(RegistryKey&& other) noexcept;
    RegistryKey& operator=(RegistryKey&& other) noexcept;
    ~RegistryKey();

    static RegistryKey open(Hive hive, std::string_view path);
    static RegistryKey create(Hive hive, std::string_view path);

    bool isOpen() const { return open_; }

    std::optional<uint32_t> readDword(std::string_view name) const;
    // A string value longer than maxBytes - 1 is cut there, as a read into a
    // fixed buffer of maxBytes bytes would be.
    std::optional<std::string> readString(std::string_view name, size_t maxBytes = 4096) const;

    bool writeDword(std::string_view name, uint32_t value);
    bool writeString(std::string_view name, std::string_view value);
    bool writeValue(std::string_view name, const RegistryValue& value);

    // Writes pending changes to the store file; returns whether that worked.
    bool close();

  private:
    std::string fullName_;
    RegistryValues values_;
    std::set<std::string, CaseInsensitiveLess> written_;  // names to merge into the store on close
    bool open_ = false;
    bool writable_ = false;
    bool dirty_ = false;
};

// Convenience for the option groups: the value of `name` under an open key,
// or `fallback` when the key is closed, the value is missing or has another type.
// Named values in the order they are written.
using RegistryValueList = std::vector<std::pair<std::string, RegistryValue>>;

// Creates or opens the key and writes the values in their order; nothing is
// written, and nothing said, when the key cannot be created.
void writeRegistryValues(Hive hive, std::string_view path, const RegistryValueList& values);

// The program key every option group keeps its values under: opened for
// reading, and written in the order of `values`.
RegistryKey openOptionsKey();
void writeOptionValues(const RegistryValueList& values);

uint32_t ReadRegistryDword(const RegistryKey& key, std::string_view name, uint32_t fallback);
std::string ReadRegistryString(const RegistryKey& key, std::string_view name,
                               std::string_view fallback, size_t maxBytes);

}  // namespace platform
