#include "Exceptions.h"
#include "SqliteEngine.h"
#include "StoreTestSupport.h"
#include "TTable.h"

#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTest>
#include <sqlite3.h>
#include <thread>

namespace {

QString IntegrityCheck(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    QString result = QString::fromUtf8(sqlite3_errmsg(db));
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

// Runs `write` on two threads at once, each with connections of its own, and gives what each
// raised (empty when it got through).
template<typename Write>
QStringList AtOnce(Write write)
{
    QStringList raised(2);
    std::atomic<int> ready = 0;
    auto run = [&](int who) {
        ++ready;
        while (ready < 2) {
        }
        try {
            write();
        } catch (const Exception &error) {
            raised[who] = error.Message();
        }
    };
    std::thread first(run, 0), second(run, 1);
    first.join();
    second.join();
    return raised;
}

} // namespace

// A process that posts in a loop is killed at random moments; every post that had returned must
// be in the table afterwards, and the file must stay sound.
class tst_Durability : public QObject
{
    Q_OBJECT

private slots:
    void everyReturnedPostSurvivesAKill()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        QRandomGenerator random(20261207);
        QSet<int> confirmed;
        int lastConfirmed = 0;
        constexpr int kills = 200;
        for (int round = 0; round < kills; ++round) {
            QProcess writer;
            // Each run numbers its posts in a range of its own.
            writer.start(QStringLiteral(DURABILITY_WRITER), {dir.path(), QString::number((round + 1) * 100000)});
            QVERIFY2(writer.waitForStarted(), qPrintable(writer.errorString()));
            // Let it return a random number of posts, then kill it wherever it is.
            const int wanted = int(random.bounded(1, 6));
            int seen = 0;
            QByteArray output;
            while (seen < wanted && writer.state() == QProcess::Running) {
                writer.waitForReadyRead(5000);
                output += writer.readAllStandardOutput();
                seen = int(output.count('\n'));
            }
            writer.kill();
            writer.waitForFinished();
            output += writer.readAllStandardOutput();
            QVERIFY2(writer.exitStatus() == QProcess::CrashExit, writer.readAllStandardError().constData());
            for (const QByteArray &line : output.split('\n')) {
                if (line.isEmpty())
                    continue;
                confirmed.insert(line.toInt());
                lastConfirmed = qMax(lastConfirmed, line.toInt());
            }
        }

        QCOMPARE(IntegrityCheck(dir.filePath("posts.DB")), QString("ok"));
        TTable table;
        table.SetDatabaseName(dir.path());
        table.SetTableName("posts.DB");
        table.Open();
        QSet<int> stored;
        while (!table.Eof()) {
            stored.insert(table.FieldByName("Holes")->AsInteger());
            table.Next();
        }
        QVERIFY(confirmed.size() >= kills);
        for (const int number : std::as_const(confirmed))
            QVERIFY2(stored.contains(number), qPrintable(QString("post %1 returned but is lost").arg(number)));
        // The change to the first record made by the last returned post is there too.
        table.First();
        QVERIFY(table.FieldByName("RATING")->AsInteger() >= lastConfirmed);
        QCOMPARE(IntegrityCheck(dir.filePath("posts.DB")), QString("ok"));
    }

    // Two writers that meet on a file each wait for the other as for any write: neither is
    // refused for finding the file busy, whether it is being made or was kept without the log.
    void writersThatMeetWaitForEachOther()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QList<TFieldInfo> fields{{"Descr", ftString, 20, false}};
        for (int round = 0; round < 60; ++round) {
            // Two programs make the same table at the same moment: one makes it, the other
            // finds it made, and it holds the first records once.
            const QString name = QStringLiteral("made%1.DB").arg(round);
            const QStringList raised = AtOnce([&] {
                TSqliteConnection(dir.path()).CreateTable(name, fields, {{QStringLiteral("first")}});
            });
            for (const QString &message : raised)
                QVERIFY2(message.isEmpty() || message.endsWith(QLatin1String("the file exists already")), qPrintable(message));
            QVERIFY2(raised.count(QString()) >= 1, qPrintable(raised.join('\n')));
            TTable made;
            made.SetDatabaseName(dir.path());
            made.SetTableName(name);
            made.Open();
            QCOMPARE(made.RecordCount(), 1);
        }

        // A table kept without the log (as older files are) is switched to it by the first
        // write; two first writes at the same moment both get through.
        for (int round = 0; round < 60; ++round) {
            const QString name = QStringLiteral("kept%1").arg(round);
            const QString path = dir.filePath(name + QStringLiteral(".DB"));
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
            const QByteArray create = "PRAGMA journal_mode=DELETE; CREATE TABLE " + name.toUtf8() + " (Descr CHAR(20))";
            QCOMPARE(sqlite3_exec(db, create.constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
            const QStringList raised = AtOnce([&] {
                TSqliteTable(path, name).Insert({QStringLiteral("one")}, {true});
            });
            QCOMPARE(raised, QStringList(2));
            TTable kept;
            kept.SetDatabaseName(dir.path());
            kept.SetTableName(QFileInfo(path).fileName());
            kept.Open();
            QCOMPARE(kept.RecordCount(), 2);
        }
    }
};

QTEST_GUILESS_MAIN(tst_Durability)
#include "tst_durability.moc"
