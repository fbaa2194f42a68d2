#include "BevelDrawing.h"
#include "DecorTestKit.h"
#include "TApplication.h"
#include "TktMultiBevel.h"

#include <QMetaEnum>
#include <QPainter>
#include <QScreen>
#include <QTest>

#include <climits>
#include <functional>

using OriginRule = std::function<QPoint(int tw, int th, const TRect &area)>;
Q_DECLARE_METATYPE(OriginRule)

namespace {

class CountingBevel : public TktMultiBevel
{
public:
    using TktMultiBevel::TktMultiBevel;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        ++paints;
        TktMultiBevel::paintEvent(event);
    }
};

// A frame at the container's top-left corner, everything switched off but what a test turns on.
TktMultiBevel *BareFrame(QWidget *container, int width = 100, int height = 60)
{
    auto *frame = new TktMultiBevel(container);
    frame->setGeometry(0, 0, width, height);
    frame->SetBevelOuter(TktMBevel::bstNone);
    frame->SetBevelInner(TktMBevel::bstNone);
    return frame;
}

QFont CaptionFont()
{
    QFont font("Liberation Sans");
    font.setPixelSize(13);
    return font;
}

} // namespace

class tst_MultiBevel : public QObject
{
    Q_OBJECT

private slots:
    void colorFixedDerivesTheBevelColours_data()
    {
        QTest::addColumn<TColor>("color");
        QTest::addColumn<TColor>("highlight");
        QTest::addColumn<TColor>("shadow");
        QTest::newRow("red") << clRed << TColorFromBits(0xABABFF) << TColorFromBits(0x0000A8);
        QTest::newRow("button face") << clBtnFace << clBtnHighlight << clBtnShadow;
    }
    void colorFixedDerivesTheBevelColours()
    {
        QFETCH(TColor, color);
        QFETCH(TColor, highlight);
        QFETCH(TColor, shadow);
        TktMultiBevel frame;
        frame.SetColor(clNavy);
        frame.SetColor(color);
        QCOMPARE(frame.ColorHighlight(), highlight);
        QCOMPARE(frame.ColorShadow(), shadow);
        // While fixed, the bevel colours cannot be set on their own.
        frame.SetColorHighlight(clYellow);
        frame.SetColorShadow(clYellow);
        QCOMPARE(frame.ColorHighlight(), highlight);
        frame.SetColorFixed(false);
        frame.SetColorHighlight(clYellow);
        frame.SetColorShadow(clMaroon);
        QCOMPARE(frame.ColorHighlight(), clYellow);
        QCOMPARE(frame.ColorShadow(), clMaroon);
        // Fixing again recomputes them from the colour, set through its property too.
        frame.setProperty("ColorFixed", true);
        QCOMPARE(frame.ColorHighlight(), highlight);
        QCOMPARE(frame.ColorShadow(), shadow);
        QCOMPARE(frame.property("Color").value<qint32>(), color);
    }

    void shadowDensityFollowsColorDensityWhileDepended()
    {
        TktMultiBevel frame;
        QCOMPARE(frame.ShadowDensity(), 60);
        frame.SetColorDensity(50);
        QCOMPARE(frame.ShadowDensity(), 30);
        frame.SetShadowDensity(10);
        QCOMPARE(frame.ShadowDensity(), 30);
        frame.SetDensityDepended(false);
        frame.SetShadowDensity(10);
        frame.SetColorDensity(75);
        QCOMPARE(frame.ShadowDensity(), 10);
        frame.SetDensityDepended(true);
        QCOMPARE(frame.ShadowDensity(), 45);
    }

    void transparenceSetsAndRemembersTheDensity()
    {
        TktMultiBevel frame;
        frame.SetTransparence(TktMBevel::trSemi);
        QCOMPARE(frame.ColorDensity(), 50);
        frame.SetColorDensity(70);
        QCOMPARE(frame.SemiDensity(), 70);
        frame.SetTransparence(TktMBevel::trNone);
        QCOMPARE(frame.ColorDensity(), 100);
        QCOMPARE(frame.SemiDensity(), 70);
        frame.SetTransparence(TktMBevel::trSemi);
        QCOMPARE(frame.ColorDensity(), 70);
        frame.SetShadowed(true);
        frame.SetTransparence(TktMBevel::trTransparent);
        QCOMPARE(frame.ColorDensity(), 0);
        QVERIFY(!frame.Shadowed());
        frame.SetShadowed(true);
        QVERIFY(!frame.Shadowed());
    }

