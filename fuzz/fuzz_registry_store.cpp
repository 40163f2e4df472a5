// The registry store file is read at every start; whatever it holds, parsing
// must end, and a store that parses must come back unchanged from its text.
// What the salvage keeps of any text is a sound store, and a text that
// parses is salvaged whole.
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
    platform::RegistryStoreSalvage salvage = platform::salvageRegistryStore(text);
    if (keys && (salvage.damaged || platform::formatRegistryStore(salvage.keys) !=
                                        platform::formatRegistryStore(*keys)))
        std::abort();
    platform::RegistryStoreSalvage again =
        platform::salvageRegistryStore(platform::formatRegistryStore(salvage.keys));
    if (again.damaged) std::abort();
    return 0;
}
