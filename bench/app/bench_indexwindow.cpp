// Opening the Handicap Index window of a player with many rounds, up to the end of its first
// paint (table and chart), beside reading the same player's rounds and index alone. Run:
//   QT_QPA_PLATFORM=offscreen build/bench/app/bench_indexwindow [--rounds=N]
// (or under xvfb-run for a real display).
#include "Dialogs.h"
#include "GolfTables.h"
#include "HandicapIndexWindow.h"
#include "RoundArchive.h"
#include "TApplication.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtCharts/QChartView>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <cstring>

namespace {

int g_rounds = 5000;
QTemporaryDir *g_dir = nullptr;

// One player with g_rounds rounds, a few a week over the years, at three courses.
void BuildRecord()
{
    Golf::PrepareDataFolder(g_dir->path());
    sqlite3 *db = nullptr;
    sqlite3_open(QFile::encodeName(QDir(g_dir->path()).filePath(Golf::kPlayersTable)).constData(), &db);
    sqlite3_exec(db, "PRAGMA synchronous=OFF; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_exec(db, "INSERT INTO hcap (Descr, Homeclub) VALUES ('Ann', 1)", nullptr, nullptr, nullptr);
    sqlite3_stmt *insert = nullptr;
    sqlite3_prepare_v2(db, "INSERT INTO rounds (PlayerID, Played, Score, Rating, Slope, PCC, Entered) VALUES (1, ?, ?, ?, ?, 0, ?)", -1,
                       &insert, nullptr);
    const QDate first = QDate::currentDate().addDays(-2 * g_rounds);
    for (int i = 0; i < g_rounds; ++i) {
        const QByteArray played = first.addDays(2 * i).toString(Qt::ISODate).toLatin1();
        sqlite3_bind_text(insert, 1, played.constData(), int(played.size()), SQLITE_TRANSIENT);
        sqlite3_bind_int(insert, 2, 78 + (i * 7919) % 17);
        sqlite3_bind_double(insert, 3, 69.5 + (i % 3));
        sqlite3_bind_int(insert, 4, 113 + 6 * (i % 4));
        sqlite3_bind_text(insert, 5, played.constData(), int(played.size()), SQLITE_TRANSIENT);
        sqlite3_step(insert);
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

// Counts the paints of the window and of its chart.
class PaintWatch : public QObject
{
public:
    bool windowPainted = false;
    bool chartPainted = false;
    QObject *chart = nullptr;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            (watched == chart ? chartPainted : windowPainted) = true;
        return false;
    }
};

void BM_ReadRoundsAndIndex(benchmark::State &state)
{
    for (auto _ : state) {
        Golf::TRoundArchive archive(g_dir->path());
        const Golf::TPlayerRounds rounds = archive.Load(1);
        benchmark::DoNotOptimize(rounds.Index.IndexTenths);
    }
}

void BM_OpenWindowToFirstPaint(benchmark::State &state)
{
    for (auto _ : state) {
        auto *window = new HandicapIndexWindow(g_dir->path(), 1);
        PaintWatch watch;
        auto *view = window->findChild<QChartView *>();
        watch.chart = view->viewport();
        window->installEventFilter(&watch);
        view->viewport()->installEventFilter(&watch);
        window->show();
        while (!watch.windowPainted || !watch.chartPainted)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        state.PauseTiming();
        if (window->Shown().Rounds.size() != g_rounds)
            state.SkipWithError("the window did not read every round");
        delete window;
        QCoreApplication::processEvents();
        state.ResumeTiming();
    }
}

} // namespace

int main(int argc, char **argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strncmp(argv[i], "--rounds=", 9) == 0)
            g_rounds = std::atoi(argv[i] + 9);
    TApplication app(argc, argv);
    SetMessageHandler([](const TMessageRequest &request) {
        std::fprintf(stderr, "message: %s\n", request.Text.toUtf8().constData());
        return request.DefaultButton;
    });
    QTemporaryDir dir;
    g_dir = &dir;
    BuildRecord();
    benchmark::RegisterBenchmark("ReadRoundsAndIndex", BM_ReadRoundsAndIndex)->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark("OpenWindowToFirstPaint", BM_OpenWindowToFirstPaint)->Unit(benchmark::kMillisecond);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
