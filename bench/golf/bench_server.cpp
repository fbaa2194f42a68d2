// The program's tables over the PostgreSQL engine against the bare libpq statements that do the
// same work, on 100,000 players in a database of their own on the server that
// TALLIMO_TEST_DATABASE names. Run:
//   scripts/pg-test-server -- build/bench/golf/bench_server [--players=N] [--benchmark_repetitions=3]
// Each benchmark has a "Bare" twin; compare their times side by side.
#include "EnterRound.h"
#include "FormatSettings.h"
#include "GolfTables.h"
#include "Handicap.h"
#include "StoreEngine.h"
#include "TDataSource.h"
#include "TDatabase.h"
#include "TRecordWindowModel.h"
#include "TTable.h"

#include <QCoreApplication>
#include <QDate>
#include <QRandomGenerator>
#include <QUrl>
#include <benchmark/benchmark.h>
#include <libpq-fe.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

int g_players = 100000;
constexpr int kClubs = 50;
constexpr int kPageRows = 30;
QString g_url;

[[noreturn]] void Die(const char *what, PGconn *connection)
{
    std::fprintf(stderr, "bench_server: %s: %s\n", what, PQerrorMessage(connection));
    std::exit(1);
}

PGconn *Connect(const QString &url)
{
    PGconn *connection = PQconnectdb(url.toUtf8().constData());
    if (PQstatus(connection) != CONNECTION_OK)
        Die("cannot connect", connection);
    PQsetNoticeProcessor(connection, [](void *, const char *) {}, nullptr);
    return connection;
}

void Run(PGconn *connection, const char *sql)
{
    PGresult *result = PQexec(connection, sql);
    const ExecStatusType status = PQresultStatus(result);
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
        Die(sql, connection);
    PQclear(result);
}

// The player table's columns after the identity, as the program makes them.
QStringList PlayerColumns()
{
    QStringList columns;
    const QList<TFieldInfo> fields = Golf::PlayerFields();
    for (const TFieldInfo &field : fields)
        if (field.Name != QLatin1String("ID"))
            columns << QLatin1Char('"') + field.Name + QLatin1Char('"');
    return columns;
}

// A database of the benchmark's own, its tables made by the program, the players copied in.
void BuildDatabase()
{
    const QString admin = qEnvironmentVariable("TALLIMO_TEST_DATABASE");
    const QString name = QStringLiteral("tallimo_bench_%1").arg(QCoreApplication::applicationPid());
    PGconn *server = Connect(admin);
    Run(server, QStringLiteral("DROP DATABASE IF EXISTS %1").arg(name).toUtf8().constData());
    Run(server, QStringLiteral("CREATE DATABASE %1").arg(name).toUtf8().constData());
    PQfinish(server);
    QUrl url(admin);
    url.setPath(QLatin1Char('/') + name);
    g_url = url.toString();
    Golf::PrepareDataFolder(g_url);

    PGconn *connection = Connect(g_url);
    Run(connection, "BEGIN");
    for (int club = 1; club <= kClubs; ++club)
        Run(connection, QStringLiteral("INSERT INTO tallimo.golfmaster (\"Descr\", \"RATING\", \"Slope\", \"Par\") VALUES ('Club %1', %2, %3, 72)")
                            .arg(club).arg(club % 5 - 2).arg(100 + club).toUtf8().constData());
    // The players through COPY: every one with a home club and a full twelve-round history.
    PGresult *copy = PQexec(connection, QStringLiteral("COPY tallimo.hcap (%1) FROM STDIN").arg(PlayerColumns().join(QLatin1Char(','))).toUtf8().constData());
    if (PQresultStatus(copy) != PGRES_COPY_IN)
        Die("COPY", connection);
    PQclear(copy);
    QRandomGenerator random(42);
    QByteArray buffer;
    for (int player = 1; player <= g_players; ++player) {
        QStringList values{QStringLiteral("Player %1").arg(player), QString::number(player % kClubs + 1)};
        for (int slot = 1; slot <= 12; ++slot)
            values << QString::number(70 + random.bounded(30));
        for (int slot = 1; slot <= 12; ++slot)
            values << QString::number(random.bounded(6));
        for (int slot = 1; slot <= 12; ++slot)
            values << QDate(2026, 1, 1).addDays(-7 * slot).toString(Qt::ISODate);
        values << QStringLiteral("12") << QStringLiteral("12");
        buffer += values.join(QLatin1Char('\t')).toUtf8() + '\n';
        if (buffer.size() > (1 << 20) || player == g_players) {
            if (PQputCopyData(connection, buffer.constData(), int(buffer.size())) != 1)
                Die("COPY", connection);
            buffer.clear();
        }
    }
    if (PQputCopyEnd(connection, nullptr) != 1)
        Die("COPY", connection);
    for (PGresult *result = PQgetResult(connection); result; result = PQgetResult(connection)) {
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            Die("COPY", connection);
        PQclear(result);
    }
    Run(connection, "COMMIT");
    Run(connection, "ANALYZE");
    PQfinish(connection);
}

