#include "platform/textformat.h"

#include <locale.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace platform {

namespace {

locale_t cLocale() {
    static locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

// Switches the calling thread to the "C" locale for the lifetime of the guard.
class CLocaleScope {
  public:
    CLocaleScope() : previous_(uselocale(cLocale())) {}
    ~CLocaleScope() { uselocale(previous_); }
    CLocaleScope(const CLocaleScope&) = delete;
    CLocaleScope& operator=(const CLocaleScope&) = delete;

  private:
    locale_t previous_;
};

}  // namespace

std::string cformat(const char* format, ...) {
    CLocaleScope scope;
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    char small[256];
    int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (n < 0) {
        va_end(copy);
        return out;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else {
        out.resize(static_cast<size_t>(n) + 1);
        std::vsnprintf(out.data(), out.size(), format, copy);
        out.resize(static_cast<size_t>(n));
    }
    va_end(copy);
    return out;
}

void appendExponent(std::string& out, double value, int width, int precision) {
    char text[80];
    size_t size = 0;
    auto put = [&](std::string_view part) {
        part.copy(text + size, part.size());
        size += part.size();
    };
    if (std::isnan(value)) {
        put("NAN");
    } else if (std::isinf(value)) {
        put(value < 0 ? "-INF" : "INF");
    } else {
        // to_chars gives printf's "%.*e" digits without any locale, and fast.
        const int digits = std::clamp(precision, 2, 18);
        char buffer[64];
        auto result = std::to_chars(buffer, buffer + sizeof buffer, value,
                                    std::chars_format::scientific, digits - 1);
        std::string_view plain(buffer, static_cast<size_t>(result.ptr - buffer));  // "5.00000e-01"
        const size_t e = plain.find('e');
        put(plain.substr(0, e));
        text[size++] = 'E';
        text[size++] = plain[e + 1];
        const std::string_view exponent = plain.substr(e + 2);
        for (size_t pad = exponent.size(); pad < 3; ++pad) text[size++] = '0';
        put(exponent);
    }
    if (static_cast<int>(size) < width) out.append(static_cast<size_t>(width) - size, ' ');
    out.append(text, size);
}

std::string formatExponent(double value, int width, int precision) {
    std::string text;
    appendExponent(text, value, width, precision);
    return text;
}

std::optional<int32_t> parseInt(std::string_view text) {
    if (!text.empty() && text.front() == '+') {
        text.remove_prefix(1);
        if (!text.empty() && text.front() == '-') return std::nullopt;
    }
    int32_t value = 0;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<double> parseReal(std::string_view text, bool allowNonFinite) {
    if (text.empty()) return std::nullopt;
    // strtod alone would also take leading blanks, hexadecimal and "inf".
    for (char c : text) {
        bool numeric =
            (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.' || c == 'e' || c == 'E';
        bool word = allowNonFinite && std::strchr("infINFtyTYaA", c) != nullptr && c != '\0';
        if (!numeric && !word) return std::nullopt;
    }
    std::string copy(text);
    char* end = nullptr;
    errno = 0;
    double value = strtod_l(copy.c_str(), &end, cLocale());
    if (end != copy.c_str() + copy.size()) return std::nullopt;
    // Overflow is refused; underflow to zero or a subnormal is a fine value.
    if (errno == ERANGE && std::isinf(value)) return std::nullopt;
    if (!allowNonFinite && !std::isfinite(value)) return std::nullopt;
    return value;
}

int cToInt(std::string_view text) {
    std::string copy(text);
    CLocaleScope scope;
    long value = std::strtol(copy.c_str(), nullptr, 10);
    return static_cast<int>(std::clamp<long>(value, INT32_MIN, INT32_MAX));
}

double cToReal(std::string_view text) {
    std::string copy(text);
    return strtod_l(copy.c_str(), nullptr, cLocale());
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = lowerAscii(c);
    return out;
}

std::string upperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = upperAscii(c);
    return out;
}

bool equalsNoCase(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return lowerAscii(x) == lowerAscii(y);
           });
}

bool lessNoCase(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(lowerAscii(x)) <
               static_cast<unsigned char>(lowerAscii(y));
    });
}

}  // namespace platform
