// Many programs entering rounds on one server database at the same moment: every round is kept
// once, in the archive and in the player's history, in the order each program entered it.
#include "LocationSupport.h"
#include "SafetySupport.h"

#include <QDate>
#include <QElapsedTimer>
#include <QHash>
#include <QProcess>
#include <QTest>

using namespace Safety;

namespace {

constexpr int kPrograms = 8;
constexpr int kAttemptsEach = 200;
constexpr int kPlayers = 5;

const QDate kFirstDay(2001, 1, 1);

// Attempt k of program p is number p * kAttemptsEach + k; it gets its own day, so that a kept
// round tells which attempt stored it.
int AttemptNumber(int program, int k) { return program * kAttemptsEach + k; }
int ProgramOf(int attempt) { return attempt / kAttemptsEach; }
int StepOf(int attempt) { return attempt % kAttemptsEach; }
// The programs go round the players, each starting at another one.
int PlayerOf(int attempt) { return (StepOf(attempt) + ProgramOf(attempt)) % kPlayers + 1; }
QString DayOf(int attempt) { return kFirstDay.addDays(attempt).toString(Qt::ISODate); }
int AttemptOf(const QString &day) { return day.isEmpty() ? -1 : int(kFirstDay.daysTo(QDate::fromString(day, Qt::ISODate))); }
int ScoreOf(int attempt) { return 60 + attempt % 40; }
int RatingOf(int attempt) { return attempt % 9; }

// One program's attempts entered one after another by a shell loop, each by a run of the
// command-line program of its own; prints "ok N" or "failed N" for each as the program ended.
QProcess *StartStream(const QString &url, int program, QObject *parent)
{
    QStringList lines;
    for (int k = 0; k < kAttemptsEach; ++k) {
        const int attempt = AttemptNumber(program, k);
        lines << QStringLiteral("\"$0\" --database \"$1\" enter-round --player %1 --score %2 --rating %3 --date %4 >/dev/null"
                                " && echo ok %5 || echo failed %5")
                     .arg(PlayerOf(attempt)).arg(ScoreOf(attempt)).arg(RatingOf(attempt)).arg(DayOf(attempt)).arg(attempt);
    }
    auto *process = new QProcess(parent);
    process->start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), lines.join(QLatin1Char('\n')), Program(), url});
    return process;
}

struct Kept
{
    qint64 Id = 0;
    int Player = 0;
    int Attempt = -1;
    int Score = 0;
    double Rating = 0;
};

} // namespace

