#include "DecorTestKit.h"
#include "TApplication.h"
#include "TsiSpeedButton.h"

#include <QPainter>
#include <QTest>
#include <QTimer>

namespace {

const QColor kKey(255, 0, 255); // the strips' transparent colour, in every bottom-left corner
const QColor kFrameColours[] = {Qt::red, Qt::green, Qt::blue};

// Square frames side by side: each a block of its own colour on the transparent colour.
QImage HorizontalStrip(int frames = 3, int side = 32)
{
    QImage strip(side * frames, side, QImage::Format_RGB32);
    strip.fill(kKey);
    QPainter painter(&strip);
    for (int i = 0; i < frames; ++i)
        painter.fillRect(i * side + 4, 4, side - 8, side - 8, kFrameColours[i % 3]);
    return strip;
}

QImage Plain(QColor colour, QSize size = QSize(32, 32))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    image.setPixelColor(0, size.height() - 1, kKey);
    return image;
}

QColor CentreOf(const QImage &glyph)
{
    return glyph.isNull() ? QColor() : glyph.pixelColor(16, 16);
}

// Writes down the centre colour of every picture the button is given.
class RecordingButton : public TsiSpeedButton
{
public:
    using TsiSpeedButton::TsiSpeedButton;
    QList<QColor> shown;

protected:
    void GlyphChanged() override { shown.append(CentreOf(Glyph())); }
};

struct Scene
{
    Backdrop container{clSilver, QSize(100, 60)};
    RecordingButton *button = new RecordingButton(&container);
    const QImage own = Plain(Qt::yellow);

    Scene()
    {
        button->setGeometry(10, 10, 45, 37);
        button->SetFlat(true);
        button->SetGlyph(own);
        button->shown.clear();
        container.show();
    }
};

} // namespace

class tst_siSpeedButton : public QObject
{
    Q_OBJECT

private slots:
    void newButtonStandsStill()
    {
        TsiSpeedButton button;
        QVERIFY(!button.Animated());
        QCOMPARE(button.Interval(), 100);
        QCOMPARE(button.AnimOrientation(), TsiSpeedButton::aoHorizontal);
        QVERIFY(button.AnimGlyph().isNull());
        QCOMPARE(button.FrameCount(), 0);
        QVERIFY(!button.IsTicking());
        // The print button's stored settings, set by name as the layout does.
        QVERIFY(button.setProperty("Animated", false));
        QVERIFY(button.setProperty("Interval", 100));
        QVERIFY(button.setProperty("AnimOrientation", "aoVertical"));
        QCOMPARE(button.AnimOrientation(), TsiSpeedButton::aoVertical);
        QVERIFY(!button.IsTicking());
    }

