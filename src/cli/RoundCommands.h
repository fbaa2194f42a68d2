#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QTextStream;

// The commands over the round archive and the Handicap Index: add-round, index and rounds.
namespace Cli {

// Whether the command is one of them.
bool IsRoundCommand(const QString &command);

// Their lines of the usage text.
QString RoundUsage();

// Runs `command` when it is one of them, on the data folder `folder`; nothing for any other
// command. Bad input raises an Exception with a message naming the value; a wrong option is
// told on `err` with the usage, and answered with kExitUsage.
std::optional<int> RunRoundCommand(const QString &command, const QStringList &arguments, const QString &folder,
                                   QTextStream &out, QTextStream &err);

} // namespace Cli
