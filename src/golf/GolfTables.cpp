#include "GolfTables.h"

#include "Backup.h"
#include "Exceptions.h"
#include "RoundArchive.h"
#include "SqliteEngine.h"
#include "TDatabase.h"
#include "TTable.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

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

void PrepareDataFolder(const QString &folder)
{
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

void OpenTablesAhead(const QString &folder)
{
    QStringList paths;
    for (const QString &name : TableNames())
        paths << QDir(folder).filePath(name);
    ::OpenTablesAhead(paths);
}

QStringList ConnectionParams(const QString &folder)
{
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
        database->SetDriverName(QStringLiteral("STANDARD"));
        database->SetParams(ConnectionParams(folder));
        database->SetLoginPrompt(false);
        database->Open();
        connections << database;
    }
    return connections;
}

} // namespace Golf
