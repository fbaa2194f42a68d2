// The whole-table paths of the engine seam: the SQLite engine's own, and the ones built from the
// record calls that any other engine gets (called here on the same real table).

#include "SqliteEngine.h"
#include "StoreTestSupport.h"

class tst_StoreBulk : public QObject
{
    Q_OBJECT

    // "engine": the SQLite engine's own paths; "built-up": the base class's paths.
    static std::unique_ptr<TStoreBulkInsert> Writer(TStoreTableCursor &table, const QList<int> &fields, bool own)
    {
        return own ? table.BulkInsert(fields) : table.TStoreTableCursor::BulkInsert(fields);
    }
    static std::unique_ptr<TStoreRowStream> Reader(TStoreTableCursor &table, bool own)
    {
        return own ? table.ReadAll() : table.TStoreTableCursor::ReadAll();
    }

private slots:
    void paths_data()
    {
        QTest::addColumn<bool>("own");
        QTest::newRow("engine") << true;
        QTest::newRow("built-up") << false;
    }

    void addedRecordsReadBackInOrder_data() { paths_data(); }
    void addedRecordsReadBackInOrder()
    {
        QFETCH(bool, own);
        TableFixture fixture;
        fixture.MakeTable("clubs.db");
        auto connection = MakeConnection("STANDARD", TConnectionParams({"PATH=" + fixture.Folder()}));
        auto table = connection->OpenTable("clubs.db");

        // Fields in another order than the table's, the identity given for some records only.
        const QList<int> fields{2, 1, 0, 4};
        constexpr int kRecords = 2500; // more than one page of the built-up reader
        table->BeginTransaction();
        {
            auto writer = Writer(*table, fields, own);
            for (int i = 1; i <= kRecords; ++i) {
                const QVariant id = i % 2 ? QVariant(qint64(i * 10)) : QVariant();
                const std::optional<qint64> stored = writer->Add({70.5 + i, QStringLiteral("Club %1").arg(i), id, QDate(2000, 1, 1).addDays(i)});
                QVERIFY(stored);
                if (!id.isNull())
                    QCOMPARE(*stored, i * 10);
            }
            // A taken identity stores nothing.
            QCOMPARE(writer->Add({1.0, QStringLiteral("Again"), qint64(10), QVariant()}), std::nullopt);
        }
        table->Commit();
        QCOMPARE(table->Count({}), kRecords);

        auto reader = Reader(*table, own);
        TRecordData row;
        qint64 lastId = 0;
        int count = 0;
        while (reader->Next(row)) {
            ++count;
            QVERIFY(row.Id > lastId);
            lastId = row.Id;
            const int i = row.Values[1].toString().mid(5).toInt();
            QCOMPARE(row.Values[1].toString(), QStringLiteral("Club %1").arg(i));
            QCOMPARE(row.Values[2].toDouble(), 70.5 + i);
            QVERIFY(row.Values[3].isNull());
            QCOMPARE(row.Values[4].toDate(), QDate(2000, 1, 1).addDays(i));
            QCOMPARE(row.Values[0].toLongLong(), row.Id);
        }
        QCOMPARE(count, kRecords);
        QVERIFY(!reader->Next(row));
    }

    void rolledBackRecordsAreGone_data() { paths_data(); }
    void rolledBackRecordsAreGone()
    {
        QFETCH(bool, own);
        TableFixture fixture;
        fixture.MakeTable("clubs.db", {{"Kept", 70.0, 18}});
        auto connection = MakeConnection("STANDARD", TConnectionParams({"PATH=" + fixture.Folder()}));
        auto table = connection->OpenTable("clubs.db");
        table->BeginTransaction();
        {
            auto writer = Writer(*table, {1}, own);
            for (int i = 0; i < 100; ++i)
                QVERIFY(writer->Add({QStringLiteral("Gone")}));
        }
        table->Rollback();
        auto reader = Reader(*table, own);
        TRecordData row;
        QVERIFY(reader->Next(row));
        QCOMPARE(row.Values[1].toString(), QStringLiteral("Kept"));
        QVERIFY(!reader->Next(row));
    }

    // The engine reads the table as it stood when reading began, even while it is being changed.
    void engineReaderSeesOneMoment()
    {
        TableFixture fixture;
        fixture.MakeTable("clubs.db", {{"A", 70.0, 18}, {"B", 71.0, 9}});
        auto connection = MakeConnection("STANDARD", TConnectionParams({"PATH=" + fixture.Folder()}));
        auto reading = connection->OpenTable("clubs.db");
        auto writing = connection->OpenTable("clubs.db");
        auto reader = reading->ReadAll();
        TRecordData row;
        QVERIFY(reader->Next(row));
        writing->Insert({QVariant(), QStringLiteral("C"), 72.0, qint64(18), QVariant()}, {false, true, true, true, false});
        QVERIFY(reader->Next(row));
        QCOMPARE(row.Values[1].toString(), QStringLiteral("B"));
        QVERIFY(!reader->Next(row));
    }
};

QTEST_GUILESS_MAIN(tst_StoreBulk)
#include "tst_storebulk.moc"
