// The round archive against the bare SQLite statements the same work needs:
//  - a player's index and its breakdown over 5,000 rounds (Load + ExplainIndex) against reading
//    the same rows, the player and the home club with prepared statements;
//  - adding a round to a 100,000-round archive (checked, durable) against a bare player lookup
//    and a synchronous insert.
// Run: build/bench/golf/bench_roundarchive [--rounds=N] [--archive=N]
#include "GolfTables.h"
#include "HandicapIndex.h"
#include "RoundArchive.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

int g_rounds = 5000;
int g_archive = 100000;
QTemporaryDir *g_dir = nullptr;
constexpr int kPlayers = 20;

QByteArray PlayersFile()
{
    return QFile::encodeName(QDir(g_dir->path()).filePath(Golf::kPlayersTable));
}

void Exec(sqlite3 *db, const char *sql)
{
    char *error = nullptr;
    if (sqlite3_exec(db, sql, nullptr, nullptr, &error) != SQLITE_OK)
        qFatal("%s: %s", sql, error);
}

// Player 1 holds g_rounds rounds over the last years, the others the rest of the archive.
void BuildArchive()
{
    Golf::PrepareDataFolder(g_dir->path());
    sqlite3 *clubs = nullptr;
    sqlite3_open(QFile::encodeName(QDir(g_dir->path()).filePath(Golf::kClubsTable)).constData(), &clubs);
    Exec(clubs, "INSERT INTO golfmaster (Descr, RATING, Slope, Par) VALUES ('Lakeside', 1.5, 125, 72)");
    sqlite3_close(clubs);

    sqlite3 *db = nullptr;
    sqlite3_open(PlayersFile().constData(), &db);
    Exec(db, "PRAGMA synchronous=OFF");
    Exec(db, "BEGIN");
    for (int player = 1; player <= kPlayers; ++player)
        Exec(db, QString("INSERT INTO hcap (Descr, Homeclub) VALUES ('Player %1', 1)").arg(player).toUtf8().constData());
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO rounds (PlayerID, Played, Score, Rating, Slope, PCC, Entered) VALUES (?, ?, ?, ?, ?, ?, '2026-01-01T00:00:00.000Z')",
                       -1, &insert, nullptr);
    const QDate first(2000, 1, 1);
    for (int i = 0; i < g_archive; ++i) {
        const int player = i < g_rounds ? 1 : 2 + i % (kPlayers - 1);
        const int n = i < g_rounds ? i : i - g_rounds;
        const QByteArray played = first.addDays(n * 9000 / std::max(g_rounds, 1) % 9500).toString(Qt::ISODate).toUtf8();
        sqlite3_bind_int(insert, 1, player);
        sqlite3_bind_text(insert, 2, played.constData(), int(played.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 3, 72 + (n * 7919) % 30);
        sqlite3_bind_double(insert, 4, 68.0 + (n % 60) / 10.0);
        sqlite3_bind_int(insert, 5, 100 + n % 40);
        sqlite3_bind_int(insert, 6, n % 5 - 1);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    Exec(db, "COMMIT");
    sqlite3_close(db);
}

void IndexAndBreakdown(benchmark::State &state)
{
    Golf::TRoundArchive archive(g_dir->path());
    for (auto _ : state) {
        const Golf::TPlayerRounds record = archive.Load(1);
        benchmark::DoNotOptimize(Golf::ExplainIndex(record.Index.Breakdown));
        if (record.Rounds.size() != g_rounds)
            state.SkipWithError("wrong number of rounds");
    }
    state.SetItemsProcessed(state.iterations() * g_rounds);
}
BENCHMARK(IndexAndBreakdown)->Unit(benchmark::kMillisecond);

// Reading what the index needs: the player's rounds, the player and the home club.
void IndexBareStatements(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(PlayersFile().constData(), &db);
    sqlite3 *clubsDb = nullptr;
    sqlite3_open(QFile::encodeName(QDir(g_dir->path()).filePath(Golf::kClubsTable)).constData(), &clubsDb);
    sqlite3_stmt *rounds = nullptr, *player = nullptr, *club = nullptr;
    sqlite3_prepare_v2(db, "SELECT rowid, ID, PlayerID, Played, Score, Rating, Slope, PCC, Club, Entered FROM rounds "
                           "WHERE (PlayerID = ?) ORDER BY rowid LIMIT ?", -1, &rounds, nullptr);
    sqlite3_prepare_v2(db, "SELECT Homeclub FROM hcap WHERE rowid = ?", -1, &player, nullptr);
    sqlite3_prepare_v2(clubsDb, "SELECT Descr, RATING, Slope, Par FROM golfmaster WHERE ID = ?", -1, &club, nullptr);
    struct Row
    {
        sqlite3_int64 Id;
        int Player, Score, Slope, Pcc;
        double Rating;
        std::string Played, Entered;
    };
    std::vector<Row> rows;
    for (auto _ : state) {
        rows.clear();
        sqlite3_bind_int(rounds, 1, 1);
        sqlite3_bind_int(rounds, 2, INT_MAX);
        while (sqlite3_step(rounds) == SQLITE_ROW)
            rows.push_back({sqlite3_column_int64(rounds, 0), sqlite3_column_int(rounds, 2), sqlite3_column_int(rounds, 4),
                            sqlite3_column_int(rounds, 6), sqlite3_column_int(rounds, 7), sqlite3_column_double(rounds, 5),
                            reinterpret_cast<const char *>(sqlite3_column_text(rounds, 3)),
                            reinterpret_cast<const char *>(sqlite3_column_text(rounds, 9))});
        sqlite3_reset(rounds);
        sqlite3_bind_int(player, 1, 1);
        sqlite3_step(player);
        const int home = sqlite3_column_int(player, 0);
        sqlite3_reset(player);
        sqlite3_bind_int(club, 1, home);
        sqlite3_step(club);
        benchmark::DoNotOptimize(sqlite3_column_int(club, 3));
        sqlite3_reset(club);
        benchmark::DoNotOptimize(rows.data());
    }
    if (int(rows.size()) != g_rounds)
        state.SkipWithError("wrong number of rounds");
    sqlite3_finalize(rounds);
    sqlite3_finalize(player);
    sqlite3_finalize(club);
    sqlite3_close(clubsDb);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations() * g_rounds);
}
BENCHMARK(IndexBareStatements)->Unit(benchmark::kMillisecond);

