// The Handicap Index rules, each checked against numbers worked out by hand from the rule's words.
#include "Exceptions.h"
#include "HandicapIndex.h"

#include <QRandomGenerator>
#include <QTest>

#include <algorithm>

using namespace Golf;

Q_DECLARE_METATYPE(std::optional<int>)

namespace {

// A round of slope 113 and PCC 0 whose differential is `tenths`: score and rating chosen so.
TIndexRound WithDifferential(qint64 id, const QDate &played, int tenths)
{
    const int score = (tenths + 700) / 10;
    return {id, played, score, 10 * score - tenths, kStandardSlope, 0, {}};
}

// Rounds entered in date order, one a day from `first`.
QList<TIndexRound> Daily(const QList<int> &differentials, const QDate &first = QDate(2026, 1, 1), qint64 firstId = 1)
{
    QList<TIndexRound> rounds;
    for (int i = 0; i < differentials.size(); ++i)
        rounds << WithDifferential(firstId + i, first.addDays(i), differentials[i]);
    return rounds;
}

const TRoundResult &ResultFor(const THandicapIndex &index, qint64 id)
{
    for (const TRoundResult &result : index.Rounds)
        if (result.Round.Id == id)
            return result;
    qFatal("no round %lld", id);
}

// Years of rounds with varied values: differentials that rise and fall (so that caps, reductions
// and the low index all come into play), a few on the same day, and a few the rules refuse.
// Entered in the order of their Ids, played in that order too when `inDateOrder`.
QList<TIndexRound> VariedRounds(quint32 seed, int count, bool inDateOrder)
{
    QRandomGenerator random(seed);
    QList<TIndexRound> rounds;
    QDate played(2019, 1, 1);
    for (int i = 0; i < count; ++i) {
        if (inDateOrder)
            played = played.addDays(random.bounded(3)); // 0: the same day as the round before
        else
            played = QDate(2019, 1, 1).addDays(random.bounded(4 * 365));
        // Good and bad spells of some months each, and now and then an exceptional round.
        const int form = (i / 40) % 3 == 1 ? 12 : 0;
        int score = 75 + form + int(random.bounded(15));
        if (random.bounded(25) == 0)
            score -= 15;
        TIndexRound round{i + 1, played, score, 680 + int(random.bounded(80)), 90 + int(random.bounded(55)), int(random.bounded(-1, 4)), {}};
        switch (random.bounded(60)) {
        case 0:
            round.Slope = 160;
            break;
        case 1:
            round.Played = QDate(1899, 6, 1);
            break;
        case 2:
            round.Played = QDate();
            break;
        case 3:
            round.Problem = QStringLiteral("Score 'x' is not a whole number");
            break;
        case 4:
            round.Score = 0;
            break;
        default:
            break;
        }
        rounds << round;
    }
    return rounds;
}

void CompareIndexes(const THandicapIndex &actual, const THandicapIndex &expected)
{
    QCOMPARE(actual.IndexTenths, expected.IndexTenths);
    const TIndexBreakdown &a = actual.Breakdown, &e = expected.Breakdown;
    QCOMPARE(a.RoundsHeld, e.RoundsHeld);
    QCOMPARE(a.RoundsInRecord, e.RoundsInRecord);
    QCOMPARE(a.Used, e.Used);
    QCOMPARE(a.SumTenths, e.SumTenths);
    QCOMPARE(a.ReductionTenthsUsed, e.ReductionTenthsUsed);
    QCOMPARE(a.LowIndexTenths, e.LowIndexTenths);
    QCOMPARE(a.Cap, e.Cap);
    QCOMPARE(a.CappedTenths, e.CappedTenths);
    QCOMPARE(ExplainIndex(a), ExplainIndex(e));
    QCOMPARE(actual.Rounds.size(), expected.Rounds.size());
    for (int i = 0; i < actual.Rounds.size(); ++i) {
        const TRoundResult &x = actual.Rounds[i], &y = expected.Rounds[i];
        QCOMPARE(x.Round.Id, y.Round.Id);
        QCOMPARE(x.DifferentialTenths, y.DifferentialTenths);
        QCOMPARE(x.ReductionTenths, y.ReductionTenths);
        QCOMPARE(x.Counted, y.Counted);
        QCOMPARE(x.Note, y.Note);
    }
    QCOMPARE(actual.History.size(), expected.History.size());
    for (int i = 0; i < actual.History.size(); ++i) {
        QCOMPARE(actual.History[i].Id, expected.History[i].Id);
        QCOMPARE(actual.History[i].Played, expected.History[i].Played);
        QCOMPARE(actual.History[i].IndexTenths, expected.History[i].IndexTenths);
    }
}

} // namespace

