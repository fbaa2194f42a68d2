// The record store against the bare SQLite statements that do the same work, on a table of a
// million records of the player table's shape (41 fields). Run:
//   build/bench/store/bench_store [--records=N]
// Each store benchmark has a "Bare" twin; compare their times side by side.
#include "TDataSource.h"
#include "TRecordWindowModel.h"
#include "TTable.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <unistd.h>
#include <fstream>
#include <memory>

namespace {

int g_records = 1000000;
QTemporaryDir *g_dir = nullptr;

QString TablePath() { return QDir(g_dir->path()).filePath(QStringLiteral("hcap.DB")); }

void Check(int rc, sqlite3 *db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "sqlite: %s\n", sqlite3_errmsg(db));
        std::exit(1);
    }
}

// Builds the table with raw SQLite in one transaction (the store would sync every record).
void BuildTable()
{
    QList<TFieldInfo> fields{{"ID", ftAutoInc, 0, false}, {"Descr", ftString, 40, false}, {"Homeclub", ftInteger, 0, false}};
    for (const char *prefix : {"S", "C"})
        for (int i = 1; i <= 12; ++i)
            fields.append({QStringLiteral("%1%2").arg(QLatin1String(prefix)).arg(i), ftInteger, 0, false});
    for (int i = 1; i <= 12; ++i)
        fields.append({QStringLiteral("D%1").arg(i), ftDate, 0, false});
    fields.append({"CalChcap", ftFloat, 0, false});
    fields.append({"Hcap", ftFloat, 0, false});

    TTable creator;
    creator.SetDatabaseName(g_dir->path());
    creator.SetTableName("hcap.DB");
    creator.CreateTable(fields);

    sqlite3 *db = nullptr;
    Check(sqlite3_open(QFile::encodeName(TablePath()).constData(), &db), db);
    Check(sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr), db);
    QString insert = "INSERT INTO hcap (Descr, Homeclub";
    QString marks = "?, ?";
    for (int i = 3; i < fields.size(); ++i) {
        insert += ", \"" + fields[i].Name + "\"";
        marks += ", ?";
    }
    insert += ") VALUES (" + marks + ")";
    sqlite3_stmt *statement = nullptr;
    Check(sqlite3_prepare_v2(db, insert.toUtf8().constData(), -1, &statement, nullptr), db);
    for (int r = 0; r < g_records; ++r) {
        const QByteArray name = QStringLiteral("Player %1").arg((r * 7919) % g_records, 7, 10, QLatin1Char('0')).toUtf8();
        sqlite3_bind_text(statement, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(statement, 2, 1 + r % 50);
        int column = 3;
        for (int i = 0; i < 12; ++i)
            sqlite3_bind_int(statement, column++, 70 + (r + i) % 40);
        for (int i = 0; i < 12; ++i)
            sqlite3_bind_int(statement, column++, (r + i) % 4);
        for (int i = 0; i < 12; ++i)
            sqlite3_bind_text(statement, column++, "2026-05-01", -1, SQLITE_STATIC);
        sqlite3_bind_double(statement, column++, 12.0);
        sqlite3_bind_double(statement, column++, 12.0);
        Check(sqlite3_step(statement), db);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    Check(sqlite3_exec(db, "CREATE INDEX hcap_descr ON hcap (Descr); COMMIT", nullptr, nullptr, nullptr), db);
    sqlite3_close(db);
    ::sync(); // the bulk load must not be flushed during the first timed post

}

// An open bare connection with the same settings as the store's.
struct Bare
{
    Bare()
    {
        sqlite3_open_v2(QFile::encodeName(TablePath()).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, "PRAGMA journal_mode=WAL; PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    ~Bare()
    {
        for (sqlite3_stmt *statement : statements)
            sqlite3_finalize(statement);
        sqlite3_close(db);
    }
    sqlite3_stmt *Prepare(const char *sql)
    {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
        statements.push_back(statement);
        return statement;
    }
    // Reads every column of every row, as the store does.
    static int ReadRows(sqlite3_stmt *statement)
    {
        int rows = 0;
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(statement); ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(statement, c));
            ++rows;
        }
        sqlite3_reset(statement);
        return rows;
    }
    sqlite3 *db = nullptr;
    std::vector<sqlite3_stmt *> statements;
};

constexpr const char *kColumns = "rowid, *";

std::unique_ptr<TTable> OpenTable()
{
    auto table = std::make_unique<TTable>();
    table->SetDatabaseName(g_dir->path());
    table->SetTableName("hcap.DB");
    table->Open();
    return table;
}

long ResidentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
    }
    return 0;
}

