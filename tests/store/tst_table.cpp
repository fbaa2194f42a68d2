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
