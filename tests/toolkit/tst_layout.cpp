#include "Exceptions.h"
#include "TGraphicControl.h"
#include "TLayout.h"

#include <QBuffer>
#include <QPixmap>
#include <QTest>

namespace {

QStringList g_loadOrder;

class TProbeBevel : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int BevelWidth MEMBER BevelWidth)
public:
    int BevelWidth = 1;
};

class TProbe : public TGraphicControl
{
    Q_OBJECT
    Q_PROPERTY(QString Caption MEMBER Caption)
    Q_PROPERTY(bool Shadowed MEMBER Shadowed)
    Q_PROPERTY(TProbeStyle Style MEMBER Style)
    Q_PROPERTY(TProbeSides Sides READ GetSides WRITE SetSides)
    Q_PROPERTY(QStringList Lines MEMBER Lines)
    Q_PROPERTY(QByteArray Picture MEMBER Picture)
    Q_PROPERTY(QPixmap Glyph READ GetGlyph WRITE SetGlyph)
    Q_PROPERTY(double Ratio MEMBER Ratio)
    Q_PROPERTY(TProbe *Buddy MEMBER Buddy)
    Q_PROPERTY(QObject *Bevel READ Bevel)

public:
    enum TProbeStyle : quint8 { psFlat, psRaised };
    Q_ENUM(TProbeStyle)
    enum TProbeSide { sLeft = 1, sTop = 2, sRight = 4 };
    Q_DECLARE_FLAGS(TProbeSides, TProbeSide)
    Q_FLAG(TProbeSides)

    using TGraphicControl::TGraphicControl;
    QObject *Bevel() { return &m_bevel; }
    TProbeSides GetSides() const { return Sides; }
    void SetSides(TProbeSides sides) { Sides = sides; }
    QPixmap GetGlyph() const { return Glyph; }
    void SetGlyph(const QPixmap &glyph) { Glyph = glyph; }

    QString Caption;
    bool Shadowed = false;
    TProbeStyle Style = psFlat;
    TProbeSides Sides;
    QStringList Lines;
    QByteArray Picture;
    QPixmap Glyph;
    double Ratio = 0;
    TProbe *Buddy = nullptr;
    TProbeBevel m_bevel;
    QString CaptionWhenLoaded;
    TProbe *BuddyWhenLoaded = nullptr;

protected:
    void Loaded() override
    {
        g_loadOrder << objectName();
        CaptionWhenLoaded = Caption;
        BuddyWhenLoaded = Buddy;
    }
};

const char *kLayout = R"(
object Form1: TForm
  Width = 300
  Height = 200
  object Top1: TProbe
    Left = 4
    Top = 0
    Height = 20
    Align = alTop
    Caption = 'It''s ' + #65 + 'B'
    Shadowed = True
    Style = psRaised
    Sides = [sLeft, sRight]
    Color = $00A2BDBF
    FontColor = clMaroon
    Font.Name = 'Arial'
    Font.Height = -13
    Font.Style = [fsBold, fsItalic]
    Bevel.BevelWidth = 3
    Cursor = crHandPoint
    Buddy = Client1
    OnClick = Top1Click
  end
  object Client1: TProbe
    Align = alClient
    Lines = (
      'first'
      'second, with a comma')
    Picture = {
      0102FF}
    Ratio = 0.5
    Hint = 'A hint'
    // a comment line
  end
  object Bottom1: TProbe
    Height = 30
    Align = alBottom
    Color = clBtnFace
  end
end
)";

} // namespace

