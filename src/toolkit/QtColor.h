#pragma once

#include "TColor.h"

#include <QColor>

// A stored colour as Qt paints it: resolved through the fixed system colour table, opaque.
inline QColor ToQColor(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

inline TColor FromQColor(const QColor &color)
{
    return RGBColor(color.red(), color.green(), color.blue());
}
