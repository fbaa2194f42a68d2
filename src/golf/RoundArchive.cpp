#include "RoundArchive.h"

#include "Exceptions.h"
#include "GolfTables.h"
#include "Handicap.h"
#include "PgEngine.h"
#include "SqliteEngine.h"
#include "StoreEngine.h"
#include "TField.h"
#include "TTable.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QScopeGuard>
#include <sqlite3.h>

#include <climits>
#include <limits>
#include <cmath>
#include <utility>

namespace Golf {

namespace {

// How long a write waits for another program's write to the same file to end.
constexpr int kBusyMilliseconds = 10000;

// The columns of `rounds`, in the order they are created.
enum TRoundColumn : int { rcPlayer, rcPlayed, rcScore, rcRating, rcSlope, rcPcc, rcClub, rcEntered, rcCount };

const char *const kColumnNames[rcCount] = {"PlayerID", "Played", "Score", "Rating", "Slope", "PCC", "Club", "Entered"};

// Where each column sits in the table as it is found, which may have been made by another hand.
class TColumnMap
{
public:
    explicit TColumnMap(const QList<TFieldInfo> &fields) : m_width(int(fields.size()))
    {
        for (int column = 0; column < rcCount; ++column) {
            m_index[column] = -1;
            for (int i = 0; i < fields.size(); ++i)
                if (fields[i].Name.compare(QLatin1String(kColumnNames[column]), Qt::CaseInsensitive) == 0)
                    m_index[column] = i;
        }
    }

    QString Missing() const
    {
        for (int column = 0; column < rcCount; ++column)
            if (m_index[column] < 0)
                return QStringLiteral("The table '%1' has no field '%2'").arg(kRoundsTable, QLatin1String(kColumnNames[column]));
        return QString();
    }
    void Require() const
    {
        if (const QString missing = Missing(); !missing.isEmpty())
            throw EDatabaseError(missing);
    }
    int operator[](TRoundColumn column) const { return m_index[column]; }
    int Width() const { return m_width; }

private:
    int m_index[rcCount];
    int m_width;
};

// Stored values are taken only when they are exactly what they claim to be.
std::optional<qint64> WholeNumber(double number)
{
    if (!std::isfinite(number) || std::fabs(number) > 1e15 || number != std::floor(number))
        return std::nullopt;
    return qint64(number);
}

std::optional<qint64> WholeNumber(const QString &text)
{
    bool ok = false;
    const qint64 number = text.toLongLong(&ok);
    return ok ? std::optional<qint64>(number) : std::nullopt;
}

// A value as the store gives it: a whole number, a double without a fraction, or its digits.
std::optional<qint64> WholeNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return value.toLongLong();
    case QMetaType::Double:
        return WholeNumber(value.toDouble());
    case QMetaType::QString:
        return WholeNumber(value.toString());
    default:
        return std::nullopt;
    }
}

std::optional<int> RatingTenths(double number)
{
    if (!std::isfinite(number) || std::fabs(number) > 1e6)
        return std::nullopt;
    const double tenths = number * 10;
    const double whole = std::round(tenths);
    if (std::fabs(tenths - whole) > 1e-6)
        return std::nullopt;
    return int(whole);
}

std::optional<int> RatingTenths(const QString &text)
{
    try {
        return ParseRatingTenths(text);
    } catch (const EConvertError &) {
        return std::nullopt;
    }
}

// "YYYY-MM-DD" as dates are stored.
QDate IsoDate(const char *text, int size)
{
    if (size != 10 || text[4] != '-' || text[7] != '-')
        return QDate();
    int parts[3] = {0, 0, 0};
    const int from[3] = {0, 5, 8}, count[3] = {4, 2, 2};
    for (int part = 0; part < 3; ++part)
        for (int i = from[part]; i < from[part] + count[part]; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return QDate();
            parts[part] = parts[part] * 10 + (text[i] - '0');
        }
    return QDate(parts[0], parts[1], parts[2]);
}

