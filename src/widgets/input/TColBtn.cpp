#include "TColBtn.h"

#include <QPainter>

namespace {

// A rectangle from (Left, Top) to (Right, Bottom) exclusive: a one-pixel border in Pen, Fill inside.
void BorderedRect(QPainter &painter, int left, int top, int right, int bottom, const QColor &pen, const QColor &fill)
{
    if (right <= left || bottom <= top)
        return;
    painter.fillRect(QRect(left, top, right - left, bottom - top), pen);
    if (right - left > 2 && bottom - top > 2)
        painter.fillRect(QRect(left + 1, top + 1, right - left - 2, bottom - top - 2), fill);
}

} // namespace

TColBtn::TColBtn(QWidget *parent) : TSpeedButton(parent)
{
    SetColor(clWindow);
}

void TColBtn::Paint(QPainter &painter)
{
    TSpeedButton::Paint(painter);

    const bool enabled = isEnabled();
    const QColor fill = ToQColor(enabled ? Color() : clBtnFace);
    const QColor pen = ToQColor(enabled ? clBlack : clGray);
    const QColor gray = ToQColor(clGray);
    const int w = width();
    const int h = height();
    const int m = h / 5;

    if (!Glyph().isNull()) {
        const Tk::TButtonState state = State();
        const int x = w / 2 - 3 + ((state == bsDown || state == bsExclusive) ? 1 : 0);
        BorderedRect(painter, x, x, x + 11, x + 11, pen, fill);
    } else if (Caption().isEmpty()) {
        BorderedRect(painter, m, m, w - m, h - m, gray, fill);
    } else {
        // The outline passes through all four corner points.
        const int l = m - 1;
        const int t = m - 1;
        const int r = w - m + 1;
        const int b = h - m + 1;
        painter.fillRect(QRect(l, t, r - l + 1, 1), gray);
        painter.fillRect(QRect(l, b, r - l + 1, 1), gray);
        painter.fillRect(QRect(l, t, 1, b - t + 1), gray);
        painter.fillRect(QRect(r, t, 1, b - t + 1), gray);
        BorderedRect(painter, m + 1, m + 1, h, h - m, gray, fill);
    }
}
