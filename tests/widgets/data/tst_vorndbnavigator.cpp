#include "Dialogs.h"
#include "Exceptions.h"
#include "StoreEngine.h"
#include "TApplication.h"
#include "TDatabase.h"
#include "TField.h"
#include "TLayout.h"
#include "VornDBControls.h"
#include "VornTestKit.h"

#include <QLineEdit>
#include <QMetaEnum>
#include <QTimer>

#include <climits>

namespace {

using Btn = TVornNavBtns;
using Nav = TVornDBNavigator;

// The table files as they are, with the write protection of a read-only medium: every change is
// refused by the engine's own flag.
class WriteProtectedCursor : public TStoreTableCursor
{
public:
    explicit WriteProtectedCursor(std::unique_ptr<TStoreTableCursor> inner) : m_inner(std::move(inner)) {}
    QList<TFieldInfo> Fields() const override { return m_inner->Fields(); }
    bool IsReadOnly() const override { return true; }
    int IdentityField() const override { return m_inner->IdentityField(); }
    QList<TRecordData> Fetch(const TFetchRequest &request) override { return m_inner->Fetch(request); }
    std::optional<TRecordData> FetchById(qint64 id, const TSqlCondition &filter) override { return m_inner->FetchById(id, filter); }
    std::optional<TRecordData> FindFirst(int field, const QVariant &value, const TSqlCondition &filter) override
    {
        return m_inner->FindFirst(field, value, filter);
    }
    qint64 Count(const TSqlCondition &filter) override { return m_inner->Count(filter); }
    qint64 Insert(const QVector<QVariant> &, const QVector<bool> &) override { throw EDatabaseError("write-protected"); }
    void Update(qint64, const QVector<QVariant> &, const QVector<bool> &) override { throw EDatabaseError("write-protected"); }
    void Remove(qint64) override { throw EDatabaseError("write-protected"); }
    void BeginTransaction() override {}
    void Commit() override {}
    void Rollback() override {}

private:
    std::unique_ptr<TStoreTableCursor> m_inner;
};

class WriteProtectedConnection : public TStoreConnection
{
public:
    explicit WriteProtectedConnection(const TConnectionParams &params) : m_inner(MakeConnection("STANDARD", params)) {}
    bool TableExists(const QString &name) const override { return m_inner->TableExists(name); }
    std::unique_ptr<TStoreTableCursor> OpenTable(const QString &name) override
    {
        return std::make_unique<WriteProtectedCursor>(m_inner->OpenTable(name));
    }
    void CreateTable(const QString &, const QList<TFieldInfo> &) override { throw EDatabaseError("write-protected"); }

private:
    std::unique_ptr<TStoreConnection> m_inner;
};

QString EnabledNames(const Nav &navigator)
{
    QStringList names;
    const QMetaEnum buttons = QMetaEnum::fromType<Btn>();
    for (int i = 0; i < VornNav::ButtonCount; ++i)
        if (navigator.Button(Btn(i))->isEnabled())
            names << QString::fromLatin1(buttons.valueToKey(i));
    return names.join(' ');
}

// A navigator over a club table, on a shown page.
struct Rig
{
    explicit Rig(int records = 3)
    {
        table = MakeClubs(fixture, records);
        source.SetDataSet(table.get());
        container.resize(632, 451);
        navigator = new Nav(&container);
        navigator->setObjectName("VornDBNavigator1");
        navigator->SetDataSource(&source);
        navigator->OnClick = [this](QObject *, Btn button) { clicks << button; };
    }
    QString Current() const { return table->FieldByName("Descr")->AsString(); }
    void Press(Btn button) { navigator->Button(button)->Click(); }

    TableFixture fixture;
    std::unique_ptr<TTable> table;
    TDataSource source;
    WideContainer container;
    Nav *navigator = nullptr;
    QList<Btn> clicks;
};

QList<TModalResult> g_answers;
QList<TMessageRequest> g_asked;

} // namespace

