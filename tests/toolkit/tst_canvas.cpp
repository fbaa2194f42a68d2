#include "TApplication.h"
#include "TCanvas.h"

#include <QPainter>
#include <QPicture>
#include <QTest>

#include <functional>

namespace {

constexpr TColor kBackground = TColorFromBits(0x00336699);

QImage Blank(int width = 20, int height = 20, TColor color = kBackground)
{
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(ToQColor(color));
    return image;
}

TColor At(const QImage &image, int x, int y)
{
    return FromQColor(image.pixelColor(x, y));
}

// Every pixel that differs from the background.
QList<QPoint> Changed(const QImage &image, TColor background = kBackground)
{
    QList<QPoint> points;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (At(image, x, y) != background)
                points << QPoint(x, y);
    return points;
}

void Draw(QImage &image, const std::function<void(TCanvas &)> &paint)
{
    QPainter painter(&image);
    TCanvas canvas(painter);
    paint(canvas);
}

// A widget that paints through the canvas and remembers what it read before painting.
class Probe : public QWidget
{
public:
    using QWidget::QWidget;
    std::function<void(TCanvas &)> paint;
    QList<TColor> reads;
    QList<QPoint> readAt;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        TCanvas canvas(painter, rect());
        reads.clear();
        for (const QPoint &point : readAt)
            reads << canvas.Pixel(point.x(), point.y());
        if (paint)
            paint(canvas);
    }
};

class Filled : public QWidget
{
public:
    Filled(QWidget *parent, TColor color) : QWidget(parent), m_color(color) {}

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).fillRect(rect(), ToQColor(m_color)); }

private:
    TColor m_color;
};

} // namespace

class tst_Canvas : public QObject
{
    Q_OBJECT

private slots:
    void readsSeeContainerAndLowerSiblings_data()
    {
        QTest::addColumn<bool>("grab");
        QTest::newRow("render") << false;
        QTest::newRow("grab") << true;
    }
    void readsSeeContainerAndLowerSiblings()
    {
        QFETCH(bool, grab);
        QWidget container;
        container.resize(60, 40);
        container.setAutoFillBackground(true);
        QPalette palette = container.palette();
        palette.setColor(QPalette::Window, ToQColor(kBackground));
        container.setPalette(palette);
        auto *lower = new Filled(&container, clRed);
        lower->setGeometry(20, 10, 10, 10);
        auto *probe = new Probe(&container);
        probe->setGeometry(10, 5, 30, 30);
        probe->readAt = {QPoint(0, 0), QPoint(12, 7)};
        probe->paint = [](TCanvas &canvas) {
            canvas.SetPixel(1, 1, clYellow);
            canvas.SetPixel(12, 8, clBtnShadow); // system colours are resolved
        };

        QImage image;
        if (grab) {
            image = container.grab().toImage();
        } else {
            image = QImage(container.size(), QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::black);
            container.render(&image);
        }
        QCOMPARE(probe->reads, (QList<TColor>{kBackground, clRed}));
        QCOMPARE(At(image, 11, 6), clYellow);
        QCOMPARE(At(image, 22, 13), clGray);
        QCOMPARE(At(image, 10, 5), kBackground);
    }

    void writesStayInsideTheRepaintedRegion()
    {
        QWidget container;
        container.resize(40, 40);
        auto *probe = new Probe(&container);
        probe->setGeometry(0, 0, 40, 40);
        probe->paint = [](TCanvas &canvas) {
            TCanvas &c = canvas;
            c.SetPenColor(clRed);
            for (int y = 0; y < 40; ++y) {
                c.MoveTo(0, y);
                c.LineTo(40, y);
            }
        };
        QImage image = Blank(40, 40);
        container.render(&image, QPoint(10, 10), QRegion(10, 10, 5, 5), QWidget::DrawChildren);
        QCOMPARE(Changed(image).size(), 25);
        QCOMPARE(At(image, 10, 10), clRed);
        QCOMPARE(At(image, 14, 14), clRed);
        QCOMPARE(At(image, 15, 14), kBackground);
    }

    void writesStayInsideTheBounds()
    {
        QImage image = Blank();
        {
            QPainter painter(&image);
            TCanvas canvas(painter, QRect(5, 5, 3, 2));
            canvas.SetBrushColor(clWhite);
            canvas.FillRect({0, 0, 20, 20});
            QCOMPARE(canvas.Pixel(0, 0), kBackground); // reads are not limited
            QCOMPARE(canvas.Pixel(-1, 0), TColorFromBits(0xFFFFFFFF));
        }
        QCOMPARE(Changed(image).size(), 6);
        QCOMPARE(Changed(image).first(), QPoint(5, 5));
        QCOMPARE(Changed(image).last(), QPoint(7, 6));
    }

