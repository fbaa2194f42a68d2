#pragma once

#include "GolfTables.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <sqlite3.h>

// Shared by the tests of the backup commands: the real program, raw access to table files, and
// fingerprints of a folder's tables.
namespace BackupTest {

struct Outcome
{
    int Status = -1;
    QString Out;
    QString Err;
};

inline Outcome RunCli(const QString &folder, const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(TALLIMO_CLI), QStringList{"--data-dir", folder, "--init"} + arguments);
    if (!process.waitForStarted())
        return {};
    process.closeWriteChannel();
    process.waitForFinished(120000);
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// Runs statements straight on a table file, as another tool would; false on failure.
inline bool Execute(const QString &file, const QString &sql)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK
        && sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

inline qint64 Count(const QString &file, const QString &table)
{
    sqlite3 *db = nullptr;
    qint64 count = -1;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(table).toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        count = sqlite3_column_int64(statement, 0);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

// Every row of a table as text, in the order of its rows.
inline QStringList Rows(const QString &file, const QString &table)
{
    QStringList rows;
    sqlite3 *db = nullptr;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && sqlite3_prepare_v2(db, QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(table).toUtf8().constData(), -1, &statement, nullptr) == SQLITE_OK) {
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList values;
            for (int i = 0; i < sqlite3_column_count(statement); ++i)
                values << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, i)));
            rows << values.join(QLatin1Char('|'));
        }
    } else {
        rows << QStringLiteral("<unreadable>");
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

// What the three tables of a folder hold.
inline QList<QStringList> Contents(const QString &folder)
{
    QList<QStringList> contents;
    for (const QString &name : Golf::TableNames())
        contents << Rows(QDir(folder).filePath(name), name.section(QLatin1Char('.'), 0, 0));
    return contents;
}

inline QByteArray Checksum(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return "<unreadable>";
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex();
}

inline QMap<QString, QByteArray> TableChecksums(const QString &folder)
{
    QMap<QString, QByteArray> sums;
    for (const QString &name : Golf::TableNames())
        sums.insert(name, Checksum(QDir(folder).filePath(name)));
    return sums;
}

// Overwrites two pages in the middle of a table file.
inline bool Damage(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadWrite) || file.size() < 3 * 4096)
        return false;
    file.seek(4096);
    return file.write(QByteArray(2 * 4096, '\xA5')) == 2 * 4096;
}

} // namespace BackupTest
