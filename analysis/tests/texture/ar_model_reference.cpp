#include "analysis/tests/texture/ar_model_reference.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

ArValues plainArFit(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit, int32_t xmin,
                    int32_t ymin, int32_t xmax, int32_t ymax) {
    constexpr double kInf = std::numeric_limits<double>::infinity();
    xmin = std::max(xmin, 0);
    ymin = std::max(ymin, 0);
    xmax = std::min(xmax, std::min(grey.width, roiMap.width) - 1);
    ymax = std::min(ymax, std::min(grey.height, roiMap.height) - 1);
    auto in = [&](int32_t x, int32_t y) {
        return x >= xmin && x <= xmax && y >= ymin && y <= ymax && (roiMap.at(x, y) & roiBit);
    };
    double sum = 0;
    int64_t count = 0;
    for (int32_t y = ymin; y <= ymax; ++y)
        for (int32_t x = xmin; x <= xmax; ++x)
            if (roiMap.at(x, y) & roiBit) sum += grey.at(x, y), ++count;
    if (count == 0) return {0, 0, 0, 0, 0, 0};
    const double mean = sum / static_cast<double>(count);
    double squares = 0;
    for (int32_t y = ymin; y <= ymax; ++y)
        for (int32_t x = xmin; x <= xmax; ++x)
            if (roiMap.at(x, y) & roiBit)
                squares += (grey.at(x, y) - mean) * (grey.at(x, y) - mean);
    const double variance = squares / static_cast<double>(count);
    if (!(variance > 0)) return {0, kInf, kInf, kInf, kInf, kInf};
    const double sd = std::sqrt(variance);
    auto z = [&](int32_t x, int32_t y) { return (grey.at(x, y) - mean) / sd; };
    auto usable = [&](int32_t x, int32_t y) {
        return in(x, y) && in(x - 1, y) && in(x, y - 1) && in(x - 1, y - 1) && in(x + 1, y - 1);
    };
    std::array<std::array<double, 4>, 4> a{};
    std::array<double, 4> b{};
    int64_t k = 0;
    for (int32_t y = ymin + 1; y <= ymax; ++y)
        for (int32_t x = xmin + 1; x <= xmax - 1; ++x) {
            if (!usable(x, y)) continue;
            const double w = z(x, y);
            const std::array<double, 4> u = {z(x - 1, y), z(x - 1, y - 1), z(x, y - 1),
                                             z(x + 1, y - 1)};
            for (size_t i = 0; i < 4; ++i) {
                b[i] += w * u[i];
                for (size_t j = 0; j < 4; ++j) a[i][j] += u[i] * u[j];
            }
            ++k;
        }
    std::array<double, 4> teta{};
    if (!solveArSystem(a, b, k, teta))
        return {static_cast<double>(k), kInf, kInf, kInf, kInf, kInf};
    double residual = 0;
    for (int32_t y = ymin + 1; y <= ymax; ++y)
        for (int32_t x = xmin + 1; x <= xmax - 1; ++x) {
            if (!usable(x, y)) continue;
            const double e = z(x, y) - (teta[0] * z(x - 1, y) + teta[1] * z(x - 1, y - 1) +
                                        teta[2] * z(x, y - 1) + teta[3] * z(x + 1, y - 1));
            residual += e * e;
        }
    return {static_cast<double>(k),
            teta[0],
            teta[1],
            teta[2],
            teta[3],
            std::sqrt(residual / static_cast<double>(k))};
}
