#include "Backup.h"
#include "BackupDialog.h"
#include "Dialogs.h"
#include "GolfTables.h"
#include "TForm1.h"
#include "TTable.h"

#include <QAction>
#include <QApplication>
#include <QCryptographicHash>
#include <QHeaderView>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {

void AddPlayers(const QString &folder, int count)
{
    TTable players;
    players.SetDatabaseName(folder);
    players.SetTableName(Golf::kPlayersTable);
    players.Open();
    players.StartTransaction();
    for (int i = 0; i < count; ++i) {
        players.Insert();
        players.FieldByName("Descr")->SetAsString(QString("Player %1 of the club").arg(i));
        players.Post();
    }
    players.Commit();
}

QByteArray Checksum(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256) : QByteArray();
}

void Damage(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.size() >= 3 * 4096);
    file.seek(4096);
    file.write(QByteArray(2 * 4096, '\xA5'));
}

// Clicks a row of the list as a user would.
void ClickRow(QTreeWidget *list, int row)
{
    const QRect rect = list->visualItemRect(list->topLevelItem(row));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rect.center());
}

} // namespace

class tst_BackupDialog : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QStringList m_messages;
    QList<TMsgDlgType> m_types;

    QString Folder() const { return m_dir->path(); }
    int StoredPlayers()
    {
        TTable players;
        players.SetDatabaseName(Folder());
        players.SetTableName(Golf::kPlayersTable);
        players.Open();
        return int(players.RecordCount());
    }