void DropDatabase()
{
    PGconn *server = Connect(qEnvironmentVariable("TALLIMO_TEST_DATABASE"));
    Run(server, QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(QUrl(g_url).path().mid(1)).toUtf8().constData());
    PQfinish(server);
}

// The connection a window's tables share, open for the whole run as the program keeps it.
std::unique_ptr<TDatabase> g_database;

std::unique_ptr<TTable> OpenPlayers()
{
    auto table = std::make_unique<TTable>();
    table->SetDatabaseName(Golf::kPlayersConnection);
    table->SetTableName(Golf::kPlayersTable);
    table->Open();
    return table;
}

// A player in the middle of the table, another for each benchmark so that none builds on another's rows.
qint64 PlayerFor(int benchmark) { return g_players / 2 + benchmark; }

// A bare libpq connection with its statements prepared once, as a program written for this
// one job would keep them.
class Bare
{
public:
    Bare() : m_connection(Connect(g_url)) {}
    ~Bare() { PQfinish(m_connection); }

    void Prepare(const char *name, const QString &sql)
    {
        PGresult *result = PQprepare(m_connection, name, sql.toUtf8().constData(), 0, nullptr);
        if (PQresultStatus(result) != PGRES_COMMAND_OK)
            Die(name, m_connection);
        PQclear(result);
    }
    // Runs a prepared statement; the caller clears the result.
    PGresult *Exec(const char *name, const std::vector<QByteArray> &values)
    {
        std::vector<const char *> pointers;
        for (const QByteArray &value : values)
            pointers.push_back(value.isNull() ? nullptr : value.constData());
        PGresult *result = PQexecPrepared(m_connection, name, int(pointers.size()), pointers.data(), nullptr, nullptr, 0);
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            Die(name, m_connection);
        return result;
    }
    void Simple(const char *sql) { Run(m_connection, sql); }

    // One row's values as text, a null as a null QByteArray.
    static std::vector<QByteArray> Row(PGresult *result, int row)
    {
        std::vector<QByteArray> values;
        for (int column = 0; column < PQnfields(result); ++column)
            values.push_back(PQgetisnull(result, row, column) ? QByteArray()
                                                              : QByteArray(PQgetvalue(result, row, column), PQgetlength(result, row, column)));
        return values;
    }

private:
    PGconn *m_connection;
};

QString AllColumns() { return QStringLiteral("\"ID\",") + PlayerColumns().join(QLatin1Char(',')); }

// (a) One field of a player changed: Edit, set, Post on the table.
void Post(benchmark::State &state)
{
    auto players = OpenPlayers();
    players->FindKey(QString::number(PlayerFor(0)));
    int round = 0;
    for (auto _ : state) {
        players->Edit();
        players->FieldByName("Descr")->SetAsString(QStringLiteral("Name %1").arg(++round % 2));
        players->Post();
    }
}
BENCHMARK(Post)->Unit(benchmark::kMicrosecond);

