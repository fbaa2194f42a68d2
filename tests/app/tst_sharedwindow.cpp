// The window over a shared server database: several windows on one player, other users' changes
// arriving, and the server going away and coming back under a running window. Runs against the
// server TALLIMO_TEST_DATABASE names (scripts/pg-test-server); each case starts from an empty schema.
#include "Dialogs.h"
#include "GolfTables.h"
#include "PgEngine.h"
#include "SilentListener.h"
#include "TDBEditN.h"
#include "TDBNavigator.h"
#include "TSpeedButton.h"
#include "TForm1.h"
#include "TStaticText.h"
#include "TTable.h"

#include <QAction>
#include <QElapsedTimer>
#include <QMenu>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

namespace {

QString ServerUrl() { return qEnvironmentVariable("TALLIMO_TEST_DATABASE"); }

void DropSchema()
{
    TPgConnection server(TConnectionParams({QStringLiteral("URL=") + ServerUrl()}));
    server.Execute(QStringLiteral("DROP SCHEMA IF EXISTS tallimo CASCADE"));
}

// Another user's program: its own connection, its own table.
std::unique_ptr<TTable> OtherUser(const QString &table)
{
    auto other = std::make_unique<TTable>();
    other->SetDatabaseName(ServerUrl());
    other->SetTableName(table);
    other->Open();
    return other;
}

QString StoredName(int id = 1)
{
    auto players = OtherUser(Golf::kPlayersTable);
    if (!players->FindKey(QString::number(id)))
        return QStringLiteral("<no player %1>").arg(id);
    return players->FieldByName(QStringLiteral("Descr"))->AsString();
}

// Runs the test server's control script (stop, start).
bool ControlServer(const QString &what)
{
    const QString control = qEnvironmentVariable("TALLIMO_TEST_DATABASE_CONTROL");
    if (control.isEmpty())
        return false;
    return QProcess::execute(control, {what}) == 0;
}

// Runs the event loop for a while and returns the longest time it was held up: the gap between
// two ticks of a timer that wants to run every 20 ms.
qint64 LongestStallDuring(int milliseconds)
{
    QElapsedTimer clock;
    clock.start();
    qint64 last = 0;
    qint64 longest = 0;
    QTimer ticks;
    ticks.setInterval(20);
    QObject::connect(&ticks, &QTimer::timeout, [&] {
        longest = qMax(longest, clock.elapsed() - last);
        last = clock.elapsed();
    });
    ticks.start();
    QTest::qWait(milliseconds);
    return qMax(longest, clock.elapsed() - last);
}

quint16 ServerPort() { return quint16(QUrl(ServerUrl()).port()); }

} // namespace

class tst_SharedWindow : public QObject
{
    Q_OBJECT

private:
    QStringList m_messages;
    QTemporaryDir m_config;
    bool m_stopped = false;

    std::unique_ptr<TForm1> Start(const QString &url = ServerUrl())
    {
        auto form = std::make_unique<TForm1>(url);
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        return form;
    }
    static TDBEditN *NameField(TForm1 &form) { return form.Part<TDBEditN>(QStringLiteral("DBEditN1")); }
    static void Type(TForm1 &form, const QString &text)
    {
        TDBEditN *name = NameField(form);
        form.activateWindow();
        name->setFocus();
        QTest::keyClick(name, Qt::Key_End);
        QTest::keyClicks(name, text);
    }
    static void Post(TForm1 &form)
    {
        QTest::mouseClick(form.Part<TDBNavigator>(QStringLiteral("DBNavigator1"))->Button(TDBNavigator::nbPost), Qt::LeftButton);
    }

private slots:
    void initTestCase()
    {
        if (ServerUrl().isEmpty())
            QSKIP("TALLIMO_TEST_DATABASE names no server (run under scripts/pg-test-server)");
        // The window must not remember anything in the user's own settings.
        qputenv("XDG_CONFIG_HOME", m_config.path().toLocal8Bit());
    }
    void init()
    {
        m_messages.clear();
        SetMessageHandler([this](const TMessageRequest &request) {
            m_messages << request.Text;
            return request.DefaultButton;
        });
        SetBeepHandler([] {});
        DropSchema();
        Golf::PrepareDataFolder(ServerUrl());
        auto players = OtherUser(Golf::kPlayersTable);
        players->Insert();
        players->FieldByName(QStringLiteral("Descr"))->SetAsString(QStringLiteral("Ann"));
        players->Post();
    }
    void cleanup()
    {
        SetMessageHandler({});
        SetBeepHandler({});
        // A case that stopped the server leaves it running for the next.
        if (m_stopped)
            ControlServer(QStringLiteral("start"));
        m_stopped = false;
    }

