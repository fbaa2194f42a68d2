// The data grid moving through a large table against the same grid on a small one: the grid
// holds only the rows it shows, so a key press should cost the same whatever the table's size.
// Run: build/bench/widgets/data/bench_dbgrid [--records=N]
// Compare each "Large" time with its "Small" twin.
#include "TDBGrid.h"
#include "TDataSource.h"
#include "TTable.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>
#include <memory>

namespace {

int g_records = 200000;
constexpr int kSmallRecords = 100;
QTemporaryDir *g_dir = nullptr;

// A club table of the given size, filled with raw SQLite in one transaction.
void BuildTable(const QString &name, int records)
{
    TTable creator;
    creator.SetDatabaseName(g_dir->path());
    creator.SetTableName(name + ".DB");
    creator.CreateTable({{"Descr", ftString, 40, false}, {"City", ftString, 30, false}, {"Contact", ftString, 30, false},
                         {"RATING", ftFloat, 0, false}, {"ID", ftAutoInc, 0, false}});
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(QDir(g_dir->path()).filePath(name + ".DB")).constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    const QByteArray insert = "INSERT INTO " + name.toUtf8() + " (Descr, City, Contact, RATING) VALUES (?, 'Town', 'Someone', 71.5)";
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, insert.constData(), -1, &statement, nullptr);
    for (int r = 0; r < records; ++r) {
        const QByteArray descr = QStringLiteral("Club %1").arg(r, 7, 10, QLatin1Char('0')).toUtf8();
        sqlite3_bind_text(statement, 1, descr.constData(), int(descr.size()), SQLITE_TRANSIENT);
        sqlite3_step(statement);
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// A grid of ten rows over a table, on its middle record.
struct GridOver
{
    explicit GridOver(const QString &name, int records)
    {
        table.SetDatabaseName(g_dir->path());
        table.SetTableName(name + ".DB");
        table.Open();
        source.SetDataSet(&table);
        grid.Columns()->Add("Descr", "Description", Tk::taCenter, 200);
        grid.Columns()->Add("City", QString(), Tk::taCenter, 100);
        grid.Columns()->Add("RATING", QString(), Tk::taCenter, 57);
        grid.SetDataSource(&source);
        grid.resize(420, 60);
        grid.show();
        grid.resize(420, 60 + (10 - grid.VisibleRowCount()) * 17);
        table.MoveBy(records / 2);
    }

    void Press(int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QApplication::sendEvent(&grid, &press);
    }

    TTable table;
    TDataSource source;
    TDBGrid grid;
};

std::unique_ptr<GridOver> g_large;
std::unique_ptr<GridOver> g_small;

// Page Down then Page Up: two moves by a window's height, each one refilling the window.
void Pages(benchmark::State &state, GridOver &over)
{
    for (auto _ : state) {
        over.Press(Qt::Key_PageDown);
        over.Press(Qt::Key_PageUp);
    }
    state.counters["rows"] = over.grid.VisibleRowCount();
}

// Down then Up: one record each way, inside the window.
void Steps(benchmark::State &state, GridOver &over)
{
    for (auto _ : state) {
        over.Press(Qt::Key_Down);
        over.Press(Qt::Key_Up);
    }
}

void Large_Pages(benchmark::State &state) { Pages(state, *g_large); }
void Small_Pages(benchmark::State &state) { Pages(state, *g_small); }
void Large_Steps(benchmark::State &state) { Steps(state, *g_large); }
void Small_Steps(benchmark::State &state) { Steps(state, *g_small); }

} // namespace

BENCHMARK(Large_Pages);
BENCHMARK(Small_Pages);
BENCHMARK(Large_Steps);
BENCHMARK(Small_Steps);

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--records=", 10) == 0)
            g_records = std::atoi(argv[i] + 10);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    QTemporaryDir dir;
    g_dir = &dir;
    BuildTable("large", g_records);
    BuildTable("small", kSmallRecords);
    g_large = std::make_unique<GridOver>("large", g_records);
    g_small = std::make_unique<GridOver>("small", kSmallRecords);

    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_large.reset();
    g_small.reset();
    return 0;
}
