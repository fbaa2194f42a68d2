#include "InputTestSupport.h"
#include "TDBEditN.h"
#include "TEditN.h"
#include "THintController.h"
#include "TLayout.h"

#include <QFontInfo>
#include <memory>

// The score page's fields as the window layout writes them: every entry must reach the field.
class tst_EditLayout : public QObject
{
    Q_OBJECT

private slots:
    void layoutEntriesReachTheFields()
    {
        const QString text = QStringLiteral(R"(object Page: TTabSheet
  object DataSource3: TDataSource
  end
  object EditN1: TEditN
    Left = 112
    Top = 328
    Width = 33
    Height = 22
    Color = $005A858B
    Font.Name = 'Arial'
    Font.Height = -11
    Font.Style = [fsBold]
    Font.Color = clWhite
    EditType = etFloat
    EditAlign = etAlignRight
    EditLengthAlign = 0
    EditPrecision = 0
    ColorOnFocus = clWhite
    ColorOnNotFocus = clSilver
    FontColorOnFocus = clRed
    FontColorOnNotFocus = clBlack
    FontColorOnOverWrite = clBlue
    EditKeyByTab = #9
    FirstCharUpper = False
    FirstCharUpList = ' ('
    WidthOnFocus = 0
    TextHint = True
    TabOrder = 3
  end
  object EditN3: TEditN
    Left = 112
    Top = 376
    Width = 73
    Height = 22
    MaxLength = 10
    OEMConvert = True
    EditType = etString
    EditAlign = etAlignCenter
    EditKeyByTab = #13
    TabOrder = 8
  end
  object DBEditN2: TDBEditN
    Left = 112
    Top = 424
    Width = 45
    Height = 22
    DataSource = DataSource3
    DataField = 'Hcap'
    Color = clWhite
    Ctl3D = False
    TabOrder = 10
  end
end
)");
        THintController hints;
        TClassRegistry registry;
        registry.Register<TEditN>(QStringLiteral("TEditN"));
        registry.Register<TDBEditN>(QStringLiteral("TDBEditN"));
        registry.Register(QStringLiteral("TDataSource"), [](QObject *owner, QWidget *) -> QObject * { return new TDataSource(owner); });
        QWidget page;
        TLayoutLoader loader(registry);
        const QList<QObject *> made = loader.Load(ParseLayout(text), &page);
        QCOMPARE(made.size(), 4);

        auto *score = page.findChild<TEditN *>(QStringLiteral("EditN1"));
        QVERIFY(score);
        QCOMPARE(score->geometry(), QRect(112, 328, 33, 22));
        QCOMPARE(score->Color(), TColorFromBits(0x5A858B));
        QCOMPARE(score->FontColor(), clWhite);
        QCOMPARE(score->font().pixelSize(), 11);
        QVERIFY(score->font().bold());
        QCOMPARE(score->EditType(), TEditN::etFloat);
        QCOMPARE(score->EditAlign(), TEditN::etAlignRight);
        QCOMPARE(score->EditKeyByTab(), QChar(9));
        QCOMPARE(score->FirstCharUpList(), QString(" ("));
        QCOMPARE(score->FontColorOnOverWrite(), clBlue);
        QCOMPARE(hints.EditCount(), 3);

        auto *date = page.findChild<TEditN *>(QStringLiteral("EditN3"));
        QVERIFY(date);
        QCOMPARE(date->MaxLength(), 10);
        QVERIFY(date->OEMConvert());
        QCOMPARE(date->EditAlign(), TEditN::etAlignCenter);
        QCOMPARE(date->EditKeyByTab(), QChar(13));

        auto *handicap = page.findChild<TDBEditN *>(QStringLiteral("DBEditN2"));
        QVERIFY(handicap);
        QCOMPARE(handicap->DataSource(), page.findChild<TDataSource *>(QStringLiteral("DataSource3")));
        QCOMPARE(handicap->DataField(), QString("Hcap"));
        QCOMPARE(handicap->Color(), clWhite);
        QVERIFY(!handicap->Ctl3D());
    }
};

QTEST_MAIN(tst_EditLayout)
#include "tst_editlayout.moc"
