#include "StoreEngine.h"

#include "Exceptions.h"
#include "PgEngine.h"
#include "SqliteEngine.h"

namespace {

QMap<QString, TEngineFactory> &Engines()
{
    static QMap<QString, TEngineFactory> engines = [] {
        QMap<QString, TEngineFactory> builtIn;
        builtIn.insert(QStringLiteral("STANDARD"), [](const TConnectionParams &params) -> std::unique_ptr<TStoreConnection> {
            const QString defaultDriver = params.Value(QStringLiteral("DEFAULT DRIVER")).toUpper();
            if (!defaultDriver.isEmpty() && defaultDriver != QLatin1String("PARADOX") && defaultDriver != QLatin1String("SQLITE"))
                throw EDatabaseError(QStringLiteral("Driver '%1' is not installed").arg(defaultDriver));
            return std::make_unique<TSqliteConnection>(params.Value(QStringLiteral("PATH")));
        });
        builtIn.insert(QStringLiteral("POSTGRESQL"), [](const TConnectionParams &params) -> std::unique_ptr<TStoreConnection> {
            return std::make_unique<TPgConnection>(params);
        });
        return builtIn;
    }();
    return engines;
}

} // namespace

std::unique_ptr<TStoreTableCursor> TStoreTableCursor::OpenCompanion(const QString &tableName)
{
    throw EDatabaseError(QStringLiteral("Table '%1' cannot be reached beside another table here").arg(tableName));
}

QString FieldTypeName(TFieldType type)
{
    switch (type) {
    case ftString: return QStringLiteral("String");
    case ftInteger: return QStringLiteral("Integer");
    case ftFloat: return QStringLiteral("Float");
    case ftDate: return QStringLiteral("Date");
    case ftAutoInc: return QStringLiteral("AutoInc");
    case ftUnknown: break;
    }
    return QStringLiteral("Unknown");
}

TConnectionParams::TConnectionParams(const QStringList &params) : m_lines(params) {}

QString TConnectionParams::Value(const QString &name) const
{
    for (const QString &line : m_lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && line.left(equals).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(equals + 1).trimmed();
    }
    return QString();
}

void RegisterEngine(const QString &driverName, TEngineFactory factory)
{
    Engines().insert(driverName.toUpper(), std::move(factory));
}

std::unique_ptr<TStoreConnection> MakeConnection(const QString &driverName, const TConnectionParams &params)
{
    const QString key = driverName.isEmpty() ? QStringLiteral("STANDARD") : driverName.toUpper();
    const auto it = Engines().constFind(key);
    if (it == Engines().constEnd())
        throw EDatabaseError(QStringLiteral("Driver '%1' is not installed").arg(driverName));
    return (*it)(params);
}