class TestHandicapIndex : public QObject
{
    Q_OBJECT

private slots:
    void differentialIsRoundedHalvesAwayFromZero_data();
    void differentialIsRoundedHalvesAwayFromZero();
    void roundsOutsideTheLimitsAreRefusedByName_data();
    void roundsOutsideTheLimitsAreRefusedByName();
    void ratingTextTakesAtMostOneDecimal_data();
    void ratingTextTakesAtMostOneDecimal();
    void tableOfRoundsHeldGivesTheIndex_data();
    void tableOfRoundsHeldGivesTheIndex();
    void averageIsRoundedHalvesAwayFromZero_data();
    void averageIsRoundedHalvesAwayFromZero();
    void equalDifferentialsCountTheMoreRecentFirst();
    void sameDayRoundsCountTheLaterEnteredFirst();
    void lateRoundForAnOldDateTakesItsPlaceByDate();
    void historyKeepsEachIndexWithItsRoundsDate();
    void capsHoldTheIndexNearTheLowIndex_data();
    void capsHoldTheIndexNearTheLowIndex();
    void lowIndexWindowStartsWithTheIndexInEffect_data();
    void lowIndexWindowStartsWithTheIndexInEffect();
    void exceptionalScoresReduceTheRecentDifferentials_data();
    void exceptionalScoresReduceTheRecentDifferentials();
    void reductionsAddUpAndStayWithTheirDifferentials();
    void noReductionWithoutAnIndexBefore();
    void indexNeverExceedsTheCeiling();
    void roundsOutsideTheLimitsAreKeptButLeftOut();
    void indexIsWrittenWithOneDecimalAndPlusBelowZero_data();
    void indexIsWrittenWithOneDecimalAndPlusBelowZero();
    void courseHandicapIsRoundedHalvesAwayFromZero_data();
    void courseHandicapIsRoundedHalvesAwayFromZero();
    void explanationNamesTheNumbers();
    void orderTheRoundsAreGivenInChangesNothing_data();
    void orderTheRoundsAreGivenInChangesNothing();
};

void TestHandicapIndex::differentialIsRoundedHalvesAwayFromZero_data()
{
    QTest::addColumn<int>("score");
    QTest::addColumn<int>("rating");
    QTest::addColumn<int>("slope");
    QTest::addColumn<int>("pcc");
    QTest::addColumn<int>("differential");
    QTest::newRow("standard slope, exact") << 90 << 720 << 113 << 0 << 180;
    QTest::newRow("113/130 x 12.5 = 10.865") << 85 << 715 << 130 << 1 << 109;
    QTest::newRow("PCC 2 takes 2 strokes") << 90 << 720 << 113 << 2 << 160;
    QTest::newRow("PCC -1 adds one") << 90 << 720 << 113 << -1 << 190;
    QTest::newRow("113/56 x 2.8 = 5.65 up") << 75 << 722 << 56 << 0 << 57;
    QTest::newRow("113/56 x -2.8 = -5.65 down") << 70 << 728 << 56 << 0 << -57;
    QTest::newRow("below the rating") << 68 << 713 << 113 << 0 << -33;
}

void TestHandicapIndex::differentialIsRoundedHalvesAwayFromZero()
{
    QFETCH(int, score);
    QFETCH(int, rating);
    QFETCH(int, slope);
    QFETCH(int, pcc);
    QFETCH(int, differential);
    QCOMPARE(ScoreDifferentialTenths(score, rating, slope, pcc), differential);
    const THandicapIndex index = CalculateIndex({{1, QDate(2026, 3, 1), score, rating, slope, pcc, {}}});
    QCOMPARE(index.Rounds.first().DifferentialTenths, std::optional<int>(differential));
}