class tst_ServerConcurrency : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("TALLIMO_TEST_DATABASE"))
            QSKIP("needs the test server: run under scripts/pg-test-server");
        qputenv("TALLIMO_TEST_ENGINE", "server");
        TestLocation::KeepSettingsPrivate();
    }

    void eightProgramsEnterRoundsForFivePlayers()
    {
        TestLocation::TLocation location;
        const QString url = location.Path();
        for (int player = 1; player <= kPlayers; ++player) {
            const Outcome added = RunCli(url, {"add-player", "--name", QStringLiteral("Player %1").arg(player)});
            QVERIFY2(added.Status == 0, qPrintable(added.Err));
            QCOMPARE(added.Out.trimmed(), QString::number(player));
        }

        QElapsedTimer clock;
        clock.start();
        QList<QProcess *> streams;
        for (int program = 0; program < kPrograms; ++program)
            streams << StartStream(url, program, this);
        for (int program = 0; program < kPrograms; ++program) {
            QProcess *stream = streams[program];
            QVERIFY2(stream->waitForFinished(int(qMax<qint64>(1000, 240000 - clock.elapsed()))),
                     "the programs did not finish within four minutes");
            QCOMPARE(stream->exitStatus(), QProcess::NormalExit);
            const QString err = QString::fromUtf8(stream->readAllStandardError());
            QVERIFY2(!err.contains(QLatin1String("deadlock"), Qt::CaseInsensitive), qPrintable(err));
            QList<int> ok, failed;
            for (const QByteArray &line : stream->readAllStandardOutput().split('\n')) {
                if (line.startsWith("ok "))
                    ok << line.mid(3).toInt();
                else if (line.startsWith("failed "))
                    failed << line.mid(7).toInt();
            }
            QVERIFY2(failed.isEmpty(), qPrintable(QStringLiteral("program %1: %2 attempts failed, the first %3: %4")
                                                      .arg(program).arg(failed.size()).arg(failed.value(0)).arg(err)));
            QCOMPARE(ok.size(), kAttemptsEach);
            QVERIFY2(err.isEmpty(), qPrintable(err));
            delete stream;
        }
        qInfo("%d rounds entered by %d programs in %lld ms", kPrograms * kAttemptsEach, kPrograms, clock.elapsed());

        // The archive as the server keeps it, in the order the rounds were stored.
        QString error;
        const QList<QStringList> rows = TestLocation::ServerRows(
            url, "SELECT \"ID\", \"PlayerID\", \"Played\", \"Score\", \"Rating\" FROM tallimo.rounds ORDER BY \"ID\"", &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QList<Kept> kept;
        for (const QStringList &row : rows)
            kept.append({row[0].toLongLong(), row[1].toInt(), AttemptOf(row[2]), row[3].toInt(), row[4].toDouble()});
        QCOMPARE(kept.size(), kPrograms * kAttemptsEach);

        // Each attempt is there once, for its player, as it was entered.
        QHash<int, int> seen;
        for (const Kept &round : std::as_const(kept)) {
            QVERIFY2(round.Attempt >= 0 && round.Attempt < kPrograms * kAttemptsEach,
                     qPrintable(QStringLiteral("round %1 has a day no attempt had").arg(round.Id)));
            QVERIFY2(!seen.contains(round.Attempt), qPrintable(QStringLiteral("attempt %1 is kept twice").arg(round.Attempt)));
            seen.insert(round.Attempt, 1);
            QCOMPARE(round.Player, PlayerOf(round.Attempt));
            QCOMPARE(round.Score, ScoreOf(round.Attempt));
            QCOMPARE(round.Rating, 72.0 - RatingOf(round.Attempt)); // the rating entered is the difference to 72
        }

        // Each program's rounds were stored in the order it entered them.
        QList<int> lastStep(kPrograms, -1);
        for (const Kept &round : std::as_const(kept)) {
            const int program = ProgramOf(round.Attempt);
            QVERIFY2(StepOf(round.Attempt) > lastStep[program],
                     qPrintable(QStringLiteral("program %1: attempt %2 was stored after a later one").arg(program).arg(round.Attempt)));
            lastStep[program] = StepOf(round.Attempt);
        }

        for (int player = 1; player <= kPlayers; ++player) {
            QList<int> archived;
            for (const Kept &round : std::as_const(kept))
                if (round.Player == player)
                    archived << round.Attempt;
            QCOMPARE(archived.size(), kPrograms * kAttemptsEach / kPlayers);

            // The program lists the same rounds.
            const Outcome listed = RunCli(url, {"rounds", "--player", QString::number(player)});
            QCOMPARE(listed.Status, 0);
            QCOMPARE(int(listed.Out.count(QStringLiteral("\r\n"))), archived.size() + 1);

            // The twelve-round history is the archive's last twelve, newest first.
            QString historyError;
            const QList<Round> history = History(url, player, &historyError);
            QVERIFY2(historyError.isEmpty(), qPrintable(historyError));
            QCOMPARE(history.size(), 12);
            for (int slot = 0; slot < 12; ++slot) {
                const int attempt = archived[archived.size() - 1 - slot];
                QCOMPARE(AttemptOf(history[slot].Date), attempt);
                QCOMPARE(history[slot].Score, ScoreOf(attempt));
                QCOMPARE(history[slot].Rating, RatingOf(attempt));
            }
        }
    }
};

QTEST_GUILESS_MAIN(tst_ServerConcurrency)
#include "tst_serverconcurrency.moc"
