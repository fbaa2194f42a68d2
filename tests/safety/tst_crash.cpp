#include "SafetySupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace Safety;

namespace {

const QDate kFirstDay(2001, 1, 1);

// A run of the program killed (SIGKILL) after a random time spread over its whole usual run.
struct KilledRun
{
    bool Finished = false;   // it ended by itself before the kill
    bool Succeeded = false;  // ... and reported success
    QString Out;
};

KilledRun RunAndKill(const QString &folder, const QStringList &arguments, int killAfterMs)
{
    QProcess process;
    process.start(Program(), QStringList{QStringLiteral("--data-dir"), folder, QStringLiteral("--init")} + arguments);
    if (!process.waitForStarted())
        return {};
    KilledRun run;
    if (!process.waitForFinished(killAfterMs)) {
        process.kill();
        process.waitForFinished();
    }
    run.Finished = process.exitStatus() == QProcess::NormalExit;
    run.Succeeded = run.Finished && process.exitCode() == 0;
    run.Out = QString::fromUtf8(process.readAllStandardOutput());
    return run;
}

// The usual length of a run, measured on the spot (the kills are spread over it).
int UsualRunMs(const std::function<QStringList(int)> &arguments, const std::function<QString(int)> &folder)
{
    QElapsedTimer timer;
    timer.start();
    constexpr int runs = 3;
    for (int i = 0; i < runs; ++i)
        RunCli(folder(-1 - i), arguments(-1 - i));
    return qMax(5, int(timer.elapsed() / runs));
}

void CheckEveryFile(const QString &folder)
{
    for (const QString &name : QDir(folder).entryList({QStringLiteral("*.DB"), QStringLiteral("*.db")}, QDir::Files)) {
        const QString path = QDir(folder).filePath(name);
        QVERIFY2(IntegrityCheck(path) == QLatin1String("ok"), qPrintable(path + ": " + IntegrityCheck(path)));
    }
}

} // namespace

// Programs killed at any moment of a first start or of entering a round: whatever had been
// reported done is there, every file stays sound, and the folder always opens afterwards.
class tst_Crash : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QRandomGenerator m_random{20261208};