void TestHandicapIndex::roundsOutsideTheLimitsAreRefusedByName_data()
{
    QTest::addColumn<QDate>("played");
    QTest::addColumn<int>("score");
    QTest::addColumn<int>("rating");
    QTest::addColumn<int>("slope");
    QTest::addColumn<int>("pcc");
    QTest::addColumn<QString>("message");
    const QDate today(2026, 6, 15);
    QTest::newRow("all at their lower ends") << QDate(1900, 1, 1) << 1 << 400 << 55 << -1 << QString();
    QTest::newRow("all at their upper ends") << today << 250 << 900 << 155 << 3 << QString();
    QTest::newRow("score 0") << today << 0 << 720 << 113 << 0 << "Score 0 is outside 1..250";
    QTest::newRow("score 251") << today << 251 << 720 << 113 << 0 << "Score 251 is outside 1..250";
    QTest::newRow("rating 39.9") << today << 80 << 399 << 113 << 0 << "Rating 39.9 is outside 40.0..90.0";
    QTest::newRow("rating 90.1") << today << 80 << 901 << 113 << 0 << "Rating 90.1 is outside 40.0..90.0";
    QTest::newRow("slope 54") << today << 80 << 720 << 54 << 0 << "Slope 54 is outside 55..155";
    QTest::newRow("slope 160") << today << 80 << 720 << 160 << 0 << "Slope 160 is outside 55..155";
    QTest::newRow("PCC -2") << today << 80 << 720 << 113 << -2 << "PCC -2 is outside -1..3";
    QTest::newRow("PCC 4") << today << 80 << 720 << 113 << 4 << "PCC 4 is outside -1..3";
    QTest::newRow("tomorrow") << today.addDays(1) << 80 << 720 << 113 << 0 << "Date 2026-06-16 is in the future";
    QTest::newRow("before 1900") << QDate(1899, 12, 31) << 80 << 720 << 113 << 0 << "Date 1899-12-31 is before 1900";
}

void TestHandicapIndex::roundsOutsideTheLimitsAreRefusedByName()
{
    QFETCH(QDate, played);
    QFETCH(int, score);
    QFETCH(int, rating);
    QFETCH(int, slope);
    QFETCH(int, pcc);
    QFETCH(QString, message);
    QCOMPARE(RoundProblem(played, score, rating, slope, pcc, QDate(2026, 6, 15)), message);
}

void TestHandicapIndex::ratingTextTakesAtMostOneDecimal_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("point");
    QTest::addColumn<int>("tenths"); // -1: refused
    QTest::newRow("72 is 72.0") << "72" << QChar('.') << 720;
    QTest::newRow("72.0") << "72.0" << QChar('.') << 720;
    QTest::newRow("71.5") << "71.5" << QChar('.') << 715;
    QTest::newRow("comma locale") << "71,5" << QChar(',') << 715;
    QTest::newRow("comma where a point is the decimal") << "71,5" << QChar('.') << -1;
    QTest::newRow("two decimals") << "71.55" << QChar('.') << -1;
    QTest::newRow("point without a decimal") << "71." << QChar('.') << -1;
    QTest::newRow("not a number") << "abc" << QChar('.') << -1;
    QTest::newRow("empty") << "" << QChar('.') << -1;
}

void TestHandicapIndex::ratingTextTakesAtMostOneDecimal()
{
    QFETCH(QString, text);
    QFETCH(QChar, point);
    QFETCH(int, tenths);
    if (tenths < 0) {
        try {
            ParseRatingTenths(text, point);
            QFAIL("refused text was taken");
        } catch (const EConvertError &error) {
            QVERIFY2(error.Message().contains(QLatin1Char('\'') + text + QLatin1Char('\'')), qPrintable(error.Message()));
        }
        return;
    }
    QCOMPARE(ParseRatingTenths(text, point), tenths);
}

