#pragma once

#include <QCryptographicHash>
#include <QDate>
#include <QFile>
#include <QProcess>
#include <QStringList>
#include <sqlite3.h>

// Helpers shared by the tests that run the real command-line program against real folders.
namespace Safety {

struct Outcome
{
    int Status = -1;
    bool Crashed = false;
    QString Out;
    QString Err;
};

// The program under test; TALLIMO_CLI in the environment runs another build of it.
inline QString Program()
{
    return qEnvironmentVariable("TALLIMO_CLI", QStringLiteral(TALLIMO_CLI));
}

// Runs the program on a folder, or on a server database when given its URL.
inline Outcome RunCli(const QString &folder, const QStringList &arguments)
{
    const bool server = folder.startsWith(QLatin1String("postgresql://"));
    QProcess process;
    process.start(Program(), QStringList{server ? QStringLiteral("--database") : QStringLiteral("--data-dir"), folder} + arguments);
    if (!process.waitForStarted())
        return {};
    process.closeWriteChannel();
    process.waitForFinished(120000);
    return {process.exitCode(), process.exitStatus() == QProcess::CrashExit,
            QString::fromUtf8(process.readAllStandardOutput()), QString::fromUtf8(process.readAllStandardError())};
}

// One kept round as `history` prints it.
struct Round
{
    int Score = 0;
    int Rating = 0;
    QString Date;
    bool operator==(const Round &) const = default;
};

// The twelve slots of a player's history, newest first; empty slots have no date.
inline QList<Round> History(const QString &folder, int player, QString *error = nullptr)
{
    const Outcome outcome = RunCli(folder, {QStringLiteral("history"), QStringLiteral("--player"), QString::number(player)});
    if (error)
        *error = outcome.Status == 0 ? QString() : outcome.Err;
    QList<Round> rounds;
    const QStringList lines = outcome.Out.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
    for (const QString &line : lines.mid(1)) {
        const QStringList cells = line.split(QLatin1Char(','));
        if (cells.size() == 4)
            rounds.append({cells[1].toInt(), cells[2].toInt(), cells[3]});
    }
    return rounds;
}

// What SQLite's own check says of a file ("ok" when sound). Opened as any reader opens it: a
// write cut short is rolled back first.
inline QString IntegrityCheck(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_stmt *statement = nullptr;
    QString result = QString::fromUtf8(sqlite3_errmsg(db));
    if (sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr) == SQLITE_OK && sqlite3_step(statement) == SQLITE_ROW)
        result = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return result;
}

inline QByteArray Checksum(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("unreadable");
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&file);
    return hash.result().toHex();
}

// Runs SQL on a file with the sqlite library itself (as another tool would).
inline bool Sql(const QString &path, const char *sql)
{
    sqlite3 *db = nullptr;
    bool ok = sqlite3_open(QFile::encodeName(path).constData(), &db) == SQLITE_OK
        && sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace Safety
