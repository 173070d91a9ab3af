#pragma once

#include <QColor>
#include <QPalette>
#include <QtGlobal>

namespace bp {

// A colour as the highlighter stores it: 0x00BBGGRR for an RGB colour (red in the low byte),
// 0x800000nn for the system colour number nn, or one of the two special values below.
using TColor = quint32;

// The attribute has no colour of its own: the editor's colour applies.
inline constexpr TColor clNone = 0x1FFFFFFF;
// The control's default colour; treated like clNone by toQColor.
inline constexpr TColor clDefault = 0x20000000;

inline constexpr TColor clBlack = 0x000000;
inline constexpr TColor clMaroon = 0x000080;
inline constexpr TColor clGreen = 0x008000;
inline constexpr TColor clOlive = 0x008080;
inline constexpr TColor clNavy = 0x800000;
inline constexpr TColor clPurple = 0x800080;
inline constexpr TColor clTeal = 0x808000;
inline constexpr TColor clGray = 0x808080;
inline constexpr TColor clSilver = 0xC0C0C0;
inline constexpr TColor clRed = 0x0000FF;
inline constexpr TColor clLime = 0x00FF00;
inline constexpr TColor clYellow = 0x00FFFF;
inline constexpr TColor clBlue = 0xFF0000;
inline constexpr TColor clFuchsia = 0xFF00FF;
inline constexpr TColor clAqua = 0xFFFF00;
inline constexpr TColor clWhite = 0xFFFFFF;
// The violet of control words (RGB 80 00 FF); it has no colour name.
inline constexpr TColor clControlsViolet = 0xFF0080;

inline constexpr TColor clSystemColor = 0x80000000;
inline constexpr TColor clScrollBar = clSystemColor | 0;
inline constexpr TColor clBackground = clSystemColor | 1;
inline constexpr TColor clActiveCaption = clSystemColor | 2;
inline constexpr TColor clInactiveCaption = clSystemColor | 3;
inline constexpr TColor clMenu = clSystemColor | 4;
inline constexpr TColor clWindow = clSystemColor | 5;
inline constexpr TColor clWindowFrame = clSystemColor | 6;
inline constexpr TColor clMenuText = clSystemColor | 7;
inline constexpr TColor clWindowText = clSystemColor | 8;
inline constexpr TColor clCaptionText = clSystemColor | 9;
inline constexpr TColor clActiveBorder = clSystemColor | 10;
inline constexpr TColor clInactiveBorder = clSystemColor | 11;
inline constexpr TColor clAppWorkSpace = clSystemColor | 12;
inline constexpr TColor clHighlight = clSystemColor | 13;
inline constexpr TColor clHighlightText = clSystemColor | 14;
inline constexpr TColor clBtnFace = clSystemColor | 15;
inline constexpr TColor clBtnShadow = clSystemColor | 16;
inline constexpr TColor clGrayText = clSystemColor | 17;
inline constexpr TColor clBtnText = clSystemColor | 18;
inline constexpr TColor clInactiveCaptionText = clSystemColor | 19;
inline constexpr TColor clBtnHighlight = clSystemColor | 20;
inline constexpr TColor cl3DDkShadow = clSystemColor | 21;
inline constexpr TColor cl3DLight = clSystemColor | 22;
inline constexpr TColor clInfoText = clSystemColor | 23;
inline constexpr TColor clInfoBk = clSystemColor | 24;

constexpr TColor rgbToTColor(int red, int green, int blue)
{
    return TColor(red & 0xFF) | (TColor(green & 0xFF) << 8) | (TColor(blue & 0xFF) << 16);
}

constexpr bool isSystemColor(TColor color)
{
    return (color & 0xFF000000) == clSystemColor;
}

// The colour to paint with. clNone and clDefault give an invalid QColor: the caller paints
// with its own colour then. System colours map to the palette's role for them (clInfoBk is
// QPalette::ToolTipBase, clWindow QPalette::Base, clWindowText QPalette::Text, clBtnFace
// QPalette::Button, ...); numbers without a matching role, and every system colour in the
// overload without a palette, give the classic Windows default value for that number.
QColor toQColor(TColor color, const QPalette &palette);
QColor toQColor(TColor color);

} // namespace bp