    void settersRepaintOnlyOnChange()
    {
        // Updates pending together are painted in one pass: once the neighbour has repainted,
        // a frame that was marked for repainting has been painted too.
        Backdrop container(clSilver, QSize(220, 80));
        auto *frame = new CountingBevel(&container);
        auto *neighbour = new CountingBevel(&container);
        neighbour->move(120, 0);
        container.show();
        QVERIFY(QTest::qWaitForWindowExposed(&container));
        QTRY_VERIFY(frame->paints > 0 && neighbour->paints > 0);
        auto settle = [neighbour] {
            const int before = neighbour->paints;
            neighbour->SetCaption(neighbour->Caption() + "x");
            QTRY_VERIFY(neighbour->paints > before);
        };

        frame->SetTransparence(TktMBevel::trSemi);
        frame->SetColorDensity(100);
        settle();
        int paints = frame->paints;
        // trSemi at density 100 back to trNone leaves the density where it was.
        frame->SetTransparence(TktMBevel::trNone);
        frame->SetBevelWidth(1);
        frame->SetShadowStyle(TktMBevel::ssDithered);
        settle();
        QCOMPARE(frame->paints, paints);

        frame->SetShadowStyle(TktMBevel::ssCopy);
        settle();
        QVERIFY(frame->paints > paints);
        // Turning DensityDepended back on repaints only for a dithered shadow.
        frame->SetDensityDepended(false);
        frame->SetShadowDensity(20);
        settle();
        paints = frame->paints;
        frame->SetDensityDepended(true);
        settle();
        QCOMPARE(frame->paints, paints);
        QCOMPARE(frame->ShadowDensity(), 60);
    }

    void borderBandFollowsTransparence_data()
    {
        QTest::addColumn<TColor>("background");
        QTest::addColumn<int>("transparence");
        QTest::addColumn<int>("density");
        QTest::addColumn<TColor>("band");
        QTest::newRow("semi 50 over silver mixes the stored bytes")
            << clSilver << int(TktMBevel::trSemi) << 50 << TColorFromBits(0x606068);
        QTest::newRow("semi mixes even at 100") << clRed << int(TktMBevel::trSemi) << 100 << TColorFromBits(0x00000F);
        QTest::newRow("none at 100 is the resolved colour") << clRed << int(TktMBevel::trNone) << 100 << clSilver;
        QTest::newRow("none below 100 mixes") << clWhite << int(TktMBevel::trNone) << 50 << TColorFromBits(0x808087);
        QTest::newRow("transparent leaves the band out") << clRed << int(TktMBevel::trTransparent) << 0 << clRed;
    }
    void borderBandFollowsTransparence()
    {
        QFETCH(TColor, background);
        QFETCH(int, transparence);
        QFETCH(int, density);
        QFETCH(TColor, band);
        Backdrop container(background);
        TktMultiBevel *frame = BareFrame(&container);
        frame->SetBorderWidth(2);
        frame->SetTransparence(TktMBevel::TTransparence(transparence));
        frame->SetColorDensity(density);
        const QImage image = RenderWhole(container);
        for (const QPoint &p : {QPoint(0, 0), QPoint(1, 1), QPoint(99, 30), QPoint(50, 58)})
            QCOMPARE(PixelAt(image, p.x(), p.y()), band);
        QCOMPARE(PixelAt(image, 2, 2), background);
        QCOMPARE(PixelAt(image, 100, 30), background);
    }

