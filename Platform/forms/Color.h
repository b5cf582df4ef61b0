#pragma once

#include <QColor>

#include <cstdint>

namespace vrx::forms {

/// A window colour value 0x00BBGGRR: red in the lowest byte. Values with the top bit set name a
/// system colour (0x80000000 + index), resolved through the desktop's palette.
using TColor = std::uint32_t;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clWhite = 0xFFFFFF;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clNone = 0x1FFFFFFF;
/// System colours used by the windows: the face of buttons and forms, and the text of
/// inactive captions (used for switched-off rows).
inline constexpr TColor clBtnFace = 0x8000000F;
inline constexpr TColor clInactiveCaptionText = 0x80000013;
inline constexpr TColor clInactiveCaption = 0x80000003;
inline constexpr TColor clWindow = 0x80000005;
inline constexpr TColor clWindowText = 0x80000008;
inline constexpr TColor clHighlight = 0x8000000D;

/// The value as a Qt colour; system colours map onto the application palette's nearest role.
QColor toQColor(TColor color);
/// The window colour value of a Qt colour (alpha is dropped).
TColor fromQColor(const QColor& color);

/// The colour value built from its three components.
constexpr TColor rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
    return static_cast<TColor>(r) | (static_cast<TColor>(g) << 8) | (static_cast<TColor>(b) << 16);
}

} // namespace vrx::forms
