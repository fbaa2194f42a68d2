#include "EnterRound.h"
#include "Exceptions.h"
#include "FormatSettings.h"
#include "GolfTables.h"
#include "SqliteEngine.h"
#include "SafetySupport.h"
#include "TTable.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace Safety;

namespace {

const QDate kFirstDay(2001, 1, 1);

// Each attempt gets its own day, so a round in the history says which attempt stored it.
QString DayOf(int attempt)
{
    return kFirstDay.addDays(attempt).toString(Qt::ISODate);
}

int AttemptOf(const Round &round)
{
    return round.Date.isEmpty() ? -1 : int(kFirstDay.daysTo(QDate::fromString(round.Date, Qt::ISODate)));
}

int ScoreOf(int attempt) { return 60 + attempt % 40; }
int RatingOf(int attempt) { return attempt % 9; }

// A shell loop entering the given attempts one after another for player 1; prints "ok N" or
// "failed N" for each as the program reported it.
QProcess *StartStream(const QString &folder, const QList<int> &attempts, QObject *parent)
{
    QStringList lines;
    for (const int attempt : attempts)
        lines << QStringLiteral("\"$0\" --data-dir \"$1\" --init enter-round --player 1 --score %1 --rating %2 --date %3 >/dev/null"
                                " && echo ok %4 || echo failed %4")
                     .arg(ScoreOf(attempt)).arg(RatingOf(attempt)).arg(DayOf(attempt)).arg(attempt);
    auto *process = new QProcess(parent);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), lines.join(QLatin1Char('\n')), Program(), folder});
    return process;
}

// Attempts the stream reported as stored.
QList<int> Stored(QProcess *process)
{
    QList<int> stored;
    for (const QByteArray &line : process->readAllStandardOutput().split('\n'))
        if (line.startsWith("ok "))
            stored << line.mid(3).toInt();
    return stored;
}

// Every stored attempt of the batch is in the history (all fit in its twelve slots), each source's
// rounds newest first in the order that source stored them, and nothing else from the batch.
void CheckBatch(const QList<Round> &history, const QList<QList<int>> &storedBySource, const QList<int> &attempted)
{
    QList<int> inHistory;
    for (const Round &round : history) {
        const int attempt = AttemptOf(round);
        inHistory << attempt;
        if (attempt >= 0) {
            QCOMPARE(round.Score, ScoreOf(attempt));
            QCOMPARE(round.Rating, RatingOf(attempt));
        }
    }
    for (const QList<int> &stored : storedBySource) {
        int previousSlot = 99;
        for (const int attempt : stored) {
            const int slot = int(inHistory.indexOf(attempt));
            QVERIFY2(slot >= 0, qPrintable(QStringLiteral("round %1 was reported stored and is missing").arg(attempt)));
            QVERIFY2(slot < previousSlot, qPrintable(QStringLiteral("round %1 is out of order").arg(attempt)));
            previousSlot = slot;
        }
    }
    for (const int attempt : inHistory)
        if (attempted.contains(attempt))
            QVERIFY2(std::any_of(storedBySource.begin(), storedBySource.end(), [attempt](const QList<int> &s) { return s.contains(attempt); }),
                     qPrintable(QStringLiteral("round %1 was stored though its command failed").arg(attempt)));
}

std::unique_ptr<TTable> OpenPlayerOne(const QString &folder)
{
    auto players = std::make_unique<TTable>();
    players->SetDatabaseName(folder);
    players->SetTableName(Golf::kPlayersTable);
    players->Open();
    players->FindKey(QStringLiteral("1"));
    return players;
}

Golf::TRoundEntry Entry(int attempt)
{
    return {QString::number(ScoreOf(attempt)), QString::number(RatingOf(attempt)),
            DateToStr(FromQDate(QDate::fromString(DayOf(attempt), Qt::ISODate)))};
}

} // namespace

// Rounds entered for one player at the same time, by several programs and by an open window,
// are all kept, in order.
class tst_Concurrency : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_folder;

