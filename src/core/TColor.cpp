#include "TColor.h"

#include <array>

namespace {

// The classic desktop scheme. Fixed on purpose: the widgets' painted effects are designed
// against these values, and a program that follows the desktop theme would look different
// on every machine.
constexpr std::array<quint32, 31> kSystemColors = {
    0xC0C0C0, // 0  scroll bar
    0x808000, // 1  desktop
    0x800000, // 2  active caption
    0x808080, // 3  inactive caption
    0xC0C0C0, // 4  menu
    0xFFFFFF, // 5  window
    0x000000, // 6  window frame
    0x000000, // 7  menu text
    0x000000, // 8  window text
    0xFFFFFF, // 9  caption text
    0xC0C0C0, // 10 active border
    0xC0C0C0, // 11 inactive border
    0x808080, // 12 application work space
    0x800000, // 13 highlight
    0xFFFFFF, // 14 highlight text
    0xC0C0C0, // 15 button face
    0x808080, // 16 button shadow
    0x808080, // 17 grey text
    0x000000, // 18 button text
    0xC0C0C0, // 19 inactive caption text
    0xFFFFFF, // 20 button highlight
    0x000000, // 21 3D dark shadow
    0xDFDFDF, // 22 3D light
    0x000000, // 23 info text
    0xE1FFFF, // 24 info background
    0xB5B5B5, // 25 (unused)
    0x800000, // 26 hot light
    0xD08410, // 27 gradient active caption
    0xB5B5B5, // 28 gradient inactive caption
    0x800000, // 29 menu highlight
    0xC0C0C0, // 30 menu bar
};

} // namespace

TColor ColorToRGB(TColor color)
{
    if (!IsSystemColor(color))
        return color;
    const quint32 index = TColorBits(color) & 0xFF;
    return index < kSystemColors.size() ? TColorFromBits(kSystemColors[index]) : clBlack;
}

QString ColorToHex(TColor color)
{
    return QStringLiteral("$%1").arg(TColorBits(color), 8, 16, QLatin1Char('0')).toUpper();
}