void TestHandicapIndex::tableOfRoundsHeldGivesTheIndex_data()
{
    QTest::addColumn<int>("held");
    QTest::addColumn<std::optional<int>>("index");
    QTest::addColumn<int>("used");
    // Entered one a day in this order; all within 6.0 of each other, so no score is exceptional
    // and no cap reaches.
    const std::optional<int> none;
    QTest::newRow("2 rounds: no index") << 2 << none << 0;
    QTest::newRow("3: lowest 10.1 less 2.0") << 3 << std::optional<int>(81) << 1;
    QTest::newRow("4: lowest 10.1 less 1.0") << 4 << std::optional<int>(91) << 1;
    QTest::newRow("5: lowest 10.1") << 5 << std::optional<int>(101) << 1;
    QTest::newRow("6: (10.1+12.0)/2 = 11.05 -> 11.1, less 1.0") << 6 << std::optional<int>(101) << 2;
    QTest::newRow("7: (10.1+11.0)/2 = 10.55 -> 10.6") << 7 << std::optional<int>(106) << 2;
    QTest::newRow("8: lowest 2") << 8 << std::optional<int>(106) << 2;
    QTest::newRow("9: lowest 3, 33.1/3") << 9 << std::optional<int>(110) << 3;
    QTest::newRow("11: lowest 3, 32.6/3") << 11 << std::optional<int>(109) << 3;
    QTest::newRow("12: lowest 4, 43.1/4") << 12 << std::optional<int>(108) << 4;
    QTest::newRow("14: lowest 4, 41.6/4") << 14 << std::optional<int>(104) << 4;
    QTest::newRow("15: lowest 5, 53.1/5") << 15 << std::optional<int>(106) << 5;
    QTest::newRow("16: lowest 5") << 16 << std::optional<int>(106) << 5;
    QTest::newRow("17: lowest 6, 63.3/6") << 17 << std::optional<int>(106) << 6;
    QTest::newRow("18: lowest 6") << 18 << std::optional<int>(106) << 6;
    QTest::newRow("19: lowest 7, 73.7/7") << 19 << std::optional<int>(105) << 7;
    QTest::newRow("20: lowest 8, 85.7/8") << 20 << std::optional<int>(107) << 8;
    QTest::newRow("21: the oldest drops out, 88.1/8") << 21 << std::optional<int>(110) << 8;
}

void TestHandicapIndex::tableOfRoundsHeldGivesTheIndex()
{
    QFETCH(int, held);
    QFETCH(std::optional<int>, index);
    QFETCH(int, used);
    const QList<int> differentials{101, 160, 130, 140, 120, 155, 110, 145, 135, 125, 115,
                                   105, 158, 100, 152, 148, 102, 138, 104, 128, 159};
    const THandicapIndex result = CalculateIndex(Daily(differentials.mid(0, held)));
    QCOMPARE(result.IndexTenths, index);
    QCOMPARE(result.Breakdown.Used, used);
    QCOMPARE(result.Breakdown.RoundsHeld, std::min(held, 20));
    int counted = 0;
    for (const TRoundResult &round : result.Rounds)
        counted += round.Counted ? 1 : 0;
    QCOMPARE(counted, used);
    if (held == 21)
        QVERIFY2(!ResultFor(result, 1).Counted, "the 21st most recent round no longer counts");
}

void TestHandicapIndex::averageIsRoundedHalvesAwayFromZero_data()
{
    QTest::addColumn<QList<int>>("differentials");
    QTest::addColumn<int>("index");
    // Seven rounds: the average of the lowest two, no adjustment.
    QTest::newRow("10.25 -> 10.3") << QList<int>{100, 105, 140, 140, 140, 140, 140} << 103;
    QTest::newRow("-1.25 -> -1.3") << QList<int>{-10, -15, 20, 20, 20, 20, 20} << -13;
}

void TestHandicapIndex::averageIsRoundedHalvesAwayFromZero()
{
    QFETCH(QList<int>, differentials);
    QFETCH(int, index);
    QCOMPARE(CalculateIndex(Daily(differentials)).IndexTenths, std::optional<int>(index));
}

