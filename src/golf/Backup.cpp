#include "Backup.h"

#include "DataCheck.h"
#include "Dialogs.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "SqliteFile_p.h"
#include "TDatabase.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QTemporaryDir>
#include <sqlite3.h>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace Golf {

namespace {

constexpr int kDailyCopies = 14;
constexpr int kMonthlyCopies = 12;
const QString kWorkPrefix = QStringLiteral(".partial-");
const QString kRestorePrefix = QStringLiteral(".restore-");
// Written into a restore's working folder once its copy is complete: from then on the restore is
// carried through, by a later start if need be. It names the folder the current files go to.
const QString kRestoreMarker = QStringLiteral("replaced-to");
// Working folders older than this were left by a process that died.
constexpr qint64 kStaleSeconds = 3600;

const QRegularExpression &CopyNamePattern()
{
    static const QRegularExpression pattern(QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:-(\\d{2})(\\d{2})(\\d{2}))?$"));
    return pattern;
}

// The date and time a copy's folder name gives; false for any other name.
bool ParseCopyName(const QString &name, QDate &date, QTime &time)
{
    const QRegularExpressionMatch match = CopyNamePattern().match(name);
    if (!match.hasMatch())
        return false;
    date = QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    time = match.captured(4).isEmpty() ? QTime() : QTime(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    return date.isValid() && (match.captured(4).isEmpty() || time.isValid());
}

void SyncFolder(const QString &path)
{
#ifdef Q_OS_UNIX
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#else
    Q_UNUSED(path);
#endif
}

void MakeOwnerOnlyFolder(const QString &path)
{
    if (QFileInfo(path).isDir())
        return;
    if (!QDir().mkpath(path))
        throw EDatabaseError(QStringLiteral("Cannot create the folder '%1'").arg(path));
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// Copies one table file with the engine's online backup: a consistent picture of the table even
// while another process writes to it. The copy is a single file (no log beside it), readable by
// its owner only.
void CopyTableFile(const QString &from, const QString &to)
{
    const Detail::TReadOnlyFile source(from);
    sqlite3 *target = nullptr;
    const QByteArray file = QFile::encodeName(to);
    int rc = sqlite3_open_v2(file.constData(), &target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    auto fail = [&](const QString &why) {
        sqlite3_close(target);
        throw EDatabaseError(QStringLiteral("Cannot copy '%1' to '%2': %3").arg(from, to, why));
    };
    if (rc != SQLITE_OK)
        fail(target ? QString::fromUtf8(sqlite3_errmsg(target)) : QStringLiteral("out of memory"));
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    sqlite3_backup *backup = sqlite3_backup_init(target, "main", source.Handle(), "main");
    if (!backup)
        fail(QString::fromUtf8(sqlite3_errmsg(target)));
    int busyRounds = 0;
    do {
        rc = sqlite3_backup_step(backup, -1);
        if ((rc == SQLITE_BUSY || rc == SQLITE_LOCKED) && ++busyRounds < 250)
            sqlite3_sleep(20);
        else if (rc != SQLITE_OK && rc != SQLITE_DONE)
            break;
    } while (rc != SQLITE_DONE && busyRounds < 250);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        fail(QString::fromUtf8(sqlite3_errstr(rc)));
    // The copy takes the source's log mode; a copy stands alone, so it keeps its rollback journal.
    char *error = nullptr;
    if (sqlite3_exec(target, "PRAGMA journal_mode=DELETE", nullptr, nullptr, &error) != SQLITE_OK) {
        const QString message = QString::fromUtf8(error);
        sqlite3_free(error);
        fail(message);
    }
    if (sqlite3_close(target) != SQLITE_OK)
        throw EDatabaseError(QStringLiteral("Cannot copy '%1' to '%2': the copy could not be closed").arg(from, to));
}

// Renames a file or folder, refusing to replace anything.
bool RenameNew(const QString &from, const QString &to)
{
    if (QFileInfo::exists(to) || QFileInfo(to).isSymLink())
        return false;
    return QDir().rename(from, to);
}

bool IsStale(const QFileInfo &info)
{
    return info.lastModified().secsTo(QDateTime::currentDateTime()) > kStaleSeconds;
}

// A name in `folder` not taken yet: `name`, else `name-2`, `name-3`, ...
QString FreeName(const QString &folder, const QString &name)
{
    QString candidate = QDir(folder).filePath(name);
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = QDir(folder).filePath(QStringLiteral("%1-%2").arg(name).arg(n));
    return candidate;
}

// Raises EDatabaseError when another connection has the table file open: its later writes would go
// to the file moved aside, lost to the folder. A file the engine cannot read as a database is in
// nobody's use.
void RefuseWhenInUse(const QString &path)
{
    if (!QFileInfo(path).isFile())
        return;
    sqlite3 *db = nullptr;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        // Every connection to a file in the log mode keeps a shared lock on it while open.
        rc = sqlite3_exec(db, "PRAGMA locking_mode=EXCLUSIVE; BEGIN EXCLUSIVE; ROLLBACK", nullptr, nullptr, nullptr);
        rc = sqlite3_extended_errcode(db) & 0xff;
    }
    sqlite3_close(db);
    if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED)
        throw EDatabaseError(QStringLiteral("The table '%1' is in use elsewhere (another copy of the program?); close it there and try again. "
                                            "Nothing was restored").arg(path));
}

// Moves the current files of each table aside and the prepared copy in, table by table; safe to
// run again from the start after an interruption at any point.
void CarryOutRestore(const QString &dataFolder, const QString &work, const QString &replaced)
{
    MakeOwnerOnlyFolder(replaced);
    const QDir data(dataFolder);
    for (const QString &name : TableNames()) {
        const QString prepared = QDir(work).filePath(name);
        if (!QFileInfo::exists(prepared))
            continue; // moved in already
        // The table first, then what the engine keeps beside it: a log left beside the restored
        // table would be read into it.
        for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm"), QStringLiteral("-journal")}) {
            const QString current = data.filePath(name + suffix);
            if (!QFileInfo::exists(current) && !QFileInfo(current).isSymLink())
                continue;
            const QString aside = FreeName(replaced, name + suffix);
            if (!QDir().rename(current, aside) && QFileInfo::exists(current))
                throw EDatabaseError(QStringLiteral("Cannot move '%1' aside to '%2'").arg(current, aside));
        }
        SyncFolder(replaced);
        const QString live = data.filePath(name);
        if (!RenameNew(prepared, live) && QFileInfo::exists(prepared))
            throw EDatabaseError(QStringLiteral("Cannot move the restored table '%1' into '%2'").arg(name, dataFolder));
        SyncFolder(dataFolder);
    }
    QDir(work).removeRecursively();
    SyncFolder(BackupsFolder(dataFolder));
}

} // namespace