    void bandOverAVaryingBackgroundMixesEachPixel()
    {
        Backdrop container(clWhite);
        container.SetGradient(true);
        TktMultiBevel *frame = BareFrame(&container);
        frame->SetBorderWidth(3);
        frame->SetColor(TColorFromBits(0x204080));
        frame->SetTransparence(TktMBevel::trSemi);
        const QImage image = RenderWhole(container);
        for (const QPoint &p : {QPoint(0, 0), QPoint(40, 2), QPoint(97, 30), QPoint(60, 59)}) {
            const TColor beneath = FromQColor(QColor(Backdrop::GradientAt(p.x(), p.y())));
            QCOMPARE(PixelAt(image, p.x(), p.y()), MixColors(TColorFromBits(0x204080), beneath, 50));
        }
        QCOMPARE(image.pixel(50, 30), Backdrop::GradientAt(50, 30));
    }

    void repaintingOnScreenDoesNotMixTwice()
    {
        Backdrop container(clSilver);
        TktMultiBevel *frame = BareFrame(&container);
        frame->SetBorderWidth(2);
        frame->SetTransparence(TktMBevel::trSemi);
        container.show();
        QVERIFY(QTest::qWaitForWindowExposed(&container));
        for (const char *caption : {"a", "b", "c"}) {
            frame->SetCaption(caption);
            frame->repaint();
        }
        const QImage screen = container.screen()->grabWindow(container.winId()).toImage();
        QCOMPARE(PixelAt(screen, 0, 0), TColorFromBits(0x606068));
        QCOMPARE(PixelAt(screen, 99, 59), TColorFromBits(0x606068));
    }

    void shadowCombinesByItsStyle_data()
    {
        QTest::addColumn<int>("style");
        QTest::addColumn<quint32>("expected");
        const quint32 P = 0x0F33CC, S = 0x336699;
        QTest::newRow("ssBlack") << int(TktMBevel::ssBlack) << 0u;
        QTest::newRow("ssCopy") << int(TktMBevel::ssCopy) << P;
        QTest::newRow("ssDithered") << int(TktMBevel::ssDithered) << quint32(MixColors(TColor(P), TColor(S), 60));
        QTest::newRow("ssMask") << int(TktMBevel::ssMask) << (P & S);
        QTest::newRow("ssMaskNotPen") << int(TktMBevel::ssMaskNotPen) << (~P & S & 0xFFFFFF);
        QTest::newRow("ssMerge") << int(TktMBevel::ssMerge) << (P | S);
        QTest::newRow("ssMergeNotPen") << int(TktMBevel::ssMergeNotPen) << ((~P | S) & 0xFFFFFF);
        QTest::newRow("ssNot") << int(TktMBevel::ssNot) << (~S & 0xFFFFFF);
        QTest::newRow("ssNotAND") << int(TktMBevel::ssNotAND) << (P & ~S & 0xFFFFFF);
        QTest::newRow("ssNotCopy") << int(TktMBevel::ssNotCopy) << (~P & 0xFFFFFF);
        QTest::newRow("ssNotMask") << int(TktMBevel::ssNotMask) << (~(P & S) & 0xFFFFFF);
        QTest::newRow("ssNotMerge") << int(TktMBevel::ssNotMerge) << (~(P | S) & 0xFFFFFF);
        QTest::newRow("ssNotOR") << int(TktMBevel::ssNotOR) << ((P | ~S) & 0xFFFFFF);
        QTest::newRow("ssNotXOR") << int(TktMBevel::ssNotXOR) << (~(P ^ S) & 0xFFFFFF);
        QTest::newRow("ssTransparent") << int(TktMBevel::ssTransparent) << S;
        QTest::newRow("ssWhite") << int(TktMBevel::ssWhite) << 0xFFFFFFu;
        QTest::newRow("ssXOR") << int(TktMBevel::ssXOR) << (P ^ S);
    }
    void shadowCombinesByItsStyle()
    {
        QFETCH(int, style);
        QFETCH(quint32, expected);
        const TColor background = TColorFromBits(0x336699);
        Backdrop container(background);
        auto *frame = new TktMultiBevel(&container); // raised outer, lowered inner: band 2 wide
        frame->setGeometry(0, 0, 100, 60);
        frame->SetShadowColor(TColorFromBits(0x0F33CC));
        frame->SetShadowOffsetX(2);
        frame->SetShadowOffsetY(2);
        frame->SetShadowStyle(TktMBevel::TShadowStyle(style));
        frame->SetShadowed(true);
        const QImage image = RenderWhole(container);
        // The shadow ring is (2, 2, 100, 60); the frame itself ends at column 97 and row 57.
        QCOMPARE(TColorBits(PixelAt(image, 99, 30)), expected);
        QCOMPARE(TColorBits(PixelAt(image, 98, 2)), expected);
        QCOMPARE(TColorBits(PixelAt(image, 50, 59)), expected);
        QCOMPARE(PixelAt(image, 99, 1), background);
        QCOMPARE(PixelAt(image, 1, 59), background);
        QCOMPARE(PixelAt(image, 50, 30), background); // inside both rings
        QCOMPARE(PixelAt(image, 0, 0), clWhite);      // the frame moved up and left
        QCOMPARE(PixelAt(image, 97, 57), clGray);
    }

