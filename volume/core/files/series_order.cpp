#include "volume/core/files/series_order.h"

#include <algorithm>

namespace {

unsigned char folded(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u - 'A' + 'a') : u;
}

bool seriesLess(const std::string& a, const std::string& b) {
    const size_t n = std::min(a.size(), b.size());
    for (size_t i = 0; i < n; ++i) {
        const unsigned char ca = folded(a[i]);
        const unsigned char cb = folded(b[i]);
        if (ca != cb) return ca < cb;
    }
    if (a.size() != b.size()) return a.size() < b.size();
    return a < b;
}

}  // namespace

std::vector<std::string> sortSeriesPaths(std::vector<std::string> paths) {
    std::sort(paths.begin(), paths.end(), seriesLess);
    return paths;
}
