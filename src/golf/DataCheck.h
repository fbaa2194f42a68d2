#pragma once

#include <QString>
#include <QStringList>

// Checks of a data folder that read and change nothing: the engine's own check of each table file,
// then the program's rules across the tables.
namespace Golf {

// What the engine's integrity check says of one table file: empty when it is sound, else why not
// (a file that cannot be read at all says that).
QString IntegrityOf(const QString &filePath);

// Whether the file holds the named table (the file name without its extension) with every field
// the program needs; the reason when it does not.
QString StructureOf(const QString &filePath);

// Every problem of the folder's three tables, one line each naming the file and the record: the
// integrity check, players whose home club is gone, archived rounds of missing players, values
// outside their field's range. Empty when the folder is clean.
QStringList CheckDataFolder(const QString &folder);

// The message for a table file that would not open: the failure, what the engine's check says of
// the file, and what the user can do; the file itself is never touched.
QString UnreadableTableMessage(const QString &filePath, const QString &failure);

} // namespace Golf