void AddRound(benchmark::State &state)
{
    Golf::TRoundArchive archive(g_dir->path());
    int score = 70;
    for (auto _ : state) {
        score = score == 110 ? 70 : score + 1;
        benchmark::DoNotOptimize(archive.Add(2, {QDate(2026, 5, 1), score, 713, 128, 0, {}}));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(AddRound)->Unit(benchmark::kMicrosecond);

// The player lookup and the durable insert that adding a round needs.
void AddRoundBareStatements(benchmark::State &state)
{
    sqlite3 *db = nullptr;
    sqlite3_open(PlayersFile().constData(), &db);
    Exec(db, "PRAGMA journal_mode=WAL");
    Exec(db, "PRAGMA synchronous=FULL");
    sqlite3_stmt *player = nullptr, *insert = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM hcap WHERE rowid = ?", -1, &player, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO rounds (PlayerID, Played, Score, Rating, Slope, PCC, Club, Entered) VALUES (?, ?, ?, ?, ?, ?, ?, ?)",
                       -1, &insert, nullptr);
    int score = 70;
    for (auto _ : state) {
        score = score == 110 ? 70 : score + 1;
        sqlite3_bind_int(player, 1, 2);
        if (sqlite3_step(player) != SQLITE_ROW)
            state.SkipWithError("no player");
        sqlite3_reset(player);
        sqlite3_bind_int(insert, 1, 2);
        sqlite3_bind_text(insert, 2, "2026-05-01", -1, SQLITE_STATIC);
        sqlite3_bind_int(insert, 3, score);
        sqlite3_bind_double(insert, 4, 71.3);
        sqlite3_bind_int(insert, 5, 128);
        sqlite3_bind_int(insert, 6, 0);
        sqlite3_bind_null(insert, 7);
        sqlite3_bind_text(insert, 8, "2026-05-01T10:00:00.000Z", -1, SQLITE_STATIC);
        if (sqlite3_step(insert) != SQLITE_DONE)
            state.SkipWithError("insert failed");
        sqlite3_reset(insert);
    }
    sqlite3_finalize(player);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(AddRoundBareStatements)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i) {
        if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            g_rounds = std::atoi(argv[i] + 9);
        if (std::strncmp(argv[i], "--archive=", 10) == 0)
            g_archive = std::atoi(argv[i] + 10);
    }
    QTemporaryDir dir;
    g_dir = &dir;
    BuildArchive();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