    void linesLeaveOutTheirEndPixel_data()
    {
        QTest::addColumn<QPoint>("from");
        QTest::addColumn<QPoint>("to");
        QTest::addColumn<QList<QPoint>>("pixels");
        QTest::newRow("right") << QPoint(2, 3) << QPoint(5, 3) << QList<QPoint>{{2, 3}, {3, 3}, {4, 3}};
        QTest::newRow("left") << QPoint(5, 3) << QPoint(2, 3) << QList<QPoint>{{3, 3}, {4, 3}, {5, 3}};
        QTest::newRow("down") << QPoint(1, 1) << QPoint(1, 3) << QList<QPoint>{{1, 1}, {1, 2}};
        QTest::newRow("up") << QPoint(1, 3) << QPoint(1, 1) << QList<QPoint>{{1, 2}, {1, 3}};
        QTest::newRow("diagonal") << QPoint(4, 1) << QPoint(1, 4) << QList<QPoint>{{4, 1}, {3, 2}, {2, 3}};
        QTest::newRow("steep") << QPoint(0, 0) << QPoint(1, 3) << QList<QPoint>{{0, 0}, {0, 1}, {1, 2}};
        QTest::newRow("point") << QPoint(3, 3) << QPoint(3, 3) << QList<QPoint>{};
        QTest::newRow("clipped") << QPoint(-100000, 2) << QPoint(100000, 100002) << QList<QPoint>{};
    }
    void linesLeaveOutTheirEndPixel()
    {
        QFETCH(QPoint, from);
        QFETCH(QPoint, to);
        QFETCH(QList<QPoint>, pixels);
        QImage image = Blank(8, 8);
        Draw(image, [&](TCanvas &canvas) {
            canvas.MoveTo(from.x(), from.y());
            canvas.LineTo(to.x(), to.y());
            QCOMPARE(canvas.PenPos(), to);
        });
        std::sort(pixels.begin(), pixels.end(), [](QPoint a, QPoint b) { return std::pair(a.y(), a.x()) < std::pair(b.y(), b.x()); });
        QCOMPARE(Changed(image), pixels);
    }

    void polylineDrawsSharedCornersOnce()
    {
        // With XOR a corner drawn twice would come back to the background.
        QImage image = Blank(8, 8);
        Draw(image, [](TCanvas &canvas) {
            canvas.SetPenMode(pmXor);
            canvas.SetPenColor(clWhite);
            canvas.Polyline({QPoint(1, 1), QPoint(5, 1), QPoint(5, 5), QPoint(1, 5), QPoint(1, 1)});
        });
        QCOMPARE(Changed(image).size(), 16);
        QCOMPARE(At(image, 1, 1), TColorBits(kBackground) ^ 0xFFFFFF);
        QCOMPARE(At(image, 5, 5), TColorBits(kBackground) ^ 0xFFFFFF);
        QCOMPARE(At(image, 3, 3), kBackground);
    }