void OpenAndFirstPage(benchmark::State &state)
{
    for (auto _ : state) {
        auto table = OpenTable();
        TDataSource source;
        source.SetDataSet(table.get());
        TRecordWindowModel model;
        model.SetWindowSize(20);
        model.SetDataSource(&source);
        for (int row = 0; row < model.rowCount(); ++row)
            for (int column = 0; column < model.columnCount(); ++column)
                benchmark::DoNotOptimize(model.data(model.index(row, column)));
    }
}
BENCHMARK(OpenAndFirstPage)->Unit(benchmark::kMillisecond);

void OpenAndFirstPageBare(benchmark::State &state)
{
    for (auto _ : state) {
        Bare bare;
        sqlite3_stmt *schema = bare.Prepare("PRAGMA table_info(hcap)");
        Bare::ReadRows(schema);
        sqlite3_stmt *page = bare.Prepare("SELECT rowid, * FROM hcap ORDER BY rowid LIMIT 20");
        benchmark::DoNotOptimize(Bare::ReadRows(page));
    }
}
BENCHMARK(OpenAndFirstPageBare)->Unit(benchmark::kMillisecond);

void LastRecord(benchmark::State &state)
{
    auto table = OpenTable();
    for (auto _ : state) {
        table->Last();
        table->First();
    }
}
BENCHMARK(LastRecord)->Unit(benchmark::kMicrosecond);

void LastRecordBare(benchmark::State &state)
{
    Bare bare;
    sqlite3_stmt *last = bare.Prepare("SELECT rowid, * FROM hcap ORDER BY rowid DESC LIMIT 1");
    sqlite3_stmt *first = bare.Prepare("SELECT rowid, * FROM hcap ORDER BY rowid LIMIT 1");
    for (auto _ : state) {
        Bare::ReadRows(last);
        Bare::ReadRows(first);
    }
}
BENCHMARK(LastRecordBare)->Unit(benchmark::kMicrosecond);

// Next at the start, the middle and the end of the table: the same cost everywhere.
void NextAt(benchmark::State &state)
{
    auto table = OpenTable();
    const int position = int(state.range(0) * (g_records - 100) / 100);
    table->MoveBy(position);
    for (auto _ : state) {
        table->Next();
        table->Prior();
    }
}
BENCHMARK(NextAt)->Arg(0)->Arg(50)->Arg(100)->Unit(benchmark::kMicrosecond);

void NextBare(benchmark::State &state)
{
    Bare bare;
    sqlite3_stmt *next = bare.Prepare("SELECT rowid, * FROM hcap WHERE rowid > ? ORDER BY rowid LIMIT 1");
    sqlite3_stmt *prior = bare.Prepare("SELECT rowid, * FROM hcap WHERE rowid < ? ORDER BY rowid DESC LIMIT 1");
    const int position = g_records / 2;
    for (auto _ : state) {
        sqlite3_bind_int64(next, 1, position);
        Bare::ReadRows(next);
        sqlite3_bind_int64(prior, 1, position + 1);
        Bare::ReadRows(prior);
    }
}
BENCHMARK(NextBare)->Unit(benchmark::kMicrosecond);

void MoveByTen(benchmark::State &state)
{
    auto table = OpenTable();
    table->SetIndexFieldNames("Descr");
    table->MoveBy(g_records / 2);
    for (auto _ : state) {
        table->MoveBy(10);
        table->MoveBy(-10);
    }
}
BENCHMARK(MoveByTen)->Unit(benchmark::kMicrosecond);

