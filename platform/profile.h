// INI option files with the semantics of the Windows profile functions that
// the option groups rely on: sections and keys compare without regard to
// letter case, a missing key gives the caller's default, and a write changes
// only its own line, keeping every other section, key and comment as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace platform {

// The option section of Vantu's option files.
inline constexpr std::string_view kOptionsSection = "Vantu_DRIM";

class IniFile {
  public:
    IniFile() = default;
    // Parses text already read from a file; never fails (lines that are
    // neither section headers nor key=value pairs are kept as they are). A
    // UTF-8 byte-order mark at the start is skipped, and kept for text().
    static IniFile parse(std::string_view text);

    // Reads `path`; a missing or unreadable file gives an empty profile and
    // false, like the Windows functions that treat it as empty.
    bool load(const std::string& path);
    // Writes the whole profile; false when the file could not be written.
    bool save(const std::string& path) const;
    std::string text() const;

    bool hasKey(std::string_view section, std::string_view key) const;
    // Where the key stands in the text (its 0-based line), -1 when missing:
    // for telling the user about keys in the order the file lists them.
    long keyLine(std::string_view section, std::string_view key) const;
    // The value of the key, with surrounding blanks and one pair of matching
    // quotes removed; `fallback` when the section or key is missing.
    std::string getString(std::string_view section, std::string_view key,
                          std::string_view fallback) const;
    // The leading decimal integer of the value (0 when it has none), or
    // `fallback` when the key is missing.
    int getInt(std::string_view section, std::string_view key, int fallback) const;

    void setString(std::string_view section, std::string_view key, std::string_view value);
    // "%i"
    void setInt(std::string_view section, std::string_view key, int value);
    // "%.2f", with a decimal point whatever the user's locale
    void setReal(std::string_view section, std::string_view key, double value);

  private:
    // Index of the section header line, or -1.
    long findSection(std::string_view section) const;
    // Index of the key's line within the section starting at `header`, or -1.
    long findKey(long header, std::string_view key) const;

    std::vector<std::string> lines_;  // without their line ends
    bool byteOrderMark_ = false;      // written back before the first line
    std::string lineEnd_ = "\r\n";
};

}  // namespace platform
