// copy between data folders and a real PostgreSQL server (TALLIMO_TEST_DATABASE, as
// scripts/pg-test-server sets it; the server cases are skipped without one), run as the real program.
#include "PgEngine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <sqlite3.h>

namespace {

struct Outcome
{
    int Status = -1;
    QString Out;
    QString Err;
};

// The program's own data folder and settings live in `home`: a copy must leave them alone.
Outcome RunCli(const QStringList &arguments, const QString &home = QDir::tempPath() + "/tst_copy-home")
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_DATA_HOME", home + "/data");
    environment.insert("XDG_CONFIG_HOME", home + "/config");
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TALLIMO_CLI), arguments);
    if (!process.waitForStarted())
        return {};
    process.closeWriteChannel();
    process.waitForFinished(120000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

QStringList At(const QString &location)
{
    return {location.startsWith("postgresql://") ? "--database" : "--data-dir", location};
}

Outcome RunAt(const QString &location, const QStringList &arguments) { return RunCli(At(location) + arguments); }

void Sql(const QString &file, const QString &sql)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(file).constData(), &db), SQLITE_OK);
    char *error = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = QString::fromUtf8(error ? error : "");
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(message));
}

// Everything the program shows of a location: the three tables and each player's rounds.
QString Everything(const QString &location)
{
    QString all;
    for (const QString table : {"hcap", "golfmaster", "refer"})
        all += RunAt(location, {"export", "--table", table}).Out;
    for (int player = 1; player <= 6; ++player) {
        const Outcome rounds = RunAt(location, {"rounds", "--player", QString::number(player)});
        all += QString("%1 %2 %3").arg(player).arg(rounds.Status).arg(rounds.Out);
    }
    return all;
}

// Players 1, 3, 4, 5 (2 was deleted), full histories, a round with PCC -1, odd texts and numbers,
// three clubs and a colour of its own.
void MakeRichFolder(const QString &folder)
{
    auto run = [&folder](const QStringList &arguments) {
        const Outcome outcome = RunAt(folder, arguments);
        QVERIFY2(outcome.Status == 0, qPrintable(arguments.join(' ') + ": " + outcome.Err));
    };
    run({"--init", "add-club", "--name", "The \"Old\" Course, North", "--rating", "71.3", "--contact", "Smith, J.\nSecretary",
         "--city", "Reykjavík", "--email", "ñandú@golf.example"});
    run({"add-club", "--name", "Second", "--telephone", "+354 555 0101"});
    run({"add-club", "--name", "大洗ゴルフ倶楽部", "--rating", "0.1"});
    for (const QString name : {"Ann", "Bo", "Cy", "Ça, \"va\"\nbien", "Eve"})
        run({"add-player", "--name", name, "--club", "1"});
    for (int i = 0; i < 14; ++i)
        run({"enter-round", "--player", "1", "--score", QString::number(78 + i % 9), "--rating", QString::number(i % 4), "--date",
             QDate(2025, 4, 1).addDays(9 * i).toString(Qt::ISODate), "--adjust"});
    run({"add-round", "--player", "3", "--date", "2026-01-02", "--score", "85", "--rating", "71.4", "--slope", "131", "--pcc", "-1"});
    run({"add-round", "--player", "3", "--date", "2026-01-09", "--score", "92", "--rating", "69.9", "--slope", "55"});
    run({"add-round", "--player", "2", "--date", "2026-01-09", "--score", "92", "--rating", "69.9", "--slope", "55"});
    const QString settings = folder + "/refer.csv";
    QFile file(settings);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("colour\r\n16711935\r\n");
    file.close();
    run({"import", "--table", "refer", "--in", settings});
    Sql(folder + "/hcap.DB", "DELETE FROM hcap WHERE ID = 2; UPDATE hcap SET CalChcap = 0.1 + 0.2, Hcap = 1.0 / 3 WHERE ID = 3;"
                             "UPDATE hcap SET Homeclub = NULL, Hcap = -2.5, D4 = NULL WHERE ID = 4;");
    Sql(folder + "/golfmaster.DB", "UPDATE golfmaster SET RATING = 71.35, Fax = '', Slope = 128, Par = 71 WHERE ID = 2");
}

// The round archive as stored, round IDs and entry times included.
QString StoredRounds(const QString &folder)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(folder + "/hcap.DB").constData(), &db);
    QString rows;
    sqlite3_exec(db, "SELECT quote(ID), quote(PlayerID), quote(Played), quote(Score), quote(Rating), quote(Slope), quote(PCC), "
                     "quote(Club), quote(Entered) FROM rounds ORDER BY ID",
                 [](void *out, int count, char **values, char **) {
                     for (int i = 0; i < count; ++i)
                         *static_cast<QString *>(out) += QString::fromUtf8(values[i]) + (i + 1 < count ? "|" : "\n");
                     return 0;
                 },
                 &rows, nullptr);
    sqlite3_close(db);
    return rows;
}