QString BackupsFolder(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(QStringLiteral("backups"));
}

void CopyTables(const QString &dataFolder, const QString &target)
{
    const QFileInfo info(target);
    if (info.exists() || info.isSymLink())
        throw EDatabaseError(QStringLiteral("Cannot make a copy in '%1': it exists already").arg(target));
    const QString parent = info.absolutePath();
    if (!QFileInfo(parent).isDir())
        throw EDatabaseError(QStringLiteral("Cannot make a copy in '%1': the folder '%2' does not exist").arg(target, parent));
    QTemporaryDir work(QDir(parent).filePath(kWorkPrefix + QStringLiteral("XXXXXX")));
    if (!work.isValid())
        throw EDatabaseError(QStringLiteral("Cannot make a copy in '%1': %2").arg(parent, work.errorString()));
    for (const QString &name : TableNames())
        CopyTableFile(QDir(dataFolder).filePath(name), QDir(work.path()).filePath(name));
    SyncFolder(work.path());
    if (!RenameNew(work.path(), target))
        throw EDatabaseError(QStringLiteral("Cannot make a copy in '%1': the folder could not be put in place").arg(target));
    SyncFolder(parent);
}

QString BackUpDay(const QString &dataFolder, const QDate &today)
{
    const QString backups = BackupsFolder(dataFolder);
    const QString target = QDir(backups).filePath(today.toString(QStringLiteral("yyyy-MM-dd")));
    if (QFileInfo::exists(target))
        return {};
    MakeOwnerOnlyFolder(backups);
    try {
        CopyTables(dataFolder, target);
    } catch (const EDatabaseError &) {
        if (QFileInfo(target).isDir())
            return {}; // another copy of the program made it meanwhile
        throw;
    }
    PruneBackups(dataFolder, today);
    return target;
}

