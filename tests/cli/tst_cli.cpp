#include "CliCommands.h"
#include "Csv.h"
#include "Dialogs.h"
#include "EnterRound.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "LocationSupport.h"
#include "TTable.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTextStream>
#include <QUrl>
#include <QScopeGuard>
#include <QTemporaryDir>

namespace {

struct Outcome
{
    int Status = -1;
    QString Out;
    QString Err;
};

// Runs the real program on a folder or a database, as a script would.
Outcome RunCli(const QString &folder, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(QStringLiteral(TALLIMO_CLI), TestLocation::LocationOption(folder) + arguments);
    if (!process.waitForStarted())
        return {};
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

class tst_Cli : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { TestLocation::KeepSettingsPrivate(); }

    void csvQuotesWhatNeedsQuoting_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("plain") << "Royal Links" << "Royal Links";
        QTest::newRow("comma") << "Smith, J." << "\"Smith, J.\"";
        QTest::newRow("quote") << "The \"Old\" Course" << "\"The \"\"Old\"\" Course\"";
        QTest::newRow("line break") << "a\nb" << "\"a\nb\"";
        QTest::newRow("leading blank") << " x" << "\" x\"";
        QTest::newRow("empty") << "" << "";
    }
    void csvQuotesWhatNeedsQuoting()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(Csv::Field(value), written);
        const QList<Csv::TRecord> back = Csv::Parse(Csv::Record({value, "next"}));
        QCOMPARE(back.size(), 1);
        QCOMPARE(back.first().Fields, (QStringList{value, "next"}));
    }

    void csvReaderCountsLinesAndRefusesBrokenQuotes()
    {
        const QList<Csv::TRecord> records = Csv::Parse("a,b\r\n\"multi\nline\",2\n\nlast,\"\"\n");
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[1].Fields, (QStringList{"multi\nline", "2"}));
        QCOMPARE(records[2].Line, 5);
        QCOMPARE(records[2].Fields, (QStringList{"last", ""}));
        QCOMPARE(Csv::Parse(Csv::Record({""})).first().Fields, QStringList{""});
        for (const char *broken : {"a,\"b\n", "a,\"b\"c\n"}) {
            try {
                Csv::Parse(broken);
                QFAIL(broken);
            } catch (const EConvertError &error) {
                QVERIFY(error.Message().startsWith("line 1: "));
            }
        }
    }

    // The database the window was last started on is where the command line works when told
    // nothing else; a folder named on the command line still wins, and naming both is refused.
    void rememberedDatabaseIsUsedUntilAFolderIsNamed()
    {
        if (!TestLocation::OnServer())
            QSKIP("needs the test server");
        TestLocation::TLocation server;
        QTemporaryDir local;
        Golf::RememberDatabase(server.Path());
        const auto forget = qScopeGuard([] { Golf::RememberDatabase(QString()); });
        // What is remembered never holds a password.
        QUrl withPassword(server.Path());
        withPassword.setPassword(QStringLiteral("s3cret"));
        Golf::RememberDatabase(withPassword.toString());
        QVERIFY(!Golf::RememberedDatabase().contains(QStringLiteral("s3cret")));
        QCOMPARE(Golf::RememberedDatabase(), server.Path());

        auto run = [](const QStringList &arguments) {
            QProcess process;
            process.start(QStringLiteral(TALLIMO_CLI), arguments);
            process.waitForFinished(60000);
            return Outcome{process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
                           QString::fromUtf8(process.readAllStandardError())};
        };
        QCOMPARE(run({"add-player", "--name", "Remembered"}).Status, 0);
        QCOMPARE(TestLocation::ServerRows(server.Path(), "SELECT \"Descr\" FROM tallimo.hcap"), QList<QStringList>{{"Remembered"}});
        QCOMPARE(run({"--data-dir", local.path(), "add-player", "--name", "Local"}).Status, 0);
        QCOMPARE(run({"--data-dir", local.path(), "players"}).Out, QStringLiteral("ID,Descr,Homeclub,CalChcap,Hcap\r\n1,Local,,,\r\n"));
        QCOMPARE(TestLocation::ServerRows(server.Path(), "SELECT count(*) FROM tallimo.hcap"), QList<QStringList>{{"1"}});
        QCOMPARE(run({"--data-dir", local.path(), "--database", server.Path(), "players"}).Status, 2);
        QCOMPARE(run({"--database", "/not/a/url", "players"}).Status, 2);
    }

    void scriptedSessionWorksOnItsOwnFolder()
    {
        TestLocation::TLocation location;
        // A database is the server's to keep; a folder is made only when asked for, for its owner alone.
        const QString folder = TestLocation::OnServer() ? location.Path() : location.FilePath("fresh/tallimo");
        if (!TestLocation::OnServer()) {
            QCOMPARE(RunCli(folder, {"add-club", "--name", "Typo"}).Status, 1);
            QVERIFY(!QFile::exists(location.FilePath("fresh")));
        }
        Outcome club = RunCli(folder, {"--init", "add-club", "--name", "Links, North", "--rating", "71.5", "--city", "Dunmore", "--email", "a@b.c"});
        QCOMPARE(club.Status, 0);
        QCOMPARE(club.Out, QString("1\n"));
        if (!TestLocation::OnServer())
            QVERIFY((QFile::permissions(folder) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther)) == 0);
        QCOMPARE(RunCli(folder, {"add-player", "--name", "Ann", "--club", "1"}).Out, QString("1\n"));

        Outcome clubs = RunCli(folder, {"clubs"});
        QCOMPARE(clubs.Out, QString("Descr,City,Contact,RATING,ID,Telephone,Fax,Email,Slope,Par\r\n\"Links, North\",Dunmore,,71.5,1,,,a@b.c,,\r\n"));

        QCOMPARE(RunCli(folder, {"enter-round", "--player", "1", "--score", "90", "--rating", "0", "--date", "2026-03-01"}).Out, QString("03.00\n"));
        QCOMPARE(RunCli(folder, {"enter-round", "--player", "1", "--score", "88", "--rating", "2", "--date", "2026-03-08"}).Out, QString("03.00\n"));
        QCOMPARE(RunCli(folder, {"enter-round", "--player", "1", "--score", "84", "--rating", "1", "--date", "2026-03-15", "--adjust"}).Out, QString("02.00\n"));
        QCOMPARE(RunCli(folder, {"players"}).Out, QString("ID,Descr,Homeclub,CalChcap,Hcap\r\n1,Ann,1,2,2\r\n"));

        // Only the three rounds played are listed, not the nine empty slots.
        QCOMPARE(RunCli(folder, {"history", "--player", "1"}).Out,
                 QString("Slot,Score,Rating,Date\r\n1,84,1,2026-03-15\r\n2,88,2,2026-03-08\r\n3,90,0,2026-03-01\r\n"));
    }

    void failuresSayWhyAndChangeNothing_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("message");
        QTest::newRow("score too high") << QStringList{"enter-round", "--player", "1", "--score", "111", "--rating", "0"} << 1 << "Score invalid!\n";
        QTest::newRow("score with fraction") << QStringList{"enter-round", "--player", "1", "--score", "85.5", "--rating", "0"} << 1 << "'85.5' is not a valid integer value\n";
        QTest::newRow("rating with fraction") << QStringList{"enter-round", "--player", "1", "--score", "85", "--rating", "71.5"} << 1 << "'71.5' is not a valid integer value\n";
        QTest::newRow("bad date") << QStringList{"enter-round", "--player", "1", "--score", "85", "--rating", "1", "--date", "2026-02-30"} << 1 << "'2026-02-30' is not a valid date\n";
        QTest::newRow("no such player") << QStringList{"enter-round", "--player", "9", "--score", "85", "--rating", "1"} << 1 << "Player '9' not found\n";
        QTest::newRow("no such club") << QStringList{"add-player", "--name", "Bo", "--club", "7"} << 1 << "Club '7' not found\n";
        QTest::newRow("name too long") << QStringList{"add-club", "--name", "x", "--city", QString(41, 'c')} << 1 << "The city '" + QString(41, 'c') + "' is longer than 40 characters\n";
    }
    void failuresSayWhyAndChangeNothing()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(QString, message);
        TestLocation::TLocation dir;
        QCOMPARE(RunCli(dir.Path(), {"add-player", "--name", "Ann"}).Status, 0);
        QCOMPARE(RunCli(dir.Path(), {"enter-round", "--player", "1", "--score", "80", "--rating", "3"}).Status, 0);
        const QByteArray players = ReadFile(dir.FilePath("hcap.DB"));
        const QString before = RunCli(dir.Path(), {"export", "--table", "hcap"}).Out + RunCli(dir.Path(), {"clubs"}).Out;
        const Outcome outcome = RunCli(dir.Path(), arguments);
        QCOMPARE(outcome.Status, status);
        QCOMPARE(outcome.Err, message);
        QCOMPARE(outcome.Out, QString());
        QCOMPARE(RunCli(dir.Path(), {"export", "--table", "hcap"}).Out + RunCli(dir.Path(), {"clubs"}).Out, before);
    }

    void usageErrors()
    {
        TestLocation::TLocation dir;
        QCOMPARE(RunCli(dir.Path(), {}).Status, 2);
        QCOMPARE(RunCli(dir.Path(), {"frobnicate"}).Status, 2);
        QCOMPARE(RunCli(dir.Path(), {"add-player"}).Err.section('\n', 0, 0), QString("tallimo-cli: --name is required"));
        QCOMPARE(RunCli(dir.Path(), {"export", "--table", "nope"}).Status, 2);
        QProcess help;
        help.start(TALLIMO_CLI, {"--help"});
        help.waitForFinished();
        QCOMPARE(help.exitCode(), 0);
        QVERIFY(help.readAllStandardOutput().contains("enter-round --player ID"));
    }

    void exportImportedIntoAnEmptyFolderGivesTheSameTables()
    {
        TestLocation::TLocation source, target;
        RunCli(source.Path(), {"add-club", "--name", "The \"Old\" Course", "--rating", "72.3", "--contact", "Smith, J.\nSecretary"});
        RunCli(source.Path(), {"add-club", "--name", "Second"});
        RunCli(source.Path(), {"add-player", "--name", "Ann", "--club", "2"});
        RunCli(source.Path(), {"add-player", "--name", "Bo"});
        RunCli(source.Path(), {"add-player", "--name", "Cy"});
        RunCli(source.Path(), {"enter-round", "--player", "3", "--score", "77", "--rating", "1", "--date", "2026-01-31"});
        // A gap in the numbers must survive the trip.
        {
            TTable players;
            players.SetDatabaseName(source.Path());
            players.SetTableName(Golf::kPlayersTable);
            players.Open();
            players.Next();
            players.Delete();
        }
        for (const QString table : {"golfmaster", "hcap", "refer"}) {
            const QString file = source.FilePath(table + ".csv");
            QCOMPARE(RunCli(source.Path(), {"export", "--table", table, "--out", file}).Status, 0);
            if (table == "refer") // a new folder has its own settings record already
                continue;
            const Outcome imported = RunCli(target.Path(), {"import", "--table", table, "--in", file});
            QVERIFY2(imported.Status == 0, qPrintable(imported.Err));
            QCOMPARE(RunCli(target.Path(), {"export", "--table", table}).Out.toUtf8(), ReadFile(file));
        }
        QVERIFY(ReadFile(source.FilePath("hcap.csv")).contains("\r\n3,Cy,,77,"));
        // Importing the same file again finds its numbers taken.
        const Outcome again = RunCli(target.Path(), {"import", "--table", "hcap", "--in", source.FilePath("hcap.csv")});
        QCOMPARE(again.Status, 1);
        QCOMPARE(again.Err, QString("'%1': line 2: ID 1 is already taken\n").arg(source.FilePath("hcap.csv")));
    }

    void importChecksTheWholeFileFirst_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("message");
        QTest::newRow("unknown field") << QByteArray("Descr,Colour\r\nA,1\r\n") << "line 1: the table has no field 'Colour'\n";
        QTest::newRow("bad number on line 3") << QByteArray("Descr,RATING\nA,70\nB,7o\n") << "line 3: '7o' is not a number for field 'RATING'\n";
        QTest::newRow("decimal comma") << QByteArray("Descr,RATING\nA,\"70,5\"\n") << "line 2: '70,5' is not a number for field 'RATING'\n";
        QTest::newRow("short record") << QByteArray("Descr,RATING\nA\n") << "line 2: 1 values where the header names 2 fields\n";
        QTest::newRow("duplicate id") << QByteArray("ID,Descr\n5,A\n5,B\n") << "line 3: ID 5 is already taken\n";
        QTest::newRow("long text") << QByteArray("Descr\n") + QByteArray(41, 'x') + "\n" << "line 2: the text '" + QString(41, 'x') + "' is longer than the 40 characters of field 'Descr'\n";
        QTest::newRow("open quote") << QByteArray("Descr\n\"A\n") << "line 2: a quoted field is not closed\n";
    }
    void importChecksTheWholeFileFirst()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, message);
        TestLocation::TLocation dir;
        const Outcome outcome = RunCli(dir.Path(), {"import", "--table", "golfmaster"}, csv);
        QCOMPARE(outcome.Err, message);
        QCOMPARE(outcome.Status, 1);
        QCOMPARE(RunCli(dir.Path(), {"clubs"}).Out, QString("Descr,City,Contact,RATING,ID,Telephone,Fax,Email,Slope,Par\r\n"));
    }

    // Entering rounds through the companion stores exactly what the window's action stores.
    void sameHistoryThroughTheCompanionAndTheAction()
    {
        TestLocation::TLocation viaCli, viaAction;
        const QList<QList<int>> rounds{{90, 0}, {88, 2}, {84, 1}, {79, 3}, {95, 0}, {80, 1}, {82, 2}, {78, 0}, {91, 4},
                                       {85, 1}, {87, 0}, {81, 2}, {83, 1}, {76, -1}};
        RunCli(viaCli.Path(), {"add-player", "--name", "Ann"});
        for (int i = 0; i < rounds.size(); ++i)
            QCOMPARE(RunCli(viaCli.Path(), {"enter-round", "--player", "1", "--score", QString::number(rounds[i][0]), "--rating",
                                        QString::number(rounds[i][1]), "--date", QDate(2026, 1, 1).addDays(7 * i).toString(Qt::ISODate),
                                        "--adjust"}).Status, 0);

        SetFormatSettings(TFormatSettings());
        SetMessageHandler([](const TMessageRequest &) { return mrOk; });
        Golf::PrepareDataFolder(viaAction.Path());
        {
            TTable players;
            players.SetDatabaseName(viaAction.Path());
            players.SetTableName(Golf::kPlayersTable);
            players.Open();
            players.Insert();
            players.FieldByName("Descr")->SetAsString("Ann");
            players.Post();
            for (int i = 0; i < rounds.size(); ++i)
                QVERIFY(Golf::EnterRound(players, {QString::number(rounds[i][0]), QString::number(rounds[i][1]),
                                                   DateToStr(FromQDate(QDate(2026, 1, 1).addDays(7 * i))), true}));
        }
        SetMessageHandler({});
        ResetFormatSettings();
        QCOMPARE(RunCli(viaAction.Path(), {"export", "--table", "hcap"}).Out, RunCli(viaCli.Path(), {"export", "--table", "hcap"}).Out);
    }
};

QTEST_GUILESS_MAIN(tst_Cli)
#include "tst_cli.moc"