int g_databases = 0;

// A database of its own on the test server for each case; empty without a server.
QString FreshDatabase()
{
    const QString server = qEnvironmentVariable("TALLIMO_TEST_DATABASE");
    if (server.isEmpty())
        return {};
    const QString name = QString("copy_%1_%2").arg(QCoreApplication::applicationPid()).arg(++g_databases);
    TPgConnection(TConnectionParams({"URL=" + server})).Execute("CREATE DATABASE " + name);
    QUrl url(server);
    url.setPath("/" + name);
    return url.toString();
}

} // namespace

class tst_Copy : public QObject
{
    Q_OBJECT

private slots:
    void roundTripThroughTheServerKeepsEveryValue()
    {
        const QString server = FreshDatabase();
        if (server.isEmpty())
            QSKIP("TALLIMO_TEST_DATABASE is not set (scripts/pg-test-server sets it)");
        QTemporaryDir dir;
        const QString source = dir.filePath("source"), back = dir.filePath("back");
        MakeRichFolder(source);
        const QString shown = Everything(source);
        QVERIFY(shown.contains("1 0 Date,") && shown.contains("2 1 ") && shown.contains(",-1,") && shown.contains("0.30000000000000004"));

        const Outcome there = RunCli({"copy", "--from", source, "--to", server});
        QCOMPARE(there.Err, QString());
        QCOMPARE(there.Out, "Copied 4 players, 3 clubs, 16 rounds and the settings to " + server + "\n");
        QCOMPARE(Everything(server), shown);
        QCOMPARE(RunCli({"copy", "--from", server, "--to", back}).Status, 0);
        QCOMPARE(Everything(back), shown);
        QCOMPARE(StoredRounds(back), StoredRounds(source));
        QVERIFY(!QFile::exists(QDir::tempPath() + "/tst_copy-home/data/tallimo"));
    }

    void folderToFolderKeepsEveryValue()
    {
        QTemporaryDir dir;
        MakeRichFolder(dir.filePath("source"));
        QCOMPARE(RunCli({"copy", "--from", dir.filePath("source"), "--to", dir.filePath("new/target")}).Status, 0);
        QCOMPARE(Everything(dir.filePath("new/target")), Everything(dir.filePath("source")));
        QCOMPARE(StoredRounds(dir.filePath("new/target")), StoredRounds(dir.filePath("source")));
    }

    void newRecordsContinueAboveTheCopiedIds_data()
    {
        QTest::addColumn<bool>("onServer");
        QTest::newRow("folder") << false;
        QTest::newRow("server") << true;
    }
    void newRecordsContinueAboveTheCopiedIds()
    {
        QFETCH(bool, onServer);
        QTemporaryDir dir;
        const QString target = onServer ? FreshDatabase() : dir.filePath("target");
        if (target.isEmpty())
            QSKIP("TALLIMO_TEST_DATABASE is not set");
        RunAt(dir.filePath("source"), {"--init", "add-club", "--name", "A"});
        for (const QString name : {"Ann", "Bo", "Cy", "Dee"})
            RunAt(dir.filePath("source"), {"add-player", "--name", name});
        Sql(dir.filePath("source/hcap.DB"), "UPDATE hcap SET ID = 40 WHERE ID = 4");
        QCOMPARE(RunCli({"copy", "--from", dir.filePath("source"), "--to", target}).Status, 0);
        QCOMPARE(RunAt(target, {"add-player", "--name", "New"}).Out, QString("41\n"));
        QCOMPARE(RunAt(target, {"add-club", "--name", "New"}).Out, QString("2\n"));
    }

    void targetWithDataIsReplacedOnlyWhenAsked_data() { newRecordsContinueAboveTheCopiedIds_data(); }
    void targetWithDataIsReplacedOnlyWhenAsked()
    {
        QFETCH(bool, onServer);
        QTemporaryDir dir;
        const QString target = onServer ? FreshDatabase() : dir.filePath("target");
        if (target.isEmpty())
            QSKIP("TALLIMO_TEST_DATABASE is not set");
        RunAt(dir.filePath("source"), {"--init", "add-player", "--name", "Ann"});
        RunAt(target, {"--init", "add-player", "--name", "Old"});
        RunAt(target, {"add-round", "--player", "1", "--date", "2026-01-02", "--score", "85", "--rating", "71.4", "--slope", "131"});
        const QString before = Everything(target);

        const Outcome refused = RunCli({"copy", "--from", dir.filePath("source"), "--to", target});
        QCOMPARE(refused.Status, 1);
        QVERIFY2(refused.Err.contains("1 player, 1 round") && refused.Err.contains("--replace"), qPrintable(refused.Err));
        QCOMPARE(Everything(target), before);

        const Outcome replaced = RunCli({"copy", "--from", dir.filePath("source"), "--to", target, "--replace"});
        QCOMPARE(replaced.Status, 0);
        QCOMPARE(Everything(target), Everything(dir.filePath("source")));
        if (!onServer) { // what was replaced is kept, as a copy restore can take
            const QString kept = replaced.Err.section(" kept in ", 1).trimmed();
            QCOMPARE(RunAt(kept, {"players"}).Out, QString("ID,Descr,Homeclub,CalChcap,Hcap\r\n1,Old,,,\r\n"));
        }
    }

