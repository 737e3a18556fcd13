// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>

#include <QColor>

// A colour as the program stores it: plain colours are 0x00BBGGRR (red in the
// lowest byte); a value whose highest byte is 0xFF names a system colour, its
// lowest byte being the GetSysColor index.
using TColor = std::uint32_t;

constexpr TColor RGBColor(int red, int green, int blue)
{
    return static_cast<TColor>(red & 0xFF) | static_cast<TColor>(green & 0xFF) << 8 |
           static_cast<TColor>(blue & 0xFF) << 16;
}

constexpr TColor SysColor(int index)
{
    return 0xFF000000u | static_cast<TColor>(index & 0xFF);
}

constexpr bool IsSysColor(TColor color)
{
    return (color & 0xFF000000u) == 0xFF000000u;
}

inline constexpr TColor clBlack = RGBColor(0x00, 0x00, 0x00);
inline constexpr TColor clMaroon = RGBColor(0x80, 0x00, 0x00);
inline constexpr TColor clGreen = RGBColor(0x00, 0x80, 0x00);
inline constexpr TColor clOlive = RGBColor(0x80, 0x80, 0x00);
inline constexpr TColor clNavy = RGBColor(0x00, 0x00, 0x80);
inline constexpr TColor clPurple = RGBColor(0x80, 0x00, 0x80);
inline constexpr TColor clTeal = RGBColor(0x00, 0x80, 0x80);
inline constexpr TColor clGray = RGBColor(0x80, 0x80, 0x80);
inline constexpr TColor clSilver = RGBColor(0xC0, 0xC0, 0xC0);
inline constexpr TColor clRed = RGBColor(0xFF, 0x00, 0x00);
inline constexpr TColor clLime = RGBColor(0x00, 0xFF, 0x00);
inline constexpr TColor clYellow = RGBColor(0xFF, 0xFF, 0x00);
inline constexpr TColor clBlue = RGBColor(0x00, 0x00, 0xFF);
inline constexpr TColor clFuchsia = RGBColor(0xFF, 0x00, 0xFF);
inline constexpr TColor clAqua = RGBColor(0x00, 0xFF, 0xFF);
inline constexpr TColor clWhite = RGBColor(0xFF, 0xFF, 0xFF);

// The system colours the program uses, by their GetSysColor indices (named
// after the indices' Windows names; <windows.h> defines COLOR_MENU and the
// like as macros, so the program's own names must differ from them).
inline constexpr TColor clActiveCaption = SysColor(2);   // COLOR_ACTIVECAPTION
inline constexpr TColor clMenuText = SysColor(7);        // COLOR_MENUTEXT
inline constexpr TColor clCaptionText = SysColor(9);     // COLOR_CAPTIONTEXT
inline constexpr TColor clBtnFace = SysColor(15);        // COLOR_BTNFACE

// The toolkit's colour for a program colour. System colours come from the
// application palette's matching role (button face: Button, active caption:
// Highlight, caption text: HighlightedText, menu text: Text); an index with
// no matching role gives black.
QColor ColorToQColor(TColor color);
