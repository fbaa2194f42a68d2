#include "../../store/StoreTestSupport.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "TDBGrid.h"
#include "TDBNavigator.h"
#include "TSpeedButton.h"
#include "TLayout.h"
#include "TDataSource.h"
#include "TRecordWindowModel.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QVBoxLayout>

namespace {

QList<std::tuple<QString, QVariant, QVariant>> Clubs(int count)
{
    QList<std::tuple<QString, QVariant, QVariant>> records;
    for (int i = 0; i < count; ++i)
        records.append({QStringLiteral("Club%1").arg(i + 1, 2, 10, QLatin1Char('0')), 70.0 + i, 18});
    return records;
}

// A window with the grid over a real table and an edit field to move the focus to.
struct GridWindow
{
    explicit GridWindow(int records, int height = 160)
    {
        table = fixture.MakeTable("clubs.DB", Clubs(records));
        source.SetDataSet(table.get());
        auto *layout = new QVBoxLayout(&window);
        grid = new TDBGrid;
        other = new QLineEdit;
        layout->addWidget(grid);
        layout->addWidget(other);
        grid->setFixedSize(360, height);
        grid->Columns()->Add("Descr", "Description", Tk::taCenter, 120);
        grid->Columns()->Add("RATING", QString(), Tk::taCenter, 60);
        grid->Columns()->Add("Holes", QString(), Tk::taLeftJustify, 40);
        grid->SetDataSource(&source);
        window.show();
    }

    QString Current() const { return table->FieldByName("Descr")->AsString(); }
    // What the file holds for the record at a position of the primary order, read through a
    // table of its own.
    QString Stored(int position) const
    {
        TTable reader;
        reader.SetDatabaseName(fixture.Folder());
        reader.SetTableName("clubs.DB");
        reader.Open();
        reader.MoveBy(position);
        return reader.FieldByName("Descr")->AsString();
    }
    void Activate()
    {
        window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }
    QPoint CellCentre(int row, int column) const
    {
        return grid->visualRect(grid->model()->index(row, column)).center();
    }

    TableFixture fixture;
    std::unique_ptr<TTable> table;
    TDataSource source;
    QWidget window;
    TDBGrid *grid;
    QLineEdit *other;
};

// Types each character into whatever holds the focus at that moment, `delay` ms apart, the way
// a person types.
void TypeSlowly(const QString &text, int delay)
{
    for (const QChar ch : text) {
        QWidget *target = QApplication::focusWidget();
        QVERIFY(target);
        QTest::keyClick(target, ch.toLatin1(), Qt::NoModifier, delay);
    }
}

// The events a person's double click sends: press, release, press, double click, release.
void DoubleClick(QWidget *widget, QPoint at)
{
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at, 30);
    QTest::mousePress(widget, Qt::LeftButton, Qt::NoModifier, at, 30);
    QTest::mouseDClick(widget, Qt::LeftButton, Qt::NoModifier, at);
    QTest::mouseRelease(widget, Qt::LeftButton, Qt::NoModifier, at, 30);
}

} // namespace

