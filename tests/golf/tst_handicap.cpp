#include "Handicap.h"

#include <QTest>

using namespace Golf;

class tst_Handicap : public QObject
{
    Q_OBJECT

private slots:
    // Every band: its upper bound belongs to it, the next whole number to the band above.
    void chartBandsIncludeTheirUpperBound()
    {
        const QList<int> bounds{-24, -19, -14, -8, -3, 3, 10, 17, 24, 31, 38, 45, 52, 59, 67, 74, 81, 88,
                                95, 102, 109, 117, 123, 130, 137, 144, 151, 158, 165, 172, 179, 187, 194, 201, 208};
        for (int i = 0; i < bounds.size(); ++i) {
            QCOMPARE(HandicapFromMean(float(bounds[i])), i - 5);
            QCOMPARE(HandicapFromMean(float(bounds[i]) + 0.01f), i - 4);
        }
        QCOMPARE(HandicapFromMean(-1000), -5);
        QCOMPARE(HandicapFromMean(1000), 30);
        QCOMPARE(HandicapFromMean(116.5f), 16);
    }

    void meanIsTakenInSinglePrecision()
    {
        TRounds rounds{};
        rounds[0] = {84, 1};
        rounds[1] = {90, 0};
        rounds[2] = {88, 2};
        const THandicap result = CalculateHandicap(rounds);
        QCOMPARE(result.Mean, 49.0f / 3.0f);
        QCOMPARE(result.RoundsPresent, 3);
        // The input is never reordered.
        QCOMPARE(rounds[1].Score, 90.0f);
    }

    void noRoundsStillUsesOne()
    {
        TRounds rounds{};
        rounds[0] = {0, 0};
        const THandicap result = CalculateHandicap(rounds);
        QCOMPARE(result.RoundsPresent, 1);
        QCOMPARE(result.RoundsUsed, 1);
        QCOMPARE(result.Mean, -72.0f);
    }

    void formatsWithTwoDigitsAndTwoDecimals_data()
    {
        QTest::addColumn<int>("handicap");
        QTest::addColumn<QString>("text");
        QTest::newRow("7") << 7 << "07.00";
        QTest::newRow("12") << 12 << "12.00";
        QTest::newRow("0") << 0 << "00.00";
        QTest::newRow("-3") << -3 << "-03.00";
        QTest::newRow("30") << 30 << "30.00";
    }
    void formatsWithTwoDigitsAndTwoDecimals()
    {
        QFETCH(int, handicap);
        QFETCH(QString, text);
        QCOMPARE(FormatHandicap(handicap, TFormatSettings()), text);
    }
};

QTEST_GUILESS_MAIN(tst_Handicap)
#include "tst_handicap.moc"
