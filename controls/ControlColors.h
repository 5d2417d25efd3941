#pragma once
// Colours as the rest of the program stores them (0x00BBGGRR) and their
// conversion for Qt at the moment of painting.

#include <QColor>
#include <cstdint>

namespace kestrava {

using TColor = std::uint32_t; // 0x00BBGGRR

inline constexpr TColor ColorBlack = 0x000000;
inline constexpr TColor ColorWhite = 0xFFFFFF;
inline constexpr TColor ColorGreen = 0x008000;
inline constexpr TColor ColorRed = 0x0000FF;
inline constexpr TColor ColorNavy = 0x800000;
inline constexpr TColor ColorMaroon = 0x000080;

inline QColor ToQColor(TColor Color) {
  return QColor(static_cast<int>(Color & 0xFF), static_cast<int>((Color >> 8) & 0xFF),
                static_cast<int>((Color >> 16) & 0xFF));
}

} // namespace kestrava