    void ditheredShadowOverAVaryingBackgroundMixesEachPixel()
    {
        Backdrop container(clWhite);
        container.SetGradient(true);
        auto *frame = new TktMultiBevel(&container);
        frame->setGeometry(0, 0, 100, 60);
        frame->SetShadowed(true);
        const QImage image = RenderWhole(container);
        for (const QPoint &p : {QPoint(99, 10), QPoint(98, 40), QPoint(20, 59)}) {
            const TColor beneath = FromQColor(QColor(Backdrop::GradientAt(p.x(), p.y())));
            QCOMPARE(PixelAt(image, p.x(), p.y()), MixColors(clGray, beneath, 60));
        }
    }

    void negativeOffsetsMoveTheShadowUpAndLeft()
    {
        Backdrop container(clSilver);
        auto *frame = new TktMultiBevel(&container);
        frame->setGeometry(0, 0, 100, 60);
        frame->SetShadowStyle(TktMBevel::ssCopy);
        frame->SetShadowColor(clOlive);
        frame->SetShadowOffsetX(-2);
        frame->SetShadowOffsetY(-3);
        frame->SetShadowed(true);
        const QImage image = RenderWhole(container);
        QCOMPARE(PixelAt(image, 0, 30), clOlive);
        QCOMPARE(PixelAt(image, 50, 0), clOlive);
        QCOMPARE(PixelAt(image, 2, 3), clWhite);
        QCOMPARE(PixelAt(image, 99, 59), clGray);
        QCOMPARE(PixelAt(image, 99, 0), clSilver);
    }

    void noShadowAndNoOffsetWithoutAFrameBand()
    {
        Backdrop container(clSilver);
        TktMultiBevel *frame = BareFrame(&container);
        frame->setFont(CaptionFont());
        frame->SetCaption("Ag");
        const QImage plain = RenderWhole(container);
        frame->SetShadowStyle(TktMBevel::ssBlack);
        frame->SetShadowOffsetX(-3); // would move the caption right and down
        frame->SetShadowOffsetY(-3);
        frame->SetShadowed(true);
        QCOMPARE(RenderWhole(container), plain);
    }

    void lineShapesIgnoreTheInnerBevel()
    {
        Backdrop container(clSilver);
        auto *frame = new TktMultiBevel(&container);
        frame->setGeometry(0, 0, 100, 60);
        frame->SetShape(TktMBevel::bspTopLine);
        frame->SetBevelInner(TktMBevel::bstNone);
        const QImage withoutInner = RenderWhole(container);
        frame->SetBevelInner(TktMBevel::bstRaised);
        QCOMPARE(RenderWhole(container), withoutInner);
        // An embossed double line along the top: one ring around a band two pixels high.
        QCOMPARE(PixelAt(withoutInner, 50, 0), clWhite);
        QCOMPARE(PixelAt(withoutInner, 50, 1), clGray);
        QCOMPARE(PixelAt(withoutInner, 50, 2), clSilver);
    }