    void horizontalStripShowsItsFramesInTurn_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled") << true;
        QTest::newRow("disabled: frames run all the same") << false;
    }
    void horizontalStripShowsItsFramesInTurn()
    {
        QFETCH(bool, enabled);
        Scene scene;
        RecordingButton *button = scene.button;
        button->SetEnabled(enabled);
        button->SetAnimGlyph(HorizontalStrip());
        button->SetInterval(20);
        QVERIFY(button->shown.isEmpty());

        button->SetAnimated(true);
        // Frame 1 at once, before the first tick.
        QCOMPARE(button->shown, QList<QColor>{Qt::red});
        QCOMPARE(button->Glyph().size(), QSize(32, 32));
        QCOMPARE(button->Glyph(), HorizontalStrip().copy(0, 0, 32, 32).convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(button->FrameCount(), 3);
        QVERIFY(button->IsTicking());

        QTRY_VERIFY(button->shown.size() >= 5);
        QCOMPARE(button->shown.mid(0, 5),
                 (QList<QColor>{Qt::red, Qt::green, Qt::blue, Qt::red, Qt::green}));

        button->SetAnimated(false);
        QVERIFY(!button->IsTicking());
        QCOMPARE(button->Glyph(), scene.own);
    }

    void paintedFrameShowsTheContainerAroundIt()
    {
        Scene scene;
        scene.button->SetAnimGlyph(HorizontalStrip());
        scene.button->SetInterval(0); // no ticks: frames move on only when told
        scene.button->SetAnimated(true);
        const QPoint centre = scene.button->geometry().center();
        QImage image = RenderWhole(scene.container);
        QCOMPARE(image.pixelColor(centre), QColor(Qt::red));
        // The frame's corner is the transparent colour: the silver container shows there.
        const QPoint glyphCorner = centre - QPoint(14, 14);
        QCOMPARE(PixelAt(image, glyphCorner.x(), glyphCorner.y()), clSilver);

        scene.button->NextFrame();
        image = RenderWhole(scene.container);
        QCOMPARE(image.pixelColor(centre), QColor(Qt::green));
    }

    void verticalReadingOfAWideStripShowsItsFirstSquareOnEveryTick()
    {
        Scene scene;
        RecordingButton *button = scene.button;
        const QImage strip = HorizontalStrip();
        button->SetAnimOrientation(TsiSpeedButton::aoVertical);
        button->SetAnimGlyph(strip);
        button->SetInterval(20);
        button->SetAnimated(true);
        QCOMPARE(button->FrameCount(), 0);
        const QImage frame = button->Glyph();
        QCOMPARE(frame.size(), QSize(96, 96));
        QCOMPARE(frame.copy(0, 0, 96, 32), strip.convertToFormat(QImage::Format_ARGB32));
        // Below the strip the square takes the strip's transparent colour.
        QCOMPARE(frame.pixelColor(50, 60), kKey);
        QCOMPARE(frame.pixelColor(0, 95), kKey);

        QTRY_VERIFY(button->shown.size() >= 4);
        QCOMPARE(button->shown.count(QColor(Qt::red)), button->shown.size());
        QCOMPARE(button->FrameIndex(), 1);
    }

    void stoppingRestoresThePictureFromTheStart()
    {
        Scene scene;
        RecordingButton *button = scene.button;
        button->SetGlyph(Plain(Qt::cyan, QSize(64, 32)));
        QCOMPARE(button->NumGlyphs(), 2);
        const QImage atStart = button->Glyph();
        button->SetAnimGlyph(HorizontalStrip());
        button->SetInterval(0);
        button->SetAnimated(true);
        // Frames are swapped in without recounting the images in the glyph.
        QCOMPARE(button->NumGlyphs(), 2);
        button->SetGlyph(Plain(Qt::darkCyan));
        button->NextFrame();
        button->SetAnimated(false);
        QCOMPARE(button->Glyph(), atStart);
    }

    void assigningTheHeldStripChangesNothing()
    {
        Scene scene;
        RecordingButton *button = scene.button;
        const QImage strip = HorizontalStrip();
        button->SetAnimGlyph(strip);
        button->SetInterval(0);
        button->SetAnimated(true);
        button->NextFrame();
        QCOMPARE(CentreOf(button->Glyph()), QColor(Qt::green));
        QCOMPARE(button->FrameIndex(), 3);

        button->SetAnimGlyph(button->AnimGlyph());
        button->SetAnimGlyph(strip);
        QCOMPARE(button->FrameIndex(), 3);
        QCOMPARE(CentreOf(button->Glyph()), QColor(Qt::green));

        // Another image, even one with the same pixels, restarts at frame 1.
        button->SetAnimGlyph(strip.copy());
        QVERIFY(button->Animated());
        QCOMPARE(CentreOf(button->Glyph()), QColor(Qt::red));
        QCOMPARE(button->FrameIndex(), 2);
    }

    void stripOrOrientationChangedWhileStillOnlyStores()
    {
        Scene scene;
        RecordingButton *button = scene.button;
        button->SetAnimGlyph(HorizontalStrip());
        button->SetAnimOrientation(TsiSpeedButton::aoVertical);
        QVERIFY(!button->Animated());
        QVERIFY(!button->IsTicking());
        QCOMPARE(button->Glyph(), scene.own);
        QVERIFY(button->shown.isEmpty());
    }

    void orientationChangeWhileAnimatingRestartsAtFrameOne()
    {
        Scene scene;
        RecordingButton *button = scene.button;
        button->SetAnimGlyph(HorizontalStrip());
        button->SetInterval(0);
        button->SetAnimated(true);
        button->NextFrame();
        button->SetAnimOrientation(TsiSpeedButton::aoVertical);
        QVERIFY(button->Animated());
        QCOMPARE(button->Glyph().size(), QSize(96, 96));
        button->SetAnimOrientation(TsiSpeedButton::aoHorizontal);
        QCOMPARE(button->Glyph().size(), QSize(32, 32));
        QCOMPARE(CentreOf(button->Glyph()), QColor(Qt::red));
        QCOMPARE(button->FrameIndex(), 2);
        button->SetAnimated(false);
        QCOMPARE(button->Glyph(), scene.own);
    }

    void emptyStripLeavesThePictureAndKeepsTicking()
    {
        Scene scene;
        scene.button->SetAnimated(true);
        QVERIFY(scene.button->IsTicking());
        scene.button->NextFrame();
        QCOMPARE(scene.button->Glyph(), scene.own);
        QVERIFY(scene.button->shown.isEmpty());
    }

    void settingTheSameIntervalDoesNotRestartTheWait()
    {
        // Re-assigning the current Interval more often than it elapses: were the wait started over
        // each time, no frame would ever come.
        Scene scene;
        RecordingButton *button = scene.button;
        button->SetAnimGlyph(HorizontalStrip());
        button->SetInterval(150);
        button->SetAnimated(true);
        QTimer reassign;
        reassign.setInterval(30);
        QObject::connect(&reassign, &QTimer::timeout, button, [button] { button->SetInterval(150); });
        reassign.start();
        QTRY_VERIFY(button->shown.size() >= 3);
        QCOMPARE(button->Interval(), 150);
    }

    void intervalOfZeroHoldsTheFrame()
    {
        Scene scene;
        RecordingButton *button = scene.button;
        button->SetAnimGlyph(HorizontalStrip());
        button->SetAnimated(true);
        QVERIFY(button->IsTicking());
        button->SetInterval(0);
        QVERIFY(button->Animated());
        QVERIFY(!button->IsTicking());
        button->SetInterval(20);
        QVERIFY(button->IsTicking());
        QTRY_VERIFY(button->shown.size() >= 2);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_siSpeedButton test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_sispeedbutton.moc"
