#pragma once

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>
#include <QPointer>
#include <functional>
#include <memory>

class TDatabase;

// Copies of the three tables in the data folder's `backups` folder, made with the engine's online
// backup, and putting one back. A copy appears whole or not at all: it is written into a working
// folder beside the copies and renamed into place once every file is on disk.
namespace Golf {

// One copy: a folder named by its day (YYYY-MM-DD, made automatically) or by its day and time
// (YYYY-MM-DD-HHMMSS, made on request).
struct TBackupCopy
{
    QString Folder;
    QString Name;
    QDate Date;
    QTime Time;           // invalid for a day's automatic copy
    qint64 Players = -1;  // -1 when the copy's player table cannot be read
};

QString BackupsFolder(const QString &dataFolder);

// Copies the three tables of `dataFolder` into `target`, which must not exist yet (its parent must).
// Raises EDatabaseError naming what failed; nothing is left at `target` then.
void CopyTables(const QString &dataFolder, const QString &target);

// The day's automatic copy, backups/YYYY-MM-DD, unless the day has one already; then drops old
// copies. Returns the new copy's folder, or nothing when there was one already.
QString BackUpDay(const QString &dataFolder, const QDate &today);

// A copy made on request: backups/YYYY-MM-DD-HHMMSS, or, given a folder, that folder when it does
// not exist yet or a new folder "tallimo-YYYY-MM-DD-HHMMSS" inside it. Returns the copy's folder.
QString BackUpNow(const QString &dataFolder, const QString &to = QString(), const QDateTime &now = QDateTime::currentDateTime());

// The copies in backups/, newest first, with the number of players each holds.
QList<TBackupCopy> ListBackups(const QString &dataFolder);

// Keeps the copies of the 14 latest days that have one, and the first copy of each of the last
// 12 months (this one included); removes the other copies. Only folders named as copies are
// touched. Returns the removed folders.
QStringList PruneBackups(const QString &dataFolder, const QDate &today);

// The folder a copy is given by: a copy's name in backups/ (a date), else a folder path.
QString ResolveCopy(const QString &dataFolder, const QString &dateOrFolder);

// Raises EDatabaseError naming the file when a copy cannot be restored: a table missing, damaged
// (the engine's integrity check) or not one of the program's.
void VerifyCopy(const QString &copyFolder);

// Puts a checked copy in place of the folder's tables. The current files are moved, never removed,
// into backups/replaced-YYYYMMDD-HHMMSS, whose path is returned. The caller closes its tables first.
QString RestoreCopy(const QString &dataFolder, const QString &copyFolder, const QDateTime &now = QDateTime::currentDateTime());

// Finishes a restore that a crash or a kill interrupted once its copy was fully prepared, and
// clears working folders that an interrupted backup or restore left. Run before the tables open.
void FinishInterruptedWork(const QString &dataFolder);

// The day's automatic copy before the first change of each day. Attached to connections, it runs
// once per day per process before their first write; a failure is reported through the program's
// message box and the write goes on.
class TDailyBackup
{
public:
    explicit TDailyBackup(QString dataFolder);
    ~TDailyBackup();
    TDailyBackup(const TDailyBackup &) = delete;
    TDailyBackup &operator=(const TDailyBackup &) = delete;

    // Runs before every write through the connection (which must outlive this object or be
    // detached by its destruction).
    void Attach(TDatabase *database);
    // A connection of its own to the data folder, under the folder's path as its name, so that
    // tables that name the folder reach their files through it; owned by this object.
    void AttachFolderConnection();

    // Today's date; tests set their own clock.
    std::function<QDate()> Clock = [] { return QDate::currentDate(); };

    // Makes today's copy when this object has not tried yet today; returns the warning to give
    // the user when the copy failed, else nothing.
    QString BackUpIfDue();
    // BackUpIfDue, with its warning shown in the program's message box.
    void BeforeWrite();

private:
    QString m_dataFolder;
    QDate m_doneFor;
    QList<QPointer<TDatabase>> m_attached;
    std::unique_ptr<TDatabase> m_ownConnection;
};

} // namespace Golf