    void portraitCutsItsCorners()
    {
        Backdrop container(clSilver);
        auto *frame = new TktMultiBevel(&container);
        frame->setGeometry(0, 0, 100, 60);
        frame->SetShape(TktMBevel::bspPortrait);
        frame->SetBevelInner(TktMBevel::bstNone);
        frame->SetColor(clBlue);
        frame->SetBorderWidth(1);
        const QImage image = RenderWhole(container);
        QCOMPARE(PixelAt(image, 3, 3), clSilver);
        QCOMPARE(PixelAt(image, 0, 15), MixColors(clBlue, clWhite, 33));
        QCOMPARE(PixelAt(image, 7, 8), MixColors(clBlue, clWhite, 33));
        QCOMPARE(PixelAt(image, 0, 30), MixColors(clBlue, clWhite, 33));
        QCOMPARE(PixelAt(image, 99, 30), MixColors(clBlue, clBlack, 66));
        // The solid band, one ring inside the bevel, cut by E - BW div 2 - 1.
        QCOMPARE(PixelAt(image, 1, 30), clBlue);
        QCOMPARE(PixelAt(image, 1, 15), clBlue);
        QCOMPARE(PixelAt(image, 2, 14), clBlue);
        QCOMPARE(PixelAt(image, 1, 14), MixColors(clBlue, clWhite, 33)); // the bevel, not the band
    }

    void portraitWithANegativeEdgeShowsItsFarRings_data()
    {
        QTest::addColumn<int>("bevelWidth");
        QTest::addColumn<int>("statedWidth"); // rings past this one cannot reach the widget
        QTest::newRow("49 rings") << 49 << 49;
        QTest::newRow("past every side") << 300 << 300;
        QTest::newRow("widest") << INT_MAX << 300;
    }
    void portraitWithANegativeEdgeShowsItsFarRings()
    {
        QFETCH(int, bevelWidth);
        QFETCH(int, statedWidth);
        Backdrop container(clSilver);
        auto *frame = new TktMultiBevel(&container);
        frame->setGeometry(0, 0, 20, 20);
        frame->SetShape(TktMBevel::bspPortrait);
        frame->SetBevelInner(TktMBevel::bstNone);
        frame->SetColor(clBlue);
        frame->SetEdgeSize(-60);
        frame->SetBevelWidth(bevelWidth);
        const QImage image = RenderWhole(container);

        // The outer bevel as stated: every ring of the width, every gap line, over the backdrop.
        frame->hide();
        QImage stated = RenderWhole(container);
        {
            QPainter painter(&stated);
            TCanvas canvas(painter, QRect(0, 0, 20, 20));
            StatedChamferedRings(canvas, TRect{0, 0, 20, 20}, frame->ColorHighlight(), frame->ColorShadow(), statedWidth, -60);
        }
        QCOMPARE(image, stated);
    }

    void extremeWidthsAndOffsetsPaintInBoundedTime_data()
    {
        QTest::addColumn<int>("shape");
        for (int shape = TktMBevel::bspBottomLine; shape <= TktMBevel::bspTopLine; ++shape)
            QTest::newRow(QMetaEnum::fromType<TktMBevel::TBevelShape>().key(shape)) << shape;
    }
    void extremeWidthsAndOffsetsPaintInBoundedTime()
    {
        QFETCH(int, shape);
        Backdrop container(clRed);
        TktMultiBevel *frame = BareFrame(&container);
        frame->SetShape(TktMBevel::TBevelShape(shape));
        frame->SetColor(clBlue);
        frame->SetBorderWidth(INT_MAX);
        frame->setFont(CaptionFont());
        frame->SetCaption("Ag");
        // A band wider than the widget covers all of it, whatever the shape's rounding.
        if (shape == TktMBevel::bspRect) {
            const QImage image = RenderWhole(container);
            for (const QPoint &p : {QPoint(0, 0), QPoint(50, 30), QPoint(99, 59)})
                QCOMPARE(PixelAt(image, p.x(), p.y()), clBlue);
        }
        frame->SetBevelOuter(TktMBevel::bstRaised);
        frame->SetBevelInner(TktMBevel::bstLowered);
        frame->SetBevelWidth(INT_MAX);
        frame->SetEdgeSize(INT_MIN);
        frame->SetShadowOffsetX(INT_MAX);
        frame->SetShadowOffsetY(INT_MIN);
        frame->SetShadowed(true);
        frame->SetTransparence(TktMBevel::trSemi);
        for (int position = TktMBevel::cpTopLeft; position <= TktMBevel::cpBottomRight; ++position) {
            frame->SetCaptionPosition(TktMBevel::TCaptionPosition(position));
            const QImage image = RenderWhole(container);
            QCOMPARE(PixelAt(image, 110, 70), clRed); // nothing outside the widget
        }
        frame->SetEdgeSize(INT_MAX);
        frame->SetShadowStyle(TktMBevel::ssXOR);
        RenderWhole(container);
    }