void TestHandicapIndex::equalDifferentialsCountTheMoreRecentFirst()
{
    // Three rounds: the lowest one counts; two are equal.
    const QList<TIndexRound> rounds{WithDifferential(1, QDate(2026, 5, 1), 100), WithDifferential(2, QDate(2026, 5, 2), 100),
                                    WithDifferential(3, QDate(2026, 5, 3), 120)};
    const THandicapIndex index = CalculateIndex(rounds);
    QVERIFY(ResultFor(index, 2).Counted);
    QVERIFY(!ResultFor(index, 1).Counted);
    QVERIFY(!ResultFor(index, 3).Counted);
}

void TestHandicapIndex::sameDayRoundsCountTheLaterEnteredFirst()
{
    // Given in any order, entered in the order of their Ids, all on one day: 6 is the most
    // recent, then 5, then 4.
    const QDate day(2026, 5, 1);
    const QList<TIndexRound> rounds{WithDifferential(5, day, 100), WithDifferential(4, day, 100), WithDifferential(6, day, 100)};
    const THandicapIndex index = CalculateIndex(rounds);
    QVERIFY(ResultFor(index, 6).Counted);
    QCOMPARE(index.Rounds.at(0).Round.Id, qint64(6));
    QCOMPARE(index.Rounds.at(1).Round.Id, qint64(5));
    QCOMPARE(index.Rounds.at(2).Round.Id, qint64(4));
}

void TestHandicapIndex::lateRoundForAnOldDateTakesItsPlaceByDate()
{
    // Twenty rounds of 15.0, then a round of 0.0 entered last but played before all of them: it is
    // the 21st most recent, so it neither counts nor reduces anything.
    QList<TIndexRound> rounds = Daily(QList<int>(20, 150), QDate(2026, 2, 1));
    rounds << WithDifferential(21, QDate(2026, 1, 1), 0);
    const THandicapIndex index = CalculateIndex(rounds);
    QCOMPARE(index.IndexTenths, std::optional<int>(150));
    QCOMPARE(index.Rounds.last().Round.Id, qint64(21));
    QVERIFY(!index.Rounds.last().Counted);
    for (const TRoundResult &round : index.Rounds)
        QCOMPARE(round.ReductionTenths, 0);

    // The same round played within the last twenty does count.
    rounds.last().Played = QDate(2026, 2, 10);
    QCOMPARE(CalculateIndex(rounds).IndexTenths.has_value(), true);
    QVERIFY(ResultFor(CalculateIndex(rounds), 21).Counted);
}

void TestHandicapIndex::historyKeepsEachIndexWithItsRoundsDate()
{
    // 20.0, 22.0, 24.0 entered in date order, then 15.0 entered for an earlier date.
    QList<TIndexRound> rounds = Daily({200, 220, 240}, QDate(2026, 1, 10));
    rounds << WithDifferential(4, QDate(2026, 1, 1), 150);
    const THandicapIndex index = CalculateIndex(rounds);
    QCOMPARE(index.History.size(), 4);
    QCOMPARE(index.History[0].IndexTenths, std::optional<int>());
    QCOMPARE(index.History[1].IndexTenths, std::optional<int>());
    QCOMPARE(index.History[2].Played, QDate(2026, 1, 12));
    QCOMPARE(index.History[2].IndexTenths, std::optional<int>(180)); // lowest 20.0 less 2.0
    QCOMPARE(index.History[3].Played, QDate(2026, 1, 1));
    QCOMPARE(index.History[3].IndexTenths, std::optional<int>(140)); // lowest 15.0 less 1.0
}

void TestHandicapIndex::capsHoldTheIndexNearTheLowIndex_data()
{
    QTest::addColumn<int>("later");
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("cap");
    // Twenty rounds of 10.0 leave the index at 10.0; more than a year later twenty rounds of
    // `later` replace them. The low index is 10.0.
    QTest::newRow("3.0 above: no cap") << 130 << 130 << int(icNone);
    QTest::newRow("3.2 above: 13.0 + 0.1") << 132 << 131 << int(icSoft);
    QTest::newRow("4.3 above: 13.0 + 0.65 -> 0.7") << 143 << 137 << int(icSoft);
    QTest::newRow("7.0 above: 13.0 + 2.0") << 170 << 150 << int(icSoft);
    QTest::newRow("7.2 above: hard cap 15.0") << 172 << 150 << int(icHard);
    QTest::newRow("10.0 above: hard cap 15.0") << 200 << 150 << int(icHard);
}

