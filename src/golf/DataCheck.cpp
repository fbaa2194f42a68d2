#include "DataCheck.h"

#include "Exceptions.h"
#include "GolfTables.h"
#include "SqliteFile_p.h"
#include "Handicap.h"

#include <QDate>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <QUrl>
#include <sqlite3.h>

#include <cmath>
#include <limits>
#include <map>

namespace Golf {

namespace Detail {

namespace {

bool CanReadSchema(sqlite3 *db)
{
    return sqlite3_exec(db, "SELECT count(*) FROM sqlite_master", nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace

TReadOnlyFile::TReadOnlyFile(const QString &path) : m_path(path)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw EDatabaseError(QStringLiteral("'%1' is missing").arg(path));
    if (!info.isFile())
        throw EDatabaseError(QStringLiteral("'%1' is not a file").arg(path));
    const QByteArray file = QFile::encodeName(path);
    int rc = sqlite3_open_v2(file.constData(), &m_db, SQLITE_OPEN_READONLY, nullptr);
    if (rc == SQLITE_OK && !CanReadSchema(m_db)) {
        const int error = sqlite3_errcode(m_db) & 0xff;
        if (error == SQLITE_CANTOPEN || error == SQLITE_READONLY) {
            // The log's shared memory cannot be made beside a write-protected file: read the
            // file itself, as it stands.
            sqlite3_close(m_db);
            m_db = nullptr;
            const QByteArray uri = "file:" + QUrl::toPercentEncoding(QDir::cleanPath(info.absoluteFilePath()), "/") + "?immutable=1";
            rc = sqlite3_open_v2(uri.constData(), &m_db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
        }
    }
    if (rc != SQLITE_OK) {
        const QString message = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
        sqlite3_close(m_db);
        m_db = nullptr;
        throw EDatabaseError(QStringLiteral("Cannot read '%1': %2").arg(path, message));
    }
    sqlite3_busy_timeout(m_db, 5000);
}

TReadOnlyFile::~TReadOnlyFile()
{
    sqlite3_close(m_db);
}

QString TReadOnlyFile::LastError() const
{
    return QString::fromUtf8(sqlite3_errmsg(m_db));
}

QString ColumnText(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

} // namespace Detail

using Detail::ColumnText;
using Detail::TReadOnlyFile;

namespace {

// A prepared statement that is finalised on every path.
class TQuery
{
public:
    TQuery(const TReadOnlyFile &file, const QString &sql) : m_file(file)
    {
        if (sqlite3_prepare_v2(file.Handle(), sql.toUtf8().constData(), -1, &m_statement, nullptr) != SQLITE_OK)
            throw EDatabaseError(QStringLiteral("%1: %2").arg(QFileInfo(file.Path()).fileName(), file.LastError()));
    }
    ~TQuery() { sqlite3_finalize(m_statement); }
    TQuery(const TQuery &) = delete;
    TQuery &operator=(const TQuery &) = delete;

    bool Next()
    {
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            throw EDatabaseError(QStringLiteral("%1: %2").arg(QFileInfo(m_file.Path()).fileName(), m_file.LastError()));
        return false;
    }
    sqlite3_stmt *Handle() const { return m_statement; }

private:
    const TReadOnlyFile &m_file;
    sqlite3_stmt *m_statement = nullptr;
};

QString Quote(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString SqlNameOf(const QString &filePath)
{
    return QFileInfo(filePath).fileName().section(QLatin1Char('.'), 0, 0);
}

QString IntegrityOfOpen(const TReadOnlyFile &file)
{
    QStringList problems;
    try {
        TQuery query(file, QStringLiteral("PRAGMA integrity_check(20)"));
        while (query.Next())
            problems << ColumnText(query.Handle(), 0);
    } catch (const EDatabaseError &) {
        // So damaged that the check itself cannot run.
        problems << file.LastError();
    }
    if (problems == QStringList{QStringLiteral("ok")})
        return {};
    return problems.join(QStringLiteral("; "));
}

// Field names of a table, in its own letter case, by their upper-case form.
QHash<QString, QString> ColumnsOf(const TReadOnlyFile &file, const QString &table)
{
    QHash<QString, QString> columns;
    TQuery query(file, QStringLiteral("PRAGMA table_info(%1)").arg(Quote(table)));
    while (query.Next()) {
        const QString name = ColumnText(query.Handle(), 1);
        columns.insert(name.toUpper(), name);
    }
    return columns;
}

QString StructureOfOpen(const TReadOnlyFile &file)
{
    const QString table = SqlNameOf(file.Path());
    const QHash<QString, QString> columns = ColumnsOf(file, table);
    if (columns.isEmpty())
        return QStringLiteral("the file holds no table '%1'").arg(table);
    QStringList missing;
    for (const TFieldInfo &field : FieldsOf(QFileInfo(file.Path()).fileName()))
        if (!columns.contains(field.Name.toUpper()))
            missing << field.Name;
    if (!missing.isEmpty())
        return QStringLiteral("the table '%1' has no field %2").arg(table, missing.join(QStringLiteral(", ")));
    return {};
}

// How a stored value breaks its field's kind or range; empty when it does not.
QString ValueProblem(sqlite3_stmt *row, int column, const TFieldInfo &field)
{
    const int kind = sqlite3_column_type(row, column);
    if (kind == SQLITE_NULL)
        return {};
    switch (field.Type) {
    case ftAutoInc:
        return {};
    case ftInteger: {
        if (kind != SQLITE_INTEGER)
            return QStringLiteral("'%1' is not a whole number").arg(ColumnText(row, column));
        const qint64 value = sqlite3_column_int64(row, column);
        if (value < std::numeric_limits<qint32>::min() || value > std::numeric_limits<qint32>::max())
            return QStringLiteral("%1 is outside the range of a whole number field").arg(value);
        return {};
    }
    case ftFloat:
        if (kind != SQLITE_INTEGER && kind != SQLITE_FLOAT)
            return QStringLiteral("'%1' is not a number").arg(ColumnText(row, column));
        if (!std::isfinite(sqlite3_column_double(row, column)))
            return QStringLiteral("%1 is not a finite number").arg(ColumnText(row, column));
        return {};
    case ftDate: {
        const QString text = ColumnText(row, column);
        if (kind != SQLITE_TEXT || text.size() != 10 || !QDate::fromString(text, Qt::ISODate).isValid())
            return QStringLiteral("'%1' is not a date").arg(text);
        return {};
    }
    case ftString:
    case ftUnknown: {
        const QString text = ColumnText(row, column);
        if (field.Size > 0 && text.size() > field.Size)
            return QStringLiteral("a text of %1 characters is longer than the field's %2").arg(text.size()).arg(field.Size);
        return {};
    }
    }
    return {};
}

// The program's own bounds of a player's values, beyond their kind.
QString PlayerRuleProblem(sqlite3_stmt *row, int column, const QString &field)
{
    if (sqlite3_column_type(row, column) != SQLITE_INTEGER && sqlite3_column_type(row, column) != SQLITE_FLOAT)
        return {};
    const double value = sqlite3_column_double(row, column);
    const QString upper = field.toUpper();
    if (upper.startsWith(QLatin1Char('S')) && upper.size() <= 3 && value != 0 && (value < kMinScore || value > kMaxScore))
        return QStringLiteral("the score %1 is outside %2..%3").arg(value).arg(kMinScore).arg(kMaxScore);
    if (upper == QLatin1String("CALCHCAP") && (value < -5 || value > 30))
        return QStringLiteral("the calculated handicap %1 is outside -5..30").arg(value);
    return {};
}

struct TOpenTable
{
    std::unique_ptr<TReadOnlyFile> File;
    QString Name; // the file name
};

// Reads every record of a table and reports values that break their field; returns the IDs seen
// and, for players, their home clubs.
void CheckValues(const TOpenTable &table, QStringList &problems, QSet<qint64> *ids, QHash<qint64, qint64> *homeClubs)
{
    const QList<TFieldInfo> fields = FieldsOf(table.Name);
    const QHash<QString, QString> columns = ColumnsOf(*table.File, SqlNameOf(table.Name));
    QStringList select{QStringLiteral("rowid")};
    for (const TFieldInfo &field : fields)
        select << Quote(columns.value(field.Name.toUpper()));
    TQuery query(*table.File, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(select.join(QStringLiteral(", ")), Quote(SqlNameOf(table.Name))));
    const bool players = table.Name == kPlayersTable;
    int homeClubColumn = -1;
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].Name.compare(QLatin1String("Homeclub"), Qt::CaseInsensitive) == 0)
            homeClubColumn = i + 1;
    while (query.Next()) {
        sqlite3_stmt *row = query.Handle();
        const qint64 id = sqlite3_column_int64(row, 0);
        if (ids)
            ids->insert(id);
        for (int i = 0; i < fields.size(); ++i) {
            QString problem = ValueProblem(row, i + 1, fields[i]);
            if (problem.isEmpty() && players)
                problem = PlayerRuleProblem(row, i + 1, fields[i].Name);
            if (!problem.isEmpty())
                problems << QStringLiteral("%1: record %2, field %3: %4").arg(table.Name).arg(id).arg(fields[i].Name, problem);
        }
        if (homeClubs && homeClubColumn > 0 && sqlite3_column_type(row, homeClubColumn) == SQLITE_INTEGER) {
            const qint64 club = sqlite3_column_int64(row, homeClubColumn);
            if (club != 0)
                homeClubs->insert(id, club);
        }
    }
}

// Rounds kept beside the players (when the folder has them) must belong to a player.
void CheckArchivedRounds(const TReadOnlyFile &players, const QSet<qint64> &playerIds, QStringList &problems)
{
    const QHash<QString, QString> columns = ColumnsOf(players, QStringLiteral("rounds"));
    if (columns.isEmpty())
        return;
    const QString playerColumn = columns.value(QStringLiteral("PLAYERID"), columns.value(QStringLiteral("PLAYER")));
    if (playerColumn.isEmpty()) {
        problems << QStringLiteral("%1: the table 'rounds' has no field PlayerID").arg(kPlayersTable);
        return;
    }
    // The bounds a round is checked against when it is entered.
    struct TBound
    {
        QString Field;
        int Low, High;
    };
    QList<TBound> bounds;
    for (const TBound &bound : {TBound{QStringLiteral("Score"), 1, 250}, TBound{QStringLiteral("Slope"), 55, 155}, TBound{QStringLiteral("PCC"), -1, 3}})
        if (columns.contains(bound.Field.toUpper()))
            bounds << TBound{columns.value(bound.Field.toUpper()), bound.Low, bound.High};
    QStringList select{QStringLiteral("rowid"), Quote(playerColumn)};
    for (const TBound &bound : std::as_const(bounds))
        select << Quote(bound.Field);
    TQuery query(players, QStringLiteral("SELECT %1 FROM \"rounds\" ORDER BY rowid").arg(select.join(QStringLiteral(", "))));
    while (query.Next()) {
        sqlite3_stmt *row = query.Handle();
        const qint64 round = sqlite3_column_int64(row, 0);
        const qint64 player = sqlite3_column_int64(row, 1);
        if (sqlite3_column_type(row, 1) == SQLITE_NULL || !playerIds.contains(player))
            problems << QStringLiteral("%1: archived round %2 belongs to player %3, who does not exist")
                            .arg(kPlayersTable).arg(round).arg(ColumnText(row, 1));
        for (int i = 0; i < bounds.size(); ++i) {
            const int column = i + 2;
            if (sqlite3_column_type(row, column) == SQLITE_NULL)
                continue;
            const double value = sqlite3_column_double(row, column);
            if (sqlite3_column_type(row, column) != SQLITE_INTEGER || value < bounds[i].Low || value > bounds[i].High)
                problems << QStringLiteral("%1: archived round %2, field %3: '%4' is outside %5..%6")
                                .arg(kPlayersTable).arg(round).arg(bounds[i].Field, ColumnText(row, column))
                                .arg(bounds[i].Low).arg(bounds[i].High);
        }
    }
}

} // namespace

QString IntegrityOf(const QString &filePath)
{
    try {
        const TReadOnlyFile file(filePath);
        return IntegrityOfOpen(file);
    } catch (const EDatabaseError &error) {
        return error.Message();
    }
}

QString StructureOf(const QString &filePath)
{
    try {
        const TReadOnlyFile file(filePath);
        return StructureOfOpen(file);
    } catch (const EDatabaseError &error) {
        return error.Message();
    }
}

QString UnreadableTableMessage(const QString &filePath, const QString &failure)
{
    if (!QFileInfo(filePath).isFile())
        return failure;
    const QString file = QDir::toNativeSeparators(filePath);
    QStringList damage = IntegrityOf(filePath).split(QStringLiteral("; "), Qt::SkipEmptyParts);
    damage.removeIf([](const QString &line) { return line.startsWith(QLatin1String("***")); });
    QString verdict;
    if (damage.isEmpty()) {
        verdict = QStringLiteral("The engine's check finds no damage in it, but it is not a table the program can use.");
    } else {
        verdict = QStringLiteral("The engine's check finds it damaged: %1").arg(damage.first());
        if (damage.size() > 1)
            verdict += QStringLiteral(" (and %1 more)").arg(damage.size() - 1);
        verdict += QLatin1Char('.');
    }
    return QStringLiteral("The table file '%1' cannot be opened.\n%2\n\n"
                          "The file is left exactly as it is. To go on with your data, restore a backup: "
                          "\"Restore...\" in the Tools menu (or tallimo-cli restore) moves this file aside "
                          "and puts the copy in its place.\n\n(%3)")
        .arg(file, verdict, failure);
}

QStringList CheckDataFolder(const QString &folder)
{
    QStringList problems;
    std::map<QString, TOpenTable> sound;
    for (const QString &name : TableNames()) {
        const QString path = QDir(folder).filePath(name);
        try {
            auto file = std::make_unique<TReadOnlyFile>(path);
            if (const QString damage = IntegrityOfOpen(*file); !damage.isEmpty()) {
                problems << QStringLiteral("%1: the file is damaged: %2").arg(name, damage);
                continue;
            }
            if (const QString structure = StructureOfOpen(*file); !structure.isEmpty()) {
                problems << QStringLiteral("%1: %2").arg(name, structure);
                continue;
            }
            sound.emplace(name, TOpenTable{std::move(file), name});
        } catch (const EDatabaseError &error) {
            problems << QStringLiteral("%1: %2").arg(name, error.Message());
        }
    }

    QSet<qint64> clubIds, playerIds;
    QHash<qint64, qint64> homeClubs;
    try {
        if (sound.contains(kClubsTable))
            CheckValues(sound[kClubsTable], problems, &clubIds, nullptr);
        if (sound.contains(kSettingsTable)) {
            QSet<qint64> settings;
            CheckValues(sound[kSettingsTable], problems, &settings, nullptr);
            if (settings.size() > 1)
                problems << QStringLiteral("%1: %2 settings records where the program keeps one").arg(kSettingsTable).arg(settings.size());
        }
        if (sound.contains(kPlayersTable)) {
            CheckValues(sound[kPlayersTable], problems, &playerIds, &homeClubs);
            if (sound.contains(kClubsTable)) {
                QList<qint64> players = homeClubs.keys();
                std::sort(players.begin(), players.end());
                for (const qint64 player : std::as_const(players))
                    if (!clubIds.contains(homeClubs.value(player)))
                        problems << QStringLiteral("%1: player %2 has the home club %3, which does not exist in %4")
                                        .arg(kPlayersTable).arg(player).arg(homeClubs.value(player)).arg(kClubsTable);
            }
            CheckArchivedRounds(*sound[kPlayersTable].File, playerIds, problems);
        }
    } catch (const EDatabaseError &error) {
        problems << error.Message();
    }
    return problems;
}

} // namespace Golf
