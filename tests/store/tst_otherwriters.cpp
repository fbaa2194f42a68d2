// Two users on the same tables: what one stores reaches the other's open table soon, without
// disturbing a record the other is editing, and a post over a record the other changed meanwhile
// is refused with the edit kept. Runs over table files, and over the server as tst_otherwriters_server.

#include "Exceptions.h"
#include "StoreTestSupport.h"
#include "TDatabase.h"
#include "TTable.h"

#include <QDeadlineTimer>
#include <QTest>

namespace {

// How long another user's change may take to show.
constexpr int kNoticeDeadlineMs = 2000;

// The other user: a connection of their own to the fixture's tables. Table files get one per
// table anyway; on the server it is a second database connection on the same schema.
class OtherUser
{
public:
    explicit OtherUser(TableFixture &fixture) : m_fixture(fixture)
    {
        if (!TableFixture::OnServer())
            return;
        m_database = std::make_unique<TDatabase>();
        m_database->SetDatabaseName(fixture.Folder() + QStringLiteral("_other"));
        m_database->SetDriverName(QStringLiteral("POSTGRESQL"));
        m_database->SetParams({QStringLiteral("URL=") + qEnvironmentVariable("TALLIMO_TEST_DATABASE"),
                               QStringLiteral("SCHEMA=") + fixture.Folder()});
        m_database->Open();
    }

    std::unique_ptr<TTable> Open(const QString &name)
    {
        auto table = std::make_unique<TTable>();
        table->SetDatabaseName(m_database ? m_database->DatabaseName() : m_fixture.Folder());
        table->SetTableName(name);
        table->Open();
        return table;
    }

private:
    TableFixture &m_fixture;
    std::unique_ptr<TDatabase> m_database;
};

// The stored records' names, read through a connection of their own.
QStringList StoredNames(TableFixture &fixture, const QString &name)
{
    OtherUser reader(fixture);
    auto table = reader.Open(name);
    QStringList names;
    for (table->First(); !table->Eof(); table->Next())
        names << Descr(*table);
    return names;
}

} // namespace

class tst_OtherWriters : public QObject
{
    Q_OBJECT

private slots:
    // Seeing others' changes

