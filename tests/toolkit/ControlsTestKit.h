#pragma once

// Shared by the tests of the standard controls: a shown container over a known background, rendered
// whole (so window-less children paint over what the container painted), and pixel helpers.

#include "QtColor.h"

#include <QImage>
#include <QTest>
#include <QWidget>

constexpr TColor kBackground = TColorFromBits(0x00A2BDBF);

class Container : public QWidget
{
public:
    explicit Container(QSize size = QSize(300, 200))
    {
        QPalette palette;
        palette.setColor(QPalette::Window, ToQColor(kBackground));
        setPalette(palette);
        setAutoFillBackground(true);
        QFont text(QStringLiteral("Liberation Sans"));
        text.setPixelSize(13);
        text.setStyleStrategy(QFont::NoAntialias); // text pixels in exact colours
        setFont(text);
        resize(size);
    }
    void ShowAndWait()
    {
        show();
        QVERIFY(QTest::qWaitForWindowExposed(this));
    }
    QImage Render()
    {
        QImage image(size(), QImage::Format_RGB32);
        render(&image);
        return image;
    }
};

// The plain colour of a pixel; compare it with ColorToRGB of a system colour.
inline TColor PixelAt(const QImage &image, int x, int y)
{
    return FromQColor(QColor(image.pixel(x, y)));
}

// The smallest rectangle holding every pixel of Area that differs from Color.
inline QRect InkBounds(const QImage &image, const QRect &area, TColor color)
{
    const QRgb plain = ToQColor(color).rgb();
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) != plain)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

// The smallest rectangle holding every pixel of Area that is Color.
inline QRect ColorBounds(const QImage &image, const QRect &area, TColor color)
{
    const QRgb wanted = ToQColor(color).rgb();
    QRect bounds;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixel(x, y) == wanted)
                bounds |= QRect(x, y, 1, 1);
    return bounds;
}

inline int CountPixels(const QImage &image, const QRect &area, TColor color)
{
    const QRgb wanted = ToQColor(color).rgb();
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            count += image.pixel(x, y) == wanted;
    return count;
}
