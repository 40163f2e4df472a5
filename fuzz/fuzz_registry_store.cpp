// The registry store file is read at every start; whatever it holds, parsing
// must end, and a store that parses must come back unchanged from its text.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/registry.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    auto keys = platform::parseRegistryStore(text);
    if (keys) {
        auto again = platform::parseRegistryStore(platform::formatRegistryStore(*keys));
        if (!again || platform::formatRegistryStore(*again) != platform::formatRegistryStore(*keys))
            std::abort();
    }
    return 0;
}
