#pragma once

#include "UsageError_p.h"

#include <QHash>
#include <QSet>
#include <QStringList>

namespace Cli {

// Extra refusals some commands make beyond the common "--name value" / "--name=value" form.
enum TOptionRule : unsigned { orNone = 0, orRefuseEmpty = 1, orRefuseRepeated = 2 };

struct TParsedOptions
{
    QHash<QString, QString> Values;
    QSet<QString> Flags;
};

// Reads a command's options: valued ones as "--name value" or "--name=value", flags bare. Anything
// else raises TUsageError naming the argument.
TParsedOptions ParseOptions(const QStringList &arguments, const QStringList &valued, const QStringList &flags = {},
                            unsigned rules = orNone);

} // namespace Cli