    // The last player's name is longer than any target holds: by then the clubs, the settings and
    // the first player are written, and all of it must go, the emptying of the old records too.
    void failureMidwayLeavesTheTargetAsItWas_data() { newRecordsContinueAboveTheCopiedIds_data(); }
    void failureMidwayLeavesTheTargetAsItWas()
    {
        QFETCH(bool, onServer);
        QTemporaryDir dir;
        const QString target = onServer ? FreshDatabase() : dir.filePath("target");
        if (target.isEmpty())
            QSKIP("TALLIMO_TEST_DATABASE is not set");
        MakeRichFolder(dir.filePath("source"));
        Sql(dir.filePath("source/hcap.DB"), QString("UPDATE hcap SET Descr = '%1' WHERE ID = 5").arg(QString(41, 'x')));
        for (const QStringList &arguments : {QStringList{"--init", "add-club", "--name", "Kept"}, {"add-player", "--name", "Old"},
                                             {"add-round", "--player", "1", "--date", "2026-01-02", "--score", "85", "--rating",
                                              "71.4", "--slope", "131"}})
            QCOMPARE(RunAt(target, arguments).Status, 0);
        const QString before = Everything(target);

        const Outcome failed = RunCli({"copy", "--from", dir.filePath("source"), "--to", target, "--replace"});
        QCOMPARE(failed.Status, 1);
        QVERIFY2(failed.Err.contains("record 5 of the table 'hcap'") && failed.Err.contains("Descr"), qPrintable(failed.Err));
        QCOMPARE(failed.Out, QString());
        QCOMPARE(Everything(target), before);
    }

    void refusalsAndUsage()
    {
        QTemporaryDir dir;
        const QString source = dir.filePath("source");
        RunAt(source, {"--init", "add-player", "--name", "Ann"});
        QVERIFY(QFile::link(source, dir.filePath("link")));
        QDir().mkpath(dir.filePath("empty"));
        const QList<QPair<QStringList, int>> cases{
            {{"copy", "--from", source, "--to", dir.filePath("link")}, 1},
            {{"copy", "--from", dir.filePath("missing"), "--to", dir.filePath("t")}, 1},
            {{"copy", "--from", dir.filePath("empty"), "--to", dir.filePath("t")}, 1},
            {{"copy", "--from", source}, 2},
            {{"copy", "--from", source, "--to", dir.filePath("t"), "--to", dir.filePath("u")}, 2},
            {{"copy", "--from", source, "--to", dir.filePath("t"), "--force"}, 2},
            {{"--data-dir", source, "copy", "--from", source, "--to", dir.filePath("t")}, 2},
        };
        for (const auto &[arguments, status] : cases) {
            const Outcome outcome = RunCli(arguments);
            QVERIFY2(outcome.Status == status, qPrintable(arguments.join(' ') + ": " + outcome.Err));
            QVERIFY(!outcome.Err.isEmpty() && outcome.Out.isEmpty());
        }
        QVERIFY(!QFile::exists(dir.filePath("missing")) && !QFile::exists(dir.filePath("t")));
        QCOMPARE(QDir(dir.filePath("empty")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());
        QVERIFY(RunCli({"--help"}).Out.contains("copy --from DIR|URL --to DIR|URL [--replace]"));
    }

    void passwordIsNeverShown()
    {
        const QString server = FreshDatabase();
        if (server.isEmpty())
            QSKIP("TALLIMO_TEST_DATABASE is not set");
        QTemporaryDir dir;
        RunAt(dir.filePath("source"), {"--init", "add-player", "--name", "Ann"});
        QUrl withPassword(server);
        withPassword.setPassword("s3cret-word");
        // The test server trusts its clients and takes any password.
        const Outcome copied = RunCli({"copy", "--from", dir.filePath("source"), "--to", withPassword.toString()});
        QCOMPARE(copied.Out, "Copied 1 player, 0 clubs, 0 rounds and the settings to " + server + "\n");
        const Outcome refused = RunCli({"copy", "--from", dir.filePath("source"), "--to", withPassword.toString()});
        QCOMPARE(refused.Status, 1);
        const Outcome same = RunCli({"copy", "--from", withPassword.toString(), "--to", server});
        QCOMPARE(same.Status, 1);
        QVERIFY(!(copied.Out + copied.Err + refused.Err + same.Err).contains("s3cret"));
    }
};

QTEST_GUILESS_MAIN(tst_Copy)
#include "tst_copy.moc"
