#include "Backup.h"
#include "BackupTestSupport.h"
#include "DataCheck.h"
#include "Exceptions.h"

#include <QDate>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

using namespace BackupTest;

// Kills backups and restores at random moments over their whole run, through the real program:
// afterwards no copy is half-made, every table passes the engine's check, and the folder opens.
class tst_BackupCrash : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    qint64 m_playersA = 0;
    qint64 m_playersB = 0;
    int m_carriedThrough = 0; // restores killed after their copy was ready, finished by the next start

    QString Folder() const { return m_dir.filePath("data"); }
    QString Players() const { return QDir(Folder()).filePath(Golf::kPlayersTable); }

    // Elapsed milliseconds of one undisturbed run.
    static qint64 Measure(const QString &folder, const QStringList &arguments)
    {
        QElapsedTimer timer;
        timer.start();
        const Outcome outcome = RunCli(folder, arguments);
        return outcome.Status == 0 ? timer.elapsed() : -1;
    }

    // Starts the program and kills it after `delayMs`; true when it ended by itself first with 0.
    static bool RunAndKill(const QString &folder, const QStringList &arguments, int delayMs)
    {
        QProcess process;
        process.start(QStringLiteral(TALLIMO_CLI), QStringList{"--data-dir", folder, "--init"} + arguments);
        if (!process.waitForStarted())
            return false;
        // The kill moment itself is what is under test.
        if (!process.waitForFinished(delayMs)) {
            process.kill();
            process.waitForFinished(10000);
            return false;
        }
        return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
    }

    // What must hold after any kill.
    void VerifyFolderAfterKill(const QString &what)
    {
        const QDir backups(Golf::BackupsFolder(Folder()));
        for (const QFileInfo &entry : backups.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            if (entry.fileName().startsWith("replaced-"))
                continue;
            try {
                Golf::VerifyCopy(entry.absoluteFilePath());
            } catch (const Exception &error) {
                QFAIL(qPrintable(what + ": half-made copy: " + error.Message()));
            }
        }
        for (const QFileInfo &entry : backups.entryInfoList({".restore-*"}, QDir::Dirs | QDir::Hidden))
            m_carriedThrough += QFileInfo::exists(QDir(entry.absoluteFilePath()).filePath("replaced-to"));
        // The next start carries an interrupted restore through and opens every table.
        const Outcome opened = RunCli(Folder(), {"history", "--player", "1"});
        QVERIFY2(opened.Status == 0, qPrintable(what + ": " + opened.Err));
        for (const QString &name : Golf::TableNames())
            QVERIFY2(Golf::IntegrityOf(QDir(Folder()).filePath(name)).isEmpty(), qPrintable(what + ": " + name));
        const Outcome checked = RunCli(Folder(), {"check"});
        QVERIFY2(checked.Status == 0, qPrintable(what + ": " + checked.Out));
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        QCOMPARE(RunCli(Folder(), {"add-club", "--name", "Links", "--rating", "70"}).Status, 0);
        QCOMPARE(RunCli(Folder(), {"add-player", "--name", "Ann", "--club", "1"}).Status, 0);
        const QString fill = "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                             "INSERT INTO hcap(Descr, Homeclub, S1, C1, D1) SELECT 'Player number ' || i, 1, 80, 70, '2026-05-01' FROM n";
        QVERIFY(Execute(Players(), fill.arg(60000)));
        QCOMPARE(RunCli(Folder(), {"backup", "--to", m_dir.filePath("A")}).Status, 0);
        m_playersA = Count(Players(), "hcap");
        QVERIFY(Execute(Players(), fill.arg(5000)));
        QCOMPARE(RunCli(Folder(), {"backup", "--to", m_dir.filePath("B")}).Status, 0);
        m_playersB = Count(Players(), "hcap");
    }

    void killedBackupsAndRestoresLeaveNoHalfMadeCopy()
    {
        const quint32 seed = QRandomGenerator::global()->generate();
        qInfo("seed %u", seed);
        QRandomGenerator random(seed);
        const QString today = QDate::currentDate().toString(Qt::ISODate);
        const qint64 backupMs = Measure(Folder(), {"backup", "--to", m_dir.filePath("measure")});
        const qint64 restoreMs = Measure(Folder(), {"restore", "--from", m_dir.filePath("A")});
        QVERIFY(backupMs > 0 && restoreMs > 0);
        qInfo("an undisturbed backup takes %lld ms, a restore %lld ms", backupMs, restoreMs);
        qint64 players = Count(Players(), "hcap");
        QCOMPARE(players, m_playersA);

        constexpr int kRounds = 12;
        int killed = 0;
        for (int round = 0; round < kRounds; ++round) {
            // A copy on request, into a new folder.
            const QString target = m_dir.filePath(QString("out-%1").arg(round));
            const bool backedUp = RunAndKill(Folder(), {"backup", "--to", target}, random.bounded(int(backupMs * 1.2) + 1));
            killed += !backedUp;
            if (backedUp || QFileInfo::exists(target))
                Golf::VerifyCopy(target);
            VerifyFolderAfterKill(QString("backup, round %1").arg(round));
            QCOMPARE(Count(Players(), "hcap"), players);

            // The day's automatic copy before a change.
            QDir(QDir(Golf::BackupsFolder(Folder())).filePath(today)).removeRecursively();
            const bool added = RunAndKill(Folder(), {"add-player", "--name", "Late"}, random.bounded(int(backupMs * 1.5) + 1));
            killed += !added;
            VerifyFolderAfterKill(QString("first change of the day, round %1").arg(round));
            const qint64 afterAdd = Count(Players(), "hcap");
            QVERIFY(afterAdd == players + 1 || (!added && afterAdd == players));
            players = afterAdd;

            // A restore, alternating between the two copies.
            const bool toB = round % 2 == 0;
            const QString source = m_dir.filePath(toB ? "B" : "A");
            const bool restored = RunAndKill(Folder(), {"restore", "--from", source}, random.bounded(int(restoreMs * 1.2) + 1));
            killed += !restored;
            VerifyFolderAfterKill(QString("restore, round %1").arg(round));
            players = Count(Players(), "hcap");
            if (restored)
                QCOMPARE(players, toB ? m_playersB : m_playersA);
            else
                QVERIFY2(players == m_playersA || players == m_playersB || players == afterAdd, qPrintable(QString::number(players)));
        }
        qInfo("%d of %d commands were killed before they ended; %d killed restores were carried through by the next start",
              killed, 3 * kRounds, m_carriedThrough);
        QVERIFY(killed > 0);
        Golf::VerifyCopy(m_dir.filePath("A"));
        Golf::VerifyCopy(m_dir.filePath("B"));
    }
};

QTEST_GUILESS_MAIN(tst_BackupCrash)
#include "tst_backupcrash.moc"
