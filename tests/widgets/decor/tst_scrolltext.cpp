#include "DecorTestKit.h"
#include "Scrolltext.h"
#include "TApplication.h"

#include <QFontMetrics>
#include <QTest>

namespace {

const QString kTitleCaption = QStringLiteral("Quarvel's Personal Tallimo  - Lite14");
const QString kTitleMessage = QStringLiteral("Quarvel's Personal Tallimo  - Lite");

QFont ArialPixels(int pixels)
{
    QFont font(QStringLiteral("Arial"));
    font.setPixelSize(pixels);
    return font;
}

// Sets the properties by name in their stored order, the way the window layout is read.
void LoadBanner(TScrollText *banner, const QVariantMap &properties)
{
    banner->BeginLoading();
    static const char *const order[] = {"Left",    "Top",         "Width",         "Height",     "AutoSize",
                                        "Font",    "Transparent", "Caption",       "ScrollMessage",
                                        "Scrolltype", "ScrollMethod", "Speed"};
    for (const char *name : order) {
        if (properties.contains(QLatin1String(name)))
            QVERIFY2(banner->setProperty(name, properties.value(QLatin1String(name))), name);
    }
    banner->EndLoading();
}

QVariantMap TitleBannerSettings()
{
    return {{"Left", 0},
            {"Top", 0},
            {"Width", 629},
            {"Height", 28},
            {"AutoSize", false},
            {"Transparent", true},
            {"Font", ArialPixels(25)},
            {"Caption", kTitleCaption},
            {"ScrollMessage", kTitleMessage},
            {"Scrolltype", "scRight"},
            {"ScrollMethod", "smChar"},
            {"Speed", 200}};
}

// The "Control" page's top with the title banner read from the layout.
struct TitleScene
{
    Backdrop page{clSilver, QSize(632, 60)};
    TScrollText *banner = new TScrollText(&page);

    explicit TitleScene(const QVariantMap &overrides = {})
    {
        QVariantMap settings = TitleBannerSettings();
        for (auto it = overrides.cbegin(); it != overrides.cend(); ++it)
            settings.insert(it.key(), it.value());
        LoadBanner(banner, settings);
        page.show();
    }
    int TextWidth(const QString &text) const { return QFontMetrics(banner->font(), banner).horizontalAdvance(text); }
};

// Columns of the banner's rows 0..height that hold anything but the page colour.
QList<int> InkColumns(const QImage &image, int height, TColor background)
{
    QList<int> columns;
    for (int x = 0; x < image.width(); ++x) {
        for (int y = 0; y < height; ++y) {
            if (PixelAt(image, x, y) != background) {
                columns.append(x);
                break;
            }
        }
    }
    return columns;
}

void TickUntilPos(TCustomScroll *banner, int position)
{
    for (int guard = 0; guard < 1000 && banner->ScrollPos() != position; ++guard)
        banner->ScrollTick();
    QCOMPARE(banner->ScrollPos(), position);
}

} // namespace

class tst_ScrollText : public QObject
{
    Q_OBJECT

private slots:
    void newBannerIsStillWithoutAutoSize()
    {
        TScrollText banner;
        QVERIFY(!banner.AutoSize());
        QVERIFY(!banner.WordWrap());
        QVERIFY(banner.Caption().isEmpty());
        QCOMPARE(banner.Scrolltype(), TScrollText::scNone);
        QVERIFY(!banner.IsScrolling());
        // Speed never set: the timer runs at 50 ms once started, and Speed reads 0.
        banner.SetScrolltype(TScrollText::scLeft);
        QVERIFY(banner.IsScrolling());
        QCOMPARE(banner.TickInterval(), 50);
        QCOMPARE(banner.Speed(), quint16(0));
    }

    void speedSetsTheTickInterval_data()
    {
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("expected");
        QTest::newRow("zero means 500") << 0 << 500;
        QTest::newRow("title banner") << 200 << 200;
        QTest::newRow("largest word") << 65535 << 65535;
    }
    void speedSetsTheTickInterval()
    {
        QFETCH(int, speed);
        QFETCH(int, expected);
        TScrollText banner;
        QVERIFY(banner.setProperty("Speed", speed));
        QCOMPARE(int(banner.Speed()), expected);
        QCOMPARE(banner.TickInterval(), expected);
    }