    void captionSitsWhereItsPositionSays_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<int>("shape");
        QTest::addColumn<int>("height");
        QTest::addColumn<TRect>("area");
        QTest::addColumn<OriginRule>("origin");
        const int rect = TktMBevel::bspRect, portrait = TktMBevel::bspPortrait;
        // No bevels, no band: the caption rectangle is b = 2 pixels inside the edges.
        const TRect inner{2, 2, 118, 58};
        QTest::newRow("top right ends 2 inside") << int(TktMBevel::cpTopRight) << rect << 60 << inner
            << OriginRule([](int tw, int, const TRect &a) { return QPoint(a.Right - tw - 2, a.Top); });
        QTest::newRow("right vertical loses 2 columns") << int(TktMBevel::cpRightVertical) << rect << 60 << inner
            << OriginRule([](int tw, int th, const TRect &a) {
                   return QPoint(a.Right - th + 2, a.Top + (tw + a.Bottom - a.Top) / 2);
               });
        QTest::newRow("left vertical") << int(TktMBevel::cpLeftVertical) << rect << 60 << inner
            << OriginRule([](int tw, int, const TRect &a) { return QPoint(a.Left, a.Top + (tw + a.Bottom - a.Top) / 2); });
        QTest::newRow("centre") << int(TktMBevel::cpCenter) << rect << 60 << inner
            << OriginRule([](int tw, int th, const TRect &a) {
                   return QPoint(a.Left + (a.Right - a.Left - tw) / 2, a.Top + (a.Bottom - a.Top - th) / 2);
               });
        QTest::newRow("bottom centre") << int(TktMBevel::cpBottomCenter) << rect << 60 << inner
            << OriginRule([](int tw, int th, const TRect &a) {
                   return QPoint(a.Left + (a.Right - a.Left - tw) / 2, a.Bottom - th);
               });
        // Portrait with a raised one-pixel outer bevel: b = 3, E = 15, a 10-point font. Top
        // positions keep clear of the chamfers.
        QTest::newRow("portrait top left") << int(TktMBevel::cpTopLeft) << portrait << 60 << TRect{16, 3, 104, 57}
            << OriginRule([](int, int, const TRect &a) { return QPoint(a.Left, a.Top); });
        // Side positions: narrow when 10 > h - 2E with h = 60 - 1 or 40 - 1.
        QTest::newRow("portrait left, wide") << int(TktMBevel::cpLeft) << portrait << 60 << TRect{3, 3, 117, 57}
            << OriginRule([](int, int th, const TRect &a) { return QPoint(a.Left, a.Top + (a.Bottom - a.Top - th) / 2); });
        QTest::newRow("portrait left, narrow") << int(TktMBevel::cpLeft) << portrait << 40 << TRect{11, 3, 109, 37}
            << OriginRule([](int, int th, const TRect &a) { return QPoint(a.Left, a.Top + (a.Bottom - a.Top - th) / 2); });
    }
    void captionSitsWhereItsPositionSays()
    {
        QFETCH(int, position);
        QFETCH(int, shape);
        QFETCH(int, height);
        QFETCH(TRect, area);
        QFETCH(OriginRule, origin);
        const QString caption = "Typography";
        Backdrop container(clSilver, QSize(130, 70));
        TktMultiBevel *frame = BareFrame(&container, 120, height);
        frame->setFont(CaptionFont());
        frame->SetCaptionOutfit(TktMBevel::coNormal);
        frame->SetShape(TktMBevel::TBevelShape(shape));
        if (shape == TktMBevel::bspPortrait)
            frame->SetBevelOuter(TktMBevel::bstRaised);
        frame->SetCaptionPosition(TktMBevel::TCaptionPosition(position));

        const QImage blank = RenderWhole(container);
        QImage expected = blank;
        QImage unclipped = blank;
        frame->SetCaption(caption);
        const QImage actual = RenderWhole(container);

        const bool vertical = position == TktMBevel::cpLeftVertical || position == TktMBevel::cpRightVertical;
        for (QImage *image : {&expected, &unclipped}) {
            QPainter painter(image);
            TCanvas canvas(painter);
            canvas.SetFont(CaptionFont());
            const QPoint at = origin(canvas.TextWidth(caption), canvas.TextHeight(caption), area);
            if (vertical)
                SetRotatedFont(canvas, 90);
            canvas.SetFontColor(clWindowText);
            if (image == &expected)
                canvas.TextRect(area, at.x(), at.y(), caption);
            else
                canvas.TextOut(at.x(), at.y(), caption);
        }
        QCOMPARE(actual, expected);
        QVERIFY(actual != blank);
        if (position == TktMBevel::cpRightVertical) {
            // The descenders reach the two columns beyond the rectangle and are clipped there.
            QVERIFY(DifferingPixels(unclipped, expected, QRect(area.Right, 0, 2, 70)) > 0);
        }
    }

    void captionOutfitsDrawTheirPasses_data()
    {
        QTest::addColumn<int>("outfit");
        QTest::addColumn<bool>("enabled");
        QTest::addColumn<QList<QList<int>>>("passes"); // colour, dx, dy
        const int F = clWindowText, Hi = clBtnHighlight, Sh = clBtnShadow;
        QTest::newRow("heavy") << int(TktMBevel::coHeavy) << true << QList<QList<int>>{{F, 0, 0}, {F, 1, 1}};
        QTest::newRow("inset heavy") << int(TktMBevel::coInsetHeavy) << true
                                     << QList<QList<int>>{{Hi, 1, 1}, {Sh, -1, -1}, {F, 0, 0}};
        QTest::newRow("inset light") << int(TktMBevel::coInsetLight) << true << QList<QList<int>>{{Hi, 1, 1}, {F, 0, 0}};
        QTest::newRow("normal") << int(TktMBevel::coNormal) << true << QList<QList<int>>{{F, 0, 0}};
        QTest::newRow("raised heavy") << int(TktMBevel::coRaisedHeavy) << true
                                      << QList<QList<int>>{{Hi, -1, -1}, {Sh, 1, 1}, {F, 0, 0}};
        QTest::newRow("raised light") << int(TktMBevel::coRaisedLight) << true << QList<QList<int>>{{Hi, -1, -1}, {F, 0, 0}};
        QTest::newRow("shadowed") << int(TktMBevel::coShadowed) << true << QList<QList<int>>{{Sh, 2, 2}, {F, 0, 0}};
        QTest::newRow("disabled whatever the outfit") << int(TktMBevel::coShadowed) << false
                                                      << QList<QList<int>>{{Hi, 1, 1}, {Sh, 0, 0}};
    }
    void captionOutfitsDrawTheirPasses()
    {
        QFETCH(int, outfit);
        QFETCH(bool, enabled);
        QFETCH(QList<QList<int>>, passes);
        Backdrop container(clSilver);
        TktMultiBevel *frame = BareFrame(&container);
        frame->setFont(CaptionFont());
        frame->SetCaptionOutfit(TktMBevel::TCaptionOutfit(outfit));
        frame->setEnabled(enabled);
        QImage expected = RenderWhole(container);
        frame->SetCaption("Hi");
        {
            QPainter painter(&expected);
            TCanvas canvas(painter);
            canvas.SetFont(CaptionFont());
            for (const QList<int> &pass : passes) {
                canvas.SetFontColor(TColor(pass[0]));
                canvas.TextRect({2, 2, 98, 58}, 2 + pass[1], 2 + pass[2], "Hi");
            }
        }
        QCOMPARE(RenderWhole(container), expected);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_MultiBevel test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_multibevel.moc"
