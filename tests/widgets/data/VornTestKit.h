#pragma once

// Shared by the data-widget tests: a shown container over a known background, rendered whole so
// that window-less children paint over what the container painted, and a player-like table.

#include "StoreTestSupport.h"
#include "TColor.h"
#include "TDataSource.h"

#include <QImage>
#include <QTest>
#include <QWidget>

constexpr TColor kBackground = TColorFromBits(0x00A2BDBF);

class Container : public QWidget
{
public:
    Container()
    {
        QPalette palette;
        palette.setColor(QPalette::Window, ToQColor(kBackground));
        setPalette(palette);
        setAutoFillBackground(true);
        QFont text(QStringLiteral("Liberation Sans"));
        text.setPixelSize(13);
        text.setStyleStrategy(QFont::NoAntialias); // text pixels in exact colours
        setFont(text);
        resize(700, 300);
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

inline TColor PixelAt(const QImage &image, int x, int y)
{
    return FromQColor(QColor(image.pixel(x, y)));
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

// Clubs with names "Club 1" .. "Club <count>" in primary order, current on the first.
inline std::unique_ptr<TTable> MakeClubs(TableFixture &fixture, int count, const QString &name = QStringLiteral("clubs.DB"))
{
    QList<std::tuple<QString, QVariant, QVariant>> records;
    for (int i = 1; i <= count; ++i)
        records.append({QStringLiteral("Club %1").arg(i), 70.0 + i / 10.0, 18});
    return fixture.MakeTable(name, records);
}