    void anotherUsersChangesShowWithinSeconds()
    {
        TableFixture fixture;
        auto mine = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70.0, 9}});
        auto quiet = fixture.MakeTable("courses.DB", {{"Links", 72.0, 18}});
        OtherUser other(fixture);
        auto theirs = other.Open("clubs.DB");
        auto theirQuiet = other.Open("courses.DB");
        QVERIFY(!theirs->RefreshIfChangedElsewhere());

        // An update, an insert and a delete each reach the other user, who stays on their record.
        theirs->Next();
        QCOMPARE(Descr(*theirs), QStringLiteral("Beta"));
        mine->Edit();
        mine->FieldByName("Descr")->SetAsString("Alpha Two");
        mine->Post();
        QVERIFY(CatchesUpWithin(*theirs, kNoticeDeadlineMs));
        QCOMPARE(Descr(*theirs), QStringLiteral("Beta"));
        theirs->First();
        QCOMPARE(Descr(*theirs), QStringLiteral("Alpha Two"));

        mine->Insert();
        mine->FieldByName("Descr")->SetAsString("Gamma");
        mine->Post();
        QVERIFY(CatchesUpWithin(*theirs, kNoticeDeadlineMs));
        QCOMPARE(theirs->RecordCount(), 3);

        mine->First();
        mine->Delete();
        QVERIFY(CatchesUpWithin(*theirs, kNoticeDeadlineMs));
        QCOMPARE(theirs->RecordCount(), 2);
        QCOMPARE(Descr(*theirs), QStringLiteral("Beta"));

        // Once caught up, nothing more is reported; a table nobody changed never reports.
        QVERIFY(!theirs->RefreshIfChangedElsewhere());
        QVERIFY(!theirQuiet->RefreshIfChangedElsewhere());
        QCOMPARE(Descr(*theirQuiet), QStringLiteral("Links"));
    }

    // A table opening reads the records after its first one with it; moving on later must still
    // show what is stored by then, whoever stored it.
    void recordsReadWithTheFirstShowLaterChanges()
    {
        TableFixture fixture;
        auto mine = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70.0, 9}, {"Gamma", 69.0, 9}});
        OtherUser other(fixture);

        // Changed through another table of the same connection, just after the opening.
        auto reader = fixture.MakeTable("clubs.DB");
        auto sibling = fixture.MakeTable("clubs.DB");
        sibling->Next();
        sibling->Edit();
        sibling->FieldByName("Descr")->SetAsString("Beta Two");
        sibling->Post();
        reader->Next();
        QCOMPARE(Descr(*reader), QStringLiteral("Beta Two"));

        // Changed by another user a moment after the opening.
        auto late = fixture.MakeTable("clubs.DB");
        {
            auto theirs = other.Open("clubs.DB");
            theirs->Next();
            theirs->Edit();
            theirs->FieldByName("Descr")->SetAsString("Beta Three");
            theirs->Post();
        }
        QTest::qWait(250);
        late->Next();
        QCOMPARE(Descr(*late), QStringLiteral("Beta Three"));
        QCOMPARE(late->RecordCount(), 3);
    }

    // A walk record by record, past the records read with the first, in primary order and by
    // name: every record once, in order, with what was stored meanwhile by either user.
    void aWalkRecordByRecordSeesEveryRecordOnceWithLaterChanges()
    {
        TableFixture fixture;
        QList<std::tuple<QString, QVariant, QVariant>> records;
        for (int i = 0; i < 45; ++i)
            records.append({QStringLiteral("P%1").arg(i % 9), 70.0, i});
        fixture.MakeTable("clubs.DB", records);
        OtherUser other(fixture);

        auto walker = fixture.MakeTable("clubs.DB");
        auto sibling = fixture.MakeTable("clubs.DB");
        QList<int> seen;
        for (walker->First(); !walker->Eof(); walker->Next()) {
            const int holes = walker->FieldByName("Holes")->AsInteger();
            seen << holes;
            if (holes == 5) {
                // Through another table of the same connection: shows at once.
                sibling->SetRecNo(21);
                sibling->Edit();
                sibling->FieldByName("Descr")->SetAsString("Renamed here");
                sibling->Post();
            }
            if (holes == 20)
                QCOMPARE(Descr(*walker), QStringLiteral("Renamed here"));
            if (holes == 25) {
                // By the other user, a moment before the walk goes on.
                auto theirs = other.Open("clubs.DB");
                theirs->SetRecNo(36);
                theirs->Edit();
                theirs->FieldByName("Descr")->SetAsString("Renamed there");
                theirs->Post();
                QTest::qWait(250);
            }
            if (holes == 35)
                QCOMPARE(Descr(*walker), QStringLiteral("Renamed there"));
        }
        QList<int> expected;
        for (int i = 0; i < 45; ++i)
            expected << i;
        QCOMPARE(seen, expected);

        // By name: equal names in the order they were stored, each record once, and back again.
        auto byName = fixture.MakeTable("clubs.DB");
        byName->SetIndexFieldNames("Descr");
        QStringList names;
        QList<int> order;
        for (byName->First(); !byName->Eof(); byName->Next()) {
            names << Descr(*byName);
            order << byName->FieldByName("Holes")->AsInteger();
        }
        QCOMPARE(names.size(), 45);
        QStringList sorted = names;
        std::sort(sorted.begin(), sorted.end());
        QCOMPARE(names, sorted);
        for (int i = 1; i < order.size(); ++i)
            if (names[i] == names[i - 1])
                QVERIFY2(order[i] > order[i - 1], qPrintable(names[i]));
        QList<int> backward;
        for (byName->Last(); !byName->Bof(); byName->Prior())
            backward.prepend(byName->FieldByName("Holes")->AsInteger());
        QCOMPARE(backward, order);
    }

    void aRecordBeingEditedIsNeitherMovedNorRefreshed()
    {
        TableFixture fixture;
        auto mine = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70.0, 9}});
        OtherUser other(fixture);
        auto theirs = other.Open("clubs.DB");
        auto watcher = other.Open("clubs.DB");
        theirs->Next();
        theirs->Edit();
        theirs->FieldByName("Descr")->SetAsString("Beta typed");

        // Another record changes and one is added.
        mine->Edit();
        mine->FieldByName("Descr")->SetAsString("Alpha Two");
        mine->Post();
        mine->Insert();
        mine->FieldByName("Descr")->SetAsString("Aardvark");
        mine->Post();
        QVERIFY(CatchesUpWithin(*watcher, kNoticeDeadlineMs)); // the news has arrived

        QVERIFY(!theirs->RefreshIfChangedElsewhere());
        QCOMPARE(theirs->State(), dsEdit);
        QCOMPARE(Descr(*theirs), QStringLiteral("Beta typed"));
        QCOMPARE(theirs->FieldByName("RATING")->AsFloat(), 70.0);

        // The edit goes in over the record it began on; then the other's changes show.
        theirs->Post();
        theirs->RefreshIfChangedElsewhere();
        QCOMPARE(Descr(*theirs), QStringLiteral("Beta typed"));
        QCOMPARE(StoredNames(fixture, "clubs.DB"), (QStringList{"Alpha Two", "Beta typed", "Aardvark"}));
    }

    // Posting over another user's change

    void postOverAnotherUsersChangeIsRefusedAndKept_data()
    {
        QTest::addColumn<QString>("table");
        QTest::addColumn<QString>("message");
        QTest::newRow("players") << "hcap.DB"
                                 << "This player was changed by someone else: your change is kept in the form; Refresh shows theirs";
        QTest::newRow("other table") << "clubs.DB"
                                     << "This record was changed by someone else: your change is kept in the form; Refresh shows theirs";
    }
    void postOverAnotherUsersChangeIsRefusedAndKept()
    {
        QFETCH(QString, table);
        QFETCH(QString, message);
        TableFixture fixture;
        auto mine = fixture.MakeTable(table, {{"Ada", 71.5, 18}, {"Bea", 70.0, 9}});
        OtherUser other(fixture);
        auto theirs = other.Open(table);

        theirs->Edit();
        theirs->FieldByName("Descr")->SetAsString("Ada (theirs)");
        theirs->FieldByName("Holes")->SetAsInteger(9);
        mine->Edit();
        mine->FieldByName("RATING")->SetAsFloat(68.25);
        mine->Post();

        EXPECT_FAILURE(theirs->Post(), message);
        QCOMPARE(theirs->State(), dsEdit);
        QCOMPARE(Descr(*theirs), QStringLiteral("Ada (theirs)"));
        QCOMPARE(theirs->FieldByName("Holes")->AsInteger(), 9);
        // Refused again while nothing was refreshed; nothing of the first change is lost.
        EXPECT_FAILURE(theirs->Post(), message);
        OtherUser reader(fixture);
        auto stored = reader.Open(table);
        QCOMPARE(Descr(*stored), QStringLiteral("Ada"));
        QCOMPARE(stored->FieldByName("RATING")->AsFloat(), 68.25);
        QCOMPARE(stored->FieldByName("Holes")->AsInteger(), 18);
        QCOMPARE(stored->RecordCount(), 2);

        // After a cancel the stored record shows, and an edit from it goes in.
        theirs->Cancel();
        theirs->Refresh();
        QCOMPARE(theirs->FieldByName("RATING")->AsFloat(), 68.25);
        theirs->Edit();
        theirs->FieldByName("Descr")->SetAsString("Ada (theirs)");
        theirs->Post();
        stored->Refresh();
        QCOMPARE(Descr(*stored), QStringLiteral("Ada (theirs)"));
        QCOMPARE(stored->FieldByName("RATING")->AsFloat(), 68.25);
    }

    // Table files let one writer in at a time: there the other user's transaction would make
    // this post wait instead.
    void refusalInsideATransactionKeepsItsEarlierWrites()
    {
        if (!TableFixture::OnServer())
            QSKIP("a writer on table files waits for the other's transaction");
        TableFixture fixture;
        auto mine = fixture.MakeTable("clubs.DB", {{"Ada", 71.5, 18}, {"Bea", 70.0, 9}});
        OtherUser other(fixture);
        auto theirs = other.Open("clubs.DB");

        theirs->StartTransaction();
        theirs->Insert();
        theirs->FieldByName("Descr")->SetAsString("Cleo");
        theirs->Post();
        theirs->First();
        theirs->Edit();
        theirs->FieldByName("Descr")->SetAsString("Ada (theirs)");
        mine->Edit();
        mine->FieldByName("Holes")->SetAsInteger(27);
        mine->Post();
        EXPECT_FAILURE(theirs->Post(),
                       "This record was changed by someone else: your change is kept in the form; Refresh shows theirs");
        theirs->Cancel();
        theirs->Commit();
        QCOMPARE(StoredNames(fixture, "clubs.DB"), (QStringList{"Ada", "Bea", "Cleo"}));
    }
};

QTEST_GUILESS_MAIN(tst_OtherWriters)
#include "tst_otherwriters.moc"