// The whole number written by `count` ASCII digits from `from`; -1 when one is not a digit.
int Digits(const char *text, int from, int count)
{
    int value = 0;
    for (int i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

// "YYYY-MM-DDTHH:MM:SS.zzzZ" as NowText writes it, read by hand from the stored UTF-8: the
// general parser, and even making a QString of the text, would take longer than the rest of a
// round's reading. Anything else goes to the general parser.
QDateTime EnteredMoment(const char *text, int size)
{
    if (size == 24 && text[4] == '-' && text[7] == '-' && text[10] == 'T' && text[13] == ':' && text[16] == ':'
        && text[19] == '.' && text[23] == 'Z') {
        const int year = Digits(text, 0, 4);
        const QDate date(year, Digits(text, 5, 2), Digits(text, 8, 2));
        const QTime time(Digits(text, 11, 2), Digits(text, 14, 2), Digits(text, 17, 2), Digits(text, 20, 3));
        // A year that is not four digits would read as -1, which is a valid year to QDate.
        if (year > 0 && date.isValid() && time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
    return QDateTime::fromString(QString::fromUtf8(text, size), Qt::ISODateWithMs);
}

QVector<QVariant> RoundValues(const TColumnMap &columns, qint32 player, const TRoundInput &round, QVector<bool> &assigned)
{
    QVector<QVariant> values(columns.Width());
    assigned.fill(false, columns.Width());
    auto put = [&](TRoundColumn column, const QVariant &value) {
        values[columns[column]] = value;
        assigned[columns[column]] = true;
    };
    put(rcPlayer, qint64(player));
    put(rcPlayed, round.Played);
    put(rcScore, qint64(round.Score));
    put(rcRating, round.RatingTenths / 10.0);
    put(rcSlope, qint64(round.Slope));
    put(rcPcc, qint64(round.Pcc));
    put(rcClub, round.Club ? QVariant(qint64(*round.Club)) : QVariant());
    return values;
}

QString NowText()
{
    return QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs);
}

// A round's course rating from the "Enter" page's whole-number r: the strokes below 72.
int RatingFromEntered(int enteredRating)
{
    return (kParReference - enteredRating) * 10;
}

// --- The upgrade of a folder, on the files themselves -----------------------------------------

class TUpgradeFile
{
public:
    // Opens an existing file for writing; nothing when it cannot be (it is reported when opened
    // as a table, and never touched here).
    static std::optional<TUpgradeFile> Open(const QString &path)
    {
        if (!QFileInfo(path).isFile())
            return std::nullopt;
        sqlite3 *db = nullptr;
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK
            || sqlite3_db_readonly(db, "main") == 1) {
            sqlite3_close(db);
            return std::nullopt;
        }
        sqlite3_busy_timeout(db, kBusyMilliseconds);
        return TUpgradeFile(path, db);
    }

    TUpgradeFile(TUpgradeFile &&other) noexcept : m_path(other.m_path), m_db(std::exchange(other.m_db, nullptr)) {}
    ~TUpgradeFile() { sqlite3_close(m_db); }

    // Whether the file holds that table; false too when the file is no database at all.
    bool HasTable(const QString &name)
    {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, "SELECT 1 FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE", -1, &statement, nullptr) != SQLITE_OK)
            return false;
        const QByteArray utf8 = name.toUtf8();
        sqlite3_bind_text(statement, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        const bool found = sqlite3_step(statement) == SQLITE_ROW;
        sqlite3_finalize(statement);
        return found;
    }

    QStringList Columns(const QString &table)
    {
        QStringList names;
        sqlite3_stmt *statement = Prepare(QStringLiteral("PRAGMA table_info(%1)").arg(QuoteName(table)));
        while (sqlite3_step(statement) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 1)));
        sqlite3_finalize(statement);
        return names;
    }

    void Execute(const QString &sql)
    {
        if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            Fail();
    }

    sqlite3_stmt *Prepare(const QString &sql)
    {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
            Fail();
        return statement;
    }

    // Runs `work` in one write transaction: all of it is stored, or none.
    template<typename Work>
    void Transaction(Work work)
    {
        Execute(QStringLiteral("PRAGMA synchronous=FULL"));
        Execute(QStringLiteral("BEGIN IMMEDIATE"));
        auto rollback = qScopeGuard([this] { sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr); });
        work();
        Execute(QStringLiteral("COMMIT"));
        rollback.dismiss();
    }

    [[noreturn]] void Fail() const
    {
        throw EDatabaseError(QStringLiteral("Cannot upgrade '%1': %2").arg(m_path, QString::fromUtf8(sqlite3_errmsg(m_db))));
    }

    static QString QuoteName(const QString &name) { return QuoteIdentifier(name); }

private:
    TUpgradeFile(QString path, sqlite3 *db) : m_path(std::move(path)), m_db(db) {}

    QString m_path;
    sqlite3 *m_db = nullptr;
};

QString SqlName(const QString &fileName)
{
    return fileName.section(QLatin1Char('.'), 0, 0);
}