QString BackUpNow(const QString &dataFolder, const QString &to, const QDateTime &now)
{
    QString target;
    if (to.isEmpty()) {
        MakeOwnerOnlyFolder(BackupsFolder(dataFolder));
        target = QDir(BackupsFolder(dataFolder)).filePath(now.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    } else if (QFileInfo(to).isDir()) {
        target = QDir(to).filePath(now.toString(QStringLiteral("'tallimo-'yyyy-MM-dd-HHmmss")));
    } else {
        target = to;
    }
    // A copy is never put inside itself.
    const QString canonicalData = QFileInfo(dataFolder).canonicalFilePath();
    for (const QString &name : TableNames())
        if (QFileInfo(QDir(target).filePath(name)).absoluteFilePath() == QDir(canonicalData).filePath(name))
            throw EDatabaseError(QStringLiteral("Cannot make a copy over the tables of '%1'").arg(dataFolder));
    CopyTables(dataFolder, target);
    return target;
}

QList<TBackupCopy> ListBackups(const QString &dataFolder)
{
    QList<TBackupCopy> copies;
    const QDir backups(BackupsFolder(dataFolder));
    for (const QFileInfo &entry : backups.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        TBackupCopy copy;
        if (!ParseCopyName(entry.fileName(), copy.Date, copy.Time))
            continue;
        copy.Folder = entry.absoluteFilePath();
        copy.Name = entry.fileName();
        try {
            const Detail::TReadOnlyFile players(QDir(copy.Folder).filePath(kPlayersTable));
            sqlite3_stmt *count = nullptr;
            if (sqlite3_prepare_v2(players.Handle(), "SELECT count(*) FROM \"hcap\"", -1, &count, nullptr) == SQLITE_OK
                && sqlite3_step(count) == SQLITE_ROW)
                copy.Players = sqlite3_column_int64(count, 0);
            sqlite3_finalize(count);
        } catch (const EDatabaseError &) {
            // Listed as unreadable; restoring it is refused by its check.
        }
        copies << copy;
    }
    std::sort(copies.begin(), copies.end(), [](const TBackupCopy &a, const TBackupCopy &b) {
        if (a.Date != b.Date)
            return a.Date > b.Date;
        // A day's automatic copy was made before that day's copies on request.
        return (a.Time.isValid() ? a.Time.msecsSinceStartOfDay() : -1) > (b.Time.isValid() ? b.Time.msecsSinceStartOfDay() : -1);
    });
    return copies;
}

QStringList PruneBackups(const QString &dataFolder, const QDate &today)
{
    const QList<TBackupCopy> copies = ListBackups(dataFolder); // newest first
    QSet<QString> keep;
    QList<QDate> days;
    QHash<int, QString> firstOfMonth;
    const int thisMonth = today.year() * 12 + today.month() - 1;
    for (const TBackupCopy &copy : copies) {
        if (!days.contains(copy.Date) && days.size() < kDailyCopies)
            days << copy.Date;
        if (days.contains(copy.Date))
            keep.insert(copy.Folder);
        const int month = copy.Date.year() * 12 + copy.Date.month() - 1;
        if (thisMonth - month >= 0 && thisMonth - month < kMonthlyCopies)
            firstOfMonth[month] = copy.Folder; // the list runs newest first: the last one seen is the first
    }
    for (const QString &folder : std::as_const(firstOfMonth))
        keep.insert(folder);
    QStringList removed;
    for (const TBackupCopy &copy : copies) {
        if (keep.contains(copy.Folder) || QFileInfo(copy.Folder).isSymLink())
            continue;
        if (QDir(copy.Folder).removeRecursively())
            removed << copy.Folder;
    }
    return removed;
}

QString ResolveCopy(const QString &dataFolder, const QString &dateOrFolder)
{
    QDate date;
    QTime time;
    const bool named = ParseCopyName(dateOrFolder, date, time);
    const QString copy = QDir(BackupsFolder(dataFolder)).filePath(dateOrFolder);
    if (named && QFileInfo(copy).isDir())
        return copy;
    if (QFileInfo(dateOrFolder).isDir())
        return QFileInfo(dateOrFolder).absoluteFilePath();
    if (named)
        throw EDatabaseError(QStringLiteral("There is no copy of %1 in '%2'").arg(dateOrFolder, BackupsFolder(dataFolder)));
    throw EDatabaseError(QStringLiteral("'%1' is neither a copy's date nor a folder").arg(dateOrFolder));
}

void VerifyCopy(const QString &copyFolder)
{
    for (const QString &name : TableNames()) {
        const QString path = QDir(copyFolder).filePath(name);
        if (!QFileInfo(path).isFile())
            throw EDatabaseError(QStringLiteral("The copy in '%1' has no table file '%2'; nothing was restored").arg(copyFolder, name));
        if (const QString damage = IntegrityOf(path); !damage.isEmpty())
            throw EDatabaseError(QStringLiteral("The copy's table file '%1' is damaged (%2); nothing was restored").arg(path, damage));
        if (const QString structure = StructureOf(path); !structure.isEmpty())
            throw EDatabaseError(QStringLiteral("The copy's table file '%1' is not one of the program's: %2; nothing was restored").arg(path, structure));
    }
}

QString RestoreCopy(const QString &dataFolder, const QString &copyFolder, const QDateTime &now)
{
    VerifyCopy(copyFolder);
    for (const QString &name : TableNames())
        RefuseWhenInUse(QDir(dataFolder).filePath(name));
    const QString backups = BackupsFolder(dataFolder);
    MakeOwnerOnlyFolder(backups);
    QTemporaryDir work(QDir(backups).filePath(kRestorePrefix + QStringLiteral("XXXXXX")));
    if (!work.isValid())
        throw EDatabaseError(QStringLiteral("Cannot prepare the restore in '%1': %2").arg(backups, work.errorString()));
    for (const QString &name : TableNames())
        CopyTableFile(QDir(copyFolder).filePath(name), QDir(work.path()).filePath(name));
    const QString replaced = FreeName(backups, now.toString(QStringLiteral("'replaced-'yyyyMMdd-HHmmss")));
    QSaveFile marker(QDir(work.path()).filePath(kRestoreMarker));
    if (!marker.open(QIODevice::WriteOnly) || marker.write(QFileInfo(replaced).fileName().toUtf8()) < 0 || !marker.commit())
        throw EDatabaseError(QStringLiteral("Cannot prepare the restore in '%1': %2").arg(backups, marker.errorString()));
    SyncFolder(work.path());
    work.setAutoRemove(false);
    CarryOutRestore(dataFolder, work.path(), replaced);
    return replaced;
}

void FinishInterruptedWork(const QString &dataFolder)
{
    const QString backups = BackupsFolder(dataFolder);
    if (!QFileInfo(backups).isDir())
        return;
    const QDir dir(backups);
    for (const QFileInfo &entry : dir.entryInfoList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot)) {
        if (entry.isSymLink())
            continue;
        const QString name = entry.fileName();
        if (name.startsWith(kRestorePrefix)) {
            QFile marker(QDir(entry.absoluteFilePath()).filePath(kRestoreMarker));
            if (marker.open(QIODevice::ReadOnly)) {
                const QString replaced = QString::fromUtf8(marker.readAll()).trimmed();
                marker.close();
                if (!replaced.isEmpty() && !replaced.contains(QLatin1Char('/')) && !replaced.contains(QLatin1Char('\\')))
                    CarryOutRestore(dataFolder, entry.absoluteFilePath(), dir.filePath(replaced));
            } else if (IsStale(entry)) {
                QDir(entry.absoluteFilePath()).removeRecursively();
            }
        } else if (name.startsWith(kWorkPrefix) && IsStale(entry)) {
            QDir(entry.absoluteFilePath()).removeRecursively();
        }
    }
}

