#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The command-line commands that copy, list, restore and check the data folder's tables.
namespace Cli {

// The usage lines of these commands.
QString BackupUsage();

// The commands, each with its arguments, the names of the options it takes and the data folder.
// A wrong option raises TUsageError.
int Backup(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out);
int Backups(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out);
int Restore(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out);
int Check(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out);

// Before a command that changes the data: the day's copy of the tables, when the day has none
// yet. A failure is reported as a warning on `err` and the command goes on.
void BackUpBeforeChanging(const QString &command, const QString &folder, QTextStream &err);

} // namespace Cli
