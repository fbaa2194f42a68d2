#include "GolfTables.h"

#include "Backup.h"
#include "Exceptions.h"
#include "Handicap.h"
#include "PgEngine.h"
#include "RoundArchive.h"
#include "SqliteEngine.h"
#include "TDatabase.h"
#include "TTable.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStandardPaths>
#include <QUrl>

namespace Golf {

QList<TFieldInfo> PlayerFields()
{
    QList<TFieldInfo> fields{
        {QStringLiteral("ID"), ftAutoInc, 0, false},
        {QStringLiteral("Descr"), ftString, 40, false},
        {QStringLiteral("Homeclub"), ftInteger, 0, false},
    };
    for (int i = 1; i <= 12; ++i)
        fields.append({QStringLiteral("S%1").arg(i), ftInteger, 0, false});
    for (int i = 1; i <= 12; ++i)
        fields.append({QStringLiteral("C%1").arg(i), ftInteger, 0, false});
    for (int i = 1; i <= 12; ++i)
        fields.append({QStringLiteral("D%1").arg(i), ftDate, 0, false});
    fields.append({QStringLiteral("CalChcap"), ftFloat, 0, false});
    fields.append({QStringLiteral("Hcap"), ftFloat, 0, false});
    return fields;
}

QList<TFieldInfo> ClubFields()
{
    return {
        {QStringLiteral("Descr"), ftString, 40, false},
        {QStringLiteral("City"), ftString, 40, false},
        {QStringLiteral("Contact"), ftString, 40, false},
        {QStringLiteral("RATING"), ftFloat, 0, false},
        {QStringLiteral("ID"), ftAutoInc, 0, false},
        {QStringLiteral("Telephone"), ftString, 25, false},
        {QStringLiteral("Fax"), ftString, 25, false},
        {QStringLiteral("Email"), ftString, 60, false},
    };
}

QList<TFieldInfo> SettingsFields()
{
    return {{QStringLiteral("colour"), ftInteger, 0, false}};
}

QList<TFieldInfo> FieldsOf(const QString &tableName)
{
    if (tableName.compare(kPlayersTable, Qt::CaseInsensitive) == 0)
        return PlayerFields();
    if (tableName.compare(kClubsTable, Qt::CaseInsensitive) == 0)
        return ClubFields();
    if (tableName.compare(kSettingsTable, Qt::CaseInsensitive) == 0)
        return SettingsFields();
    return {};
}

QStringList TableNames()
{
    return {kClubsTable, kSettingsTable, kPlayersTable};
}

QString ConnectionOf(const QString &tableName)
{
    if (tableName.compare(kPlayersTable, Qt::CaseInsensitive) == 0)
        return kPlayersConnection;
    if (tableName.compare(kClubsTable, Qt::CaseInsensitive) == 0)
        return kClubsConnection;
    return kSettingsConnection;
}

QString DefaultDataFolder()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)).filePath(QStringLiteral("tallimo"));
}