private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        Golf::PrepareDataFolder(Folder());
        m_messages.clear();
        m_types.clear();
        SetMessageHandler([this](const TMessageRequest &request) {
            m_messages << request.Text;
            m_types << request.Type;
            return request.DefaultButton;
        });
    }
    void cleanup()
    {
        SetMessageHandler({});
        m_dir.reset();
    }

    void listsCopiesNewestFirstWithTheirPlayers()
    {
        AddPlayers(Folder(), 2);
        Golf::BackUpDay(Folder(), QDate(2026, 3, 1));
        AddPlayers(Folder(), 3);
        Golf::BackUpNow(Folder(), {}, QDateTime(QDate(2026, 3, 4), QTime(17, 5, 0)));
        BackupDialog dialog(Folder());
        QTreeWidget *list = dialog.CopyList();
        QCOMPARE(list->topLevelItemCount(), 2);
        QCOMPARE(list->topLevelItem(0)->text(1), QString("5"));
        QCOMPARE(list->topLevelItem(0)->text(2), QString("2026-03-04-170500"));
        QCOMPARE(list->topLevelItem(1)->text(1), QString("2"));
        QVERIFY(list->topLevelItem(1)->text(0).contains("2026"));
        QVERIFY(dialog.RestoreButton()->isEnabled());
    }

    void damagedCopyIsRefusedAndTheDialogStays()
    {
        AddPlayers(Folder(), 400);
        const QString good = Golf::BackUpDay(Folder(), QDate(2026, 3, 1));
        const QString bad = Golf::BackUpDay(Folder(), QDate(2026, 3, 2));
        Damage(QDir(bad).filePath(Golf::kPlayersTable));
        BackupDialog dialog(Folder());
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        ClickRow(dialog.CopyList(), 0); // the newest: the damaged one
        QTest::mouseClick(dialog.RestoreButton(), Qt::LeftButton);
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains("damaged") && m_messages.first().contains(Golf::kPlayersTable), qPrintable(m_messages.first()));
        QVERIFY(dialog.isVisible());
        QVERIFY(dialog.SelectedCopy().isEmpty());

        ClickRow(dialog.CopyList(), 1);
        QTest::mouseClick(dialog.RestoreButton(), Qt::LeftButton);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        QCOMPARE(dialog.SelectedCopy(), good);
    }

    void windowRestoresTheChosenCopyAndReopens()
    {
        AddPlayers(Folder(), 2);
        Golf::BackUpDay(Folder(), QDate(2026, 3, 1));
        AddPlayers(Folder(), 3);
        TForm1 form(Folder());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.Part<TTable>("Table3")->RecordCount(), 5);

        bool dialogSeen = false;
        QTimer::singleShot(0, this, [&dialogSeen] {
            auto *dialog = qobject_cast<BackupDialog *>(QApplication::activeModalWidget());
            if (!dialog)
                return;
            dialogSeen = true;
            ClickRow(dialog->CopyList(), 0);
            QTest::mouseClick(dialog->RestoreButton(), Qt::LeftButton);
        });
        form.ToolsMenu()->findChild<QAction *>("RestoreAction")->trigger();
        QVERIFY(dialogSeen);
        QCOMPARE(m_messages.size(), 2); // the confirmation, then where the replaced files went
        QVERIFY(m_messages[0].contains("2026-03-01"));
        QVERIFY2(m_messages[1].contains("replaced-"), qPrintable(m_messages[1]));
        QCOMPARE(form.Part<TTable>("Table3")->State(), dsBrowse);
        QCOMPARE(form.Part<TTable>("Table3")->RecordCount(), 2);
        const QStringList replaced = QDir(Golf::BackupsFolder(Folder())).entryList({"replaced-*"}, QDir::Dirs);
        QCOMPARE(replaced.size(), 1);
    }

    void windowBacksUpOnRequestAndBeforeTheDaysFirstChange()
    {
        AddPlayers(Folder(), 2);
        TForm1 form(Folder());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!QFileInfo::exists(Golf::BackupsFolder(Folder())));
        form.ColorBtn1Click(); // stores the colour: the day's first change
        const QString today = QDir(Golf::BackupsFolder(Folder())).filePath(QDate::currentDate().toString(Qt::ISODate));
        QVERIFY(QFileInfo(today).isDir());

        form.ToolsMenu()->findChild<QAction *>("BackUpNowAction")->trigger();
        QCOMPARE(m_messages.size(), 1);
        QCOMPARE(Golf::ListBackups(Folder()).size(), 2);
        QCOMPARE(Golf::ListBackups(Folder()).first().Players, 2);
    }

    void damagedTableAtStartIsNamedLeftAloneAndRestored()
    {
        AddPlayers(Folder(), 400);
        Golf::BackUpDay(Folder(), QDate(2026, 3, 1));
        const QString file = QDir(Folder()).filePath(Golf::kPlayersTable);
        Damage(file);
        const QByteArray damaged = Checksum(file);
        TForm1 form(Folder());
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(m_messages.size(), 1);
        QVERIFY2(m_messages.first().contains(QDir::toNativeSeparators(file)), qPrintable(m_messages.first()));
        QVERIFY(m_messages.first().contains("Restore..."));
        QCOMPARE(form.Part<TTable>("Table3")->State(), dsInactive);
        QCOMPARE(Checksum(file), damaged);

        // The way out the message names.
        QTimer::singleShot(0, this, [] {
            if (auto *dialog = qobject_cast<BackupDialog *>(QApplication::activeModalWidget()))
                QTest::mouseClick(dialog->RestoreButton(), Qt::LeftButton);
        });
        form.ToolsMenu()->findChild<QAction *>("RestoreAction")->trigger();
        QVERIFY2(form.Part<TTable>("Table3")->State() == dsBrowse, qPrintable(m_messages.join("\n---\n")));
        QCOMPARE(form.Part<TTable>("Table3")->RecordCount(), 400);
        const QStringList replaced = QDir(Golf::BackupsFolder(Folder())).entryList({"replaced-*"}, QDir::Dirs);
        QCOMPARE(replaced.size(), 1);
        QCOMPARE(Checksum(QDir(Golf::BackupsFolder(Folder())).filePath(replaced.first() + "/" + Golf::kPlayersTable)), damaged);
    }
};

QTEST_MAIN(tst_BackupDialog)
#include "tst_backupdialog.moc"