void TestHandicapIndex::capsHoldTheIndexNearTheLowIndex()
{
    QFETCH(int, later);
    QFETCH(int, index);
    QFETCH(int, cap);
    const QList<TIndexRound> rounds = Daily(QList<int>(20, 100), QDate(2024, 1, 1)) + Daily(QList<int>(20, later), QDate(2025, 6, 1), 21);
    const THandicapIndex result = CalculateIndex(rounds);
    QCOMPARE(result.IndexTenths, std::optional<int>(index));
    QCOMPARE(int(result.Breakdown.Cap), cap);
    QCOMPARE(result.Breakdown.CalculatedTenths, later);
    QCOMPARE(result.Breakdown.LowIndexTenths, std::optional<int>(100));
}

void TestHandicapIndex::lowIndexWindowStartsWithTheIndexInEffect_data()
{
    QTest::addColumn<QDate>("latest");
    QTest::addColumn<int>("low");
    QTest::addColumn<int>("index");
    // Twenty rounds of 10.0 from 2023-01-01 keep 8.0 (3rd round), 9.0 (4th), 10.0 (5th), 9.0 (6th),
    // then 10.0; twenty rounds of 14.3 end on `latest`.
    QTest::newRow("8.0 kept on 01-03 is the one in effect at 01-04") << QDate(2024, 1, 4) << 80 << 127;
    QTest::newRow("8.0 on 01-03 is in the window starting 01-03") << QDate(2024, 1, 3) << 80 << 127;
    QTest::newRow("from 01-05 the low is 9.0") << QDate(2024, 1, 5) << 90 << 132;
}

void TestHandicapIndex::lowIndexWindowStartsWithTheIndexInEffect()
{
    QFETCH(QDate, latest);
    QFETCH(int, low);
    QFETCH(int, index);
    const QList<TIndexRound> rounds = Daily(QList<int>(20, 100), QDate(2023, 1, 1)) + Daily(QList<int>(20, 143), latest.addDays(-19), 21);
    const THandicapIndex result = CalculateIndex(rounds);
    QCOMPARE(result.Breakdown.LowIndexTenths, std::optional<int>(low));
    QCOMPARE(result.IndexTenths, std::optional<int>(index));
}

void TestHandicapIndex::exceptionalScoresReduceTheRecentDifferentials_data()
{
    QTest::addColumn<int>("sixth");
    QTest::addColumn<int>("reduction");
    QTest::addColumn<int>("index");
    // Five rounds of 20.0 (index 20.0), then a sixth; six rounds: average of the lowest two less 1.0.
    QTest::newRow("6.9 lower: none") << 131 << 0 << 156;   // (13.1 + 20.0) / 2 = 16.55 -> 16.6
    QTest::newRow("7.0 lower: 1.0") << 130 << 10 << 145;   // (12.0 + 19.0) / 2 = 15.5
    QTest::newRow("9.9 lower: 1.0") << 101 << 10 << 131;   // (9.1 + 19.0) / 2 = 14.05 -> 14.1
    QTest::newRow("10.0 lower: 2.0") << 100 << 20 << 120;  // (8.0 + 18.0) / 2 = 13.0
}

void TestHandicapIndex::exceptionalScoresReduceTheRecentDifferentials()
{
    QFETCH(int, sixth);
    QFETCH(int, reduction);
    QFETCH(int, index);
    const THandicapIndex result = CalculateIndex(Daily({200, 200, 200, 200, 200, sixth}));
    QCOMPARE(result.IndexTenths, std::optional<int>(index));
    for (const TRoundResult &round : result.Rounds)
        QCOMPARE(round.ReductionTenths, reduction);
}

