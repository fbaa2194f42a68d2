#pragma once

// Raw read-only access to a table file for the backup and the check, which must never change what
// they read: the record store's own open switches a file to its write-ahead log.

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace Golf::Detail {

class TReadOnlyFile
{
public:
    // Opens without creating or changing anything; a file whose log cannot be shared (a
    // write-protected folder) is read as it stands. Raises EDatabaseError naming the file.
    explicit TReadOnlyFile(const QString &path);
    ~TReadOnlyFile();
    TReadOnlyFile(const TReadOnlyFile &) = delete;
    TReadOnlyFile &operator=(const TReadOnlyFile &) = delete;

    sqlite3 *Handle() const { return m_db; }
    const QString &Path() const { return m_path; }
    // The engine's last message on this file.
    QString LastError() const;

private:
    QString m_path;
    sqlite3 *m_db = nullptr;
};

// The text of a result column as a QString.
QString ColumnText(sqlite3_stmt *statement, int column);

} // namespace Golf::Detail
