#include "CopyCommand.h"

#include "Backup.h"
#include "CliCommands.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "PgEngine.h"
#include "RoundArchive.h"
#include "StoreEngine.h"
#include "TableCsv.h"
#include "CommandOptions_p.h"
#include "UsageError_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>
#include <QUrl>

#include <sys/stat.h>

namespace Cli {

namespace {

// The tables of one location, all reached through one connection: on a server they share one
// session (and so one transaction), in a folder the rounds share the player file's handle.
struct TLocationTables
{
    std::unique_ptr<TStoreConnection> Connection;
    std::unique_ptr<TStoreTableCursor> Clubs;
    std::unique_ptr<TStoreTableCursor> Settings;
    std::unique_ptr<TStoreTableCursor> Players;
    std::unique_ptr<TStoreTableCursor> Rounds;
};

// A source on a server is read as one snapshot: players and rounds written meanwhile by someone
// else either all show or none do.
TLocationTables OpenTables(const QString &location, bool asSnapshot)
{
    TLocationTables tables;
    tables.Connection = MakeLocationConnection(location);
    if (auto *server = dynamic_cast<TPgConnection *>(tables.Connection.get()); server && asSnapshot) {
        server->BeginTransaction();
        server->Execute(QStringLiteral("SET TRANSACTION ISOLATION LEVEL REPEATABLE READ, READ ONLY"));
    }
    tables.Clubs = tables.Connection->OpenTable(Golf::kClubsTable);
    tables.Settings = tables.Connection->OpenTable(Golf::kSettingsTable);
    tables.Players = tables.Connection->OpenTable(Golf::kPlayersTable);
    tables.Rounds = tables.Players->OpenCompanion(Golf::kRoundsTable);
    return tables;
}

bool SameServerDatabase(const QString &a, const QString &b)
{
    auto key = [](const QString &url) {
        const QUrl parsed(url);
        return QStringLiteral("%1:%2%3").arg(parsed.host().toLower()).arg(parsed.port(5432)).arg(parsed.path());
    };
    return key(a) == key(b);
}

bool SameFolder(const QString &a, const QString &b)
{
    const QFileInfo first(a), second(b);
    if (!first.exists() || !second.exists())
        return QDir::cleanPath(first.absoluteFilePath()) == QDir::cleanPath(second.absoluteFilePath());
    if (first.canonicalFilePath() == second.canonicalFilePath())
        return true;
    struct stat one {}, other {};
    return ::stat(QFile::encodeName(a).constData(), &one) == 0 && ::stat(QFile::encodeName(b).constData(), &other) == 0
        && one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

void RefuseSameLocation(const QString &from, const QString &to)
{
    const bool same = IsServerLocation(from) ? IsServerLocation(to) && SameServerDatabase(from, to)
                                             : !IsServerLocation(to) && SameFolder(from, to);
    if (same)
        throw EDatabaseError(QStringLiteral("Cannot copy %1 onto itself: --from and --to name the same data").arg(ShownLocation(from)));
}

// A source must hold the program's tables: a misspelt name is never taken for empty data, and
// nothing is made where the data are read from.
void CheckSource(const QString &from)
{
    if (IsServerLocation(from)) {
        const std::unique_ptr<TStoreConnection> server = MakeLocationConnection(from);
        for (const QString &name : Golf::TableNames())
            if (server->TableExists(name))
                return;
        throw EDatabaseError(QStringLiteral("The database %1 holds none of the tables %2").arg(ShownLocation(from), Golf::TableNames().join(QStringLiteral(", "))));
    }
    const QFileInfo info(from);
    if (!info.exists())
        throw EDatabaseError(QStringLiteral("The data folder '%1' does not exist").arg(from));
    if (!info.isDir())
        throw EDatabaseError(QStringLiteral("The data folder '%1' is not a folder").arg(from));
    for (const QString &name : Golf::TableNames())
        if (QFileInfo::exists(QDir(from).filePath(name)))
            return;
    throw EDatabaseError(QStringLiteral("The folder '%1' holds none of the tables %2").arg(from, Golf::TableNames().join(QStringLiteral(", "))));
}

void CheckTarget(const QString &to)
{
    if (!IsServerLocation(to) && QFileInfo::exists(to) && !QFileInfo(to).isDir())
        throw EDatabaseError(QStringLiteral("The data folder '%1' is not a folder").arg(to));
}

QString Counted(qint64 count, const char *singular, const char *plural)
{
    return QStringLiteral("%1 %2").arg(count).arg(QLatin1String(count == 1 ? singular : plural));
}

int FieldNamed(const QList<TFieldInfo> &fields, const QString &name)
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// Whether the settings are those a new location starts with: one record with the default colour.
bool HoldsDefaultSettings(TStoreTableCursor &settings)
{
    if (const qint64 records = settings.Count({}); records != 1)
        return records == 0;
    const int colour = FieldNamed(settings.Fields(), QStringLiteral("colour"));
    TRecordData record;
    if (colour < 0 || !settings.ReadAll()->Next(record))
        return false;
    const QVariant value = record.Values.value(colour);
    return !value.isNull() && value.toLongLong() == qint64(Golf::kDefaultWindowColour);
}

// What the target holds that a copy would replace; empty when it holds nothing of its own.
QStringList TargetData(TLocationTables &target)
{
    QStringList held;
    if (const qint64 players = target.Players->Count({}))
        held << Counted(players, "player", "players");
    if (const qint64 clubs = target.Clubs->Count({}))
        held << Counted(clubs, "club", "clubs");
    if (const qint64 rounds = target.Rounds->Count({}))
        held << Counted(rounds, "round", "rounds");
    if (!HoldsDefaultSettings(*target.Settings))
        held << QStringLiteral("settings of its own");
    return held;
}

void Empty(TStoreTableCursor &table)
{
    QList<qint64> ids;
    {
        // Every identity is read before the first removal: nothing is removed under a running read.
        const std::unique_ptr<TStoreRowStream> reader = table.ReadAll();
        TRecordData row;
        while (reader->Next(row))
            ids << row.Id;
    }
    for (const qint64 id : std::as_const(ids))
        table.Remove(id);
}

// Adds every record of `from` to `to`, field by field of the same name, identities kept. A text
// longer than the target's field ends the copy: nothing is cut to fit.
qint64 CopyRecords(TStoreTableCursor &from, TStoreTableCursor &to, const QString &tableName)
{
    const QList<TFieldInfo> sourceFields = from.Fields();
    const QList<TFieldInfo> targetFields = to.Fields();
    QList<int> places;
    for (const TFieldInfo &field : sourceFields) {
        const int place = FieldNamed(targetFields, field.Name);
        if (place < 0)
            throw EDatabaseError(QStringLiteral("Cannot copy the table '%1': the target's table has no field '%2'").arg(tableName, field.Name));
        places << place;
    }
    const int identity = from.IdentityField();
    const std::unique_ptr<TStoreBulkInsert> writer = to.BulkInsert(places);
    const std::unique_ptr<TStoreRowStream> reader = from.ReadAll();
    TRecordData row;
    qint64 copied = 0;
    while (reader->Next(row)) {
        for (int i = 0; i < places.size(); ++i) {
            const TFieldInfo &field = targetFields[places[i]];
            const QVariant &value = row.Values.value(i);
            if (field.Type == ftString && field.Size > 0 && !value.isNull() && CharacterCount(value.toString()) > field.Size)
                throw EConvertError(QStringLiteral("Cannot copy record %1 of the table '%2': its %3 %4 is longer than the %5 characters "
                                                   "the target holds")
                                        .arg(row.Id).arg(tableName, field.Name, Shown(value.toString())).arg(field.Size));
        }
        if (!writer->Add(row.Values))
            throw EDatabaseError(QStringLiteral("Cannot copy record %1 of the table '%2': its ID is taken on the target")
                                     .arg(identity >= 0 ? row.Values.value(identity).toLongLong() : row.Id).arg(tableName));
        ++copied;
    }
    return copied;
}

// The target's writes as one unit: one transaction for a server database; in a folder, one per
// table file, all begun before the first write and committed only once every record is in.
class TTargetTransaction
{
public:
    explicit TTargetTransaction(const QList<TStoreTableCursor *> &tables)
    {
        for (TStoreTableCursor *table : tables) {
            table->BeginTransaction();
            m_open << table;
        }
    }
    ~TTargetTransaction()
    {
        for (TStoreTableCursor *table : std::as_const(m_open)) {
            try {
                table->Rollback();
            } catch (const Exception &) {
                // The failure being reported is the one that matters; an open transaction ends with its connection.
            }
        }
    }
    TTargetTransaction(const TTargetTransaction &) = delete;
    TTargetTransaction &operator=(const TTargetTransaction &) = delete;

    void Commit()
    {
        while (!m_open.isEmpty()) {
            TStoreTableCursor *table = m_open.takeFirst();
            table->Commit();
        }
    }

private:
    QList<TStoreTableCursor *> m_open;
};

} // namespace

int CopyCommand(const QStringList &arguments, const QStringList &valued, const QStringList &flags, QTextStream &out,
                QTextStream &err)
{
    const TParsedOptions options = ParseOptions(arguments, valued, flags, orRefuseEmpty | orRefuseRepeated);
    for (const QString &name : valued)
        if (!options.Values.contains(name))
            throw TUsageError(QStringLiteral("--%1 is required").arg(name));
    const QString from = options.Values.value(QStringLiteral("from"));
    const QString to = options.Values.value(QStringLiteral("to"));
    const bool replace = options.Flags.contains(QStringLiteral("replace"));

    RefuseSameLocation(from, to);
    CheckSource(from);
    CheckTarget(to);
    Golf::PrepareDataFolder(from);
    Golf::PrepareDataFolder(to);

    TLocationTables source = OpenTables(from, true);
    TLocationTables target = OpenTables(to, false);
    const QStringList held = TargetData(target);
    if (!held.isEmpty() && !replace)
        throw EDatabaseError(QStringLiteral("%1 holds data already (%2); nothing was copied. --replace empties it first")
                                 .arg(ShownLocation(to), held.join(QStringLiteral(", "))));
    // What --replace removes from a folder can be put back with restore.
    if (!held.isEmpty() && !IsServerLocation(to))
        err << "The tables replaced are kept in " << QDir::toNativeSeparators(Golf::BackUpNow(to)) << '\n';

    // The player file last opened is the first committed: the biggest write is the likeliest to
    // fail, and nothing else is stored by then.
    TTargetTransaction transaction({target.Players.get(), target.Clubs.get(), target.Settings.get()});
    // The rounds go before their players (whose removal would take them along), the settings'
    // one record always: a new location's own is no data of the user's.
    if (replace) {
        Empty(*target.Rounds);
        Empty(*target.Players);
        Empty(*target.Clubs);
    }
    Empty(*target.Settings);
    const qint64 clubs = CopyRecords(*source.Clubs, *target.Clubs, QStringLiteral("golfmaster"));
    const qint64 settings = CopyRecords(*source.Settings, *target.Settings, QStringLiteral("refer"));
    const qint64 players = CopyRecords(*source.Players, *target.Players, QStringLiteral("hcap"));
    const qint64 rounds = CopyRecords(*source.Rounds, *target.Rounds, Golf::kRoundsTable);
    transaction.Commit();

    out << "Copied " << Counted(players, "player", "players") << ", " << Counted(clubs, "club", "clubs") << ", "
        << Counted(rounds, "round", "rounds") << (settings > 0 ? " and the settings" : " and no settings") << " to "
        << ShownLocation(to) << '\n';
    return kExitOk;
}

QString CopyUsage()
{
    return QStringLiteral("  tallimo-cli copy --from DIR|URL --to DIR|URL [--replace]\n");
}

} // namespace Cli
