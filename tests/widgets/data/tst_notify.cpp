#include "VornControls.h"

#include <QTest>
#include <QWidget>

// A bevelled label reports, as its natural size, exactly what AutoSize would make it: the text
// plus the room its bevel takes.
class tst_DataNotify : public QObject
{
    Q_OBJECT

private slots:
    void bevelledLabelHintIsItsAutoSize_data()
    {
        QTest::addColumn<QString>("caption");
        QTest::addColumn<int>("bevelWidth");
        QTest::addColumn<int>("borderWidth");
        QTest::newRow("plain") << QStringLiteral("Stableford") << 1 << 0;
        QTest::newRow("wide bevel") << QStringLiteral("Net 68") << 4 << 3;
        QTest::newRow("empty") << QString() << 2 << 1;
        QTest::newRow("two lines") << QStringLiteral("Front\nnine") << 1 << 2;
    }
    void bevelledLabelHintIsItsAutoSize()
    {
        QFETCH(QString, caption);
        QFETCH(int, bevelWidth);
        QFETCH(int, borderWidth);
        QWidget container;
        TVornCustomLabel label(&container);
        label.SetAutoSize(false);
        label.setGeometry(5, 5, 250, 80);
        label.Bevel()->SetBevelOuter(TVornBevel::bvRaised);
        label.Bevel()->SetBevelInner(TVornBevel::bvLowered);
        label.Bevel()->SetBevelWidth(bevelWidth);
        label.Bevel()->SetBorderWidth(borderWidth);
        label.SetCaption(caption);
        const QSize hint = label.sizeHint();
        QCOMPARE(label.size(), QSize(250, 80));
        label.SetAutoSize(true);
        QCOMPARE(label.size(), hint);
    }

    void thickerBevelGrowsTheHint()
    {
        QWidget container;
        TVornCustomLabel label(&container);
        label.SetCaption(QStringLiteral("Eagle"));
        label.Bevel()->SetBevelOuter(TVornBevel::bvRaised);
        const QSize thin = label.sizeHint();
        label.Bevel()->SetBevelWidth(label.Bevel()->BevelWidth() + 3);
        QCOMPARE(label.sizeHint(), thin + QSize(6, 6));
    }
};

QTEST_MAIN(tst_DataNotify)
#include "tst_notify.moc"
