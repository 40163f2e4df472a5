#include "analysis/core/runner/file_types.h"

#include <string>

#include "platform/registry.h"
#include "platform/shell.h"

namespace {

void setDefaultValue(std::string_view keyPath, std::string_view value) {
    auto key = platform::RegistryKey::create(platform::Hive::ClassesRoot, keyPath);
    key.writeString("", value);
}

}  // namespace

void RegisterFileTypes() {
    const std::string program = platform::programPath();
    for (std::string_view extension : kRegisteredExtensions) {
        const std::string ext(extension);
        const std::string fileClass = ext + ".file";
        {
            auto key = platform::RegistryKey::create(platform::Hive::ClassesRoot, "." + ext);
            if (!key.isOpen()) continue;
            key.writeString("", fileClass);
        }
        setDefaultValue(fileClass, "Vantu image file " + ext);
        setDefaultValue(fileClass + "\\DefaultIcon", program + ",1");
        setDefaultValue(fileClass + "\\shell\\open\\command", program + " %1");
    }
}