namespace {

// The round archive's fields as the server keeps them: the same as in a players' file.
QList<TFieldInfo> ServerRoundFields()
{
    return {
        {QStringLiteral("ID"), ftAutoInc, 0, false},
        {QStringLiteral("PlayerID"), ftInteger, 0, false},
        {QStringLiteral("Played"), ftDate, 0, false},
        {QStringLiteral("Score"), ftInteger, 0, false},
        {QStringLiteral("Rating"), ftFloat, 0, false},
        {QStringLiteral("Slope"), ftInteger, 0, false},
        {QStringLiteral("PCC"), ftInteger, 0, false},
        {QStringLiteral("Club"), ftInteger, 0, false},
        {QStringLiteral("Entered"), ftString, 30, false},
    };
}

bool ServerIsPrepared(TPgConnection &server)
{
    for (const QString &name : TableNames())
        if (!server.TableExists(name))
            return false;
    if (!server.TableExists(kRoundsTable))
        return false;
    // The catalogue is asked through the club table's fields: one statement, no SQL of our own.
    int found = 0;
    for (const TFieldInfo &field : server.OpenTable(kClubsTable)->Fields())
        found += field.Name.compare(QLatin1String("Slope"), Qt::CaseInsensitive) == 0
            || field.Name.compare(QLatin1String("Par"), Qt::CaseInsensitive) == 0;
    return found == 2;
}

// Makes what is missing of the schema in one transaction, under a lock that another copy
// preparing the same database at the same moment waits for; a schema made already is left alone.
void PrepareServerDatabase(const QString &url)
{
    TPgConnection server(TConnectionParams(LocationParams(url)));
    if (ServerIsPrepared(server))
        return;
    server.BeginTransaction();
    try {
        server.Execute(QStringLiteral("SELECT pg_advisory_xact_lock(hashtext($1))"), {QStringLiteral("tallimo prepare ") + server.Schema()});
        for (const QString &name : TableNames()) {
            if (server.TableExists(name))
                continue;
            server.CreateTable(name, FieldsOf(name));
            if (name == kSettingsTable) {
                auto settings = server.OpenTable(name);
                settings->Insert({qint64(kDefaultWindowColour)}, {true});
            }
        }
        const QString players = server.QualifiedName(kPlayersTable);
        if (!server.TableExists(kRoundsTable)) {
            server.CreateTable(kRoundsTable, ServerRoundFields());
            const QString rounds = server.QualifiedName(kRoundsTable);
            server.Execute(QStringLiteral("CREATE INDEX ON %1 (\"PlayerID\", \"ID\")").arg(rounds));
            // Every writer of the player table takes a player's rounds along.
            const QString function = QStringLiteral("%1.%2").arg(QuoteIdentifier(server.Schema()), QStringLiteral("rounds_leave_with_player"));
            server.Execute(QStringLiteral("CREATE OR REPLACE FUNCTION %1() RETURNS trigger LANGUAGE plpgsql AS "
                                          "$$BEGIN DELETE FROM %2 WHERE \"PlayerID\" = OLD.\"ID\"; RETURN OLD; END$$")
                               .arg(function, rounds));
            server.Execute(QStringLiteral("CREATE TRIGGER rounds_leave_with_player AFTER DELETE ON %1 FOR EACH ROW EXECUTE FUNCTION %2()")
                               .arg(players, function));
            // Players kept before the archive existed start from their twelve-round history,
            // oldest first: slot 12 is the oldest, a score of 0 or none is no round.
            for (int slot = 12; slot >= 1; --slot)
                server.Execute(QStringLiteral("INSERT INTO %1 (\"PlayerID\", \"Played\", \"Score\", \"Rating\", \"Slope\", \"PCC\") "
                                              "SELECT \"ID\", \"D%3\", round(\"S%3\"), %4 - round(coalesce(\"C%3\", 0)), %5, 0 FROM %2 "
                                              "WHERE \"S%3\" IS NOT NULL AND round(\"S%3\") <> 0 ORDER BY \"ID\"")
                                   .arg(rounds, players).arg(slot).arg(kParReference).arg(kStandardSlope));
        }
        for (const QString &column : {QStringLiteral("Slope"), QStringLiteral("Par")})
            server.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN IF NOT EXISTS %2 bigint")
                               .arg(server.QualifiedName(kClubsTable), QuoteIdentifier(column)));
        server.Commit();
    } catch (...) {
        server.Rollback();
        throw;
    }
}

} // namespace

void PrepareDataFolder(const QString &folder)
{
    if (IsServerLocation(folder)) {
        PrepareServerDatabase(folder);
        return;
    }
    QDir dir(folder);
    if (!dir.exists()) {
        if (!QDir().mkpath(folder))
            throw EDatabaseError(QStringLiteral("Cannot create the data folder '%1'").arg(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    // A restore cut short is carried through before a missing table could be made anew.
    FinishInterruptedWork(folder);
    TSqliteConnection tables(folder);
    for (const QString &name : TableNames()) {
        if (tables.TableExists(name))
            continue;
        // A new settings table comes with its one record.
        QList<QVariantList> records;
        if (name == kSettingsTable)
            records.append(QVariantList{qint64(kDefaultWindowColour)});
        try {
            tables.CreateTable(name, FieldsOf(name), records);
        } catch (const EDatabaseError &) {
            // Another copy of the program made it at the same moment.
            if (!tables.TableExists(name))
                throw;
        }
    }
    UpgradeDataFolder(folder);
}

namespace {

QSettings UserSettings()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("tallimo"), QStringLiteral("tallimo"));
}

const QString kDatabaseKey = QStringLiteral("data/database");

} // namespace

QString RememberedDatabase()
{
    const QString url = UserSettings().value(kDatabaseKey).toString();
    return IsServerLocation(url) ? url : QString();
}

void RememberDatabase(const QString &url)
{
    QSettings settings = UserSettings();
    if (url.isEmpty()) {
        settings.remove(kDatabaseKey);
        return;
    }
    QUrl kept(url);
    kept.setPassword(QString());
    settings.setValue(kDatabaseKey, kept.toString());
}

void OpenTablesAhead(const QString &folder)
{
    if (IsServerLocation(folder))
        return;
    QStringList paths;
    for (const QString &name : TableNames())
        paths << QDir(folder).filePath(name);
    ::OpenTablesAhead(paths);
}

QStringList ConnectionParams(const QString &folder)
{
    if (IsServerLocation(folder))
        return LocationParams(folder);
    return {QStringLiteral("PATH=") + QDir::toNativeSeparators(folder), QStringLiteral("DEFAULT DRIVER=PARADOX"),
            QStringLiteral("ENABLE BCD=true")};
}

QList<TDatabase *> Connect(QObject *owner, const QString &folder)
{
    QList<TDatabase *> connections;
    for (const QString &name : {kClubsConnection, kSettingsConnection, kPlayersConnection}) {
        auto *database = new TDatabase(owner);
        database->setObjectName(name);
        database->SetDatabaseName(name);
        database->SetDriverName(LocationDriver(folder));
        database->SetParams(ConnectionParams(folder));
        database->SetLoginPrompt(false);
        database->Open();
        connections << database;
    }
    return connections;
}

} // namespace Golf
