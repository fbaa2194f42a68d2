#include "ColorGlyphs.h"

#include "TColor.h"

#include <QHash>

namespace {

// '.' silver background, 'X' black, 'W' white, 'g' grey.
QImage FromRows(std::initializer_list<const char *> rows)
{
    const int height = int(rows.size());
    const int width = int(qstrlen(*rows.begin()));
    QImage image(width, height, QImage::Format_RGB32);
    int y = 0;
    for (const char *row : rows) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y++));
        for (int x = 0; x < width; ++x) {
            switch (row[x]) {
            case 'X': line[x] = qRgb(0x00, 0x00, 0x00); break;
            case 'W': line[x] = qRgb(0xFF, 0xFF, 0xFF); break;
            case 'g': line[x] = qRgb(0x80, 0x80, 0x80); break;
            default: line[x] = qRgb(0xC0, 0xC0, 0xC0); break;
            }
        }
    }
    return image;
}

QHash<QString, QImage> MakeImages()
{
    QHash<QString, QImage> images;
    // A bold letter T for the text colour; the colour swatch covers the lower right.
    images.insert(QStringLiteral("FRCOLOR"), FromRows({
        "................",
        "XXXXXXXX........",
        "XXXXXXXX........",
        "X..XX..X........",
        "...XX...........",
        "...XX...........",
        "...XX...........",
        "...XX...........",
        "...XX...........",
        "...XX...........",
        "..XXXX..........",
        "................",
        "................",
        "................",
        "................",
        "................",
    }));
    // A tilted paint bucket pouring to the right, for the fill colour.
    images.insert(QStringLiteral("BKCOLOR"), FromRows({
        "....XX..........",
        "...X..X.........",
        "...X.XXX........",
        "...XXWWWX.......",
        "..XWWXWWWX......",
        ".XWWWXWWWWX.....",
        "XWWWWWXWWWgX....",
        "XWWWWWWWWggXg...",
        ".XWWWWWWggX.gg..",
        "..XWWWWggX..gg..",
        "...XWWggX...g...",
        "....XXXX........",
        "................",
        "................",
        "................",
        "................",
    }));
    // Lines of growing weight, for the line colour.
    images.insert(QStringLiteral("LNCOLOR"), FromRows({
        "................",
        "X.X.X.X.X.X.X.X.",
        "................",
        "XXXXXXXXXXXXXXXX",
        "................",
        "XXXXXXXXXXXXXXXX",
        "XXXXXXXXXXXXXXXX",
        "................",
        "XXXXXXXXXXXXXXXX",
        "XXXXXXXXXXXXXXXX",
        "XXXXXXXXXXXXXXXX",
        "................",
        "................",
        "................",
        "................",
        "................",
    }));
    images.insert(QStringLiteral("DROPDOWN"), FromRows({
        ".....",
        "XXXXX",
        ".XXX.",
        "..X..",
        ".....",
    }));
    return images;
}

} // namespace

QImage ColorButtonImage(const QString &name)
{
    static const QHash<QString, QImage> images = MakeImages();
    return images.value(name);
}