private slots:
    void firstStartsSurviveKills()
    {
        auto folderOf = [this](int run) {
            const QString folder = m_dir.filePath(QStringLiteral("start%1").arg(run));
            QDir().mkpath(folder);
            return folder;
        };
        auto addPlayer = [](int) { return QStringList{QStringLiteral("add-player"), QStringLiteral("--name"), QStringLiteral("Ada")}; };
        const int usual = UsualRunMs(addPlayer, folderOf);
        int cut = 0;
        for (int run = 0; run < 150; ++run) {
            const QString folder = folderOf(run);
            const KilledRun killed = RunAndKill(folder, addPlayer(run), int(m_random.bounded(usual * 12 / 10 + 1)));
            cut += killed.Finished ? 0 : 1;
            CheckEveryFile(folder);
            // A first start cut short may leave the folder without tables: --init finishes it.
            const Outcome listed = RunCli(folder, {QStringLiteral("--init"), QStringLiteral("players")});
            QVERIFY2(listed.Status == 0, qPrintable(QStringLiteral("run %1: %2").arg(run).arg(listed.Err)));
            if (killed.Succeeded)
                QVERIFY2(listed.Out.contains(QStringLiteral("1,Ada")), qPrintable(listed.Out));
            const Outcome again = RunCli(folder, addPlayer(run));
            QVERIFY2(again.Status == 0, qPrintable(QStringLiteral("run %1: %2").arg(run).arg(again.Err)));
            CheckEveryFile(folder);
            if (QTest::currentTestFailed())
                return;
        }
        qInfo("%d of 150 first starts were killed before they ended (usual run %d ms)", cut, usual);
        QVERIFY(cut > 0);
    }

    void windowFirstStartsSurviveKills()
    {
        const QString program = qEnvironmentVariable("TALLIMO_APP", QStringLiteral(TALLIMO_APP));
        auto start = [&](const QString &home, QProcess &window) {
            QDir(home).mkpath(QStringLiteral("run"));
            QFile::setPermissions(home + QStringLiteral("/run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
            // No database remembered by the user's own program sends these windows elsewhere.
            environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
            environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            window.setProcessEnvironment(environment);
            window.start(program, {});
            return window.waitForStarted();
        };
        // How long a first start takes until its tables are there.
        QElapsedTimer timer;
        timer.start();
        {
            QProcess window;
            const QString home = m_dir.filePath(QStringLiteral("window-measure"));
            QVERIFY(start(home, window));
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(home + QStringLiteral("/data/tallimo/hcap.DB")), 60000);
            window.kill();
            window.waitForFinished();
        }
        const int usual = qMax(5, int(timer.elapsed()));
        constexpr int runs = 40;
        for (int run = 0; run < runs; ++run) {
            const QString home = m_dir.filePath(QStringLiteral("window%1").arg(run));
            QProcess window;
            QVERIFY(start(home, window));
            window.waitForFinished(int(m_random.bounded(usual * 15 / 10 + 1)));
            window.kill();
            window.waitForFinished();
            const QString folder = home + QStringLiteral("/data/tallimo");
            if (!QDir(folder).exists())
                continue; // killed before it made anything
            CheckEveryFile(folder);
            // The folder opens afterwards and takes new data.
            const Outcome added = RunCli(folder, {QStringLiteral("add-player"), QStringLiteral("--name"), QStringLiteral("Ada")});
            QVERIFY2(added.Status == 0, qPrintable(QStringLiteral("run %1: %2").arg(run).arg(added.Err)));
            CheckEveryFile(folder);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void enteredRoundsSurviveKills()
    {
        const QString folder = m_dir.filePath(QStringLiteral("rounds"));
        QDir().mkpath(folder);
        QCOMPARE(RunCli(folder, {QStringLiteral("add-player"), QStringLiteral("--name"), QStringLiteral("Ada")}).Status, 0);
        // The measuring runs (attempts -1, -2, -3) take days before the others, in their order.
        auto enter = [](int attempt) {
            return QStringList{QStringLiteral("enter-round"), QStringLiteral("--player"), QStringLiteral("1"),
                               QStringLiteral("--score"), QString::number(60 + qAbs(attempt) % 40), QStringLiteral("--rating"),
                               QStringLiteral("2"), QStringLiteral("--date"),
                               kFirstDay.addDays(attempt < 0 ? -101 - attempt : attempt).toString(Qt::ISODate)};
        };
        const int usual = UsualRunMs(enter, [&folder](int) { return folder; });
        QList<int> reported;
        int cut = 0;
        constexpr int runs = 250;
        for (int attempt = 0; attempt < runs; ++attempt) {
            const KilledRun killed = RunAndKill(folder, enter(attempt), int(m_random.bounded(usual * 12 / 10 + 1)));
            cut += killed.Finished ? 0 : 1;
            if (killed.Succeeded)
                reported << attempt;
            CheckEveryFile(folder);
            QString error;
            const QList<Round> history = History(folder, 1, &error);
            QVERIFY2(error.isEmpty(), qPrintable(error));
            // Newest first, each round once, all from this test's attempts.
            QList<int> kept;
            for (const Round &round : history)
                if (!round.Date.isEmpty())
                    kept << int(kFirstDay.daysTo(QDate::fromString(round.Date, Qt::ISODate)));
            for (int i = 1; i < kept.size(); ++i)
                QVERIFY2(kept[i] < kept[i - 1], qPrintable(QStringLiteral("slots out of order after attempt %1").arg(attempt)));
            // Every round reported stored is kept unless twelve newer ones pushed it out.
            for (const int done : std::as_const(reported))
                if (kept.size() < 12 || done > kept.last())
                    QVERIFY2(kept.contains(done), qPrintable(QStringLiteral("round %1 was reported stored and is gone").arg(done)));
            if (QTest::currentTestFailed())
                return;
        }
        qInfo("%d of %d rounds were killed before they ended (usual run %d ms)", cut, runs, usual);
        QVERIFY(cut > 0);
        QVERIFY(!reported.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_Crash)
#include "tst_crash.moc"