void TestHandicapIndex::reductionsAddUpAndStayWithTheirDifferentials()
{
    // As above with 13.0 (index 14.5), then 7.5: 7.0 below 14.5, another 1.0 on all seven.
    const THandicapIndex result = CalculateIndex(Daily({200, 200, 200, 200, 200, 130, 75}));
    for (qint64 id = 1; id <= 6; ++id)
        QCOMPARE(ResultFor(result, id).ReductionTenths, 20);
    QCOMPARE(ResultFor(result, 7).ReductionTenths, 10);
    QCOMPARE(result.IndexTenths, std::optional<int>(88)); // (6.5 + 11.0) / 2 = 8.75
    QCOMPARE(ResultFor(result, 7).DifferentialTenths, std::optional<int>(75));

    // An ordinary round afterwards takes no reduction, and the earlier ones keep theirs.
    const THandicapIndex later = CalculateIndex(Daily({200, 200, 200, 200, 200, 130, 75, 150}));
    QCOMPARE(ResultFor(later, 8).ReductionTenths, 0);
    QCOMPARE(ResultFor(later, 6).ReductionTenths, 20);
}

void TestHandicapIndex::noReductionWithoutAnIndexBefore()
{
    // The third round is far below the others, but no index was held before it.
    const THandicapIndex result = CalculateIndex(Daily({300, 300, 100}));
    QCOMPARE(result.IndexTenths, std::optional<int>(80));
    for (const TRoundResult &round : result.Rounds)
        QCOMPARE(round.ReductionTenths, 0);
}

void TestHandicapIndex::indexNeverExceedsTheCeiling()
{
    const THandicapIndex result = CalculateIndex(Daily({600, 600, 600}));
    QCOMPARE(result.IndexTenths, std::optional<int>(540));
    QVERIFY(result.Breakdown.Ceiling);
    QCOMPARE(result.Breakdown.CappedTenths, 580);
    QCOMPARE(CalculateIndex(Daily({560, 560, 560})).IndexTenths, std::optional<int>(540));
    QCOMPARE(CalculateIndex(Daily({550, 550, 550})).IndexTenths, std::optional<int>(530));
}

void TestHandicapIndex::roundsOutsideTheLimitsAreKeptButLeftOut()
{
    // A rating of 72 - r with r = 40 is 32.0: kept, shown, but not part of the index.
    QList<TIndexRound> rounds = Daily({150, 160, 170});
    rounds << TIndexRound{4, QDate(2026, 1, 4), 80, 320, kStandardSlope, 0, {}};
    const THandicapIndex result = CalculateIndex(rounds);
    QCOMPARE(result.Rounds.size(), 4);
    const TRoundResult &outside = ResultFor(result, 4);
    QCOMPARE(outside.DifferentialTenths, std::optional<int>());
    QVERIFY(!outside.Counted);
    QCOMPARE(outside.Note, QStringLiteral("Rating 32.0 is outside 40.0..90.0"));
    QCOMPARE(result.IndexTenths, std::optional<int>(130));
    QCOMPARE(result.History.size(), 3);
}

void TestHandicapIndex::indexIsWrittenWithOneDecimalAndPlusBelowZero_data()
{
    QTest::addColumn<std::optional<int>>("index");
    QTest::addColumn<QString>("text");
    QTest::newRow("none") << std::optional<int>() << "none";
    QTest::newRow("14.3") << std::optional<int>(143) << "14.3";
    QTest::newRow("zero") << std::optional<int>(0) << "0.0";
    QTest::newRow("plus 1.3") << std::optional<int>(-13) << "+1.3";
    QTest::newRow("plus 0.1") << std::optional<int>(-1) << "+0.1";
    QTest::newRow("54.0") << std::optional<int>(540) << "54.0";
}

void TestHandicapIndex::indexIsWrittenWithOneDecimalAndPlusBelowZero()
{
    QFETCH(std::optional<int>, index);
    QFETCH(QString, text);
    QCOMPARE(FormatIndex(index), text);
}