class tst_Layout : public QObject
{
    Q_OBJECT

private:
    TClassRegistry Registry()
    {
        TClassRegistry registry;
        registry.Register<TProbe>("TProbe");
        return registry;
    }

private slots:
    void loadsPropertiesReferencesAndEventsThenRunsLoadedInOrder()
    {
        g_loadOrder.clear();
        const TLayoutObject layout = ParseLayout(kLayout);
        QCOMPARE(layout.Children.size(), 3);
        const TClassRegistry registry = Registry();
        TLayoutLoader loader(registry);
        QStringList bound;
        loader.SetEventBinder([&](QObject *component, const QString &event, const QString &handler) {
            bound << component->objectName() + "." + event + "=" + handler;
        });
        QWidget form;
        const QList<QObject *> made = loader.Load(layout, &form);
        QCOMPARE(made.size(), 3);
        auto *top = qobject_cast<TProbe *>(made[0]);
        auto *client = qobject_cast<TProbe *>(made[1]);
        auto *bottom = qobject_cast<TProbe *>(made[2]);
        QCOMPARE(form.size(), QSize(300, 200));
        QCOMPARE(top->Caption, QString("It's AB"));
        QVERIFY(top->Shadowed);
        QCOMPARE(top->Style, TProbe::psRaised);
        QCOMPARE(top->Sides, TProbe::TProbeSides(TProbe::sLeft | TProbe::sRight));
        QCOMPARE(top->Color(), TColorFromBits(0x00A2BDBF));
        QCOMPARE(top->FontColor(), clMaroon);
        QCOMPARE(top->font().family(), QString("Liberation Sans"));
        QCOMPARE(top->font().pixelSize(), 13);
        QVERIFY(top->font().bold() && top->font().italic());
        QCOMPARE(top->m_bevel.BevelWidth, 3);
        QCOMPARE(top->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(top->Buddy, client);
        QCOMPARE(bottom->Color(), clBtnFace);
        QCOMPARE(client->Lines, (QStringList{"first", "second, with a comma"}));
        QCOMPARE(client->Picture, QByteArray("\x01\x02\xFF", 3));
        QCOMPARE(client->Ratio, 0.5);
        QCOMPARE(client->toolTip(), QString("A hint"));
        QCOMPARE(bound, QStringList{"Top1.OnClick=Top1Click"});
        // Loaded runs once everything is set, references included, in creation order.
        QCOMPARE(g_loadOrder, (QStringList{"Top1", "Client1", "Bottom1"}));
        QCOMPARE(top->CaptionWhenLoaded, QString("It's AB"));
        QCOMPARE(top->BuddyWhenLoaded, client);
        // Docking: top strip, bottom strip, client in between; again after a resize.
        QCOMPARE(top->geometry(), QRect(0, 0, 300, 20));
        QCOMPARE(bottom->geometry(), QRect(0, 170, 300, 30));
        QCOMPARE(client->geometry(), QRect(0, 20, 300, 150));
        form.show();
        form.resize(400, 300);
        QCOMPARE(client->geometry(), QRect(0, 20, 400, 250));
        QCOMPARE(AlignOf(bottom), alBottom);
    }

    void deferredContainersAreMadeWhenAskedFor()
    {
        g_loadOrder.clear();
        const char *text = R"(
object Form1: TForm
  object Shown: TProbe
    object A: TProbe
      Buddy = B
    end
  end
  object Later: TProbe
    object B: TProbe
      Caption = 'b'
      Buddy = A
    end
  end
end
)";
        const TClassRegistry registry = Registry();
        TLayoutLoader loader(registry);
        loader.SetDeferral([](const TLayoutObject &object) { return object.Name == "Later"; });
        QWidget form;
        const QList<QObject *> made = loader.Load(ParseLayout(text), &form);
        form.show();
        QCOMPARE(made.size(), 3); // Shown, A, Later
        QCOMPARE(g_loadOrder, (QStringList{"Shown", "A", "Later"}));
        auto *later = qobject_cast<TProbe *>(made[2]);
        QCOMPARE(loader.DeferredContainerOf("B"), later);
        QCOMPARE(qobject_cast<TProbe *>(made[1])->Buddy, nullptr); // B is not made yet

        const QList<QObject *> kept = loader.LoadDeferred(later);
        QCOMPARE(kept.size(), 1);
        auto *b = qobject_cast<TProbe *>(kept[0]);
        QCOMPARE(b->CaptionWhenLoaded, QString("b"));
        QCOMPARE(b->BuddyWhenLoaded, made[1]);
        QVERIFY(b->isVisible()); // added to a shown container, shown with it
        QCOMPARE(qobject_cast<TProbe *>(made[1])->Buddy, b); // the reference waited for it
        QCOMPARE(loader.DeferredContainerOf("B"), nullptr);
        QVERIFY(loader.LoadDeferred(later).isEmpty());
    }

