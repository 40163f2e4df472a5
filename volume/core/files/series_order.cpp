#include "volume/core/files/series_order.h"

#include <algorithm>

#include "platform/textformat.h"

namespace {

bool seriesLess(const std::string& a, const std::string& b) {
    if (platform::lessNoCase(a, b)) return true;
    if (platform::lessNoCase(b, a)) return false;
    return a < b;
}

}  // namespace

std::vector<std::string> sortSeriesPaths(std::vector<std::string> paths) {
    std::sort(paths.begin(), paths.end(), seriesLess);
    return paths;
}