    void titleBannerStartsAtTheRightEdge()
    {
        TitleScene scene;
        TScrollText *banner = scene.banner;
        QCOMPARE(banner->CellWidth(), 19);
        QCOMPARE(banner->WidthInChars(), 33);
        QCOMPARE(banner->MessageLength(), int(kTitleMessage.size()));
        QCOMPARE(banner->ScrollPos(), 33);
        QVERIFY(banner->IsScrolling());
        QCOMPARE(banner->TickInterval(), 200);
        // The caption read from the layout shows until the first tick.
        QCOMPARE(banner->Caption(), kTitleCaption);
        QCOMPARE(banner->size(), QSize(629, 28));
    }

    void firstTickShowsFewestBlanksThenFirstCharacter()
    {
        TitleScene scene;
        TScrollText *banner = scene.banner;
        banner->ScrollTick();
        QCOMPARE(banner->ScrollPos(), 32);
        const QString caption = banner->Caption();
        QCOMPARE(caption.right(1), QStringLiteral("Q"));
        const QString blanks = caption.chopped(1);
        QCOMPARE(blanks, QString(blanks.size(), QLatin1Char(' ')));
        QVERIFY(scene.TextWidth(blanks) >= 32 * 19);
        QVERIFY(scene.TextWidth(blanks.chopped(1)) < 32 * 19);

        // The message has entered at the right edge: only the far right of the page shows ink.
        const QList<int> ink = InkColumns(RenderWhole(scene.page), 28, clSilver);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.first() >= 600, qPrintable(QString::number(ink.first())));
        QVERIFY(ink.last() < 629);

