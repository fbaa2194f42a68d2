// Draws the program's own pictures and prints them in the hexadecimal block form the window
// layout stores them in:
//   make_golfer [picture.png]   the "Control" page picture (337 x 275: an embossed grey golfer at
//                               the top of the swing inside a ring, above a crowd line), baseline JPEG
//   make_golfer --colour-glyph  the colour button's 16 x 16 glyph (PNG)
//   make_golfer --print-glyph   the print button's 32 x 32 glyph (PNG)
//   make_golfer --icon SIZE FILE  the program's icon, the golfer in the ring on a plate, as a
//                               SIZE x SIZE PNG file
//   make_golfer --icon-svg      the same icon as scalable SVG text
#include "JpegImage.h"

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>

namespace {

// Paints a shape three times: light above-left, dark below-right, then the face, which gives
// the raised look of a pressed metal plate.
void Emboss(QPainter &painter, const QPainterPath &path, qreal width, bool filled)
{
    const QColor light(236, 236, 236), dark(96, 96, 96), face(168, 168, 168);
    for (const auto &[offset, colour] : {std::pair{QPointF(-1.5, -1.5), light}, std::pair{QPointF(1.5, 1.5), dark}, std::pair{QPointF(0, 0), face}}) {
        painter.save();
        painter.translate(offset);
        painter.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        painter.setBrush(filled ? QBrush(colour) : Qt::NoBrush);
        painter.drawPath(path);
        painter.restore();
    }
}

const QColor kPlate(184, 184, 184);

// The picture's emblem, in the picture's own pixels: the ring, the golfer and the club, each
// embossed with its stroke width.
struct EmblemPart
{
    QPainterPath Path;
    qreal Width;
};

QList<EmblemPart> Emblem()
{
    // The ring.
    QPainterPath ring;
    ring.addEllipse(QPointF(168, 118), 104, 104);

    // The golfer at the top of the swing: weight on the front foot, hands high over the back
    // shoulder, the club pointing down behind the head.
    QPainterPath body;
    body.addEllipse(QPointF(176, 56), 12, 13);              // head
    body.moveTo(174, 70); body.lineTo(166, 128);             // trunk
    body.moveTo(166, 128); body.lineTo(150, 168); body.lineTo(138, 206);   // back leg
    body.moveTo(166, 128); body.lineTo(186, 166); body.lineTo(190, 206);   // front leg
    body.moveTo(134, 206); body.lineTo(146, 208);            // back foot
    body.moveTo(188, 207); body.lineTo(204, 207);            // front foot
    body.moveTo(172, 80); body.lineTo(150, 76); body.lineTo(140, 50);      // back arm up
    body.moveTo(174, 84); body.lineTo(158, 62); body.lineTo(142, 48);      // front arm across
    QPainterPath club;
    club.moveTo(141, 48); club.lineTo(214, 30);              // shaft behind the head
    club.moveTo(214, 30); club.lineTo(226, 36);              // club head
    return {{ring, 7}, {body, 9}, {club, 3}};
}

// The square of the picture that the icon shows: the ring and what it holds.
const QRectF kIconArea(53, 3, 230, 230);

QImage DrawGolfer()
{
    QImage image(337, 275, QImage::Format_RGB32);
    image.fill(kPlate);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    for (const EmblemPart &part : Emblem())
        Emboss(painter, part.Path, part.Width, false);

    // The crowd line along the bottom.
    QPainterPath crowd;
    for (int x = 8; x < 337; x += 17) {
        const int height = 14 + (x * 7) % 9;
        crowd.addEllipse(QPointF(x, 252 - height), 6, 6);
        crowd.addRoundedRect(QRectF(x - 7, 258 - height, 14, height + 20), 5, 5);
    }
    Emboss(painter, crowd, 1, true);
    QPainterPath rope;
    rope.moveTo(0, 238); rope.lineTo(337, 238);
    Emboss(painter, rope, 2, false);
    return image;
}

// The colour button's 16 x 16 glyph: four colour patches on silver (the bottom-left pixel, silver,
// is the see-through colour of a glyph).
QImage DrawColourGlyph()
{
    QImage image(16, 16, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    QPainter painter(&image);
    const QColor colours[4] = {QColor(255, 0, 0), QColor(0, 160, 0), QColor(0, 0, 255), QColor(255, 255, 0)};
    for (int i = 0; i < 4; ++i) {
        const QRect patch(1 + (i % 2) * 7, 1 + (i / 2) * 7, 6, 6);
        painter.fillRect(patch, colours[i]);
        painter.setPen(Qt::black);
        painter.drawRect(patch.adjusted(0, 0, -1, -1));
    }
    return image;
}

// The print button's 32 x 32 glyph: a printer with a sheet coming out.
QImage DrawPrintGlyph()
{
    QImage image(32, 32, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    QPainter painter(&image);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::white);
    painter.drawRect(9, 3, 13, 10);                        // sheet going in
    painter.setBrush(QColor(128, 128, 128));
    painter.drawRect(3, 12, 25, 11);                       // body
    painter.setBrush(QColor(224, 224, 224));
    painter.drawRect(5, 14, 21, 4);
    painter.setBrush(Qt::white);
    painter.drawRect(8, 20, 15, 9);                        // printed sheet
    for (int y = 23; y < 28; y += 2)
        painter.drawLine(10, y, 20, y);
    painter.fillRect(24, 15, 2, 2, QColor(0, 200, 0));     // the lamp
    return image;
}

// The icon: the emblem on a rounded plate of the picture's grey.
QImage DrawIcon(int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.scale(size / kIconArea.width(), size / kIconArea.height());
    painter.translate(-kIconArea.topLeft());
    painter.setPen(Qt::NoPen);
    painter.setBrush(kPlate);
    painter.drawRoundedRect(kIconArea, 24, 24);
    for (const EmblemPart &part : Emblem())
        Emboss(painter, part.Path, part.Width, false);
    return image;
}

QString SvgPathData(const QPainterPath &path)
{
    QString data;
    for (int i = 0; i < path.elementCount(); ++i) {
        const QPainterPath::Element element = path.elementAt(i);
        const QString point = QStringLiteral("%1 %2").arg(element.x, 0, 'f', 2).arg(element.y, 0, 'f', 2);
        switch (element.type) {
        case QPainterPath::MoveToElement: data += QLatin1Char('M') + point; break;
        case QPainterPath::LineToElement: data += QLatin1Char('L') + point; break;
        case QPainterPath::CurveToElement: data += QLatin1Char('C') + point; break;
        case QPainterPath::CurveToDataElement: data += QLatin1Char(' ') + point; break;
        }
    }
    return data;
}

// The same icon as DrawIcon, with Emboss's three passes as three layers.
QByteArray IconSvg()
{
    QString svg = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                                 "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" viewBox=\"%1 %2 %3 %4\">\n"
                                 "  <rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" rx=\"24\" fill=\"%5\"/>\n")
                      .arg(kIconArea.x()).arg(kIconArea.y()).arg(kIconArea.width()).arg(kIconArea.height()).arg(kPlate.name());
    const QColor light(236, 236, 236), dark(96, 96, 96), face(168, 168, 168);
    for (const auto &[offset, colour] : {std::pair{QPointF(-1.5, -1.5), light}, std::pair{QPointF(1.5, 1.5), dark}, std::pair{QPointF(0, 0), face}}) {
        svg += QStringLiteral("  <g transform=\"translate(%1 %2)\" fill=\"none\" stroke=\"%3\" stroke-linecap=\"round\" stroke-linejoin=\"round\">\n")
                   .arg(offset.x()).arg(offset.y()).arg(colour.name());
        for (const EmblemPart &part : Emblem())
            svg += QStringLiteral("    <path stroke-width=\"%1\" d=\"%2\"/>\n").arg(part.Width).arg(SvgPathData(part.Path));
        svg += QStringLiteral("  </g>\n");
    }
    svg += QStringLiteral("</svg>\n");
    return svg.toUtf8();
}

void PrintHex(const char *property, const QByteArray &data)
{
    const QByteArray hex = data.toHex().toUpper();
    std::printf("    %s = {\n", property);
    for (qsizetype i = 0; i < hex.size(); i += 64)
        std::printf("      %s%s\n", hex.mid(i, 64).constData(), i + 64 >= hex.size() ? "}" : "");
}

QByteArray Png(const QImage &image)
{
    QByteArray data;
    QBuffer buffer(&data);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return data;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QString what = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (what == QLatin1String("--colour-glyph")) {
        PrintHex("Glyph", Png(DrawColourGlyph()));
        return 0;
    }
    if (what == QLatin1String("--print-glyph")) {
        PrintHex("Glyph", Png(DrawPrintGlyph()));
        return 0;
    }
    if (what == QLatin1String("--icon") && argc == 4) {
        const int size = QString::fromLocal8Bit(argv[2]).toInt();
        return size > 0 && DrawIcon(size).save(QString::fromLocal8Bit(argv[3]), "PNG") ? 0 : 1;
    }
    if (what == QLatin1String("--icon-svg")) {
        std::fputs(IconSvg().constData(), stdout);
        return 0;
    }
    const QImage picture = DrawGolfer();
    if (argc > 1)
        picture.save(QString::fromLocal8Bit(argv[1]));
    PrintHex("Picture.Data", EncodeJpeg(picture, 85));
    return 0;
}