// The same by hand: the row as it was read stays the condition of the change, in a transaction.
void PostBare(benchmark::State &state)
{
    Bare bare;
    const QStringList columns = AllColumns().split(QLatin1Char(','));
    bare.Prepare("read", QStringLiteral("SELECT %1 FROM tallimo.hcap WHERE \"ID\" = $1").arg(AllColumns()));
    QStringList unchanged;
    for (int i = 0; i < columns.size(); ++i)
        unchanged << QString::fromLatin1(i == 0 ? "%1 = $%2" : "%1 IS NOT DISTINCT FROM $%2").arg(columns[i]).arg(i + 2);
    bare.Prepare("post", QStringLiteral("UPDATE tallimo.hcap SET \"Descr\" = $1 WHERE %1").arg(unchanged.join(QLatin1String(" AND "))));
    const QByteArray id = QByteArray::number(PlayerFor(1));
    PGresult *read = bare.Exec("read", {id});
    std::vector<QByteArray> row = Bare::Row(read, 0);
    PQclear(read);
    int round = 0;
    for (auto _ : state) {
        const QByteArray name = QStringLiteral("Name %1").arg(++round % 2).toUtf8();
        std::vector<QByteArray> values{name};
        values.insert(values.end(), row.begin(), row.end());
        bare.Simple("BEGIN");
        PGresult *result = bare.Exec("post", values);
        if (std::strcmp(PQcmdTuples(result), "1") != 0)
            state.SkipWithError("the row was changed elsewhere");
        PQclear(result);
        bare.Simple("COMMIT");
        row[1] = name;
    }
}
BENCHMARK(PostBare)->Unit(benchmark::kMicrosecond);

// (b) The Enter action: a round entered for a player, the history shifted, the round archived.
void EnterRound(benchmark::State &state)
{
    auto players = OpenPlayers();
    players->FindKey(QString::number(PlayerFor(2)));
    const QString date = DateToStr(FromQDate(QDate(2026, 3, 1)));
    int round = 0;
    for (auto _ : state) {
        const Golf::TEnterOutcome outcome = Golf::EnterRound(*players, {QString::number(70 + ++round % 30), QStringLiteral("2"), date, false});
        if (!outcome.Entered())
            state.SkipWithError("the round was not entered");
    }
}
BENCHMARK(EnterRound)->Unit(benchmark::kMicrosecond);

// The same by hand: the player's row locked and read, the history shifted, the handicap worked
// out, the home club's slope read, the round added, one transaction.
void EnterRoundBare(benchmark::State &state)
{
    Bare bare;
    bare.Prepare("lock", QStringLiteral("SELECT %1 FROM tallimo.hcap WHERE \"ID\" = $1 FOR UPDATE").arg(AllColumns()));
    QStringList assignments;
    for (const char *kind : {"S", "C", "D"})
        for (int slot = 1; slot <= 12; ++slot)
            assignments << QStringLiteral("\"%1%2\" = $%3").arg(QLatin1String(kind)).arg(slot).arg(assignments.size() + 2);
    assignments << QStringLiteral("\"CalChcap\" = $%1").arg(assignments.size() + 2);
    bare.Prepare("history", QStringLiteral("UPDATE tallimo.hcap SET %1 WHERE \"ID\" = $1").arg(assignments.join(QLatin1Char(','))));
    bare.Prepare("slope", QStringLiteral("SELECT \"Slope\" FROM tallimo.golfmaster WHERE \"ID\" = $1"));
    bare.Prepare("archive", QStringLiteral("INSERT INTO tallimo.rounds (\"PlayerID\", \"Played\", \"Score\", \"Rating\", \"Slope\", \"PCC\", \"Entered\") "
                                           "VALUES ($1, $2, $3, $4, $5, 0, $6)"));
    const QByteArray id = QByteArray::number(PlayerFor(3));
    int round = 0;
    for (auto _ : state) {
        const int score = 70 + ++round % 30;
        bare.Simple("BEGIN");
        PGresult *locked = bare.Exec("lock", {id});
        const std::vector<QByteArray> row = Bare::Row(locked, 0);
        PQclear(locked);
        // Columns: ID, Descr, Homeclub, S1..S12, C1..C12, D1..D12, CalChcap, Hcap.
        std::vector<QByteArray> values{id};
        Golf::TRounds rounds{};
        for (int kind = 0; kind < 3; ++kind) {
            const int first = 3 + 12 * kind;
            values.push_back(kind == 0 ? QByteArray::number(score) : kind == 1 ? QByteArray("2") : QByteArray("2026-03-01"));
            for (int slot = 2; slot <= 12; ++slot)
                values.push_back(row[first + slot - 2]);
        }
        for (int slot = 0; slot < 12; ++slot) {
            rounds[slot].Score = values[1 + slot].toFloat();
            rounds[slot].Rating = values[13 + slot].toFloat();
        }
        const Golf::THandicap handicap = Golf::CalculateHandicap(rounds);
        values.push_back(QByteArray::number(handicap.Handicap));
        PQclear(bare.Exec("history", values));
        PGresult *club = bare.Exec("slope", {row[2]});
        const QByteArray slope = PQntuples(club) && !PQgetisnull(club, 0, 0) ? QByteArray(PQgetvalue(club, 0, 0)) : QByteArray("113");
        PQclear(club);
        PQclear(bare.Exec("archive", {id, "2026-03-01", QByteArray::number(score), "70", slope,
                                      QDateTime::currentDateTimeUtc().toString(Qt::ISODate).toUtf8()}));
        bare.Simple("COMMIT");
    }
}
BENCHMARK(EnterRoundBare)->Unit(benchmark::kMicrosecond);

