#include "TGlowLabel.h"

#include <QPainter>

namespace {

// The halo passes, in the order they are drawn: the text moved one pixel along each diagonal.
constexpr QPoint kHaloOffsets[] = {{1, 1}, {-1, -1}, {-1, 1}, {1, -1}};

} // namespace

TGlowLabel::TGlowLabel(QWidget *parent) : TCustomLabel(parent) {}

void TGlowLabel::SetGlowColor(TColor color)
{
    if (m_glowColor == color)
        return;
    m_glowColor = color;
    update();
}

// Neither notification is handed to the label's own handling: hovering only changes the look.
void TGlowLabel::MouseEnter()
{
    m_hovered = true;
    update();
}

void TGlowLabel::MouseLeave()
{
    m_hovered = false;
    update();
}

void TGlowLabel::Paint(QPainter &painter)
{
    if (!Transparent())
        painter.fillRect(rect(), ToQColor(Color()));

    const QString text = Caption().left(kMaxPaintedChars);
    // DrawTextFlags is always top-aligned; wrapping is added whatever WordWrap says.
    const int flags = DrawTextFlags() | Qt::TextWordWrap;
    const QRect area = rect();
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);

    const bool enabled = isEnabled();
    if (m_hovered && enabled) {
        painter.setPen(ToQColor(m_glowColor));
        for (const QPoint offset : kHaloOffsets)
            painter.drawText(area.translated(offset), flags, text);
    }
    painter.setPen(ToQColor(enabled ? FontColor() : clGrayText));
    painter.drawText(area, flags, text);
}
