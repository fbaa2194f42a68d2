// Whole tables in and out of the command-line companion, bad input of every kind, and the data
// folder it works on, all through the real program in temporary folders.

#include "Csv.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "TTable.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <QTest>

#include <cstring>
#include <sqlite3.h>

namespace {

struct Outcome
{
    int Status = -1;
    QString Out;
    QString Err;
};

Outcome Run(const QStringList &arguments, const QByteArray &input = {}, const QString &shellPrefix = {})
{
    QProcess process;
    if (shellPrefix.isEmpty())
        process.start(QStringLiteral(TALLIMO_CLI), arguments);
    else // a limit set in a shell of its own, for the program alone
        process.start(QStringLiteral("bash"), QStringList{"-c", shellPrefix + "; exec \"$0\" \"$@\"", TALLIMO_CLI} + arguments);
    if (!process.waitForStarted())
        return {};
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

Outcome RunIn(const QString &folder, const QStringList &arguments, const QByteArray &input = {})
{
    return Run(QStringList{"--data-dir", folder} + arguments, input);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    QCOMPARE(file.write(bytes), bytes.size());
}

QByteArray Checksum(const QString &path)
{
    return QCryptographicHash::hash(ReadFile(path), QCryptographicHash::Sha256).toHex();
}

// Players with every kind of value the table holds, in the form export writes.
QByteArray PlayersCsv(int count, int firstId = 1)
{
    QByteArray csv = "ID,Descr,Homeclub,S1,C1,D1,CalChcap,Hcap\r\n";
    for (int i = 0; i < count; ++i) {
        const int id = firstId + i;
        csv += QByteArray::number(id) + ",\"Player " + QByteArray::number(id) + ", Jr.\"," + QByteArray::number(id % 7) + ","
            + QByteArray::number(70 + id % 30) + "," + QByteArray::number(id % 5 - 1) + ",2025-0" + QByteArray::number(1 + id % 9)
            + "-1" + QByteArray::number(id % 10) + "," + QByteArray::number(id % 36) + ".5,12.25\r\n";
    }
    return csv;
}

const QString kPlayersHeader = QStringLiteral("ID,Descr,Homeclub,CalChcap,Hcap\r\n");

// Hands out its bytes a few at a time, as a pipe may: every place in the text meets the end of
// what has been read so far.
class TrickleDevice : public QIODevice
{
public:
    TrickleDevice(QByteArray bytes, qint64 step) : m_bytes(std::move(bytes)), m_step(step) { open(QIODevice::ReadOnly); }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *data, qint64 maxSize) override
    {
        const qint64 count = std::min({maxSize, m_step, qint64(m_bytes.size()) - m_pos});
        std::memcpy(data, m_bytes.constData() + m_pos, size_t(count));
        m_pos += count;
        return count;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    QByteArray m_bytes;
    qint64 m_step;
    qint64 m_pos = 0;
};

QString ReadAll(const QByteArray &bytes, qint64 step)
{
    TrickleDevice device(bytes, step);
    Csv::TReader reader(device);
    QString seen;
    try {
        while (reader.Next())
            seen += QString::number(reader.Line()) + ":" + reader.Fields().join('|') + ";";
    } catch (const EConvertError &error) {
        seen += error.Message();
    }
    return seen;
}

} // namespace

class tst_CliCsv : public QObject
{
    Q_OBJECT

private slots:
    // Each file starts with a good record: the bad one after it must take it down too.
    void badCsvIsRefusedByLineAndChangesNothing_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("message");
        const QByteArray good = "ID,Descr,Homeclub\r\n10,Good,1\r\n";
        QTest::newRow("quote not closed") << good + "11,\"Bad,1\r\n12,More,1\r\n" << "line 3: a quoted field is not closed";
        QTest::newRow("text after a quote") << good + "11,\"Bad\"x,1\r\n" << "line 3: text after a closing quote";
        QTest::newRow("too few columns") << good + "11,Bad\r\n" << "line 3: 2 values where the header names 3 fields";
        QTest::newRow("too many columns") << good + "11,Bad,1,2\r\n" << "line 3: 4 values where the header names 3 fields";
        QTest::newRow("NUL byte") << good + "11,B\0d,1\r\n"_qba << "line 3: the text holds a NUL byte";
        QTest::newRow("invalid UTF-8") << good + "11,B\xff" "d,1\r\n" << "line 3: the text is not valid UTF-8";
        QTest::newRow("overlong UTF-8") << good + "11,B\xc0\xaf" "d,1\r\n" << "line 3: the text is not valid UTF-8";
        QTest::newRow("UTF-8 of a surrogate") << good + "11,B\xed\xa0\x80" "d,1\r\n" << "line 3: the text is not valid UTF-8";
        QTest::newRow("UTF-8 cut short") << good + "11,B\xe2\x82" << "line 3: the text is not valid UTF-8";
        QTest::newRow("10 MB field") << good + "11,\"" + QByteArray(10 << 20, 'x') + "\",1\r\n" << "line 3: the record is longer than 1048576 bytes (is a quote on it not closed?)";
        QTest::newRow("quote left open in a long file") << good + "11,\"Bad,1\r\n" + QByteArray("12,Plain,1\r\n").repeated(100000) << "line 3: the record is longer than 1048576 bytes (is a quote on it not closed?)";
        QTest::newRow("duplicate ID in the file") << good + "11,A,1\r\n10,B,1\r\n" << "line 4: ID 10 is already taken";
        QTest::newRow("ID of a stored player") << good + "1,A,1\r\n" << "line 3: ID 1 is already taken";
        QTest::newRow("ID beyond 32 bits") << good + "2147483648,A,1\r\n" << "line 3: '2147483648' is beyond the largest ID, 2147483647";
        QTest::newRow("number with a blank") << good + "11,A, 1\r\n" << "line 3: ' 1' is not a whole number for field 'Homeclub'";
        QTest::newRow("number with a fraction") << good + "11,A,1.5\r\n" << "line 3: '1.5' is not a whole number for field 'Homeclub'";
        QTest::newRow("unknown field") << QByteArray("ID,Descr,Colour\r\n") << "line 1: the table has no field 'Colour'";
        QTest::newRow("field twice") << QByteArray("Descr,descr\r\n") << "line 1: field 'descr' is named twice";
        // An embedded line break counts: the bad record starts on line 4.
        QTest::newRow("line after an embedded line break") << QByteArray("ID,Descr,Homeclub\n10,\"Two\nlines\",1\n11,A,x\n")
                                                           << "line 4: 'x' is not a whole number for field 'Homeclub'";
        QTest::newRow("bad date") << QByteArray("ID,D1\n10,2025-02-29\n") << "line 2: '2025-02-29' is not a date (YYYY-MM-DD) for field 'D1'";
        QTest::newRow("date in another form") << QByteArray("ID,D1\n10,01/02/2025\n") << "line 2: '01/02/2025' is not a date (YYYY-MM-DD) for field 'D1'";
        QTest::newRow("infinite number") << QByteArray("ID,Hcap\n10,inf\n") << "line 2: 'inf' is not a number for field 'Hcap'";
    }
    void badCsvIsRefusedByLineAndChangesNothing()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QCOMPARE(RunIn(dir.path(), {"add-player", "--name", "Ann"}).Status, 0);
        const QString table = dir.filePath("hcap.DB");
        const QByteArray before = Checksum(table);
        const QString file = dir.filePath("in.csv");
        WriteFile(file, csv);