private slots:
    void init()
    {
        m_folder = m_dir.filePath(QString::fromLatin1(QTest::currentTestFunction()));
        QDir().mkpath(m_folder);
        const Outcome added = RunCli(m_folder, {QStringLiteral("add-player"), QStringLiteral("--name"), QStringLiteral("Ada")});
        QVERIFY2(added.Status == 0, qPrintable(added.Err));
        QCOMPARE(added.Out.trimmed(), QStringLiteral("1"));
    }

    void fourProgramsEnterRoundsForOnePlayer()
    {
        // 4 programs x 102 rounds, in batches of three rounds each so that a batch fits the
        // history's twelve slots and every round can be found.
        constexpr int sources = 4, perBatch = 3, batches = 34;
        int attempt = 0;
        for (int batch = 0; batch < batches; ++batch) {
            QList<QProcess *> streams;
            QList<int> attempted;
            for (int source = 0; source < sources; ++source) {
                QList<int> attempts;
                for (int k = 0; k < perBatch; ++k)
                    attempts << attempt++;
                attempted += attempts;
                streams << StartStream(m_folder, attempts, this);
            }
            QList<QList<int>> stored;
            for (QProcess *stream : std::as_const(streams)) {
                QVERIFY(stream->waitForFinished(120000));
                stored << Stored(stream);
                QCOMPARE(stored.last().size(), perBatch); // a busy moment is waited out, not failed
                delete stream;
            }
            CheckBatch(History(m_folder, 1), stored, attempted);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void windowEntersAfterProgramEnteredThree()
    {
        auto players = OpenPlayerOne(m_folder);
        for (int attempt = 0; attempt < 3; ++attempt)
            QCOMPARE(RunCli(m_folder, {"enter-round", "--player", "1", "--score", QString::number(ScoreOf(attempt)), "--rating",
                                       QString::number(RatingOf(attempt)), "--date", DayOf(attempt)}).Status, 0);
        QVERIFY(Golf::EnterRound(*players, Entry(3)).Entered());
        const QList<Round> history = History(m_folder, 1);
        // Only the rounds that exist are listed, newest first.
        QCOMPARE(history.size(), 4);
        for (int slot = 0; slot < 4; ++slot)
            QCOMPARE(AttemptOf(history[slot]), 3 - slot);
        // The window shows what it stored.
        QCOMPARE(players->FieldByName("S4")->AsInteger(), ScoreOf(0));
    }

    void windowEntersWhileProgramEnters()
    {
        auto players = OpenPlayerOne(m_folder);
        int attempt = 0;
        for (int batch = 0; batch < 6; ++batch) {
            QList<int> programs, window, attempted;
            for (int k = 0; k < 6; ++k)
                programs << attempt++;
            for (int k = 0; k < 6; ++k)
                window << attempt++;
            attempted = programs + window;
            QProcess *stream = StartStream(m_folder, programs, this);
            QVERIFY(stream->waitForStarted());
            QList<int> storedByWindow;
            for (const int own : std::as_const(window)) {
                if (Golf::EnterRound(*players, Entry(own)))
                    storedByWindow << own;
            }
            QVERIFY(stream->waitForFinished(120000));
            const QList<int> storedByProgram = Stored(stream);
            delete stream;
            QCOMPARE(storedByWindow.size(), 6);
            QCOMPARE(storedByProgram.size(), 6);
            CheckBatch(History(m_folder, 1), {storedByProgram, storedByWindow}, attempted);
            if (QTest::currentTestFailed())
                return;
        }
    }

    void openWindowShowsWhatAnotherProgramStored()
    {
        QCOMPARE(RunCli(m_folder, {"add-player", "--name", "Bea"}).Status, 0);
        auto players = std::make_unique<TTable>();
        players->SetDatabaseName(m_folder);
        players->SetTableName(Golf::kPlayersTable);
        players->Open();
        QVERIFY(players->FindKey("2"));
        QVERIFY(!players->RefreshIfChangedElsewhere()); // nothing changed yet

        QCOMPARE(RunCli(m_folder, {"enter-round", "--player", "2", "--score", "77", "--rating", "3"}).Status, 0);
        QVERIFY(players->RefreshIfChangedElsewhere());
        QCOMPARE(players->FieldByName("ID")->AsInteger(), 2); // the user's place is kept
        QCOMPARE(players->FieldByName("S1")->AsInteger(), 77);

        // An edit begun without a refresh starts from the record as stored.
        QCOMPARE(RunCli(m_folder, {"enter-round", "--player", "2", "--score", "81", "--rating", "4"}).Status, 0);
        players->Edit();
        QCOMPARE(players->FieldByName("S1")->AsInteger(), 81);
        QCOMPARE(players->FieldByName("S2")->AsInteger(), 77);
        players->FieldByName("Descr")->SetAsString("Bea Two");
        players->Post();
        const QList<Round> history = History(m_folder, 2);
        QCOMPARE(history.value(0).Score, 81);
        QCOMPARE(history.value(1).Score, 77);
    }

    void twoProgramsStartOnOneFreshFolder()
    {
        for (int pair = 0; pair < 40; ++pair) {
            const QString folder = m_dir.filePath(QStringLiteral("fresh%1").arg(pair));
            QDir().mkpath(folder);
            QProcess first, second;
            for (QProcess *process : {&first, &second})
                process->start(Program(), {"--data-dir", folder, "--init", "add-player", "--name", "Ada"});
            for (QProcess *process : {&first, &second}) {
                QVERIFY(process->waitForFinished(60000));
                // Neither is refused, and neither warns that the folder the other is making
                // could not be backed up.
                const QByteArray said = process->readAllStandardError();
                QVERIFY2(process->exitCode() == 0 && said.isEmpty(), said.constData());
            }
            const Outcome listed = RunCli(folder, {"players"});
            QCOMPARE(listed.Out.count(QStringLiteral(",Ada,")), 2);
            QCOMPARE(RunCli(folder, {"export", "--table", "refer"}).Out.count(QLatin1Char('\n')), 2); // one settings record
        }
    }

    void twoWindowsStartOnOneFreshFolder()
    {
        for (int pair = 0; pair < 25; ++pair) {
            // A user of their own: a fresh data folder and a fresh place for the guard's lock.
            QTemporaryDir home;
            QDir(home.path()).mkpath("run");
            QFile::setPermissions(home.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("XDG_DATA_HOME", home.filePath("data"));
            // No database remembered by the user's own program sends these windows elsewhere.
            environment.insert("XDG_CONFIG_HOME", home.filePath("config"));
            environment.insert("XDG_RUNTIME_DIR", home.filePath("run"));
            environment.insert("QT_QPA_PLATFORM", "offscreen");
            QProcess first, second;
            for (QProcess *window : {&first, &second}) {
                window->setProcessEnvironment(environment);
                window->start(qEnvironmentVariable("TALLIMO_APP", QStringLiteral(TALLIMO_APP)), {});
            }
            QVERIFY(first.waitForStarted() && second.waitForStarted());
            QTRY_VERIFY_WITH_TIMEOUT(first.state() == QProcess::NotRunning || second.state() == QProcess::NotRunning, 60000);
            QProcess &ended = first.state() == QProcess::NotRunning ? first : second;
            QProcess &running = &ended == &first ? second : first;
            QCOMPARE(ended.exitStatus(), QProcess::NormalExit);
            QCOMPARE(ended.exitCode(), 0);
            // The first copy goes on (a second later it still runs) over a sound folder.
            QVERIFY2(!running.waitForFinished(1000), running.readAllStandardError().constData());
            const QString folder = home.filePath("data/tallimo");
            for (const QString &name : Golf::TableNames()) {
                QTRY_VERIFY(TSqliteConnection(folder).TableExists(name));
                QCOMPARE(IntegrityCheck(QDir(folder).filePath(name)), QStringLiteral("ok"));
            }
            running.kill();
            running.waitForFinished();
        }
    }

    void removingARecordAlreadyGoneIsReported()
    {
        auto first = OpenPlayerOne(m_folder);
        auto second = OpenPlayerOne(m_folder);
        first->Delete();
        try {
            second->Delete();
            QFAIL("removing a record that was gone reported success");
        } catch (const EDatabaseError &error) {
            QVERIFY2(error.Message().contains("Record not found"), qPrintable(error.Message()));
        }
    }

    void staleEditIsRefusedAndKept()
    {
        auto players = OpenPlayerOne(m_folder);
        players->Edit();
        players->FieldByName("Descr")->SetAsString("Ada Lovelace");
        QCOMPARE(RunCli(m_folder, {"enter-round", "--player", "1", "--score", "90", "--rating", "1"}).Status, 0);
        try {
            players->Post();
            QFAIL("a post over another program's change was accepted");
        } catch (const EDatabaseError &error) {
            QCOMPARE(error.Message(), QStringLiteral("This player was changed by someone else: your change is kept in the form; "
                                                     "Refresh shows theirs"));
        }
        QCOMPARE(players->State(), dsEdit);
        QCOMPARE(players->FieldByName("Descr")->AsString(), QStringLiteral("Ada Lovelace"));
        QCOMPARE(History(m_folder, 1).value(0).Score, 90); // the other program's round stays
        players->Cancel();
        QVERIFY(players->RefreshIfChangedElsewhere());
        QCOMPARE(players->FieldByName("S1")->AsInteger(), 90);
        QCOMPARE(players->FieldByName("Descr")->AsString(), QStringLiteral("Ada"));
    }
};

QTEST_GUILESS_MAIN(tst_Concurrency)
#include "tst_concurrency.moc"