void CreateRounds(TUpgradeFile &file, const QString &players)
{
    QStringList player = file.Columns(players);
    auto has = [&player](const QString &name) {
        return player.contains(name, Qt::CaseInsensitive);
    };
    if (!has(QStringLiteral("ID")))
        return; // not the player table this program keeps
    file.Execute(QStringLiteral("CREATE TABLE \"rounds\" (\"ID\" INTEGER PRIMARY KEY AUTOINCREMENT, \"PlayerID\" INTEGER, "
                                "\"Played\" DATE, \"Score\" INTEGER, \"Rating\" REAL, \"Slope\" INTEGER, \"PCC\" INTEGER, "
                                "\"Club\" INTEGER, \"Entered\" VARCHAR(30))"));
    file.Execute(QStringLiteral("CREATE INDEX \"rounds_by_player\" ON \"rounds\" (\"PlayerID\")"));
    // Every writer of the player table, older builds included, takes a player's rounds along.
    file.Execute(QStringLiteral("CREATE TRIGGER \"rounds_leave_with_player\" AFTER DELETE ON %1 "
                                "BEGIN DELETE FROM \"rounds\" WHERE \"PlayerID\" = OLD.\"ID\"; END")
                     .arg(TUpgradeFile::QuoteName(players)));

    // The twelve-round history, oldest first: slot 12 is the oldest. A slot whose score is 0 or
    // empty holds no round; any other is kept, whatever lies around it.
    QStringList select{QStringLiteral("\"ID\"")};
    for (int slot = 12; slot >= 1; --slot)
        for (const char *kind : {"S", "C", "D"}) {
            const QString name = QStringLiteral("%1%2").arg(QLatin1String(kind)).arg(slot);
            select << (has(name) ? TUpgradeFile::QuoteName(name) : QStringLiteral("NULL"));
        }
    sqlite3_stmt *history = file.Prepare(QStringLiteral("SELECT %1 FROM %2 ORDER BY \"ID\"").arg(select.join(QStringLiteral(", ")), TUpgradeFile::QuoteName(players)));
    auto finalizeHistory = qScopeGuard([history] { sqlite3_finalize(history); });
    sqlite3_stmt *insert = file.Prepare(QStringLiteral("INSERT INTO \"rounds\" (\"PlayerID\", \"Played\", \"Score\", \"Rating\", \"Slope\", \"PCC\") "
                                                       "VALUES (?1, ?2, ?3, ?4, %1, 0)").arg(kStandardSlope));
    auto finalizeInsert = qScopeGuard([insert] { sqlite3_finalize(insert); });
    int rc = SQLITE_ROW;
    while ((rc = sqlite3_step(history)) == SQLITE_ROW) {
        const sqlite3_int64 id = sqlite3_column_int64(history, 0);
        for (int slot = 0; slot < 12; ++slot) {
            const int score = 1 + 3 * slot, rating = score + 1, date = score + 2;
            if (sqlite3_column_type(history, score) == SQLITE_NULL)
                continue;
            const sqlite3_int64 strokes = std::llround(sqlite3_column_double(history, score));
            if (strokes == 0)
                continue;
            const sqlite3_int64 r = std::llround(sqlite3_column_double(history, rating));
            sqlite3_bind_int64(insert, 1, id);
            sqlite3_bind_value(insert, 2, sqlite3_column_value(history, date));
            sqlite3_bind_int64(insert, 3, strokes);
            sqlite3_bind_double(insert, 4, double(kParReference - r));
            if (sqlite3_step(insert) != SQLITE_DONE)
                file.Fail();
            sqlite3_reset(insert);
        }
    }
    if (rc != SQLITE_DONE)
        file.Fail();
}

} // namespace

void UpgradeDataFolder(const QString &dataFolder)
{
    const QDir folder(dataFolder);
    if (std::optional<TUpgradeFile> file = TUpgradeFile::Open(folder.filePath(kPlayersTable))) {
        const QString players = SqlName(kPlayersTable);
        // Only a player table of the program's own shape gets an archive beside it: a file made by
        // another tool is read as it is and never changed.
        auto ownShape = [&] {
            const QStringList columns = file->Columns(players);
            for (const QString &name : {QStringLiteral("ID"), QStringLiteral("S12"), QStringLiteral("C12"), QStringLiteral("D12")})
                if (!columns.contains(name, Qt::CaseInsensitive))
                    return false;
            return true;
        };
        if (file->HasTable(players) && !file->HasTable(kRoundsTable) && ownShape())
            file->Transaction([&] {
                if (!file->HasTable(kRoundsTable)) // another copy may have been quicker
                    CreateRounds(*file, players);
            });
    }
    if (std::optional<TUpgradeFile> file = TUpgradeFile::Open(folder.filePath(kClubsTable))) {
        const QString clubs = SqlName(kClubsTable);
        if (!file->HasTable(clubs))
            return;
        const QStringList columns = file->Columns(clubs);
        if (columns.contains(QStringLiteral("Slope"), Qt::CaseInsensitive) && columns.contains(QStringLiteral("Par"), Qt::CaseInsensitive))
            return;
        file->Transaction([&] {
            const QStringList now = file->Columns(clubs);
            for (const QString &name : {QStringLiteral("Slope"), QStringLiteral("Par")})
                if (!now.contains(name, Qt::CaseInsensitive))
                    file->Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 INTEGER").arg(TUpgradeFile::QuoteName(clubs), TUpgradeFile::QuoteName(name)));
        });
    }
}

void CheckRound(const TRoundInput &round, const QDate &today)
{
    const QString problem = RoundProblem(round.Played, round.Score, round.RatingTenths, round.Slope, round.Pcc, today);
    if (!problem.isEmpty())
        throw EConvertError(problem);
}

// The archive reads and writes its file directly: a round's values are checked for their stored
// kind as they are read, and reading thousands of rounds costs little more than the statements.
class TRoundArchive::TFiles
{
public:
    TFiles(const QString &folder)
        : PlayersPath(QDir(folder).filePath(kPlayersTable)), ClubsPath(QDir(folder).filePath(kClubsTable))
    {
        Players = OpenFile(PlayersPath);
        const QStringList columns = ColumnsOf(Players, kRoundsTable);
        if (columns.isEmpty()) {
            Missing = QStringLiteral("The file '%1' holds no table '%2'").arg(PlayersPath, kRoundsTable);
            return;
        }
        for (int column = 0; column < rcCount; ++column)
            if (!columns.contains(QLatin1String(kColumnNames[column]), Qt::CaseInsensitive)) {
                Missing = QStringLiteral("The table '%1' has no field '%2'").arg(kRoundsTable, QLatin1String(kColumnNames[column]));
                return;
            }
    }
    ~TFiles()
    {
        for (sqlite3_stmt *statement : std::as_const(Statements))
            sqlite3_finalize(statement);
        sqlite3_close(Players);
        sqlite3_close(Clubs);
    }