class tst_DBGrid : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        SetFormatSettings(TFormatSettings());
        m_requests.clear();
        m_answer = mrOk;
        SetMessageHandler([this](const TMessageRequest &request) {
            m_requests << request;
            return m_answer;
        });
    }
    void cleanup()
    {
        SetMessageHandler({});
        ResetFormatSettings();
    }

    void columnsFromTheLayoutShowTitlesWidthsAndSkipUnknownFields()
    {
        GridWindow w(3);
        const QVariantList items{
            QVariantMap{{"FieldName", "Descr"}, {"Title.Caption", "Description"}, {"Title.Alignment", "taCenter"}, {"Width", 251}},
            QVariantMap{{"FieldName", "City"}, {"Title.Alignment", "taCenter"}, {"Width", 123}},
            QVariantMap{{"FieldName", "RATING"}, {"Title.Alignment", "taCenter"}, {"Width", 57}},
            QVariantMap{{"FieldName", "ID"}, {"Width", 27}},
        };
        QVERIFY(w.grid->setProperty("Columns", items));
        QCOMPARE(w.grid->Columns()->Count(), 4);
        QCOMPARE(w.grid->Columns()->Items(0)->Title()->Alignment(), Tk::taCenter);
        // The table has no City: its column is left out, the others keep their order.
        QCOMPARE(w.grid->model()->columnCount(), 3);
        QCOMPARE(w.grid->ColumnAt(0)->TitleText(), QString("Description"));
        QCOMPARE(w.grid->ColumnAt(1)->TitleText(), QString("RATING")); // no caption: the field name
        QCOMPARE(w.grid->ColumnAt(2)->FieldName(), QString("ID"));
        QCOMPARE(w.grid->horizontalHeader()->sectionSize(0), 251 + 1);
        QCOMPARE(w.grid->horizontalHeader()->sectionSize(2), 27 + 1);

        // A changed number of rows resets the model; the widths stay, a dragged width too.
        w.grid->horizontalHeader()->resizeSection(1, 81);
        QCOMPARE(w.grid->ColumnAt(1)->Width(), 80);
        w.table->Insert();
        w.table->FieldByName("Descr")->SetAsString("New");
        w.table->Post();
        QCOMPARE(w.grid->model()->rowCount(), 4);
        QCOMPARE(w.grid->horizontalHeader()->sectionSize(0), 252);
        QCOMPARE(w.grid->horizontalHeader()->sectionSize(1), 81);

        const QVariantList back = w.grid->property("Columns").toList();
        QCOMPARE(back.size(), 4);
        QCOMPARE(back[1].toMap().value("FieldName").toString(), QString("City"));
    }

    void loadsFromTheWindowLayout()
    {
        const TLayoutObject layout = ParseLayout(QStringLiteral(
            "object Page: TPage\n"
            "  object DataSource3: TDataSource\n"
            "  end\n"
            "  object DBGrid5: TDBGrid\n"
            "    Left = 0\n"
            "    Top = 14\n"
            "    Width = 632\n"
            "    Height = 155\n"
            "    DataSource = DataSource3\n"
            "    FixedColor = $00A2BDB0\n"
            "    TitleFont.Name = 'Arial'\n"
            "    TitleFont.Height = -11\n"
            "    TitleFont.Color = clWindowText\n"
            "    Columns = <\n"
            "      item\n"
            "        FieldName = 'Descr'\n"
            "        Width = 137\n"
            "      end\n"
            "      item\n"
            "        FieldName = 'Holes'\n"
            "        Title.Caption = '#5'\n"
            "        Title.Alignment = taCenter\n"
            "        Width = 30\n"
            "      end>\n"
            "  end\n"
            "end\n"));
        TClassRegistry registry;
        registry.Register<TDBGrid>("TDBGrid");
        registry.Register("TDataSource", [](QObject *owner, QWidget *) -> QObject * { return new TDataSource(owner); });
        TLayoutLoader loader(registry);
        QWidget page;
        loader.Load(layout, &page);
        auto *grid = page.findChild<TDBGrid *>("DBGrid5");
        auto *source = page.findChild<TDataSource *>("DataSource3");
        QVERIFY(grid && source);
        QCOMPARE(grid->DataSource(), source);
        QCOMPARE(grid->geometry(), QRect(0, 14, 632, 155));
        QCOMPARE(grid->FixedColor(), RGBColor(176, 189, 162));
        QCOMPARE(grid->TitleFont().pixelSize(), 11);
        QCOMPARE(grid->TitleFontColor(), clWindowText);

        TableFixture fixture;
        auto table = fixture.MakeTable("players.DB", Clubs(3));
        source->SetDataSet(table.get());
        QCOMPARE(grid->model()->columnCount(), 2);
        QCOMPARE(grid->ColumnAt(0)->TitleText(), QString("Descr"));
        QCOMPARE(grid->ColumnAt(1)->TitleText(), QString("#5"));
        QCOMPARE(grid->ColumnAt(1)->Title()->Alignment(), Tk::taCenter);
        QCOMPARE(grid->horizontalHeader()->sectionSize(0), 138);
        QCOMPARE(grid->model()->index(0, 1).data().toString(), QString("18"));
    }

    void unknownColumnPropertyIsRefused()
    {
        GridWindow w(1);
        bool refused = false;
        try {
            w.grid->SetColumnItems({QVariantMap{{"FieldName", "Descr"}, {"Colour", 3}}});
        } catch (const EInvalidOperation &) {
            refused = true;
        }
        QVERIFY(refused);
    }

    void withoutColumnsEveryFieldIsShown()
    {
        GridWindow w(2);
        w.grid->Columns()->Clear();
        QCOMPARE(w.grid->model()->columnCount(), 5);
        QCOMPARE(w.grid->ColumnAt(1)->TitleText(), QString("Descr"));
        QVERIFY(w.grid->horizontalHeader()->sectionSize(1) > 20);
    }

    void windowHoldsOnlyTheVisibleRows()
    {
        GridWindow w(500);
        const int rows = w.grid->VisibleRowCount();
        QVERIFY(rows >= 3);
        QCOMPARE(w.grid->model()->rowCount(), rows);
        QCOMPARE(w.grid->WindowModel()->WindowSize(), rows);
        w.grid->setFixedSize(360, 300);
        QVERIFY(w.grid->VisibleRowCount() > rows);
        QCOMPARE(w.grid->model()->rowCount(), w.grid->VisibleRowCount());
    }

    void keysWheelAndScrollBarMoveTheCurrentRecord_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("expected");
        // r = visible rows; each step is applied in turn from the first record.
        QTest::newRow("down twice") << "down down" << "Club03";
        QTest::newRow("down past the window") << "pagedown down" << "r+2";
        QTest::newRow("up at the first does nothing") << "up" << "Club01";
        QTest::newRow("ctrl+end") << "ctrlend" << "Club40";
        QTest::newRow("ctrl+end then up") << "ctrlend up" << "Club39";
        QTest::newRow("ctrl+home") << "ctrlend ctrlhome" << "Club01";
        QTest::newRow("page down and up") << "pagedown pagedown pageup" << "r+1";
        QTest::newRow("wheel down one notch") << "wheeldown" << "wheel";
        QTest::newRow("wheel back") << "wheeldown wheelup" << "Club01";
        QTest::newRow("scroll bar arrow") << "barstep barstep" << "Club03";
        QTest::newRow("scroll bar page") << "barpage" << "r+1";
        QTest::newRow("scroll bar to the end") << "barmax" << "Club40";
        QTest::newRow("thumb dragged to the end") << "dragmax" << "Club40";
        QTest::newRow("thumb dragged to the start") << "ctrlend dragmin" << "Club01";
    }

    void keysWheelAndScrollBarMoveTheCurrentRecord()
    {
        QFETCH(QString, steps);
        QFETCH(QString, expected);
        GridWindow w(40);
        const int rows = w.grid->VisibleRowCount();
        QScrollBar *bar = w.grid->verticalScrollBar();
        for (const QString &step : steps.split(' ')) {
            if (step == "down") QTest::keyClick(w.grid, Qt::Key_Down);
            else if (step == "up") QTest::keyClick(w.grid, Qt::Key_Up);
            else if (step == "pagedown") QTest::keyClick(w.grid, Qt::Key_PageDown);
            else if (step == "pageup") QTest::keyClick(w.grid, Qt::Key_PageUp);
            else if (step == "ctrlend") QTest::keyClick(w.grid, Qt::Key_End, Qt::ControlModifier);
            else if (step == "ctrlhome") QTest::keyClick(w.grid, Qt::Key_Home, Qt::ControlModifier);
            else if (step.startsWith("wheel")) {
                const int delta = step == "wheeldown" ? -120 : 120;
                QWheelEvent wheel(QPointF(20, 40), w.grid->viewport()->mapToGlobal(QPointF(20, 40)), QPoint(), QPoint(0, delta),
                                  Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
                QApplication::sendEvent(w.grid->viewport(), &wheel);
            } else if (step == "barstep") bar->triggerAction(QAbstractSlider::SliderSingleStepAdd);
            else if (step == "barpage") bar->triggerAction(QAbstractSlider::SliderPageStepAdd);
            else if (step == "barmax") bar->triggerAction(QAbstractSlider::SliderToMaximum);
            else if (step.startsWith("drag")) {
                bar->setSliderDown(true);
                bar->setSliderPosition(step == "dragmax" ? bar->maximum() : bar->minimum());
                bar->setSliderDown(false);
            } else QFAIL(qPrintable("unknown step " + step));
            // The rows never scroll inside the view: the window of records moves instead.
            QCOMPARE(w.grid->verticalHeader()->offset(), 0);
            QCOMPARE(w.grid->model()->rowCount(), rows);
            QCOMPARE(w.grid->currentIndex().row(), w.grid->WindowModel()->ActiveRow());
        }
        if (expected == "wheel")
            expected = QStringLiteral("Club%1").arg(1 + QApplication::wheelScrollLines(), 2, 10, QLatin1Char('0'));
        else if (expected.startsWith("r+"))
            expected = QStringLiteral("Club%1").arg(1 + rows + expected.mid(2).toInt() - 1, 2, 10, QLatin1Char('0'));
        QCOMPARE(w.Current(), expected);
    }

    void scrollBarShowsWhereTheCurrentRecordStands()
    {
        GridWindow w(40);
        QScrollBar *bar = w.grid->verticalScrollBar();
        QCOMPARE(bar->maximum(), 39);
        QCOMPARE(bar->value(), 0);
        w.table->MoveBy(3);
        QCOMPARE(bar->value(), 3);
        w.table->Last();
        QCOMPARE(bar->value(), 39);
        w.table->Prior();
        QCOMPARE(bar->value(), 38);

        // Everything fits: nothing to scroll.
        GridWindow small(2);
        QCOMPARE(small.grid->verticalScrollBar()->maximum(), 0);
        QVERIFY(!small.grid->verticalScrollBar()->isEnabled());
    }

    void clickMakesTheRecordCurrentAndADataCellRaisesCellClick()
    {
        GridWindow w(10);
        QList<TColumn *> clicked;
        QObject *sender = nullptr;
        w.grid->OnCellClick = [&](QObject *s, TColumn *column) {
            sender = s;
            clicked << column;
            // The click's record is current when the event comes.
            QCOMPARE(w.Current(), QString("Club03"));
        };
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, Qt::NoModifier, w.CellCentre(2, 1));
        QCOMPARE(w.Current(), QString("Club03"));
        QCOMPARE(clicked.size(), 1);
        QCOMPARE(clicked.first(), w.grid->Columns()->Items(1));
        QCOMPARE(sender, w.grid);

        // The title row and the indicator are not data cells.
        QTest::mouseClick(w.grid->horizontalHeader()->viewport(), Qt::LeftButton, Qt::NoModifier, QPoint(30, 5));
        QTest::mouseClick(w.grid->verticalHeader()->viewport(), Qt::LeftButton, Qt::NoModifier,
                          QPoint(5, w.CellCentre(4, 0).y()));
        QCOMPARE(clicked.size(), 1);
        // Right clicks are not cell clicks either.
        QTest::mouseClick(w.grid->viewport(), Qt::RightButton, Qt::NoModifier, w.CellCentre(1, 0));
        QCOMPARE(clicked.size(), 1);
    }

    void typingEditsTheCurrentRecordAndMovingPostsIt()
    {
        GridWindow w(5);
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        w.grid->setFocus();
        QTest::keyClick(w.grid, Qt::Key_Down);
        QCOMPARE(w.grid->currentIndex(), w.grid->model()->index(1, 0));
        QTest::keyClick(w.grid, Qt::Key_Z);
        QWidget *editor = QApplication::focusWidget();
        QVERIFY(qobject_cast<QLineEdit *>(editor));
        // The first key typed puts the record into edit state.
        QCOMPARE(w.table->State(), dsEdit);
        QTest::keyClicks(editor, "ed");
        QTest::keyClick(editor, Qt::Key_Return); // the editor writes on its next turn
        QTRY_COMPARE(w.Current(), QString("zed"));
        QTest::keyClick(w.grid, Qt::Key_Down);
        QCOMPARE(w.table->State(), dsBrowse);
        w.table->Refresh();
        w.table->First();
        w.table->Next();
        QCOMPARE(w.Current(), QString("zed"));
    }

    void anOpenEditorIsWrittenWhenThePostComesFromElsewhere()
    {
        GridWindow w(3);
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        w.grid->setFocus();
        QTest::keyClick(w.grid, Qt::Key_Q);
        QWidget *editor = QApplication::focusWidget();
        QTest::keyClicks(editor, "ueen");
        w.table->Post(); // a navigator's post, say
        QCOMPARE(w.table->State(), dsBrowse);
        QCOMPARE(w.Current(), QString("queen"));
        QTRY_VERIFY(w.grid->viewport()->findChildren<QLineEdit *>().isEmpty());
    }

    void refusedValueIsShownAndTheRecordKeepsItsValue()
    {
        GridWindow w(2);
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        w.grid->setFocus();
        QTest::keyClick(w.grid, Qt::Key_Right);
        QTest::keyClick(w.grid, Qt::Key_A);
        QWidget *editor = QApplication::focusWidget();
        QTest::keyClicks(editor, "bc");
        QTest::keyClick(editor, Qt::Key_Return);
        QTRY_COMPARE(m_requests.size(), 1);
        QCOMPARE(m_requests.first().Text, QString("'abc' is not a valid floating point value for field 'RATING'"));
        QCOMPARE(w.table->FieldByName("RATING")->AsFloat(), 70.0);
    }

    void tabMovesAcrossCellsAndOnToTheNextRecord()
    {
        GridWindow w(2);
        QVERIFY(QTest::qWaitForWindowExposed(&w.window));
        w.grid->setFocus();
        QTest::keyClick(w.grid, Qt::Key_Tab);
        QCOMPARE(w.grid->currentIndex().column(), 1);
        QTest::keyClick(w.grid, Qt::Key_Tab);
        QTest::keyClick(w.grid, Qt::Key_Tab);
        QCOMPARE(w.Current(), QString("Club02"));
        QCOMPARE(w.grid->currentIndex().column(), 0);
        QTest::keyClick(w.grid, Qt::Key_Backtab);
        QCOMPARE(w.Current(), QString("Club01"));
        QCOMPARE(w.grid->currentIndex().column(), 2);
    }

    void ctrlDeleteAsksBeforeDeleting_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<qint64>("left");
        QTest::addColumn<QString>("current");
        QTest::newRow("ok") << int(mrOk) << qint64(3) << "Club03";
        QTest::newRow("cancel") << int(mrCancel) << qint64(4) << "Club02";
    }

    void ctrlDeleteAsksBeforeDeleting()
    {
        QFETCH(int, answer);
        QFETCH(qint64, left);
        QFETCH(QString, current);
        GridWindow w(4);
        w.table->Next();
        m_answer = TModalResult(answer);
        QTest::keyClick(w.grid, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(m_requests.size(), 1);
        QCOMPARE(m_requests.first().Text, QString("Delete record?"));
        QCOMPARE(m_requests.first().Type, mtConfirmation);
        QCOMPARE(m_requests.first().Buttons, (QList<TModalResult>{mrOk, mrCancel}));
        QCOMPARE(m_requests.first().EscapeButton, mrCancel);
        QCOMPARE(w.table->RecordCount(), left);
        QCOMPARE(w.Current(), current);
        // A plain Delete deletes nothing.
        QTest::keyClick(w.grid, Qt::Key_Delete);
        QCOMPARE(w.table->RecordCount(), left);
    }

    void readOnlyGridNeitherEditsNorDeletes()
    {
        GridWindow w(2);
        w.grid->SetReadOnly(true);
        QTest::keyClick(w.grid, Qt::Key_Delete, Qt::ControlModifier);
        QTest::keyClick(w.grid, Qt::Key_Insert);
        QTest::keyClick(w.grid, Qt::Key_X);
        QTest::keyClicks(w.grid, "cc"); // no search jumping on to "Club02" either
        QCOMPARE(w.Current(), QString("Club01"));
        QVERIFY(m_requests.isEmpty());
        QCOMPARE(w.table->State(), dsBrowse);
        QCOMPARE(w.table->RecordCount(), qint64(2));
    }

    void leavingTheGridDropsAnUntouchedNewRecord_data()
    {
        QTest::addColumn<bool>("typeSomething");
        QTest::newRow("untouched") << false;
        QTest::newRow("typed into") << true;
    }

    void leavingTheGridDropsAnUntouchedNewRecord()
    {
        QFETCH(bool, typeSomething);
        GridWindow w(3);
        w.window.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w.window));
        w.grid->setFocus();
        QTest::keyClick(w.grid, Qt::Key_Insert);
        QCOMPARE(w.table->State(), dsInsert);
        QCOMPARE(w.grid->model()->rowCount(), 4);
        if (typeSomething) {
            QTest::keyClick(w.grid, Qt::Key_N);
            QTest::keyClicks(QApplication::focusWidget(), "ew");
        } else {
            // Opening the editor and leaving it as it was is no change.
            QTest::keyClick(w.grid, Qt::Key_F2);
        }
        w.other->setFocus();
        QCOMPARE(w.table->State(), typeSomething ? dsInsert : dsBrowse);
        QCOMPARE(w.grid->model()->rowCount(), typeSomething ? 4 : 3);
        if (typeSomething) {
            QCOMPARE(w.Current(), QString("new"));
            w.table->Post();
            QCOMPARE(w.table->RecordCount(), qint64(4));
        } else {
            QCOMPARE(w.table->RecordCount(), qint64(3));
        }
    }

    void upFromAnUntouchedNewRecordDropsIt()
    {
        GridWindow w(3);
        w.table->Next();
        QTest::keyClick(w.grid, Qt::Key_Insert);
        QCOMPARE(w.table->State(), dsInsert);
        QTest::keyClick(w.grid, Qt::Key_Up);
        QCOMPARE(w.table->State(), dsBrowse);
        QCOMPARE(w.Current(), QString("Club02"));
    }

    void fixedCellsArePaintedInTheFixedColour()
    {
        GridWindow w(3);
        // A window colour given to everything inside (as a layout's Color does) stays outside.
        QPalette colours = w.window.palette();
        colours.setColor(QPalette::Base, Qt::red);
        colours.setColor(QPalette::Window, Qt::red);
        w.window.setPalette(colours);
        w.grid->SetFixedColor(RGBColor(176, 189, 162));
        QFont title("Arial");
        title.setPixelSize(11);
        w.grid->SetTitleFont(title);
        QImage image(w.grid->size(), QImage::Format_RGB32);
        image.fill(Qt::magenta);
        w.grid->render(&image);
        const QColor fixed(176, 189, 162);
        const QPoint titleCell = w.grid->horizontalHeader()->geometry().topLeft() + QPoint(5, 3);
        const QRect indicator = w.grid->verticalHeader()->geometry();
        QCOMPARE(image.pixelColor(titleCell), fixed);
        // An indicator cell below the current one carries no mark.
        QCOMPARE(image.pixelColor(indicator.left() + 3, indicator.top() + w.CellCentre(2, 0).y()), fixed);
        // Below the last row: the grid's own colour, window white.
        QCOMPARE(image.pixelColor(200, w.grid->viewport()->geometry().bottom() - 3), QColor(Qt::white));
        // The corner above the indicator.
        QCOMPARE(image.pixelColor(indicator.left() + 3, titleCell.y()), fixed);
        // The current row's indicator shows its black mark in the middle.
        const int markY = indicator.top() + w.CellCentre(0, 0).y();
        bool black = false;
        for (int x = indicator.left(); x < indicator.right(); ++x)
            black = black || image.pixelColor(x, markY) == QColor(Qt::black);
        QVERIFY(black);
    }

    void cancelChangesDropsWhatWasTypedIntoTheCell()
    {
        GridWindow w(4);
        auto *navigator = new TDBNavigator;
        navigator->setFixedSize(240, 25);
        w.window.layout()->addWidget(navigator);
        navigator->SetDataSource(&w.source);
        w.Activate();
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, Qt::NoModifier, w.CellCentre(1, 0));
        QCOMPARE(w.Current(), QString("Club02"));
        QTest::keyClick(w.grid, Qt::Key_F2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        TypeSlowly("Typo", 20);
        QCOMPARE(w.table->State(), dsEdit);

        QTest::mouseClick(navigator->Button(TDBNavigator::nbCancel), Qt::LeftButton);
        QCOMPARE(w.table->State(), dsBrowse);
        QTRY_VERIFY(w.grid->viewport()->findChildren<QLineEdit *>().isEmpty());
        QCOMPARE(w.grid->model()->index(1, 0).data().toString(), QString("Club02"));

        // Nothing typed before the cancel comes back with the next click on another row.
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, Qt::NoModifier, w.CellCentre(3, 0), 50);
        QCOMPARE(w.Current(), QString("Club04"));
        QCOMPARE(w.table->State(), dsBrowse);
        QCOMPARE(w.Stored(1), QString("Club02"));
        QVERIFY(m_requests.isEmpty());
    }

    void keysTypedRightAfterClickingTheCurrentCellAreKept_data()
    {
        QTest::addColumn<int>("firstKeyAfter");
        QTest::addColumn<int>("perKey");
        QTest::newRow("at once, quickly") << 0 << 5;
        QTest::newRow("at once, 120 ms a key") << 1 << 120;
        QTest::newRow("after 120 ms, 120 ms a key") << 120 << 120;
        QTest::newRow("after 450 ms") << 450 << 60;
        QTest::newRow("after a second") << 1000 << 40;
    }

    void keysTypedRightAfterClickingTheCurrentCellAreKept()
    {
        QFETCH(int, firstKeyAfter);
        QFETCH(int, perKey);
        GridWindow w(3);
        w.Activate();
        w.grid->setFocus();
        QTest::keyClick(w.grid, Qt::Key_Down);
        QCOMPARE(w.Current(), QString("Club02"));
        // The click lands on the cell that is current already.
        QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, Qt::NoModifier, w.CellCentre(1, 0), 700);
        QTest::qWait(firstKeyAfter);
        TypeSlowly("Paris1", perKey);
        // Whatever the timer of the click does later changes nothing of what was typed.
        QTest::qWait(QApplication::doubleClickInterval() + 100);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_COMPARE(w.Current(), QString("Paris1"));
        QTest::keyClick(w.grid, Qt::Key_Down);
        QCOMPARE(w.table->State(), dsBrowse);
        QCOMPARE(w.Stored(1), QString("Paris1"));
    }

    void doubleClickAndASecondClickStillOpenTheCellEditor_data()
    {
        QTest::addColumn<bool>("doubleClick");
        QTest::newRow("double click") << true;
        QTest::newRow("click on the current cell") << false;
    }

    void doubleClickAndASecondClickStillOpenTheCellEditor()
    {
        QFETCH(bool, doubleClick);
        GridWindow w(3);
        w.Activate();
        if (doubleClick)
            DoubleClick(w.grid->viewport(), w.CellCentre(2, 0));
        else
            QTest::mouseClick(w.grid->viewport(), Qt::LeftButton, Qt::NoModifier, w.CellCentre(0, 0), 700);
        QTRY_VERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()));
        QCOMPARE(static_cast<QLineEdit *>(QApplication::focusWidget())->text(), w.Current());
        QCOMPARE(w.table->State(), dsBrowse); // opening the editor changes nothing yet
    }

    void scrollBarMapsTheWholeTable_data()
    {
        QTest::addColumn<QString>("order");
        QTest::newRow("primary order") << QString();
        QTest::newRow("by rating") << "RATING";
        QTest::newRow("by name, filtered") << "Descr";
    }

    void scrollBarMapsTheWholeTable()
    {
        QFETCH(QString, order);
        GridWindow w(0);
        const int count = 1001;
        w.table->StartTransaction();
        for (int i = 0; i < count; ++i) {
            w.table->Insert();
            w.table->FieldByName("Descr")->SetAsString(QStringLiteral("P%1").arg(i, 4, 10, QLatin1Char('0')));
            // Ratings run against the primary order, so each order puts the records differently.
            w.table->FieldByName("RATING")->SetAsFloat(count - i);
            w.table->FieldByName("Holes")->SetAsInteger(i % 2 == 0 ? 18 : 9);
            w.table->Post();
        }
        w.table->Commit();
        int shown = count;
        if (order == "Descr") {
            w.table->SetFilter("Holes = 18");
            w.table->SetFiltered(true);
            shown = (count + 1) / 2;
        }
        w.table->SetIndexFieldNames(order);
        w.table->First();
        QScrollBar *bar = w.grid->verticalScrollBar();
        QCOMPARE(bar->minimum(), 0);
        QCOMPARE(bar->maximum(), shown - 1);
        QCOMPARE(bar->value(), 0);
        QCOMPARE(bar->pageStep(), w.grid->VisibleRowCount());

        // Each record stands at its own place: its number in the order.
        w.table->MoveBy(10);
        QCOMPARE(bar->value(), 10);
        w.table->Last();
        QCOMPARE(bar->value(), shown - 1);

        // Dragging the thumb to the middle of the groove shows the middle record.
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        option.subControls = QStyle::SC_All;
        const QRect thumb = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarSlider, bar);
        const QRect groove = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option, QStyle::SC_ScrollBarGroove, bar);
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, thumb.center());
        const QPoint middle(thumb.center().x(), groove.center().y());
        QTest::mouseMove(bar, QPoint(middle.x(), (thumb.center().y() + middle.y()) / 2), 20);
        QTest::mouseMove(bar, middle, 20);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, middle, 20);
        const int landed = bar->value();
        QVERIFY2(qAbs(landed - shown / 2) <= shown / 20, qPrintable(QString::number(landed)));
        TTable reader;
        reader.SetDatabaseName(w.fixture.Folder());
        reader.SetTableName("clubs.DB");
        reader.SetFilter(w.table->Filter());
        reader.SetFiltered(w.table->Filtered());
        reader.SetIndexFieldNames(order);
        reader.Open();
        reader.MoveBy(landed);
        QCOMPARE(w.Current(), reader.FieldByName("Descr")->AsString());
        QCOMPARE(w.grid->currentIndex().row(), w.grid->WindowModel()->ActiveRow());
    }

    void destroyedWhileItsBoxIsOpenTouchesNothingAfter_data()
    {
        QTest::addColumn<QString>("box");
        QTest::addColumn<QString>("destroyed");
        QTest::newRow("delete question, grid") << "delete" << "grid";
        QTest::newRow("delete question, table") << "delete" << "table";
        QTest::newRow("delete question, both") << "delete" << "grid table";
        QTest::newRow("refused value, grid") << "refused" << "grid";
        QTest::newRow("refused value, both") << "refused" << "grid table";
    }

    void destroyedWhileItsBoxIsOpenTouchesNothingAfter()
    {
        QFETCH(QString, box);
        QFETCH(QString, destroyed);
        GridWindow w(3);
        w.Activate();
        w.grid->setFocus();
        const QPointer<TDBGrid> alive(w.grid);
        int boxes = 0;
        SetMessageHandler([&](const TMessageRequest &) {
            ++boxes;
            // The window closes while the box waits for its answer.
            if (destroyed.contains("grid"))
                delete w.grid;
            if (destroyed.contains("table"))
                w.table.reset();
            return mrOk;
        });
        if (box == "delete") {
            QTest::keyClick(w.grid, Qt::Key_Delete, Qt::ControlModifier);
        } else {
            QTest::keyClick(w.grid, Qt::Key_Right);
            QTest::keyClick(w.grid, Qt::Key_X);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        }
        QTRY_COMPARE(boxes, 1);
        QCOMPARE(bool(alive), !destroyed.contains("grid"));
        QTest::qWait(50);
        if (w.table) {
            w.table->Cancel();
            QCOMPARE(w.table->RecordCount(), 3);
        }
        QCOMPARE(w.Stored(0), QString("Club01"));
    }

    void destroyingTheSourceLeavesAnEmptyGrid()
    {
        GridWindow w(3);
        auto *source = new TDataSource;
        source->SetDataSet(w.table.get());
        w.grid->SetDataSource(source);
        QCOMPARE(w.grid->model()->rowCount(), 3);
        delete source;
        QCOMPARE(w.grid->DataSource(), nullptr);
        QCOMPARE(w.grid->model()->rowCount(), 0);
        QTest::keyClick(w.grid, Qt::Key_Down); // nothing to move, nothing to fail
        QVERIFY(m_requests.isEmpty());
    }

private:
    QList<TMessageRequest> m_requests;
    TModalResult m_answer = mrOk;
};

QTEST_MAIN(tst_DBGrid)
#include "tst_dbgrid.moc"
