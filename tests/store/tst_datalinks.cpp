#include "Exceptions.h"
#include "StoreTestSupport.h"
#include "TDataLink.h"
#include "TDataSource.h"
#include "TField.h"

#include <QTest>

namespace {

// A widget's view of one field: records every notification and what it would show.
struct BoundField
{
    explicit BoundField(TDataSource *source, const QString &fieldName)
    {
        link.OnDataChange = [this] {
            log << "data";
            shown = link.Field() ? link.Field()->DisplayText() : QString();
        };
        link.OnEditingChange = [this] { log << (link.Editing() ? "editing" : "browsing"); };
        link.OnActiveChange = [this] { log << (link.Active() ? "active" : "inactive"); };
        link.OnUpdateData = [this] {
            log << "update";
            if (link.Field())
                link.Field()->SetAsString(pending);
        };
        link.SetDataSource(source);
        link.SetFieldName(fieldName);
        log.clear();
    }

    TFieldDataLink link;
    QStringList log;
    QString shown;
    QString pending;
};

// A plain link that records the raw notifications.
class RecordingLink : public TDataLink
{
public:
    QStringList log;

protected:
    void ActiveChanged() override { log << "ActiveChanged"; }
    void EditingChanged() override { log << "EditingChanged"; }
    void DataSetChanged() override { log << "DataSetChanged"; }
    void DataSetScrolled(int distance) override { log << QString("DataSetScrolled(%1)").arg(distance); }
    void RecordChanged(TField *field) override { log << QString("RecordChanged(%1)").arg(field ? field->FieldName() : "nil"); }
    void LayoutChanged() override { log << "LayoutChanged"; }
    void UpdateData() override { log << "UpdateData"; }
};

} // namespace

class tst_DataLinks : public QObject
{
    Q_OBJECT

private slots:
    void init() { SetFormatSettings(TFormatSettings()); }
    void cleanup() { ResetFormatSettings(); }

