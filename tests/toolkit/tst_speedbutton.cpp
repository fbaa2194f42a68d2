#include "ControlsTestKit.h"
#include "TApplication.h"
#include "TSpeedButton.h"

#include <QPainter>

namespace {

constexpr TColor kKey = clFuchsia; // the glyphs' transparent colour (bottom-left pixel)
constexpr TColor kInk = clBlue;
constexpr TColor kDisabledInk = clMaroon;

// Count 8 x 8 images side by side, each the key colour with a 4 x 4 square of ink at (2, 2); the
// second image's ink is kDisabledInk.
QImage MakeGlyph(int count)
{
    QImage glyph(8 * count, 8, QImage::Format_RGB32);
    glyph.fill(ToQColor(kKey));
    QPainter painter(&glyph);
    for (int i = 0; i < count; ++i)
        painter.fillRect(8 * i + 2, 2, 4, 4, ToQColor(i == 1 ? kDisabledInk : kInk));
    return glyph;
}

class SwappingButton : public TSpeedButton
{
public:
    using TSpeedButton::SwapGlyph;
    using TSpeedButton::TSpeedButton;
};

void Enter(QWidget *widget)
{
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(widget, &enter);
}

void Leave(QWidget *widget)
{
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(widget, &leave);
}

} // namespace

