#include "AppControls.h"
#include "Dialogs.h"
#include "GolfTables.h"
#include "JpegImage.h"
#include "Program.h"
#include "Scrolltext.h"
#include "SqliteEngine.h"
#include "TApplication.h"
#include "TColorBtn.h"
#include "TEditN.h"
#include "TForm1.h"
#include "TPreviousInstance.h"
#include "TTable.h"
#include "TktBevelButton.h"
#include "TDBEditN.h"
#include "TDBGrid.h"
#include "TDBNavigator.h"
#include "VornDBControls.h"

#include <QLineEdit>
#include <QPrinterInfo>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A record written straight into a table of the data folder, as an earlier session left it.
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

QVariant StoredValue(const QString &folder, const QString &table, const QString &field, int id = 1)
{
    TTable source;
    source.SetDatabaseName(folder);
    source.SetTableName(table);
    source.Open();
    if (id > 0 && !source.FindKey(QString::number(id)))
        return QStringLiteral("<no record %1>").arg(id);
    return source.FieldByName(field)->Value();
}

} // namespace

class tst_MainWindow : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;
    int m_beeps = 0;

    QString Folder() const { return m_dir->path(); }
    std::unique_ptr<TForm1> Start()
    {
        auto form = std::make_unique<TForm1>(Folder());
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        return form;
    }
    void ClickTab(TForm1 &form, const QString &caption)
    {
        auto *pages = form.Part<TPageControl>("tbn1");
        for (int i = 0; i < pages->count(); ++i) {
            if (pages->tabText(i) == caption) {
                QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(i).center());
                QCoreApplication::processEvents(); // the handler runs once the tab bar is done
                return;
            }
        }
        QFAIL(qPrintable("no tab " + caption));
    }
    TTable *Table(TForm1 &form, const QString &name) { return form.Part<TTable>(name); }

