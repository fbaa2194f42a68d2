#include "TControlTypes.h"

#include <QPainter>
#include <QVariant>
#include <QWidget>

void Frame3D(QPainter &painter, QRect &rect, const QColor &topLeft, const QColor &bottomRight, int width)
{
    // Rows and columns are filled, not stroked, so that the result is pixel-exact whatever pen or
    // transformation the painter carries.
    for (int i = 0; i < width && rect.width() > 0 && rect.height() > 0; ++i) {
        const int l = rect.left();
        const int t = rect.top();
        const int r = l + rect.width(); // exclusive
        const int b = t + rect.height();
        painter.fillRect(QRect(l, t, 1, b - t), topLeft);
        painter.fillRect(QRect(l, t, r - l, 1), topLeft);
        painter.fillRect(QRect(r - 1, t, 1, b - t), bottomRight);
        painter.fillRect(QRect(l, b - 1, r - l, 1), bottomRight);
        rect.adjust(1, 1, -1, -1);
    }
    if (rect.width() < 0)
        rect.setWidth(0);
    if (rect.height() < 0)
        rect.setHeight(0);
}

TColor ParentColorOf(const QWidget *parent)
{
    if (!parent)
        return clBtnFace;
    const QVariant published = parent->property("Color");
    bool isNumber = false;
    const int value = published.toInt(&isNumber);
    if (published.isValid() && isNumber)
        return TColor(value);
    return FromQColor(parent->palette().color(parent->backgroundRole()));
}
