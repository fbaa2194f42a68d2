#pragma once

// Shared by the decor widget tests: a container with a known background, rendered as a whole so
// the window-less widgets paint over (and read back) what the container painted.

#include "TCanvas.h"
#include "QtColor.h"

#include <QImage>
#include <QPainter>
#include <QWidget>

class Backdrop : public QWidget
{
public:
    explicit Backdrop(TColor color, QSize size = QSize(120, 80)) : m_color(color) { resize(size); }

    // Every pixel of a row differs from its neighbours; mixing must then go pixel by pixel.
    void SetGradient(bool gradient)
    {
        m_gradient = gradient;
        update();
    }
    static QRgb GradientAt(int x, int y) { return qRgb((x * 5 + y) % 256, (y * 9) % 256, (x * 3) % 256); }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        if (!m_gradient) {
            painter.fillRect(rect(), ToQColor(m_color));
            return;
        }
        QImage image(size(), QImage::Format_RGB32);
        for (int y = 0; y < height(); ++y)
            for (int x = 0; x < width(); ++x)
                image.setPixel(x, y, GradientAt(x, y));
        painter.drawImage(0, 0, image);
    }

private:
    TColor m_color;
    bool m_gradient = false;
};

inline QImage RenderWhole(QWidget &container)
{
    QImage image(container.size(), QImage::Format_RGB32);
    image.fill(Qt::black);
    container.render(&image);
    return image;
}

inline TColor PixelAt(const QImage &image, int x, int y)
{
    return FromQColor(image.pixelColor(x, y));
}

// Pixels of image inside rect (right/bottom exclusive) that differ from other.
inline int DifferingPixels(const QImage &image, const QImage &other, const QRect &rect)
{
    int count = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            count += image.pixel(x, y) != other.pixel(x, y);
    return count;
}

// The chamfered rings exactly as stated, every ring and every gap line, with the canvas's own
// polylines and lines: what any shortcut of the drawing routine must reproduce.
inline void StatedChamferedRings(TCanvas &canvas, TRect rect, TColor top, TColor bottom, int width, int E)
{
    const int L = rect.Left, T = rect.Top, R = rect.Right - 1, B = rect.Bottom - 1;
    canvas.SetPenWidth(1);
    for (int i = 0; i < width; ++i) {
        const int h = i / 2;
        canvas.SetPenColor(top);
        canvas.Polyline({QPoint(L + i, B - E - h), QPoint(L + i, T + E + h), QPoint(L + E + h, T + i),
                         QPoint(R - E - h, T + i), QPoint(R - i, T + E + h)});
        canvas.SetPenColor(bottom);
        canvas.Polyline({QPoint(R - i, T + E + h), QPoint(R - i, B - E - h), QPoint(R - E - h, B - i),
                         QPoint(L + E + h, B - i), QPoint(L + i, B - E - h)});
    }
    for (int c = 1; c <= (width - 1) / 2; ++c) {
        canvas.SetPenColor(top);
        canvas.MoveTo(L + E + c - 1, T + 2 * c);
        canvas.LineTo(L + 2 * c - 1, T + E + c);
        canvas.MoveTo(R - E - c + 1, T + 2 * c);
        canvas.LineTo(R - 2 * c + 1, T + E + c);
        canvas.SetPenColor(bottom);
        canvas.MoveTo(R - E - c + 1, B - 2 * c);
        canvas.LineTo(R - 2 * c + 1, B - E - c);
        canvas.MoveTo(L + E + c - 1, B - 2 * c);
        canvas.LineTo(L + 2 * c - 1, B - E - c);
    }
}
