#pragma once

#include <QString>
#include <QStringList>

class QTextStream;

// The command that copies every table of one data location to another: folder or server database
// at either end, record IDs kept, all of it in one transaction on the target.
namespace Cli {

// Its lines of the usage text.
QString CopyUsage();

// copy --from DIR|URL --to DIR|URL [--replace], with the names of the options that take a value
// and of the flags. A wrong option raises TUsageError; a refusal or a failure raises an Exception
// whose message says why, with the target left as it was.
int CopyCommand(const QStringList &arguments, const QStringList &valued, const QStringList &flags, QTextStream &out,
                QTextStream &err);

} // namespace Cli
