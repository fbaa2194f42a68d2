#include "TStaticText.h"

#include <QPainter>

TStaticText::TStaticText(QWidget *parent) : TCustomLabel(parent)
{
}

void TStaticText::SetBorderStyle(Tk::TStaticBorderStyle style)
{
    if (m_borderStyle == style)
        return;
    m_borderStyle = style;
    update();
}

QMargins TStaticText::TextMargins() const
{
    // The room is kept with or without a border, so that switching the border never moves the text.
    return {kTextMargin, kTextMargin, kTextMargin, kTextMargin};
}

void TStaticText::Paint(QPainter &painter)
{
    TCustomLabel::Paint(painter);
    QRect frame = rect();
    switch (m_borderStyle) {
    case sbsNone:
        break;
    case sbsSingle:
        Frame3D(painter, frame, ToQColor(clWindowFrame), ToQColor(clWindowFrame), 1);
        break;
    case sbsSunken:
        Frame3D(painter, frame, ToQColor(clBtnShadow), ToQColor(clBtnHighlight), 1);
        break;
    }
}
