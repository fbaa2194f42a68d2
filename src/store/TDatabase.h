#pragma once

#include "StoreEngine.h"
#include "TLoadable.h"

#include <QObject>
#include <QStringList>
#include <functional>
#include <memory>

// A named connection: tables whose DatabaseName is this connection's name reach their files
// through it. Parameters keep their stored form ("PATH=...", "DEFAULT DRIVER=...").
class TDatabase : public QObject, public TLoadable
{
    Q_OBJECT
    Q_PROPERTY(QString DatabaseName READ DatabaseName WRITE SetDatabaseName)
    Q_PROPERTY(QString DriverName READ DriverName WRITE SetDriverName)
    Q_PROPERTY(QStringList Params READ Params WRITE SetParams)
    Q_PROPERTY(bool LoginPrompt READ LoginPrompt WRITE SetLoginPrompt)
    Q_PROPERTY(bool Connected READ Connected WRITE SetConnected)

public:
    explicit TDatabase(QObject *parent = nullptr);
    ~TDatabase() override;

    QString DatabaseName() const { return m_databaseName; }
    void SetDatabaseName(const QString &name);
    QString DriverName() const { return m_driverName; }
    void SetDriverName(const QString &name);
    QStringList Params() const { return m_params; }
    void SetParams(const QStringList &params);
    bool LoginPrompt() const { return m_loginPrompt; }
    void SetLoginPrompt(bool prompt) { m_loginPrompt = prompt; }

    bool Connected() const { return m_connection != nullptr; }
    // While loading, the wish is kept and carried out by Loaded.
    void SetConnected(bool connected);
    void Open();
    void Close();

    // The live connection; opens it first when needed.
    TStoreConnection &Connection();

    // The connection of that name (any letter case), or nullptr.
    static TDatabase *Find(const QString &name);

    // Called before a table reached through this connection changes its file (a post, a delete,
    // the start of a transaction), outside any transaction of that table.
    std::function<void()> BeforeWrite;

protected:
    void Loaded() override;

private:
    void CheckInactive(const char *what) const;

    QString m_databaseName;
    QString m_driverName = QStringLiteral("STANDARD");
    QStringList m_params;
    bool m_loginPrompt = false;
    bool m_connectWhenLoaded = false;
    std::unique_ptr<TStoreConnection> m_connection;
};
