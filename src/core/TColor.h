#pragma once

#include <QString>
#include <QtGlobal>

// A colour value as the program stores it: a plain colour is $00BBGGRR (blue, green and red bytes),
// a system colour is $80000000 plus the index of the system colour. System colours are resolved
// through one fixed table so that the program looks the same on every desktop.
using TColor = qint32;

constexpr TColor TColorFromBits(quint32 bits) { return static_cast<TColor>(bits); }
constexpr quint32 TColorBits(TColor color) { return static_cast<quint32>(color); }

constexpr TColor RGBColor(int red, int green, int blue)
{
    return TColorFromBits(quint32(red & 0xFF) | (quint32(green & 0xFF) << 8) | (quint32(blue & 0xFF) << 16));
}

constexpr int GetRValue(TColor color) { return int(TColorBits(color) & 0xFF); }
constexpr int GetGValue(TColor color) { return int((TColorBits(color) >> 8) & 0xFF); }
constexpr int GetBValue(TColor color) { return int((TColorBits(color) >> 16) & 0xFF); }

constexpr bool IsSystemColor(TColor color) { return (TColorBits(color) & 0xFF000000u) == 0x80000000u; }

constexpr TColor clBlack   = TColorFromBits(0x000000);
constexpr TColor clMaroon  = TColorFromBits(0x000080);
constexpr TColor clGreen   = TColorFromBits(0x008000);
constexpr TColor clOlive   = TColorFromBits(0x008080);
constexpr TColor clNavy    = TColorFromBits(0x800000);
constexpr TColor clPurple  = TColorFromBits(0x800080);
constexpr TColor clTeal    = TColorFromBits(0x808000);
constexpr TColor clGray    = TColorFromBits(0x808080);
constexpr TColor clSilver  = TColorFromBits(0xC0C0C0);
constexpr TColor clRed     = TColorFromBits(0x0000FF);
constexpr TColor clLime    = TColorFromBits(0x00FF00);
constexpr TColor clYellow  = TColorFromBits(0x00FFFF);
constexpr TColor clBlue    = TColorFromBits(0xFF0000);
constexpr TColor clFuchsia = TColorFromBits(0xFF00FF);
constexpr TColor clAqua    = TColorFromBits(0xFFFF00);
constexpr TColor clWhite   = TColorFromBits(0xFFFFFF);
constexpr TColor clNone    = TColorFromBits(0x1FFFFFFF);
constexpr TColor clDefault = TColorFromBits(0x20000000);

constexpr TColor clScrollBar           = TColorFromBits(0x80000000);
constexpr TColor clBackground          = TColorFromBits(0x80000001);
constexpr TColor clActiveCaption       = TColorFromBits(0x80000002);
constexpr TColor clInactiveCaption     = TColorFromBits(0x80000003);
constexpr TColor clMenu                = TColorFromBits(0x80000004);
constexpr TColor clWindow              = TColorFromBits(0x80000005);
constexpr TColor clWindowFrame         = TColorFromBits(0x80000006);
constexpr TColor clMenuText            = TColorFromBits(0x80000007);
constexpr TColor clWindowText          = TColorFromBits(0x80000008);
constexpr TColor clCaptionText         = TColorFromBits(0x80000009);
constexpr TColor clActiveBorder        = TColorFromBits(0x8000000A);
constexpr TColor clInactiveBorder      = TColorFromBits(0x8000000B);
constexpr TColor clAppWorkSpace        = TColorFromBits(0x8000000C);
constexpr TColor clHighlight           = TColorFromBits(0x8000000D);
constexpr TColor clHighlightText       = TColorFromBits(0x8000000E);
constexpr TColor clBtnFace             = TColorFromBits(0x8000000F);
constexpr TColor clBtnShadow           = TColorFromBits(0x80000010);
constexpr TColor clGrayText            = TColorFromBits(0x80000011);
constexpr TColor clBtnText             = TColorFromBits(0x80000012);
constexpr TColor clInactiveCaptionText = TColorFromBits(0x80000013);
constexpr TColor clBtnHighlight        = TColorFromBits(0x80000014);
constexpr TColor cl3DDkShadow          = TColorFromBits(0x80000015);
constexpr TColor cl3DLight             = TColorFromBits(0x80000016);
constexpr TColor clInfoText            = TColorFromBits(0x80000017);
constexpr TColor clInfoBk              = TColorFromBits(0x80000018);

// The plain $00BBGGRR value of a colour; system colours come from the fixed table, an unknown
// system index resolves to black. clNone and clDefault are returned unchanged.
TColor ColorToRGB(TColor color);

// "$00BBGGRR" as Qt prints it for messages and settings (upper-case, eight digits).
QString ColorToHex(TColor color);