private slots:
    void init()
    {
        TFormatSettings fs;
        fs.ShortDateFormat = "dd/MM/yyyy";
        SetFormatSettings(fs);
        m_messages.clear();
        m_beeps = 0;
        SetMessageHandler([this](const TMessageRequest &request) {
            m_messages << request.Text;
            return request.DefaultButton;
        });
        SetBeepHandler([this] { ++m_beeps; });
        m_dir = std::make_unique<QTemporaryDir>();
        Golf::PrepareDataFolder(Folder());
    }
    void cleanup()
    {
        m_dir.reset();
        SetMessageHandler({});
        SetBeepHandler({});
        ResetFormatSettings();
    }

    void windowIsBuiltAsDesigned()
    {
        auto form = Start();
        QVERIFY(form);
        QCOMPARE(form->windowTitle(), QString("Your Personal Tallimo Lite14"));
        QCOMPARE(form->size(), QSize(640, 480));
        QVERIFY(!(form->windowFlags() & Qt::WindowCloseButtonHint));
        QCOMPARE(form->Color(), Golf::kDefaultWindowColour);
        auto *pages = form->Part<TPageControl>("tbn1");
        QStringList captions;
        for (int i = 0; i < pages->count(); ++i)
            captions << pages->tabText(i);
        QCOMPARE(captions, (QStringList{"Control", "Golf Courses/Clubs", "Enter Scores", "View Scores", "Help", "Handicap Info"}));
        QCOMPARE(pages->ActivePage()->Caption(), QString("Control"));
        QCOMPARE(pages->geometry(), QRect(0, 0, 640, 480));
        QCOMPARE(Table(*form, "Table1")->State(), dsBrowse);
        QCOMPARE(Table(*form, "Table1")->IndexFieldNames(), QString("ID"));
        QCOMPARE(Table(*form, "Table3")->State(), dsBrowse);
        QVERIFY(m_messages.isEmpty());
    }

    void aProgramLinkingTheWindowRunsUnguardedUntilItMakesTheRecord()
    {
        // Only the program's main makes the single-instance record; linking the window (as this
        // test does) takes no lock, and the window's guard component then stays out of the way.
        QVERIFY(!TPreviousInstance::Instance());
        auto form = Start();
        QVERIFY(form);
        QVERIFY(!TPreviousInstance::Instance());
        const QString lock = QCoreApplication::applicationName() + ".lock";
        QVERIFY(!QFile::exists(QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(lock)));
    }

    void aStartPreparedAheadMakesTheSameWindow()
    {
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Ann"}, {"CalChcap", 2.0}});
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Links"}, {"RATING", 70.5}});
        Program::PrepareAhead(Folder());
        auto form = Start();
        QVERIFY(form);
        QCOMPARE(TablesWaitingAhead(), 0); // all three taken by the window
        QCOMPARE(Table(*form, "Table1")->State(), dsBrowse);
        QCOMPARE(form->Part<TDBEditN>("DBEditN1")->text(), QString("Ann"));
        QCOMPARE(form->Part<TVornDBText>("VornDBText1")->Caption(), QString("Links"));
        QCOMPARE(form->Color(), Golf::kDefaultWindowColour);
        // The picture decoded ahead is the picture of the layout.
        auto *picture = form->Part<TImage>("Image1");
        QCOMPARE(picture->Image().size(), QSize(337, 275));
        QCOMPARE(picture->Image(), DecodeJpeg(picture->Picture()));
        // Written through the tables opened ahead, and read back by a new start.
        Table(*form, "Table3")->Edit();
        Table(*form, "Table3")->FieldByName("Descr")->SetAsString("Anne");
        QVERIFY(form->PostPendingChanges());
        form.reset();
        QCOMPARE(StoredValue(Folder(), Golf::kPlayersTable, "Descr").toString(), QString("Anne"));
        QVERIFY(m_messages.isEmpty());
    }

    // Places and settings straight from the window's design tables.
    void partsStandWhereTheDesignPutsThem_data()
    {
        QTest::addColumn<QString>("part");
        QTest::addColumn<QRect>("geometry");
        QTest::newRow("frame") << "ktMultiBevel1" << QRect(148, 48, 345, 281);
        QTest::newRow("picture") << "Image1" << QRect(152, 52, 337, 275);
        QTest::newRow("players frame") << "ktMultiBevel5" << QRect(0, 340, 257, 93);
        QTest::newRow("club frame") << "ktMultiBevel6" << QRect(260, 340, 193, 93);
        QTest::newRow("close frame") << "ktMultiBevel7" << QRect(456, 340, 173, 89);
        QTest::newRow("close button") << "ktBevelButton1" << QRect(488, 364, 109, 35);
        QTest::newRow("colour button") << "ColorBtn1" << QRect(604, 0, 35, 22);
        QTest::newRow("player name") << "DBEditN1" << QRect(124, 368, 121, 22);
        QTest::newRow("score") << "EditN1" << QRect(112, 328, 33, 22);
        QTest::newRow("enter") << "ktBevelButton2" << QRect(148, 328, 41, 21);
        QTest::newRow("rating") << "EditN2" << QRect(112, 352, 33, 22);
        QTest::newRow("date") << "EditN3" << QRect(112, 376, 73, 22);
        QTest::newRow("club handicap") << "DBEditN2" << QRect(112, 424, 45, 22);
        QTest::newRow("tick") << "cb1" << QRect(172, 428, 129, 17);
        QTest::newRow("print") << "siSpeedButton2" << QRect(288, 412, 45, 37);
        QTest::newRow("view frame") << "ktMultiBevel2" << QRect(120, 16, 377, 285);
        QTest::newRow("D8") << "VornDBText10" << QRect(156, 192, 87, 18);
        QTest::newRow("S2") << "VornDBText16" << QRect(296, 72, 87, 18);
        QTest::newRow("C12") << "VornDBText40" << QRect(412, 276, 87, 18);
    }
    void partsStandWhereTheDesignPutsThem()
    {
        QFETCH(QString, part);
        QFETCH(QRect, geometry);
        auto form = Start();
        auto *widget = form->Part<QWidget>(part);
        QVERIFY2(widget, qPrintable(part));
        // Auto-sized labels may grow with their text; their corner stays.
        if (part.startsWith("VornDBText"))
            QCOMPARE(widget->pos(), geometry.topLeft());
        else
            QCOMPARE(widget->geometry(), geometry);
    }

    void fixedTextsAreThoseOfTheDesign()
    {
        auto form = Start();
        const QStringList help = form->Part<TRichEdit>("RichEdit2")->Lines();
        QCOMPARE(help.size(), 62);
        QCOMPARE(help[0], QString("Help..."));
        QCOMPARE(help[3], QString("1. Click on the \"+\" (add) sign of the database control."));
        QCOMPARE(help[58], QString("e. You can change the color of your screen by selecting a different color "));
        const QStringList info = form->Part<TRichEdit>("RichEdit1")->Lines();
        QCOMPARE(info.size(), 49);
        QCOMPARE(info[46], QString("  82      88                   12               209 and over           30"));
        QCOMPARE(form->Part<TScrollText>("sct1")->Caption(), QString("Quarvel's Personal Tallimo  - Lite14"));
    }

    void enteringThreeRoundsShowsTheHandicap()
    {
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Links"}, {"RATING", 1.0}});
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Ann"}, {"Homeclub", 1}});
        auto form = Start();
        ClickTab(*form, "Enter Scores");
        auto *score = form->Part<TEditN>("EditN1");
        auto *rating = form->Part<TEditN>("EditN2");
        QTRY_VERIFY(score->hasFocus());
        QCOMPARE(rating->text(), QString("1"));
        QCOMPARE(form->Part<TEditN>("EditN3")->text(), DateToStr(Today()));

        const QList<QPair<QString, QString>> rounds{{"90", "0"}, {"88", "2"}, {"84", "1"}};
        for (const auto &[strokes, courseRating] : rounds) {
            rating->setText(courseRating);
            score->setFocus();
            QTest::keyClicks(score, strokes);
            QTest::mouseClick(form->Part<TktBevelButton>("ktBevelButton2"), Qt::LeftButton);
            QCOMPARE(score->text(), QString());
        }
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join("; ")));
        TTable *players = Table(*form, "Table3");
        QCOMPARE(players->State(), dsBrowse);
        QCOMPARE(players->FieldByName("CalChcap")->AsFloat(), 2.0);
        QCOMPARE(players->FieldByName("S1")->AsInteger(), 84);
        QCOMPARE(players->FieldByName("C2")->AsInteger(), 2);
        QCOMPARE(StoredValue(Folder(), Golf::kPlayersTable, "S3").toInt(), 90);
        // The page's result and the "View Scores" page follow the posted record.
        QCOMPARE(form->Part<TVornDBText>("VornDBText2")->Caption(), QString("2"));
        ClickTab(*form, "View Scores");
        QCOMPARE(form->Part<TVornDBText>("VornDBText15")->Caption(), QString("84"));
        QCOMPARE(form->Part<TVornDBText>("VornDBText16")->Caption(), QString("88"));
        QCOMPARE(form->Part<TVornDBText>("VornDBText30")->Caption(), QString("2"));
        QCOMPARE(form->Part<TVornDBText>("VornDBText3")->Caption(), DateToStr(Today()));
        QCOMPARE(form->Part<TVornDBText>("VornDBText27")->Caption(), QString("2"));
        QCOMPARE(form->Part<TVornDBText>("VornDBText26")->Caption(), QString("0"));
        ClickTab(*form, "Enter Scores");

        // A score out of range: the beep and the message, nothing stored.
        QTest::keyClicks(score, "49");
        QTest::mouseClick(form->Part<TktBevelButton>("ktBevelButton2"), Qt::LeftButton);
        QCOMPARE(m_messages, QStringList{"Score invalid!"});
        QCOMPARE(m_beeps, 1);
        QCOMPARE(StoredValue(Folder(), Golf::kPlayersTable, "S1").toInt(), 84);
    }

    void storedValuesShowAtStart()
    {
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Ann"}, {"S1", 84}, {"CalChcap", 2.0}, {"Hcap", -3.0}});
        auto form = Start();
        QCOMPARE(form->Part<TVornDBText>("VornDBText2")->Caption(), QString("2"));
        QCOMPARE(form->Part<TVornDBText>("VornDBText27")->Caption(), QString("2"));
        QCOMPARE(form->Part<TVornDBText>("VornDBText28")->Caption(), QString("-3"));
        QCOMPARE(form->Part<TVornDBText>("VornDBText15")->Caption(), QString("84"));
        // The result on "Enter Scores" shows in its red even where the note on minus scores lies.
        ClickTab(*form, "Enter Scores");
        auto *result = form->Part<TVornDBText>("VornDBText2");
        const QImage page = form->grab(QRect(result->mapTo(form.get(), QPoint(0, 0)), result->size())).toImage();
        int red = 0;
        for (int y = 0; y < page.height(); ++y)
            for (int x = 0; x < page.width(); ++x)
                red += qRed(page.pixel(x, y)) > 180 && qGreen(page.pixel(x, y)) < 90 ? 1 : 0;
        QVERIFY(red > 5);
    }

    void addingAPlayerWithAHomeClub()
    {
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "First"}});
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Second"}});
        auto form = Start();
        auto *players = form->Part<TDBNavigator>("DBNavigator1");
        auto *clubs = form->Part<TDBNavigator>("DBNavigator2");
        QTest::mouseClick(players->Button(TDBNavigator::nbInsert), Qt::LeftButton);
        QCOMPARE(Table(*form, "Table3")->State(), dsInsert);
        auto *name = form->Part<TDBEditN>("DBEditN1");
        name->setFocus();
        QTest::keyClicks(name, "Ann Carter");
        QTest::mouseClick(clubs->Button(TDBNavigator::nbNext), Qt::LeftButton);
        QCOMPARE(form->Part<TVornDBText>("VornDBText1")->Caption(), QString("Second"));
        QTest::mouseClick(players->Button(TDBNavigator::nbPost), Qt::LeftButton);
        // Posted with its name; the home club is set and waits, in edit state, for the next post.
        TTable *table = Table(*form, "Table3");
        QCOMPARE(StoredValue(Folder(), Golf::kPlayersTable, "Descr").toString(), QString("Ann Carter"));
        QCOMPARE(table->State(), dsEdit);
        QCOMPARE(table->FieldByName("Homeclub")->AsInteger(), 2);
        QVERIFY(!players->Button(TDBNavigator::nbEdit)->isEnabled());
        QVERIFY(players->Button(TDBNavigator::nbPost)->isEnabled());
        QTest::mouseClick(players->Button(TDBNavigator::nbFirst), Qt::LeftButton); // a move posts it
        QCOMPARE(StoredValue(Folder(), Golf::kPlayersTable, "Homeclub").toInt(), 2);
        // The banner settled on the first navigator click.
        QCOMPARE(form->Part<TScrollText>("sct1")->Scrolltype(), TCustomScroll::scNone);
    }

    void gridClicksFindTheHomeClubAndCopyTheRating()
    {
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "First"}, {"RATING", 3.0}});
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Second"}, {"RATING", 4.0}});
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Ann"}, {"Homeclub", 1}});
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Bo"}, {"Homeclub", 2}});
        auto form = Start();
        ClickTab(*form, "Enter Scores");
        auto *playerGrid = form->Part<TDBGrid>("DBGrid5");
        auto *clubGrid = form->Part<TDBGrid>("DBGrid4");
        auto *rating = form->Part<TEditN>("EditN2");
        QCOMPARE(rating->text(), QString("3"));
        // Column "#5" shows S5.
        QCOMPARE(playerGrid->Columns()->Items(6)->Title()->Caption(), QString("#5"));
        QCOMPARE(playerGrid->Columns()->Items(6)->FieldName(), QString("S5"));
        const auto clickCell = [](TDBGrid *grid, int row, int column) {
            const QRect cell = grid->visualRect(grid->model()->index(row, column));
            QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        };
        clickCell(playerGrid, 1, 0);
        QCOMPARE(Table(*form, "Table3")->FieldByName("Descr")->AsString(), QString("Bo"));
        QCOMPARE(Table(*form, "Table1")->FieldByName("Descr")->AsString(), QString("Second"));
        QCOMPARE(rating->text(), QString("3")); // a player click leaves the rating alone
        clickCell(clubGrid, 0, 0);
        QCOMPARE(Table(*form, "Table1")->FieldByName("Descr")->AsString(), QString("First"));
        QCOMPARE(rating->text(), QString("3"));
        clickCell(clubGrid, 1, 3);
        QCOMPARE(rating->text(), QString("4"));
    }

    void tickingAdjustCopiesTheHandicapAndPosts()
    {
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Ann"}, {"CalChcap", 7.0}, {"Hcap", 11.0}});
        auto form = Start();
        auto *tick = form->Part<TCheckBox>("cb1");
        tick->setChecked(true);
        QCOMPARE(Table(*form, "Table3")->State(), dsBrowse);
        QCOMPARE(StoredValue(Folder(), Golf::kPlayersTable, "Hcap").toDouble(), 7.0);
        Table(*form, "Table3")->Edit();
        Table(*form, "Table3")->FieldByName("CalChcap")->SetAsFloat(3);
        tick->setChecked(false); // unticking only posts
        QCOMPARE(StoredValue(Folder(), Golf::kPlayersTable, "Hcap").toDouble(), 7.0);
        QCOMPARE(StoredValue(Folder(), Golf::kPlayersTable, "CalChcap").toDouble(), 3.0);
    }

    void tabClickFindsTheHomeClubAndRefillsTheInputs()
    {
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "First"}, {"RATING", 3.0}});
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Home"}, {"RATING", 5.0}});
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Ann"}, {"Homeclub", 2}});
        auto form = Start();
        TTable *clubs = Table(*form, "Table1");
        ClickTab(*form, "Enter Scores");
        QCOMPARE(clubs->FieldByName("Descr")->AsString(), QString("Home"));
        QCOMPARE(clubs->IndexFieldNames(), QString("id"));
        auto *rating = form->Part<TEditN>("EditN2");
        QCOMPARE(rating->text(), QString("5"));
        rating->setText("9");
        form->Part<TEditN>("EditN3")->setText("");
        ClickTab(*form, "Enter Scores"); // again: the same steps
        QCOMPARE(rating->text(), QString("5"));
        QCOMPARE(form->Part<TEditN>("EditN3")->text(), DateToStr(Today()));

        ClickTab(*form, "View Scores");
        QCOMPARE(clubs->IndexFieldNames(), QString());
        QCOMPARE(clubs->FieldByName("Descr")->AsString(), QString("First"));
        // The banner stopped at the first click for good.
        auto *banner = form->Part<TScrollText>("sct1");
        QCOMPARE(banner->Scrolltype(), TCustomScroll::scNone);
        QCOMPARE(AlignOf(banner), alTop);
        QCOMPARE(banner->Alignment(), Tk::taCenter);
    }

    void clubPageNavigatorMaintainsTheClubs()
    {
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Links"}});
        auto form = Start();
        ClickTab(*form, "Golf Courses/Clubs");
        auto *navigator = form->Part<TVornDBNavigator>("VornDBNavigator1");
        QCOMPARE(navigator->geometry(), QRect(0, 419, 632, 32));
        TTable *clubs = Table(*form, "Table1");
        auto press = [&](VornNav::TVornNavBtns button) {
            QVERIFY2(navigator->Button(button)->isEnabled(), qPrintable(QString::number(button)));
            QTest::mouseClick(navigator->Button(button), Qt::LeftButton);
        };
        press(VornNav::nbInsert);
        QCOMPARE(clubs->State(), dsInsert);
        clubs->FieldByName("Descr")->SetAsString("Heath");
        press(VornNav::nbPost);
        QCOMPARE(clubs->RecordCount(), 2);
        press(VornNav::nbEdit);
        clubs->FieldByName("City")->SetAsString("Ashby");
        press(VornNav::nbCancel); // ConfirmCancel is off on this page: no question
        QVERIFY(m_messages.isEmpty());
        QCOMPARE(clubs->State(), dsBrowse);
        QCOMPARE(clubs->FieldByName("City")->AsString(), QString());
        press(VornNav::nbDelete);
        QCOMPARE(m_messages, QStringList{"Are you sure you want to Delete the Record(s) ?"});
        QCOMPARE(clubs->RecordCount(), 1);
        press(VornNav::nbRefresh);
        QCOMPARE(clubs->FieldByName("Descr")->AsString(), QString("Links"));
        QVERIFY(!navigator->Button(VornNav::nbPriorSet)->isVisible());
    }

    void clubPageCancelDropsWhatWasTypedIntoAGridCell()
    {
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Links"}, {"City", "Ashby"}});
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Heath"}, {"City", "Dunmore"}});
        auto form = Start();
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        ClickTab(*form, "Golf Courses/Clubs");
        auto *grid = form->Part<TDBGrid>("DBGrid1");
        auto *navigator = form->Part<TVornDBNavigator>("VornDBNavigator1");
        TTable *clubs = Table(*form, "Table1");
        const auto cell = [grid](int row, int column) { return grid->visualRect(grid->model()->index(row, column)).center(); };
        // Type into the City of the first club, as a user does: click the cell, then type.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell(0, 1));
        QTest::keyClick(grid, Qt::Key_F2);
        for (const char key : QByteArray("Typo")) {
            QWidget *focus = QApplication::focusWidget();
            QTest::keyClick(focus, key, Qt::NoModifier, 30);
        }
        QCOMPARE(clubs->State(), dsEdit);
        QTest::mouseClick(navigator->Button(VornNav::nbCancel), Qt::LeftButton);
        QCOMPARE(clubs->State(), dsBrowse);
        QTRY_VERIFY(grid->viewport()->findChildren<QLineEdit *>().isEmpty());
        // The next click on another row writes nothing of what was typed.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell(1, 0), 50);
        QCOMPARE(clubs->FieldByName("Descr")->AsString(), QString("Heath"));
        QCOMPARE(clubs->State(), dsBrowse);
        QCOMPARE(StoredValue(Folder(), Golf::kClubsTable, "City", 1).toString(), QString("Ashby"));
        QVERIFY(m_messages.isEmpty());
    }

    void aClubBeingEditedIsPostedWhenATabIsClicked()
    {
        AddRecord(Folder(), Golf::kClubsTable, {{"Descr", "Links"}});
        auto form = Start();
        TTable *clubs = Table(*form, "Table1");
        clubs->Edit();
        clubs->FieldByName("City")->SetAsString("Dunmore");
        ClickTab(*form, "Golf Courses/Clubs");
        QCOMPARE(clubs->State(), dsBrowse);
        QCOMPARE(StoredValue(Folder(), Golf::kClubsTable, "City").toString(), QString("Dunmore"));
    }

    void closingPostsWhatIsPendingAndStaysOpenWhenThatFails()
    {
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Ann"}});
        AddRecord(Folder(), Golf::kPlayersTable, {{"Descr", "Bo"}});
        {
            auto form = Start();
            TTable *players = Table(*form, "Table3");
            players->Edit();
            players->FieldByName("Homeclub")->SetAsInteger(4);
            QVERIFY(form->close());
            QCOMPARE(StoredValue(Folder(), Golf::kPlayersTable, "Homeclub").toInt(), 4);
        }
        auto form = Start();
        TTable *players = Table(*form, "Table3");
        players->Last();
        players->Edit();
        players->FieldByName("Descr")->SetAsString("Bob");
        {
            // The record goes from under the window's feet: its post must fail.
            TTable other;
            other.SetDatabaseName(Folder());
            other.SetTableName(Golf::kPlayersTable);
            other.Open();
            other.Last();
            other.Delete();
        }
        QVERIFY(!form->close());
        QVERIFY(form->isVisible());
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains("Record not found"), qPrintable(m_messages.first()));
        QCOMPARE(players->State(), dsEdit);
    }

    void chosenColourIsStoredAndAppliedAtTheNextStart()
    {
        {
            auto form = Start();
            auto *button = form->Part<TColorBtn>("ColorBtn1");
            button->SetActiveColor(clRed);
            QTest::mouseClick(button->ColorPart(), Qt::LeftButton);
            QCOMPARE(form->Color(), clRed);
            QCOMPARE(form->palette().color(QPalette::Window), QColor(255, 0, 0));
            form->close();
        }
        auto form = Start();
        QCOMPARE(form->Color(), clRed);
        QCOMPARE(StoredValue(Folder(), Golf::kSettingsTable, "colour", 0).toInt(), clRed);
    }

    void emptySettingsTableStartsBlackAndASystemColourIsResolved()
    {
        {
            TTable settings;
            settings.SetDatabaseName(Folder());
            settings.SetTableName(Golf::kSettingsTable);
            settings.Open();
            settings.Delete();
        }
        {
            auto form = Start();
            QCOMPARE(form->Color(), clBlack);
            form->Part<TColorBtn>("ColorBtn1")->SetActiveColor(clBtnFace);
            form->ColorBtn1Click(); // the first change inserts the settings record
        }
        auto form = Start();
        QCOMPARE(form->Color(), clBtnFace);
        QCOMPARE(form->palette().color(QPalette::Window), QColor(192, 192, 192));
    }

    void damagedTableIsReportedAndTheWindowStillOpens()
    {
        QFile file(QDir(Folder()).filePath(Golf::kSettingsTable));
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write("not a table at all");
        file.close();
        auto form = Start();
        QVERIFY(form);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY(m_messages.first().contains(Golf::kSettingsTable));
        QCOMPARE(Table(*form, "Table1")->State(), dsBrowse); // opened before the damaged one
        QCOMPARE(Table(*form, "Table3")->State(), dsInactive); // the ones after stay closed
        QCOMPARE(form->Color(), Golf::kDefaultWindowColour);
    }

    void printingWithoutAPrinterOffersAPdf()
    {
        if (!QPrinterInfo::availablePrinters().isEmpty())
            QSKIP("this machine has a printer");
        auto form = Start();
        SetMessageHandler([this](const TMessageRequest &request) {
            m_messages << request.Text;
            return mrNo;
        });
        QTest::mouseClick(form->Part<QWidget>("siSpeedButton2"), Qt::LeftButton);
        QCOMPARE(m_messages, QStringList{"No printer is installed. Save the handicap chart as a PDF file instead?"});
    }

    void clickingThePictureSettlesTheBanner()
    {
        auto form = Start();
        auto *banner = form->Part<TScrollText>("sct1");
        QCOMPARE(banner->Scrolltype(), TCustomScroll::scRight);
        QTest::mouseClick(form->Part<TImage>("Image1"), Qt::LeftButton);
        QCOMPARE(banner->Scrolltype(), TCustomScroll::scNone);
        QCOMPARE(banner->Caption(), QString("Quarvel's Personal Tallimo  - Lite14"));
        QCOMPARE(banner->width(), form->Part<QWidget>("TabSheet1")->width());
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_MainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainwindow.moc"