void TestHandicapIndex::courseHandicapIsRoundedHalvesAwayFromZero_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<int>("slope");
    QTest::addColumn<int>("rating");
    QTest::addColumn<int>("par");
    QTest::addColumn<int>("handicap");
    QTest::newRow("14.3 x 130/113 - 0.5 = 15.95") << 143 << 130 << 715 << 72 << 16;
    QTest::newRow("0.0 + 0.5 -> 1") << 0 << 113 << 725 << 72 << 1;
    QTest::newRow("0.0 - 0.5 -> -1") << 0 << 113 << 715 << 72 << -1;
    QTest::newRow("plus 1.3 at par") << -13 << 113 << 720 << 72 << -1;
    QTest::newRow("54.0 x 155/113 + 3 = 77.07") << 540 << 155 << 750 << 72 << 77;
    QTest::newRow("12.4 + 0.1 = 12.5 -> 13") << 124 << 113 << 701 << 70 << 13;
}

void TestHandicapIndex::courseHandicapIsRoundedHalvesAwayFromZero()
{
    QFETCH(int, index);
    QFETCH(int, slope);
    QFETCH(int, rating);
    QFETCH(int, par);
    QFETCH(int, handicap);
    QCOMPARE(CourseHandicap(index, slope, rating, par), handicap);
}

void TestHandicapIndex::explanationNamesTheNumbers()
{
    const THandicapIndex capped = CalculateIndex(Daily(QList<int>(20, 100), QDate(2024, 1, 1)) + Daily(QList<int>(20, 143), QDate(2025, 6, 1), 21));
    QCOMPARE(ExplainIndex(capped.Breakdown),
             QStringLiteral("Average of your 8 lowest of 20 differentials, 14.30, rounded to 14.3; the soft cap held it at 13.7 instead of 14.3."));
    QCOMPARE(ExplainIndex(CalculateIndex(Daily({150, 160})).Breakdown),
             QStringLiteral("No index yet: it needs 3 rounds, and 2 are held."));
    QCOMPARE(ExplainIndex(CalculateIndex(Daily({101, 160, 130})).Breakdown),
             QStringLiteral("Your lowest of 3 differentials, 10.1, less 2.0 for holding 3 rounds, 8.1."));
    QCOMPARE(ExplainIndex(CalculateIndex(Daily({-10, -15, 20, 20, 20, 20, 20})).Breakdown),
             QStringLiteral("Average of your 2 lowest of 7 differentials, -1.25, rounded to -1.3; below zero it is written +1.3."));
}

void TestHandicapIndex::orderTheRoundsAreGivenInChangesNothing_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("inDateOrder");
    for (quint32 seed = 1; seed <= 6; ++seed) {
        QTest::addRow("entered in date order, %u", seed) << seed << true;
        QTest::addRow("entered in any order, %u", seed) << seed << false;
    }
}

void TestHandicapIndex::orderTheRoundsAreGivenInChangesNothing()
{
    // Rounds usually come in the order of entry, and mostly in date order as well; however
    // they are given, the index, its history and every round's part in it are the same.
    QFETCH(quint32, seed);
    QFETCH(bool, inDateOrder);
    const QList<TIndexRound> rounds = VariedRounds(seed, 400, inDateOrder);
    const THandicapIndex asEntered = CalculateIndex(rounds);

    QList<TIndexRound> shuffled = rounds;
    QRandomGenerator random(seed);
    std::shuffle(shuffled.begin(), shuffled.end(), random);
    CompareIndexes(CalculateIndex(shuffled), asEntered);
    QList<TIndexRound> reversed = rounds;
    std::reverse(reversed.begin(), reversed.end());
    CompareIndexes(CalculateIndex(reversed), asEntered);

    // A round the rules refuse is left out with the refusal as its note; a kept round is never
    // refused for lying in the future.
    for (const TRoundResult &result : asEntered.Rounds) {
        const TIndexRound &round = result.Round;
        if (!round.Problem.isEmpty() || !round.Played.isValid())
            QVERIFY(!result.Note.isEmpty());
        else
            QCOMPARE(result.Note, RoundProblem(round.Played, round.Score, round.RatingTenths, round.Slope, round.Pcc, QDate(9999, 12, 31)));
        QCOMPARE(result.DifferentialTenths.has_value(), result.Note.isEmpty());
    }
}

QTEST_GUILESS_MAIN(TestHandicapIndex)
#include "tst_handicapindex.moc"