    void rasterOperationsCombinePenAndSurface_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<quint32>("expected");
        const quint32 P = 0x0F33CC, S = 0x336699;
        QTest::newRow("black") << int(pmBlack) << 0u;
        QTest::newRow("white") << int(pmWhite) << 0xFFFFFFu;
        QTest::newRow("nop") << int(pmNop) << S;
        QTest::newRow("not") << int(pmNot) << (~S & 0xFFFFFF);
        QTest::newRow("copy") << int(pmCopy) << P;
        QTest::newRow("notcopy") << int(pmNotCopy) << (~P & 0xFFFFFF);
        QTest::newRow("mergepennot") << int(pmMergePenNot) << ((P | ~S) & 0xFFFFFF);
        QTest::newRow("maskpennot") << int(pmMaskPenNot) << ((P & ~S) & 0xFFFFFF);
        QTest::newRow("mergenotpen") << int(pmMergeNotPen) << ((~P | S) & 0xFFFFFF);
        QTest::newRow("masknotpen") << int(pmMaskNotPen) << ((~P & S) & 0xFFFFFF);
        QTest::newRow("merge") << int(pmMerge) << (P | S);
        QTest::newRow("notmerge") << int(pmNotMerge) << (~(P | S) & 0xFFFFFF);
        QTest::newRow("mask") << int(pmMask) << (P & S);
        QTest::newRow("notmask") << int(pmNotMask) << (~(P & S) & 0xFFFFFF);
        QTest::newRow("xor") << int(pmXor) << (P ^ S);
        QTest::newRow("notxor") << int(pmNotXor) << (~(P ^ S) & 0xFFFFFF);
    }
    void rasterOperationsCombinePenAndSurface()
    {
        QFETCH(int, mode);
        QFETCH(quint32, expected);
        QImage image = Blank(6, 6, TColorFromBits(0x336699));
        Draw(image, [&](TCanvas &canvas) {
            canvas.SetPenColor(TColorFromBits(0x0F33CC));
            canvas.SetPenMode(TPenMode(mode));
            canvas.MoveTo(1, 2);
            canvas.LineTo(4, 2);
            canvas.MoveTo(1, 4);
            canvas.LineTo(4, 5); // a slanted line takes the general path
        });
        QCOMPARE(TColorBits(At(image, 1, 2)), expected);
        QCOMPARE(TColorBits(At(image, 3, 2)), expected);
        QCOMPARE(TColorBits(At(image, 2, 4)), expected);
        QCOMPARE(TColorBits(At(image, 3, 5)), expected);
        QCOMPARE(At(image, 4, 2), TColorFromBits(0x336699));
    }

    void widePenCombinesEachPixelOnce()
    {
        QImage image = Blank(12, 12);
        Draw(image, [](TCanvas &canvas) {
            canvas.SetPenWidth(3);
            canvas.SetPenMode(pmXor);
            canvas.SetPenColor(clWhite);
            canvas.MoveTo(2, 5);
            canvas.LineTo(8, 5);
        });
        const TColor inverted = TColorBits(kBackground) ^ 0xFFFFFF;
        for (int y = 4; y <= 6; ++y)
            for (int x = 1; x <= 8; ++x)
                QCOMPARE(At(image, x, y), inverted);
        QCOMPARE(At(image, 5, 3), kBackground);
        QCOMPARE(At(image, 5, 7), kBackground);
    }

    void penStylesPatternOrHideTheLine()
    {
        QImage image = Blank(30, 4);
        Draw(image, [](TCanvas &canvas) {
            canvas.SetPenStyle(psClear);
            canvas.MoveTo(0, 0);
            canvas.LineTo(30, 0);
            canvas.SetPenStyle(psDot);
            canvas.MoveTo(0, 2);
            canvas.LineTo(30, 2);
        });
        const QList<QPoint> changed = Changed(image);
        QCOMPARE(changed.size(), 15);
        QCOMPARE(changed.first(), QPoint(0, 2));
        QCOMPARE(At(image, 3, 2), kBackground);
        QCOMPARE(At(image, 6, 2), clBlack);
    }

    void frameRectOutlinesInTheBrushColour_data()
    {
        QTest::addColumn<TRect>("rect");
        QTest::addColumn<int>("count");
        QTest::newRow("box") << TRect{1, 1, 5, 4} << 10;
        QTest::newRow("one column") << TRect{2, 2, 3, 6} << 4;
        QTest::newRow("one row") << TRect{2, 2, 6, 3} << 4;
        QTest::newRow("empty") << TRect{2, 2, 2, 6} << 0;
        QTest::newRow("reversed") << TRect{5, 5, 2, 2} << 0;
    }
    void frameRectOutlinesInTheBrushColour()
    {
        QFETCH(TRect, rect);
        QFETCH(int, count);
        QImage image = Blank(8, 8);
        Draw(image, [&](TCanvas &canvas) {
            canvas.SetBrushColor(clWhite);
            canvas.SetPenMode(pmXor); // frames ignore the pen
            canvas.FrameRect(rect);
        });
        QCOMPARE(Changed(image).size(), count);
        if (count == 10) {
            QCOMPARE(At(image, 4, 3), clWhite);
            QCOMPARE(At(image, 2, 2), kBackground);
        }
    }

    void textHasNoBackgroundAndIsClipped()
    {
        QFont font("Liberation Sans");
        font.setPixelSize(20);
        QImage image = Blank(200, 60);
        int width = 0, height = 0;
        Draw(image, [&](TCanvas &canvas) {
            canvas.SetFont(font);
            canvas.SetFontColor(clBlack);
            width = canvas.TextWidth("HHHH");
            height = canvas.TextHeight("HHHH");
            canvas.TextRect({10, 10, 10 + width / 2, 60}, 10, 10, "HHHH");
        });
        QVERIFY(width > 20);
        QVERIFY(height >= 20);
        const QList<QPoint> changed = Changed(image);
        QVERIFY(!changed.isEmpty());
        int minX = 1000, maxX = -1, minY = 1000, maxY = -1;
        for (const QPoint &p : changed) {
            minX = std::min(minX, p.x());
            maxX = std::max(maxX, p.x());
            minY = std::min(minY, p.y());
            maxY = std::max(maxY, p.y());
        }
        QVERIFY(minX >= 10);
        QVERIFY(maxX < 10 + width / 2);
        QVERIFY(minY >= 10);
        QVERIFY(maxY < 10 + height);
        // No background box: pixels between the letters keep the surface colour.
        QVERIFY(changed.size() < (maxX - minX + 1) * (maxY - minY + 1));
    }

    void rotatedTextRunsUpwardRightOfItsReferencePoint()
    {
        QFont font("Liberation Sans");
        font.setPixelSize(16);
        QImage image = Blank(100, 120);
        int width = 0, height = 0;
        Draw(image, [&](TCanvas &canvas) {
            canvas.SetFont(font);
            width = canvas.TextWidth("Tallimo");
            height = canvas.TextHeight("Tallimo");
            TFontDescription description = canvas.FontDescription();
            description.Escapement = description.Orientation = 900;
            canvas.SetFontDescription(description);
            QCOMPARE(canvas.TextWidth("Tallimo"), width); // measured unrotated
            canvas.TextOut(40, 100, "Tallimo");
        });
        const QList<QPoint> changed = Changed(image);
        QVERIFY(!changed.isEmpty());
        for (const QPoint &p : changed) {
            QVERIFY2(p.x() >= 40 && p.x() < 40 + height, qPrintable(QString::number(p.x())));
            QVERIFY2(p.y() <= 100 && p.y() > 100 - width - 1, qPrintable(QString::number(p.y())));
        }
        // It is taller than wide, as upright text turned on its side.
        int minY = 1000;
        for (const QPoint &p : changed)
            minY = std::min(minY, p.y());
        QVERIFY(100 - minY > height);
    }

    void scaledDeviceWritesWholeDevicePixels()
    {
        QImage image = Blank(20, 20);
        image.setDevicePixelRatio(2);
        Draw(image, [](TCanvas &canvas) {
            canvas.SetPixel(3, 4, clWhite);
            QCOMPARE(canvas.Pixel(3, 4), clWhite);
        });
        QCOMPARE(Changed(image), (QList<QPoint>{{6, 8}, {7, 8}, {6, 9}, {7, 9}}));
    }

    void blendSpanMixesStoredBytesWithHalvesToEven_data()
    {
        QTest::addColumn<int>("format");
        QTest::newRow("rgb32") << int(QImage::Format_RGB32);
        QTest::newRow("argb32") << int(QImage::Format_ARGB32);
        QTest::newRow("premultiplied") << int(QImage::Format_ARGB32_Premultiplied);
        QTest::newRow("rgb888") << int(QImage::Format_RGB888);
    }
    void blendSpanMixesStoredBytesWithHalvesToEven()
    {
        QFETCH(int, format);
        QImage image(40, 2, QImage::Format(format));
        image.fill(ToQColor(clSilver));
        image.setPixelColor(39, 0, QColor(1, 3, 5));
        Draw(image, [](TCanvas &canvas) {
            canvas.BlendSpan(0, 1, 39, clBtnFace, 50); // red 15 of the stored value, not silver
        });
        QCOMPARE(At(image, 0, 0), clSilver);
        QCOMPARE(At(image, 1, 0), TColorFromBits(0x606068)); // red 103.5 rounds to 104
        QCOMPARE(At(image, 38, 0), TColorFromBits(0x606068));
        QCOMPARE(At(image, 39, 0), RGBColor(8, 2, 2)); // 8.0, 1.5 -> 2, 2.5 -> 2
        QCOMPARE(At(image, 1, 1), clSilver);
    }

    void blendOnADeviceWithoutPixelsMixesWithTheFallbackColour()
    {
        QPicture picture;
        {
            QPainter painter(&picture);
            TCanvas canvas(painter, QRect(0, 0, 10, 10), clSilver);
            canvas.BlendSpan(2, 0, 9, clBtnFace, 50);
        }
        QImage image = Blank(10, 10);
        QPainter(&image).drawPicture(0, 0, picture);
        QCOMPARE(At(image, 5, 2), TColorFromBits(0x606068));
        QCOMPARE(At(image, 5, 3), kBackground);
    }

    void deviceWithoutPixelsGetsTheCanvasDrawingAtTheEnd()
    {
        QPicture picture;
        {
            QPainter painter(&picture);
            TCanvas canvas(painter, QRect(0, 0, 10, 10), clSilver);
            QVERIFY(!canvas.ReadsSurface());
            QCOMPARE(canvas.Pixel(2, 2), clSilver);
            canvas.SetPixel(2, 2, clRed);
            QCOMPARE(canvas.Pixel(2, 2), clRed);
        }
        QImage image = Blank(10, 10);
        QPainter(&image).drawPicture(0, 0, picture);
        QCOMPARE(Changed(image), QList<QPoint>{QPoint(2, 2)});
        QCOMPARE(At(image, 2, 2), clRed);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_Canvas test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_canvas.moc"
