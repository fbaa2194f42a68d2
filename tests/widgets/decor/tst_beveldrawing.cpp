#include "BevelDrawing.h"
#include "DecorTestKit.h"
#include "TApplication.h"

#include <QPainter>
#include <QTest>

#include <climits>
#include <functional>

namespace {

QImage Filled(int width, int height, TColor color)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(ToQColor(color));
    return image;
}

// Each column a different grey, each row a different red: no two pixels of a row are alike.
QImage Gradient(int width, int height)
{
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((y * 7) % 256, (x * 5) % 256, (x * 3 + y) % 256));
    return image;
}

TColor At(const QImage &image, int x, int y)
{
    return FromQColor(image.pixelColor(x, y));
}

void Draw(QImage &image, const std::function<void(TCanvas &)> &paint)
{
    QPainter painter(&image);
    TCanvas canvas(painter);
    paint(canvas);
}

// The image as rows of characters: 'T' top colour (red), 'B' bottom colour (blue), '.' untouched.
QStringList Picture(const QImage &image)
{
    QStringList rows;
    for (int y = 0; y < image.height(); ++y) {
        QString row;
        for (int x = 0; x < image.width(); ++x) {
            const TColor c = At(image, x, y);
            row += c == clRed ? 'T' : c == clBlue ? 'B' : c == clWhite ? '.' : '?';
        }
        rows << row;
    }
    return rows;
}

} // namespace

class tst_BevelDrawing : public QObject
{
    Q_OBJECT

private slots:
    void mixColorsUsesStoredBytesAndRoundsHalvesToEven_data()
    {
        QTest::addColumn<TColor>("a");
        QTest::addColumn<TColor>("b");
        QTest::addColumn<int>("density");
        QTest::addColumn<TColor>("mixed");
        QTest::newRow("red into white") << clRed << clWhite << 33 << TColorFromBits(0xABABFF);
        QTest::newRow("red into black") << clRed << clBlack << 66 << TColorFromBits(0x0000A8);
        QTest::newRow("btnface bytes over silver") << clBtnFace << clSilver << 50 << TColorFromBits(0x606068);
        QTest::newRow("density 0 is b") << clRed << TColorFromBits(0x123456) << 0 << TColorFromBits(0x123456);
        QTest::newRow("density 100 is a's bytes") << clBtnHighlight << clWhite << 100 << TColorFromBits(0x000014);
        QTest::newRow("half rounds down to even") << TColorFromBits(0x000001) << clBlack << 50 << clBlack;
        QTest::newRow("half rounds up to even") << TColorFromBits(0x030303) << clBlack << 50 << TColorFromBits(0x020202);
    }
    void mixColorsUsesStoredBytesAndRoundsHalvesToEven()
    {
        QFETCH(TColor, a);
        QFETCH(TColor, b);
        QFETCH(int, density);
        QFETCH(TColor, mixed);
        QCOMPARE(MixColors(a, b, density), mixed);
    }

    void backgroundVariesLooksAtTheTopRowOnly_data()
    {
        QTest::addColumn<QPoint>("changed");
        QTest::addColumn<TColor>("color");
        QTest::addColumn<TRect>("rect");
        QTest::addColumn<bool>("varies");
        const TColor base = TColorFromBits(0x404040);
        QTest::newRow("uniform") << QPoint(-1, -1) << base << TRect{0, 0, 8, 4} << false;
        QTest::newRow("green +1") << QPoint(5, 0) << TColorFromBits(0x404140) << TRect{0, 0, 8, 4} << true;
        QTest::newRow("blue +1") << QPoint(5, 0) << TColorFromBits(0x414040) << TRect{0, 0, 8, 4} << true;
        QTest::newRow("red +2") << QPoint(5, 0) << TColorFromBits(0x404042) << TRect{0, 0, 8, 4} << false;
        QTest::newRow("red +3") << QPoint(5, 0) << TColorFromBits(0x404043) << TRect{0, 0, 8, 4} << true;
        QTest::newRow("second row") << QPoint(5, 1) << clWhite << TRect{0, 0, 8, 4} << false;
        QTest::newRow("right column excluded") << QPoint(7, 0) << clWhite << TRect{0, 0, 7, 4} << false;
        QTest::newRow("single column") << QPoint(1, 0) << clWhite << TRect{0, 0, 1, 4} << false;
    }
    void backgroundVariesLooksAtTheTopRowOnly()
    {
        QFETCH(QPoint, changed);
        QFETCH(TColor, color);
        QFETCH(TRect, rect);
        QFETCH(bool, varies);
        QImage image = Filled(8, 4, TColorFromBits(0x404040));
        if (changed.x() >= 0)
            image.setPixelColor(changed, ToQColor(color));
        Draw(image, [&](TCanvas &canvas) { QCOMPARE(BackgroundVaries(canvas, rect), varies); });
    }

