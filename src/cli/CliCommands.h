#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The command-line companion's commands over the program's own tables and actions.
namespace Cli {

constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

QString Usage();

// Runs one command line (without the program name). Output goes to `out`, the program's
// messages to `err`; standard input is read only by import without --in. Returns the exit status.
int Run(const QStringList &arguments, QTextStream &out, QTextStream &err);

} // namespace Cli
