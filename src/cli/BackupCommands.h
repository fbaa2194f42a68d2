#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QTextStream;

// The command-line commands that copy, list, restore and check the data folder's tables.
namespace Cli {

// The usage lines of these commands.
QString BackupUsage();

// Runs `command` when it is one of these commands and returns its exit status; nothing for any
// other command. Usage errors are reported on `err` with the full usage.
std::optional<int> RunBackupCommand(const QString &command, const QStringList &arguments, const QString &folder,
                                    QTextStream &out, QTextStream &err);

// Before a command that changes the data: the day's copy of the tables, when the day has none
// yet. A failure is reported as a warning on `err` and the command goes on.
void BackUpBeforeChanging(const QString &command, const QString &folder, QTextStream &err);

} // namespace Cli