    static sqlite3 *OpenFile(const QString &path)
    {
        sqlite3 *db = nullptr;
        // An archive is used by the thread that made it, so its connections need no lock of
        // their own: SQLite would otherwise take one for every value read.
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
            const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
            sqlite3_close(db);
            throw EDatabaseError(QStringLiteral("Cannot open table '%1': %2").arg(path, message));
        }
        sqlite3_busy_timeout(db, kBusyMilliseconds);
        sqlite3_exec(db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        return db;
    }

    static QStringList ColumnsOf(sqlite3 *db, const QString &table)
    {
        QStringList names;
        sqlite3_stmt *statement = nullptr;
        const QByteArray sql = QStringLiteral("PRAGMA table_info(%1)").arg(QuoteIdentifier(table)).toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) != SQLITE_OK)
            return names;
        while (sqlite3_step(statement) == SQLITE_ROW)
            names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 1)));
        sqlite3_finalize(statement);
        return names;
    }

    // A cached statement, reset when the guard goes.
    struct TStatement
    {
        sqlite3_stmt *Handle;
        ~TStatement()
        {
            sqlite3_reset(Handle);
            sqlite3_clear_bindings(Handle);
        }
        operator sqlite3_stmt *() const { return Handle; }
    };

    TStatement Prepare(sqlite3 *db, const char *sql)
    {
        sqlite3_stmt *&statement = Statements[QByteArray(sql) + (db == Clubs ? "@clubs" : "")];
        if (!statement && sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            Fail(db, QStringLiteral("preparing a statement"));
        return {statement};
    }

    // True while there is a row.
    bool Step(sqlite3 *db, sqlite3_stmt *statement)
    {
        const int rc = sqlite3_step(statement);
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            Fail(db, QStringLiteral("reading or writing"));
        return rc == SQLITE_ROW;
    }

    [[noreturn]] void Fail(sqlite3 *db, const QString &what) const
    {
        throw EDatabaseError(QStringLiteral("Table '%1': error while %2: %3")
                                 .arg(db == Clubs ? ClubsPath : PlayersPath, what, QString::fromUtf8(sqlite3_errmsg(db))));
    }

    void RequireRounds() const
    {
        if (!Missing.isEmpty())
            throw EDatabaseError(Missing);
    }

    sqlite3 *ClubFile()
    {
        if (!Clubs) {
            Clubs = OpenFile(ClubsPath);
            const QStringList columns = ColumnsOf(Clubs, SqlName(kClubsTable));
            ClubsHaveTees = columns.contains(QStringLiteral("Slope"), Qt::CaseInsensitive)
                && columns.contains(QStringLiteral("Par"), Qt::CaseInsensitive)
                && columns.contains(QStringLiteral("RATING"), Qt::CaseInsensitive);
        }
        return Clubs;
    }

    QString PlayersPath;
    QString ClubsPath;
    sqlite3 *Players = nullptr;
    sqlite3 *Clubs = nullptr;
    bool ClubsHaveTees = false;
    QString Missing; // why the rounds cannot be read, empty when they can
    QHash<QByteArray, sqlite3_stmt *> Statements;
};

namespace {

// Values are read through sqlite3_value: the connections take no lock (see OpenFile), and a
// value's kind and content then cost no further trip through the statement.
QString ValueText(sqlite3_value *value)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_value_text(value)), sqlite3_value_bytes(value));
}

// A whole number as stored: an integer, a real without a fraction, or the digits of one.
std::optional<qint64> StoredWholeNumber(sqlite3_value *value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
        return sqlite3_value_int64(value);
    case SQLITE_FLOAT:
        return WholeNumber(sqlite3_value_double(value));
    case SQLITE_TEXT:
        return WholeNumber(ValueText(value));
    default:
        return std::nullopt;
    }
}

std::optional<int> StoredRatingTenths(sqlite3_value *value)
{
    switch (sqlite3_value_type(value)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return RatingTenths(sqlite3_value_double(value));
    case SQLITE_TEXT:
        return RatingTenths(ValueText(value));
    default:
        return std::nullopt;
    }
}

// What a stored value is, for a message: its text, or "empty".
QString Shown(sqlite3_value *value)
{
    if (sqlite3_value_type(value) == SQLITE_NULL)
        return QStringLiteral("empty");
    return QLatin1Char('\'') + ValueText(value) + QLatin1Char('\'');
}

