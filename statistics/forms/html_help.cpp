#include "statistics/forms/html_help.h"

#include <algorithm>
#include <filesystem>
#include <utility>

#include "platform/help_file.h"
#include "platform/shell.h"
#include "platform/textformat.h"

namespace {

constexpr char kHelpBoxCaption[] = "r62";

std::string& helpFileName() {
    static std::string name;
    return name;
}

HelpOpener& opener() {
    static HelpOpener current = [](const std::string& path) {
        return platform::openHelpFile(path, kHelpBoxCaption);
    };
    return current;
}

}  // namespace

HtmlHelpCall htmlHelpCallFor(unsigned helpCommand, uintptr_t data) {
    switch (helpCommand) {
        case HELP_CONTEXT:
        case HELP_CONTEXTPOPUP:
            return {HH_HELP_CONTEXT, data, true};
        case HELP_KEY:
            return {HH_DISPLAY_INDEX, data, true};
        case HELP_QUIT:
            return {HH_CLOSE_ALL, 0, false};
        default:
            return {HH_DISPLAY_TOPIC, 0, true};
    }
}

void setApplicationHelpFile(const std::string& name) {
    helpFileName() = name;
}

const std::string& applicationHelpFile() {
    return helpFileName();
}

bool HtmlHelpHook(unsigned command, uintptr_t data, bool& callHelp) {
    callHelp = false;
    const HtmlHelpCall call = htmlHelpCallFor(command, data);
    HtmlHelpA(call.withFile ? applicationHelpFile() : std::string(), call.command, call.data);
    return true;
}

bool HtmlHelpA(const std::string& file, int command, uintptr_t /*data*/) {
    if (command == HH_CLOSE_ALL) return true;
    if (file.empty()) return false;
    const std::string path = std::filesystem::path(file).is_absolute()
                                 ? file
                                 : resolveHelpFile(platform::programFolder(), file);
    return opener()(path);
}

std::string resolveHelpFile(const std::string& folder, const std::string& name) {
    const std::filesystem::path exact = std::filesystem::path(folder) / name;
    std::error_code ec;
    if (std::filesystem::exists(exact, ec)) return exact.string();
    for (std::filesystem::directory_iterator it(folder, ec), end; !ec && it != end;
         it.increment(ec)) {
        if (platform::equalsNoCase(it->path().filename().string(), name))
            return it->path().string();
    }
    return exact.string();
}

HelpOpener setHelpOpener(HelpOpener replacement) {
    return std::exchange(opener(), std::move(replacement));
}
