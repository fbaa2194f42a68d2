#include "Backup.h"
#include "DataCheck.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "TTable.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Golf;

namespace {

QByteArray Checksum(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

// The checksums of every file under a folder, by their relative path.
QMap<QString, QByteArray> Checksums(const QString &folder)
{
    QMap<QString, QByteArray> sums;
    const QDir root(folder);
    for (const QString &name : TableNames())
        sums.insert(name, Checksum(root.filePath(name)));
    return sums;
}

int Players(const QString &folder)
{
    TTable players;
    players.SetDatabaseName(folder);
    players.SetTableName(kPlayersTable);
    players.Open();
    return int(players.RecordCount());
}

// Many players in one transaction (one write to the disk, not one per player).
void AddPlayers(const QString &folder, int count)
{
    TTable players;
    players.SetDatabaseName(folder);
    players.SetTableName(kPlayersTable);
    players.Open();
    players.StartTransaction();
    for (int i = 0; i < count; ++i) {
        players.Insert();
        players.FieldByName("Descr")->SetAsString(QString("Player %1 with a longer name").arg(i));
        players.Post();
    }
    players.Commit();
}

void AddPlayer(const QString &folder, const QString &name)
{
    TTable players;
    players.SetDatabaseName(folder);
    players.SetTableName(kPlayersTable);
    players.Open();
    players.Insert();
    players.FieldByName("Descr")->SetAsString(name);
    players.Post();
}

// Writes bytes into the middle of a file, where the engine keeps its pages.
void Damage(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.size() >= 3 * 4096);
    file.seek(4096);
    file.write(QByteArray(2 * 4096, '\xA5'));
}

QStringList CopyNames(const QString &dataFolder)
{
    QStringList names;
    for (const TBackupCopy &copy : ListBackups(dataFolder))
        names << copy.Name;
    names.sort();
    return names;
}

} // namespace

