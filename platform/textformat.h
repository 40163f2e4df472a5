// Number formatting and parsing that never depends on the user's locale:
// files written here always use the decimal point, whatever LC_NUMERIC says.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// printf with the "C" locale's conventions, whatever the process locale.
std::string cformat(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The statistics program's exponent form for a conversion "%w.pe": p counts
// significant digits (clamped to 2..18), the exponent is "E", a sign and at
// least three digits, right-aligned in w characters: formatExponent(0.5, 14, 6)
// gives "  5.00000E-001". Infinities and NaN give "INF", "-INF" and "NAN".
std::string formatExponent(double value, int width, int precision);
// The same text appended to `out`, without a temporary string: reports print
// tens of thousands of these.
void appendExponent(std::string& out, double value, int width, int precision);

// Strict parsing of numbers read from files: the whole text must be the
// number (an optional sign, then digits; for reals also a fraction and an
// exponent), without blanks or anything else around it.
std::optional<int32_t> parseInt(std::string_view text);
std::optional<double> parseReal(std::string_view text, bool allowNonFinite = false);

// The C library's lenient conversions (atoi, atof) in the "C" locale: leading
// blanks skipped, the longest number at the start taken, 0 when there is none.
int cToInt(std::string_view text);
double cToReal(std::string_view text);

// Letter case of names users type and files carry (commands, keywords,
// option keys, file names and extensions) is folded for ASCII letters only,
// whatever the locale: the C library's tolower follows LC_CTYPE, and under a
// Turkish locale it leaves "I" as it is, so "EXIT" would not be "Exit".
constexpr char lowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
constexpr char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}
std::string lowerAscii(std::string_view text);
std::string upperAscii(std::string_view text);
bool equalsNoCase(std::string_view a, std::string_view b);
// Byte order of the lower-case forms (bytes unsigned), a prefix first.
bool lessNoCase(std::string_view a, std::string_view b);

}  // namespace platform