// Columns of the rounds query: rowid first, then the round's columns in their order.
TArchivedRound StoredRound(sqlite3_stmt *statement)
{
    sqlite3_value *values[1 + rcCount];
    for (int column = 0; column < 1 + rcCount; ++column)
        values[column] = sqlite3_column_value(statement, column);
    auto stored = [&values](TRoundColumn column) { return values[1 + column]; };

    TArchivedRound round;
    round.Id = sqlite3_value_int64(values[0]);
    QStringList unreadable;
    auto whole = [&](TRoundColumn column, int &target) {
        const std::optional<qint64> number = StoredWholeNumber(stored(column));
        if (number && *number >= INT_MIN && *number <= INT_MAX)
            target = int(*number);
        else
            unreadable << QStringLiteral("%1 %2 is not a whole number").arg(QLatin1String(kColumnNames[column]), Shown(stored(column)));
    };
    int player = 0;
    whole(rcPlayer, player);
    round.Player = player;
    if (sqlite3_value_type(stored(rcPlayed)) == SQLITE_TEXT)
        round.Played = IsoDate(reinterpret_cast<const char *>(sqlite3_value_text(stored(rcPlayed))), sqlite3_value_bytes(stored(rcPlayed)));
    if (!round.Played.isValid())
        unreadable << QStringLiteral("Played %1 is not a date").arg(Shown(stored(rcPlayed)));
    whole(rcScore, round.Score);
    if (const std::optional<int> tenths = StoredRatingTenths(stored(rcRating)))
        round.RatingTenths = *tenths;
    else
        unreadable << QStringLiteral("Rating %1 is not a number with at most one decimal").arg(Shown(stored(rcRating)));
    whole(rcSlope, round.Slope);
    whole(rcPcc, round.Pcc);
    if (const std::optional<qint64> club = StoredWholeNumber(stored(rcClub)))
        round.Club = qint32(*club);
    if (sqlite3_value_type(stored(rcEntered)) == SQLITE_TEXT)
        round.Entered = EnteredMoment(reinterpret_cast<const char *>(sqlite3_value_text(stored(rcEntered))),
                                      sqlite3_value_bytes(stored(rcEntered)));
    if (!unreadable.isEmpty())
        round.Problem = unreadable.join(QStringLiteral("; "));
    return round;
}

