#include "../../store/StoreTestSupport.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "TDBNavigator.h"
#include "TDataSource.h"
#include "TLayout.h"
#include "TSpeedButton.h"
#include "VornDBControls.h"

#include <QPointer>
#include <QTest>
#include <QTimer>

using Nav = TDBNavigator;

namespace {

QList<std::tuple<QString, QVariant, QVariant>> Clubs(int count)
{
    QList<std::tuple<QString, QVariant, QVariant>> records;
    for (int i = 0; i < count; ++i)
        records.append({QStringLiteral("Club%1").arg(i + 1), 70.0 + i, 18});
    return records;
}

// The enabled buttons, as a set.
Nav::TButtonSet Enabled(const TDBNavigator &navigator)
{
    Nav::TButtonSet enabled;
    for (int i = 0; i < Nav::ButtonCount; ++i)
        if (navigator.Button(Nav::TNavigateBtn(i))->isEnabled())
            enabled |= Nav::Bit(Nav::TNavigateBtn(i));
    return enabled;
}

} // namespace

class tst_DBNavigator : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_requests.clear();
        m_answer = mrOk;
        SetMessageHandler([this](const TMessageRequest &request) {
            m_requests << request;
            return m_answer;
        });
    }
    void cleanup() { SetMessageHandler({}); }

    void visibleButtonsShareTheWidthInTheirOrder_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("visible");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("player navigator") << 232 << 0xFF << QList<int>{29, 29, 29, 29, 29, 29, 29, 29};
        QTest::newRow("club navigator") << 176 << 0x0F << QList<int>{44, 44, 44, 44};
        QTest::newRow("three pixels over") << 43 << 0x0F << QList<int>{10, 11, 11, 11};
        QTest::newRow("all ten") << 245 << 0x3FF << QList<int>{24, 25, 24, 25, 24, 25, 24, 25, 24, 25};
        QTest::newRow("gaps in the set") << 60 << int(Nav::SetOf({Nav::nbFirst, Nav::nbPost, Nav::nbRefresh})) << QList<int>{20, 20, 20};
    }

    void visibleButtonsShareTheWidthInTheirOrder()
    {
        QFETCH(int, width);
        QFETCH(int, visible);
        QFETCH(QList<int>, widths);
        TDBNavigator navigator;
        navigator.SetWidth(width);
        navigator.SetHeight(25);
        navigator.SetVisibleButtons(Nav::TButtonSet(visible));
        QList<int> seen;
        int x = 0;
        for (int i = 0; i < Nav::ButtonCount; ++i) {
            const TSpeedButton *button = navigator.Button(Nav::TNavigateBtn(i));
            QCOMPARE(button->isHidden(), !(visible & Nav::Bit(Nav::TNavigateBtn(i))));
            if (button->isHidden())
                continue;
            QCOMPARE(button->x(), x);
            QCOMPARE(button->height(), 25);
            seen << button->width();
            x += button->width();
        }
        QCOMPARE(seen, widths);
        QCOMPARE(x, width);
    }

    void buttonsFollowTheTableState_data()
    {
        QTest::addColumn<QString>("situation");
        QTest::addColumn<int>("enabled");
        using B = Nav::TNavigateBtn;
        const auto set = [](std::initializer_list<B> buttons) { return int(Nav::SetOf(buttons)); };
        QTest::newRow("closed") << "closed" << 0;
        QTest::newRow("just opened, on the first") << "first" << set({B::nbNext, B::nbLast, B::nbInsert, B::nbDelete, B::nbEdit, B::nbRefresh});
        QTest::newRow("in the middle") << "middle" << set({B::nbFirst, B::nbPrior, B::nbNext, B::nbLast, B::nbInsert, B::nbDelete, B::nbEdit, B::nbRefresh});
        QTest::newRow("at the end") << "last" << set({B::nbFirst, B::nbPrior, B::nbInsert, B::nbDelete, B::nbEdit, B::nbRefresh});
        QTest::newRow("editing") << "edit" << set({B::nbNext, B::nbLast, B::nbInsert, B::nbDelete, B::nbPost, B::nbCancel, B::nbRefresh});
        QTest::newRow("empty table") << "empty" << set({B::nbInsert, B::nbEdit, B::nbRefresh});
        QTest::newRow("empty table after Next") << "empty next" << set({B::nbInsert, B::nbEdit, B::nbRefresh});
        QTest::newRow("first record posted into an empty table")
            << "empty post" << set({B::nbFirst, B::nbPrior, B::nbNext, B::nbLast, B::nbInsert, B::nbDelete, B::nbEdit, B::nbRefresh});
        QTest::newRow("only record deleted") << "only delete" << set({B::nbInsert, B::nbEdit, B::nbRefresh});
        QTest::newRow("navigator disabled") << "disabled" << 0;
        QTest::newRow("source unbound") << "unbound" << 0;
    }

    void buttonsFollowTheTableState()
    {
        QFETCH(QString, situation);
        QFETCH(int, enabled);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", situation.startsWith("empty") ? Clubs(0) : situation.startsWith("only") ? Clubs(1) : Clubs(4));
        table->Close();
        table->Open();
        TDataSource source;
        source.SetDataSet(table.get());
        TDBNavigator navigator;
        navigator.SetDataSource(&source);
        if (situation == "closed")
            table->Close();
        else if (situation == "middle")
            table->Next();
        else if (situation == "last")
            table->Last();
        else if (situation == "edit")
            table->Edit();
        else if (situation == "disabled")
            navigator.setEnabled(false);
        else if (situation == "unbound")
            navigator.SetDataSource(nullptr);
        else if (situation == "empty next")
            table->Next();
        else if (situation == "empty post") {
            table->Insert();
            table->FieldByName("Descr")->SetAsString("First");
            table->Post();
        } else if (situation == "only delete")
            table->Delete();
        QCOMPARE(int(Enabled(navigator)), enabled);
        if (situation == "disabled") {
            navigator.setEnabled(true);
            QVERIFY(Enabled(navigator) != Nav::TButtonSet());
        }
    }

    void pressRunsBeforeActionTheActionThenOnClick_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("after");
        QTest::newRow("first") << int(Nav::nbFirst) << "Club1 browse";
        QTest::newRow("prior") << int(Nav::nbPrior) << "Club1 browse";
        QTest::newRow("next") << int(Nav::nbNext) << "Club3 browse";
        QTest::newRow("last") << int(Nav::nbLast) << "Club4 browse";
        QTest::newRow("insert") << int(Nav::nbInsert) << " insert";
        QTest::newRow("edit") << int(Nav::nbEdit) << "Club2 edit";
        QTest::newRow("refresh") << int(Nav::nbRefresh) << "Club2 browse";
    }

    void pressRunsBeforeActionTheActionThenOnClick()
    {
        QFETCH(int, button);
        QFETCH(QString, after);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Clubs(4));
        table->Next();
        TDataSource source;
        source.SetDataSet(table.get());
        TDBNavigator navigator;
        navigator.SetDataSource(&source);
        const auto describe = [&] {
            static const char *states[] = {"inactive", "browse", "edit", "insert"};
            return table->FieldByName("Descr")->AsString() + ' ' + states[table->State()];
        };
        QStringList log;
        navigator.BeforeAction = [&](QObject *sender, Nav::TNavigateBtn pressed) {
            QCOMPARE(sender, &navigator);
            log << QStringLiteral("before %1: %2").arg(int(pressed)).arg(describe());
        };
        navigator.OnClick = [&](QObject *sender, Nav::TNavigateBtn pressed) {
            QCOMPARE(sender, &navigator);
            log << QStringLiteral("click %1: %2").arg(int(pressed)).arg(describe());
        };
        navigator.Button(Nav::TNavigateBtn(button))->Click();
        QCOMPARE(log, (QStringList{QStringLiteral("before %1: Club2 browse").arg(button), QStringLiteral("click %1: %2").arg(button).arg(after)}));
    }

    void postAndCancelFinishAnEdit()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Clubs(2));
        TDataSource source;
        source.SetDataSet(table.get());
        TDBNavigator navigator;
        navigator.SetDataSource(&source);
        navigator.Button(Nav::nbEdit)->Click();
        table->FieldByName("Descr")->SetAsString("Kept");
        navigator.Button(Nav::nbPost)->Click();
        QCOMPARE(table->State(), dsBrowse);
        navigator.Button(Nav::nbEdit)->Click();
        table->FieldByName("Descr")->SetAsString("Dropped");
        navigator.Button(Nav::nbCancel)->Click();
        table->Refresh();
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Kept"));
    }

    void aFailingBeforeActionEndsThePress()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Clubs(3));
        TDataSource source;
        source.SetDataSet(table.get());
        TDBNavigator navigator;
        navigator.SetDataSource(&source);
        int clicks = 0;
        navigator.BeforeAction = [](QObject *, Nav::TNavigateBtn) { throw EDatabaseError("Not now"); };
        navigator.OnClick = [&](QObject *, Nav::TNavigateBtn) { ++clicks; };
        navigator.Button(Nav::nbLast)->Click();
        QCOMPARE(table->FieldByName("Descr")->AsString(), QString("Club1"));
        QCOMPARE(clicks, 0);
        QCOMPARE(m_requests.size(), 1);
        QCOMPARE(m_requests.first().Text, QString("Not now"));
    }

    void beforeActionMayCloseTheTable()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Clubs(3));
        TDataSource source;
        source.SetDataSet(table.get());
        TDBNavigator navigator;
        navigator.SetDataSource(&source);
        int clicks = 0;
        navigator.BeforeAction = [&](QObject *, Nav::TNavigateBtn) { table->Close(); };
        navigator.OnClick = [&](QObject *, Nav::TNavigateBtn) { ++clicks; };
        navigator.Button(Nav::nbNext)->Click();
        QVERIFY(m_requests.isEmpty());
        QCOMPARE(clicks, 1);
    }

    void deleteAsksFirst_data()
    {
        QTest::addColumn<int>("answer");
        QTest::addColumn<qint64>("left");
        QTest::newRow("ok") << int(mrOk) << qint64(2);
        QTest::newRow("cancel") << int(mrCancel) << qint64(3);
    }

    void deleteAsksFirst()
    {
        QFETCH(int, answer);
        QFETCH(qint64, left);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Clubs(3));
        TDataSource source;
        source.SetDataSet(table.get());
        TDBNavigator navigator;
        navigator.SetDataSource(&source);
        int clicks = 0;
        navigator.OnClick = [&](QObject *, Nav::TNavigateBtn button) {
            QCOMPARE(button, Nav::nbDelete);
            ++clicks;
        };
        m_answer = TModalResult(answer);
        navigator.Button(Nav::nbDelete)->Click();
        QCOMPARE(m_requests.size(), 1);
        QCOMPARE(m_requests.first().Text, QString("Delete record?"));
        QCOMPARE(m_requests.first().Buttons, (QList<TModalResult>{mrOk, mrCancel}));
        QCOMPARE(table->RecordCount(), left);
        QCOMPARE(clicks, 1);
    }

    void hintsByPositionAndShownOnlyWhenAsked()
    {
        TDBNavigator navigator;
        QCOMPARE(navigator.ButtonHint(Nav::nbPost), QString("Post edit"));
        navigator.SetHints({"First record", "", "Next record", "Last record", "Insert record", "Delete record",
                            "Edit record", "Update record"});
        QCOMPARE(navigator.ButtonHint(Nav::nbPost), QString("Update record"));
        QCOMPARE(navigator.ButtonHint(Nav::nbPrior), QString("Prior record")); // empty keeps the default
        QCOMPARE(navigator.ButtonHint(Nav::nbRefresh), QString("Refresh data")); // past the list's end
        navigator.SetHint("Database control");
        QVERIFY(navigator.Button(Nav::nbPost)->toolTip().isEmpty());
        QVERIFY(navigator.toolTip().isEmpty());
        navigator.SetShowHint(true);
        QCOMPARE(navigator.Button(Nav::nbPost)->toolTip(), QString("Update record"));
        QCOMPARE(navigator.toolTip(), QString("Database control"));
    }

    void layoutSetsTheButtonSetAndHintsByName()
    {
        TClassRegistry registry;
        TLayoutLoader loader(registry);
        TDBNavigator navigator;
        navigator.BeginLoading();
        TLayoutValue set;
        set.ValueKind = TLayoutValue::Set;
        set.Items = QStringList{"nbFirst", "nbPrior", "nbNext", "nbLast", "nbInsert", "nbDelete", "nbEdit", "nbPost"};
        loader.SetProperty(&navigator, "VisibleButtons", set);
        TLayoutValue hints;
        hints.ValueKind = TLayoutValue::TextList;
        hints.Items = QStringList{"a", "b", "c", "d", "e", "f", "g", "Update record"};
        loader.SetProperty(&navigator, "Hints", hints);
        loader.SetProperty(&navigator, "Width", TLayoutValue{TLayoutValue::Integer, 232});
        loader.SetProperty(&navigator, "Height", TLayoutValue{TLayoutValue::Integer, 25});
        navigator.EndLoading();
        QCOMPARE(navigator.VisibleButtons(), Nav::TButtonSet(0xFF));
        QVERIFY(navigator.Button(Nav::nbCancel)->isHidden());
        QCOMPARE(navigator.Button(Nav::nbPost)->geometry(), QRect(203, 0, 29, 25));
        QCOMPARE(navigator.ButtonHint(Nav::nbPost), QString("Update record"));
    }

    void picturesAreDrawnAndMirrored()
    {
        const QImage prior = Nav::ButtonGlyph(Nav::nbPrior);
        const QImage next = Nav::ButtonGlyph(Nav::nbNext);
        QCOMPARE(prior.size(), QSize(11, 11));
        QCOMPARE(next, prior.mirrored(true, false));
        QCOMPARE(Nav::ButtonGlyph(Nav::nbLast), Nav::ButtonGlyph(Nav::nbFirst).mirrored(true, false));
        for (int i = 0; i < Nav::ButtonCount; ++i) {
            const QImage glyph = Nav::ButtonGlyph(Nav::TNavigateBtn(i));
            const QRgb face = glyph.pixel(0, glyph.height() - 1);
            int ink = 0;
            for (int y = 0; y < glyph.height(); ++y)
                for (int x = 0; x < glyph.width(); ++x)
                    ink += glyph.pixel(x, y) != face ? 1 : 0;
            QVERIFY2(ink >= 8, qPrintable(QString::number(i)));
            for (int j = 0; j < i; ++j)
                QVERIFY(glyph != Nav::ButtonGlyph(Nav::TNavigateBtn(j)));
        }
    }

    void destroyedWhileItsQuestionIsOpenTouchesNothingAfter_data()
    {
        QTest::addColumn<QString>("destroyed");
        QTest::newRow("the navigator") << "navigator";
        QTest::newRow("the table") << "table";
        QTest::newRow("both") << "navigator table";
    }

    void destroyedWhileItsQuestionIsOpenTouchesNothingAfter()
    {
        QFETCH(QString, destroyed);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Clubs(3));
        TDataSource source;
        source.SetDataSet(table.get());
        auto *navigator = new TDBNavigator;
        navigator->SetBounds(0, 0, 240, 25);
        navigator->SetDataSource(&source);
        const QPointer<TDBNavigator> alive(navigator);
        int clicks = 0;
        navigator->OnClick = [&](QObject *, Nav::TNavigateBtn) { ++clicks; };
        SetMessageHandler([&](const TMessageRequest &) {
            // The window closes while the question waits for its answer.
            if (destroyed.contains("navigator"))
                delete navigator;
            if (destroyed.contains("table"))
                table.reset();
            return mrOk;
        });
        QTest::mouseClick(navigator->Button(Nav::nbDelete), Qt::LeftButton);
        QCOMPARE(bool(alive), !destroyed.contains("navigator"));
        QCOMPARE(clicks, alive ? 1 : 0);
        if (alive) {
            QCOMPARE(int(Enabled(*navigator)), 0); // no table left to act on
            delete navigator;
        }
        // The answer came too late for a record of a table that is gone.
        TTable reader;
        reader.SetDatabaseName(fixture.Folder());
        reader.SetTableName("clubs.DB");
        reader.Open();
        QCOMPARE(reader.RecordCount(), 3);
    }

    void extendedNavigatorDestroyedWhileItsQuestionIsOpenTouchesNothingAfter_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("destroyed");
        QTest::newRow("delete, navigator") << int(VornNav::nbDelete) << "navigator";
        QTest::newRow("delete, table") << int(VornNav::nbDelete) << "table";
        QTest::newRow("cancel, navigator") << int(VornNav::nbCancel) << "navigator";
        QTest::newRow("cancel, table and navigator") << int(VornNav::nbCancel) << "navigator table";
    }

    void extendedNavigatorDestroyedWhileItsQuestionIsOpenTouchesNothingAfter()
    {
        QFETCH(int, button);
        QFETCH(QString, destroyed);
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Clubs(3));
        TDataSource source;
        source.SetDataSet(table.get());
        auto *navigator = new TVornDBNavigator;
        navigator->SetDataSource(&source);
        navigator->SetConfirmCancel(true);
        const QPointer<TVornDBNavigator> alive(navigator);
        if (button == int(VornNav::nbCancel)) {
            table->Edit();
            table->FieldByName("Descr")->SetAsString("Changed");
        }
        SetMessageHandler([&](const TMessageRequest &) {
            if (destroyed.contains("navigator"))
                delete navigator;
            if (destroyed.contains("table"))
                table.reset();
            return mrYes;
        });
        navigator->Button(TVornNavBtns(button))->Click();
        QCOMPARE(bool(alive), !destroyed.contains("navigator"));
        delete alive.data();
        if (table) {
            // The navigator was gone when the answer came: its action is not done.
            QCOMPARE(table->RecordCount(), 3);
            QCOMPARE(table->Editing(), button == int(VornNav::nbCancel));
        }
    }

    void aFailingHeldMoveIsReportedAndStopsRepeating()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Clubs(30));
        TDataSource source;
        source.SetDataSet(table.get());
        QWidget container;
        container.resize(632, 60);
        auto *navigator = new TVornDBNavigator(&container);
        navigator->SetDataSource(&source);
        container.show();
        TVornNavButton *next = navigator->Button(VornNav::nbNext);
        int moves = 0;
        navigator->BeforeAction = [&](QObject *, TVornNavBtns &, bool &) {
            if (++moves == 3)
                throw EDatabaseError("The disk went away");
        };
        QTest::mousePress(next, Qt::LeftButton, Qt::NoModifier, next->rect().center());
        // The failure of a repeat comes from the timer: the application's handler shows it and
        // the repeating stops; nothing is thrown out of the timer's slot.
        QTRY_COMPARE(m_requests.size(), 1);
        QCOMPARE(m_requests.first().Text, QString("The disk went away"));
        QVERIFY(!next->RepeatTimer()->isActive());
        QTest::mouseRelease(next, Qt::LeftButton, Qt::NoModifier, next->rect().center());
    }

    void destroyingTheSourceDisablesEveryButton()
    {
        TableFixture fixture;
        auto table = fixture.MakeTable("clubs.DB", Clubs(3));
        TDBNavigator navigator;
        auto *source = new TDataSource;
        source->SetDataSet(table.get());
        navigator.SetDataSource(source);
        QVERIFY(Enabled(navigator) != Nav::TButtonSet());
        delete source;
        QCOMPARE(navigator.DataSource(), nullptr);
        QCOMPARE(Enabled(navigator), Nav::TButtonSet());
        int clicks = 0;
        navigator.OnClick = [&](QObject *, Nav::TNavigateBtn) { ++clicks; };
        navigator.BtnClick(Nav::nbNext); // nothing to act on; the click is still told
        QCOMPARE(clicks, 1);
    }

private:
    QList<TMessageRequest> m_requests;
    TModalResult m_answer = mrOk;
};

QTEST_MAIN(tst_DBNavigator)
#include "tst_dbnavigator.moc"
