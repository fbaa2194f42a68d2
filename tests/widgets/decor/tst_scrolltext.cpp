#include "DecorTestKit.h"
#include "Scrolltext.h"
#include "TApplication.h"

#include <QFontMetrics>
#include <QTest>

namespace {

const QString kCaption = QStringLiteral("Quarvel's Personal Tallimo  - Lite14");
const QString kMessage = QStringLiteral("Quarvel's Personal Tallimo  - Lite");

QFont Arial(qreal pixels)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(int(pixels));
    return font;
}

// The "Control" page's top with the title banner read from the layout: its settings set by name in
// their stored order, with some replaced.
struct Scene
{
    Backdrop page{clSilver, QSize(632, 40)};
    TScrollText *banner = new TScrollText(&page);

    explicit Scene(std::initializer_list<std::pair<const char *, QVariant>> changes = {})
    {
        QList<std::pair<const char *, QVariant>> settings{
            {"Width", 629}, {"Height", 28}, {"AutoSize", false}, {"Transparent", true}, {"Font", Arial(25)},
            {"Caption", kCaption}, {"ScrollMessage", kMessage}, {"Scrolltype", "scRight"},
            {"ScrollMethod", "smChar"}, {"Speed", 200}};
        for (const auto &[name, value] : changes)
            std::find_if(settings.begin(), settings.end(), [&](auto &s) { return qstrcmp(s.first, name) == 0; })->second = value;
        banner->BeginLoading();
        for (const auto &[name, value] : settings)
            QVERIFY2(banner->setProperty(name, value), name);
        banner->EndLoading();
        page.show();
    }
    int TextWidth(const QString &text) const { return QFontMetrics(banner->font(), banner).horizontalAdvance(text); }
    // Leftmost column of the banner's rows with anything but the page colour; -1 when blank.
    int FirstInk()
    {
        const QImage image = RenderWhole(page);
        for (int x = 0; x < image.width(); ++x)
            for (int y = 0; y < 28; ++y)
                if (PixelAt(image, x, y) != clSilver)
                    return x;
        return -1;
    }
};

} // namespace

class tst_ScrollText : public QObject
{
    Q_OBJECT

private slots:
    void titleBannerEntersAtTheRightAndCyclesInWidthPlusLengthPlusOneTicks()
    {
        Scene scene;
        TScrollText *banner = scene.banner;
        QCOMPARE(banner->CellWidth(), 19);
        QCOMPARE(banner->WidthInChars(), 33);
        QCOMPARE(banner->ScrollPos(), 33);
        QCOMPARE(banner->TickInterval(), 200);
        QCOMPARE(banner->Caption(), kCaption); // until the first tick

        banner->ScrollTick();
        QCOMPARE(banner->ScrollPos(), 32);
        const QString blanks = banner->Caption().chopped(1);
        QCOMPARE(banner->Caption(), blanks + QLatin1Char('Q'));
        QCOMPARE(blanks, QString(blanks.size(), QLatin1Char(' ')));
        QVERIFY(scene.TextWidth(blanks) >= 32 * 19 && scene.TextWidth(blanks.chopped(1)) < 32 * 19);
        QVERIFY(scene.FirstInk() >= 608);

        // Whole at the left edge for positions 0 and -1, then one character less per tick.
        const QMap<int, QString> expected{{0, kMessage}, {-1, kMessage}, {-2, kMessage.mid(1)},
                                          {-int(kMessage.size()), kMessage.right(1)}};
        int ticks = 1;
        do {
            banner->ScrollTick();
            ++ticks;
            if (expected.contains(banner->ScrollPos()))
                QCOMPARE(banner->Caption(), expected.value(banner->ScrollPos()));
        } while (banner->ScrollPos() != 33 && ticks < 1000);
        QCOMPARE(ticks, 33 + int(kMessage.size()) + 1);
    }

    void leftwardGrowsFromItsLastCharacter()
    {
        Scene scene({{"Scrolltype", "scLeft"}});
        QCOMPARE(scene.banner->ScrollPos(), -int(kMessage.size()));
        scene.banner->ScrollTick();
        QCOMPARE(scene.banner->Caption(), kMessage.right(2));
    }

    void speedSetsTheTickInterval()
    {
        TScrollText banner;
        banner.SetScrolltype(TScrollText::scLeft);
        QCOMPARE(banner.TickInterval(), 50);
        QCOMPARE(banner.Speed(), quint16(0));
        banner.SetSpeed(0);
        QCOMPARE(banner.TickInterval(), 500);
        QCOMPARE(banner.Speed(), quint16(500));
    }