class tst_SpeedButton : public QObject
{
    Q_OBJECT

private slots:
    // A 24 x 24 button at (10, 10) with an 8 x 8 glyph, whose ink lands at (10, 10) + (10, 10)
    // at rest and one pixel further right and down when pressed or down.
    void looksFollowStyleAndState_data()
    {
        QTest::addColumn<bool>("flat");
        QTest::addColumn<QString>("state");
        QTest::addColumn<TColor>("topLeft");
        QTest::addColumn<TColor>("bottomRight");
        QTest::addColumn<TColor>("inside");
        QTest::addColumn<int>("shift");
        QTest::newRow("raised up") << false << "up" << clWhite << clBlack << clSilver << 0;
        QTest::newRow("raised hot") << false << "hot" << clWhite << clBlack << clSilver << 0;
        QTest::newRow("raised pressed") << false << "pressed" << clGray << clWhite << clSilver << 1;
        QTest::newRow("raised down") << false << "down" << clGray << clWhite << TColor(-1) << 1;
        QTest::newRow("flat up") << true << "up" << kBackground << kBackground << kBackground << 0;
        QTest::newRow("flat hot") << true << "hot" << clWhite << clGray << kBackground << 0;
        QTest::newRow("flat pressed") << true << "pressed" << clGray << clWhite << kBackground << 1;
        QTest::newRow("flat down") << true << "down" << clGray << clWhite << kBackground << 1;
        QTest::newRow("flat disabled hot") << true << "disabled hot" << kBackground << kBackground << kBackground << 0;
    }
    void looksFollowStyleAndState()
    {
        QFETCH(bool, flat);
        QFETCH(QString, state);
        QFETCH(TColor, topLeft);
        QFETCH(TColor, bottomRight);
        QFETCH(TColor, inside);
        QFETCH(int, shift);
        Container container;
        TSpeedButton button(&container);
        button.setGeometry(10, 10, 24, 24);
        button.SetFlat(flat);
        button.SetGlyph(MakeGlyph(1));
        button.SetGroupIndex(1);
        container.ShowAndWait();
        Leave(&button); // wherever the pointer was left by an earlier test
        int entered = 0;
        button.OnMouseEnter = [&](QObject *) { ++entered; };
        if (state.endsWith("hot"))
            Enter(&button);
        QCOMPARE(entered, state.endsWith("hot") ? 1 : 0);
        if (state.startsWith("disabled"))
            button.setEnabled(false);
        if (state == "pressed")
            QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(12, 12));
        if (state == "down")
            button.SetDown(true);
        const QImage image = container.Render();
        QCOMPARE(PixelAt(image, 10, 20), topLeft);
        QCOMPARE(PixelAt(image, 20, 10), topLeft);
        QCOMPARE(PixelAt(image, 33, 20), bottomRight);
        QCOMPARE(PixelAt(image, 20, 33), bottomRight);
        if (inside != TColor(-1))
            QCOMPARE(PixelAt(image, 14, 28), inside);
        // Glyph: ink where it belongs, the key colour never drawn.
        QCOMPARE(PixelAt(image, 20 + shift, 20 + shift), state.startsWith("disabled") ? clGray : kInk);
        QCOMPARE(CountPixels(image, button.geometry(), kKey), 0);
        if (state == "pressed")
            QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(12, 12));
    }

    void disabledButtonUsesTheSecondImageOrAnEngraving_data()
    {
        QTest::addColumn<int>("images");
        QTest::addColumn<TColor>("atInk");
        QTest::addColumn<TColor>("belowRight");
        QTest::newRow("own disabled image") << 2 << kDisabledInk << clSilver;
        QTest::newRow("engraved") << 1 << clGray << clWhite;
    }
    void disabledButtonUsesTheSecondImageOrAnEngraving()
    {
        QFETCH(int, images);
        QFETCH(TColor, atInk);
        QFETCH(TColor, belowRight);
        Container container;
        TSpeedButton button(&container);
        button.setGeometry(10, 10, 24, 24);
        button.SetGlyph(MakeGlyph(images));
        QCOMPARE(button.NumGlyphs(), images);
        button.setEnabled(false);
        QCOMPARE(button.State(), Tk::bsDisabled);
        container.ShowAndWait();
        const QImage image = container.Render();
        QCOMPARE(PixelAt(image, 20, 20), atInk);
        QCOMPARE(PixelAt(image, 24, 24), belowRight); // just past the ink square's corner
    }

    void glyphShapeSetsNumGlyphsButASwapDoesNot_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("expected");
        QTest::newRow("two halves") << QSize(40, 20) << 2;
        QTest::newRow("four") << QSize(64, 16) << 4;
        QTest::newRow("five squares") << QSize(100, 20) << 1;
        QTest::newRow("not whole") << QSize(30, 20) << 3; // kept from before
    }
    void glyphShapeSetsNumGlyphsButASwapDoesNot()
    {
        QFETCH(QSize, size);
        QFETCH(int, expected);
        SwappingButton button;
        button.SetNumGlyphs(3);
        QImage glyph(size, QImage::Format_RGB32);
        glyph.fill(Qt::white);
        button.SetGlyph(glyph);
        QCOMPARE(button.NumGlyphs(), expected);
        button.SwapGlyph(QImage(32, 32, QImage::Format_RGB32));
        QCOMPARE(button.NumGlyphs(), expected);
        QCOMPARE(button.Glyph().size(), QSize(32, 32));
    }

    void groupIsExclusive()
    {
        Container container;
        TSpeedButton first(&container);
        TSpeedButton second(&container);
        TSpeedButton otherGroup(&container);
        TSpeedButton ungrouped(&container);
        first.SetGroupIndex(1);
        second.SetGroupIndex(1);
        otherGroup.SetGroupIndex(2);
        otherGroup.SetDown(true);
        ungrouped.SetDown(true);
        QVERIFY(!ungrouped.Down());
        second.move(30, 0);
        int clicks = 0;
        second.OnClick = [&](QObject *) { ++clicks; };
        container.ShowAndWait();

        QTest::mouseClick(&first, Qt::LeftButton);
        QVERIFY(first.Down());
        QTest::mouseClick(&second, Qt::LeftButton);
        QVERIFY(second.Down());
        QVERIFY(!first.Down());
        QVERIFY(otherGroup.Down());
        QCOMPARE(first.State(), Tk::bsUp);
        QCOMPARE(second.State(), Tk::bsExclusive);

        // Clicking the one that is down keeps it down, but is a click.
        QTest::mouseClick(&second, Qt::LeftButton);
        QVERIFY(second.Down());
        QCOMPARE(clicks, 2);
        second.SetDown(false);
        QVERIFY(second.Down());

        // AllowAllUp is shared by the group and lets the last one come up.
        first.SetAllowAllUp(true);
        QVERIFY(second.AllowAllUp());
        QTest::mouseClick(&second, Qt::LeftButton);
        QVERIFY(!second.Down());
        QVERIFY(!first.Down());
    }

    void clickNeedsPressAndReleaseInside()
    {
        Container container;
        TSpeedButton button(&container);
        button.setGeometry(10, 10, 30, 30);
        int clicks = 0;
        button.OnClick = [&](QObject *sender) {
            QCOMPARE(sender, &button);
            ++clicks;
        };
        container.ShowAndWait();

        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(button.State(), Tk::bsDown);
        QCOMPARE(clicks, 0);
        QTest::mouseMove(&button, QPoint(50, 5));
        QCOMPARE(button.State(), Tk::bsUp);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(50, 5));
        QCOMPARE(clicks, 0);

        QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mouseMove(&button, QPoint(50, 5));
        QTest::mouseMove(&button, QPoint(6, 6));
        QCOMPARE(button.State(), Tk::bsDown);
        QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(6, 6));
        QCOMPARE(clicks, 1);
        QCOMPARE(button.State(), Tk::bsUp);

        QTest::mouseClick(&button, Qt::RightButton, {}, QPoint(5, 5));
        QCOMPARE(clicks, 1);

        // The caption's accelerator clicks too, unless the button is disabled.
        button.SetCaption(QStringLiteral("&Print"));
        container.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&container));
        QTest::keyClick(&container, Qt::Key_P, Qt::AltModifier);
        QCOMPARE(clicks, 2);
        button.setEnabled(false);
        QTest::mouseClick(&button, Qt::LeftButton, {}, QPoint(5, 5));
        QTest::keyClick(&container, Qt::Key_P, Qt::AltModifier);
        QCOMPARE(clicks, 2);
    }

    void aHandlerMayDeleteTheButton()
    {
        Container container;
        auto *button = new TSpeedButton(&container);
        button->SetGroupIndex(1);
        button->OnClick = [button](QObject *) { delete button; };
        container.ShowAndWait();
        QPointer<TSpeedButton> watch(button);
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!watch);
    }

    void glyphAndCaptionAreCentredAndPlacedByLayout_data()
    {
        QTest::addColumn<Tk::TButtonLayout>("layout");
        QTest::newRow("left") << Tk::blGlyphLeft;
        QTest::newRow("right") << Tk::blGlyphRight;
        QTest::newRow("top") << Tk::blGlyphTop;
        QTest::newRow("bottom") << Tk::blGlyphBottom;
    }
    void glyphAndCaptionAreCentredAndPlacedByLayout()
    {
        QFETCH(Tk::TButtonLayout, layout);
        Container container;
        TSpeedButton button(&container);
        button.setGeometry(0, 0, 120, 60);
        button.SetFlat(true);
        button.SetGlyph(MakeGlyph(1));
        button.SetCaption(QStringLiteral("Go"));
        button.SetLayout(layout);
        container.ShowAndWait();
        Leave(&button);
        const QImage image = container.Render();
        const QRect ink = ColorBounds(image, QRect(0, 0, 120, 60), kInk); // the glyph's ink square
        const QRect all = InkBounds(image, QRect(0, 0, 120, 60), kBackground);
        QCOMPARE(ink.size(), QSize(4, 4));
        // Glyph plus spacing plus caption sit together in the middle.
        QVERIFY(qAbs((all.left() + all.right()) - 119) <= 3);
        QVERIFY(qAbs((all.top() + all.bottom()) - 59) <= 4);
        switch (layout) {
        case Tk::blGlyphLeft: QCOMPARE(ink.left(), all.left()); break;
        case Tk::blGlyphRight: QCOMPARE(ink.right(), all.right()); break;
        case Tk::blGlyphTop: QCOMPARE(ink.top(), all.top()); break;
        case Tk::blGlyphBottom: QCOMPARE(ink.bottom(), all.bottom()); break;
        }
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_SpeedButton test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_speedbutton.moc"