        const Outcome outcome = RunIn(dir.path(), {"import", "--table", "hcap", "--in", file});
        QCOMPARE(outcome.Status, 1);
        QCOMPARE(outcome.Err, QString("'%1': %2\n").arg(file, message));
        QCOMPARE(Checksum(table), before);
        QCOMPARE(RunIn(dir.path(), {"players"}).Out, kPlayersHeader + "1,Ann,,,\r\n");
    }

    void readerGivesTheSameRecordsHoweverTheInputArrives_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("records");
        QTest::newRow("line ends") << QByteArray("a,b\r\nc,d\ne,f\rg,h") << "1:a|b;2:c|d;3:e|f;4:g|h;";
        QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbf" "a\n") << "1:a;";
        QTest::newRow("a mark only in front") << QByteArray("a\n\xef\xbb\xbf" "b\n") << "1:a;2:\uFEFFb;";
        QTest::newRow("quotes") << QByteArray("\"a\"\"b\",\"\"\r\n\"\"\"\"\n") << "1:a\"b|;2:\";";
        QTest::newRow("line breaks in quotes") << QByteArray("\"a\r\nb\nc\",d\n\ne\n") << "1:a\r\nb\nc|d;5:e;";
        QTest::newRow("empty fields") << QByteArray(",\n,,x\n") << "1:|;2:||x;";
        QTest::newRow("quote not closed") << QByteArray("a\n\"b\nc") << "1:a;line 2: a quoted field is not closed";
        QTest::newRow("NUL after a line break in quotes") << QByteArray("\"a\nb\0\"", 6) << "line 2: the text holds a NUL byte";
        QTest::newRow("two-byte letter") << QByteArray("\xc3\xa9,\xe2\x82\xac\n") << QString::fromUtf8("1:\xc3\xa9|\xe2\x82\xac;");
    }
    void readerGivesTheSameRecordsHoweverTheInputArrives()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, records);
        for (const qint64 step : {qint64(1), qint64(2), qint64(3), qint64(1) << 30})
            QCOMPARE(ReadAll(csv, step), records);
    }

    void acceptedCsvForms_data()
    {
        QTest::addColumn<QByteArray>("csv");
        QTest::addColumn<QString>("players");
        QTest::newRow("LF") << QByteArray("ID,Descr\n4,Ann\n5,Bo\n") << "4,Ann,,,\r\n5,Bo,,,\r\n";
        QTest::newRow("CRLF") << QByteArray("ID,Descr\r\n4,Ann\r\n5,Bo\r\n") << "4,Ann,,,\r\n5,Bo,,,\r\n";
        QTest::newRow("byte order mark") << QByteArray("\xef\xbb\xbfID,Descr\r\n4,Ann\r\n") << "4,Ann,,,\r\n";
        QTest::newRow("no line end at the end") << QByteArray("ID,Descr\n4,Ann") << "4,Ann,,,\r\n";
        QTest::newRow("empty lines") << QByteArray("ID,Descr\n\n4,Ann\r\n\r\n") << "4,Ann,,,\r\n";
        QTest::newRow("embedded line break") << QByteArray("ID,Descr\n4,\"Ann\r\nSmith\"\n") << "4,\"Ann\r\nSmith\",,,\r\n";
        QTest::newRow("quotes and commas") << QByteArray("Descr,ID\n\"A \"\"B\"\", C\",4\n") << "4,\"A \"\"B\"\", C\",,,\r\n";
        QTest::newRow("header in any case") << QByteArray("id,DESCR,hcap\n4,Ann,-3.5\n") << "4,Ann,,,-3.5\r\n";
        QTest::newRow("IDs numbered by the table") << QByteArray("Descr\nAnn\nBo\n") << "1,Ann,,,\r\n2,Bo,,,\r\n";
        const QString golfer = QString::fromUcs4(U"\U0001F3CC");
        QTest::newRow("40 emoji") << "ID,Descr\n4," + golfer.repeated(40).toUtf8() + "\n" << "4," + golfer.repeated(40) + ",,,\r\n";
    }
    void acceptedCsvForms()
    {
        QFETCH(QByteArray, csv);
        QFETCH(QString, players);
        QTemporaryDir dir;
        const Outcome imported = RunIn(dir.path(), {"import", "--table", "hcap"}, csv);
        QVERIFY2(imported.Status == 0, qPrintable(imported.Err));
        QCOMPARE(RunIn(dir.path(), {"players"}).Out, kPlayersHeader + players);
    }

    void exportedTablesImportBackTheSame()
    {
        QTemporaryDir source, target;
        const QString file = source.filePath("players.csv");
        WriteFile(file, PlayersCsv(2500, 3));
        QCOMPARE(RunIn(source.path(), {"import", "--table", "hcap", "--in", file}).Status, 0);
        // A whole number wider than 32 bits, as another program may have written it.
        {
            TTable players;
            players.SetDatabaseName(source.path());
            players.SetTableName(Golf::kPlayersTable);
            players.Open();
            players.Edit();
            players.FieldByName("Homeclub")->SetValue(qint64(5000000000));
            players.Post();
        }
        const QString exported = source.filePath("again.csv");
        QCOMPARE(RunIn(source.path(), {"export", "--table", "hcap", "--out", exported}).Status, 0);
        QVERIFY(ReadFile(exported).contains("\r\n3,\"Player 3, Jr.\",5000000000,"));
        const Outcome imported = RunIn(target.path(), {"import", "--table", "hcap", "--in", exported});
        QVERIFY2(imported.Status == 0, qPrintable(imported.Err));
        QCOMPARE(RunIn(target.path(), {"export", "--table", "hcap"}).Out.toUtf8(), ReadFile(exported));
        QCOMPARE(RunIn(target.path(), {"export", "--table", "hcap"}).Out.count("\r\n"), 2501);
    }

    void settingsImportReplacesTheOneRecord()
    {
        QTemporaryDir dir;
        QCOMPARE(RunIn(dir.path(), {"--init", "players"}).Status, 0);
        const QString file = dir.filePath("refer.csv");
        WriteFile(file, "colour\r\n255\r\n");
        QCOMPARE(RunIn(dir.path(), {"import", "--table", "refer", "--in", file}).Status, 0);
        QCOMPARE(RunIn(dir.path(), {"import", "--table", "refer", "--in", file}).Status, 0);
        QCOMPARE(RunIn(dir.path(), {"export", "--table", "refer"}).Out, QString("colour\r\n255\r\n"));

        const QByteArray before = Checksum(dir.filePath("refer.db"));
        WriteFile(file, "colour\r\n1\r\n2\r\n");
        Outcome two = RunIn(dir.path(), {"import", "--table", "refer", "--in", file});
        QCOMPARE(two.Status, 1);
        QCOMPARE(two.Err, QString("'%1': line 3: a second record, where the table holds one record only\n").arg(file));
        WriteFile(file, "colour\r\n");
        Outcome none = RunIn(dir.path(), {"import", "--table", "refer", "--in", file});
        QCOMPARE(none.Status, 1);
        QCOMPARE(none.Err, QString("'%1': the file holds no record, where the table needs its one record\n").arg(file));
        QCOMPARE(Checksum(dir.filePath("refer.db")), before);
        QCOMPARE(RunIn(dir.path(), {"export", "--table", "refer"}).Out, QString("colour\r\n255\r\n"));
    }

    void endlessInputEndsWithAMessage_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("message");
        QTest::newRow("zeros") << "/dev/zero" << "'/dev/zero': line 1: the text holds a NUL byte\n";
        QTest::newRow("one endless line") << "" << "line 1: the record is longer than 1048576 bytes\n";
        QTest::newRow("endless commas") << "," << "line 1: the record has more than 1000 fields\n";
    }
    void endlessInputEndsWithAMessage()
    {
        QFETCH(QString, input);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QCOMPARE(RunIn(dir.path(), {"--init", "players"}).Status, 0);
        const QByteArray before = Checksum(dir.filePath("golfmaster.DB"));
        Outcome outcome;
        if (input.startsWith('/')) {
            outcome = RunIn(dir.path(), {"import", "--table", "golfmaster", "--in", input});
        } else {
            // Standard input that never ends: the program must stop reading by itself.
            const QString endless = input.isEmpty() ? "yes x | tr -d '\\n'" : "yes , | tr -d '\\n'";
            QProcess shell;
            shell.start("bash", {"-c", endless + " | \"$0\" --data-dir \"$1\" import --table golfmaster", TALLIMO_CLI, dir.path()});
            QVERIFY(shell.waitForFinished(60000));
            outcome = {shell.exitCode(), QString(), QString::fromUtf8(shell.readAllStandardError())};
        }
        QCOMPARE(outcome.Err, message);
        QCOMPARE(outcome.Status, 1);
        QCOMPARE(Checksum(dir.filePath("golfmaster.DB")), before);
    }

    void exportNeverWritesOverATable()
    {
        QTemporaryDir dir;
        QCOMPARE(RunIn(dir.path(), {"add-player", "--name", "Ann"}).Status, 0);
        const QByteArray before = Checksum(dir.filePath("hcap.DB"));
        QVERIFY(QFile::link(dir.filePath("hcap.DB"), dir.filePath("link.csv")));
        QDir(dir.path()).mkdir("sub");
        for (const QString &out : {dir.filePath("hcap.DB"), dir.filePath("sub/../golfmaster.DB"), dir.filePath("link.csv"),
                                   dir.filePath("hcap.DB-wal")}) {
            const Outcome outcome = RunIn(dir.path(), {"export", "--table", "hcap", "--out", out});
            QCOMPARE(outcome.Status, 1);
            QVERIFY2(outcome.Err.startsWith(QString("Cannot write '%1': it is the table file ").arg(out)), qPrintable(outcome.Err));
        }
        QCOMPARE(Checksum(dir.filePath("hcap.DB")), before);
        QVERIFY(!QFile::exists(dir.filePath("hcap.DB-wal")));
        // Beside the tables is fine.
        QCOMPARE(RunIn(dir.path(), {"export", "--table", "hcap", "--out", dir.filePath("hcap.csv")}).Status, 0);
    }

    // A file size limit cuts the export short: the run fails and the old file stays whole.
    void shortWriteFailsAndKeepsTheOldFile()
    {
        QTemporaryDir dir;
        WriteFile(dir.filePath("in.csv"), PlayersCsv(3000));
        QCOMPARE(RunIn(dir.path(), {"import", "--table", "hcap", "--in", dir.filePath("in.csv")}).Status, 0);
        const QString out = dir.filePath("out/players.csv");
        QDir(dir.path()).mkdir("out");
        WriteFile(out, "the good old file\n");

        const QStringList exportTo{"--data-dir", dir.path(), "export", "--table", "hcap", "--out", out};
        const Outcome limited = Run(exportTo, {}, "ulimit -f 64");
        QCOMPARE(limited.Status, 1);
        QVERIFY2(limited.Err.startsWith(QString("Cannot write '%1': ").arg(out)), qPrintable(limited.Err));
        QCOMPARE(ReadFile(out), QByteArray("the good old file\n"));
        QCOMPARE(QDir(dir.filePath("out")).entryList(QDir::Files | QDir::Hidden), QStringList{"players.csv"});

        const QString redirected = dir.filePath("out/stdout.csv");
        const Outcome toStdout = Run({}, {}, QString("ulimit -f 64; exec > '%1'; set -- --data-dir '%2' export --table hcap").arg(redirected, dir.path()));
        QCOMPARE(toStdout.Status, 1);
        QVERIFY2(toStdout.Err.startsWith("Cannot write the standard output: "), qPrintable(toStdout.Err));

        QCOMPARE(Run(exportTo).Status, 0);
        QCOMPARE(ReadFile(out).count("\r\n"), 3001);
    }

    // A data folder on a small file system that fills up: import and export fail, saying why,
    // and leave the table and the old export as they were. Needs the right to mount one.
    void fullDiskFailsAndChangesNothing()
    {
        QTemporaryDir dir;
        const QString small = dir.filePath("small");
        QDir(dir.path()).mkdir("small");
        if (QProcess::execute("mount", {"-t", "tmpfs", "-o", "size=512k", "tmpfs", small}) != 0)
            QSKIP("a small file system cannot be mounted here");
        const auto unmount = qScopeGuard([&] { QProcess::execute("umount", {small}); });
        const QString data = small + "/data";
        QCOMPARE(Run({"--data-dir", data, "--init", "players"}).Status, 0);
        const QString out = small + "/players.csv";
        WriteFile(out, "the good old file\n");
        const QByteArray before = Checksum(data + "/hcap.DB");

        WriteFile(dir.filePath("many.csv"), PlayersCsv(20000));
        const Outcome imported = RunIn(data, {"import", "--table", "hcap", "--in", dir.filePath("many.csv")});
        QCOMPARE(imported.Status, 1);
        QVERIFY2(imported.Err.contains("full"), qPrintable(imported.Err));
        QCOMPARE(Checksum(data + "/hcap.DB"), before);

        // Enough players to fill what is left when exported.
        WriteFile(dir.filePath("some.csv"), PlayersCsv(2500));
        QCOMPARE(RunIn(data, {"import", "--table", "hcap", "--in", dir.filePath("some.csv")}).Status, 0);
        WriteFile(small + "/filler", QByteArray(qint64(QStorageInfo(small).bytesAvailable()) - 64 * 1024, 'f'));
        const Outcome exported = RunIn(data, {"export", "--table", "hcap", "--out", out});
        QCOMPARE(exported.Status, 1);
        QVERIFY2(exported.Err.startsWith(QString("Cannot write '%1': ").arg(out)), qPrintable(exported.Err));
        QCOMPARE(ReadFile(out), QByteArray("the good old file\n"));
        QCOMPARE(QDir(small).entryList(QDir::Files | QDir::Hidden), (QStringList{"filler", "players.csv"}));
    }

    // An import killed at any moment of its run leaves the table as it was before, or with every
    // record of the file: never a part of them, and never a damaged file.
    void killedImportLeavesAllOrNothing()
    {
        QTemporaryDir dir;
        constexpr int kPlayers = 30000;
        const QString file = dir.filePath("players.csv");
        WriteFile(file, PlayersCsv(kPlayers, 2));
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(RunIn(dir.filePath("whole"), {"--init", "import", "--table", "hcap", "--in", file}).Status, 0);
        const qint64 wholeRun = clock.elapsed();

        constexpr int kKills = 8;
        for (int kill = 0; kill < kKills; ++kill) {
            const QString folder = dir.filePath(QStringLiteral("killed%1").arg(kill));
            QCOMPARE(RunIn(folder, {"--init", "add-player", "--name", "Ann"}).Status, 0);
            QProcess import;
            import.start(TALLIMO_CLI, {"--data-dir", folder, "import", "--table", "hcap", "--in", file});
            QVERIFY(import.waitForStarted());
            // Moments spread over the whole run, from its start to past its end.
            QTest::qWait(int(wholeRun * (kill + 1) / kKills));
            import.kill();
            import.waitForFinished();

            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open_v2(QFile::encodeName(folder + "/hcap.DB").constData(), &db, SQLITE_OPEN_READONLY, nullptr), SQLITE_OK);
            const auto close = qScopeGuard([db] { sqlite3_close(db); });
            auto single = [db](const char *sql) {
                sqlite3_stmt *statement = nullptr;
                sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
                const QString value = sqlite3_step(statement) == SQLITE_ROW
                    ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0))) : QString();
                sqlite3_finalize(statement);
                return value;
            };
            QCOMPARE(single("PRAGMA integrity_check"), QString("ok"));
            const int count = single("SELECT COUNT(*) FROM hcap").toInt();
            QVERIFY2(count == 1 || count == 1 + kPlayers, qPrintable(QString::number(count)));
        }
    }

    // The largest ID the program shows is 2147483647: a command that would go past it stores nothing.
    void idsStopAtTheLargestTheProgramShows()
    {
        QTemporaryDir dir;
        QCOMPARE(RunIn(dir.path(), {"import", "--table", "hcap"}, "ID,Descr\n2147483647,Last\n").Status, 0);
        const QByteArray before = Checksum(dir.filePath("hcap.DB"));
        for (int attempt = 0; attempt < 2; ++attempt) {
            const Outcome added = RunIn(dir.path(), {"add-player", "--name", "One more"});
            QCOMPARE(added.Status, 1);
            QVERIFY2(added.Err.contains(QLatin1String("2147483647")), qPrintable(added.Err));
            QCOMPARE(added.Out, QString());
        }
        const Outcome imported = RunIn(dir.path(), {"import", "--table", "hcap"}, "Descr\nNext\n");
        QCOMPARE(imported.Status, 1);
        QCOMPARE(imported.Err, QString("line 2: no ID is left for the record: the largest, 2147483647, is taken\n"));
        QCOMPARE(Checksum(dir.filePath("hcap.DB")), before);
        QCOMPARE(RunIn(dir.path(), {"players"}).Out, kPlayersHeader + "2147483647,Last,,,\r\n");
    }

    void valuesAreStoredAsGivenOrRefused_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("message");
        const QString golfer = QString::fromUcs4(U"\U0001F3CC");
        QTest::newRow("40 emoji") << QStringList{"add-player", "--name", golfer.repeated(40)} << QString();
        QTest::newRow("41 emoji") << QStringList{"add-player", "--name", golfer.repeated(41)}
                                  << "The name '" + golfer.repeated(41) + "' is longer than 40 characters\n";
        QTest::newRow("40 letters") << QStringList{"add-player", "--name", QString(40, QChar(0xE9))} << QString();
        QTest::newRow("120 KB name") << QStringList{"add-player", "--name", QString(120000, 'n')}
                                     << "The name '" + QString(40, 'n') + "…' (120000 characters) is longer than 40 characters\n";
        QTest::newRow("long email") << QStringList{"add-club", "--name", "C", "--email", QString(61, 'e')}
                                    << "The email '" + QString(40, 'e') + "…' (61 characters) is longer than 60 characters\n";
        QTest::newRow("zero date") << QStringList{"enter-round", "--player", "1", "--score", "80", "--rating", "1", "--date", "1899-12-30"}
                                   << "'1899-12-30' is a date that cannot be stored\n";
    }
    void valuesAreStoredAsGivenOrRefused()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, message);
        QTemporaryDir dir;
        QCOMPARE(RunIn(dir.path(), {"add-player", "--name", "Ann"}).Status, 0);
        const QString before = RunIn(dir.path(), {"export", "--table", "hcap"}).Out + RunIn(dir.path(), {"clubs"}).Out;
        const Outcome outcome = RunIn(dir.path(), arguments);
        QCOMPARE(outcome.Err, message);
        if (!message.isEmpty()) {
            QCOMPARE(outcome.Status, 1);
            QCOMPARE(RunIn(dir.path(), {"export", "--table", "hcap"}).Out + RunIn(dir.path(), {"clubs"}).Out, before);
            return;
        }
        QCOMPARE(outcome.Status, 0);
        const QString name = arguments[arguments.indexOf("--name") + 1];
        QCOMPARE(RunIn(dir.path(), {"players"}).Out, kPlayersHeader + "1,Ann,,,\r\n2," + name + ",,,\r\n");
    }

    void argumentsThatAreNotUtf8AreRefused()
    {
        QTemporaryDir dir;
        QCOMPARE(RunIn(dir.path(), {"add-player", "--name", "Ann"}).Status, 0);
        QProcess shell;
        shell.start("bash", {"-c", "exec \"$0\" --data-dir \"$1\" add-player --name $'Bj\\xf6rn'", TALLIMO_CLI, dir.path()});
        QVERIFY(shell.waitForFinished(60000));
        QCOMPARE(shell.exitCode(), 2);
        QCOMPARE(QString::fromUtf8(shell.readAllStandardError()), QString("tallimo-cli: the argument 'Bj\\xf6rn' is not valid UTF-8\n"));
        QCOMPARE(RunIn(dir.path(), {"players"}).Out, kPlayersHeader + "1,Ann,,,\r\n");
    }

    void dataFolderIsNeverMadeByAccident_data()
    {
        QTest::addColumn<QString>("folder");   // under a new temporary folder; "empty" exists, empty
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("status");
        QTest::addColumn<bool>("tablesAfter");
        QTest::newRow("missing, read") << "missing" << QStringList{"players"} << 1 << false;
        QTest::newRow("missing, add") << "missing" << QStringList{"add-player", "--name", "A"} << 1 << false;
        QTest::newRow("missing, import") << "missing" << QStringList{"import", "--table", "hcap", "--in", "/dev/null"} << 1 << false;
        QTest::newRow("missing, --init") << "missing" << QStringList{"--init", "players"} << 0 << true;
        QTest::newRow("empty, read") << "empty" << QStringList{"players"} << 1 << false;
        QTest::newRow("empty, history") << "empty" << QStringList{"history", "--player", "1"} << 1 << false;
        QTest::newRow("empty, export") << "empty" << QStringList{"export", "--table", "hcap"} << 1 << false;
        QTest::newRow("empty, enter-round") << "empty" << QStringList{"enter-round", "--player", "1", "--score", "80", "--rating", "1"} << 1 << false;
        QTest::newRow("empty, add-player") << "empty" << QStringList{"add-player", "--name", "A"} << 0 << true;
        QTest::newRow("empty, add-club") << "empty" << QStringList{"add-club", "--name", "C"} << 0 << true;
        QTest::newRow("empty, import") << "empty" << QStringList{"import", "--table", "golfmaster", "--in", "/dev/null"} << 1 << true;
        QTest::newRow("empty, --init") << "empty" << QStringList{"--init", "clubs"} << 0 << true;
        QTest::newRow("a file") << "file" << QStringList{"--init", "players"} << 1 << false;
    }
    void dataFolderIsNeverMadeByAccident()
    {
        QFETCH(QString, folder);
        QFETCH(QStringList, arguments);
        QFETCH(int, status);
        QFETCH(bool, tablesAfter);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("empty");
        WriteFile(dir.filePath("file"), "not a folder");
        const QString path = dir.filePath(folder);
        const Outcome outcome = RunIn(path, arguments);
        QCOMPARE(outcome.Status, status);
        if (status != 0 && !tablesAfter) // refused for the folder, which the message names
            QVERIFY2(outcome.Err.contains(path), qPrintable(outcome.Err));
        QCOMPARE(QFile::exists(QDir(path).filePath("hcap.DB")), tablesAfter);
        if (folder == "missing" && !tablesAfter)
            QVERIFY(!QFile::exists(path));
    }

    void emptyDataFolderNameIsRefused()
    {
        const Outcome outcome = Run({"--data-dir", "", "players"});
        QCOMPARE(outcome.Status, 2);
        QVERIFY(outcome.Err.startsWith("tallimo-cli: --data-dir needs a folder\n"));
        QCOMPARE(Run({"--data-dir=", "players"}).Status, 2);
    }
};

QTEST_GUILESS_MAIN(tst_CliCsv)
#include "tst_clicsv.moc"