void MoveByTenBare(benchmark::State &state)
{
    Bare bare;
    sqlite3_stmt *anchor = bare.Prepare("SELECT Descr, rowid FROM hcap ORDER BY Descr, rowid LIMIT 1 OFFSET ?");
    sqlite3_bind_int(anchor, 1, g_records / 2);
    sqlite3_step(anchor);
    const std::string descr = reinterpret_cast<const char *>(sqlite3_column_text(anchor, 0));
    const sqlite3_int64 id = sqlite3_column_int64(anchor, 1);
    sqlite3_reset(anchor);
    sqlite3_stmt *forward = bare.Prepare("SELECT rowid, * FROM hcap WHERE (Descr, rowid) > (?, ?) ORDER BY Descr, rowid LIMIT 10");
    sqlite3_stmt *backward = bare.Prepare("SELECT rowid, * FROM hcap WHERE (Descr, rowid) < (?, ?) ORDER BY Descr DESC, rowid DESC LIMIT 10");
    for (auto _ : state) {
        sqlite3_bind_text(forward, 1, descr.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(forward, 2, id);
        Bare::ReadRows(forward);
        sqlite3_bind_text(backward, 1, descr.c_str(), -1, SQLITE_STATIC);
        sqlite3_bind_int64(backward, 2, id);
        Bare::ReadRows(backward);
    }
}
BENCHMARK(MoveByTenBare)->Unit(benchmark::kMicrosecond);

// A grid of 20 rows scrolled by one row at the start and in the middle of the table.
void GridScrollAt(benchmark::State &state)
{
    auto table = OpenTable();
    TDataSource source;
    source.SetDataSet(table.get());
    TRecordWindowModel model;
    model.SetWindowSize(20);
    model.SetDataSource(&source);
    table->MoveBy(int(state.range(0) * (g_records - 100) / 100) + 19);
    for (auto _ : state) {
        model.Scroll(1);
        benchmark::DoNotOptimize(model.data(model.index(19, 1)));
        model.Scroll(-20);
        benchmark::DoNotOptimize(model.data(model.index(0, 1)));
        model.Scroll(19);
    }
}
BENCHMARK(GridScrollAt)->Arg(0)->Arg(50)->Unit(benchmark::kMicrosecond);

// The grid's scroll bar: the current record's number after a move (kept by the table), after a
// jump (counted through the order), and a drag of the thumb to the middle (Arg: 0 primary
// order, 1 by name). The "Bare" twins run the same counting statements straight on SQLite.
void RecNoAfterMove(benchmark::State &state)
{
    auto table = OpenTable();
    if (state.range(0))
        table->SetIndexFieldNames("Descr");
    table->First();
    table->MoveBy(g_records / 2);
    for (auto _ : state) {
        table->MoveBy(1);
        benchmark::DoNotOptimize(table->RecNo());
        table->MoveBy(-1);
        benchmark::DoNotOptimize(table->RecNo());
    }
}
BENCHMARK(RecNoAfterMove)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void RecNoAfterJump(benchmark::State &state)
{
    auto table = OpenTable();
    if (state.range(0))
        table->SetIndexFieldNames("Descr");
    table->First();
    table->MoveBy(g_records / 2);
    const TBookmark middle = table->GetBookmark();
    for (auto _ : state) {
        table->GotoBookmark(middle);
        benchmark::DoNotOptimize(table->RecNo());
    }
}
BENCHMARK(RecNoAfterJump)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void RecNoAfterJumpBare(benchmark::State &state)
{
    Bare bare;
    sqlite3_stmt *count = bare.Prepare(state.range(0)
        ? "SELECT (SELECT COUNT(*) FROM hcap WHERE Descr IS NULL) + (SELECT COUNT(*) FROM hcap WHERE Descr < ?)"
          " + (SELECT COUNT(*) FROM hcap WHERE Descr = ? AND rowid < ?)"
        : "SELECT COUNT(*) FROM hcap WHERE rowid < ?");
    sqlite3_stmt *row = bare.Prepare("SELECT rowid, * FROM hcap WHERE rowid = ?");
    const sqlite3_int64 id = g_records / 2;
    const QByteArray name = QStringLiteral("Player %1").arg(g_records / 2, 7, 10, QLatin1Char('0')).toUtf8();
    for (auto _ : state) {
        sqlite3_bind_int64(row, 1, id);
        Bare::ReadRows(row);
        if (state.range(0)) {
            sqlite3_bind_text(count, 1, name.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_text(count, 2, name.constData(), -1, SQLITE_STATIC);
            sqlite3_bind_int64(count, 3, id);
        } else {
            sqlite3_bind_int64(count, 1, id);
        }
        Bare::ReadRows(count);
    }
}
BENCHMARK(RecNoAfterJumpBare)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void DragToTheMiddle(benchmark::State &state)
{
    auto table = OpenTable();
    if (state.range(0))
        table->SetIndexFieldNames("Descr");
    for (auto _ : state) {
        table->SetRecNo(g_records / 2);
        benchmark::DoNotOptimize(table->RecNo());
    }
}
BENCHMARK(DragToTheMiddle)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void DragToTheMiddleBare(benchmark::State &state)
{
    Bare bare;
    sqlite3_stmt *place = bare.Prepare(state.range(0) ? "SELECT rowid FROM hcap ORDER BY Descr, rowid LIMIT 1 OFFSET ?"
                                                      : "SELECT rowid FROM hcap ORDER BY rowid LIMIT 1 OFFSET ?");
    sqlite3_stmt *row = bare.Prepare("SELECT rowid, * FROM hcap WHERE rowid = ?");
    for (auto _ : state) {
        sqlite3_bind_int64(place, 1, g_records / 2 - 1);
        sqlite3_step(place);
        const sqlite3_int64 id = sqlite3_column_int64(place, 0);
        sqlite3_reset(place);
        sqlite3_bind_int64(row, 1, id);
        Bare::ReadRows(row);
    }
}
BENCHMARK(DragToTheMiddleBare)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void IndexSwitch(benchmark::State &state)
{
    auto table = OpenTable();
    for (auto _ : state) {
        table->SetIndexFieldNames("Descr");
        table->SetIndexFieldNames("");
    }
}
BENCHMARK(IndexSwitch)->Unit(benchmark::kMicrosecond);

void IndexSwitchBare(benchmark::State &state)
{
    Bare bare;
    sqlite3_stmt *same = bare.Prepare("SELECT rowid, * FROM hcap WHERE rowid = 1");
    for (auto _ : state) {
        Bare::ReadRows(same);
        Bare::ReadRows(same);
    }
}
BENCHMARK(IndexSwitchBare)->Unit(benchmark::kMicrosecond);

void FindKey(benchmark::State &state)
{
    auto table = OpenTable();
    table->SetIndexFieldNames("ID");
    int key = 1;
    for (auto _ : state) {
        key = (key * 7919) % g_records + 1;
        benchmark::DoNotOptimize(table->FindKey(QString::number(key)));
    }
}
BENCHMARK(FindKey)->Unit(benchmark::kMicrosecond);

void FindKeyBare(benchmark::State &state)
{
    Bare bare;
    sqlite3_stmt *find = bare.Prepare("SELECT rowid, * FROM hcap WHERE rowid = ?");
    int key = 1;
    for (auto _ : state) {
        key = (key * 7919) % g_records + 1;
        sqlite3_bind_int(find, 1, key);
        Bare::ReadRows(find);
    }
}
BENCHMARK(FindKeyBare)->Unit(benchmark::kMicrosecond);

void PostOneRecord(benchmark::State &state)
{
    auto table = OpenTable();
    table->MoveBy(g_records / 2);
    int score = 50;
    for (auto _ : state) {
        score = score == 110 ? 50 : score + 1;
        table->Edit();
        table->FieldByName("S1")->SetAsInteger(score);
        table->Post();
    }
}
BENCHMARK(PostOneRecord)->Unit(benchmark::kMicrosecond);

void PostOneRecordBare(benchmark::State &state)
{
    Bare bare;
    sqlite3_stmt *update = bare.Prepare("UPDATE hcap SET S1 = ? WHERE rowid = ?");
    int score = 50;
    for (auto _ : state) {
        score = score == 110 ? 50 : score + 1;
        sqlite3_bind_int(update, 1, score);
        sqlite3_bind_int(update, 2, g_records / 2 + 1);
        sqlite3_step(update);
        sqlite3_reset(update);
    }
}
BENCHMARK(PostOneRecordBare)->Unit(benchmark::kMicrosecond);

// The memory an open table takes while the user moves through it.
void OpenTableMemory(benchmark::State &state)
{
    for (auto _ : state) {
        const long before = ResidentKiB();
        auto table = OpenTable();
        TDataSource source;
        source.SetDataSet(table.get());
        TRecordWindowModel model;
        model.SetWindowSize(20);
        model.SetDataSource(&source);
        table->Last();
        table->MoveBy(-g_records / 2);
        table->SetIndexFieldNames("Descr");
        table->First();
        state.counters["open_table_MiB"] = double(ResidentKiB() - before) / 1024.0;
    }
}
BENCHMARK(OpenTableMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--records=", 10) == 0)
            g_records = std::atoi(argv[i] + 10);
    QTemporaryDir dir;
    g_dir = &dir;
    BuildTable();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
