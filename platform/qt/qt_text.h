// The windows' conversions between the programs' plain values and Qt's:
// colours kept as 0x00BBGGRR (the programs' colour tables) and UTF-8 text.
#pragma once

#include <QColor>
#include <QString>
#include <cstdint>
#include <string>
#include <string_view>

namespace platform {

inline QColor colourFromBgr(uint32_t bgr) {
    return QColor(static_cast<int>(bgr & 0xFF), static_cast<int>((bgr >> 8) & 0xFF),
                  static_cast<int>((bgr >> 16) & 0xFF));
}

inline QString qtText(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline std::string stdText(const QString& text) {
    return text.toUtf8().toStdString();
}

}  // namespace platform