class tst_Backup : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;

    QString Folder() const { return m_dir->path(); }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        PrepareDataFolder(Folder());
        m_messages.clear();
        SetMessageHandler([this](const TMessageRequest &request) {
            m_messages << request.Text;
            return request.DefaultButton;
        });
    }
    void cleanup()
    {
        SetMessageHandler({});
        m_dir.reset();
    }

    void firstChangeOfEachDayIsPrecededByOneCopy()
    {
        AddPlayer(Folder(), "Before"); // no backup attached yet: an earlier day's work
        QDate today(2026, 3, 9);
        TDailyBackup daily(Folder());
        daily.Clock = [&today] { return today; };
        daily.AttachFolderConnection();

        AddPlayer(Folder(), "Ann");
        const QString monday = QDir(BackupsFolder(Folder())).filePath("2026-03-09");
        QVERIFY(QFileInfo(monday).isDir());
        QCOMPARE(Players(monday), 1); // the copy holds the data as they were before the change
        const QByteArray mondayCopy = Checksum(QDir(monday).filePath(kPlayersTable));

        AddPlayer(Folder(), "Bob");
        QCOMPARE(CopyNames(Folder()), QStringList{"2026-03-09"});
        QCOMPARE(Checksum(QDir(monday).filePath(kPlayersTable)), mondayCopy);

        today = today.addDays(1);
        AddPlayer(Folder(), "Cy");
        QCOMPARE(CopyNames(Folder()), (QStringList{"2026-03-09", "2026-03-10"}));
        QCOMPARE(Players(QDir(BackupsFolder(Folder())).filePath("2026-03-10")), 3);
        QCOMPARE(Players(Folder()), 4);
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(QFile::permissions(monday) & (QFile::ReadGroup | QFile::ReadOther | QFile::ExeOther), QFile::Permissions());
        QCOMPARE(QFile::permissions(QDir(monday).filePath(kPlayersTable)) & (QFile::ReadGroup | QFile::ReadOther),
                 QFile::Permissions());
    }

    void readingMakesNoCopy()
    {
        TDailyBackup daily(Folder());
        daily.AttachFolderConnection();
        TTable players;
        players.SetDatabaseName(Folder());
        players.SetTableName(kPlayersTable);
        players.Open();
        players.First();
        players.Last();
        players.Close();
        QVERIFY(!QFileInfo::exists(BackupsFolder(Folder())));
    }

    void deletingAndTransactionsAreChangesToo_data()
    {
        QTest::addColumn<bool>("inTransaction");
        QTest::newRow("delete") << false;
        QTest::newRow("transaction") << true;
    }
    void deletingAndTransactionsAreChangesToo()
    {
        QFETCH(bool, inTransaction);
        AddPlayer(Folder(), "Ann");
        TDailyBackup daily(Folder());
        daily.Clock = [] { return QDate(2026, 5, 1); };
        daily.AttachFolderConnection();
        TTable players;
        players.SetDatabaseName(Folder());
        players.SetTableName(kPlayersTable);
        players.Open();
        if (inTransaction) {
            players.StartTransaction();
            QVERIFY(QFileInfo::exists(QDir(BackupsFolder(Folder())).filePath("2026-05-01")));
            players.Delete();
            players.Commit();
        } else {
            players.Delete();
        }
        QCOMPARE(Players(QDir(BackupsFolder(Folder())).filePath("2026-05-01")), 1);
        QCOMPARE(Players(Folder()), 0);
    }

    void failedBackupIsReportedOnceAndTheChangeIsStored()
    {
        AddPlayer(Folder(), "Ann");
        // The backups folder cannot be made: a file stands in its place.
        QFile blocker(BackupsFolder(Folder()));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.write("not a folder");
        blocker.close();
        const QByteArray blockerBytes = Checksum(BackupsFolder(Folder()));

        TDailyBackup daily(Folder());
        daily.AttachFolderConnection();
        AddPlayer(Folder(), "Bob");
        AddPlayer(Folder(), "Cy");
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains("backup"), qPrintable(m_messages.first()));
        QCOMPARE(Players(Folder()), 3);
        QCOMPARE(Checksum(BackupsFolder(Folder())), blockerBytes);
        QVERIFY(IntegrityOf(QDir(Folder()).filePath(kPlayersTable)).isEmpty());
    }

    void writeProtectedBackupsFolderIsReported()
    {
#ifdef Q_OS_UNIX
        if (geteuid() == 0)
            QSKIP("the superuser writes into write-protected folders");
#else
        QSKIP("folder permissions do not stop writes here");
#endif
        QVERIFY(QDir().mkpath(BackupsFolder(Folder())));
        QFile::setPermissions(BackupsFolder(Folder()), QFile::ReadOwner | QFile::ExeOwner);
        TDailyBackup daily(Folder());
        daily.AttachFolderConnection();
        AddPlayer(Folder(), "Bob");
        QFile::setPermissions(BackupsFolder(Folder()), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(Players(Folder()), 1);
        QCOMPARE(QDir(BackupsFolder(Folder())).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot), QStringList());
    }

    void oldCopiesAreDropped_data()
    {
        QTest::addColumn<QDate>("today");
        QTest::addColumn<QStringList>("copies");
        QTest::addColumn<QStringList>("kept");

        QStringList daily;
        for (QDate day(2026, 1, 1); day <= QDate(2026, 3, 10); day = day.addDays(1))
            daily << day.toString(Qt::ISODate);
        QStringList dailyKept;
        for (QDate day(2026, 2, 25); day <= QDate(2026, 3, 10); day = day.addDays(1))
            dailyKept << day.toString(Qt::ISODate);
        dailyKept << "2026-01-01" << "2026-02-01"; // March's first is among the 14 days
        QTest::newRow("every day: 14 days and the first of each month") << QDate(2026, 3, 10) << daily << dailyKept;

        QTest::newRow("a year and more: months beyond 12 go")
            << QDate(2026, 6, 20)
            << QStringList{"2025-05-03", "2025-06-02", "2025-06-20", "2025-07-01", "2025-07-15", "2026-06-01", "2026-06-02",
                           "2026-06-03", "2026-06-04", "2026-06-05", "2026-06-06", "2026-06-07", "2026-06-08", "2026-06-09",
                           "2026-06-10", "2026-06-11", "2026-06-12", "2026-06-13", "2026-06-14"}
            << QStringList{"2025-07-01", "2026-06-01", "2026-06-02", "2026-06-03", "2026-06-04", "2026-06-05", "2026-06-06",
                           "2026-06-07", "2026-06-08", "2026-06-09", "2026-06-10", "2026-06-11", "2026-06-12", "2026-06-13",
                           "2026-06-14"};

        QTest::newRow("few copies, long ago: the 14 latest stay")
            << QDate(2026, 6, 20) << QStringList{"2023-01-05", "2023-01-06", "2024-11-30"}
            << QStringList{"2023-01-05", "2023-01-06", "2024-11-30"};

        QTest::newRow("a day's copies on request go with their day")
            << QDate(2026, 3, 20)
            << QStringList{"2026-01-10", "2026-01-10-120000", "2026-01-11", "2026-03-01", "2026-03-02", "2026-03-03", "2026-03-04",
                           "2026-03-05", "2026-03-06", "2026-03-07", "2026-03-08", "2026-03-09", "2026-03-10", "2026-03-11",
                           "2026-03-12", "2026-03-13", "2026-03-14", "2026-03-14-093000"}
            << QStringList{"2026-01-10", "2026-03-01", "2026-03-02", "2026-03-03", "2026-03-04", "2026-03-05", "2026-03-06",
                           "2026-03-07", "2026-03-08", "2026-03-09", "2026-03-10", "2026-03-11", "2026-03-12", "2026-03-13",
                           "2026-03-14", "2026-03-14-093000"};
    }
    void oldCopiesAreDropped()
    {
        QFETCH(QDate, today);
        QFETCH(QStringList, copies);
        QFETCH(QStringList, kept);
        const QDir backups(BackupsFolder(Folder()));
        for (const QString &name : copies)
            QVERIFY(backups.mkpath(name));
        // What the program did not make is never touched.
        const QStringList foreign{"2026-02-30", "2019-01-01.old", "notes", "replaced-20190101-000000"};
        for (const QString &name : foreign)
            QVERIFY(backups.mkpath(name));
        QFile file(backups.filePath("2019-01-02"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();

        PruneBackups(Folder(), today);
        QStringList left = backups.entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QStringList expected = kept + foreign + QStringList{"2019-01-02"};
        left.sort();
        expected.sort();
        QCOMPARE(left, expected);
    }

    void restoreMovesTheTablesAsideAndPutsTheCopyInPlace()
    {
        AddPlayer(Folder(), "Ann");
        const QString copy = BackUpDay(Folder(), QDate(2026, 4, 2));
        AddPlayer(Folder(), "Bob");
        AddPlayer(Folder(), "Cy");

        const QString replaced = RestoreCopy(Folder(), copy, QDateTime(QDate(2026, 4, 3), QTime(8, 0)));
        QCOMPARE(QFileInfo(replaced).fileName(), QString("replaced-20260403-080000"));
        QCOMPARE(Players(Folder()), 1);
        QCOMPARE(Players(replaced), 3);
        // The current files went aside whole; only what the engine writes on opening differs.
        for (const QString &name : TableNames())
            QVERIFY2(QFileInfo(QDir(replaced).filePath(name)).isFile(), qPrintable(name));
        QVERIFY(QFileInfo(copy).isDir());
        QCOMPARE(Players(copy), 1);
        QVERIFY(CheckDataFolder(Folder()).isEmpty());
        // A second restore of the same minute does not overwrite the first one's files.
        const QString again = RestoreCopy(Folder(), copy, QDateTime(QDate(2026, 4, 3), QTime(8, 0)));
        QVERIFY(again != replaced);
        QCOMPARE(Players(replaced), 3);
    }

    void restoreWaitsForTablesOpenElsewhere()
    {
        AddPlayer(Folder(), "Ann");
        const QString copy = BackUpDay(Folder(), QDate(2026, 4, 2));
        AddPlayer(Folder(), "Bob");
        {
            TTable players; // as an open window holds it
            players.SetDatabaseName(Folder());
            players.SetTableName(kPlayersTable);
            players.Open();
            try {
                RestoreCopy(Folder(), copy);
                QFAIL("restored under an open table");
            } catch (const EDatabaseError &error) {
                QVERIFY2(error.Message().contains("in use"), qPrintable(error.Message()));
            }
            QCOMPARE(players.RecordCount(), 2);
        }
        QCOMPARE(QDir(BackupsFolder(Folder())).entryList({"replaced-*"}, QDir::Dirs), QStringList());
        RestoreCopy(Folder(), copy);
        QCOMPARE(Players(Folder()), 1);
    }

    void damagedOrForeignCopyIsRefusedAndNothingMoves_data()
    {
        QTest::addColumn<QString>("spoil");
        QTest::newRow("damaged page") << "damage";
        QTest::newRow("table missing") << "remove";
        QTest::newRow("foreign table") << "foreign";
    }
    void damagedOrForeignCopyIsRefusedAndNothingMoves()
    {
        QFETCH(QString, spoil);
        AddPlayers(Folder(), 300);
        const QString copy = BackUpDay(Folder(), QDate(2026, 4, 2));
        const QString file = QDir(copy).filePath(kPlayersTable);
        if (spoil == "damage") {
            Damage(file);
        } else if (spoil == "remove") {
            QVERIFY(QFile::remove(file));
        } else {
            QVERIFY(QFile::remove(file));
            TTable other;
            other.SetDatabaseName(copy);
            other.SetTableName(kPlayersTable);
            other.CreateTable({{"Name", ftString, 10, false}});
        }
        const QMap<QString, QByteArray> before = Checksums(Folder());
        try {
            RestoreCopy(Folder(), copy);
            QFAIL("the copy was restored");
        } catch (const EDatabaseError &error) {
            QVERIFY2(error.Message().contains(kPlayersTable), qPrintable(error.Message()));
        }
        QCOMPARE(Checksums(Folder()), before);
        QCOMPARE(QDir(BackupsFolder(Folder())).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{"2026-04-02"});
    }

    void restoreCutShortIsCarriedThroughAtTheNextStart_data()
    {
        QTest::addColumn<int>("tablesMovedAlready");
        QTest::newRow("none moved") << 0;
        QTest::newRow("one moved") << 1;
        QTest::newRow("a table aside, its copy not yet in") << -1;
    }
    void restoreCutShortIsCarriedThroughAtTheNextStart()
    {
        QFETCH(int, tablesMovedAlready);
        AddPlayer(Folder(), "Ann");
        const QString copy = BackUpDay(Folder(), QDate(2026, 4, 2));
        AddPlayer(Folder(), "Bob");
        // What a restore leaves when it is killed after preparing its copy.
        const QDir backups(BackupsFolder(Folder()));
        const QString work = backups.filePath(".restore-abc123");
        QVERIFY(QDir().mkpath(work));
        QVERIFY(QDir().mkpath(backups.filePath("replaced-20260403-080000")));
        for (const QString &name : TableNames())
            QVERIFY(QFile::copy(QDir(copy).filePath(name), QDir(work).filePath(name)));
        QFile marker(QDir(work).filePath("replaced-to"));
        QVERIFY(marker.open(QIODevice::WriteOnly));
        marker.write("replaced-20260403-080000");
        marker.close();
        if (tablesMovedAlready != 0) {
            QVERIFY(QDir().rename(QDir(Folder()).filePath(kClubsTable), backups.filePath("replaced-20260403-080000/" + kClubsTable)));
            if (tablesMovedAlready > 0)
                QVERIFY(QDir().rename(QDir(work).filePath(kClubsTable), QDir(Folder()).filePath(kClubsTable)));
        }

        PrepareDataFolder(Folder());
        QCOMPARE(Players(Folder()), 1);
        QCOMPARE(Players(backups.filePath("replaced-20260403-080000")), 2);
        QVERIFY(!QFileInfo::exists(work));
        QVERIFY(CheckDataFolder(Folder()).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Backup)
#include "tst_backup.moc"
