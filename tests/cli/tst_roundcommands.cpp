// add-round, index and rounds, run as the real program the way a script runs it, on a folder or
// (over the server) on a database.
#include "LocationSupport.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <sqlite3.h>

namespace {

struct Outcome
{
    int Status = -1;
    QString Out;
    QString Err;
};

Outcome RunCli(const QString &folder, const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TALLIMO_CLI), TestLocation::LocationOption(folder) + arguments);
    if (!process.waitForStarted())
        return {};
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QStringList AddRound(const QString &date, const QString &score, const QString &rating, const QString &slope,
                     const QString &pcc = QString(), const QString &player = "1")
{
    QStringList arguments{"add-round", "--player", player, "--date", date, "--score", score, "--rating", rating, "--slope", slope};
    if (!pcc.isNull())
        arguments << "--pcc" << pcc;
    return arguments;
}

const QString kHeader = "Date,Score,Rating,Slope,PCC,Differential,Reduction,Counted\r\n";

} // namespace

class tst_RoundCommands : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestLocation::KeepSettingsPrivate(); }

    void scriptAddsRoundsAndReadsTheIndex()
    {
        TestLocation::TLocation dir;
        QCOMPARE(RunCli(dir.Path(), {"add-player", "--name", "Ann"}).Out, QString("1\n"));
        QCOMPARE(RunCli(dir.Path(), {"index", "--player", "1"}).Out, QString("none\n"));

        // 71 on a course rated 72.3 is 1.3 below it.
        const Outcome first = RunCli(dir.Path(), AddRound("2026-01-10", "71", "72.3", "113"));
        QCOMPARE(first.Status, 0);
        QCOMPARE(first.Out, QString("none\n"));
        // 113/125 x (90 - 70 + 1) = 18.98
        QCOMPARE(RunCli(dir.Path(), AddRound("2026-01-12", "90", "70", "125", "-1")).Out, QString("none\n"));
        // Entered third for the day between: 80 - 71 - 2 = 7.0. Three rounds: -1.3 less 2.0.
        const Outcome third = RunCli(dir.Path(), AddRound("2026-01-11", "80", "71.0", "113", "2"));
        QCOMPARE(third.Out, QString("+3.3\n"));
        QCOMPARE(third.Err, QString());
        QCOMPARE(RunCli(dir.Path(), {"index", "--player", "1"}).Out, QString("+3.3\n"));

        const Outcome rounds = RunCli(dir.Path(), {"rounds", "--player", "1"});
        QCOMPARE(rounds.Status, 0);
        QCOMPARE(rounds.Out, kHeader
                                 + "2026-01-12,90,70.0,125,-1,19.0,0.0,no\r\n"
                                   "2026-01-11,80,71.0,113,2,7.0,0.0,no\r\n"
                                   "2026-01-10,71,72.3,113,0,-1.3,0.0,yes\r\n");
    }

    void reductionsShowWithTheirDifferentials()
    {
        TestLocation::TLocation dir;
        RunCli(dir.Path(), {"add-player", "--name", "Ann"});
        for (int day = 1; day <= 5; ++day)
            RunCli(dir.Path(), AddRound(QString("2026-03-0%1").arg(day), "92", "72", "113"));
        // 13.0 is 7.0 below the index of 20.0: every differential loses 1.0; (12.0 + 19.0) / 2 less 1.0.
        QCOMPARE(RunCli(dir.Path(), AddRound("2026-03-06", "85", "72", "113")).Out, QString("14.5\n"));
        const QStringList lines = RunCli(dir.Path(), {"rounds", "--player", "1"}).Out.split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 7);
        QCOMPARE(lines[1], QString("2026-03-06,85,72.0,113,0,13.0,1.0,yes"));
        QCOMPARE(lines[2], QString("2026-03-05,92,72.0,113,0,20.0,1.0,yes"));
        QCOMPARE(lines[6], QString("2026-03-01,92,72.0,113,0,20.0,1.0,no"));
    }

    void badInputNamesTheValueAndStoresNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString tomorrow = QDate::currentDate().addDays(1).toString(Qt::ISODate);
        QTest::newRow("slope 160") << AddRound("2026-01-01", "85", "72", "160") << "Slope 160 is outside 55..155";
        QTest::newRow("slope 54") << AddRound("2026-01-01", "85", "72", "54") << "Slope 54 is outside 55..155";
        QTest::newRow("score 251") << AddRound("2026-01-01", "251", "72", "113") << "Score 251 is outside 1..250";
        QTest::newRow("score 0") << AddRound("2026-01-01", "0", "72", "113") << "Score 0 is outside 1..250";
        QTest::newRow("score text") << AddRound("2026-01-01", "8o", "72", "113") << "Score '8o' is not a whole number";
        QTest::newRow("rating 90.1") << AddRound("2026-01-01", "85", "90.1", "113") << "Rating 90.1 is outside 40.0..90.0";
        QTest::newRow("rating 39.9") << AddRound("2026-01-01", "85", "39.9", "113") << "Rating 39.9 is outside 40.0..90.0";
        QTest::newRow("rating with a comma") << AddRound("2026-01-01", "85", "72,5", "113") << "Rating '72,5'";
        QTest::newRow("rating with two decimals") << AddRound("2026-01-01", "85", "72.25", "113") << "Rating '72.25'";
        QTest::newRow("PCC 4") << AddRound("2026-01-01", "85", "72", "113", "4") << "PCC 4 is outside -1..3";
        QTest::newRow("PCC -2") << AddRound("2026-01-01", "85", "72", "113", "-2") << "PCC -2 is outside -1..3";
        QTest::newRow("tomorrow") << AddRound(tomorrow, "85", "72", "113") << QString("Date %1 is in the future").arg(tomorrow);
        QTest::newRow("before 1900") << AddRound("1899-12-31", "85", "72", "113") << "Date 1899-12-31 is before 1900";
        QTest::newRow("no such day") << AddRound("2026-02-30", "85", "72", "113") << "Date '2026-02-30'";
        QTest::newRow("no such player") << AddRound("2026-01-01", "85", "72", "113", "0", "7") << "Player '7' not found";
    }
    void badInputNamesTheValueAndStoresNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        TestLocation::TLocation dir;
        RunCli(dir.Path(), {"add-player", "--name", "Ann"});
        RunCli(dir.Path(), AddRound("2026-01-01", "85", "72", "113"));
        const QString before = RunCli(dir.Path(), {"rounds", "--player", "1"}).Out;

        const Outcome refused = RunCli(dir.Path(), arguments);
        QVERIFY(refused.Status != 0);
        QVERIFY2(refused.Err.contains(message), qPrintable(refused.Err));
        QCOMPARE(refused.Out, QString());
        QCOMPARE(RunCli(dir.Path(), {"rounds", "--player", "1"}).Out, before);
    }

    void wrongOptionsShowTheUsage_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("slope missing") << QStringList{"add-round", "--player", "1", "--date", "2026-01-01", "--score", "85", "--rating", "72"};
        QTest::newRow("player missing") << QStringList{"index"};
        QTest::newRow("unknown option") << QStringList{"rounds", "--player", "1", "--all"};
    }
    void wrongOptionsShowTheUsage()
    {
        QFETCH(QStringList, arguments);
        TestLocation::TLocation dir;
        RunCli(dir.Path(), {"add-player", "--name", "Ann"});
        const Outcome outcome = RunCli(dir.Path(), arguments);
        QCOMPARE(outcome.Status, 2);
        QVERIFY(outcome.Err.contains("Usage:"));
        QCOMPARE(RunCli(dir.Path(), {"rounds", "--player", "1"}).Out, kHeader);
    }

    void enterRoundIsArchivedToo()
    {
        TestLocation::TLocation dir;
        RunCli(dir.Path(), {"add-player", "--name", "Ann"});
        QCOMPARE(RunCli(dir.Path(), {"enter-round", "--player", "1", "--score", "88", "--rating", "2", "--date", "2026-03-01"}).Status, 0);
        QCOMPARE(RunCli(dir.Path(), {"rounds", "--player", "1"}).Out, kHeader + "2026-03-01,88,70.0,113,0,18.0,0.0,no\r\n");
    }

    void damagedRoundsAreReportedAndTheRestListed()
    {
        TestLocation::TLocation dir;
        RunCli(dir.Path(), {"add-player", "--name", "Ann"});
        RunCli(dir.Path(), AddRound("2026-01-01", "85", "72", "113"));
        // A round without a usable date, as another tool might leave it: a text on a file, none on
        // the server, whose date column takes nothing else.
        if (TestLocation::OnServer()) {
            QCOMPARE(TestLocation::ServerSql(dir.Path(), "INSERT INTO tallimo.rounds (\"PlayerID\", \"Played\", \"Score\", \"Rating\", "
                                                         "\"Slope\", \"PCC\") VALUES (1, NULL, 80, 71, 113, 0)"), QString());
        } else {
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(dir.Path() + "/hcap.DB").constData(), &db), SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, "INSERT INTO rounds (PlayerID, Played, Score, Rating, Slope, PCC) VALUES (1, 'later', 80, 71, 113, 0)",
                                  nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
        }
        const Outcome rounds = RunCli(dir.Path(), {"rounds", "--player", "1"});
        QCOMPARE(rounds.Status, 0);
        QVERIFY(rounds.Out.contains("2026-01-01,85,72.0,113,0,13.0,0.0,no\r\n"));
        QCOMPARE(rounds.Out.count("\r\n"), 3);
        QVERIFY2(rounds.Err.contains("Round 2"), qPrintable(rounds.Err));
        QCOMPARE(RunCli(dir.Path(), {"index", "--player", "1"}).Out, QString("none\n"));
    }

    void helpNamesTheRoundCommands()
    {
        const QString help = RunCli(QDir::tempPath(), {"--help"}).Out;
        QVERIFY(help.contains("add-round --player ID --date YYYY-MM-DD --score AGS --rating CR"));
        QVERIFY(help.contains("--slope SLOPE [--pcc N]"));
        QVERIFY(help.contains("index --player ID"));
        QVERIFY(help.contains("rounds --player ID"));
    }
};

QTEST_GUILESS_MAIN(tst_RoundCommands)
#include "tst_roundcommands.moc"