    void notificationsForEachOperation_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<QStringList>("raw");
        QTest::addColumn<QStringList>("field");
        QTest::newRow("close") << "close" << QStringList{"ActiveChanged"} << QStringList{"data", "inactive"};
        QTest::newRow("open") << "open" << QStringList{"ActiveChanged", "DataSetChanged"} << QStringList{"active", "data"};
        QTest::newRow("next") << "next" << QStringList{"DataSetScrolled(1)"} << QStringList{"data"};
        QTest::newRow("next at end") << "next at end" << QStringList{"DataSetScrolled(0)"} << QStringList{"data"};
        QTest::newRow("last") << "last" << QStringList{"DataSetChanged"} << QStringList{"data"};
        QTest::newRow("edit") << "edit" << QStringList{"EditingChanged", "RecordChanged(nil)"} << QStringList{"editing", "data"};
        QTest::newRow("set own field") << "set Descr" << QStringList{"EditingChanged", "RecordChanged(nil)", "RecordChanged(Descr)"}
                                       << QStringList{"editing", "data", "data"};
        QTest::newRow("set other field") << "set Holes" << QStringList{"EditingChanged", "RecordChanged(nil)", "RecordChanged(Holes)"}
                                         << QStringList{"editing", "data"};
        QTest::newRow("post") << "post" << QStringList{"UpdateData", "EditingChanged", "DataSetChanged"} << QStringList{"browsing", "data"};
        QTest::newRow("cancel") << "cancel" << QStringList{"EditingChanged", "DataSetChanged"} << QStringList{"browsing", "data"};
        QTest::newRow("close while editing") << "close editing" << QStringList{"ActiveChanged", "EditingChanged"}
                                             << QStringList{"data", "inactive", "browsing"};
        QTest::newRow("insert") << "insert" << QStringList{"EditingChanged", "DataSetChanged"} << QStringList{"editing", "data"};
        QTest::newRow("delete") << "delete" << QStringList{"DataSetChanged"} << QStringList{"data"};
        QTest::newRow("refresh") << "refresh" << QStringList{"DataSetChanged"} << QStringList{"data"};
        QTest::newRow("index switch") << "index" << QStringList{"DataSetChanged"} << QStringList{"data"};
    }
    void notificationsForEachOperation()
    {
        QFETCH(QString, operation);
        QFETCH(QStringList, raw);
        QFETCH(QStringList, field);

        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        if (operation == "open")
            table->Close();
        if (operation == "next at end")
            table->Next(); // on the last record, not yet past it
        const bool prepareEdit = operation == "post" || operation == "cancel" || operation == "close editing";
        if (prepareEdit) {
            table->Edit();
            table->FieldByName("Descr")->SetAsString("Changed");
        }
        TDataSource source;
        source.SetDataSet(table.get());
        RecordingLink recorder;
        recorder.SetDataSource(&source);
        BoundField bound(&source, "Descr");
        recorder.log.clear();

        if (operation == "close" || operation == "close editing") table->Close();
        else if (operation == "open") table->Open();
        else if (operation == "next" || operation == "next at end") table->Next();
        else if (operation == "last") table->Last();
        else if (operation == "edit") table->Edit();
        else if (operation == "set Descr" || operation == "set Holes") {
            table->Edit();
            table->FieldByName(operation.mid(4))->SetAsString("7");
        } else if (operation == "post") table->Post();
        else if (operation == "cancel") table->Cancel();
        else if (operation == "insert") table->Insert();
        else if (operation == "delete") table->Delete();
        else if (operation == "refresh") table->Refresh();
        else if (operation == "index") table->SetIndexFieldNames("Descr");

        QCOMPARE(recorder.log, raw);
        QCOMPARE(bound.log, field);
    }

    void boundWidgetAlwaysShowsTheCurrentValue()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        TDataSource source;
        source.SetDataSet(table.get());
        BoundField bound(&source, "descr");
        bound.link.SetDataSource(nullptr);
        bound.link.SetDataSource(&source);
        QCOMPARE(bound.shown, QString("Alpha"));
        table->Next();
        QCOMPARE(bound.shown, QString("Beta"));
        table->Edit();
        table->FieldByName("DESCR")->SetAsString("Gamma");
        QCOMPARE(bound.shown, QString("Gamma"));
        table->Cancel();
        QCOMPARE(bound.shown, QString("Beta"));
        table->Close();
        QCOMPARE(bound.shown, QString());
        table->Open();
        QCOMPARE(bound.shown, QString("Alpha"));
        source.SetEnabled(false);
        QCOMPARE(bound.shown, QString());
        source.SetEnabled(true);
        QCOMPARE(bound.shown, QString("Alpha"));
    }

    void pendingWidgetTextIsWrittenBeforePostAndNotEchoed()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        TDataSource source;
        source.SetDataSet(table.get());
        BoundField bound(&source, "Descr");
        QVERIFY(bound.link.Edit());
        bound.pending = "Typed";
        bound.link.Modified();
        bound.log.clear();
        table->Post();
        QCOMPARE(bound.log, (QStringList{"update", "browsing", "data"}));
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Typed"));
        table->Close();
        table->Open();
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Typed"));
    }

    void autoEditOffKeepsTheTableInBrowseState()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        TDataSource source;
        source.SetDataSet(table.get());
        source.SetAutoEdit(false);
        BoundField bound(&source, "Descr");
        QVERIFY(!bound.link.Edit());
        QCOMPARE(table->State(), dsBrowse);
        bound.link.SetReadOnly(true);
        source.SetAutoEdit(true);
        QVERIFY(!bound.link.Edit());
        bound.link.SetReadOnly(false);
        QVERIFY(bound.link.Edit());
        QVERIFY(bound.link.CanModify());
    }

    void destroyingTheSourceOrTableLeavesNothingDangling()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        auto source = std::make_unique<TDataSource>();
        source->SetDataSet(table.get());
        BoundField bound(source.get(), "Descr");
        QVERIFY(bound.link.Active());
        source.reset();
        QCOMPARE(bound.link.DataSource(), nullptr);
        QVERIFY(!bound.link.Active());
        QCOMPARE(bound.link.Field(), nullptr);
        QCOMPARE(bound.shown, QString());

        TDataSource second;
        second.SetDataSet(table.get());
        bound.link.SetDataSource(&second);
        QCOMPARE(bound.shown, QString("Alpha"));
        table.reset();
        QCOMPARE(second.DataSet(), nullptr);
        QVERIFY(!bound.link.Active());
        QCOMPARE(bound.shown, QString());
    }

    void aLinkThatRemovesAnotherDuringANotificationIsSafe()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        TDataSource source;
        source.SetDataSet(table.get());
        auto victim = std::make_unique<BoundField>(&source, "Descr");
        BoundField killer(&source, "Holes");
        killer.link.OnDataChange = [&] { victim.reset(); };
        // Whichever order the links are told in, nothing is called on the destroyed one.
        table->Next();
        QVERIFY(!victim);
        table->Next();
    }

    void aFailingWidgetDoesNotKeepTheOthersUninformed()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        TDataSource source;
        source.SetDataSet(table.get());
        BoundField failing(&source, "Descr");
        failing.link.OnDataChange = [] { throw EDatabaseError("Label1: Field 'nope' not found"); };
        BoundField other(&source, "Descr");
        EXPECT_FAILURE(table->Next(), "Label1: Field 'nope' not found");
        QCOMPARE(other.shown, QString("Beta"));
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Beta"));
    }

    void swappingTheTableRebindsTheFields()
    {
        TableFixture fixture;
        auto first = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        auto second = fixture.MakeTable("other.DB", {{"Omega", 69, 9}});
        TDataSource source;
        source.SetDataSet(first.get());
        BoundField bound(&source, "Descr");
        RecordingLink recorder;
        recorder.SetDataSource(&source);
        recorder.log.clear();
        source.SetDataSet(second.get());
        QCOMPARE(bound.link.Field(), second->FieldByName("Descr"));
        QCOMPARE(bound.shown, QString("Omega"));
        QCOMPARE(recorder.log, (QStringList{"ActiveChanged", "ActiveChanged", "DataSetChanged"}));
        first->Next(); // the old table no longer reaches the links
        QCOMPARE(bound.shown, QString("Omega"));
    }

    void aWidgetFailingAsTheTableOpensKeepsTheOthersInformed()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        table->Close();
        TDataSource source;
        source.SetDataSet(table.get());
        BoundField failing(&source, "Descr");
        failing.link.OnActiveChange = [] { throw EDatabaseError("Label1: Field 'nope' not found"); };
        BoundField other(&source, "Descr");
        EXPECT_FAILURE(table->Open(), "Label1: Field 'nope' not found");
        QVERIFY(table->Active());
        QCOMPARE(other.shown, QString("Alpha"));
        QCOMPARE(other.log, (QStringList{"active", "data"}));
    }

    void missingFieldIsToldApart()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}});
        TDataSource source;
        source.SetDataSet(table.get());
        BoundField bound(&source, "Nonsense");
        QVERIFY(bound.link.FieldMissing());
        QCOMPARE(bound.link.Field(), nullptr);
        bound.link.SetFieldName("rating");
        QVERIFY(!bound.link.FieldMissing());
        QCOMPARE(bound.shown, QString("71.5"));
    }

    void sourceEventsFollowTheTable()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", 71.5, 18}, {"Beta", 70, 9}});
        TDataSource source;
        QStringList log;
        source.OnStateChange = [&](QObject *) { log << QString("state %1").arg(int(source.State())); };
        source.OnDataChange = [&](QObject *, TField *field) { log << QString("data %1").arg(field ? field->FieldName() : "nil"); };
        source.SetDataSet(table.get());
        table->Edit();
        table->FieldByName("Holes")->SetAsInteger(3);
        table->Post();
        QCOMPARE(log, (QStringList{"state 1", "data nil", "state 2", "data nil", "data Holes", "state 1", "data nil"}));
    }
};

QTEST_GUILESS_MAIN(tst_DataLinks)
#include "tst_datalinks.moc"
