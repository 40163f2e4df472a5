// Option files come from anywhere; reading any of them must end, and a write
// must change only the key written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/profile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto ini = platform::IniFile::parse(text);
    (void)ini.getInt("Vantu_DRIM", "Do_co", 7);
    std::string before = ini.getString("Vantu_DRIM", "Ng_vt", "none");
    ini.setInt("Vantu_DRIM", "Do_co", 3);
    if (ini.getInt("Vantu_DRIM", "Do_co", 7) != 3) std::abort();
    if (ini.getString("Vantu_DRIM", "Ng_vt", "none") != before) std::abort();
    auto reread = platform::IniFile::parse(ini.text());
    if (reread.getInt("Vantu_DRIM", "Do_co", 7) != 3) std::abort();
    return 0;
}