    void widthInCharsRoundsHalvesToEven_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("expected");
        QTest::newRow("12.5 to 12") << 100 << 12;
        QTest::newRow("13.5 to 14") << 108 << 14;
        QTest::newRow("12.625 to 13") << 101 << 13;
    }
    void widthInCharsRoundsHalvesToEven()
    {
        QFETCH(int, width);
        QFETCH(int, expected);
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(8);
        Scene scene({{"Width", width}, {"Font", font}});
        QCOMPARE(scene.banner->WidthInChars(), expected);
    }

    void stillLayoutKeepsItsCaptionAndAnEmptyMessageIsIgnored()
    {
        Scene scene({{"Scrolltype", "scNone"}, {"ScrollMessage", QString()}});
        QVERIFY(!scene.banner->IsScrolling());
        QCOMPARE(scene.banner->Caption(), kCaption);
        QVERIFY(scene.FirstInk() >= 0 && scene.FirstInk() < 5);
        scene.banner->SetScrollMessage(QStringLiteral("Hello"));
        scene.banner->SetScrollMessage(QString());
        QCOMPARE(scene.banner->ScrollMessage(), QStringLiteral("Hello"));
    }

    void timerDrivesTheTicks()
    {
        Scene scene({{"Speed", 10}});
        QTRY_VERIFY(scene.banner->ScrollPos() < 30);
    }

    void stoppedBannerResumesWhereItStoodAndSettles()
    {
        Scene scene;
        TScrollText *banner = scene.banner;
        for (int tick = 0; tick < 23; ++tick)
            banner->ScrollTick();
        const QString shown = banner->Caption();
        banner->SetScrolltype(TScrollText::scNone);
        QVERIFY(!banner->IsScrolling());
        QCOMPARE(banner->Caption(), shown);
        banner->SetScrolltype(TScrollText::scRight);
        QVERIFY(banner->IsScrolling());
        banner->ScrollTick();
        QCOMPARE(banner->ScrollPos(), 9);

        // The main window's settle step, twice: the second changes nothing.
        for (int repeat = 0; repeat < 2; ++repeat) {
            banner->SetScrolltype(TScrollText::scNone);
            banner->SetAlignment(TScrollText::taCenter);
            banner->SetAutoSize(true);
            banner->SetCaption(kCaption);
            QVERIFY(!banner->IsScrolling());
            QCOMPARE(banner->height(), QFontMetrics(banner->font(), banner).height());
            QCOMPARE(banner->ScrollPos(), 9);
        }
    }

    // Every caption a tick writes is blanks and a piece of the message held now.
    void ticksNeverReadBeyondTheMessage_data()
    {
        QTest::addColumn<QString>("later");
        QTest::addColumn<QString>("direction");
        QTest::addColumn<qreal>("points");
        QTest::newRow("shortened, right") << "ab" << "scRight" << 8.0;
        QTest::newRow("shortened, left") << "ab" << "scLeft" << 8.0;
        QTest::newRow("font of no size") << "" << "scRight" << 0.4;
    }
    void ticksNeverReadBeyondTheMessage()
    {
        QFETCH(QString, later);
        QFETCH(QString, direction);
        QFETCH(qreal, points);
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(points);
        Scene scene({{"Width", 80}, {"Font", font}, {"Scrolltype", direction}});
        TScrollText *banner = scene.banner;
        banner->SetScrollMessage(later);
        const QString held = banner->ScrollMessage();
        for (int tick = 0; tick < 2 * (banner->WidthInChars() + banner->MessageLength() + 1); ++tick) {
            banner->ScrollTick();
            const QString piece = banner->Caption().trimmed();
            QVERIFY2(held.startsWith(piece) || held.endsWith(piece), qPrintable(banner->Caption()));
        }
    }

    void pixelModeDrawsTheMessageAtItsPosition()
    {
        Scene scene({{"ScrollMethod", "smPixel"}});
        QVERIFY(scene.banner->Caption().isEmpty());
        QCOMPARE(scene.FirstInk(), -1);
        for (int tick = 0; tick < 50; ++tick)
            scene.banner->ScrollTick();
        QCOMPARE(scene.banner->ScrollPos(), 629 - 200);
        QVERIFY(qAbs(scene.FirstInk() - 430) <= 2);
    }

    void pixelModeLeftwardRestartsPastTheMessagesOwnWidth()
    {
        // A label twice as wide as its message: the text starts over as soon as its left edge has
        // passed the message's width, long before it reaches the label's right edge.
        const int message = QFontMetrics(Arial(25)).horizontalAdvance(kMessage);
        Scene scene({{"ScrollMethod", "smPixel"}, {"Scrolltype", "scLeft"}, {"Width", 2 * message}});
        int largest = scene.banner->ScrollPos();
        while (scene.banner->ScrollPos() >= largest && largest <= 2 * message) {
            largest = scene.banner->ScrollPos();
            scene.banner->ScrollTick();
        }
        QCOMPARE(scene.banner->ScrollPos(), -message);
        QVERIFY(largest <= message && largest > message - 4);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_ScrollText test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_scrolltext.moc"
