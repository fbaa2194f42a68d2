#include "DecorTestKit.h"
#include "TApplication.h"
#include "TGlowLabel.h"

#include <QFontMetrics>
#include <QSet>
#include <QTest>

namespace {

using PixelSet = QSet<std::pair<int, int>>;

// The first note of the "Enter Scores" page over a silver container, drawn without antialiasing so
// that every text pixel is exactly its pen's colour.
struct Scene
{
    Backdrop container{clSilver, QSize(360, 90)};
    TGlowLabel *label = new TGlowLabel(&container);

    Scene()
    {
        QFont font(QStringLiteral("Arial"));
        font.setPixelSize(13);
        font.setBold(true);
        font.setStyleStrategy(QFont::NoAntialias);
        label->setFont(font);
        label->SetFontColor(clMaroon);
        label->SetGlowColor(clYellow);
        label->SetColor(clWhite);
        label->move(10, 10);
        label->SetCaption(QStringLiteral("Do not take the calculated handicap in to account"));
        container.show();
    }
    void Hover(bool inside)
    {
        QEnterEvent enter(QPointF(2, 2), QPointF(12, 12), QPointF(12, 12));
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(label, inside ? static_cast<QEvent *>(&enter) : &leave);
    }
    PixelSet Pixels(const QColor &colour)
    {
        const QImage image = RenderWhole(container);
        PixelSet found;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                if (image.pixelColor(x, y) == colour)
                    found.insert({x, y});
        return found;
    }
};

} // namespace

class tst_GlowLabel : public QObject
{
    Q_OBJECT

private slots:
    void hoverDrawsAOnePixelDiagonalHaloUnderTheText()
    {
        Scene scene;
        const QRect area = scene.label->geometry();
        const QImage still = RenderWhole(scene.container);
        const PixelSet text = scene.Pixels(Qt::darkRed);
        QVERIFY(text.size() > 100);
        QVERIFY(scene.Pixels(Qt::yellow).isEmpty());

        scene.Hover(true);
        PixelSet halo;
        for (const auto &[x, y] : text)
            for (const QPoint offset : {QPoint(1, 1), QPoint(-1, -1), QPoint(-1, 1), QPoint(1, -1)})
                if (area.contains(x + offset.x(), y + offset.y()))
                    halo.insert({x + offset.x(), y + offset.y()});
        halo -= text;
        QCOMPARE(scene.Pixels(Qt::darkRed), text);
        QCOMPARE(scene.Pixels(Qt::yellow), halo);

        scene.Hover(false);
        QCOMPARE(RenderWhole(scene.container), still);
    }

    void disabledLabelDrawsGreyTextOnceAndNoHalo()
    {
        Scene scene;
        const PixelSet text = scene.Pixels(Qt::darkRed);
        scene.label->SetEnabled(false);
        scene.Hover(true);
        QCOMPARE(scene.Pixels(ToQColor(clGrayText)), text);
        QVERIFY(scene.Pixels(Qt::yellow).isEmpty());
        // Enabled with the pointer still inside: the halo at the next paint.
        scene.label->SetEnabled(true);
        QVERIFY(!scene.Pixels(Qt::yellow).isEmpty());
    }

    void textStandsAtTheTopAndWrapsWhateverTheSettings_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<Tk::TTextLayout>("layout");
        QTest::addColumn<int>("lines");
        QTest::newRow("sized to fit: one line") << 0 << Tk::tlTop << 1;
        QTest::newRow("narrow without WordWrap: wraps") << 200 << Tk::tlTop << 2;
        QTest::newRow("centre layout") << 340 << Tk::tlCenter << 1;
        QTest::newRow("bottom layout") << 340 << Tk::tlBottom << 1;
    }
    void textStandsAtTheTopAndWrapsWhateverTheSettings()
    {
        QFETCH(int, width);
        QFETCH(Tk::TTextLayout, layout);
        QFETCH(int, lines);
        Scene scene;
        if (width > 0) {
            scene.label->SetAutoSize(false);
            scene.label->resize(width, 60);
        }
        scene.label->SetLayout(layout);
        const int lineHeight = QFontMetrics(scene.label->font(), scene.label).lineSpacing();
        QSet<int> linesWithInk;
        int top = INT_MAX;
        for (const auto &[x, y] : scene.Pixels(Qt::darkRed)) {
            linesWithInk.insert((y - 10) / lineHeight);
            top = qMin(top, y - 10);
        }
        QCOMPARE(int(linesWithInk.size()), lines);
        QVERIFY(top < 5);
    }

    void transparentLabelPaintsOnlyHaloAndText()
    {
        Scene scene;
        scene.container.SetGradient(true);
        scene.label->SetTransparent(true);
        scene.Hover(true);
        const QImage image = RenderWhole(scene.container);
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel != Qt::yellow && pixel != Qt::darkRed)
                    QCOMPARE(pixel.rgb(), Backdrop::GradientAt(x, y));
            }
        QVERIFY(scene.Pixels(Qt::yellow).size() > 100);
    }

    void paintsAtMostTheFirst255Characters()
    {
        Scene scene;
        scene.label->SetAutoSize(false);
        scene.label->resize(340, 75);
        scene.label->setFont(QFont(QStringLiteral("Arial"), 6));
        const QString first255 = QStringLiteral("ab ").repeated(85); // three lines; a fourth would fit
        scene.label->SetCaption(first255);
        const QImage cut = RenderWhole(scene.container);
        scene.label->SetCaption(first255 + QStringLiteral("XYZ is never shown"));
        QCOMPARE(RenderWhole(scene.container), cut);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_GlowLabel test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_glowlabel.moc"