class tst_VornDBNavigator : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        SetFormatSettings(TFormatSettings());
        g_answers.clear();
        g_asked.clear();
        SetMessageHandler([](const TMessageRequest &request) {
            g_asked << request;
            return g_answers.isEmpty() ? mrOk : g_answers.takeFirst();
        });
    }
    void cleanup()
    {
        SetMessageHandler({});
        ResetFormatSettings();
    }

    void newNavigatorShowsTheDefaultButtonsAndGlyphs()
    {
        WideContainer container;
        Nav navigator(&container);
        QCOMPARE(navigator.size(), QSize(252, 30));
        for (int i = 0; i < VornNav::ButtonCount; ++i) {
            const QImage glyph = navigator.Button(Btn(i))->Glyph();
            QCOMPARE(glyph.size(), QSize(40, 20));
            QCOMPARE(navigator.Button(Btn(i))->NumGlyphs(), 2);
            QCOMPARE(QColor(glyph.pixel(0, 19)), QColor(192, 192, 192)); // silver: transparent
            QVERIFY(glyph.copy(0, 0, 20, 20) != glyph.copy(20, 0, 20, 20));
        }
        QCOMPARE(EnabledNames(navigator), QString()); // nothing bound
    }

    void loadsWithTheClubPageSettings()
    {
        TableFixture fixture;
        MakeClubs(fixture, 3).reset();
        const QString text = QStringLiteral(R"(object Form1: TForm
  object Table1: TTable
    DatabaseName = '%1'
    TableName = 'clubs.DB'
    Active = True
  end
  object DataSource1: TDataSource
    DataSet = Table1
  end
  object VornDBNavigator1: TVornDBNavigator
    Left = 0
    Top = 419
    Width = 632
    Height = 32
    Cursor = crHandPoint
    Align = alBottom
    Bevel.BevelInner = bvNone
    Bevel.BevelOuter = bvNone
    Bevel.BevelWidth = 1
    Bevel.BevelBorders = [bsLeft, bsTop, bsRight, bsBottom]
    Bevel.BorderStyle = bsNone
    Bevel.BorderWidth = 0
    Bevel.HighLightColor = clBtnHighlight
    Bevel.ShadowColor = clBtnShadow
    ConfirmCancelText = 'Are you sure you want to cancel the Changes to the Record ?'
    ConfirmDeleteText = 'Are you sure you want to Delete the Record(s) ?'
    DataSource = DataSource1
    Hints.Strings = (
      'First Record' 'Prior Set' 'Prior Record' 'Next Record' 'Next Set' 'Last Record'
      'Insert Record' 'Delete Record' 'Edit/Change Record' 'Update Record' 'Cancel Changes'
      'Refresh Data' 'Set Bookmark' 'Goto Bookmark' 'Clear Bookmark' 'Enter Filter Criteria'
      'Apply Filter' 'Cancel Filter' 'Copy Record' 'Print List' 'Print Record')
    MoveBySet = 10
    ParentShowHint = False
    ShowHint = True
    VisibleButtons = [nbFirst, nbPrior, nbNext, nbLast, nbInsert, nbDelete, nbEdit, nbPost, nbCancel, nbRefresh]
  end
  object VornDBText1: TVornDBText
    Left = 268
    Top = 368
    Width = 82
    Height = 20
    AutoSize = True
    Bevel.BevelInner = bvLowered
    Bevel.BevelOuter = bvNone
    Color = clWhite
    DataField = 'Descr'
    DataSource = DataSource1
  end
end
)").arg(fixture.Folder());
        TClassRegistry registry;
        registry.Register<TTable>(QStringLiteral("TTable"));
        registry.Register<TDataSource>(QStringLiteral("TDataSource"));
        registry.Register<Nav>(QStringLiteral("TVornDBNavigator"));
        registry.Register<TVornDBText>(QStringLiteral("TVornDBText"));
        TLayoutLoader loader(registry);
        WideContainer page;
        page.resize(632, 451);
        loader.Load(ParseLayout(text), &page);
        page.ShowAndWait();
        auto *navigator = page.findChild<Nav *>(QStringLiteral("VornDBNavigator1"));
        auto *description = page.findChild<TVornDBText *>(QStringLiteral("VornDBText1"));
        QVERIFY(navigator && description);
        QCOMPARE(navigator->geometry(), QRect(0, 419, 632, 32));
        QCOMPARE(navigator->Align(), Nav::alBottom);
        QCOMPARE(navigator->VisibleButtons(), Nav::DefaultVisibleButtons());
        QCOMPARE(navigator->Button(Nav::nbInsert)->geometry(), QRect(259, 1, 62, 30));
        QCOMPARE(navigator->Button(Nav::nbEdit)->Hint(), QString("Edit/Change Record"));
        QCOMPARE(navigator->Button(Nav::nbPost)->Hint(), QString("Update Record"));
        QCOMPARE(EnabledNames(*navigator), QString("nbNext nbNextSet nbLast nbInsert nbDelete nbEdit nbRefresh nbSetBookmark nbEnterFilter nbCopyRecord nbPrintList nbPrintRecord"));
        QCOMPARE(description->Caption(), QString("Club 1"));
        QCOMPARE(description->Bevel()->BevelInner(), TVornBevel::bvLowered);
        QCOMPARE(description->Color(), clWhite);
        QCOMPARE(description->size(), QFontMetrics(description->font()).boundingRect(QRect(0, 0, 500, 50), 0, "Club 1").size() + QSize(4, 4));
        navigator->Button(Nav::nbNext)->Click();
        QCOMPARE(description->Caption(), QString("Club 2"));
    }

    void buttonsFillTheDockedWidth_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<QList<int>>("lefts");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("632") << 632 << QList<int>{1, 63, 125, 187, 259, 321, 383, 445, 507, 569}
                             << QList<int>{62, 62, 62, 62, 62, 62, 62, 62, 62, 62};
        QTest::newRow("640") << 640 << QList<int>{1, 64, 127, 189, 262, 325, 388, 451, 513, 576}
                             << QList<int>{63, 63, 62, 63, 63, 63, 63, 62, 63, 63};
    }
    void buttonsFillTheDockedWidth()
    {
        QFETCH(int, width);
        QFETCH(QList<int>, lefts);
        QFETCH(QList<int>, widths);
        Rig rig;
        rig.container.resize(width, 451);
        rig.navigator->SetBounds(0, 419, width, 32);
        rig.navigator->SetAlign(Nav::alBottom);
        rig.container.ShowAndWait();
        QCOMPARE(rig.navigator->geometry(), QRect(0, 419, width, 32));
        QCOMPARE(rig.navigator->ButtonWidth(), 62);
        QList<int> seenLefts, seenWidths;
        for (int i = 0; i < VornNav::ButtonCount; ++i) {
            const QRect button = rig.navigator->Button(Btn(i))->geometry();
            if (!rig.navigator->VisibleButtons().Contains(Btn(i))) {
                QCOMPARE(button.x(), width + 1);
                QVERIFY(!rig.navigator->Button(Btn(i))->isVisible());
                continue;
            }
            QCOMPARE(button.y(), 1);
            QCOMPARE(button.height(), 30);
            seenLefts << button.x();
            seenWidths << button.width();
        }
        QCOMPARE(seenLefts, lefts);
        QCOMPARE(seenWidths, widths);
    }

    void undockedNavigatorShrinksToItsButtons_data()
    {
        QTest::addColumn<quint32>("visible");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("lastLeft"); // of the last visible button
        QTest::newRow("default ten") << TVornNavBtnSet(Nav::DefaultVisibleButtons()).Bits << 10 * 62 + 2 + 10 << 569;
        QTest::newRow("moves only: no gap") << TVornNavBtnSet{Nav::nbFirst, Nav::nbPrior, Nav::nbNext, Nav::nbLast}.Bits
                                            << 4 * 159 + 2 << 1 + 3 * 159;
        QTest::newRow("copy only: one gap") << TVornNavBtnSet{Nav::nbCopyRecord}.Bits << 640 << 11;
        QTest::newRow("all twenty-one") << 0x1FFFFFu << 21 * 28 + 2 + 40 << 1 + 20 * 28 + 40;
        QTest::newRow("none: room of one") << 0u << 640 << 0;
    }
    void undockedNavigatorShrinksToItsButtons()
    {
        QFETCH(quint32, visible);
        QFETCH(int, width);
        QFETCH(int, lastLeft);
        Rig rig;
        rig.navigator->SetVisibleButtons(TVornNavBtnSet::FromBits(visible));
        rig.navigator->SetBounds(0, 0, 640, 32);
        rig.container.ShowAndWait();
        QCOMPARE(rig.navigator->width(), width);
        int last = 0;
        for (int i = 0; i < VornNav::ButtonCount; ++i)
            if (rig.navigator->VisibleButtons().Contains(Btn(i)))
                last = rig.navigator->Button(Btn(i))->x();
        QCOMPARE(last, lastLeft);
    }

    void groupSpaceSeparatesTheGroups()
    {
        Rig rig;
        rig.container.ShowAndWait();
        rig.navigator->SetGroupSpace(20);
        const QRect last = rig.navigator->Button(Nav::nbLast)->geometry();
        QCOMPARE(rig.navigator->Button(Nav::nbInsert)->x(), last.x() + last.width() + 20);
        QCOMPARE(rig.navigator->width(), 2 + 10 * 24 + 20);
        rig.navigator->Bevel()->SetBevelOuter(TVornBevel::bvRaised); // one pixel more on each side
        QCOMPARE(rig.navigator->Button(Nav::nbFirst)->pos(), QPoint(2, 2));
        QCOMPARE(rig.navigator->size(), QSize(4 + 10 * 24 + 20, 30));
        QCOMPARE(rig.navigator->Button(Nav::nbFirst)->height(), 26);
    }

    void orientationAndDockingSwapTheAxes()
    {
        Rig rig;
        rig.container.ShowAndWait();
        QCOMPARE(rig.navigator->size(), QSize(252, 30));
        rig.navigator->SetOrientation(Nav::orVertical);
        QCOMPARE(rig.navigator->size(), QSize(30, 252));
        QCOMPARE(rig.navigator->Button(Nav::nbLast)->geometry(), QRect(1, 1 + 3 * 24, 28, 24));
        QCOMPARE(rig.navigator->Button(Nav::nbInsert)->geometry(), QRect(1, 1 + 4 * 24 + 10, 28, 24));
        rig.navigator->SetAlign(Nav::alTop); // turns horizontal, then docks across the page
        QCOMPARE(rig.navigator->Orientation(), Nav::orHorizontal);
        QCOMPARE(rig.navigator->geometry(), QRect(0, 0, 632, 30));
        rig.navigator->SetAlign(Nav::alLeft);
        QCOMPARE(rig.navigator->Orientation(), Nav::orVertical);
        QCOMPARE(rig.navigator->height(), 451);
        QCOMPARE(rig.navigator->Button(Nav::nbRefresh)->geometry().bottom(), 451 - 2);
    }

    void enabledStatesFollowTheTable_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<QString>("enabled");
        QTest::newRow("first record") << "first"
            << "nbNext nbNextSet nbLast nbInsert nbDelete nbEdit nbRefresh nbSetBookmark nbEnterFilter nbCopyRecord nbPrintList nbPrintRecord";
        QTest::newRow("middle record") << "middle"
            << "nbFirst nbPriorSet nbPrior nbNext nbNextSet nbLast nbInsert nbDelete nbEdit nbRefresh nbSetBookmark nbEnterFilter nbCopyRecord nbPrintList nbPrintRecord";
        QTest::newRow("empty table") << "empty" << "nbInsert nbEdit nbRefresh nbSetBookmark nbEnterFilter nbCopyRecord";
        QTest::newRow("editing") << "editing"
            << "nbNext nbNextSet nbLast nbInsert nbDelete nbPost nbCancel nbRefresh nbSetBookmark nbEnterFilter nbPrintList nbPrintRecord";
        QTest::newRow("read-only table") << "read-only"
            << "nbNext nbNextSet nbLast nbSetBookmark nbEnterFilter nbPrintList nbPrintRecord";
        QTest::newRow("closed") << "closed" << "";
        QTest::newRow("navigator disabled") << "disabled" << "";
        QTest::newRow("enabled again") << "re-enabled"
            << "nbNext nbNextSet nbLast nbInsert nbDelete nbEdit nbRefresh nbSetBookmark nbEnterFilter nbCopyRecord nbPrintList nbPrintRecord";
    }
    void enabledStatesFollowTheTable()
    {
        QFETCH(QString, situation);
        QFETCH(QString, enabled);
        Rig rig(situation == "empty" ? 0 : 3);
        rig.navigator->SetVisibleButtons(TVornNavBtnSet::FromBits(0x1FFFFF));
        TDatabase database;
        std::unique_ptr<TTable> readOnly;
        if (situation == "middle")
            rig.table->Next();
        else if (situation == "editing")
            rig.table->Edit();
        else if (situation == "closed")
            rig.table->Close();
        else if (situation == "disabled")
            rig.navigator->setEnabled(false);
        else if (situation == "re-enabled") {
            rig.navigator->setEnabled(false);
            rig.navigator->setEnabled(true);
        } else if (situation == "read-only") {
            RegisterEngine("WRITEPROTECTED", [](const TConnectionParams &params) {
                return std::unique_ptr<TStoreConnection>(new WriteProtectedConnection(params));
            });
            database.SetDatabaseName("protected");
            database.SetDriverName("WRITEPROTECTED");
            database.SetParams({"PATH=" + rig.fixture.Folder()});
            readOnly = std::make_unique<TTable>();
            readOnly->SetDatabaseName("protected");
            readOnly->SetTableName("clubs.DB");
            readOnly->Open();
            QVERIFY(!readOnly->CanModify());
            rig.source.SetDataSet(readOnly.get());
        }
        QCOMPARE(EnabledNames(*rig.navigator), enabled);
    }

    void beforeActionSteersTheAction_data()
    {
        QTest::addColumn<int>("pressed");
        QTest::addColumn<int>("replacement");
        QTest::addColumn<bool>("process");
        QTest::addColumn<QString>("current");
        QTest::addColumn<int>("reported");
        QTest::newRow("changed to last") << int(Nav::nbFirst) << int(Nav::nbLast) << true << "Club 3" << int(Nav::nbLast);
        QTest::newRow("cancelled") << int(Nav::nbNext) << int(Nav::nbNext) << false << "Club 2" << int(Nav::nbNext);
        QTest::newRow("as pressed") << int(Nav::nbPrior) << int(Nav::nbPrior) << true << "Club 1" << int(Nav::nbPrior);
        QTest::newRow("print list only tells") << int(Nav::nbPrintList) << int(Nav::nbPrintList) << true << "Club 2" << int(Nav::nbPrintList);
        QTest::newRow("print record only tells") << int(Nav::nbPrintRecord) << int(Nav::nbPrintRecord) << true << "Club 2" << int(Nav::nbPrintRecord);
    }
    void beforeActionSteersTheAction()
    {
        QFETCH(int, pressed);
        QFETCH(int, replacement);
        QFETCH(bool, process);
        QFETCH(QString, current);
        QFETCH(int, reported);
        Rig rig;
        rig.table->Next();
        QList<Btn> before;
        rig.navigator->BeforeAction = [&](QObject *sender, Btn &button, bool &processAction) {
            QCOMPARE(sender, rig.navigator);
            before << button;
            button = Btn(replacement);
            processAction = process;
        };
        rig.navigator->ButtonAction(Btn(pressed));
        QCOMPARE(before, QList<Btn>{Btn(pressed)});
        QCOMPARE(rig.Current(), current);
        QCOMPARE(rig.clicks, QList<Btn>{Btn(reported)});
        QCOMPARE(rig.table->State(), dsBrowse);
    }

    void withoutAnOpenTableOnlyTheClickIsReported()
    {
        Rig rig;
        rig.table->Close();
        bool asked = false;
        rig.navigator->BeforeAction = [&](QObject *, Btn &, bool &) { asked = true; };
        rig.navigator->ButtonAction(Nav::nbDelete);
        QVERIFY(!asked);
        QCOMPARE(rig.clicks, QList<Btn>{Nav::nbDelete});
        QVERIFY(g_asked.isEmpty());
    }

    void confirmationsGuardDeleteAndCancel_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<int>("answer");
        QTest::addColumn<int>("questions");
        QTest::addColumn<qint64>("records");
        QTest::addColumn<int>("state");
        QTest::newRow("delete, yes") << int(Nav::nbDelete) << true << int(mrYes) << 1 << qint64(2) << int(dsBrowse);
        QTest::newRow("delete, no") << int(Nav::nbDelete) << true << int(mrNo) << 1 << qint64(3) << int(dsBrowse);
        QTest::newRow("delete unasked") << int(Nav::nbDelete) << false << int(mrNo) << 0 << qint64(2) << int(dsBrowse);
        QTest::newRow("cancel unasked") << int(Nav::nbCancel) << false << int(mrNo) << 0 << qint64(3) << int(dsBrowse);
        QTest::newRow("cancel, yes") << int(Nav::nbCancel) << true << int(mrYes) << 1 << qint64(3) << int(dsBrowse);
        QTest::newRow("cancel, no") << int(Nav::nbCancel) << true << int(mrNo) << 1 << qint64(3) << int(dsEdit);
    }
    void confirmationsGuardDeleteAndCancel()
    {
        QFETCH(int, button);
        QFETCH(bool, confirm);
        QFETCH(int, answer);
        QFETCH(int, questions);
        QFETCH(qint64, records);
        QFETCH(int, state);
        Rig rig;
        if (button == Nav::nbDelete) {
            rig.navigator->SetConfirmDelete(confirm);
        } else {
            rig.navigator->SetConfirmCancel(confirm);
            rig.table->Edit();
        }
        g_answers << TModalResult(answer);
        rig.Press(Btn(button));
        QCOMPARE(g_asked.size(), questions);
        if (questions) {
            QCOMPARE(g_asked.first().Caption, QString("Confirm"));
            QCOMPARE(g_asked.first().Text, button == Nav::nbDelete ? rig.navigator->ConfirmDeleteText() : rig.navigator->ConfirmCancelText());
            QCOMPARE(g_asked.first().DefaultButton, mrYes);
        }
        QCOMPARE(rig.table->RecordCount(), records);
        QCOMPARE(int(rig.table->State()), state);
        QCOMPARE(rig.clicks, QList<Btn>{Btn(button)});
    }

    void editingButtonsActAndHandOverTheFocus()
    {
        Rig rig;
        auto *editor = new QLineEdit(&rig.container);
        editor->move(10, 100);
        rig.navigator->SetFocusEditControl(editor);
        rig.container.ShowAndWait();
        rig.container.activateWindow();
        rig.Press(Nav::nbInsert);
        QCOMPARE(rig.table->State(), dsInsert);
        QTRY_VERIFY(editor->hasFocus());
        rig.table->FieldByName("Descr")->SetAsString("Club 4");
        rig.Press(Nav::nbPost);
        QCOMPARE(rig.table->RecordCount(), qint64(4));
        QCOMPARE(rig.Current(), QString("Club 4"));
        rig.Press(Nav::nbEdit);
        QCOMPARE(rig.table->State(), dsEdit);
        rig.Press(Nav::nbCancel);
        QCOMPARE(rig.table->State(), dsBrowse);
        rig.Press(Nav::nbRefresh);
        QCOMPARE(rig.Current(), QString("Club 4"));
        delete editor; // a destroyed editor is forgotten
        QCOMPARE(rig.navigator->FocusEditControl(), nullptr);
        rig.Press(Nav::nbEdit);
        QCOMPARE(rig.table->State(), dsEdit);
    }

    void setButtonsMoveByMoveBySet()
    {
        Rig rig(30);
        EXPECT_FAILURE(rig.navigator->SetMoveBySet(1), "MoveBy number should be at least 2 !");
        QCOMPARE(rig.navigator->MoveBySet(), 10);
        rig.Press(Nav::nbNextSet);
        QCOMPARE(rig.Current(), QString("Club 11"));
        rig.navigator->SetMoveBySet(2);
        rig.Press(Nav::nbPriorSet);
        QCOMPARE(rig.Current(), QString("Club 9"));
        rig.navigator->SetMoveBySet(100);
        rig.Press(Nav::nbNextSet);
        QCOMPARE(rig.Current(), QString("Club 30"));
        QVERIFY(!rig.navigator->Button(Nav::nbNextSet)->isEnabled());
        rig.Press(Nav::nbPriorSet);
        QCOMPARE(rig.Current(), QString("Club 1"));
    }

    void bookmarkButtonsRememberARecord()
    {
        Rig rig;
        auto states = [&] {
            return QString("%1%2%3").arg(rig.navigator->Button(Nav::nbSetBookmark)->isEnabled())
                .arg(rig.navigator->Button(Nav::nbGotoBookmark)->isEnabled())
                .arg(rig.navigator->Button(Nav::nbClearBookmark)->isEnabled());
        };
        QCOMPARE(states(), QString("100"));
        rig.table->Next();
        rig.Press(Nav::nbSetBookmark);
        QCOMPARE(states(), QString("011"));
        rig.table->Last();
        QCOMPARE(states(), QString("011"));
        rig.Press(Nav::nbGotoBookmark);
        QCOMPARE(rig.Current(), QString("Club 2"));
        rig.Press(Nav::nbClearBookmark);
        QCOMPARE(states(), QString("100"));
        QVERIFY(!rig.navigator->HasBookmark());

        rig.Press(Nav::nbSetBookmark);
        rig.table->Delete(); // the marked record goes
        rig.table->First();
        EXPECT_FAILURE(rig.Press(Nav::nbGotoBookmark), "Record not found");
        QCOMPARE(rig.clicks.last(), Nav::nbSetBookmark); // no click after a failure
        rig.navigator->SetDataSource(nullptr);
        QVERIFY(!rig.navigator->HasBookmark());
    }

    void filterButtonsOnlySwitchStates()
    {
        Rig rig;
        rig.navigator->OnClick = [&](QObject *, Btn button) {
            if (button == Nav::nbApplyFilter) {
                rig.table->SetFilter("Descr = 'Club 2'");
                rig.table->SetFiltered(true);
            } else if (button == Nav::nbCancelFilter) {
                rig.table->SetFiltered(false);
            }
        };
        auto states = [&] {
            return QString("%1%2%3").arg(rig.navigator->Button(Nav::nbEnterFilter)->isEnabled())
                .arg(rig.navigator->Button(Nav::nbApplyFilter)->isEnabled())
                .arg(rig.navigator->Button(Nav::nbCancelFilter)->isEnabled());
        };
        QCOMPARE(states(), QString("100"));
        rig.Press(Nav::nbEnterFilter);
        QCOMPARE(states(), QString("010"));
        QVERIFY(!rig.table->Filtered());
        rig.Press(Nav::nbApplyFilter);
        QCOMPARE(states(), QString("001"));
        QCOMPARE(rig.Current(), QString("Club 2"));
        rig.Press(Nav::nbCancelFilter);
        QCOMPARE(states(), QString("100"));
    }

    void copyRecordLeavesNumberingAndDefaultsAlone()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", {{"Alpha", QVariant(), 18}, {"Beta", 70.5, QVariant()}});
        TDataSource source;
        source.SetDataSet(table.get());
        // The table's own default for a new record.
        source.OnStateChange = [&](QObject *) {
            if (source.State() == dsInsert)
                table->FieldByName("Holes")->SetAsInteger(9);
        };
        WideContainer container;
        Nav navigator(&container);
        navigator.SetDataSource(&source);
        const qint32 firstId = table->FieldByName("ID")->AsInteger();
        navigator.ButtonAction(Nav::nbCopyRecord);
        QCOMPARE(table->State(), dsInsert);
        QVERIFY(table->FieldByName("ID")->IsNull());
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Alpha"));
        QVERIFY(table->FieldByName("RATING")->IsNull());
        QCOMPARE(table->FieldByName("Holes")->AsInteger(), 9);
        table->Post();
        QVERIFY(table->FieldByName("ID")->AsInteger() != firstId);
        QCOMPARE(table->RecordCount(), qint64(3));

        table->Last();
        table->Prior(); // Beta: a null is copied as null
        source.OnStateChange = nullptr;
        navigator.ButtonAction(Nav::nbCopyRecord);
        QCOMPARE(table->FieldByName("RATING")->AsFloat(), 70.5);
        QVERIFY(table->FieldByName("Holes")->IsNull());
    }

    void hintsApplyByPosition()
    {
        WideContainer container;
        Nav navigator(&container);
        QStringList hints(9);
        hints[8] = "Edit/Change Record";
        navigator.SetHints(hints);
        for (int i = 0; i < VornNav::ButtonCount; ++i)
            QCOMPARE(navigator.Button(Btn(i))->Hint(), i == Nav::nbEdit ? QString("Edit/Change Record") : Nav::DefaultHints().at(i));
        navigator.SetHints(Nav::DefaultHints());
        QVERIFY(navigator.Hints().isEmpty());
        QCOMPARE(navigator.Button(Nav::nbEdit)->Hint(), QString("Edit Record"));
        QStringList page = Nav::DefaultHints();
        page[8] = "Edit/Change Record";
        page[9] = "Update Record";
        page << "a 22nd hint is ignored";
        navigator.SetHints(page);
        QCOMPARE(navigator.Hints(), page);
        QCOMPARE(navigator.Button(Nav::nbPost)->Hint(), QString("Update Record"));
    }

    void imageListReplacesGlyphsByPosition()
    {
        WideContainer container;
        Nav navigator(&container);
        const QImage builtIn = navigator.Button(Nav::nbPrior)->Glyph();
        TImageList images;
        QImage red(20, 20, QImage::Format_RGB32);
        red.fill(Qt::red);
        images.Add(red);
        navigator.SetImages(&images);
        QCOMPARE(navigator.Button(Nav::nbFirst)->Glyph().size(), QSize(40, 20));
        QCOMPARE(QColor(navigator.Button(Nav::nbFirst)->Glyph().pixel(5, 5)), QColor(Qt::red));
        QCOMPARE(navigator.Button(Nav::nbPrior)->Glyph(), builtIn);
        images.Replace(0, builtIn.copy(0, 0, 20, 20));
        QCOMPARE(navigator.Button(Nav::nbFirst)->Glyph().copy(0, 0, 20, 20), builtIn.copy(0, 0, 20, 20).convertToFormat(QImage::Format_RGB32));
        navigator.SetImages(nullptr);
        QCOMPARE(navigator.Button(Nav::nbFirst)->Glyph().size(), QSize(40, 20));
        QVERIFY(navigator.Button(Nav::nbFirst)->Glyph() != navigator.Button(Nav::nbPrior)->Glyph());
    }

    void imagesIsPublishedAndHintsFollowTheToolkitDefault()
    {
        WideContainer container;
        Nav navigator(&container);
        QVERIFY(!navigator.ShowHint());
        TImageList images;
        QImage green(20, 20, QImage::Format_RGB32);
        green.fill(Qt::green);
        images.Add(green);
        QVERIFY(navigator.setProperty("Images", QVariant::fromValue(&images)));
        QCOMPARE(navigator.Images(), &images);
        QCOMPARE(QColor(navigator.Button(Nav::nbFirst)->Glyph().pixel(5, 5)), QColor(Qt::green));
    }

    void hugeBevelLaysOutWithoutOverflow_data()
    {
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("align");
        QTest::newRow("horizontal") << int(Nav::orHorizontal) << int(Nav::alNone);
        QTest::newRow("vertical") << int(Nav::orVertical) << int(Nav::alNone);
        QTest::newRow("docked") << int(Nav::orHorizontal) << int(Nav::alBottom);
    }
    void hugeBevelLaysOutWithoutOverflow()
    {
        QFETCH(int, orientation);
        QFETCH(int, align);
        WideContainer container;
        Nav navigator(&container);
        navigator.SetOrientation(VornNav::TVornNavOrientation(orientation));
        navigator.SetAlign(Nav::TAlign(align));
        navigator.SetGroupSpace(INT_MAX);
        navigator.Bevel()->SetBevelOuter(TVornBevel::bvRaised);
        navigator.Bevel()->SetBevelInner(TVornBevel::bvRaised);
        navigator.Bevel()->SetBorderWidth(INT_MAX);
        navigator.Bevel()->SetBevelWidth(INT_MAX);
        navigator.SetBounds(0, 0, 300, 30);
        // The buttons need more room than any widget has: the navigator takes the most it can.
        const QSize size = navigator.size();
        QCOMPARE(orientation == Nav::orHorizontal ? size.height() : size.width(), QWIDGETSIZE_MAX);
        if (align == Nav::alNone)
            QCOMPARE(orientation == Nav::orHorizontal ? size.width() : size.height(), QWIDGETSIZE_MAX);
        for (int i = 0; i < VornNav::ButtonCount; ++i)
            QVERIFY(navigator.Button(Btn(i))->width() >= 0);
    }

    void holdingAMoveButtonRepeatsIt()
    {
        Rig rig(50);
        rig.container.ShowAndWait();
        TVornNavButton *next = rig.navigator->Button(Nav::nbNext);
        const QPoint inside = next->rect().center();
        QTest::mousePress(next, Qt::LeftButton, {}, inside);
        QCOMPARE(rig.Current(), QString("Club 1")); // the press moves nothing
        QVERIFY(next->RepeatTimer()->isActive());
        QCOMPARE(next->RepeatTimer()->interval(), 400);
        QTRY_VERIFY(!rig.clicks.isEmpty());
        QCOMPARE(rig.Current(), QString("Club %1").arg(rig.clicks.size() + 1));
        QCOMPARE(next->RepeatTimer()->interval(), 100);
        QTRY_VERIFY(rig.clicks.size() >= 3);
        const int repeated = int(rig.clicks.size());
        QTest::mouseRelease(next, Qt::LeftButton, {}, inside);
        QCOMPARE(rig.clicks.size(), repeated + 1); // the release adds the ordinary click
        QCOMPARE(rig.Current(), QString("Club %1").arg(repeated + 2));
        QVERIFY(!next->RepeatTimer()->isActive());

        TVornNavButton *insert = rig.navigator->Button(Nav::nbInsert);
        QTest::mousePress(insert, Qt::LeftButton, {}, insert->rect().center());
        QCOMPARE(insert->RepeatTimer(), nullptr);
        QTest::mouseRelease(insert, Qt::LeftButton, {}, insert->rect().center());
        QCOMPARE(rig.table->State(), dsInsert);
    }

    void holdingOnToTheEndEndsTheHold()
    {
        Rig rig(2);
        rig.container.ShowAndWait();
        TVornNavButton *next = rig.navigator->Button(Nav::nbNext);
        QTest::mousePress(next, Qt::LeftButton, {}, next->rect().center());
        QTRY_VERIFY(!next->isEnabled()); // at the last record
        QVERIFY(!next->RepeatTimer()->isActive());
        QVERIFY(!next->MouseCaptured());
        rig.Press(Nav::nbFirst);
        QVERIFY(next->isEnabled());
        QCOMPARE(next->State(), Tk::bsUp);
        QCOMPARE(rig.Current(), QString("Club 1"));
    }

    void aFailingRepeatStopsRepeating()
    {
        Rig rig(50);
        rig.container.ShowAndWait();
        rig.navigator->OnClick = [](QObject *, Btn) { throw EDatabaseError("Moved too far"); };
        TVornNavButton *next = rig.navigator->Button(Nav::nbNext);
        QTest::mousePress(next, Qt::LeftButton, {}, next->rect().center());
        QTRY_COMPARE(g_asked.size(), 1);
        QCOMPARE(g_asked.first().Text, QString("Moved too far"));
        QVERIFY(!next->RepeatTimer()->isActive());
        QCOMPARE(rig.Current(), QString("Club 2"));
        QTest::mouseRelease(next, Qt::LeftButton, {}, QPoint(-5, -5));
    }

    void keyboardMovesTheFocusedButton()
    {
        Rig rig;
        rig.navigator->SetTabStop(true);
        TVornNavBtnSet visible = Nav::DefaultVisibleButtons();
        visible.Exclude(Nav::nbFirst);
        rig.navigator->SetVisibleButtons(visible);
        rig.container.ShowAndWait();
        rig.container.activateWindow();
        QTest::mousePress(rig.navigator->Button(Nav::nbNext), Qt::LeftButton);
        QTest::mouseRelease(rig.navigator->Button(Nav::nbNext), Qt::LeftButton);
        QTRY_VERIFY(rig.navigator->hasFocus());
        QCOMPARE(rig.navigator->FocusedButton(), Nav::nbNext);
        QCOMPARE(rig.Current(), QString("Club 2"));

        // The dotted rectangle: the button inset by 3, every other pixel inverted.
        const QRect button = rig.navigator->Button(Nav::nbNext)->geometry().translated(rig.navigator->pos());
        QImage focused = rig.container.Render();
        QTest::keyClick(rig.navigator, Qt::Key_Right);
        QCOMPARE(rig.navigator->FocusedButton(), Nav::nbLast);
        QImage plain = rig.container.Render();
        const QPoint corner = button.topLeft() + QPoint(3, 3);
        QCOMPARE(focused.pixel(corner) ^ 0xFFFFFFu, plain.pixel(corner));
        QCOMPARE(focused.pixel(corner + QPoint(1, 0)), plain.pixel(corner + QPoint(1, 0)));

        QTest::keyClick(rig.navigator, Qt::Key_Space);
        QCOMPARE(rig.Current(), QString("Club 3"));
        QTest::keyClick(rig.navigator, Qt::Key_Left);
        QTest::keyClick(rig.navigator, Qt::Key_Left);
        QCOMPARE(rig.navigator->FocusedButton(), Nav::nbPrior);
        QTest::keyClick(rig.navigator, Qt::Key_Left); // past the hidden first button
        QCOMPARE(rig.navigator->FocusedButton(), Nav::nbFirst);
        QTest::keyClick(rig.navigator, Qt::Key_Left);
        QCOMPARE(rig.navigator->FocusedButton(), Nav::nbFirst);
    }

    void destroyedSourceLeavesNothingBound()
    {
        Rig rig;
        auto source = std::make_unique<TDataSource>();
        source->SetDataSet(rig.table.get());
        rig.navigator->SetDataSource(source.get());
        rig.Press(Nav::nbSetBookmark);
        QVERIFY(rig.navigator->HasBookmark());
        source.reset();
        QCOMPARE(rig.navigator->DataSource(), nullptr);
        QVERIFY(!rig.navigator->HasBookmark());
        QCOMPARE(EnabledNames(*rig.navigator), QString());
        rig.table->Next();
        rig.Press(Nav::nbNext);
        QCOMPARE(rig.Current(), QString("Club 2"));
    }
};

int main(int argc, char **argv)
{
    TApplication app(argc, argv);
    tst_VornDBNavigator test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_vorndbnavigator.moc"
