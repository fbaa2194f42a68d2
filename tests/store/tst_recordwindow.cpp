#include "Exceptions.h"
#include "StoreTestSupport.h"
#include "TDataSource.h"
#include "TRecordWindowModel.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QTest>

namespace {

QStringList Column(const TRecordWindowModel &model, int column)
{
    QStringList texts;
    for (int row = 0; row < model.rowCount(); ++row)
        texts << model.index(row, column).data().toString();
    return texts;
}

QList<std::tuple<QString, QVariant, QVariant>> Letters(int count)
{
    QList<std::tuple<QString, QVariant, QVariant>> records;
    for (int i = 0; i < count; ++i)
        records.append({QString(QChar('A' + i)), 70.0 + i, i});
    return records;
}

} // namespace

class tst_RecordWindow : public QObject
{
    Q_OBJECT

private slots:
    void init() { SetFormatSettings(TFormatSettings()); }
    void cleanup() { ResetFormatSettings(); }

    void windowFollowsTheCurrentRecordBothWays()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Letters(12));
        TDataSource source;
        source.SetDataSet(table.get());
        TRecordWindowModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.SetColumns({"Descr", "RATING"});
        model.SetWindowSize(5);
        model.SetDataSource(&source);
        QCOMPARE(model.columnCount(), 2);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QString("RATING"));
        QCOMPARE(Column(model, 0), (QStringList{"A", "B", "C", "D", "E"}));
        QCOMPARE(model.ActiveRow(), 0);

        for (int i = 0; i < 4; ++i)
            table->Next();
        QCOMPARE(model.ActiveRow(), 4);
        QCOMPARE(Column(model, 0), (QStringList{"A", "B", "C", "D", "E"}));
        table->Next();
        QCOMPARE(Column(model, 0), (QStringList{"B", "C", "D", "E", "F"}));
        QCOMPARE(model.ActiveRow(), 4);
        for (int i = 0; i < 5; ++i)
            table->Prior();
        QCOMPARE(Column(model, 0), (QStringList{"A", "B", "C", "D", "E"}));
        QCOMPARE(model.ActiveRow(), 0);
        table->Last();
        QCOMPARE(Column(model, 0), (QStringList{"H", "I", "J", "K", "L"}));
        QCOMPARE(model.ActiveRow(), 4);
        QCOMPARE(model.index(4, 1).data(Qt::TextAlignmentRole).value<Qt::Alignment>(), Qt::AlignRight | Qt::AlignVCenter);

        QSignalSpy moved(&model, &TRecordWindowModel::ActiveRowChanged);
        model.SetActiveRow(1);
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("I"));
        QCOMPARE(moved.count(), 1);
        model.Scroll(-3);
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("F"));
        QCOMPARE(Column(model, 0), (QStringList{"F", "G", "H", "I", "J"}));
    }

    void fewerRecordsThanRowsAndEmptyTables()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Letters(3));
        TDataSource source;
        source.SetDataSet(table.get());
        TRecordWindowModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.SetWindowSize(10);
        model.SetDataSource(&source);
        QCOMPARE(model.rowCount(), 3);
        QCOMPARE(model.columnCount(), 5);
        table->Last();
        QCOMPARE(model.ActiveRow(), 2);
        table->Delete();
        table->Delete();
        table->Delete();
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.ActiveRow(), -1);
        table->Close();
        QCOMPARE(model.columnCount(), 0);
    }

    void editingACellWritesTheFieldAndMovingPostsIt()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Letters(4));
        TDataSource source;
        source.SetDataSet(table.get());
        TRecordWindowModel model;
        model.SetColumns({"ID", "Descr", "Holes"});
        model.SetWindowSize(4);
        model.SetDataSource(&source);
        QVERIFY(!(model.flags(model.index(0, 0)) & Qt::ItemIsEditable)); // automatic number
        QVERIFY(model.flags(model.index(0, 1)) & Qt::ItemIsEditable);

        QVERIFY(model.setData(model.index(2, 1), "Changed"));
        QCOMPARE(table->State(), dsEdit);
        QCOMPARE(table->FieldByName("ID")->AsInteger(), 3);
        QCOMPARE(model.index(2, 1).data().toString(), QString("Changed"));

        QSignalSpy failures(&model, &TRecordWindowModel::EditFailed);
        QVERIFY(!model.setData(model.index(2, 2), "many"));
        QCOMPARE(failures.count(), 1);
        QCOMPARE(failures.first().first().toString(), QString("'many' is not a valid integer value for field 'Holes'"));

        model.SetActiveRow(0);
        QCOMPARE(table->State(), dsBrowse);
        table->Refresh();
        QCOMPARE(model.index(2, 1).data().toString(), QString("Changed"));
    }

    void insertedRecordAppearsAtTheCurrentRow()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Letters(6));
        TDataSource source;
        source.SetDataSet(table.get());
        TRecordWindowModel model;
        QAbstractItemModelTester tester(&model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        model.SetColumns({"Descr"});
        model.SetWindowSize(4);
        model.SetDataSource(&source);
        table->Next();
        table->Next();
        table->Insert();
        QCOMPARE(Column(model, 0), (QStringList{"A", "B", "", "C"}));
        QCOMPARE(model.ActiveRow(), 2);
        table->FieldByName("Descr")->SetAsString("New");
        QCOMPARE(model.index(2, 0).data().toString(), QString("New"));
        table->Cancel();
        QCOMPARE(Column(model, 0), (QStringList{"A", "B", "C", "D"}));
    }
};

QTEST_GUILESS_MAIN(tst_RecordWindow)
#include "tst_recordwindow.moc"
