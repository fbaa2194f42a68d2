#include "DecorTestKit.h"
#include "TApplication.h"
#include "TGlowLabel.h"

#include <QFontMetrics>
#include <QSet>
#include <QTest>

namespace {

const QString kNote = QStringLiteral("Do not take the calculated handicap in to account");

// Without antialiasing every text pixel is exactly the pen colour, so halo and text can be told
// apart pixel by pixel.
QFont NoteFont()
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(13);
    font.setBold(true);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

using PixelSet = QSet<std::pair<int, int>>;

PixelSet PixelsOf(const QImage &image, const QRect &area, const QColor &colour)
{
    PixelSet found;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (image.pixelColor(x, y) == colour)
                found.insert({x, y});
    return found;
}

// The first GlowLabel of the "Enter Scores" page, over a silver container.
struct Scene
{
    Backdrop container{clSilver, QSize(360, 90)};
    TGlowLabel *label = new TGlowLabel(&container);

    Scene()
    {
        label->setFont(NoteFont());
        label->SetFontColor(clMaroon);
        label->SetGlowColor(clYellow);
        label->SetColor(clWhite);
        label->move(10, 10);
        label->SetCaption(kNote);
        container.show();
    }
    void Enter()
    {
        QEnterEvent enter(QPointF(2, 2), QPointF(12, 12), QPointF(12, 12));
        QCoreApplication::sendEvent(label, &enter);
    }
    void Leave()
    {
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(label, &leave);
    }
    QImage Render() { return RenderWhole(container); }
    // Rows of the label holding text, counted in lines of the font.
    int TextLines(const QImage &image, const QColor &ink)
    {
        const int lineHeight = QFontMetrics(label->font(), label).lineSpacing();
        QSet<int> lines;
        for (const auto &[x, y] : PixelsOf(image, label->geometry(), ink))
            lines.insert((y - label->y()) / lineHeight);
        return int(lines.size());
    }
};

} // namespace

class tst_GlowLabel : public QObject
{
    Q_OBJECT

private slots:
    void newLabelGlowsWhite()
    {
        TGlowLabel label;
        QCOMPARE(label.GlowColor(), clWhite);
        QVERIFY(!label.Hovered());
        QVERIFY(label.setProperty("GlowColor", qint32(clYellow)));
        QCOMPARE(label.GlowColor(), clYellow);
    }

    void hoverDrawsAOnePixelDiagonalHalo()
    {
        Scene scene;
        const QRect area = scene.label->geometry();
        const QImage still = scene.Render();
        const PixelSet text = PixelsOf(still, area, Qt::darkRed);
        QVERIFY(text.size() > 100);
        QVERIFY(PixelsOf(still, area, Qt::yellow).isEmpty());

        scene.Enter();
        QVERIFY(scene.label->Hovered());
        const QImage hovered = scene.Render();
        // The halo is the text moved by (+1,+1), (-1,-1), (-1,+1) and (+1,-1), under the text itself.
        PixelSet halo;
        for (const auto &[x, y] : text)
            for (const QPoint offset : {QPoint(1, 1), QPoint(-1, -1), QPoint(-1, 1), QPoint(1, -1)})
                if (area.contains(x + offset.x(), y + offset.y()))
                    halo.insert({x + offset.x(), y + offset.y()});
        halo -= text;
        QCOMPARE(PixelsOf(hovered, area, Qt::darkRed), text);
        QCOMPARE(PixelsOf(hovered, area, Qt::yellow), halo);
        // Nothing is painted outside the label.
        QCOMPARE(DifferingPixels(hovered, still, QRect(0, 0, 360, 90)), int(halo.size()));

        scene.Leave();
        QVERIFY(!scene.label->Hovered());
        QCOMPARE(scene.Render(), still);
    }

    void disabledLabelDrawsGreyTextOnceAndNoHalo()
    {
        Scene scene;
        const QRect area = scene.label->geometry();
        const PixelSet text = PixelsOf(scene.Render(), area, Qt::darkRed);
        scene.label->SetEnabled(false);
        scene.Enter();
        QVERIFY(scene.label->Hovered());
        QImage image = scene.Render();
        QCOMPARE(PixelsOf(image, area, ToQColor(clGrayText)), text);
        QVERIFY(PixelsOf(image, area, Qt::yellow).isEmpty());
        QVERIFY(PixelsOf(image, area, Qt::darkRed).isEmpty());

        // Enabled again with the pointer still inside: the halo comes back at the next paint.
        scene.label->SetEnabled(true);
        image = scene.Render();
        QVERIFY(!PixelsOf(image, area, Qt::yellow).isEmpty());
        QCOMPARE(PixelsOf(image, area, Qt::darkRed), text);
    }

