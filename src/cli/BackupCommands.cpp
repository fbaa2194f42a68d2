#include "BackupCommands.h"

#include "Backup.h"
#include "CliCommands.h"
#include "Csv.h"
#include "DataCheck.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "CommandOptions_p.h"
#include "UsageError_p.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QTextStream>

namespace Cli {

namespace {

// "--name value" or "--name=value" for the options a command takes, none of them empty.
QHash<QString, QString> ValuedOptions(const QStringList &arguments, const QStringList &names)
{
    return ParseOptions(arguments, names, {}, orRefuseEmpty).Values;
}

void RequireFolder(const QString &folder)
{
    if (!QFileInfo(folder).isDir())
        throw EDatabaseError(QStringLiteral("The data folder '%1' does not exist").arg(folder));
}

} // namespace

int Backup(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out)
{
    const QHash<QString, QString> options = ValuedOptions(arguments, names);
    RequireFolder(folder);
    Golf::FinishInterruptedWork(folder);
    out << QDir::toNativeSeparators(Golf::BackUpNow(folder, options.value(QStringLiteral("to")))) << '\n';
    return kExitOk;
}

int Backups(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out)
{
    ValuedOptions(arguments, names);
    RequireFolder(folder);
    out << Csv::Record({QStringLiteral("Date"), QStringLiteral("Time"), QStringLiteral("Players"), QStringLiteral("Folder")});
    for (const Golf::TBackupCopy &copy : Golf::ListBackups(folder))
        out << Csv::Record({copy.Date.toString(Qt::ISODate), copy.Time.isValid() ? copy.Time.toString(Qt::ISODate) : QString(),
                            copy.Players >= 0 ? QString::number(copy.Players) : QStringLiteral("unreadable"),
                            QDir::toNativeSeparators(copy.Folder)});
    return kExitOk;
}

int Restore(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out)
{
    const QHash<QString, QString> options = ValuedOptions(arguments, names);
    if (!options.contains(QStringLiteral("from")))
        throw TUsageError(QStringLiteral("--from is required"));
    RequireFolder(folder);
    Golf::FinishInterruptedWork(folder);
    const QString copy = Golf::ResolveCopy(folder, options.value(QStringLiteral("from")));
    const QString replaced = Golf::RestoreCopy(folder, copy);
    out << "Restored the tables from " << QDir::toNativeSeparators(copy) << "; the replaced files are in "
        << QDir::toNativeSeparators(replaced) << '\n';
    return kExitOk;
}

int Check(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out)
{
    ValuedOptions(arguments, names);
    RequireFolder(folder);
    const QStringList problems = Golf::CheckDataFolder(folder);
    for (const QString &problem : problems)
        out << problem << '\n';
    if (problems.isEmpty()) {
        out << "No problems found in " << QDir::toNativeSeparators(folder) << '\n';
        return kExitOk;
    }
    out << problems.size() << (problems.size() == 1 ? " problem" : " problems") << " found in "
        << QDir::toNativeSeparators(folder) << '\n';
    return kExitFailure;
}

namespace {

// Every command that writes to the tables, whichever way it reaches them.
const QStringList &ChangingCommands()
{
    static const QStringList commands{QStringLiteral("add-player"), QStringLiteral("add-club"), QStringLiteral("enter-round"),
                                      QStringLiteral("import"), QStringLiteral("add-round")};
    return commands;
}

} // namespace

void BackUpBeforeChanging(const QString &command, const QString &folder, QTextStream &err)
{
    if (!ChangingCommands().contains(command))
        return;
    // A folder without any table has nothing to keep yet.
    bool anyTable = false, allTables = true;
    for (const QString &name : Golf::TableNames()) {
        const bool exists = QFileInfo::exists(QDir(folder).filePath(name));
        anyTable = anyTable || exists;
        allTables = allTables && exists;
    }
    if (!anyTable)
        return;
    try {
        // A copy holds every table. A folder still being made (another copy of the program may be
        // making it at this moment) is made whole first, as the command itself would: making a
        // missing table changes nothing that is kept.
        if (allTables)
            Golf::FinishInterruptedWork(folder);
        else
            Golf::PrepareDataFolder(folder);
    } catch (const Exception &) {
        // Preparing the folder for the command runs it again and reports what stops it; a folder
        // that cannot be made whole has no copy to make.
        if (!allTables)
            return;
    }
    if (const QString warning = Golf::TDailyBackup(folder).BackUpIfDue(); !warning.isEmpty())
        err << warning << '\n';
}

QString BackupUsage()
{
    return QStringLiteral("  tallimo-cli [--data-dir DIR] backup [--to FOLDER]\n"
                          "  tallimo-cli [--data-dir DIR] backups\n"
                          "  tallimo-cli [--data-dir DIR] restore --from FOLDER|DATE\n"
                          "  tallimo-cli [--data-dir DIR] check\n");
}

} // namespace Cli
