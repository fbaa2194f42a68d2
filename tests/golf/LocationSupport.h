#pragma once

#include <QCoreApplication>
#include <QList>
#include <QRandomGenerator>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <libpq-fe.h>

// Where a golf or command-line test keeps its data: a fresh folder of table files, or, when the
// tests run with TALLIMO_TEST_ENGINE=server, a database of its own on the server that
// TALLIMO_TEST_DATABASE names, its schema "tallimo" dropped before each use. The databases are
// made once per test process (one for each location alive at the same time) and dropped at exit.
namespace TestLocation {

inline bool OnServer()
{
    return qEnvironmentVariable("TALLIMO_TEST_ENGINE") == QLatin1String("server");
}

// The user's settings (the remembered database among them) of this process and of the programs
// it starts go to a folder of its own, never to the real user's.
inline void KeepSettingsPrivate()
{
    static QTemporaryDir config;
    if (qEnvironmentVariable("XDG_CONFIG_HOME") != config.path())
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
}

// The rows a statement gives, each a list of texts (an empty value is a null QString); the
// server's message in *error when it failed. Runs as another program would, on a connection of
// its own.
inline QList<QStringList> ServerRows(const QString &url, const QString &sql, QString *error = nullptr)
{
    QList<QStringList> rows;
    QString message;
    PGconn *connection = PQconnectdb(url.toUtf8().constData());
    if (PQstatus(connection) != CONNECTION_OK) {
        message = QString::fromUtf8(PQerrorMessage(connection)).trimmed();
    } else {
        PQsetNoticeProcessor(connection, [](void *, const char *) {}, nullptr);
        PGresult *result = PQexec(connection, sql.toUtf8().constData());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            message = QString::fromUtf8(PQresultErrorMessage(result)).trimmed();
        for (int row = 0; row < PQntuples(result); ++row) {
            QStringList values;
            for (int column = 0; column < PQnfields(result); ++column)
                values << (PQgetisnull(result, row, column) ? QString() : QString::fromUtf8(PQgetvalue(result, row, column)));
            rows << values;
        }
        PQclear(result);
    }
    PQfinish(connection);
    if (error)
        *error = message;
    else if (!message.isEmpty())
        qWarning("%s", qPrintable(message));
    return rows;
}

// Runs statements on a server database; the server's message, empty when they ran.
inline QString ServerSql(const QString &url, const QString &sql)
{
    QString error;
    ServerRows(url, sql, &error);
    return error;
}

namespace Detail {

// The server databases of this process; a slot is taken by one live location at a time.
class TServerPool
{
public:
    ~TServerPool()
    {
        for (const QString &name : std::as_const(m_names))
            ServerSql(Admin(), QStringLiteral("DROP DATABASE IF EXISTS \"%1\" WITH (FORCE)").arg(name));
    }

    static TServerPool &Instance()
    {
        static TServerPool pool;
        return pool;
    }

    int Take()
    {
        for (int slot = 0; slot < m_inUse.size(); ++slot)
            if (!m_inUse[slot]) {
                m_inUse[slot] = true;
                return slot;
            }
        const QString name = QStringLiteral("tallimo_test_%1_%2").arg(QCoreApplication::applicationPid()).arg(QRandomGenerator::global()->bounded(1u << 30));
        const QString error = ServerSql(Admin(), QStringLiteral("CREATE DATABASE \"%1\"").arg(name));
        if (!error.isEmpty())
            qFatal("Cannot make a test database on %s: %s", qPrintable(Admin()), qPrintable(error));
        m_names << name;
        m_inUse << true;
        return int(m_names.size()) - 1;
    }
    void Give(int slot) { m_inUse[slot] = false; }

    QString Url(int slot) const
    {
        QUrl url(Admin());
        url.setPath(QLatin1Char('/') + m_names[slot]);
        return url.toString();
    }

    static QString Admin() { return qEnvironmentVariable("TALLIMO_TEST_DATABASE"); }

private:
    QStringList m_names;
    QList<bool> m_inUse;
};

} // namespace Detail

// One fresh, empty data location, for as long as the object lives.
class TLocation
{
public:
    TLocation()
    {
        KeepSettingsPrivate();
        if (!OnServer()) {
            m_path = m_dir.path();
            return;
        }
        if (Detail::TServerPool::Admin().isEmpty())
            qFatal("TALLIMO_TEST_ENGINE=server needs TALLIMO_TEST_DATABASE (run under scripts/pg-test-server)");
        m_slot = Detail::TServerPool::Instance().Take();
        m_path = Detail::TServerPool::Instance().Url(m_slot);
        const QString error = ServerSql(m_path, QStringLiteral("DROP SCHEMA IF EXISTS tallimo CASCADE"));
        if (!error.isEmpty())
            qFatal("Cannot empty the test database %s: %s", qPrintable(m_path), qPrintable(error));
    }
    ~TLocation()
    {
        if (m_slot >= 0)
            Detail::TServerPool::Instance().Give(m_slot);
    }
    TLocation(const TLocation &) = delete;
    TLocation &operator=(const TLocation &) = delete;

    // The folder or the database URL, as the program takes it.
    QString Path() const { return m_path; }
    // A file of the test's own (a CSV, a backup), in a temporary folder either way.
    QString FilePath(const QString &name) const { return m_dir.filePath(name); }
    bool IsValid() const { return m_dir.isValid(); }

private:
    QTemporaryDir m_dir;
    QString m_path;
    int m_slot = -1;
};

// The command-line option that names a location: "--data-dir" for a folder, "--database" for a URL.
inline QStringList LocationOption(const QString &location)
{
    const bool server = location.startsWith(QLatin1String("postgresql://")) || location.startsWith(QLatin1String("postgres://"));
    return {server ? QStringLiteral("--database") : QStringLiteral("--data-dir"), location};
}

} // namespace TestLocation

// Tests of what only a folder of table files has (its files, their bytes, their permissions).
#define FILES_ONLY(reason)                                                              \
    do {                                                                                \
        if (TestLocation::OnServer())                                                   \
            QSKIP("over the server: " reason);                                          \
    } while (false)
