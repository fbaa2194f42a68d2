#include "Exceptions.h"
#include "TField.h"
#include "VornDBControls.h"
#include "VornTestKit.h"

namespace {

QSize TextSize(const QFont &font, const QString &text)
{
    return QFontMetrics(font).boundingRect(QRect(0, 0, 1000, 1000), Qt::TextExpandTabs, text).size();
}

} // namespace

class tst_VornDBText : public QObject
{
    Q_OBJECT

private slots:
    void init() { SetFormatSettings(TFormatSettings()); }
    void cleanup() { ResetFormatSettings(); }

    void captionFollowsTheRecordInEveryState()
    {
        TableFixture fixture;
        auto table = MakeClubs(fixture, 3);
        TDataSource source;
        source.SetDataSet(table.get());
        WideContainer container;
        TVornDBText text(&container);
        text.SetDataSource(&source);
        text.SetDataField(QStringLiteral("descr"));
        QCOMPARE(text.Caption(), QString("Club 1"));

        table->Next();
        QCOMPARE(text.Caption(), QString("Club 2"));
        // Edited elsewhere: shown as soon as the value reaches the record, before the post.
        table->Edit();
        table->FieldByName("Descr")->SetAsString("Renamed");
        QCOMPARE(text.Caption(), QString("Renamed"));
        table->Cancel();
        QCOMPARE(text.Caption(), QString("Club 2"));
        table->Edit();
        table->FieldByName("Descr")->SetAsString("Kept");
        table->Post();
        QCOMPARE(text.Caption(), QString("Kept"));

        table->Insert();
        QCOMPARE(text.Caption(), QString());
        table->FieldByName("Descr")->SetAsString("New club");
        QCOMPARE(text.Caption(), QString("New club"));
        table->Cancel();
        QCOMPARE(text.Caption(), QString("Kept"));

        table->Close();
        QCOMPARE(text.Caption(), QString());
        table->Open();
        QCOMPARE(text.Caption(), QString("Club 1"));
        table->Last();
        QCOMPARE(text.Caption(), QString("Club 3"));
    }

    void colourIsTheWindowColourUnlessParentColor()
    {
        TVornDBText alone;
        QVERIFY(alone.ParentColor());
        QCOMPARE(alone.Color(), clWindow);
        WideContainer container;
        auto *inside = new TVornDBText(&container);
        QCOMPARE(inside->Color(), kBackground);
        auto *own = new TVornDBText;
        own->SetParentColor(false);
        own->setParent(&container);
        QCOMPARE(own->Color(), clWindow);
    }