    void bevelRingsPutTheCornersInTheBottomColour()
    {
        QImage image = Filled(5, 4, clWhite);
        TRect rect{0, 0, 5, 4};
        Draw(image, [&](TCanvas &canvas) { DrawBevelRings(canvas, rect, clRed, clBlue, 1); });
        QCOMPARE(Picture(image), (QStringList{"TTTTB", "T...B", "T...B", "BBBBB"}));
        QCOMPARE(rect, (TRect{1, 1, 4, 3}));
    }

    void bevelRingsNestAndShrinkTheRect_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<TRect>("after");
        QTest::addColumn<QStringList>("picture");
        QTest::newRow("width 2") << 2 << TRect{2, 2, 8, 8}
                                 << QStringList{"TTTTTTTTTB", "TTTTTTTTBB", "TT......BB", "TT......BB", "TT......BB",
                                                "TT......BB", "TT......BB", "TT......BB", "TBBBBBBBBB", "BBBBBBBBBB"};
        QTest::newRow("width 0") << 0 << TRect{0, 0, 10, 10} << QStringList(10, "..........");
    }
    void bevelRingsNestAndShrinkTheRect()
    {
        QFETCH(int, width);
        QFETCH(TRect, after);
        QFETCH(QStringList, picture);
        QImage image = Filled(10, 10, clWhite);
        TRect rect{0, 0, 10, 10};
        Draw(image, [&](TCanvas &canvas) { DrawBevelRings(canvas, rect, clRed, clBlue, width); });
        QCOMPARE(Picture(image), picture);
        QCOMPARE(rect, after);
    }

    void chamferedRingCutsTheCorners()
    {
        QImage image = Filled(8, 8, clWhite);
        TRect rect{0, 0, 8, 8};
        Draw(image, [&](TCanvas &canvas) { DrawChamferedRings(canvas, rect, clRed, clBlue, 1, 2); });
        QCOMPARE(Picture(image), (QStringList{"..TTTT..", ".T....T.", "T......B", "T......B", "T......B", "T......B",
                                              ".B....B.", "..BBBB.."}));
        QCOMPARE(rect, (TRect{0, 0, 7, 7}));
    }

    void chamferedRingsFillTheDiagonalGapsFromWidthThree_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<bool>("filled");
        QTest::newRow("width 2") << 2 << false;
        QTest::newRow("width 3") << 3 << true;
    }
    void chamferedRingsFillTheDiagonalGapsFromWidthThree()
    {
        QFETCH(int, width);
        QFETCH(bool, filled);
        QImage image = Filled(20, 20, clWhite);
        TRect rect{0, 0, 20, 20};
        Draw(image, [&](TCanvas &canvas) { DrawChamferedRings(canvas, rect, clRed, clBlue, width, 4); });
        // The pixels between the diagonal of ring 1 and that of ring 2, at every corner.
        QCOMPARE(At(image, 3, 3), filled ? clRed : clWhite);
        QCOMPARE(At(image, 16, 3), filled ? clRed : clWhite);
        QCOMPARE(At(image, 16, 16), filled ? clBlue : clWhite);
        QCOMPARE(At(image, 3, 16), filled ? clBlue : clWhite);
    }

    void chamferedRingsOfAnyWidthDrawEveryRingThatCrosses_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("chamfer");
        QTest::newRow("far diagonals, negative chamfer") << QSize(20, 20) << 49 << -60;
        QTest::newRow("rings past every side") << QSize(20, 20) << 200 << -60;
        QTest::newRow("large chamfer") << QSize(30, 16) << 90 << 25;
        QTest::newRow("offset rect") << QSize(17, 23) << 70 << -9;
    }
    void chamferedRingsOfAnyWidthDrawEveryRingThatCrosses()
    {
        QFETCH(QSize, size);
        QFETCH(int, width);
        QFETCH(int, chamfer);
        QImage drawn = Gradient(size.width(), size.height());
        QImage stated = drawn;
        const TRect start{-3, 2, size.width() - 1, size.height() + 4};
        TRect rect = start;
        Draw(drawn, [&](TCanvas &canvas) { DrawChamferedRings(canvas, rect, clRed, clBlue, width, chamfer); });
        Draw(stated, [&](TCanvas &canvas) { StatedChamferedRings(canvas, start, clRed, clBlue, width, chamfer); });
        QCOMPARE(drawn, stated);
        QCOMPARE(rect, (TRect{start.Left, start.Top, start.Right - 1, start.Bottom - 1}));
    }

    void ringsBeyondTheLastVisibleOneChangeNothing()
    {
        // Past a certain ring nothing crosses the image any more: the widest width an int holds
        // paints what a width just past that point paints, and the rectangle still moves by all of it.
        QImage wide = Filled(20, 20, clWhite), enough = wide;
        TRect rect{0, 0, 20, 20}, small = rect;
        Draw(wide, [&](TCanvas &canvas) { DrawChamferedRings(canvas, rect, clRed, clBlue, INT_MAX, -60); });
        Draw(enough, [&](TCanvas &canvas) { DrawChamferedRings(canvas, small, clRed, clBlue, 200, -60); });
        QCOMPARE(wide, enough);

        wide = Filled(10, 10, clWhite);
        enough = wide;
        rect = {0, 0, 10, 10};
        small = rect;
        Draw(wide, [&](TCanvas &canvas) { DrawBevelRings(canvas, rect, clRed, clBlue, INT_MAX); });
        Draw(enough, [&](TCanvas &canvas) { DrawBevelRings(canvas, small, clRed, clBlue, 12); });
        QCOMPARE(wide, enough);
        QCOMPARE(rect, (TRect{INT_MAX, INT_MAX, 10 - INT_MAX, 10 - INT_MAX}));
    }

    void ringFillsOfAnInsideOutRectangleMixNothing_data()
    {
        QTest::addColumn<TRect>("rect");
        QTest::newRow("right left of left") << TRect{12, 2, 6, 18};
        QTest::newRow("bottom above top") << TRect{2, 14, 18, 9};
        QTest::newRow("empty") << TRect{5, 5, 5, 5};
    }
    void ringFillsOfAnInsideOutRectangleMixNothing()
    {
        QFETCH(TRect, rect);
        const QImage untouched = Filled(20, 20, clWhite);
        QImage image = untouched;
        TRect rectRing = rect, chamferedRing = rect;
        Draw(image, [&](TCanvas &canvas) {
            BlendRectRing(canvas, rectRing, clBlack, 2, 50);
            BlendChamferedRing(canvas, chamferedRing, clBlack, 50, 2, 3);
        });
        QCOMPARE(image, untouched);
        const TRect lowered{rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1};
        QCOMPARE(rectRing, lowered);
        QCOMPARE(chamferedRing, lowered);
    }

    void fillBandTouchesEveryPixelOnce_data()
    {
        QTest::addColumn<TRect>("rect");
        QTest::addColumn<int>("count");
        QTest::newRow("tall") << TRect{1, 1, 3, 6} << 18;
        QTest::newRow("wide") << TRect{1, 2, 6, 3} << 12;
        QTest::newRow("square") << TRect{2, 2, 4, 4} << 9;
        QTest::newRow("right left of left") << TRect{4, 1, 3, 6} << 0;
        QTest::newRow("bottom above top") << TRect{1, 4, 6, 3} << 0;
    }
    void fillBandTouchesEveryPixelOnce()
    {
        QFETCH(TRect, rect);
        QFETCH(int, count);
        QImage image = Filled(8, 8, clWhite);
        Draw(image, [&](TCanvas &canvas) {
            canvas.SetPenMode(pmXor); // a pixel touched twice would turn white again
            canvas.SetPenColor(clWhite);
            FillBand(canvas, rect);
        });
        int black = 0;
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                black += At(image, x, y) == clBlack;
        QCOMPARE(black, count);
    }

    void blendRectMixesEveryPixelOfTheInclusiveRect()
    {
        const QImage before = Gradient(12, 10);
        QImage image = before;
        Draw(image, [](TCanvas &canvas) { BlendRect(canvas, {2, 3, 8, 6}, clBtnFace, 40); });
        for (int y = 0; y < 10; ++y) {
            for (int x = 0; x < 12; ++x) {
                const bool inside = x >= 2 && x <= 8 && y >= 3 && y <= 6;
                const TColor original = At(before, x, y);
                QCOMPARE(At(image, x, y), inside ? MixColors(clBtnFace, original, 40) : original);
            }
        }
    }

    void blendRectAgreesWithMixColorsOnEveryChannelValue_data()
    {
        QTest::addColumn<int>("format");
        QTest::addColumn<TColor>("color");
        QTest::newRow("rgb32, system colour bytes") << int(QImage::Format_RGB32) << clBtnFace;
        QTest::newRow("rgb32, olive") << int(QImage::Format_RGB32) << clOlive;
        QTest::newRow("premultiplied, odd bytes") << int(QImage::Format_ARGB32_Premultiplied) << TColorFromBits(0x17C3FE);
    }
    void blendRectAgreesWithMixColorsOnEveryChannelValue()
    {
        QFETCH(int, format);
        QFETCH(TColor, color);
        // 263 columns: every channel value, and a row length that leaves runs of 7 and 3 pixels
        // after the widest vector steps, so every step width is checked.
        QImage before(263, 3, QImage::Format(format));
        for (int y = 0; y < before.height(); ++y)
            for (int x = 0; x < before.width(); ++x)
                before.setPixel(x, y, qRgb(x % 256, (x * 7 + y) % 256, (255 - x + 256) % 256));
        for (int density : {0, 1, 30, 33, 50, 60, 66, 99, 100}) {
            QImage image = before;
            Draw(image, [&](TCanvas &canvas) { BlendRect(canvas, {0, 0, 262, 2}, color, density); });
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x)
                    if (At(image, x, y) != MixColors(color, At(before, x, y), density))
                        QFAIL(qPrintable(QString("density %1 at %2, %3").arg(density).arg(x).arg(y)));
        }
    }

    void blendRectRingMixesTheRing_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QStringList>("mixed");
        QTest::newRow("width 2") << 2 << QStringList{"xxxxxxxxxx", "xxxxxxxxxx", "xx......xx", "xx......xx",
                                                     "xx......xx", "xx......xx", "xxxxxxxxxx", "xxxxxxxxxx"};
        QTest::newRow("whole height") << 4 << QStringList(8, "xxxxxxxxxx");
    }
    void blendRectRingMixesTheRing()
    {
        QFETCH(int, width);
        QFETCH(QStringList, mixed);
        QImage image = Filled(10, 8, clWhite);
        TRect rect{0, 0, 10, 8};
        Draw(image, [&](TCanvas &canvas) { BlendRectRing(canvas, rect, clBlack, width, 50); });
        QStringList rows;
        for (int y = 0; y < 8; ++y) {
            QString row;
            for (int x = 0; x < 10; ++x)
                row += At(image, x, y) == TColorFromBits(0x808080) ? 'x' : At(image, x, y) == clWhite ? '.' : '?';
            rows << row;
        }
        QCOMPARE(rows, mixed);
        QCOMPARE(rect, (TRect{0, 0, 9, 7}));
    }

    void blendChamferedRingMirrorsItsHalves()
    {
        // White mixed once with black at 50 % is $808080 (digit 1), twice $404040 (digit 2): the
        // grey tells how often a pixel was mixed.
        QImage image = Filled(40, 60, clWhite);
        TRect rect{0, 0, 40, 60};
        Draw(image, [&](TCanvas &canvas) { BlendChamferedRing(canvas, rect, clBlack, 50, 4, 6); });
        QCOMPARE(rect, (TRect{0, 0, 39, 59}));
        auto row = [&image](int y) {
            QString text;
            for (int x = 0; x < image.width(); ++x)
                text += QString::number((255 - qRed(image.pixel(x, y))) / 64);
            return text;
        };
        // Row 1 is one span from L + E - 1 to R - E + 1; the corners are left out.
        QCOMPARE(row(0), QString(5, '0') + QString(30, '1') + QString(5, '0'));
        // Row 5 (inside the chamfer): spans 1 .. 6 and 33 .. 38.
        QCOMPARE(row(4), "0" + QString(6, '1') + QString(26, '0') + QString(6, '1') + "0");
        // The sides: w pixels each.
        QCOMPARE(row(30), "1111" + QString(32, '0') + "1111");
        const int Hgt = 59; // bottom 60 lowered by one
        for (int k = 1; k <= Hgt + 1; ++k)
            QCOMPARE(row(k - 1), row(Hgt + 2 - k - 1));
    }

    void blendChamferedRingFollowsItsPhasesForAnyShape_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("chamfer");
        QTest::newRow("frame") << QSize(40, 60) << 4 << 6;
        QTest::newRow("chamfer below width") << QSize(30, 30) << 5 << 2;
        QTest::newRow("wide band, short rect") << QSize(30, 9) << 6 << 5;
        QTest::newRow("chamfer taller than rect") << QSize(20, 12) << 2 << 15;
        QTest::newRow("negative chamfer") << QSize(20, 20) << 3 << -2;
        QTest::newRow("one row") << QSize(20, 1) << 1 << 3;
    }
    void blendChamferedRingFollowsItsPhasesForAnyShape()
    {
        QFETCH(QSize, size);
        QFETCH(int, width);
        QFETCH(int, chamfer);
        // The phases walked row by row exactly as they are stated, counting the mixes per pixel.
        const int L = 2, T = 3, R = L + size.width() - 1, B = T + size.height() - 1;
        const int Hgt = B - T, w = width, E = chamfer, Q = w / 3;
        QList<QList<int>> expected(T + Hgt + 40, QList<int>(R + 40, 0));
        int k = 1;
        auto span = [&](int x0, int x1) {
            const int y = T + k - 1;
            for (int x = std::max(x0, 0); x <= x1 && x < R + 40; ++x)
                if (y >= 0 && y < expected.size())
                    ++expected[y][x];
        };
        for (; k <= w; ++k)
            span(L + E - k, R - E + k);
        for (; k <= E + Q; ++k) {
            if (k <= E) {
                span(L + E - k, L + E - k + w + Q);
                span(R - E + k - w - Q, R - E + k);
            } else {
                span(L, L + w + Q - (k - E));
                span(R - w - Q + (k - E), R);
            }
        }
        for (; k <= Hgt - E - Q + 1; ++k) {
            span(L, L + w - 1);
            span(R - w + 1, R);
        }
        const int k0 = k;
        int j = 0;
        for (; k <= Hgt - w + 1; ++k) {
            if (k <= Hgt - E + 1) {
                span(L, L + w + (k - k0));
                span(R - w - (k - k0), R);
            } else {
                span(L + j, L + j + w + Q);
                span(R - j - w - Q, R - j);
                ++j;
            }
        }
        for (; k <= Hgt + 1; ++k, ++j)
            span(L + j, R - j);

        QImage image = Filled(R + 40, int(expected.size()), clWhite);
        TRect rect{L, T, R + 1, B + 1};
        Draw(image, [&](TCanvas &canvas) { BlendChamferedRing(canvas, rect, clBlack, 50, width, chamfer); });
        // White mixed n times with black at 50 %: 255, 128, 64, 32, ...
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                int value = 255;
                for (int n = 0; n < expected[y][x]; ++n)
                    value = MixColors(clBlack, RGBColor(value, value, value), 50) & 0xFF;
                QVERIFY2(qRed(image.pixel(x, y)) == value, qPrintable(QString("at %1, %2").arg(x).arg(y)));
            }
        }
    }

    void rotatedFontTurnsAndAsksForOutlines()
    {
        QImage image = Filled(4, 4, clWhite);
        Draw(image, [](TCanvas &canvas) {
            QFont font("Liberation Sans");
            font.setPixelSize(13);
            font.setBold(true);
            canvas.SetFont(font);
            SetRotatedFont(canvas, 90);
            const TFontDescription description = canvas.FontDescription();
            QCOMPARE(description.Escapement, 900);
            QCOMPARE(description.Orientation, 900);
            QCOMPARE(description.OutPrecision, quint8(7));
            QCOMPARE(description.Quality, quint8(2));
            QCOMPARE(description.Font.pixelSize(), 13);
            QVERIFY(description.Font.bold());
        });
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_BevelDrawing test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_beveldrawing.moc"
