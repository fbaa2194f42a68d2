#include "Backup.h"
#include "Dialogs.h"
#include "FormatSettings.h"
#include "GolfTables.h"
#include "HandicapIndexWindow.h"
#include "RoundArchive.h"
#include "TApplication.h"
#include "TForm1.h"
#include "TTable.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTabBar>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QtCharts/QChart>
#include <QtCharts/QChartView>
#include <QtCharts/QXYSeries>

#include <sqlite3.h>

namespace {

void AddRecord(const QString &folder, const QString &table, const QList<QPair<QString, QVariant>> &values)
{
    TTable target;
    target.SetDatabaseName(folder);
    target.SetTableName(table);
    target.Open();
    target.Insert();
    for (const auto &[field, value] : values)
        target.FieldByName(field)->SetValue(value);
    target.Post();
}

// A statement run straight on a table file, as another program might leave it.
void RunOnFile(const QString &file, const QString &statement)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(file.toUtf8().constData(), &db), SQLITE_OK);
    char *error = nullptr;
    const int result = sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, &error);
    const QString message = error ? QString::fromUtf8(error) : QString();
    sqlite3_free(error);
    sqlite3_close(db);
    QVERIFY2(result == SQLITE_OK, qPrintable(message));
}

Golf::TRoundInput Round(const QDate &played, int score, int ratingTenths = 720, int slope = 113, int pcc = 0)
{
    Golf::TRoundInput round;
    round.Played = played;
    round.Score = score;
    round.RatingTenths = ratingTenths;
    round.Slope = slope;
    round.Pcc = pcc;
    return round;
}

QList<QPointF> Points(HandicapIndexWindow &window, const QString &series)
{
    auto *found = window.findChild<QChartView *>("IndexChartView")->chart()->findChild<QXYSeries *>(series);
    if (!found) {
        for (QAbstractSeries *candidate : window.findChild<QChartView *>("IndexChartView")->chart()->series())
            if (candidate->objectName() == series)
                found = qobject_cast<QXYSeries *>(candidate);
    }
    return found ? found->points() : QList<QPointF>{QPointF(-1, -1)};
}

QList<double> Values(const QList<QPointF> &points)
{
    QList<double> values;
    for (const QPointF &point : points)
        values << point.y();
    std::sort(values.begin(), values.end());
    return values;
}

} // namespace

class tst_HandicapIndexWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;
    TModalResult m_answer = mrYes;
    QString Folder() const { return m_dir->path(); }
    QString PlayersFile() const { return m_dir->filePath(Golf::kPlayersTable); }

    std::unique_ptr<HandicapIndexWindow> Open(int player = 1)
    {
        auto window = std::make_unique<HandicapIndexWindow>(Folder(), player);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get()))
            return nullptr;
        return window;
    }
    void Type(HandicapIndexWindow &window, const QString &field, const QString &text)
    {
        auto *edit = window.findChild<QLineEdit *>(field);
        QVERIFY2(edit, qPrintable(field));
        edit->setFocus(Qt::OtherFocusReason);
        QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }
    // Fills the round editor field by field.
    void TypeRound(HandicapIndexWindow &window, const QString &date, const QString &score, const QString &rating = "72",
                   const QString &slope = "113", const QString &pcc = "0")
    {
        Type(window, "DateEdit", date);
        Type(window, "ScoreEdit", score);
        Type(window, "RatingEdit", rating);
        Type(window, "SlopeEdit", slope);
        Type(window, "PccEdit", pcc);
    }
    void Click(HandicapIndexWindow &window, const QString &button)
    {
        auto *target = window.findChild<QPushButton *>(button);
        QVERIFY2(target && target->isEnabled(), qPrintable(button));
        QTest::mouseClick(target, Qt::LeftButton);
    }
    void ClickRow(HandicapIndexWindow &window, int row)
    {
        auto *table = window.findChild<QTableWidget *>("RoundsTable");
        QTest::mouseClick(table->viewport(), Qt::LeftButton, {}, table->visualItemRect(table->item(row, 0)).center());
    }
    QString Cell(HandicapIndexWindow &window, int row, int column)
    {
        auto *table = window.findChild<QTableWidget *>("RoundsTable");
        return table->item(row, column) ? table->item(row, column)->text() : QStringLiteral("<none>");
    }
    QString Label(HandicapIndexWindow &window, const QString &name) { return window.findChild<QLabel *>(name)->text(); }
    int RowCount(HandicapIndexWindow &window) { return window.findChild<QTableWidget *>("RoundsTable")->rowCount(); }
    int StoredRounds(int player = 1) { return int(Golf::TRoundArchive(Folder()).Load(player).Rounds.size()); }