    void titleAndStatusLineSayWhereTheDataLiveWithoutThePassword()
    {
        QUrl withPassword(ServerUrl());
        withPassword.setPassword(QStringLiteral("s3cret-word"));
        auto form = Start(withPassword.toString());
        QVERIFY(form);
        const QString status = form->Part<TStaticText>(QStringLiteral("StaticText1"))->Caption();
        QVERIFY2(status.contains(QUrl(ServerUrl()).host()) && status.contains(QStringLiteral("shared database")), qPrintable(status));
        QVERIFY2(form->windowTitle().contains(QUrl(ServerUrl()).host()), qPrintable(form->windowTitle()));
        for (const QString &shown : {status, form->windowTitle()})
            QVERIFY2(!shown.contains(QStringLiteral("s3cret")), qPrintable(shown));
        QCOMPARE(NameField(*form)->text(), QStringLiteral("Ann"));
        QVERIFY(m_messages.isEmpty());
    }

    void twoWindowsOnOnePlayerRefuseTheLaterPostAndKeepBothTexts()
    {
        auto first = Start();
        auto second = Start();
        QVERIFY(first && second);
        Type(*first, QStringLiteral(" Lee"));
        Type(*second, QStringLiteral(" Smith"));
        QCOMPARE(NameField(*first)->text(), QStringLiteral("Ann Lee"));
        QCOMPARE(NameField(*second)->text(), QStringLiteral("Ann Smith"));

        Post(*first);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QCOMPARE(StoredName(), QStringLiteral("Ann Lee"));

        Post(*second);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(m_messages.first(), QStringLiteral("This player was changed by someone else: your change is kept in the form; "
                                                    "Refresh shows theirs"));
        // Nothing of either change is lost: the first is stored, the second still in its form.
        QCOMPARE(StoredName(), QStringLiteral("Ann Lee"));
        QCOMPARE(second->Part<TTable>(QStringLiteral("Table3"))->State(), dsEdit);
        QCOMPARE(NameField(*second)->text(), QStringLiteral("Ann Smith"));

        // Refresh (F5) drops the refused edit and shows what the other window stored.
        second->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(second.get()));
        QTest::keyClick(second.get(), Qt::Key_F5);
        QCOMPARE(second->Part<TTable>(QStringLiteral("Table3"))->State(), dsBrowse);
        QCOMPARE(NameField(*second)->text(), QStringLiteral("Ann Lee"));
        // And a change made from there on is taken.
        Type(*second, QStringLiteral(" Jr"));
        Post(*second);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(StoredName(), QStringLiteral("Ann Lee Jr"));
    }

    void otherUsersChangesShowWithinTwoSecondsAndAnEditStays()
    {
        auto form = Start();
        QVERIFY(form);
        {
            auto other = OtherUser(Golf::kPlayersTable);
            other->Edit();
            other->FieldByName(QStringLiteral("Descr"))->SetAsString(QStringLiteral("Ann Other"));
            other->Post();
        }
        QTRY_COMPARE_WITH_TIMEOUT(NameField(*form)->text(), QStringLiteral("Ann Other"), 2500);

        // While the user types, a change from elsewhere neither moves nor overwrites the edit.
        Type(*form, QStringLiteral(" Mine"));
        {
            auto other = OtherUser(Golf::kPlayersTable);
            other->Insert();
            other->FieldByName(QStringLiteral("Descr"))->SetAsString(QStringLiteral("Bo"));
            other->Post();
        }
        QTest::qWait(2500);
        QCOMPARE(NameField(*form)->text(), QStringLiteral("Ann Other Mine"));
        QCOMPARE(form->Part<TTable>(QStringLiteral("Table3"))->State(), dsEdit);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
    }

    void serverStoppedAndRestartedUnderTheWindowLosesNothing()
    {
        if (qEnvironmentVariable("TALLIMO_TEST_DATABASE_CONTROL").isEmpty())
            QSKIP("the test server cannot be stopped from here (no TALLIMO_TEST_DATABASE_CONTROL)");
        auto form = Start();
        QVERIFY(form);
        Type(*form, QStringLiteral(" Posted"));
        Post(*form);
        QCOMPARE(StoredName(), QStringLiteral("Ann Posted"));

        m_stopped = true;
        QVERIFY(ControlServer(QStringLiteral("stop")));
        // The status line tells, the window stays usable, and what is typed is kept.
        auto *status = form->Part<TStaticText>(QStringLiteral("StaticText1"));
        QTRY_VERIFY_WITH_TIMEOUT(status->Caption().contains(QStringLiteral("cannot be reached")), 5000);
        Type(*form, QStringLiteral(" Pending"));
        Post(*form);
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(form->Part<TTable>(QStringLiteral("Table3"))->State(), dsEdit);
        QCOMPARE(NameField(*form)->text(), QStringLiteral("Ann Posted Pending"));

        QVERIFY(ControlServer(QStringLiteral("start")));
        QTRY_VERIFY_WITH_TIMEOUT(status->Caption().contains(QStringLiteral("Scores are kept in the shared database")), 10000);
        // The pending edit posts once the server is back; nothing posted before was lost.
        Post(*form);
        QVERIFY2(m_messages.size() == 1, qPrintable(m_messages.join('\n')));
        QCOMPARE(StoredName(), QStringLiteral("Ann Posted Pending"));
    }

    // A server that lets connections in but never answers (a host gone from the network looks
    // so) keeps nobody waiting: the window goes on answering the user while it tries again.
    void aServerThatDoesNotAnswerLeavesTheWindowUsable()
    {
        if (qEnvironmentVariable("TALLIMO_TEST_DATABASE_CONTROL").isEmpty())
            QSKIP("the test server cannot be stopped from here (no TALLIMO_TEST_DATABASE_CONTROL)");
        auto form = Start();
        QVERIFY(form);
        m_stopped = true;
        QVERIFY(ControlServer(QStringLiteral("stop")));
        SilentListener silent(ServerPort());
        QVERIFY(silent.Listening());
        auto *status = form->Part<TStaticText>(QStringLiteral("StaticText1"));
        QTRY_VERIFY_WITH_TIMEOUT(status->Caption().contains(QStringLiteral("cannot be reached")), 5000);

        // Longer than a connection attempt may wait, so that attempts run into the silent port.
        const qint64 stall = LongestStallDuring(7000);
        QVERIFY2(stall < 1000, qPrintable(QStringLiteral("the window was held up for %1 ms").arg(stall)));
        Type(*form, QStringLiteral(" Typed"));
        QCOMPARE(NameField(*form)->text(), QStringLiteral("Ann Typed"));

        silent.Close();
        QVERIFY(ControlServer(QStringLiteral("start")));
        QTRY_VERIFY_WITH_TIMEOUT(status->Caption().contains(QStringLiteral("Scores are kept in the shared database")), 10000);
        Post(*form);
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QCOMPARE(StoredName(), QStringLiteral("Ann Typed"));
    }

    // The same from the start: the window waits for such a server once (the connect timeout), says
    // so once, and then waits for it in the background.
    void aWindowStartedWhileTheServerDoesNotAnswerWaitsOnce()
    {
        if (qEnvironmentVariable("TALLIMO_TEST_DATABASE_CONTROL").isEmpty())
            QSKIP("the test server cannot be stopped from here (no TALLIMO_TEST_DATABASE_CONTROL)");
        m_stopped = true;
        QVERIFY(ControlServer(QStringLiteral("stop")));
        SilentListener silent(ServerPort());
        QVERIFY(silent.Listening());
        QElapsedTimer starting;
        starting.start();
        auto form = Start();
        QVERIFY(form);
        QVERIFY2(starting.elapsed() < 8000, qPrintable(QStringLiteral("the window took %1 ms to start").arg(starting.elapsed())));
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains(QStringLiteral("keeps trying")), qPrintable(m_messages.first()));

        const qint64 stall = LongestStallDuring(7000);
        QVERIFY2(stall < 1000, qPrintable(QStringLiteral("the window was held up for %1 ms").arg(stall)));
        QVERIFY(!form->Part<TTable>(QStringLiteral("Table3"))->Active());

        silent.Close();
        QVERIFY(ControlServer(QStringLiteral("start")));
        QTRY_VERIFY_WITH_TIMEOUT(form->Part<TTable>(QStringLiteral("Table3"))->Active(), 15000);
        QTRY_COMPARE_WITH_TIMEOUT(NameField(*form)->text(), QStringLiteral("Ann"), 3000);
        QCOMPARE(m_messages.size(), 1);
    }

    void serverDownAtStartIsToldOnceAndTheWindowFillsWhenItIsBack()
    {
        if (qEnvironmentVariable("TALLIMO_TEST_DATABASE_CONTROL").isEmpty())
            QSKIP("the test server cannot be stopped from here (no TALLIMO_TEST_DATABASE_CONTROL)");
        m_stopped = true;
        QVERIFY(ControlServer(QStringLiteral("stop")));
        auto form = Start();
        QVERIFY(form);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains(QStringLiteral("keeps trying")), qPrintable(m_messages.first()));
        QVERIFY(!form->Part<TTable>(QStringLiteral("Table3"))->Active());
        QVERIFY(ControlServer(QStringLiteral("start")));
        QTRY_VERIFY_WITH_TIMEOUT(form->Part<TTable>(QStringLiteral("Table3"))->Active(), 10000);
        QTRY_COMPARE_WITH_TIMEOUT(NameField(*form)->text(), QStringLiteral("Ann"), 3000);
        QCOMPARE(m_messages.size(), 1);
    }
};

QTEST_MAIN(tst_SharedWindow)
#include "tst_sharedwindow.moc"
