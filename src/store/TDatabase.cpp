#include "TDatabase.h"

#include "Exceptions.h"

namespace {

QList<TDatabase *> &Databases()
{
    static QList<TDatabase *> databases;
    return databases;
}

} // namespace

TDatabase::TDatabase(QObject *parent) : QObject(parent)
{
    Databases().append(this);
}

TDatabase::~TDatabase()
{
    Databases().removeOne(this);
}

TDatabase *TDatabase::Find(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    for (TDatabase *database : std::as_const(Databases()))
        if (database->m_databaseName.compare(name, Qt::CaseInsensitive) == 0)
            return database;
    return nullptr;
}

void TDatabase::CheckInactive(const char *what) const
{
    if (Connected())
        throw EDatabaseError(QStringLiteral("Cannot change the %1 of an open connection").arg(QLatin1String(what)));
}

void TDatabase::SetDatabaseName(const QString &name)
{
    if (m_databaseName == name)
        return;
    CheckInactive("name");
    m_databaseName = name;
}

void TDatabase::SetDriverName(const QString &name)
{
    if (m_driverName == name)
        return;
    CheckInactive("driver");
    m_driverName = name;
}

void TDatabase::SetParams(const QStringList &params)
{
    if (m_params == params)
        return;
    CheckInactive("parameters");
    m_params = params;
}

void TDatabase::SetConnected(bool connected)
{
    if (IsLoading()) {
        m_connectWhenLoaded = connected;
        return;
    }
    if (connected)
        Open();
    else
        Close();
}

void TDatabase::Loaded()
{
    if (m_connectWhenLoaded)
        Open();
}

void TDatabase::Open()
{
    if (Connected())
        return;
    m_connection = MakeConnection(m_driverName, TConnectionParams(m_params));
}

void TDatabase::Close()
{
    m_connection.reset();
}

TStoreConnection &TDatabase::Connection()
{
    Open();
    return *m_connection;
}