TDailyBackup::TDailyBackup(QString dataFolder) : m_dataFolder(std::move(dataFolder)) {}

TDailyBackup::~TDailyBackup()
{
    for (const QPointer<TDatabase> &database : std::as_const(m_attached))
        if (database)
            database->BeforeWrite = nullptr;
}

void TDailyBackup::Attach(TDatabase *database)
{
    if (!database)
        return;
    database->BeforeWrite = [this] { BeforeWrite(); };
    m_attached << database;
}

void TDailyBackup::AttachFolderConnection()
{
    m_ownConnection = std::make_unique<TDatabase>();
    m_ownConnection->SetDatabaseName(m_dataFolder);
    m_ownConnection->SetParams(ConnectionParams(m_dataFolder));
    Attach(m_ownConnection.get());
}

QString TDailyBackup::BackUpIfDue()
{
    const QDate today = Clock();
    if (m_doneFor == today)
        return QString();
    // One attempt a day: a failing backup is reported once, not at every change.
    m_doneFor = today;
    QString failure;
    try {
        BackUpDay(m_dataFolder, today);
    } catch (const Exception &error) {
        failure = error.Message();
    } catch (const std::exception &error) {
        failure = QString::fromLocal8Bit(error.what());
    }
    if (failure.isEmpty())
        return QString();
    return QStringLiteral("Today's backup of the tables could not be made: %1\n"
                          "Your change is stored as usual. Until backups work again, keep a copy of the folder '%2' "
                          "elsewhere.").arg(failure, m_dataFolder);
}

void TDailyBackup::BeforeWrite()
{
    const QString warning = BackUpIfDue();
    if (!warning.isEmpty())
        MessageDlg(warning, mtWarning, {mrOk}, mrOk, mrOk);
}

} // namespace Golf
