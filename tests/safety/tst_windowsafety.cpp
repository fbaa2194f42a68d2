#include "AppControls.h"
#include "Dialogs.h"
#include "GolfTables.h"
#include "SafetySupport.h"
#include "TApplication.h"
#include "TEditN.h"
#include "TForm1.h"
#include "TTable.h"
#include "TktBevelButton.h"
#include "VornDBControls.h"

#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>

using namespace Safety;

// The window with other programs at work on its folder, and with failing handlers.
class tst_WindowSafety : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;

    QString Folder() const { return m_dir->path(); }

    std::unique_ptr<TForm1> Start()
    {
        auto form = std::make_unique<TForm1>(Folder());
        form->show();
        if (!QTest::qWaitForWindowExposed(form.get()))
            return nullptr;
        return form;
    }

    void ClickTab(TForm1 &form, const QString &caption)
    {
        auto *pages = form.Part<TPageControl>("tbn1");
        for (int i = 0; i < pages->count(); ++i) {
            if (pages->tabText(i) == caption) {
                QTest::mouseClick(pages->tabBar(), Qt::LeftButton, {}, pages->tabBar()->tabRect(i).center());
                QCoreApplication::processEvents();
                return;
            }
        }
        QFAIL(qPrintable("no tab " + caption));
    }

    void EnterRound(TForm1 &form, const QString &score, const QString &rating, const QString &date)
    {
        ClickTab(form, "Enter Scores");
        form.Part<TEditN>("EditN1")->setText(score);
        form.Part<TEditN>("EditN2")->setText(rating);
        form.Part<TEditN>("EditN3")->setText(date);
        QTest::mouseClick(form.Part<TktBevelButton>("ktBevelButton2"), Qt::LeftButton);
    }

private slots:
    void init()
    {
        TFormatSettings fs;
        fs.ShortDateFormat = "dd/MM/yyyy";
        SetFormatSettings(fs);
        m_messages.clear();
        SetMessageHandler([this](const TMessageRequest &request) {
            m_messages << request.Text;
            return request.DefaultButton;
        });
        SetBeepHandler([] {});
        m_dir = std::make_unique<QTemporaryDir>();
        QCOMPARE(RunCli(Folder(), {"add-player", "--name", "Ann"}).Status, 0);
        QCOMPARE(RunCli(Folder(), {"enter-round", "--player", "1", "--score", "84", "--rating", "1", "--date", "2026-03-01"}).Status, 0);
    }

    void cleanup()
    {
        m_dir.reset();
        SetMessageHandler({});
        SetBeepHandler({});
        ResetFormatSettings();
    }

    void failingEnterIsReportedByItsHandler()
    {
        auto form = Start();
        QVERIFY(form);
        const int escapedBefore = TApplication::EscapedFailures();
        for (int click = 0; click < 10; ++click)
            EnterRound(*form, "80", "2", "31/02/2026");
        QCOMPARE(m_messages.size(), 10);
        QVERIFY2(m_messages.first().contains("31/02/2026"), qPrintable(m_messages.first()));
        // Reported where it happened, not by unwinding the click's delivery.
        QCOMPARE(TApplication::EscapedFailures(), escapedBefore);
        QCOMPARE(History(Folder(), 1).value(0).Score, 84);
    }

    void windowShowsRoundsAnotherProgramEnteredAndKeepsThem()
    {
        auto form = Start();
        QVERIFY(form);
        QApplication::setActiveWindow(form.get());
        ClickTab(*form, "View Scores");
        QCOMPARE(form->Part<TVornDBText>("VornDBText15")->Caption(), QString("84"));

        // The command line enters three rounds while the window is in the background.
        QApplication::setActiveWindow(nullptr);
        for (const char *score : {"90", "91", "92"})
            QCOMPARE(RunCli(Folder(), {"enter-round", "--player", "1", "--score", score, "--rating", "2", "--date", "2026-03-02"}).Status, 0);
        QApplication::setActiveWindow(form.get());
        QTRY_COMPARE(form->Part<TVornDBText>("VornDBText15")->Caption(), QString("92"));
        QCOMPARE(form->Part<TTable>("Table3")->FieldByName("ID")->AsInteger(), 1);

        // "Enter" in the window then keeps all of them.
        QCOMPARE(RunCli(Folder(), {"enter-round", "--player", "1", "--score", "93", "--rating", "2", "--date", "2026-03-03"}).Status, 0);
        EnterRound(*form, "70", "1", "04/03/2026");
        QVERIFY2(m_messages.isEmpty(), qPrintable(m_messages.join('\n')));
        QList<int> scores;
        for (const Round &round : History(Folder(), 1))
            scores << round.Score;
        QCOMPARE(scores.mid(0, 6), (QList<int>{70, 93, 92, 91, 90, 84}));
    }
};

int main(int argc, char **argv)
{
    TApplication application(argc, argv);
    tst_WindowSafety test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_windowsafety.moc"