// The columns of the window's players grid ("Enter Scores").
const QStringList kGridColumns{QStringLiteral("Descr"), QStringLiteral("Homeclub"), QStringLiteral("S1"), QStringLiteral("S2"),
                               QStringLiteral("S3")};

// (c) The players' grid opening: the table opened and the first page of 30 records shown, every
// cell's text made, as the window's grid of players does.
void OpenFirstPage(benchmark::State &state)
{
    for (auto _ : state) {
        auto players = OpenPlayers();
        TDataSource source;
        source.SetDataSet(players.get());
        TRecordWindowModel model;
        model.SetWindowSize(kPageRows);
        model.SetColumns(kGridColumns);
        model.SetDataSource(&source);
        for (int row = 0; row < model.rowCount(); ++row)
            for (int column = 0; column < model.columnCount(); ++column)
                benchmark::DoNotOptimize(model.data(model.index(row, column)));
    }
}
BENCHMARK(OpenFirstPage)->Unit(benchmark::kMicrosecond);

// The same records moved over on the table alone, without the grid.
void OpenFirstPageTable(benchmark::State &state)
{
    for (auto _ : state) {
        auto players = OpenPlayers();
        players->First();
        for (int row = 0; row < kPageRows && !players->Eof(); ++row) {
            for (int field = 0; field < players->FieldCount(); ++field)
                benchmark::DoNotOptimize(players->Fields(field)->AsString());
            players->Next();
        }
    }
}
BENCHMARK(OpenFirstPageTable)->Unit(benchmark::kMicrosecond);

// The same by hand: the grid's columns of the first 30 players.
void OpenFirstPageBare(benchmark::State &state)
{
    Bare bare;
    QStringList columns{QStringLiteral("\"ID\"")};
    for (const QString &column : kGridColumns)
        columns << QLatin1Char('"') + column + QLatin1Char('"');
    bare.Prepare("page", QStringLiteral("SELECT %1 FROM tallimo.hcap ORDER BY \"ID\" LIMIT %2").arg(columns.join(QLatin1Char(','))).arg(kPageRows));
    for (auto _ : state) {
        PGresult *page = bare.Exec("page", {});
        for (int row = 0; row < PQntuples(page); ++row)
            benchmark::DoNotOptimize(Bare::Row(page, row));
        PQclear(page);
    }
}
BENCHMARK(OpenFirstPageBare)->Unit(benchmark::kMicrosecond);

// The first 30 players whole, as the program keeps a record (every field, for the controls of
// the page that show the current player's other fields).
void OpenFirstPageBareRecords(benchmark::State &state)
{
    Bare bare;
    bare.Prepare("records", QStringLiteral("SELECT %1 FROM tallimo.hcap ORDER BY \"ID\" LIMIT %2").arg(AllColumns()).arg(kPageRows));
    for (auto _ : state) {
        PGresult *page = bare.Exec("records", {});
        for (int row = 0; row < PQntuples(page); ++row)
            benchmark::DoNotOptimize(Bare::Row(page, row));
        PQclear(page);
    }
}
BENCHMARK(OpenFirstPageBareRecords)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--players=", 10) == 0)
            g_players = std::atoi(argv[i] + 10);
    if (qEnvironmentVariableIsEmpty("TALLIMO_TEST_DATABASE")) {
        std::fprintf(stderr, "bench_server: skipped, TALLIMO_TEST_DATABASE names no server "
                             "(run it under scripts/pg-test-server -- ...)\n");
        return 0;
    }
    SetFormatSettings(TFormatSettings());
    BuildDatabase();
    g_database = std::make_unique<TDatabase>();
    g_database->SetDatabaseName(Golf::kPlayersConnection);
    g_database->SetDriverName(LocationDriver(g_url));
    g_database->SetParams(Golf::ConnectionParams(g_url));
    g_database->SetLoginPrompt(false);
    g_database->Open();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_database.reset();
    DropDatabase();
    return 0;
}