    void textStandsAtTheTopAndWrapsWhateverTheSettings_data()
    {
        QTest::addColumn<bool>("autoSize");
        QTest::addColumn<QSize>("size");
        QTest::addColumn<Tk::TTextLayout>("layout");
        QTest::addColumn<int>("lines");
        QTest::newRow("sized to fit: one line") << true << QSize() << Tk::tlTop << 1;
        QTest::newRow("narrow, not sized: wraps without WordWrap") << false << QSize(200, 60) << Tk::tlTop << 2;
        QTest::newRow("centre layout still at the top") << false << QSize(340, 60) << Tk::tlCenter << 1;
        QTest::newRow("bottom layout still at the top") << false << QSize(340, 60) << Tk::tlBottom << 1;
    }
    void textStandsAtTheTopAndWrapsWhateverTheSettings()
    {
        QFETCH(bool, autoSize);
        QFETCH(QSize, size);
        QFETCH(Tk::TTextLayout, layout);
        QFETCH(int, lines);
        Scene scene;
        scene.label->SetAutoSize(autoSize);
        if (size.isValid())
            scene.label->resize(size);
        scene.label->SetLayout(layout);
        QVERIFY(!scene.label->WordWrap());
        if (autoSize)
            QCOMPARE(scene.label->height(), QFontMetrics(scene.label->font(), scene.label).height());
        const QImage image = scene.Render();
        QCOMPARE(scene.TextLines(image, Qt::darkRed), lines);
        // Whatever the layout, the first line begins in the label's top rows.
        int topmost = INT_MAX;
        for (const auto &[x, y] : PixelsOf(image, scene.label->geometry(), Qt::darkRed))
            topmost = qMin(topmost, y);
        QVERIFY(topmost - scene.label->y() < 6);
    }

    void transparentLabelPaintsOnlyHaloAndText()
    {
        Scene scene;
        scene.container.SetGradient(true);
        scene.label->SetTransparent(true);
        scene.Enter();
        const QImage image = scene.Render();
        const QRect area = scene.label->geometry();
        int halo = 0;
        for (int y = area.top(); y <= area.bottom(); ++y) {
            for (int x = area.left(); x <= area.right(); ++x) {
                const QColor pixel = image.pixelColor(x, y);
                if (pixel == Qt::yellow) {
                    ++halo;
                    continue;
                }
                if (pixel != Qt::darkRed)
                    QCOMPARE(pixel.rgb(), Backdrop::GradientAt(x, y));
            }
        }
        QVERIFY(halo > 100);

        // Not transparent, the label fills its rectangle with Color.
        scene.label->SetTransparent(false);
        QCOMPARE(scene.Render().pixelColor(area.bottomRight()), QColor(Qt::white));
    }

    void paintsAtMostTheFirst255Characters()
    {
        // An ordinary wrapping label in the same place shows what a given text looks like.
        Scene scene;
        TLabel reference(&scene.container);
        for (TCustomLabel *label : {static_cast<TCustomLabel *>(scene.label), static_cast<TCustomLabel *>(&reference)}) {
            label->SetAutoSize(false);
            label->setGeometry(10, 10, 340, 75);
            label->setFont(QFont(QStringLiteral("Arial"), 6));
            label->SetWordWrap(true);
            label->SetFontColor(clMaroon);
            label->SetColor(clWhite);
        }
        const QString first255 = QStringLiteral("ab ").repeated(85);
        const QString caption = first255 + QStringLiteral("XYZ is never shown");
        scene.label->SetCaption(caption);
        reference.hide();
        const QImage glowing = scene.Render();

        scene.label->hide();
        reference.show();
        reference.SetCaption(first255);
        QCOMPARE(scene.Render(), glowing);
        reference.SetCaption(first255 + QLatin1Char('X'));
        QVERIFY(scene.Render() != glowing);
        QCOMPARE(scene.label->Caption(), caption);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_GlowLabel test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_glowlabel.moc"