    void captionAccelAndFocusControlAreNotPublished_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("Caption") << QByteArray("Caption") << QVariant(QString("typed"));
        QTest::newRow("ShowAccelChar") << QByteArray("ShowAccelChar") << QVariant(true);
        QTest::newRow("FocusControl") << QByteArray("FocusControl") << QVariant::fromValue<QWidget *>(nullptr);
    }
    void captionAccelAndFocusControlAreNotPublished()
    {
        QFETCH(QByteArray, name);
        QFETCH(QVariant, value);
        WideContainer container;
        TVornDBText text(&container);
        QVERIFY(!text.setProperty(name.constData(), value));
        QCOMPARE(text.Caption(), QString());
        QVERIFY(!text.ShowAccelChar());
        // What the widget does publish can be set by name.
        QVERIFY(text.setProperty("WordWrap", true));
        QVERIFY(text.setProperty("Transparent", true));
    }

    void nullFieldSizesToOneSpace()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", QVariant(), 18}});
        TDataSource source;
        source.SetDataSet(table.get());
        WideContainer container;
        TVornDBText text(&container);
        QCOMPARE(text.size(), QSize(65, 17));
        text.Bevel()->SetBevelInner(TVornBevel::bvLowered); // BevelSideSize 1
        text.SetDataSource(&source);
        text.SetDataField(QStringLiteral("RATING"));
        QCOMPARE(text.Caption(), QString());
        QCOMPARE(text.size(), TextSize(text.font(), " ") + QSize(4, 4));
    }

    void ampersandIsShownLiterally()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Rod & Gun", 70, 18}});
        TDataSource source;
        source.SetDataSet(table.get());
        WideContainer container;
        TVornDBText text(&container);
        text.SetDataSource(&source);
        text.SetDataField(QStringLiteral("Descr"));
        QVERIFY(!text.ShowAccelChar());
        QCOMPARE(text.size(), TextSize(text.font(), "Rod & Gun") + QSize(2, 2));
        text.SetColor(clWhite);
        text.SetFontColor(clBlack);
        text.move(5, 5);
        container.ShowAndWait();
        // Compared with a plain label showing the same text with the "&" doubled.
        TVornCustomLabel plain(&container);
        plain.SetColor(clWhite);
        plain.SetFontColor(clBlack);
        plain.move(5, 50);
        plain.SetCaption(QStringLiteral("Rod && Gun"));
        plain.show();
        const QImage image = container.Render();
        QCOMPARE(image.copy(text.geometry()), image.copy(plain.geometry()));
    }

    void rightJustifiedTextKeepsItsRightEdge()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"A", 70, 18}, {"A much longer club name", 71, 9}, {"B", 72, 9}});
        TDataSource source;
        source.SetDataSet(table.get());
        WideContainer container;
        TVornDBText text(&container);
        text.SetAlignment(Tk::taRightJustify);
        text.setGeometry(300, 10, 87, 22);
        text.SetDataSource(&source);
        text.SetDataField(QStringLiteral("Descr"));
        const int right = text.x() + text.width();
        table->Next();
        QCOMPARE(text.x() + text.width(), right);
        QCOMPARE(text.width(), TextSize(text.font(), "A much longer club name").width() + 2);
        table->Next();
        QCOMPARE(text.x() + text.width(), right);
    }

    void missingFieldFailsWithTheWidgetsName()
    {
        TableFixture fixture;
        auto table = MakeClubs(fixture, 1);
        TDataSource source;
        source.SetDataSet(table.get());
        WideContainer container;
        TVornDBText text(&container);
        text.setObjectName(QStringLiteral("VornDBText1"));
        text.SetDataField(QStringLiteral("Nope"));
        text.SetCaption(QStringLiteral("stale"));
        EXPECT_FAILURE(text.SetDataSource(&source), "VornDBText1: Field 'Nope' not found");
        QCOMPARE(text.Field(), nullptr);
        QCOMPARE(text.Caption(), QString());
        table->Next(); // moving on does not raise it again
        table->Close();
        EXPECT_FAILURE(table->Open(), "VornDBText1: Field 'Nope' not found");
        text.SetDataField(QStringLiteral("Descr"));
        QCOMPARE(text.Caption(), QString("Club 1"));
    }

    void destroyedSourceIsCleared()
    {
        TableFixture fixture;
        auto table = MakeClubs(fixture, 1);
        auto source = std::make_unique<TDataSource>();
        source->SetDataSet(table.get());
        WideContainer container;
        TVornDBText text(&container);
        text.SetDataSource(source.get());
        text.SetDataField(QStringLiteral("Descr"));
        QCOMPARE(text.Caption(), QString("Club 1"));
        source.reset();
        QCOMPARE(text.DataSource(), nullptr);
        QCOMPARE(text.Caption(), QString());
        table->Next(); // nothing dangles
    }

    void loadedFromALayoutFitsOnceAtTheEnd()
    {
        TableFixture fixture;
        auto table = MakeClubs(fixture, 1);
        TDataSource source;
        source.SetDataSet(table.get());
        WideContainer container;
        TVornDBText text(&container);
        text.BeginLoading();
        text.setGeometry(156, 52, 80, 18);
        text.SetDataSource(&source);
        text.SetDataField(QStringLiteral("Descr"));
        QCOMPARE(text.size(), QSize(80, 18));
        text.EndLoading();
        QCOMPARE(text.size(), TextSize(text.font(), "Club 1") + QSize(2, 2));
        QCOMPARE(text.pos(), QPoint(156, 52));
    }
};

QTEST_MAIN(tst_VornDBText)
#include "tst_vorndbtext.moc"
