#pragma once

#include "StoreEngine.h"

#include <memory>
#include <optional>

// The server engine: the tables of a connection live in one schema of a PostgreSQL database,
// reached through libpq. A table keeps the name of its file without the extension ("hcap.DB" is
// "hcap"). Records are ordered and compared as the file engine does it: text byte by byte, empty
// values before all others. A table without an identity field of its own gets a hidden one.
//
// Each table announces its changes (a statement-level trigger calling a notify function of the
// schema); the connection listens to the tables it has open, so DataVersion tells of other
// connections' changes. A connection lost between transactions is made again by the next
// statement; one lost inside a transaction fails that transaction whole.
//
// Parameters: "URL=postgresql://user@host:port/dbname" and "SCHEMA=name" (default "tallimo").
// The password comes from libpq's own sources (~/.pgpass, PGPASSWORD) and is never kept here.
class TPgSession;

class TPgConnection : public TStoreConnection
{
public:
    explicit TPgConnection(const TConnectionParams &params);
    ~TPgConnection() override;

    bool TableExists(const QString &tableName) const override;
    std::unique_ptr<TStoreTableCursor> OpenTable(const QString &tableName) override;
    void CreateTable(const QString &tableName, const QList<TFieldInfo> &fields) override;

    // Where the data live, for titles and messages: the URL without any password.
    QString Location() const;
    QString Schema() const;
    // The schema-qualified, quoted name of a table of the schema.
    QString QualifiedName(const QString &tableName) const;

    // For the program's own schema work (never for texts a user typed): statements run on this
    // connection, grouped into transactions that nest as the tables' do.
    void Execute(const QString &sql, const QVariantList &params = {});
    void BeginTransaction();
    void Commit();
    void Rollback();

private:
    std::shared_ptr<TPgSession> m_session;
};

// Whether the server of a URL answers, asked in the background: the caller looks now and then
// until it knows, and never waits for a server that does not answer (a host gone from the
// network waits out the connect timeout). The password comes from libpq's own sources.
class TPgServerProbe
{
public:
    explicit TPgServerProbe(const QString &url);
    ~TPgServerProbe();
    TPgServerProbe(const TPgServerProbe &) = delete;
    TPgServerProbe &operator=(const TPgServerProbe &) = delete;

    // Empty while the server has not answered and the attempt has not ended.
    std::optional<bool> Answered();

private:
    struct TState;
    std::unique_ptr<TState> m_state;
};

// A URL with any password taken out, fit for a title bar, a log or a message.
QString RedactedDatabaseUrl(const QString &url);
