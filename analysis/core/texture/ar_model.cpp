#include "analysis/core/texture/ar_model.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {

constexpr double kMissing = std::numeric_limits<double>::infinity();

double det3(const std::array<std::array<double, 4>, 4>& a, int skipRow, int skipColumn) {
    double m[3][3];
    for (int i = 0, r = 0; i < 4; ++i) {
        if (i == skipRow) continue;
        for (int j = 0, c = 0; j < 4; ++j) {
            if (j == skipColumn) continue;
            m[r][c++] = a[static_cast<size_t>(i)][static_cast<size_t>(j)];
        }
        ++r;
    }
    return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) -
           m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
           m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
}

}  // namespace

bool SolveByCofactors(const std::array<std::array<double, 4>, 4>& a, const std::array<double, 4>& b,
                      std::array<double, 4>& teta) {
    double det = 0;
    for (int j = 0; j < 4; ++j)
        det += ((j % 2) ? -1.0 : 1.0) * a[0][static_cast<size_t>(j)] * det3(a, 0, j);
    if (det == 0.0) return false;
    std::array<std::array<double, 4>, 4> inverse{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            inverse[static_cast<size_t>(j)][static_cast<size_t>(i)] =
                (((i + j) % 2) ? -1.0 : 1.0) * det3(a, i, j) / det;
    for (size_t i = 0; i < 4; ++i) {
        double sum = 0;
        for (size_t j = 0; j < 4; ++j) sum += inverse[i][j] * b[j];
        teta[i] = sum;
    }
    return true;
}

ArValues FitArModel(const ImagePlane& grey, const ImagePlane& roiMap, uint16_t roiBit, int32_t xmin,
                    int32_t ymin, int32_t xmax, int32_t ymax) {
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
            if (roiMap.at(x, y) & roiBit) {
                sum += grey.at(x, y);
                ++count;
            }
    if (count == 0) return {0, 0, 0, 0, 0, 0};
    const double mean = sum / static_cast<double>(count);
    double squares = 0;
    for (int32_t y = ymin; y <= ymax; ++y)
        for (int32_t x = xmin; x <= xmax; ++x)
            if (roiMap.at(x, y) & roiBit) {
                double d = grey.at(x, y) - mean;
                squares += d * d;
            }
    const double variance = squares / static_cast<double>(count);
    if (!(variance > 0)) return {0, kMissing, kMissing, kMissing, kMissing, kMissing};
    const double sd = std::sqrt(variance);
    auto z = [&](int32_t x, int32_t y) { return (grey.at(x, y) - mean) / sd; };

    std::array<std::array<double, 4>, 4> a{};
    std::array<double, 4> b{};
    int64_t k = 0;
    auto usable = [&](int32_t x, int32_t y) {
        return in(x, y) && in(x - 1, y) && in(x, y - 1) && in(x - 1, y - 1) && in(x + 1, y - 1);
    };
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
    if (!SolveByCofactors(a, b, teta))
        return {static_cast<double>(k), kMissing, kMissing, kMissing, kMissing, kMissing};

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