        // Every following tick moves the text one cell further left.
        banner->ScrollTick();
        QCOMPARE(banner->ScrollPos(), 31);
        QVERIFY(banner->Caption().trimmed().startsWith(QStringLiteral("Qu")));
        const int blanksWidth = scene.TextWidth(banner->Caption().left(banner->Caption().indexOf(QLatin1Char('Q'))));
        QVERIFY(blanksWidth >= 31 * 19 && blanksWidth < 32 * 19);
    }

    void cycleTakesWidthPlusLengthPlusOneTicks()
    {
        TitleScene scene;
        TScrollText *banner = scene.banner;
        const int length = int(kTitleMessage.size());
        int ticks = 0;
        do {
            banner->ScrollTick();
            ++ticks;
        } while (banner->ScrollPos() != 33 && ticks < 1000);
        QCOMPARE(ticks, 33 + length + 1);
        // The tick after the wrap starts the next cycle exactly like the first.
        banner->ScrollTick();
        QCOMPARE(banner->ScrollPos(), 32);
        QVERIFY(banner->Caption().endsWith(QLatin1Char('Q')));
    }

    void leftEdgeDropsCharactersOneByOne_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("expected");
        const int length = int(kTitleMessage.size());
        QTest::newRow("0 whole") << 0 << kTitleMessage;
        QTest::newRow("-1 whole") << -1 << kTitleMessage;
        QTest::newRow("-2 drops the first") << -2 << kTitleMessage.mid(1);
        QTest::newRow("-5 drops four") << -5 << kTitleMessage.mid(4);
        QTest::newRow("-length shows the last") << -length << kTitleMessage.right(1);
    }
    void leftEdgeDropsCharactersOneByOne()
    {
        QFETCH(int, position);
        QFETCH(QString, expected);
        TitleScene scene;
        TickUntilPos(scene.banner, position);
        QCOMPARE(scene.banner->Caption(), expected);
    }

    void leftwardGrowsFromItsLastCharacterAndWraps()
    {
        TitleScene scene({{"Scrolltype", "scLeft"}});
        TScrollText *banner = scene.banner;
        const int length = int(kTitleMessage.size());
        QCOMPARE(banner->ScrollPos(), -length);
        banner->ScrollTick();
        QCOMPARE(banner->Caption(), kTitleMessage.right(2));
        TickUntilPos(banner, 33);
        banner->ScrollTick();
        QCOMPARE(banner->ScrollPos(), -length);
        QCOMPARE(banner->Caption(), kTitleMessage.right(1));
    }

    void widthInCharsRoundsHalvesToEven_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("expected");
        QTest::newRow("12.5 to 12") << 100 << 8 << 12;
        QTest::newRow("13.5 to 14") << 108 << 8 << 14;
        QTest::newRow("2.5 to 2") << 20 << 8 << 2;
        QTest::newRow("12.625 to 13") << 101 << 8 << 13;
        QTest::newRow("12.375 to 12") << 99 << 8 << 12;
        QTest::newRow("exact") << 96 << 8 << 12;
    }
    void widthInCharsRoundsHalvesToEven()
    {
        QFETCH(int, width);
        QFETCH(int, points);
        QFETCH(int, expected);
        TScrollText banner;
        QFont font(QStringLiteral("Arial"));
        font.setPointSize(points);
        LoadBanner(&banner, {{"Width", width}, {"Font", font}, {"ScrollMessage", "abc"}});
        QCOMPARE(banner.CellWidth(), points);
        QCOMPARE(banner.WidthInChars(), expected);
    }

    void emptyMessageIsIgnored()
    {
        TScrollText banner;
        banner.SetScrollMessage(QStringLiteral("Hello"));
        QVERIFY(banner.setProperty("ScrollMessage", QString()));
        QCOMPARE(banner.ScrollMessage(), QStringLiteral("Hello"));
    }

    void stillBannerKeepsItsLayoutCaption()
    {
        TitleScene scene({{"Scrolltype", "scNone"}});
        QVERIFY(!scene.banner->IsScrolling());
        QCOMPARE(scene.banner->Caption(), kTitleCaption);
        const QList<int> ink = InkColumns(RenderWhole(scene.page), 28, clSilver);
        QVERIFY(!ink.isEmpty());
        QVERIFY(ink.first() < 10);
    }

    void timerDrivesTheTicks()
    {
        TitleScene scene({{"Speed", 10}});
        QTRY_VERIFY(scene.banner->ScrollPos() < 30);
        QVERIFY(scene.banner->Caption() != kTitleCaption);
    }

    void stoppingKeepsTextAndResumingContinues()
    {
        TitleScene scene;
        TScrollText *banner = scene.banner;
        TickUntilPos(banner, 10);
        const QString shown = banner->Caption();
        banner->SetScrolltype(TScrollText::scNone);
        QVERIFY(!banner->IsScrolling());
        QCOMPARE(banner->Caption(), shown);
        QCOMPARE(banner->ScrollPos(), 10);

        banner->SetScrolltype(TScrollText::scRight);
        QVERIFY(banner->IsScrolling());
        QCOMPARE(banner->ScrollPos(), 10);
        banner->ScrollTick();
        QCOMPARE(banner->ScrollPos(), 9);
    }

    void settlingStopsForGoodAndCentresTheCaption()
    {
        TitleScene scene;
        TScrollText *banner = scene.banner;
        TickUntilPos(banner, 5);
        for (int repeat = 0; repeat < 2; ++repeat) {
            banner->SetScrolltype(TScrollText::scNone);
            banner->SetAlignment(TScrollText::taCenter);
            banner->SetAutoSize(true);
            banner->SetCaption(kTitleCaption);
            QVERIFY(!banner->IsScrolling());
            QCOMPARE(banner->Caption(), kTitleCaption);
            QCOMPARE(banner->height(), QFontMetrics(banner->font(), banner).height());
            QCOMPARE(banner->ScrollPos(), 5);
        }
    }

    // A message shortened after initialisation, none at all, or a font of no size: every caption a
    // tick writes is blanks and a piece of the message held now.
    void ticksNeverReadBeyondTheMessage_data()
    {
        QTest::addColumn<QString>("initialMessage");
        QTest::addColumn<QString>("laterMessage");
        QTest::addColumn<QString>("direction");
        QTest::addColumn<qreal>("points");
        QTest::newRow("shortened, right") << "A long scrolling message" << "ab" << "scRight" << 8.0;
        QTest::newRow("shortened, left") << "A long scrolling message" << "ab" << "scLeft" << 8.0;
        QTest::newRow("never set, right") << "" << "" << "scRight" << 8.0;
        QTest::newRow("never set, left") << "" << "" << "scLeft" << 8.0;
        QTest::newRow("font of no size") << "Tiny" << "" << "scRight" << 0.4;
    }
    void ticksNeverReadBeyondTheMessage()
    {
        QFETCH(QString, initialMessage);
        QFETCH(QString, laterMessage);
        QFETCH(QString, direction);
        QFETCH(qreal, points);
        TScrollText banner;
        QFont font(QStringLiteral("Arial"));
        font.setPointSizeF(points);
        LoadBanner(&banner, {{"Width", 80}, {"Height", 20}, {"Font", font}, {"ScrollMessage", initialMessage},
                             {"Scrolltype", direction}});
        QVERIFY(banner.CellWidth() >= 1);
        banner.SetScrollMessage(laterMessage);
        const QString held = banner.ScrollMessage();
        const int cycle = banner.WidthInChars() + banner.MessageLength() + 1;
        for (int tick = 0; tick < 2 * cycle + 5; ++tick) {
            banner.ScrollTick();
            const QString text = banner.Caption();
            const QString piece = text.trimmed().isEmpty() ? QString() : text.mid(text.indexOf(text.trimmed()));
            QVERIFY2(held.startsWith(piece) || held.endsWith(piece), qPrintable(text));
        }
    }

    void pixelModeDrawsTheMessageAtItsPosition()
    {
        TitleScene scene({{"ScrollMethod", "smPixel"}, {"Scrolltype", "scRight"}});
        TScrollText *banner = scene.banner;
        // The caption makes way for the message drawn directly.
        QVERIFY(banner->Caption().isEmpty());
        QCOMPARE(banner->ScrollPos(), 629);
        QVERIFY(InkColumns(RenderWhole(scene.page), 28, clSilver).isEmpty());
        for (int tick = 0; tick < 50; ++tick)
            banner->ScrollTick();
        QCOMPARE(banner->ScrollPos(), 629 - 200);
        const QList<int> ink = InkColumns(RenderWhole(scene.page), 28, clSilver);
        QVERIFY(!ink.isEmpty());
        QVERIFY2(ink.first() >= 429 && ink.first() <= 432, qPrintable(QString::number(ink.first())));
    }

    void pixelModeLeftwardRestartsPastTheMessagesOwnWidth()
    {
        // A label twice as wide as its message: the text starts over as soon as its left edge has
        // passed the message's width, long before it reaches the label's right edge.
        QFont font = ArialPixels(25);
        const int message = QFontMetrics(font).horizontalAdvance(kTitleMessage);
        TitleScene scene({{"ScrollMethod", "smPixel"}, {"Scrolltype", "scLeft"}, {"Width", 2 * message}});
        TScrollText *banner = scene.banner;
        QCOMPARE(banner->ScrollPos(), -message);
        int largest = banner->ScrollPos();
        for (int ticks = 0; ticks < 2000; ++ticks) {
            const int before = banner->ScrollPos();
            banner->ScrollTick();
            if (banner->ScrollPos() < before)
                break;
            QCOMPARE(banner->ScrollPos(), before + 4);
            largest = banner->ScrollPos();
        }
        QCOMPARE(banner->ScrollPos(), -message);
        QVERIFY(largest <= message && largest > message - 4);
    }

    void pixelModeRightwardWrapsToTheLabelWidth()
    {
        TitleScene scene({{"ScrollMethod", "smPixel"}});
        TScrollText *banner = scene.banner;
        const int message = scene.TextWidth(kTitleMessage);
        int smallest = banner->ScrollPos();
        for (int ticks = 0; ticks < 2000; ++ticks) {
            const int before = banner->ScrollPos();
            banner->ScrollTick();
            if (banner->ScrollPos() > before)
                break;
            QCOMPARE(banner->ScrollPos(), before - 4);
            smallest = banner->ScrollPos();
        }
        QCOMPARE(banner->ScrollPos(), 629);
        QVERIFY(smallest + message >= 0 && smallest + message < 4);
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_ScrollText test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_scrolltext.moc"
