#include "Dialogs.h"
#include "EnterRound.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "LocationSupport.h"
#include "TTable.h"

#include <QTest>

using namespace Golf;

namespace {

struct Round
{
    int Score;
    int Rating;
};

} // namespace

class tst_EnterRound : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestLocation::TLocation> m_location;
    std::unique_ptr<TTable> m_players;
    QStringList m_messages;
    int m_beeps = 0;

    TFormatSettings Settings() const
    {
        TFormatSettings fs;
        fs.ShortDateFormat = "dd/MM/yyyy";
        fs.DateSeparator = '/';
        return fs;
    }

    // Enters rounds oldest first, as a user would over the weeks.
    std::optional<THandicap> Enter(int score, int rating, bool adjust = false, const QString &date = "07/12/2026")
    {
        const TEnterOutcome outcome = EnterRound(*m_players, {QString::number(score), QString::number(rating), date, adjust});
        if (!outcome.Entered())
            return std::nullopt;
        return outcome.Handicap;
    }
    std::optional<THandicap> EnterAll(const QList<Round> &rounds)
    {
        std::optional<THandicap> last;
        for (const Round &round : rounds)
            last = Enter(round.Score, round.Rating);
        return last;
    }
    int Int(const QString &field) const { return m_players->FieldByName(field)->AsInteger(); }
    QList<int> Slots(QChar kind) const
    {
        QList<int> values;
        for (int slot = 1; slot <= 12; ++slot)
            values << Int(QString("%1%2").arg(kind).arg(slot));
        return values;
    }

