// The handicap calculation alone (rounds per second), and the Enter round action end to end on a
// table of 100,000 players against the bare SQLite update that stores the same round. Run:
//   build/bench/golf/bench_golf [--players=N]
#include "Dialogs.h"
#include "EnterRound.h"
#include "GolfTables.h"
#include "TTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <unistd.h>

namespace {

int g_players = 100000;
QTemporaryDir *g_dir = nullptr;

void BuildPlayers()
{
    Golf::PrepareDataFolder(g_dir->path());
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(QDir(g_dir->path()).filePath(Golf::kPlayersTable)).constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO hcap (Descr, Homeclub, S1, S2, S3, C1, C2, C3, D1, D2, D3) "
                           "VALUES (?, 1, 90, 88, 84, 0, 2, 1, '2026-01-01', '2026-01-08', '2026-01-15')", -1, &insert, nullptr);
    for (int i = 0; i < g_players; ++i) {
        const QByteArray name = QByteArray("Player ") + QByteArray::number(i);
        sqlite3_bind_text(insert, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    ::sync();
}

void CalculateHandicap(benchmark::State &state)
{
    Golf::TRounds rounds{};
    const int scores[12] = {80, 95, 78, 88, 82, 90, 85, 79, 92, 84, 87, 81};
    for (int i = 0; i < 12; ++i)
        rounds[i] = {float(scores[i]), float(i % 4)};
    for (auto _ : state) {
        rounds[0].Score = rounds[0].Score == 110 ? 50 : rounds[0].Score + 1;
        benchmark::DoNotOptimize(Golf::CalculateHandicap(rounds));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(CalculateHandicap);

void EnterRoundAction(benchmark::State &state)
{
    SetMessageHandler([](const TMessageRequest &) { return mrOk; });
    TTable players;
    players.SetDatabaseName(g_dir->path());
    players.SetTableName(Golf::kPlayersTable);
    players.Open();
    players.MoveBy(g_players / 2);
    const QString date = DateToStr(Today());
    int score = 50;
    for (auto _ : state) {
        score = score == 110 ? 50 : score + 1;
        benchmark::DoNotOptimize(Golf::EnterRound(players, {QString::number(score), "1", date, true}));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(EnterRoundAction)->Unit(benchmark::kMicrosecond);

// The write the action makes: every history slot, both handicaps, one synchronous transaction.
void EnterRoundBareUpdate(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(QDir(g_dir->path()).filePath(Golf::kPlayersTable)).constData(), &db);
    sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    QString sql = "UPDATE hcap SET ";
    for (const char *kind : {"S", "C", "D"})
        for (int i = 1; i <= 12; ++i)
            sql += QString("%1%2 = ?, ").arg(kind).arg(i);
    sql += "CalChcap = ?, Hcap = ? WHERE rowid = ?";
    sqlite3_stmt *update = nullptr;
    sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &update, nullptr);
    int score = 50;
    for (auto _ : state) {
        score = score == 110 ? 50 : score + 1;
        int column = 1;
        for (int i = 0; i < 24; ++i)
            sqlite3_bind_int(update, column++, score);
        for (int i = 0; i < 12; ++i)
            sqlite3_bind_text(update, column++, "2026-05-01", -1, SQLITE_STATIC);
        sqlite3_bind_double(update, column++, 12.0);
        sqlite3_bind_double(update, column++, 12.0);
        sqlite3_bind_int(update, column++, g_players / 2 + 1);
        sqlite3_step(update);
        sqlite3_reset(update);
    }
    sqlite3_finalize(update);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(EnterRoundBareUpdate)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--players=", 10) == 0)
            g_players = std::atoi(argv[i] + 10);
    QTemporaryDir dir;
    g_dir = &dir;
    BuildPlayers();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
