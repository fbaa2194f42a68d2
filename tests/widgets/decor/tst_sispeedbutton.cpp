#include "TApplication.h"
#include "TsiSpeedButton.h"

#include <QPainter>
#include <QTest>
#include <QTimer>

namespace {

const QColor kKey(255, 0, 255); // the transparent colour, in every bottom-left corner

// Three 32 x 32 frames side by side: a red, a green and a blue block on the transparent colour.
QImage Strip()
{
    QImage strip(96, 32, QImage::Format_RGB32);
    strip.fill(kKey);
    QPainter painter(&strip);
    const QColor colours[] = {Qt::red, Qt::green, Qt::blue};
    for (int i = 0; i < 3; ++i)
        painter.fillRect(i * 32 + 4, 4, 24, 24, colours[i]);
    return strip;
}

QImage Plain(QColor colour, QSize size = QSize(32, 32))
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

// Writes down the centre colour of every picture the button is given.
class Button : public TsiSpeedButton
{
public:
    Button()
    {
        SetFlat(true);
        SetGlyph(own);
        SetAnimGlyph(Strip());
        shown.clear();
    }
    const QImage own = Plain(Qt::yellow);
    QList<QColor> shown;
    QColor Centre() const { return Glyph().pixelColor(16, 16); }

protected:
    void GlyphChanged() override { shown.append(Centre()); }
};

} // namespace

class tst_siSpeedButton : public QObject
{
    Q_OBJECT

private slots:
    void stripFramesFollowEachOther_data()
    {
        QTest::addColumn<bool>("enabled");
        QTest::newRow("enabled") << true;
        QTest::newRow("disabled: the frames run all the same") << false;
    }
    void stripFramesFollowEachOther()
    {
        QFETCH(bool, enabled);
        Button button;
        button.SetEnabled(enabled);
        button.SetInterval(20);
        button.SetAnimated(true);
        // Frame 1 at once, before the first tick.
        QCOMPARE(button.shown, QList<QColor>{Qt::red});
        QCOMPARE(button.Glyph(), Strip().copy(0, 0, 32, 32).convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(button.FrameCount(), 3);
        QTRY_VERIFY(button.shown.size() >= 5);
        QCOMPARE(button.shown.mid(0, 5), (QList<QColor>{Qt::red, Qt::green, Qt::blue, Qt::red, Qt::green}));
        button.SetAnimated(false);
        QVERIFY(!button.IsTicking());
        QCOMPARE(button.Glyph(), button.own);
    }

    void verticalReadingOfTheWideStripShowsItsFirstSquareOnEveryTick()
    {
        Button button;
        button.SetAnimOrientation(TsiSpeedButton::aoVertical);
        button.SetInterval(20);
        button.SetAnimated(true);
        QCOMPARE(button.FrameCount(), 0);
        QCOMPARE(button.Glyph().size(), QSize(96, 96));
        QCOMPARE(button.Glyph().copy(0, 0, 96, 32), Strip().convertToFormat(QImage::Format_ARGB32));
        QCOMPARE(button.Glyph().pixelColor(50, 60), kKey); // below the strip: transparent
        QTRY_VERIFY(button.shown.size() >= 4);
        QCOMPARE(button.shown.count(QColor(Qt::red)), button.shown.size());
    }

    void stoppingRestoresThePictureFromTheStart()
    {
        Button button;
        button.SetGlyph(Plain(Qt::cyan, QSize(64, 32)));
        const QImage atStart = button.Glyph();
        button.SetInterval(0);
        button.SetAnimated(true);
        QCOMPARE(button.NumGlyphs(), 2); // frames are swapped in without recounting
        button.SetGlyph(Plain(Qt::darkCyan));
        button.NextFrame();
        button.SetAnimated(false);
        QCOMPARE(button.Glyph(), atStart);
    }

    void onlyAnotherStripOrOrientationRestartsAtFrameOne()
    {
        Button button;
        button.SetInterval(0); // frames move on only when told
        button.SetAnimated(true);
        button.NextFrame();
        QCOMPARE(button.Centre(), QColor(Qt::green));

        button.SetAnimGlyph(button.AnimGlyph());
        QCOMPARE(button.FrameIndex(), 3);
        QCOMPARE(button.Centre(), QColor(Qt::green));

        button.SetAnimGlyph(Strip()); // the same pixels, another image
        QCOMPARE(button.Centre(), QColor(Qt::red));
        QCOMPARE(button.FrameIndex(), 2);

        button.NextFrame();
        button.SetAnimOrientation(TsiSpeedButton::aoVertical);
        QVERIFY(button.Animated());
        QCOMPARE(button.Glyph().size(), QSize(96, 96));
        button.SetAnimated(false);
        QCOMPARE(button.Glyph(), button.own);
    }

    void sameIntervalDoesNotRestartTheWait()
    {
        // Re-assigning the current Interval more often than it elapses: were the wait started over
        // each time, no frame would ever come.
        Button button;
        button.SetInterval(150);
        button.SetAnimated(true);
        QTimer reassign;
        QObject::connect(&reassign, &QTimer::timeout, &button, [&button] { button.SetInterval(150); });
        reassign.start(30);
        QTRY_VERIFY(button.shown.size() >= 3);
    }

    void intervalOfZeroHoldsTheFrameAndAnEmptyStripThePicture()
    {
        Button button;
        button.SetAnimated(true);
        button.SetInterval(0);
        QVERIFY(button.Animated() && !button.IsTicking());
        button.SetAnimated(false);
        button.SetAnimGlyph(QImage());
        button.SetInterval(20);
        button.SetAnimated(true);
        QVERIFY(button.IsTicking());
        button.NextFrame();
        QCOMPARE(button.Glyph(), button.own);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_siSpeedButton test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_sispeedbutton.moc"
