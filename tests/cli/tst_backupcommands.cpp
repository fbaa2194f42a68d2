#include "BackupTestSupport.h"

#include <QDate>
#include <QTemporaryDir>
#include <QTest>

using namespace BackupTest;

class tst_BackupCommands : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;

    QString Folder() const { return m_dir->filePath("data"); }
    QString Table(const QString &name) const { return QDir(Folder()).filePath(name); }
    QString Today() const { return QDate::currentDate().toString(Qt::ISODate); }

    // A club and two players of it, entered through the program.
    void Fill()
    {
        QCOMPARE(RunCli(Folder(), {"add-club", "--name", "Links", "--rating", "70"}).Status, 0);
        QCOMPARE(RunCli(Folder(), {"add-player", "--name", "Ann", "--club", "1"}).Status, 0);
        QCOMPARE(RunCli(Folder(), {"add-player", "--name", "Bob", "--club", "1"}).Status, 0);
        QCOMPARE(RunCli(Folder(), {"enter-round", "--player", "1", "--score", "85", "--rating", "70", "--date", "2026-05-01"}).Status, 0);
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
    }

    void firstChangeOfTheDayIsCopiedFirst()
    {
        Fill();
        const QString copy = QDir(Folder()).filePath("backups/" + Today());
        // A new folder has nothing to keep: the first change to existing tables (the first
        // player) was preceded by the copy; later changes made no other.
        QCOMPARE(Count(QDir(copy).filePath(Golf::kClubsTable), "golfmaster"), 1);
        QCOMPARE(Count(QDir(copy).filePath(Golf::kPlayersTable), "hcap"), 0);
        QCOMPARE(QDir(Folder()).entryList({"backups"}, QDir::Dirs).size(), 1);
        QCOMPARE(QDir(QDir(Folder()).filePath("backups")).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot), QStringList{Today()});
    }

    void everyChangingCommandMakesTheDaysCopyFirst_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("add-player") << QStringList{"add-player", "--name", "Cy"};
        QTest::newRow("add-club") << QStringList{"add-club", "--name", "Heath"};
        QTest::newRow("enter-round") << QStringList{"enter-round", "--player", "2", "--score", "90", "--rating", "70"};
        QTest::newRow("import") << QStringList{"import", "--table", "golfmaster", "--in", "CSV"};
    }
    void everyChangingCommandMakesTheDaysCopyFirst()
    {
        QFETCH(QStringList, arguments);
        Fill();
        const QString copy = QDir(Folder()).filePath("backups/" + Today());
        QVERIFY(QDir(copy).removeRecursively());
        const QList<QStringList> before = Contents(Folder());
        QFile csv(m_dir->filePath("clubs.csv"));
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("Descr,City\r\nHeath,Moor\r\n");
        csv.close();
        arguments.replaceInStrings("CSV", csv.fileName());
        const Outcome changed = RunCli(Folder(), arguments);
        QVERIFY2(changed.Status == 0, qPrintable(changed.Err));
        QVERIFY(changed.Err.isEmpty());
        QCOMPARE(Contents(copy), before);
        QVERIFY(Contents(Folder()) != before);
    }

    void backupToAFolderAndRestoreFromIt()
    {
        Fill();
        const QString target = m_dir->filePath("usb/tallimo-copy");
        QVERIFY(QDir().mkpath(m_dir->filePath("usb")));
        const Outcome backup = RunCli(Folder(), {"backup", "--to", target});
        QCOMPARE(backup.Status, 0);
        QCOMPARE(backup.Out.trimmed(), QDir::toNativeSeparators(target));
        QCOMPARE(Count(QDir(target).filePath(Golf::kPlayersTable), "hcap"), 2);

        QCOMPARE(RunCli(Folder(), {"add-player", "--name", "Cy"}).Status, 0);
        const Outcome restore = RunCli(Folder(), {"restore", "--from", target});
        QCOMPARE(restore.Status, 0);
        QCOMPARE(Count(Table(Golf::kPlayersTable), "hcap"), 2);
        const QStringList replaced = QDir(QDir(Folder()).filePath("backups")).entryList({"replaced-*"}, QDir::Dirs);
        QCOMPARE(replaced.size(), 1);
        QCOMPARE(Count(QDir(Folder()).filePath("backups/" + replaced.first() + "/" + Golf::kPlayersTable), "hcap"), 3);
        QVERIFY(restore.Out.contains(replaced.first()));
        const Outcome history = RunCli(Folder(), {"history", "--player", "1"});
        QVERIFY(history.Out.contains("1,85,70,2026-05-01"));

        // Into an existing folder, a new folder of its own.
        const Outcome again = RunCli(Folder(), {"backup", "--to", m_dir->filePath("usb")});
        QCOMPARE(again.Status, 0);
        QVERIFY2(QFileInfo(again.Out.trimmed()).fileName().startsWith("tallimo-"), qPrintable(again.Out));
    }

    void restoreFromTheCopyOfADate()
    {
        Fill();
        // The day's copy was made before the first player was added.
        const Outcome restore = RunCli(Folder(), {"restore", "--from", Today()});
        QCOMPARE(restore.Status, 0);
        QCOMPARE(Count(Table(Golf::kPlayersTable), "hcap"), 0);
        QCOMPARE(Count(Table(Golf::kClubsTable), "golfmaster"), 1);
        QCOMPARE(RunCli(Folder(), {"check"}).Status, 0);
    }

    void backupsListsDateAndPlayers()
    {
        Fill();
        const Outcome listed = RunCli(Folder(), {"backups"});
        QCOMPARE(listed.Status, 0);
        const QStringList lines = listed.Out.split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 2);
        QCOMPARE(lines[0], QString("Date,Time,Players,Folder"));
        QVERIFY2(lines[1].startsWith(Today() + ",,0,"), qPrintable(lines[1]));
        QCOMPARE(RunCli(Folder(), {"backup"}).Status, 0);
        const QStringList after = RunCli(Folder(), {"backups"}).Out.split("\r\n", Qt::SkipEmptyParts);
        QCOMPARE(after.size(), 3);
        QVERIFY2(after[1].startsWith(Today() + ",") && after[1].contains(",2,"), qPrintable(after[1]));
    }

    void restoreRefusesWhatItCannotTrust_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("message");
        QTest::newRow("damaged copy") << "damaged" << "damaged";
        QTest::newRow("no copy of that date") << "1999-01-01" << "no copy";
        QTest::newRow("no such folder") << "nowhere" << "neither";
    }
    void restoreRefusesWhatItCannotTrust()
    {
        QFETCH(QString, from);
        QFETCH(QString, message);
        Fill();
        Execute(Table(Golf::kPlayersTable), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
                                            "INSERT INTO hcap(Descr) SELECT 'Player number ' || i FROM n");
        QString source = from;
        if (from == "damaged") {
            source = m_dir->filePath("copy");
            QCOMPARE(RunCli(Folder(), {"backup", "--to", source}).Status, 0);
            QVERIFY(Damage(QDir(source).filePath(Golf::kPlayersTable)));
        }
        const QMap<QString, QByteArray> before = TableChecksums(Folder());
        const Outcome restore = RunCli(Folder(), {"restore", "--from", source});
        QCOMPARE(restore.Status, 1);
        QVERIFY2(restore.Err.contains(message, Qt::CaseInsensitive), qPrintable(restore.Err));
        QCOMPARE(TableChecksums(Folder()), before);
        QVERIFY(QDir(QDir(Folder()).filePath("backups")).entryList({"replaced-*"}, QDir::Dirs).isEmpty());
    }

    void checkReportsEachKindOfProblem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QString>("report");
        QTest::newRow("home club gone") << Golf::kPlayersTable << "UPDATE hcap SET Homeclub = 9 WHERE ID = 2" << "player 2 has the home club 9, which does not exist";
        QTest::newRow("archived round of a missing player")
            << Golf::kPlayersTable
            << "DROP TABLE IF EXISTS rounds; CREATE TABLE rounds (ID INTEGER PRIMARY KEY, PlayerID INTEGER, Played DATE, Score INTEGER, Slope INTEGER); "
               "INSERT INTO rounds VALUES (1, 1, '2026-05-01', 85, 113), (2, 7, '2026-05-02', 90, 113)"
            << "archived round 2 belongs to player 7";
        QTest::newRow("archived round off its bounds")
            << Golf::kPlayersTable
            << "DROP TABLE IF EXISTS rounds; CREATE TABLE rounds (ID INTEGER PRIMARY KEY, PlayerID INTEGER, Played DATE, Score INTEGER, Slope INTEGER); "
               "INSERT INTO rounds VALUES (1, 1, '2026-05-01', 85, 113), (2, 2, '2026-05-02', 90, 156)"
            << "archived round 2, field Slope: '156' is outside 55..155";
        QTest::newRow("score below the lowest") << Golf::kPlayersTable << "UPDATE hcap SET S3 = 49 WHERE ID = 2" << "record 2, field S3";
        QTest::newRow("score above the highest") << Golf::kPlayersTable << "UPDATE hcap SET S12 = 111 WHERE ID = 1" << "record 1, field S12";
        QTest::newRow("name too long") << Golf::kPlayersTable << "UPDATE hcap SET Descr = printf('%.41c', 'x') WHERE ID = 1"
                                       << "longer than the field's 40";
        QTest::newRow("text in a whole-number field") << Golf::kPlayersTable << "UPDATE hcap SET Homeclub = 'one' WHERE ID = 2"
                                                      << "'one' is not a whole number";
        QTest::newRow("whole number beyond 32 bits") << Golf::kPlayersTable << "UPDATE hcap SET C1 = 5000000000 WHERE ID = 1" << "field C1: 5000000000 is outside";
        QTest::newRow("impossible date") << Golf::kPlayersTable << "UPDATE hcap SET D1 = '2026-02-30' WHERE ID = 1" << "'2026-02-30' is not a date";
        QTest::newRow("handicap off the chart") << Golf::kPlayersTable << "UPDATE hcap SET CalChcap = 31 WHERE ID = 1" << "calculated handicap 31";
        QTest::newRow("a second settings record") << Golf::kSettingsTable << "INSERT INTO refer(colour) VALUES (0)" << "2 settings records";
        QTest::newRow("table missing") << Golf::kSettingsTable << "DROP TABLE refer" << "no table 'refer'";
    }
    void checkReportsEachKindOfProblem()
    {
        QFETCH(QString, file);
        QFETCH(QString, sql);
        QFETCH(QString, report);
        Fill();
        const Outcome clean = RunCli(Folder(), {"check"});
        QCOMPARE(clean.Status, 0);
        QVERIFY2(clean.Out.contains("No problems"), qPrintable(clean.Out));

        QVERIFY(Execute(Table(file), sql));
        const Outcome checked = RunCli(Folder(), {"check"});
        QCOMPARE(checked.Status, 1);
        QVERIFY2(checked.Out.contains(report), qPrintable(checked.Out));
        QVERIFY2(checked.Out.contains("1 problem found"), qPrintable(checked.Out));
    }

    void checkNamesADamagedFile()
    {
        Fill();
        QVERIFY(Execute(Table(Golf::kPlayersTable), "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 400) "
                                                    "INSERT INTO hcap(Descr) SELECT 'Player number ' || i FROM n"));
        QVERIFY(Damage(Table(Golf::kPlayersTable)));
        const QByteArray damaged = Checksum(Table(Golf::kPlayersTable));
        const Outcome checked = RunCli(Folder(), {"check"});
        QCOMPARE(checked.Status, 1);
        QVERIFY2(checked.Out.contains(Golf::kPlayersTable + ": the file is damaged"), qPrintable(checked.Out));
        QCOMPARE(Checksum(Table(Golf::kPlayersTable)), damaged);
    }

    void readingCommandsChangeNoTable_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("check") << QStringList{"check"};
        QTest::newRow("backups") << QStringList{"backups"};
        QTest::newRow("backup elsewhere") << QStringList{"backup", "--to", "OUT"};
    }
    void readingCommandsChangeNoTable()
    {
        QFETCH(QStringList, arguments);
        Fill();
        arguments.replaceInStrings("OUT", m_dir->filePath("out"));
        const QMap<QString, QByteArray> before = TableChecksums(Folder());
        const QStringList backups = QDir(QDir(Folder()).filePath("backups")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        QCOMPARE(RunCli(Folder(), arguments).Status, 0);
        QCOMPARE(TableChecksums(Folder()), before);
        QCOMPARE(QDir(QDir(Folder()).filePath("backups")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), backups);
    }
};

QTEST_GUILESS_MAIN(tst_BackupCommands)
#include "tst_backupcommands.moc"