void BindRound(sqlite3_stmt *statement, const TRoundInput &round)
{
    const QByteArray played = round.Played.toString(Qt::ISODate).toUtf8();
    sqlite3_bind_text(statement, 1, played.constData(), int(played.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(statement, 2, round.Score);
    sqlite3_bind_double(statement, 3, round.RatingTenths / 10.0);
    sqlite3_bind_int(statement, 4, round.Slope);
    sqlite3_bind_int(statement, 5, round.Pcc);
    if (round.Club)
        sqlite3_bind_int(statement, 6, *round.Club);
    else
        sqlite3_bind_null(statement, 6);
}

} // namespace

// The archive of a server database, reached through the store's engine: the same rounds table,
// the same checks of what is read.
class TRoundArchive::TServer
{
public:
    explicit TServer(const QString &url) : m_connection(MakeLocationConnection(url))
    {
        m_players = m_connection->OpenTable(kPlayersTable);
        if (!m_connection->TableExists(kRoundsTable)) {
            Missing = QStringLiteral("The database holds no table '%1'").arg(kRoundsTable);
            return;
        }
        // A table of that name made by another hand may be one the engine cannot open at all:
        // it is reported as the file's would be, not thrown at whoever only wanted to look.
        try {
            m_rounds = m_connection->OpenTable(kRoundsTable);
        } catch (const EDatabaseError &error) {
            Missing = error.Message();
            return;
        }
        Missing = TColumnMap(m_rounds->Fields()).Missing();
    }

    // The players' table as the rounds' statements name it.
    QString PlayersSqlName() const { return static_cast<TPgConnection &>(*m_connection).QualifiedName(kPlayersTable); }

    std::optional<TRecordData> Player(qint32 player) { return m_players->FetchById(player); }

    QList<TArchivedRound> RoundsOf(qint32 player, QStringList &problems)
    {
        const TColumnMap columns(m_rounds->Fields());
        TFetchRequest request;
        request.Count = std::numeric_limits<int>::max();
        request.Filter.Sql = QStringLiteral("\"PlayerID\" = ?");
        request.Filter.Params = {qint64(player)};
        QList<TArchivedRound> rounds;
        const QList<TRecordData> rows = m_rounds->Fetch(request);
        rounds.reserve(rows.size());
        for (const TRecordData &row : rows) {
            rounds.append(ServerRound(columns, row));
            if (!rounds.last().Problem.isEmpty())
                problems << QStringLiteral("Round %1: %2").arg(row.Id).arg(rounds.last().Problem);
        }
        return rounds;
    }

    // The club's record, when the club table keeps tees (Descr, RATING, Slope, Par by ClubField).
    std::optional<TRecordData> Club(qint64 club)
    {
        if (!m_clubs) {
            m_clubs = m_connection->OpenTable(kClubsTable);
            const QList<TFieldInfo> fields = m_clubs->Fields();
            for (const QString &name : {QStringLiteral("Descr"), QStringLiteral("RATING"), QStringLiteral("Slope"), QStringLiteral("Par"), QStringLiteral("ID")}) {
                int found = -1;
                for (int i = 0; i < fields.size(); ++i)
                    if (fields[i].Name.compare(name, Qt::CaseInsensitive) == 0)
                        found = i;
                m_clubFields << found;
            }
        }
        if (m_clubFields.contains(-1))
            return std::nullopt;
        return m_clubs->FindFirst(m_clubFields[4], club, {});
    }
    int ClubField(int which) const { return m_clubFields.value(which, -1); }

    TStoreTableCursor &Rounds()
    {
        if (!Missing.isEmpty())
            throw EDatabaseError(Missing);
        return *m_rounds;
    }
    TStoreTableCursor &Players() { return *m_players; }

    QString Missing;

private:
    static QString ShownValue(const QVariant &value)
    {
        return value.isNull() ? QStringLiteral("empty") : QLatin1Char('\'') + value.toString() + QLatin1Char('\'');
    }

    static TArchivedRound ServerRound(const TColumnMap &columns, const TRecordData &row)
    {
        TArchivedRound round;
        round.Id = row.Id;
        QStringList unreadable;
        auto value = [&](TRoundColumn column) { return row.Values.value(columns[column]); };
        auto whole = [&](TRoundColumn column, int &target) {
            const std::optional<qint64> number = WholeNumber(value(column));
            if (number && *number >= INT_MIN && *number <= INT_MAX)
                target = int(*number);
            else
                unreadable << QStringLiteral("%1 %2 is not a whole number").arg(QLatin1String(kColumnNames[column]), ShownValue(value(column)));
        };
        int player = 0;
        whole(rcPlayer, player);
        round.Player = player;
        round.Played = value(rcPlayed).typeId() == QMetaType::QDate ? value(rcPlayed).toDate() : QDate();
        if (!round.Played.isValid())
            unreadable << QStringLiteral("Played %1 is not a date").arg(ShownValue(value(rcPlayed)));
        whole(rcScore, round.Score);
        const QVariant rating = value(rcRating);
        const std::optional<int> tenths = rating.typeId() == QMetaType::QString ? RatingTenths(rating.toString())
            : rating.isNull()                                                  ? std::nullopt
                                                                               : RatingTenths(rating.toDouble());
        if (tenths)
            round.RatingTenths = *tenths;
        else
            unreadable << QStringLiteral("Rating %1 is not a number with at most one decimal").arg(ShownValue(rating));
        whole(rcSlope, round.Slope);
        whole(rcPcc, round.Pcc);
        if (const std::optional<qint64> club = WholeNumber(value(rcClub)))
            round.Club = qint32(*club);
        if (!value(rcEntered).isNull()) {
            const QByteArray entered = value(rcEntered).toString().toUtf8();
            round.Entered = EnteredMoment(entered.constData(), int(entered.size()));
        }
        if (!unreadable.isEmpty())
            round.Problem = unreadable.join(QStringLiteral("; "));
        return round;
    }

    std::unique_ptr<TStoreConnection> m_connection;
    std::unique_ptr<TStoreTableCursor> m_players;
    std::unique_ptr<TStoreTableCursor> m_rounds;
    std::unique_ptr<TStoreTableCursor> m_clubs;
    QList<int> m_clubFields;
};

TRoundArchive::TRoundArchive(const QString &dataFolder) : m_folder(dataFolder)
{
    if (IsServerLocation(dataFolder))
        m_server = std::make_unique<TServer>(dataFolder);
    else
        m_files = std::make_unique<TFiles>(dataFolder);
}

TRoundArchive::~TRoundArchive() = default;

bool TRoundArchive::HasPlayer(qint32 player)
{
    if (m_server)
        return m_server->Player(player).has_value();
    TFiles &files = *m_files;
    const TFiles::TStatement statement = files.Prepare(files.Players, "SELECT 1 FROM \"hcap\" WHERE rowid = ?1");
    sqlite3_bind_int64(statement, 1, player);
    return files.Step(files.Players, statement);
}

TPlayerRounds TRoundArchive::Load(qint32 player)
{
    if (m_server)
        return LoadFromServer(player);
    TFiles &files = *m_files;
    TPlayerRounds result;
    result.Player = player;
    if (!files.Missing.isEmpty()) {
        result.Problems << files.Missing;
        return result;
    }
    {
        const TFiles::TStatement statement = files.Prepare(files.Players,
            "SELECT rowid, \"PlayerID\", \"Played\", \"Score\", \"Rating\", \"Slope\", \"PCC\", \"Club\", \"Entered\" "
            "FROM \"rounds\" WHERE \"PlayerID\" = ?1 ORDER BY rowid");
        sqlite3_bind_int64(statement, 1, player);
        while (files.Step(files.Players, statement)) {
            result.Rounds.append(StoredRound(statement));
            const TArchivedRound &round = result.Rounds.last();
            if (!round.Problem.isEmpty())
                result.Problems << QStringLiteral("Round %1: %2").arg(round.Id).arg(round.Problem);
        }
    }
    QList<TIndexRound> indexRounds;
    indexRounds.reserve(result.Rounds.size());
    for (const TArchivedRound &round : std::as_const(result.Rounds))
        indexRounds.append(round.ToIndexRound());
    result.Index = CalculateIndex(indexRounds);

    // The home club as a tee.
    std::optional<qint64> club;
    {
        const TFiles::TStatement statement = files.Prepare(files.Players, "SELECT \"Homeclub\" FROM \"hcap\" WHERE rowid = ?1");
        sqlite3_bind_int64(statement, 1, player);
        if (files.Step(files.Players, statement))
            club = StoredWholeNumber(sqlite3_column_value(statement, 0));
    }
    if (!club)
        return result;
    sqlite3 *clubs = files.ClubFile();
    if (!files.ClubsHaveTees)
        return result;
    const TFiles::TStatement statement = files.Prepare(clubs, "SELECT \"Descr\", \"RATING\", \"Slope\", \"Par\" FROM \"golfmaster\" WHERE \"ID\" = ?1");
    sqlite3_bind_int64(statement, 1, *club);
    if (!files.Step(clubs, statement))
        return result;
    const std::optional<qint64> slope = StoredWholeNumber(sqlite3_column_value(statement, 2));
    const std::optional<qint64> par = StoredWholeNumber(sqlite3_column_value(statement, 3));
    // An empty rating reads as 0, as everywhere else in the program.
    sqlite3_value *ratingValue = sqlite3_column_value(statement, 1);
    const std::optional<int> rating = sqlite3_value_type(ratingValue) == SQLITE_NULL ? std::optional<int>(0) : StoredRatingTenths(ratingValue);
    if (!slope || !par || !rating || *slope < kMinSlope || *slope > kMaxSlope || *par < 1 || *par > 200)
        return result;
    result.HomeTee = TTee{qint32(*club), ValueText(sqlite3_column_value(statement, 0)), kParReference * 10 - *rating, int(*slope), int(*par)};
    if (result.Index.IndexTenths)
        result.CourseHandicap = CourseHandicap(*result.Index.IndexTenths, result.HomeTee->Slope, result.HomeTee->RatingTenths, result.HomeTee->Par);
    return result;
}

qint64 TRoundArchive::Add(qint32 player, const TRoundInput &round)
{
    CheckRound(round);
    if (m_server) {
        TStoreTableCursor &rounds = m_server->Rounds();
        if (!HasPlayer(player))
            throw EDatabaseError(QStringLiteral("Player '%1' not found").arg(player));
        const TColumnMap columns(rounds.Fields());
        QVector<bool> assigned;
        QVector<QVariant> values = RoundValues(columns, player, round, assigned);
        values[columns[rcEntered]] = NowText();
        assigned[columns[rcEntered]] = true;
        return rounds.Insert(values, assigned);
    }
    TFiles &files = *m_files;
    files.RequireRounds();
    if (!HasPlayer(player))
        throw EDatabaseError(QStringLiteral("Player '%1' not found").arg(player));
    const TFiles::TStatement statement = files.Prepare(files.Players,
        "INSERT INTO \"rounds\" (\"Played\", \"Score\", \"Rating\", \"Slope\", \"PCC\", \"Club\", \"PlayerID\", \"Entered\") "
        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");
    BindRound(statement, round);
    sqlite3_bind_int64(statement, 7, player);
    const QByteArray entered = NowText().toUtf8();
    sqlite3_bind_text(statement, 8, entered.constData(), int(entered.size()), SQLITE_TRANSIENT);
    files.Step(files.Players, statement);
    return sqlite3_last_insert_rowid(files.Players);
}

void TRoundArchive::Update(qint64 roundId, const TRoundInput &round)
{
    CheckRound(round);
    if (m_server) {
        TStoreTableCursor &rounds = m_server->Rounds();
        const TColumnMap columns(rounds.Fields());
        QVector<bool> changed;
        const std::optional<TRecordData> stored = rounds.FetchById(roundId);
        if (!stored)
            throw EDatabaseError(QStringLiteral("Round %1 not found").arg(roundId));
        // The player stays: only what the user gives for the round changes.
        QVector<QVariant> values = RoundValues(columns, 0, round, changed);
        changed[columns[rcPlayer]] = false;
        rounds.Update(roundId, values, changed);
        return;
    }
    TFiles &files = *m_files;
    files.RequireRounds();
    const TFiles::TStatement statement = files.Prepare(files.Players,
        "UPDATE \"rounds\" SET \"Played\" = ?1, \"Score\" = ?2, \"Rating\" = ?3, \"Slope\" = ?4, \"PCC\" = ?5, \"Club\" = ?6 "
        "WHERE rowid = ?7");
    BindRound(statement, round);
    sqlite3_bind_int64(statement, 7, roundId);
    files.Step(files.Players, statement);
    if (sqlite3_changes(files.Players) == 0)
        throw EDatabaseError(QStringLiteral("Round %1 not found").arg(roundId));
}

void TRoundArchive::Remove(qint64 roundId)
{
    if (m_server) {
        TStoreTableCursor &rounds = m_server->Rounds();
        if (rounds.FetchById(roundId))
            rounds.Remove(roundId);
        return;
    }
    TFiles &files = *m_files;
    files.RequireRounds();
    const TFiles::TStatement statement = files.Prepare(files.Players, "DELETE FROM \"rounds\" WHERE rowid = ?1");
    sqlite3_bind_int64(statement, 1, roundId);
    files.Step(files.Players, statement);
}

QStringList TRoundArchive::CheckArchive()
{
    if (m_server) {
        if (!m_server->Missing.isEmpty())
            return {m_server->Missing};
        // The server takes a player's rounds along when the player goes; rounds without a player
        // (none named, or one that is not there) can only have been written by another hand.
        const qint64 orphans = m_server->Rounds().Count(
            {QStringLiteral("\"PlayerID\" IS NULL OR \"PlayerID\" NOT IN (SELECT \"ID\" FROM %1)").arg(m_server->PlayersSqlName()), {}});
        if (orphans == 0)
            return {};
        return {orphans == 1 ? QStringLiteral("1 kept round belongs to no player")
                             : QStringLiteral("%1 kept rounds belong to no player").arg(orphans)};
    }
    TFiles &files = *m_files;
    if (!files.Missing.isEmpty())
        return {files.Missing};
    const TFiles::TStatement statement = files.Prepare(files.Players,
        "SELECT COUNT(*) FROM \"rounds\" WHERE \"PlayerID\" IS NULL OR \"PlayerID\" NOT IN (SELECT rowid FROM \"hcap\")");
    files.Step(files.Players, statement);
    const qint64 orphans = sqlite3_column_int64(statement, 0);
    if (orphans == 0)
        return {};
    return {orphans == 1 ? QStringLiteral("1 kept round belongs to no player")
                         : QStringLiteral("%1 kept rounds belong to no player").arg(orphans)};
}

TPlayerRounds TRoundArchive::LoadFromServer(qint32 player)
{
    TServer &server = *m_server;
    TPlayerRounds result;
    result.Player = player;
    if (!server.Missing.isEmpty()) {
        result.Problems << server.Missing;
        return result;
    }
    result.Rounds = server.RoundsOf(player, result.Problems);
    QList<TIndexRound> indexRounds;
    indexRounds.reserve(result.Rounds.size());
    for (const TArchivedRound &round : std::as_const(result.Rounds))
        indexRounds.append(round.ToIndexRound());
    result.Index = CalculateIndex(indexRounds);

    // The home club as a tee.
    const std::optional<TRecordData> record = server.Player(player);
    if (!record)
        return result;
    const QList<TFieldInfo> playerFields = server.Players().Fields();
    std::optional<qint64> club;
    for (int i = 0; i < playerFields.size(); ++i)
        if (playerFields[i].Name.compare(QLatin1String("Homeclub"), Qt::CaseInsensitive) == 0 && !record->Values.value(i).isNull())
            club = WholeNumber(record->Values.value(i));
    if (!club)
        return result;
    const std::optional<TRecordData> clubRecord = server.Club(*club);
    if (!clubRecord)
        return result;
    auto field = [&](int which) { return clubRecord->Values.value(server.ClubField(which)); };
    const std::optional<qint64> slope = WholeNumber(field(2));
    const std::optional<qint64> par = WholeNumber(field(3));
    // An empty rating reads as 0, as everywhere else in the program.
    const std::optional<int> rating = field(1).isNull() ? std::optional<int>(0) : RatingTenths(field(1).toDouble());
    if (!slope || !par || !rating || *slope < kMinSlope || *slope > kMaxSlope || *par < 1 || *par > 200)
        return result;
    result.HomeTee = TTee{qint32(*club), field(0).toString(), kParReference * 10 - *rating, int(*slope), int(*par)};
    if (result.Index.IndexTenths)
        result.CourseHandicap = CourseHandicap(*result.Index.IndexTenths, result.HomeTee->Slope, result.HomeTee->RatingTenths, result.HomeTee->Par);
    return result;
}

void ArchiveEnteredRound(TTable &players, int score, int enteredRating, const QDate &played)
{
    std::unique_ptr<TStoreTableCursor> rounds = players.OpenCompanion(kRoundsTable);
    const TColumnMap columns(rounds->Fields());
    columns.Require();

    TRoundInput round;
    round.Played = played;
    round.Score = score;
    round.RatingTenths = RatingFromEntered(enteredRating);
    if (const TField *home = players.FindField(QStringLiteral("Homeclub")); home && !home->IsNull()) {
        // The club is looked up straight through the players' connection: a table opened for it
        // would first read its first record, and the order it keeps is of no use here.
        std::unique_ptr<TStoreTableCursor> clubs = players.Connection().OpenTable(kClubsTable);
        const QList<TFieldInfo> fields = clubs->Fields();
        int id = -1, slope = -1;
        for (int i = 0; i < fields.size(); ++i) {
            if (fields[i].Name.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
                id = i;
            else if (fields[i].Name.compare(QLatin1String("Slope"), Qt::CaseInsensitive) == 0)
                slope = i;
        }
        if (id >= 0 && slope >= 0)
            if (const std::optional<TRecordData> club = clubs->FindFirst(id, qint64(home->AsInteger()), {}))
                if (const std::optional<qint64> stored = WholeNumber(club->Values.value(slope));
                    stored && *stored >= kMinSlope && *stored <= kMaxSlope)
                    round.Slope = int(*stored);
    }
    QVector<bool> assigned;
    QVector<QVariant> values = RoundValues(columns, players.FieldByName(QStringLiteral("ID"))->AsInteger(), round, assigned);
    values[columns[rcEntered]] = NowText();
    assigned[columns[rcEntered]] = true;
    rounds->Insert(values, assigned);
}

} // namespace Golf
