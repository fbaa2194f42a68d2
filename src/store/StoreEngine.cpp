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

qint64 TStoreTableCursor::CountBefore(const TFetchRequest &request)
{
    if (!request.HasAnchor)
        return 0;
    constexpr int kChunk = 4096;
    TFetchRequest step = request;
    step.Forward = false;
    step.KeysOnly = true;
    step.Count = kChunk;
    qint64 counted = 0;
    for (;;) {
        const QList<TRecordData> keys = Fetch(step);
        counted += keys.size();
        if (keys.size() < kChunk)
            return counted;
        step.AnchorId = keys.last().Id;
        if (step.OrderField >= 0)
            step.AnchorValue = keys.last().Values.value(step.OrderField);
    }
}

std::optional<qint64> TStoreTableCursor::IdentityAt(int orderField, qint64 place, const TSqlCondition &filter)
{
    if (place < 0)
        return std::nullopt;
    constexpr int kChunk = 4096;
    TFetchRequest step;
    step.OrderField = orderField;
    step.Filter = filter;
    step.KeysOnly = true;
    for (;;) {
        step.Count = int(qMin<qint64>(kChunk, place + 1));
        const QList<TRecordData> keys = Fetch(step);
        if (keys.size() > place)
            return keys.at(place).Id;
        if (keys.size() < step.Count)
            return std::nullopt;
        place -= keys.size();
        step.HasAnchor = true;
        step.AnchorId = keys.last().Id;
        if (orderField >= 0)
            step.AnchorValue = keys.last().Values.value(orderField);
    }
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

bool IsServerLocation(const QString &location)
{
    return location.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive)
        || location.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

QString LocationDriver(const QString &location)
{
    return IsServerLocation(location) ? QStringLiteral("POSTGRESQL") : QStringLiteral("STANDARD");
}

QStringList LocationParams(const QString &location)
{
    if (IsServerLocation(location))
        return {QStringLiteral("URL=") + location};
    return {QStringLiteral("PATH=") + location};
}

std::unique_ptr<TStoreConnection> MakeLocationConnection(const QString &location)
{
    return MakeConnection(LocationDriver(location), TConnectionParams(LocationParams(location)));
}

QString ShownLocation(const QString &location)
{
    return IsServerLocation(location) ? RedactedDatabaseUrl(location) : location;
}
