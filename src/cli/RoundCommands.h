#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The commands over the round archive and the Handicap Index: add-round, index and rounds.
namespace Cli {

// Their lines of the usage text.
QString RoundUsage();

// The commands on the data folder `folder`, each with its arguments and the names of the options it
// takes. Bad input raises an Exception with a message naming the value; a wrong option raises
// TUsageError.
int AddRoundCommand(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out);
int IndexCommand(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out);
int RoundsCommand(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out,
                  QTextStream &err);

} // namespace Cli