private slots:
    void init()
    {
        TFormatSettings fs;
        fs.ShortDateFormat = "dd/MM/yyyy";
        SetFormatSettings(fs);
        m_messages.clear();
        m_answer = mrYes;
        SetMessageHandler([this](const TMessageRequest &request) {
            m_messages << request.Text;
            return request.Buttons.contains(m_answer) ? m_answer : request.DefaultButton;
        });
        SetBeepHandler([] {});
        m_dir = std::make_unique<QTemporaryDir>();
        Golf::PrepareDataFolder(Folder());
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Links"}, {"RATING", 2}, {"Slope", 125}, {"Par", 72}});
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Heath"}, {"RATING", 0}});
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Ann"}, {"Homeclub", 1}});
    }
    void cleanup()
    {
        m_dir.reset();
        SetMessageHandler({});
        SetBeepHandler({});
        ResetFormatSettings();
    }

    void toolsButtonOpensTheWindowWithoutMovingTheDesign()
    {
        TForm1 form(Folder());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QToolButton *button = form.ToolsButton();
        QVERIFY(button && button->isVisible());
        QVERIFY(form.ToolsMenu());
        QCOMPARE(button->menu(), form.ToolsMenu());
        QVERIFY(!button->geometry().intersects(form.Part<QWidget>("ColorBtn1")->geometry()));
        auto *pages = form.Part<QTabWidget>("tbn1");
        for (int i = 0; i < pages->count(); ++i) {
            const QRect tab(pages->tabBar()->mapTo(&form, pages->tabBar()->tabRect(i).topLeft()), pages->tabBar()->tabRect(i).size());
            QVERIFY2(!button->geometry().intersects(tab), qPrintable(pages->tabText(i)));
        }
        QCOMPARE(pages->geometry(), QRect(0, 0, 640, 480));

        // The button's face opens the window of the current player, at once.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
        auto *window = form.findChild<HandicapIndexWindow *>();
        QVERIFY(window);
        QCOMPARE(window->PlayerId(), 1);
        QVERIFY(window->isVisible());
        QCOMPARE(Label(*window, "PlayerLabel"), QString("Ann"));
        // A second click brings the same window forward.
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
        QCOMPARE(form.findChildren<HandicapIndexWindow *>().size(), 1);
        QVERIFY(m_messages.isEmpty());
        // The window is one of the Tools menu's, and it ends with the program.
        QVERIFY(form.ToolsMenu()->actions().contains(button->defaultAction()));
        QPointer<HandicapIndexWindow> open(window);
        QTest::mouseClick(form.Part<QWidget>("ktBevelButton1"), Qt::LeftButton);
        QVERIFY(!form.isVisible());
        QTRY_VERIFY(!open || !open->isVisible());
    }

    void aRoundEnteredOnTheScoresPageShowsInTheOpenWindow()
    {
        TForm1 form(Folder());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.ToolsButton(), Qt::LeftButton, {}, QPoint(8, 8));
        auto *window = form.findChild<HandicapIndexWindow *>();
        QVERIFY(window);
        QCOMPARE(RowCount(*window), 0);
        auto *pages = form.Part<QTabWidget>("tbn1");
        QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(2).center());
        QCoreApplication::processEvents();
        auto *score = form.Part<QLineEdit>("EditN1");
        QVERIFY(score);
        form.Part<QLineEdit>("EditN2")->setText("2");
        score->setFocus();
        QTest::keyClicks(score, "90");
        QTest::mouseClick(form.Part<QWidget>("ktBevelButton2"), Qt::LeftButton);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join("; ")));
        // Archived at 72 - 2 = 70.0 with the home club's slope.
        QCOMPARE(RowCount(*window), 1);
        QCOMPARE(Cell(*window, 0, 2), QString("90"));
        QCOMPARE(Cell(*window, 0, 3), QString("70.0"));
        QCOMPARE(Cell(*window, 0, 4), QString("125"));
    }

    // The rounds live in the players' table: a round added in the window opened from the main
    // window is the day's first change, and the day's copy holds the table as it was before it.
    void aRoundAddedInTheWindowIsPrecededByTheDaysCopy()
    {
        Golf::TRoundArchive(Folder()).Add(1, Round(QDate(2026, 3, 1), 90));
        TForm1 form(Folder());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.ToolsButton(), Qt::LeftButton, {}, QPoint(8, 8));
        auto *window = form.findChild<HandicapIndexWindow *>();
        QVERIFY(window);
        const QString today = QDir(Golf::BackupsFolder(Folder())).filePath(QDate::currentDate().toString(Qt::ISODate));
        QVERIFY(!QFileInfo::exists(today));

        window->findChild<QPushButton *>("NewButton")->click();
        TypeRound(*window, "08/03/2026", "92");
        Click(*window, "AddButton");
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join("; ")));
        QCOMPARE(StoredRounds(), 2);
        QVERIFY(QFileInfo(today).isDir());
        QCOMPARE(Golf::TRoundArchive(today).Load(1).Rounds.size(), 1);
    }

    void withoutAPlayerTheUserIsToldAndNoWindowOpens()
    {
        RunOnFile(PlayersFile(), "DELETE FROM hcap");
        TForm1 form(Folder());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::mouseClick(form.ToolsButton(), Qt::LeftButton, {}, QPoint(8, 8));
        QVERIFY(!form.findChild<HandicapIndexWindow *>());
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains("no player"), qPrintable(m_messages.first()));
    }

    // Rounds at rating 72.0, slope 113 and PCC 0 have the differential score - 72.
    void addEditDeleteUpdateEverythingAndReachTheDisk()
    {
        {
            Golf::TRoundArchive archive(Folder());
            archive.Add(1, Round(QDate(2026, 3, 1), 90));
            archive.Add(1, Round(QDate(2026, 3, 8), 92));
            archive.Add(1, Round(QDate(2026, 3, 15), 94));
        }
        auto window = Open();
        QVERIFY(window);
        // Three rounds: the lowest differential (18.0) less 2.0.
        QCOMPARE(Label(*window, "IndexLabel"), QString("16.0"));
        QCOMPARE(RowCount(*window), 3);
        QCOMPARE(Cell(*window, 0, 0), QString("15/03/2026"));
        QCOMPARE(Cell(*window, 2, 2), QString("90"));
        QCOMPARE(Cell(*window, 2, 6), QString("18.0"));
        QCOMPARE(Cell(*window, 2, 8), QString("yes"));
        QCOMPARE(Cell(*window, 0, 8), QString());
        QVERIFY2(Label(*window, "ExplanationLabel").contains("18.0"), qPrintable(Label(*window, "ExplanationLabel")));
        QCOMPARE(Values(Points(*window, "DifferentialSeries")), (QList<double>{18, 20, 22}));
        QCOMPARE(Values(Points(*window, "CountedSeries")), (QList<double>{18}));
        QCOMPARE(Values(Points(*window, "IndexSeries")), (QList<double>{16}));
        // The home club: rating 72 - 2 = 70.0, slope 125, par 72: 16.0 x 125 / 113 - 2 = 15.7 -> 16.
        QVERIFY2(Label(*window, "CourseHandicapLabel").contains("Course handicap 16 at Links"), qPrintable(Label(*window, "CourseHandicapLabel")));

        // A fourth round, typed: 85 makes 13.0, the lowest of four less 1.0.
        window->findChild<QPushButton *>("NewButton")->click();
        window->findChild<QComboBox *>("ClubBox")->setCurrentIndex(window->findChild<QComboBox *>("ClubBox")->findText("Heath"));
        TypeRound(*window, "22/03/2026", "85");
        Click(*window, "AddButton");
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join("; ")));
        QCOMPARE(Label(*window, "IndexLabel"), QString("12.0"));
        QCOMPARE(RowCount(*window), 4);
        QCOMPARE(Cell(*window, 0, 0), QString("22/03/2026"));
        QCOMPARE(Cell(*window, 0, 1), QString("Heath"));
        QCOMPARE(Cell(*window, 0, 6), QString("13.0"));
        QCOMPARE(Cell(*window, 0, 8), QString("yes"));
        QCOMPARE(Cell(*window, 3, 8), QString());
        QVERIFY2(Label(*window, "ExplanationLabel").contains("13.0"), qPrintable(Label(*window, "ExplanationLabel")));
        QCOMPARE(Values(Points(*window, "DifferentialSeries")), (QList<double>{13, 18, 20, 22}));
        QCOMPARE(Values(Points(*window, "CountedSeries")), (QList<double>{13}));
        QCOMPARE(Values(Points(*window, "IndexSeries")), (QList<double>{12, 16}));
        QCOMPARE(StoredRounds(), 4);

        // Corrected to 95: the lowest is 18.0 again, less 1.0 for four rounds.
        ClickRow(*window, 0);
        QCOMPARE(window->findChild<QLineEdit *>("ScoreEdit")->text(), QString("85"));
        Type(*window, "ScoreEdit", "95");
        Click(*window, "SaveButton");
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join("; ")));
        QCOMPARE(Label(*window, "IndexLabel"), QString("17.0"));
        QCOMPARE(Cell(*window, 0, 2), QString("95"));
        QCOMPARE(Cell(*window, 0, 8), QString());
        QCOMPARE(Cell(*window, 3, 8), QString("yes"));
        QCOMPARE(Values(Points(*window, "DifferentialSeries")), (QList<double>{18, 20, 22, 23}));
        QCOMPARE(Golf::TRoundArchive(Folder()).Load(1).Index.Rounds.first().Round.Score, 95);

        // Deleted (after the question): three rounds again.
        ClickRow(*window, 0);
        Click(*window, "DeleteButton");
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains("22/03/2026"), qPrintable(m_messages.first()));
        QCOMPARE(Label(*window, "IndexLabel"), QString("16.0"));
        QCOMPARE(RowCount(*window), 3);
        QCOMPARE(Values(Points(*window, "DifferentialSeries")), (QList<double>{18, 20, 22}));
        QCOMPARE(StoredRounds(), 3);
    }

    void deleteAnsweredNoKeepsTheRound()
    {
        Golf::TRoundArchive(Folder()).Add(1, Round(QDate(2026, 3, 1), 90));
        auto window = Open();
        m_answer = mrNo;
        ClickRow(*window, 0);
        Click(*window, "DeleteButton");
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(RowCount(*window), 1);
        QCOMPARE(StoredRounds(), 1);
    }

    void ratingIsReadWithTheUsersDecimalSeparator_data()
    {
        QTest::addColumn<QChar>("separator");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("storedTenths"); // 0: refused
        QTest::addColumn<QString>("differential");
        QTest::newRow("comma locale, comma") << QChar(',') << "70,5" << 705 << "17,5";
        QTest::newRow("point locale, point") << QChar('.') << "70.5" << 705 << "17.5";
        QTest::newRow("point locale, comma") << QChar('.') << "70,5" << 0 << "";
    }
    void ratingIsReadWithTheUsersDecimalSeparator()
    {
        QFETCH(QChar, separator);
        QFETCH(QString, typed);
        QFETCH(int, storedTenths);
        QFETCH(QString, differential);
        TFormatSettings fs = FormatSettings();
        fs.DecimalSeparator = separator;
        fs.ThousandSeparator = separator == QChar(',') ? QChar('.') : QChar(',');
        SetFormatSettings(fs);
        auto window = Open();
        Type(*window, "DateEdit", "01/04/2026");
        Type(*window, "ScoreEdit", "88");
        Type(*window, "RatingEdit", typed);
        Type(*window, "SlopeEdit", "113");
        Click(*window, "AddButton");
        const Golf::TPlayerRounds stored = Golf::TRoundArchive(Folder()).Load(1);
        if (!storedTenths) {
            QCOMPARE(stored.Rounds.size(), 0);
            QCOMPARE(m_messages.size(), 1);
            QVERIFY2(m_messages.first().contains(typed), qPrintable(m_messages.first()));
            QCOMPARE(RowCount(*window), 0);
            return;
        }
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join("; ")));
        QCOMPARE(stored.Rounds.size(), 1);
        QCOMPARE(stored.Rounds.first().RatingTenths, storedTenths);
        QCOMPARE(Cell(*window, 0, 3), typed);
        QCOMPARE(Cell(*window, 0, 6), differential);
        // Two more rounds make an index: the lowest differential less 2.0, in the user's decimals.
        for (const char *date : {"02/04/2026", "03/04/2026"}) {
            Type(*window, "DateEdit", date);
            Type(*window, "ScoreEdit", "95");
            Type(*window, "RatingEdit", "72");
            Click(*window, "AddButton");
        }
        QCOMPARE(Label(*window, "IndexLabel"), QString("15") + separator + "5");
        QVERIFY2(Label(*window, "ExplanationLabel").contains(differential), qPrintable(Label(*window, "ExplanationLabel")));
        QVERIFY2(Label(*window, "ExplanationLabel").endsWith('.'), qPrintable(Label(*window, "ExplanationLabel")));
    }

    void refusedValuesAreNamedAndNothingIsStored_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("named");
        QTest::newRow("slope too high") << "SlopeEdit" << "160" << "160";
        QTest::newRow("slope too low") << "SlopeEdit" << "54" << "54";
        QTest::newRow("slope not a number") << "SlopeEdit" << "steep" << "steep";
        QTest::newRow("score zero") << "ScoreEdit" << "0" << "0";
        QTest::newRow("score too high") << "ScoreEdit" << "251" << "251";
        QTest::newRow("score with a decimal") << "ScoreEdit" << "88.5" << "88.5";
        QTest::newRow("rating too high") << "RatingEdit" << "90.1" << "90.1";
        QTest::newRow("rating two decimals") << "RatingEdit" << "71.25" << "71.25";
        QTest::newRow("pcc too high") << "PccEdit" << "4" << "4";
        QTest::newRow("pcc too low") << "PccEdit" << "-2" << "-2";
        QTest::newRow("future date") << "DateEdit" << QDate::currentDate().addDays(1).toString("dd/MM/yyyy")
                                     << QDate::currentDate().addDays(1).toString("dd/MM/yyyy");
        QTest::newRow("before 1900") << "DateEdit" << "31/12/1899" << "1899";
        QTest::newRow("no such date") << "DateEdit" << "31/02/2026" << "31/02/2026";
    }
    void refusedValuesAreNamedAndNothingIsStored()
    {
        QFETCH(QString, field);
        QFETCH(QString, typed);
        QFETCH(QString, named);
        auto window = Open();
        TypeRound(*window, "01/04/2026", "88", "71.5", "130");
        Type(*window, field, typed);
        // Return in the field stores, as the button does.
        QTest::keyClick(window->findChild<QLineEdit *>(field), Qt::Key_Return);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains(named), qPrintable(m_messages.first()));
        QCOMPARE(StoredRounds(), 0);
        QCOMPARE(RowCount(*window), 0);
        QCOMPARE(Label(*window, "IndexLabel"), QString("none"));
    }

    void corruptRowsAreReportedAndTheRestShows()
    {
        {
            Golf::TRoundArchive archive(Folder());
            for (int day = 1; day <= 6; ++day)
                archive.Add(1, Round(QDate(2026, 3, day), 90 + day));
        }
        RunOnFile(PlayersFile(), "UPDATE rounds SET Rating = 'steep' WHERE Score = 92");
        RunOnFile(PlayersFile(), "UPDATE rounds SET Played = 'yesterday' WHERE Score = 94");
        RunOnFile(PlayersFile(), "UPDATE rounds SET Score = 'lots' WHERE Score = 96");
        // A round of a player who is no longer there.
        RunOnFile(PlayersFile(), "INSERT INTO rounds (PlayerID, Played, Score, Rating, Slope, PCC) VALUES (77, '2026-03-02', 80, 72.0, 113, 0)");
        auto window = Open();
        QVERIFY(window);
        auto *problems = window->findChild<QLabel *>("ProblemsLabel");
        QVERIFY(problems->isVisible());
        // Each damaged row is named by the value that could not be read.
        for (const char *stored : {"'steep'", "'yesterday'", "'lots'"})
            QVERIFY2(problems->text().contains(stored), qPrintable(problems->text()));
        // The three sound rounds count: 91, 93, 95 -> lowest 19.0, less 2.0 for three.
        QCOMPARE(Label(*window, "IndexLabel"), QString("17.0"));
        QCOMPARE(Values(Points(*window, "DifferentialSeries")), (QList<double>{19, 21, 23}));
        // Every kept round of the player is listed, the damaged ones as left out.
        QCOMPARE(RowCount(*window), 6);
        int leftOut = 0;
        for (int row = 0; row < RowCount(*window); ++row)
            leftOut += Cell(*window, row, 6) == "left out" && Cell(*window, row, 8).isEmpty();
        QCOMPARE(leftOut, 3);
    }

    void aKeptRoundOutsideTheLimitsIsNotedAndLeftOut()
    {
        {
            Golf::TRoundArchive archive(Folder());
            for (int day = 1; day <= 3; ++day)
                archive.Add(1, Round(QDate(2026, 3, day), 90 + day));
        }
        // As an upgraded history may hold it: rating 72 - 35 = 37.0.
        RunOnFile(PlayersFile(), "INSERT INTO rounds (PlayerID, Played, Score, Rating, Slope, PCC) VALUES (1, '2026-03-04', 80, 37.0, 113, 0)");
        auto window = Open();
        auto *notes = window->findChild<QLabel *>("ProblemsLabel");
        QVERIFY(notes->isVisible());
        QVERIFY2(notes->text().contains("04/03/2026") && notes->text().contains("37.0"), qPrintable(notes->text()));
        QCOMPARE(RowCount(*window), 4);
        QCOMPARE(Cell(*window, 0, 6), QString("left out"));
        QCOMPARE(Label(*window, "IndexLabel"), QString("17.0"));
    }

    void aRoundsTableOfAnotherShapeIsReportedNotFatal()
    {
        RunOnFile(PlayersFile(), "DROP TABLE rounds");
        RunOnFile(PlayersFile(), "CREATE TABLE rounds (Something TEXT)");
        auto window = Open();
        QVERIFY(window);
        QVERIFY(window->findChild<QLabel *>("ProblemsLabel")->isVisible());
        QCOMPARE(RowCount(*window), 0);
        QCOMPARE(Label(*window, "IndexLabel"), QString("none"));
        // Adding is refused with the reason, and the window goes on.
        Type(*window, "ScoreEdit", "88");
        Type(*window, "RatingEdit", "72");
        Click(*window, "AddButton");
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(window->isVisible());
    }

    void onlyTheMostRecentTwentyAreListed()
    {
        {
            Golf::TRoundArchive archive(Folder());
            for (int i = 0; i < 23; ++i)
                archive.Add(1, Round(QDate(2025, 1, 1).addDays(7 * i), 80 + i % 5));
            // Entered last, played first: it takes its place by date and is not listed.
            archive.Add(1, Round(QDate(2024, 6, 1), 70));
        }
        auto window = Open();
        QCOMPARE(RowCount(*window), 20);
        QCOMPARE(Cell(*window, 0, 0), QDate(2025, 1, 1).addDays(7 * 22).toString("dd/MM/yyyy"));
        QCOMPARE(Cell(*window, 19, 0), QDate(2025, 1, 1).addDays(7 * 3).toString("dd/MM/yyyy"));
        int counted = 0;
        for (int row = 0; row < 20; ++row)
            counted += Cell(*window, row, 8) == "yes";
        QCOMPARE(counted, 8);
        QCOMPARE(Points(*window, "DifferentialSeries").size(), 24);
        QCOMPARE(Points(*window, "CountedSeries").size(), 8);
    }

    void withoutAPrinterTheReportIsSavedAsAOnePagePdf()
    {
        if (!QPrinterInfo::availablePrinters().isEmpty())
            QSKIP("this machine has a printer");
        {
            Golf::TRoundArchive archive(Folder());
            for (int i = 0; i < 22; ++i)
                archive.Add(1, Round(QDate(2025, 1, 1).addDays(10 * i), 85 + i % 7));
        }
        auto window = Open();
        const QString path = m_dir->filePath("report.pdf");
        QString suggested;
        window->ChoosePdfFile = [&](QWidget *, const QString &name) {
            suggested = name;
            return path;
        };
        Click(*window, "PrintButton");
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains("PDF"), qPrintable(m_messages.first()));
        QVERIFY(suggested.endsWith(".pdf"));
        QFile pdf(path);
        QVERIFY(pdf.open(QIODevice::ReadOnly));
        const QByteArray bytes = pdf.readAll();
        QVERIFY(bytes.startsWith("%PDF"));
        QCOMPARE(bytes.count("/Type /Page\n") + bytes.count("/Type /Page>") + bytes.count("/Type /Page "), 1);

        // Declined: nothing is written.
        QFile::remove(path);
        m_messages.clear();
        m_answer = mrNo;
        Click(*window, "PrintButton");
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(!QFile::exists(path));
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_HandicapIndexWindow test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_handicapindexwindow.moc"