private slots:
    void init()
    {
        SetFormatSettings(Settings());
        m_messages.clear();
        m_beeps = 0;
        SetMessageHandler([this](const TMessageRequest &request) {
            m_messages << request.Text;
            return mrOk;
        });
        SetBeepHandler([this] { ++m_beeps; });
        m_location = std::make_unique<TestLocation::TLocation>();
        PrepareDataFolder(m_location->Path());
        m_players = std::make_unique<TTable>();
        m_players->SetDatabaseName(m_location->Path());
        m_players->SetTableName(kPlayersTable);
        m_players->Open();
    }
    void cleanup()
    {
        m_players.reset();
        m_location.reset();
        SetMessageHandler({});
        SetBeepHandler({});
        ResetFormatSettings();
    }

    void workedExamples_data()
    {
        QTest::addColumn<QList<Round>>("rounds");
        QTest::addColumn<int>("used");
        QTest::addColumn<float>("mean");
        QTest::addColumn<int>("handicap");
        QTest::addColumn<QString>("stored");
        QTest::newRow("first round") << QList<Round>{{90, 0}} << 1 << 18.0f << 3 << "3";
        QTest::newRow("three rounds") << QList<Round>{{90, 0}, {88, 2}, {84, 1}} << 3 << 49.0f / 3 << 2 << "2";
        QTest::newRow("full history")
            << QList<Round>{{81, 2}, {87, 0}, {84, 1}, {92, 0}, {79, 3}, {85, 0}, {90, 0}, {82, 1}, {88, 0}, {78, 2}, {95, 0}, {80, 1}}
            << 6 << 62.0f / 6 << 2 << "2";
        QTest::newRow("low single round") << QList<Round>{{60, 0}} << 1 << -12.0f << -2 << "-2";
        QTest::newRow("on a bound") << QList<Round>{{75, 0}} << 1 << 3.0f << 0 << "0";
        QTest::newRow("above the bound") << QList<Round>{{76, 0}} << 1 << 4.0f << 1 << "1";
        QTest::newRow("equal scores at the cut")
            << QList<Round>{{80, 6}, {80, 5}, {80, 4}, {80, 3}, {78, 0}, {80, 2}, {80, 1}} << 6 << 61.0f / 6 << 2 << "2";
    }
    void workedExamples()
    {
        QFETCH(QList<Round>, rounds);
        QFETCH(int, used);
        QFETCH(float, mean);
        QFETCH(int, handicap);
        QFETCH(QString, stored);
        const std::optional<THandicap> result = EnterAll(rounds);
        QVERIFY(result);
        QCOMPARE(result->RoundsUsed, used);
        QCOMPARE(result->Mean, mean);
        QCOMPARE(result->Handicap, handicap);
        QCOMPARE(m_players->FieldByName("CalChcap")->AsFloat(), double(handicap));
        QCOMPARE(m_players->FieldByName("CalChcap")->AsString(), stored);
        QCOMPARE(m_players->State(), dsBrowse);
        QVERIFY(m_messages.isEmpty());
    }

    void ratingStaysWithItsScore()
    {
        const auto result = EnterAll({{90, 0}, {88, 2}, {84, 1}});
        QCOMPARE(result->Ordered[0].Score, 84.0f);
        QCOMPARE(result->Ordered[0].Rating, 1.0f);
        QCOMPARE(result->Ordered[1].Score, 88.0f);
        QCOMPARE(result->Ordered[1].Rating, 2.0f);
        QCOMPARE(result->Ordered[2].Score, 90.0f);
        QCOMPARE(result->Ordered[2].Rating, 0.0f);
        // The stored slots keep their entry order, newest first.
        QCOMPARE(Slots('S').mid(0, 4), (QList<int>{84, 88, 90, 0}));
        QCOMPARE(Slots('C').mid(0, 4), (QList<int>{1, 2, 0, 0}));
    }

    void equalScoresAreCutInExchangeOrder()
    {
        const auto result = EnterAll({{80, 6}, {80, 5}, {80, 4}, {80, 3}, {78, 0}, {80, 2}, {80, 1}});
        QList<float> ratings;
        for (int i = 0; i < 7; ++i)
            ratings << result->Ordered[i].Rating;
        QCOMPARE(ratings, (QList<float>{0, 2, 1, 3, 4, 5, 6}));
        QCOMPARE(result->RoundsPresent, 7);
    }

    void scoreBounds_data()
    {
        QTest::addColumn<QString>("score");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("50") << "50" << true;
        QTest::newRow("110") << "110" << true;
        QTest::newRow("49") << "49" << false;
        QTest::newRow("111") << "111" << false;
        QTest::newRow("empty") << "" << false;
    }
    void scoreBounds()
    {
        QFETCH(QString, score);
        QFETCH(bool, accepted);
        Enter(80, 0);
        const TEnterOutcome outcome = EnterRound(*m_players, {score, "0", "07/12/2026", false});
        QCOMPARE(outcome.Entered(), accepted);
        // Telling the user is the caller's part: the calculation itself never shows or beeps.
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(m_beeps, 0);
        if (accepted) {
            QCOMPARE(outcome.Status, TEnterStatus::Entered);
            QCOMPARE(Int("S1"), score.toInt());
            QVERIFY(outcome.Message().isEmpty());
        } else {
            QCOMPARE(outcome.Status, TEnterStatus::ScoreInvalid);
            QCOMPARE(outcome.Message(), QString("Score invalid!"));
            QCOMPARE(Slots('S').mid(0, 2), (QList<int>{80, 0}));
            QCOMPARE(m_players->State(), dsBrowse);
        }
    }

    void outcomeHoldsTheEntryAsStored()
    {
        // The "three rounds" worked example, its last round entered with a date.
        Enter(90, 0);
        Enter(88, 2);
        const TEnterOutcome outcome = EnterRound(*m_players, {"84", "1", "05/11/2026", false});
        QVERIFY(outcome.Entered());
        QCOMPARE(outcome.Score, 84);
        QCOMPARE(outcome.Rating, 1);
        QCOMPARE(ToQDate(outcome.Played), QDate(2026, 11, 5));
        QCOMPARE(m_players->FieldByName("D1")->AsDateTime(), outcome.Played);
        QCOMPARE(outcome.Handicap.RoundsPresent, 3);
        QCOMPARE(outcome.Handicap.Mean, 49.0f / 3);
        QCOMPARE(outcome.Handicap.Handicap, 2);
    }

    void meansOnTheChartBounds_data()
    {
        QTest::addColumn<QList<Round>>("rounds");
        QTest::addColumn<int>("handicap");
        QTest::newRow("m = 10") << QList<Round>{{82, 0}} << 1;
        QTest::newRow("m = -24") << QList<Round>{{50, -2}} << -5;
        QTest::newRow("m = -23") << QList<Round>{{50, -1}} << -4;
        QTest::newRow("m = 208") << QList<Round>{{110, 170}} << 29;
        QTest::newRow("m = 208.33") << QList<Round>{{110, 170}, {110, 170}, {110, 171}} << 30;
        QTest::newRow("m = 52") << QList<Round>{{100, 24}} << 7;
        QTest::newRow("m = 52.5") << QList<Round>{{100, 24}, {100, 25}} << 8;
        QTest::newRow("m = 59") << QList<Round>{{100, 31}} << 8;
        QTest::newRow("m = 117") << QList<Round>{{110, 79}} << 16;
        QTest::newRow("m = 118") << QList<Round>{{110, 80}} << 17;
    }
    void meansOnTheChartBounds()
    {
        QFETCH(QList<Round>, rounds);
        QFETCH(int, handicap);
        QCOMPARE(EnterAll(rounds)->Handicap, handicap);
        QCOMPARE(m_players->FieldByName("calchcap")->AsString(), QString::number(handicap));
    }

    void roundsUsedGrowToSixAndTheThirteenthDropsTheOldest()
    {
        for (int count = 1; count <= 13; ++count) {
            const auto result = Enter(70 + count, count, false, QString("%1/01/2026").arg(count, 2, 10, QChar('0')));
            QCOMPARE(result->RoundsPresent, qMin(count, 12));
            QCOMPARE(result->RoundsUsed, qMin(count, 6));
        }
        QCOMPARE(Slots('S'), (QList<int>{83, 82, 81, 80, 79, 78, 77, 76, 75, 74, 73, 72}));
        QCOMPARE(Slots('C'), (QList<int>{13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2}));
        QCOMPARE(ToQDate(m_players->FieldByName("D12")->AsDateTime()), QDate(2026, 1, 2));
        QCOMPARE(ToQDate(m_players->FieldByName("D1")->AsDateTime()), QDate(2026, 1, 13));
    }

    void emptyDatesStayEmptyWhenShifted()
    {
        Enter(80, 0);
        QVERIFY(m_players->FieldByName("D2")->IsNull());
        QVERIFY(m_players->FieldByName("D12")->IsNull());
        QCOMPARE(m_players->FieldByName("D1")->AsString(), QString("07/12/2026"));
    }

    void zeroInTheMiddleLimitsTheRoundsCounted()
    {
        EnterAll({{90, 0}, {70, 0}, {80, 0}, {85, 0}});
        m_players->Edit();
        m_players->FieldByName("S3")->SetAsInteger(0); // as typed into the player grid: 70 goes
        m_players->Post();
        const auto result = Enter(88, 0);
        QCOMPARE(result->RoundsPresent, 3); // 88, 85, 80 before the zero
        QCOMPARE(result->Mean, (88 + 85 + 80 - 3 * 72) / 3.0f);
    }

    void adjustClubHandicapCopiesOnlyWhenTicked()
    {
        m_players->Edit();
        m_players->FieldByName("Hcap")->SetAsFloat(11);
        m_players->Post();
        Enter(90, 0, false);
        QCOMPARE(m_players->FieldByName("Hcap")->AsFloat(), 11.0);
        Enter(60, 0, true);
        QCOMPARE(m_players->FieldByName("Hcap")->AsFloat(), m_players->FieldByName("CalChcap")->AsFloat());
        QCOMPARE(m_players->FieldByName("Hcap")->AsFloat(), 0.0); // (60 - 72 + 90 - 72) / 2 = 3 gives 0
    }

    void emptyPlayerTableGetsANamelessPlayer()
    {
        QVERIFY(m_players->IsEmpty());
        Enter(90, 0);
        QCOMPARE(m_players->RecordCount(), 1);
        QCOMPARE(m_players->FieldByName("Descr")->AsString(), QString());
        QCOMPARE(Int("ID"), 1);
        QCOMPARE(Int("S1"), 90);
    }

    void roundsEnteredThroughAnotherConnectionAreShiftedNotOverwritten()
    {
        Enter(90, 1);
        // A second window on the same folder, opened before the rounds below.
        TTable other;
        other.SetDatabaseName(m_location->Path());
        other.SetTableName(kPlayersTable);
        other.Open();
        Enter(91, 2);
        Enter(92, 3);
        QVERIFY(EnterRound(other, {"93", "4", "07/12/2026", false}).Entered());
        QCOMPARE(other.FieldByName("S1")->AsInteger(), 93);
        m_players->Refresh();
        QCOMPARE(Slots('S').mid(0, 5), (QList<int>{93, 92, 91, 90, 0}));
        QCOMPARE(Slots('C').mid(0, 4), (QList<int>{4, 3, 2, 1}));
    }

    void roundForAPlayerRemovedMeanwhileIsRefused()
    {
        Enter(90, 1);
        TTable other;
        other.SetDatabaseName(m_location->Path());
        other.SetTableName(kPlayersTable);
        other.Open();
        other.Delete();
        QVERIFY_THROWS_EXCEPTION(EDatabaseError, Enter(80, 2));
        // Nothing was stored in its place, and the table is left ready for the next action.
        QVERIFY(!m_players->InTransaction());
        QCOMPARE(m_players->State(), dsBrowse);
        QCOMPARE(m_players->RecordCount(), 0);
    }

    void badTextsLeaveTheRecordExactlyAsItWas_data()
    {
        QTest::addColumn<QString>("score");
        QTest::addColumn<QString>("rating");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("message");
        QTest::newRow("fraction score") << "85.5" << "0" << "07/12/2026" << "'85.5' is not a valid integer value";
        QTest::newRow("letters") << "abc" << "0" << "07/12/2026" << "'abc' is not a valid integer value";
        QTest::newRow("fraction rating") << "85" << "71.5" << "07/12/2026" << "'71.5' is not a valid integer value";
        QTest::newRow("empty rating") << "85" << "" << "07/12/2026" << "'' is not a valid integer value";
        QTest::newRow("bad date") << "85" << "1" << "31/02/2026" << "'31/02/2026' is not a valid date";
    }
    void badTextsLeaveTheRecordExactlyAsItWas()
    {
        QFETCH(QString, score);
        QFETCH(QString, rating);
        QFETCH(QString, date);
        QFETCH(QString, message);
        Enter(80, 3);
        for (const bool editing : {false, true}) {
            if (editing) {
                m_players->Edit();
                m_players->FieldByName("Descr")->SetAsString("Pending name");
            }
            const TDataSetState state = m_players->State();
            try {
                EnterRound(*m_players, {score, rating, date, true});
                QFAIL("no failure");
            } catch (const EConvertError &error) {
                QCOMPARE(error.Message(), message);
            }
            QCOMPARE(m_players->State(), state);
            QCOMPARE(Slots('S').mid(0, 2), (QList<int>{80, 0}));
            QCOMPARE(Slots('C').mid(0, 2), (QList<int>{3, 0}));
        }
        m_players->Post();
        QCOMPARE(Slots('S').mid(0, 2), (QList<int>{80, 0}));
    }

    void decimalSeparatorOfTheUserIsUsedForTheStoredText()
    {
        TFormatSettings fs = Settings();
        fs.DecimalSeparator = ',';
        SetFormatSettings(fs);
        QCOMPARE(FormatHandicap(-3), QString("-03,00"));
        Enter(60, 0);
        QCOMPARE(m_players->FieldByName("CalChcap")->AsFloat(), -2.0);
    }
};

QTEST_GUILESS_MAIN(tst_EnterRound)
#include "tst_enterround.moc"
