#include "Exceptions.h"
#include "StoreTestSupport.h"
#include "SqliteEngine.h"
#include "TDatabase.h"
#include "TTable.h"

#include <QFile>
#include <QThread>
#include <QTest>
#include <sqlite3.h>

class tst_Table : public QObject
{
    Q_OBJECT

private slots:
    void init() { SetFormatSettings(TFormatSettings()); }
    void cleanup() { ResetFormatSettings(); }

    void openShowsFirstRecordInBrowseState()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70.0, 9}});
        table->Close();
        QCOMPARE(table->State(), dsInactive);
        table->Open();
        QCOMPARE(table->State(), dsBrowse);
        QVERIFY(table->Bof());
        QVERIFY(!table->Eof());
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Alpha"));
        QVERIFY(table->CanModify());
    }

    void fieldsAreFoundInAnyLetterCase()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        QCOMPARE(table->FieldByName("rating"), table->FieldByName("RATING"));
        QCOMPARE(table->FieldByName("descr")->FieldName(), QString("Descr"));
        EXPECT_FAILURE(table->FieldByName("Homeclub"), "Field 'Homeclub' not found");
    }

    void emptyFieldsReadAsZeroEmptyOrZeroDate()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", QVariant(), QVariant()}});
        QVERIFY(table->FieldByName("RATING")->IsNull());
        QCOMPARE(table->FieldByName("RATING")->AsFloat(), 0.0);
        QCOMPARE(table->FieldByName("Holes")->AsInteger(), 0);
        QCOMPARE(table->FieldByName("Holes")->AsString(), QString());
        QCOMPARE(table->FieldByName("Opened")->AsDateTime(), 0.0);
    }

    void numbersComeBackExactlyAsWritten_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("one decimal") << "72.3" << 72.3 << "72.3";
        QTest::newRow("tenth") << "0.1" << 0.1 << "0.1";
        QTest::newRow("padded") << "03.00" << 3.0 << "3";
        QTest::newRow("negative") << "-03.00" << -3.0 << "-3";
        QTest::newRow("many digits") << "123456.789" << 123456.789 << "123456.789";
    }
    void numbersComeBackExactlyAsWritten()
    {
        QFETCH(QString, written);
        QFETCH(double, value);
        QFETCH(QString, text);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 0.0, 0}});
        table->Edit();
        table->FieldByName("RATING")->SetAsString(written);
        table->Post();
        table->Close();
        table->Open();
        QCOMPARE(table->FieldByName("RATING")->AsFloat(), value);
        QCOMPARE(table->FieldByName("RATING")->AsString(), text);
    }

    void fractionReadAsIntegerRoundsToNearest()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.6, 0}, {"Beta", 71.4, 0}, {"Gamma", -2.6, 0}});
        QCOMPARE(table->FieldByName("RATING")->AsInteger(), 72);
        table->Next();
        QCOMPARE(table->FieldByName("RATING")->AsInteger(), 71);
        table->Next();
        QCOMPARE(table->FieldByName("RATING")->AsInteger(), -3);
        table->Edit();
        table->FieldByName("Holes")->SetAsFloat(17.5);
        QCOMPARE(table->FieldByName("Holes")->AsInteger(), 18);
    }

    void decimalSeparatorFollowsTheFormatSettings()
    {
        TFormatSettings comma;
        comma.DecimalSeparator = ',';
        SetFormatSettings(comma);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 0.0, 0}});
        table->Edit();
        table->FieldByName("RATING")->SetAsString("3,5");
        QCOMPARE(table->FieldByName("RATING")->AsFloat(), 3.5);
        QCOMPARE(table->FieldByName("RATING")->AsString(), QString("3,5"));
        EXPECT_FAILURE(table->FieldByName("RATING")->SetAsString("3.5"), "'3.5' is not a valid floating point value for field 'RATING'");
    }

    void valuesThatDoNotConvertKeepWhatTheRecordHad_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("message");
        QTest::newRow("fraction into whole") << "Holes" << "18.5" << "'18.5' is not a valid integer value for field 'Holes'";
        QTest::newRow("letters into whole") << "Holes" << "abc" << "'abc' is not a valid integer value for field 'Holes'";
        QTest::newRow("letters into number") << "RATING" << "7x" << "'7x' is not a valid floating point value for field 'RATING'";
        QTest::newRow("no date") << "Opened" << "31/02/2020" << "'31/02/2020' is not a valid date";
    }
    void valuesThatDoNotConvertKeepWhatTheRecordHad()
    {
        QFETCH(QString, field);
        QFETCH(QString, text);
        QFETCH(QString, message);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        table->Edit();
        table->FieldByName("Opened")->SetAsString("01/02/2020");
        const QString before = table->FieldByName(field)->AsString();
        EXPECT_FAILURE(table->FieldByName(field)->SetAsString(text), message);
        QCOMPARE(table->FieldByName(field)->AsString(), before);
        QCOMPARE(table->State(), dsEdit);
    }

    void settingOutsideEditStateIsRefused()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        EXPECT_FAILURE(table->FieldByName("Holes")->SetAsInteger(9), "Dataset not in edit or insert mode");
        EXPECT_FAILURE(table->Post(), "Dataset not in edit or insert mode");
        table->Close();
        EXPECT_FAILURE(table->Next(), "Cannot perform this operation on a closed dataset");
        EXPECT_FAILURE(table->First(), "Cannot perform this operation on a closed dataset");
        EXPECT_FAILURE(table->Edit(), "Cannot perform this operation on a closed dataset");
        EXPECT_FAILURE(table->Delete(), "Cannot perform this operation on a closed dataset");
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString()); // closed: shows nothing
    }

    void autoIncrementIdIsFilledAndReadOnly()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        QCOMPARE(table->FieldByName("ID")->AsInteger(), 1);
        table->Next();
        QCOMPARE(table->FieldByName("ID")->AsInteger(), 2);
        QVERIFY(table->FieldByName("ID")->IsAutoIncrement());
        table->Edit();
        EXPECT_FAILURE(table->FieldByName("ID")->SetAsInteger(7), "Field 'ID' cannot be modified");
    }

    void editOnAnEmptyTableStartsAnInsert()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB");
        QVERIFY(table->IsEmpty());
        QVERIFY(table->Bof() && table->Eof());
        table->Edit();
        QCOMPARE(table->State(), dsInsert);
        table->FieldByName("Holes")->SetAsInteger(18);
        table->Post();
        QCOMPARE(table->RecordCount(), 1);
        QCOMPARE(table->FieldByName("Holes")->AsInteger(), 18);
    }

    void cancelDiscardsAndCloseDiscards()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        table->Edit();
        table->FieldByName("Descr")->SetAsString("Changed");
        table->Cancel();
        QCOMPARE(table->State(), dsBrowse);
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Alpha"));
        table->Edit();
        table->FieldByName("Descr")->SetAsString("Changed");
        table->Close();
        table->Open();
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Alpha"));
        table->Insert();
        table->Cancel();
        QCOMPARE(table->RecordCount(), 1);
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Alpha"));
    }

    void movingPostsAModifiedRecordAndLeavesAnUnchangedOne()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        table->Edit();
        table->FieldByName("Holes")->SetAsInteger(27);
        table->Next();
        QCOMPARE(table->State(), dsBrowse);
        table->Prior();
        QCOMPARE(table->FieldByName("Holes")->AsInteger(), 27);

        // An unchanged record is left without a write: the file is not touched.
        const QString wal = fixture.FilePath("clubs.DB-wal");
        const qint64 sizeBefore = QFile(wal).size();
        table->Edit();
        table->Next();
        QCOMPARE(QFile(wal).size(), sizeBefore);
        QCOMPARE(table->State(), dsBrowse);
    }

    void movesSetTheEndFlags()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"A", 1, 1}, {"B", 2, 2}, {"C", 3, 3}, {"D", 4, 4}});
        QVERIFY(table->Bof());
        QCOMPARE(table->MoveBy(2), 2);
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("C"));
        QVERIFY(!table->Bof() && !table->Eof());
        QCOMPARE(table->MoveBy(10), 1);
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("D"));
        QVERIFY(table->Eof());
        QCOMPARE(table->MoveBy(1), 0);
        table->Last();
        QVERIFY(table->Eof());
        QCOMPARE(table->MoveBy(-10), -3);
        QVERIFY(table->Bof());
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("A"));
        table->Prior();
        QVERIFY(table->Bof());
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("A"));
    }

    void deleteMakesTheNextOrNewLastRecordCurrent()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"A", 1, 1}, {"B", 2, 2}, {"C", 3, 3}});
        table->Next();
        table->Delete();
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("C"));
        table->Delete();
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("A"));
        QVERIFY(table->Eof());
        table->Delete();
        QVERIFY(table->IsEmpty());
        EXPECT_FAILURE(table->Delete(), "Cannot perform this operation on an empty dataset");
    }

    void bookmarksReturnToTheRecord()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"A", 1, 1}, {"B", 2, 2}, {"C", 3, 3}});
        table->Next();
        TBookmark mark = table->GetBookmark();
        table->Last();
        QVERIFY(table->BookmarkValid(mark));
        table->GotoBookmark(mark);
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("B"));
        table->Delete();
        QVERIFY(!table->BookmarkValid(mark));
        EXPECT_FAILURE(table->GotoBookmark(mark), "Record not found");
        table->FreeBookmark(mark);
        QVERIFY(!mark.Valid);
    }

    void indexSwitchOrdersAndPostsFirst()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"C", 3, 30}, {"A", 1, 10}, {"B", 2, 20}});
        table->Edit();
        table->FieldByName("Holes")->SetAsInteger(5);
        table->SetIndexFieldNames("descr");
        QCOMPARE(table->State(), dsBrowse);
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("C")); // stays on the record
        table->First();
        QStringList order;
        while (!table->Eof()) {
            order << table->FieldByName("Descr")->AsString();
            table->Next();
        }
        QCOMPARE(order, (QStringList{"A", "B", "C"}));
        table->Last();
        QCOMPARE(table->FieldByName("Holes")->AsInteger(), 5);
        table->SetIndexName("");
        table->First();
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("C"));
        EXPECT_FAILURE(table->SetIndexFieldNames("nonsense"), "Field 'nonsense' not found");
    }

    void findKeyConvertsTheTextAndStaysWhenNothingIsFound()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"A", 1, 10}, {"B", 2, 20}, {"C", 3, 30}});
        table->SetIndexFieldNames("id");
        QVERIFY(table->FindKey("3"));
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("C"));
        QVERIFY(!table->FindKey("99"));
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("C"));
        QVERIFY(!table->FindKey(""));
        EXPECT_FAILURE(table->FindKey("x"), "'x' is not a valid integer value for field 'ID'");
        table->SetIndexFieldNames("Holes");
        QVERIFY(table->FindKey("20"));
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("B"));
    }

    void filterRestrictsAndABadFilterKeepsTheOldOne()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}, {"Albatross", 69, 18}, {"O'Neil", 72, 9}});
        table->SetFilter("Holes = 18 AND Descr = 'Al*'");
        table->SetFiltered(true);
        QVERIFY(table->IsFiltered());
        QCOMPARE(table->RecordCount(), 2);
        table->Last();
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Albatross"));

        EXPECT_FAILURE(table->SetFilter("Holes = = 3"), "Filter expression incorrect: a value is missing at position 9 of 'Holes = = 3'");
        QCOMPARE(table->Filter(), QString("Holes = 18 AND Descr = 'Al*'"));
        QCOMPARE(table->RecordCount(), 2);
        EXPECT_FAILURE(table->SetFilter("Colour = 3"), "Field 'Colour' not found");

        // Quotes in values are data, never SQL.
        table->SetFilter("Descr = 'O''Neil' OR (NOT rating < 71.5 AND holes <> 9)");
        QCOMPARE(table->RecordCount(), 2);
        table->SetFilter("Descr = 'x'' OR 1=1 --'");
        QCOMPARE(table->RecordCount(), 0);
        QVERIFY(table->IsEmpty());
        table->SetFiltered(false);
        QCOMPARE(table->RecordCount(), 4);
    }

    void endFlagsFollowMovesPostsAndDeletes_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<QString>("steps");
        // Each step is followed by the flags it leaves: B for at the first record (Bof), E for
        // at the end (Eof), "-" for neither.
        QTest::newRow("empty table: no move leaves the ends")
            << 0 << "open:BE next:BE by5:BE prior:BE by-3:BE first:BE last:BE";
        QTest::newRow("empty table: a post leaves both ends")
            << 0 << "insert:BE post:- next:E prior:B";
        QTest::newRow("edit on an empty table inserts; a cancel keeps both ends")
            << 0 << "edit:BE cancel:BE next:BE";
        QTest::newRow("deleting the only record")
            << 1 << "open:B next:E delete:BE next:BE prior:BE";
        QTest::newRow("moving past either end")
            << 3 << "open:B next:- next:- next:E next:E prior:- by-5:B by5:E first:B last:E";
        QTest::newRow("a post in the middle of the table")
            << 3 << "last:E edit:E post:- prior:- first:B edit:B post:-";
        QTest::newRow("deleting the last record")
            << 3 << "last:E delete:E delete:E delete:BE";
    }

    void endFlagsFollowMovesPostsAndDeletes()
    {
        QFETCH(int, records);
        QFETCH(QString, steps);
        TableFixture fixture;
        QList<std::tuple<QString, QVariant, QVariant>> rows;
        for (int i = 0; i < records; ++i)
            rows.append({QStringLiteral("R%1").arg(i), 70, 18});
        auto table = fixture.MakeTable("clubs.DB", rows);
        for (const QString &step : steps.split(' ')) {
            const QString action = step.section(':', 0, 0);
            const QString flags = step.section(':', 1);
            if (action == "open") { table->Close(); table->Open(); }
            else if (action == "next") table->Next();
            else if (action == "prior") table->Prior();
            else if (action.startsWith("by")) table->MoveBy(action.mid(2).toInt());
            else if (action == "first") table->First();
            else if (action == "last") table->Last();
            else if (action == "insert") table->Insert();
            else if (action == "edit") table->Edit();
            else if (action == "cancel") table->Cancel();
            else if (action == "delete") table->Delete();
            else if (action == "post") {
                table->FieldByName("Descr")->SetAsString("posted");
                table->Post();
            } else QFAIL(qPrintable("unknown step " + action));
            const QString got = QString(table->Bof() ? "B" : "") + (table->Eof() ? "E" : "");
            QVERIFY2(got == (flags == "-" ? QString() : flags),
                     qPrintable(QStringLiteral("after %1: %2").arg(step, got.isEmpty() ? "-" : got)));
        }
    }

    void filterComparisonsReadEitherWayRound_data()
    {
        QTest::addColumn<QString>("filter");
        QTest::addColumn<QString>("expected");
        // "value op field" means "field op' value", op' the same comparison seen from the field.
        QTest::newRow("field = value") << "Holes = 18" << "Alpha";
        QTest::newRow("value = field") << "18 = Holes" << "Alpha";
        QTest::newRow("value < field") << "70.5 < RATING" << "Alpha";
        QTest::newRow("value > field") << "71.5 > RATING" << "Beta";
        QTest::newRow("value <= field") << "71.5 <= rating" << "Alpha";
        QTest::newRow("value >= field") << "70 >= RATING" << "Beta";
        QTest::newRow("text value = field, prefix") << "'Al*' = Descr" << "Alpha";
        // Not equal holds for a record whose field is empty.
        QTest::newRow("field <> value") << "Holes <> 18" << "Beta Gamma";
        QTest::newRow("value <> field") << "18 <> Holes" << "Beta Gamma";
        QTest::newRow("field <> prefix") << "Descr <> 'Al*'" << "Beta Gamma";
        QTest::newRow("field = NULL") << "Holes = NULL" << "Gamma";
        QTest::newRow("field <> NULL") << "Holes <> NULL" << "Alpha Beta";
        QTest::newRow("empty field is no smaller") << "RATING < 71" << "Beta";
    }

    void filterComparisonsReadEitherWayRound()
    {
        QFETCH(QString, filter);
        QFETCH(QString, expected);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}, {"Gamma", QVariant(), QVariant()}});
        table->SetFilter(filter);
        table->SetFiltered(true);
        QStringList names;
        for (table->First(); !table->Eof(); table->Next())
            names << table->FieldByName("Descr")->AsString();
        QCOMPARE(names.join(' '), expected);
    }

    void deepNestingInAFilterIsRefusedWithAMessage_data()
    {
        QTest::addColumn<QString>("open");
        QTest::addColumn<QString>("close");
        QTest::newRow("parentheses") << "(" << ")";
        QTest::newRow("NOT") << "NOT " << "";
        QTest::newRow("both") << "NOT (" << ")";
    }

    void deepNestingInAFilterIsRefusedWithAMessage()
    {
        QFETCH(QString, open);
        QFETCH(QString, close);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        table->SetFiltered(true);
        // Nesting a user may write works ...
        table->SetFilter(open.repeated(40) + "Holes = 18" + close.repeated(40));
        QCOMPARE(table->RecordCount(), 1);
        // ... and nesting no one writes is refused, whatever its depth, leaving the filter as it was.
        for (int depth : {1000, 15000, 200000}) {
            const QString deep = open.repeated(depth) + "Holes = 9" + close.repeated(depth);
            bool refused = false;
            try {
                table->SetFilter(deep);
            } catch (const Exception &error) {
                refused = true;
                QVERIFY2(error.Message().startsWith("Filter expression incorrect: more than 100 nested parentheses or NOT at position "),
                         qPrintable(error.Message().left(200)));
            }
            QVERIFY(refused);
            QCOMPARE(table->RecordCount(), 1);
        }
    }

    void longChainsOfConditionsWork_data()
    {
        QTest::addColumn<QString>("joiner");
        QTest::addColumn<QString>("last");
        QTest::addColumn<int>("expected");
        QTest::newRow("OR") << " OR " << "Holes = 18" << 1;
        QTest::newRow("AND") << " AND " << "Holes = 18" << 1;
        QTest::newRow("AND, one fails") << " AND " << "Holes = 7" << 0;
        QTest::newRow("AND, all hold") << " AND " << "Holes <> 7" << 2;
    }

    void longChainsOfConditionsWork()
    {
        QFETCH(QString, joiner);
        QFETCH(QString, last);
        QFETCH(int, expected);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        table->SetFiltered(true);
        QStringList terms;
        for (int i = 0; i < 5000; ++i)
            terms << (joiner == " OR " ? QStringLiteral("Holes = %1").arg(100 + i) : QStringLiteral("Holes <> %1").arg(100 + i));
        terms << last;
        table->SetFilter(terms.join(joiner));
        QCOMPARE(table->RecordCount(), expected);
    }

    void aConditionTooDeepForTheEngineKeepsTheOldFilter()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        table->SetFilter("Holes = 18");
        table->SetFiltered(true);
        // Within the nesting a text may have, but each level inside a long chain: deeper than
        // the engine runs.
        QStringList chain;
        for (int i = 0; i < 2048; ++i)
            chain << QStringLiteral("Holes = %1").arg(i + 100);
        const QString level = chain.join(" OR ");
        QString deep = "Holes = 9";
        for (int i = 0; i < 99; ++i)
            deep = "(" + level + " OR " + deep + ")";
        bool refused = false;
        try {
            table->SetFilter(deep);
        } catch (const Exception &) {
            refused = true;
        }
        QVERIFY(refused);
        QCOMPARE(table->Filter(), QString("Holes = 18"));
        QCOMPARE(table->RecordCount(), 1);
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Alpha"));
        table->Next(); // the table still moves
        QVERIFY(table->Eof());
    }

    void fieldNamesWithPercentSignsAreSafeInFilters()
    {
        TableFixture fixture;
        TTable table;
        table.SetDatabaseName(fixture.Folder());
        table.SetTableName("odd.DB");
        table.CreateTable({{"ID", ftAutoInc, 0, false}, {"a%1", ftString, 20, false}, {"%2b", ftInteger, 0, false}});
        table.Open();
        for (const auto &[text, number] : {std::pair{"Paris", 1}, {"Lyon", 2}, {"Pau", 3}}) {
            table.Insert();
            table.FieldByName("a%1")->SetAsString(text);
            table.FieldByName("%2b")->SetAsInteger(number);
            table.Post();
        }
        table.SetFiltered(true);
        table.SetFilter("[a%1] = 'Pa*'");
        QCOMPARE(table.RecordCount(), 2);
        table.SetFilter("[a%1] <> 'Pa*' OR [%2b] > 2");
        QCOMPARE(table.RecordCount(), 2);
        table.SetFilter("'Pa*' = [a%1] AND 3 > [%2b]");
        QCOMPARE(table.RecordCount(), 1);
        QCOMPARE(table.FieldByName("a%1")->AsString(), QString("Paris"));
        EXPECT_FAILURE(table.SetFilter("[a%1] = = 3"), "Filter expression incorrect: a value is missing at position 9 of '[a%1] = = 3'");
        EXPECT_FAILURE(table.SetFilter("[a%1] %2"), "Filter expression incorrect: unexpected '%' at position 7 of '[a%1] %2'");
    }

    void recordNumberFollowsMovesJumpsAndChanges_data()
    {
        QTest::addColumn<QString>("order");
        QTest::addColumn<QString>("filter");
        QTest::newRow("primary order") << QString() << QString();
        QTest::newRow("by holes, some empty") << "Holes" << QString();
        QTest::newRow("by name, filtered") << "Descr" << "RATING >= 70";
    }

    void recordNumberFollowsMovesJumpsAndChanges()
    {
        QFETCH(QString, order);
        QFETCH(QString, filter);
        TableFixture fixture;
        QList<std::tuple<QString, QVariant, QVariant>> rows;
        for (int i = 0; i < 60; ++i)
            rows.append({QStringLiteral("N%1").arg((i * 37) % 60, 2, 10, QLatin1Char('0')), 65 + i % 10,
                         i % 7 == 0 ? QVariant() : QVariant((i * 13) % 5)});
        auto table = fixture.MakeTable("clubs.DB", rows);
        table->SetFilter(filter);
        table->SetFiltered(!filter.isEmpty());
        table->SetIndexFieldNames(order);

        // The numbers as a reader walking the table from its first record counts them.
        auto walk = [&] {
            QList<qint64> ids;
            TTable reader;
            reader.SetDatabaseName(fixture.Folder());
            reader.SetTableName("clubs.DB");
            reader.SetFilter(filter);
            reader.SetFiltered(!filter.isEmpty());
            reader.SetIndexFieldNames(order);
            reader.Open();
            for (; !reader.Eof(); reader.Next())
                ids << reader.FieldByName("ID")->AsInteger();
            return ids;
        };
        auto id = [&] { return qint64(table->FieldByName("ID")->AsInteger()); };
        QList<qint64> ids = walk();
        QCOMPARE(table->KnownRecordCount(), ids.size());
        QCOMPARE(table->RecNo(), ids.indexOf(id()) + 1); // the record kept through the changes
        table->First();
        QCOMPARE(table->RecNo(), 1);
        for (int step : {1, 5, -2, 30, 100, -7, -100}) {
            table->MoveBy(step);
            QCOMPARE(table->RecNo(), ids.indexOf(id()) + 1);
        }
        table->Last();
        QCOMPARE(table->RecNo(), ids.size());
        // A jump: the number is counted through the order.
        for (int number = 1; number <= ids.size(); number += 3) {
            table->SetRecNo(number);
            QCOMPARE(id(), ids.at(number - 1));
            table->FindKey(QString());
            table->GotoBookmark(table->GetBookmark());
            QCOMPARE(table->RecNo(), number);
        }
        table->SetRecNo(ids.size() + 10);
        QCOMPARE(id(), ids.last());
        QVERIFY(table->Eof());

        // A change moves the record in the order; a delete and an insert change the count.
        table->SetRecNo(ids.size() / 2);
        table->Edit();
        table->FieldByName("Descr")->SetAsString("A0");
        table->FieldByName("Holes")->SetAsInteger(-1);
        table->Post();
        ids = walk();
        QCOMPARE(table->RecNo(), ids.indexOf(id()) + 1);
        table->MoveBy(3);
        table->Delete();
        ids = walk();
        QCOMPARE(table->KnownRecordCount(), ids.size());
        QCOMPARE(table->RecNo(), ids.indexOf(id()) + 1);
        table->Insert();
        table->FieldByName("Descr")->SetAsString("ZZ");
        table->FieldByName("RATING")->SetAsFloat(80);
        table->FieldByName("Holes")->SetAsInteger(3);
        table->Post();
        ids = walk();
        QCOMPARE(table->KnownRecordCount(), ids.size());
        QCOMPARE(table->RecNo(), ids.indexOf(id()) + 1);
        table->Last();
        table->Delete();
        ids = walk();
        QCOMPARE(table->RecNo(), ids.size());
    }

    void damagedOrForeignFileIsReportedAndLeftAlone_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text") << QByteArray("these are not the records you are looking for\n").repeated(100) << "the file is not a table file";
        QTest::newRow("truncated table") << QByteArray("SQLite format 3\0", 16) + QByteArray(84, '\x01') << "the file is not a table file";
    }
    void damagedOrForeignFileIsReportedAndLeftAlone()
    {
        FILE_ENGINE_ONLY();
        QFETCH(QByteArray, content);
        QFETCH(QString, reason);
        TableFixture fixture;
        const QString path = fixture.FilePath("clubs.DB");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        TTable table;
        table.SetDatabaseName(fixture.Folder());
        table.SetTableName("clubs.DB");
        try {
            table.Open();
            QFAIL("opened a damaged file");
        } catch (const EDatabaseError &error) {
            QVERIFY2(error.Message().contains(path), qPrintable(error.Message()));
            QVERIFY2(error.Message().contains(reason), qPrintable(error.Message()));
        }
        QVERIFY(!table.Active());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
        QVERIFY(!QFile::exists(path + "-wal"));
    }

    void anotherTablesFileIsNotTakenForThisOne()
    {
        FILE_ENGINE_ONLY();
        TableFixture fixture;
        fixture.MakeTable("clubs.DB").reset();
        QVERIFY(QFile::copy(fixture.FilePath("clubs.DB"), fixture.FilePath("players.DB")));
        TTable table;
        table.SetDatabaseName(fixture.Folder());
        table.SetTableName("players.DB");
        EXPECT_FAILURE(table.Open(), QString("Cannot open table '%1': the file holds no table 'players'").arg(fixture.FilePath("players.DB")));
    }

    void declaredTypesOfAForeignTableAreRead()
    {
        FILE_ENGINE_ONLY();
        TableFixture fixture;
        sqlite3 *db = nullptr;
        QCOMPARE(sqlite3_open(QFile::encodeName(fixture.FilePath("alien.DB")).constData(), &db), SQLITE_OK);
        QCOMPARE(sqlite3_exec(db, "CREATE TABLE alien (a VARCHAR ( 12 ), b char(3), c INTEGER, d REAL, e DATE, "
                                  "f TEXT, g NUMERIC(5,2), h CHARACTER(9), i CHAR (7))",
                              nullptr, nullptr, nullptr),
                 SQLITE_OK);
        sqlite3_close(db);
        TTable table;
        table.SetDatabaseName(fixture.Folder());
        table.SetTableName("alien.DB");
        table.Open();
        const QList<QPair<TFieldType, int>> expected{{ftString, 12}, {ftString, 3}, {ftInteger, 0}, {ftFloat, 0}, {ftDate, 0},
                                                     {ftString, 255}, {ftFloat, 0}, {ftString, 255}, {ftString, 7}};
        QCOMPARE(table.FieldCount(), int(expected.size()));
        for (int i = 0; i < table.FieldCount(); ++i) {
            QCOMPARE(table.Fields(i)->DataType(), expected[i].first);
            QCOMPARE(table.Fields(i)->Size(), expected[i].second);
        }
    }

    void tablesOpenedAheadAreTakenOnceAndOnlyWhenStillTheSame()
    {
        FILE_ENGINE_ONLY();
        TableFixture fixture;
        fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}}).reset();
        fixture.MakeTable("old.DB", {{"Old", 70, 18}}).reset();
        QFile damaged(fixture.FilePath("damaged.DB"));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write(QByteArray(4096, 'x'));
        damaged.close();
        const QStringList names{"clubs.DB", "old.DB", "damaged.DB", "later.DB"};
        QStringList paths;
        for (const QString &name : names)
            paths << fixture.FilePath(name);
        OpenTablesAhead(paths);
        OpenTablesAhead(paths); // asked twice, opened once
        QCOMPARE(TablesWaitingAhead(), 4);
        QThread::msleep(300); // the opening ends before the changes below

        const auto open = [&fixture](const QString &name) {
            auto table = std::make_unique<TTable>();
            table->SetDatabaseName(fixture.Folder());
            table->SetTableName(name);
            table->Open();
            return table;
        };
        // Ready: read and written from this thread.
        auto clubs = open("clubs.DB");
        QCOMPARE(TablesWaitingAhead(), 3);
        QCOMPARE(clubs->RecordCount(), 2);
        QCOMPARE(clubs->FieldByName("Descr")->AsString(), QString("Alpha"));
        clubs->Edit();
        clubs->FieldByName("Holes")->SetAsInteger(27);
        clubs->Post();
        clubs.reset();
        QCOMPARE(open("clubs.DB")->FieldByName("Holes")->AsInteger(), 27); // taken once: a new open now

        // Replaced since: the file as it is now.
        TableFixture elsewhere;
        elsewhere.MakeTable("old.DB", {{"New", 72, 18}, {"Newer", 72, 9}}).reset();
        QVERIFY(QFile::remove(fixture.FilePath("old.DB")));
        QVERIFY(QFile::rename(elsewhere.FilePath("old.DB"), fixture.FilePath("old.DB")));
        auto replaced = open("old.DB");
        QCOMPARE(replaced->RecordCount(), 2);
        QCOMPARE(replaced->FieldByName("Descr")->AsString(), QString("New"));

        // Missing then, made since: opened now. Damaged: reported as always.
        fixture.MakeTable("later.DB", {{"Later", 70, 9}}).reset();
        QCOMPARE(open("later.DB")->FieldByName("Descr")->AsString(), QString("Later"));
        EXPECT_FAILURE(open("damaged.DB"), QString("Cannot open table '%1': the file is not a table file (file is not a database)")
                                               .arg(fixture.FilePath("damaged.DB")));
        QCOMPARE(TablesWaitingAhead(), 0);
    }

    void writeProtectedTableCannotBeModified()
    {
        if (geteuid() == 0)
            QSKIP("root writes to write-protected files");
        TableFixture fixture;
        fixture.MakeTable("clubs.DB", {{"A", 1, 1}}).reset();
        QFile::setPermissions(fixture.FilePath("clubs.DB"), QFile::ReadOwner);
        TTable table;
        table.SetDatabaseName(fixture.Folder());
        table.SetTableName("clubs.DB");
        table.Open();
        QVERIFY(!table.CanModify());
        EXPECT_FAILURE(table.Edit(), "Cannot modify a read-only dataset");
    }

    // The moves of a secondary order must visit every record once, in (value, identity) order,
    // also across empty values and runs of equal values.
    void secondaryOrderWalksEveryRecordOnceBothWays()
    {
        TableFixture fixture;
        QList<std::tuple<QString, QVariant, QVariant>> records;
        QList<QPair<QVariant, int>> expected;
        for (int i = 0; i < 60; ++i) {
            const QVariant holes = i % 7 == 0 ? QVariant() : QVariant((i * 37) % 5);
            records.append({QString::number(i), 0.0, holes});
            expected.append({holes, i + 1});
        }
        std::stable_sort(expected.begin(), expected.end(), [](const auto &a, const auto &b) {
            if (a.first.isNull() != b.first.isNull())
                return a.first.isNull();
            return !a.first.isNull() && a.first.toInt() < b.first.toInt();
        });
        QList<int> expectedIds;
        for (const auto &entry : expected)
            expectedIds << entry.second;

        auto table = fixture.MakeTable("clubs.DB", records);
        table->SetIndexFieldNames("Holes");
        table->First();
        QList<int> forward;
        while (!table->Eof()) {
            forward << table->FieldByName("ID")->AsInteger();
            table->Next();
        }
        QCOMPARE(forward, expectedIds);
        table->Last();
        QList<int> backward;
        while (!table->Bof()) {
            backward.prepend(table->FieldByName("ID")->AsInteger());
            table->Prior();
        }
        QCOMPARE(backward, expectedIds);
        table->First();
        QCOMPARE(table->MoveBy(25), 25);
        QCOMPARE(table->FieldByName("ID")->AsInteger(), expectedIds[25]);
        QCOMPARE(table->MoveBy(-20), -20);
        QCOMPARE(table->FieldByName("ID")->AsInteger(), expectedIds[5]);
    }

    void rollbackDropsEveryWriteOfTheTransaction()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"A", 1, 1}});
        table->StartTransaction();
        table->Insert();
        table->FieldByName("Descr")->SetAsString("B");
        table->Post();
        table->First();
        table->Edit();
        table->FieldByName("Holes")->SetAsInteger(9);
        table->Post();
        QCOMPARE(table->RecordCount(), 2);
        table->Rollback();
        QVERIFY(!table->InTransaction());
        QCOMPARE(table->RecordCount(), 1);
        QCOMPARE(table->FieldByName("Holes")->AsInteger(), 1);

        table->StartTransaction();
        table->Insert();
        table->FieldByName("Descr")->SetAsString("C");
        table->Commit();   // posts the pending insert first
        table->Close();    // nothing left to roll back
        table->Open();
        QCOMPARE(table->RecordCount(), 2);
        table->StartTransaction();
        table->Delete();
        table->Close();    // an open transaction is dropped with the table
        table->Open();
        QCOMPARE(table->RecordCount(), 2);
    }

    void connectionByNameWithStoredParameters()
    {
        FILE_ENGINE_ONLY();
        TableFixture fixture;
        fixture.MakeTable("clubs.DB", {{"A", 1, 1}}).reset();
        TDatabase database;
        database.SetDatabaseName("clubs.db");
        database.SetDriverName("STANDARD");
        database.SetParams({"PATH=" + fixture.Folder(), "DEFAULT DRIVER=PARADOX", "ENABLE BCD=true"});
        TTable table;
        table.SetDatabaseName("CLUBS.DB");
        table.SetTableName("clubs.DB");
        table.Open();
        QCOMPARE(table.FieldByName("Descr")->AsString(), QString("A"));
        QVERIFY(database.Connected());

        TDatabase other;
        other.SetDatabaseName("other");
        other.SetDriverName("NOSUCH");
        EXPECT_FAILURE(other.Open(), "Driver 'NOSUCH' is not installed");
    }
};

QTEST_GUILESS_MAIN(tst_Table)
#include "tst_table.moc"