    void valuesOfEveryKind()
    {
        const TLayoutObject layout = ParseLayout(QString::fromUtf8(R"(
object Form1: TForm   // a comment after the class
  Negative = -11
  Signed = +5
  Hex = $00A2BDBF
  Half = 0.5
  Large = 1e3
  Caption = 'It''s ' + #65'B'#13
    + 'Ünï'
  Colour = clBlack
  Styles = [fsBold, fsItalic]
  Nothing = []
  Lines = (
    'one'
    'two' + 'three')
  Columns = <
    item
      Width = 20
      Title = 'Name'
    end
    item
    end>
  Data = {
    0a0B
    ff}
  Last = True
end
)"));
        QCOMPARE(layout.Name, QString("Form1"));
        QCOMPARE(layout.ClassName, QString("TForm"));
        QHash<QString, TLayoutValue> values;
        QHash<QString, int> lines;
        for (const TLayoutProperty &property : layout.Properties) {
            values.insert(property.Name, property.Value);
            lines.insert(property.Name, property.Line);
        }
        QCOMPARE(values.size(), 13);
        QCOMPARE(values["Negative"].IntegerValue, -11);
        QCOMPARE(values["Signed"].IntegerValue, 5);
        QCOMPARE(values["Hex"].IntegerValue, 0xA2BDBF);
        QCOMPARE(values["Half"].ValueKind, TLayoutValue::Float);
        QCOMPARE(values["Half"].FloatValue, 0.5);
        QCOMPARE(values["Large"].FloatValue, 1000.0);
        QCOMPARE(values["Caption"].ValueKind, TLayoutValue::Text);
        QCOMPARE(values["Caption"].TextValue, QString::fromUtf8("It's AB\rÜnï"));
        QCOMPARE(values["Colour"].ValueKind, TLayoutValue::Identifier);
        QCOMPARE(values["Colour"].TextValue, QString("clBlack"));
        QCOMPARE(values["Styles"].Items, (QStringList{"fsBold", "fsItalic"}));
        QCOMPARE(values["Nothing"].ValueKind, TLayoutValue::Set);
        QVERIFY(values["Nothing"].Items.isEmpty());
        QCOMPARE(values["Lines"].Items, (QStringList{"one", "twothree"}));
        QCOMPARE(values["Columns"].Entries.size(), 2);
        QCOMPARE(values["Columns"].Entries[0].toMap()["Width"].toLongLong(), 20);
        QCOMPARE(values["Columns"].Entries[0].toMap()["Title"].toString(), QString("Name"));
        QVERIFY(values["Columns"].Entries[1].toMap().isEmpty());
        QCOMPARE(values["Data"].Bytes, QByteArray("\x0a\x0b\xff", 3));
        // Line numbers run on through texts over lines, lists, collections and binary data.
        QCOMPARE(lines["Negative"], 3);
        QCOMPARE(lines["Colour"], 10);
        QCOMPARE(lines["Data"], 23);
        QCOMPARE(lines["Last"], 26);
    }

    void picturesAreDecodedFromTheirData_data()
    {
        QTest::addColumn<QByteArray>("format");
        QTest::newRow("png") << QByteArray("PNG");
        QTest::newRow("jpeg") << QByteArray("JPEG");
        QTest::newRow("bmp") << QByteArray("BMP");
    }

    void picturesAreDecodedFromTheirData()
    {
        QFETCH(QByteArray, format);
        QImage picture(6, 4, QImage::Format_RGB32);
        picture.fill(QColor(200, 40, 40));
        QByteArray data;
        QBuffer buffer(&data);
        buffer.open(QIODevice::WriteOnly);
        QVERIFY(picture.save(&buffer, format.constData()));
        const QString text = "object F: TForm\n  object A: TProbe\n    Glyph = {" + QString::fromLatin1(data.toHex()) + "}\n  end\nend";
        const TClassRegistry registry = Registry();
        TLayoutLoader loader(registry);
        QWidget form;
        const QList<QObject *> made = loader.Load(ParseLayout(text), &form);
        const QImage glyph = qobject_cast<TProbe *>(made.value(0))->Glyph.toImage();
        QCOMPARE(glyph.size(), QSize(6, 4));
        const QColor middle = glyph.pixelColor(3, 2);
        QVERIFY2(qAbs(middle.red() - 200) <= 8 && qAbs(middle.green() - 40) <= 8 && qAbs(middle.blue() - 40) <= 8,
                 qPrintable(middle.name()));
    }

    void mistakesNameTheLine_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown class") << "object F: TForm\n  object A: TNothing\n  end\nend" << "Layout line 2: Class TNothing not found";
        QTest::newRow("unknown property") << "object F: TForm\n  object A: TProbe\n    Colour = 3\n  end\nend" << "Layout line 3: TProbe has no property 'Colour'";
        QTest::newRow("bad enum") << "object F: TForm\n  object A: TProbe\n    Style = psNone\n  end\nend" << "Layout line 3: 'psNone' is no value of TProbeStyle";
        QTest::newRow("bad bool") << "object F: TForm\n  object A: TProbe\n    Shadowed = 1\n  end\nend" << "Layout line 3: True or False expected for Shadowed";
        QTest::newRow("missing reference") << "object F: TForm\n  object A: TProbe\n    Buddy = Nobody\n  end\nend" << "Layout line 3: component 'Nobody' not found";
        QTest::newRow("duplicate name") << "object F: TForm\n  object A: TProbe\n  end\n  object A: TProbe\n  end\nend" << "Layout line 4: a component named 'A' exists already";
        QTest::newRow("open text") << "object F: TForm\n  Caption = 'abc\nend" << "Layout line 2: text not closed";
        QTest::newRow("missing end") << "object F: TForm\n  Width = 3\n" << "Layout line 3: 'end' missing for object F";
        QTest::newRow("odd hex digits") << "object F: TForm\n  object A: TProbe\n    Picture = {\n      0102F}\n  end\nend" << "Layout line 4: odd number of hexadecimal digits";
        QTest::newRow("not a hex digit") << "object F: TForm\n  object A: TProbe\n    Picture = {\n      01\n      0G}\n  end\nend" << "Layout line 5: hexadecimal digit expected";
        QTest::newRow("open binary") << "object F: TForm\n  object A: TProbe\n    Picture = {0102\n" << "Layout line 4: '}' missing";
        QTest::newRow("lines counted through binary") << "object F: TForm\n  object A: TProbe\n    Picture = {\n      01\n      02}\n    Ratio = 1.2.3\n  end\nend" << "Layout line 6: '1.2.3' is not a number";
        QTest::newRow("bad picture") << "object F: TForm\n  object A: TProbe\n    Glyph = {89504E470D0A1A0A0000}\n  end\nend" << "Layout line 3: the picture of Glyph cannot be read";
        QTest::newRow("text across a line end") << "object F: TForm\n  Caption = 'a' +\n    'b\n'\nend" << "Layout line 3: text not closed";
        QTest::newRow("unbound event") << "object F: TForm\n  object A: TProbe\n    OnClick = Nowhere\n  end\nend" << "Layout line 3: no handler Nowhere";
    }
    void mistakesNameTheLine()
    {
        QFETCH(QString, text);
        QFETCH(QString, message);
        const TClassRegistry registry = Registry();
        TLayoutLoader loader(registry);
        loader.SetEventBinder([](QObject *, const QString &, const QString &handler) {
            throw EInvalidOperation("no handler " + handler);
        });
        QWidget form;
        try {
            loader.Load(ParseLayout(text), &form);
            QFAIL("no failure");
        } catch (const EInvalidOperation &error) {
            QCOMPARE(error.Message(), message);
        }
    }
};

QTEST_MAIN(tst_Layout)
#include "tst_layout.moc"
