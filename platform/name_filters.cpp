#include "platform/name_filters.h"

#include <utility>

#include "platform/dialogs.h"

namespace platform {

namespace {

// A pattern as Qt's wildcard matching has to see it to match what Windows matches.
std::string qtPattern(const std::string& pattern) {
    if (pattern == "*.*") return "*";
    return pattern;
}

// The description without a trailing "(...)" and the blanks before it.
std::string bareDescription(const std::string& description) {
    std::string text = description;
    while (!text.empty() && text.back() == ' ') text.pop_back();
    if (!text.empty() && text.back() == ')') {
        const size_t open = text.rfind('(');
        if (open != std::string::npos) text.erase(open);
    }
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

}  // namespace

std::vector<std::string> qtNameFilterStrings(const std::string& windowsFilter) {
    std::vector<std::string> filters;
    for (const FilterEntry& entry : parseFilter(windowsFilter)) {
        std::string patterns;
        for (const std::string& pattern : entry.patterns) {
            // Qt splits the bracket at blanks; a blank inside a pattern cannot survive.
            if (pattern.find(' ') != std::string::npos) continue;
            if (!patterns.empty()) patterns += ' ';
            patterns += qtPattern(pattern);
        }
        if (patterns.empty()) patterns.assign(1, '*');
        std::string description = bareDescription(entry.description);
        if (description.empty()) description = patterns;
        std::string qt = description;
        qt.append(" (").append(patterns).append(")");
        filters.push_back(std::move(qt));
    }
    return filters;
}

}  // namespace platform
