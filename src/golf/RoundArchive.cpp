#include "RoundArchive.h"

#include "Exceptions.h"
#include "GolfTables.h"
#include "Handicap.h"
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
#include <cmath>
#include <utility>

namespace Golf {

namespace {

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
std::optional<qint64> WholeNumber(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
        return value.toLongLong();
    case QMetaType::Double: {
        const double number = value.toDouble();
        if (!std::isfinite(number) || std::fabs(number) > 1e15 || number != std::floor(number))
            return std::nullopt;
        return qint64(number);
    }
    case QMetaType::QString: {
        bool ok = false;
        const qint64 number = value.toString().toLongLong(&ok);
        return ok ? std::optional<qint64>(number) : std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

std::optional<int> RatingTenths(const QVariant &value)
{
    if (value.isNull())
        return std::nullopt;
    double number = 0;
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::Double:
        number = value.toDouble();
        break;
    case QMetaType::QString: {
        try {
            return ParseRatingTenths(value.toString());
        } catch (const EConvertError &) {
            return std::nullopt;
        }
    }
    default:
        return std::nullopt;
    }
    if (!std::isfinite(number) || std::fabs(number) > 1e6)
        return std::nullopt;
    const double tenths = number * 10;
    const double whole = std::round(tenths);
    if (std::fabs(tenths - whole) > 1e-6)
        return std::nullopt;
    return int(whole);
}

QDate PlayedDate(const QVariant &value)
{
    if (value.typeId() == QMetaType::QDate)
        return value.toDate();
    if (value.typeId() == QMetaType::QString)
        return QDate::fromString(value.toString(), Qt::ISODate);
    return QDate();
}

// "YYYY-MM-DDTHH:MM:SS.zzzZ" as NowText writes it, read by hand: the general parser would
// take longer than the rest of a round's reading; anything else goes to it.
QDateTime EnteredMoment(const QString &text)
{
    auto digits = [&text](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i) {
            const char16_t ch = text[i].unicode();
            if (ch < u'0' || ch > u'9')
                return -1;
            value = value * 10 + (ch - u'0');
        }
        return value;
    };
    if (text.size() == 24 && text[4] == u'-' && text[7] == u'-' && text[10] == u'T' && text[13] == u':' && text[16] == u':'
        && text[19] == u'.' && text[23] == u'Z') {
        const QDate date(digits(0, 4), digits(5, 2), digits(8, 2));
        const QTime time(digits(11, 2), digits(14, 2), digits(17, 2), digits(20, 3));
        if (date.isValid() && time.isValid())
            return QDateTime(date, time, Qt::UTC);
    }
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

TArchivedRound ReadRound(const TRecordData &row, const TColumnMap &columns)
{
    TArchivedRound round;
    round.Id = row.Id;
    QStringList unreadable;
    auto whole = [&](TRoundColumn column, int &target) {
        const QVariant &value = row.Values.value(columns[column]);
        const std::optional<qint64> number = WholeNumber(value);
        if (number && *number >= INT_MIN && *number <= INT_MAX)
            target = int(*number);
        else
            unreadable << (value.isNull() ? QStringLiteral("%1 is missing").arg(QLatin1String(kColumnNames[column]))
                                          : QStringLiteral("%1 '%2' is not a whole number").arg(QLatin1String(kColumnNames[column]), value.toString()));
    };
    int player = 0;
    whole(rcPlayer, player);
    round.Player = player;
    const QVariant &played = row.Values.value(columns[rcPlayed]);
    round.Played = PlayedDate(played);
    if (!round.Played.isValid())
        unreadable << (played.isNull() ? QStringLiteral("the date played is missing")
                                       : QStringLiteral("Played '%1' is not a date").arg(played.toString()));
    whole(rcScore, round.Score);
    const QVariant &rating = row.Values.value(columns[rcRating]);
    if (const std::optional<int> tenths = RatingTenths(rating))
        round.RatingTenths = *tenths;
    else
        unreadable << (rating.isNull() ? QStringLiteral("Rating is missing")
                                       : QStringLiteral("Rating '%1' is not a number with at most one decimal").arg(rating.toString()));
    whole(rcSlope, round.Slope);
    whole(rcPcc, round.Pcc);
    if (const std::optional<qint64> club = WholeNumber(row.Values.value(columns[rcClub])))
        round.Club = qint32(*club);
    const QVariant &entered = row.Values.value(columns[rcEntered]);
    if (!entered.isNull())
        round.Entered = EnteredMoment(entered.toString());
    if (!unreadable.isEmpty())
        round.Problem = unreadable.join(QStringLiteral("; "));
    return round;
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

int FieldIndex(const QList<TFieldInfo> &fields, const QString &name)
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
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
        sqlite3_busy_timeout(db, 2000);
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
        if (file->HasTable(players) && !file->HasTable(kRoundsTable))
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

TRoundArchive::TRoundArchive(const QString &dataFolder) : m_folder(dataFolder)
{
    m_connection = MakeConnection(QStringLiteral("STANDARD"), TConnectionParams(ConnectionParams(dataFolder)));
    m_players = m_connection->OpenTable(kPlayersTable);
    m_rounds = m_players->OpenCompanion(kRoundsTable);
}

TRoundArchive::~TRoundArchive()
{
    // The rounds share the player table's handle: the companion goes first.
    m_rounds.reset();
}

bool TRoundArchive::HasPlayer(qint32 player)
{
    return m_players->FetchById(player).has_value();
}

TPlayerRounds TRoundArchive::Load(qint32 player)
{
    TPlayerRounds result;
    result.Player = player;
    const TColumnMap columns(m_rounds->Fields());
    if (const QString missing = columns.Missing(); !missing.isEmpty()) {
        result.Problems << missing;
        return result;
    }
    TFetchRequest request;
    request.Count = INT_MAX;
    request.Filter = {QuoteIdentifier(QLatin1String(kColumnNames[rcPlayer])) + QStringLiteral(" = ?"), {qint64(player)}};
    const QList<TRecordData> rows = m_rounds->Fetch(request);
    result.Rounds.reserve(rows.size());
    QList<TIndexRound> indexRounds;
    indexRounds.reserve(rows.size());
    for (const TRecordData &row : rows) {
        result.Rounds.append(ReadRound(row, columns));
        const TArchivedRound &round = result.Rounds.last();
        if (!round.Problem.isEmpty())
            result.Problems << QStringLiteral("Round %1: %2").arg(round.Id).arg(round.Problem);
        indexRounds.append(round.ToIndexRound());
    }
    result.Index = CalculateIndex(indexRounds);

    // The home club as a tee.
    const std::optional<TRecordData> record = m_players->FetchById(player);
    const int homeField = FieldIndex(m_players->Fields(), QStringLiteral("Homeclub"));
    if (!record || homeField < 0)
        return result;
    const std::optional<qint64> club = WholeNumber(record->Values.value(homeField));
    if (!club)
        return result;
    if (!m_clubs)
        m_clubs = m_connection->OpenTable(kClubsTable);
    const QList<TFieldInfo> clubFields = m_clubs->Fields();
    const int idField = FieldIndex(clubFields, QStringLiteral("ID"));
    if (idField < 0)
        return result;
    const std::optional<TRecordData> clubRecord = m_clubs->FindFirst(idField, *club, {});
    if (!clubRecord)
        return result;
    auto value = [&](const char *name) { return clubRecord->Values.value(FieldIndex(clubFields, QLatin1String(name))); };
    const std::optional<qint64> slope = WholeNumber(value("Slope"));
    const std::optional<qint64> par = WholeNumber(value("Par"));
    const QVariant ratingValue = value("RATING");
    const std::optional<int> rating = ratingValue.isNull() ? std::optional<int>(0) : RatingTenths(ratingValue);
    if (!slope || !par || !rating || *slope < kMinSlope || *slope > kMaxSlope || *par < 1 || *par > 200)
        return result;
    result.HomeTee = TTee{qint32(*club), value("Descr").toString(), kParReference * 10 - *rating, int(*slope), int(*par)};
    if (result.Index.IndexTenths)
        result.CourseHandicap = CourseHandicap(*result.Index.IndexTenths, result.HomeTee->Slope, result.HomeTee->RatingTenths, result.HomeTee->Par);
    return result;
}

qint64 TRoundArchive::Add(qint32 player, const TRoundInput &round)
{
    CheckRound(round);
    const TColumnMap columns(m_rounds->Fields());
    columns.Require();
    if (!HasPlayer(player))
        throw EDatabaseError(QStringLiteral("Player '%1' not found").arg(player));
    QVector<bool> assigned;
    QVector<QVariant> values = RoundValues(columns, player, round, assigned);
    values[columns[rcEntered]] = NowText();
    assigned[columns[rcEntered]] = true;
    return m_rounds->Insert(values, assigned);
}

void TRoundArchive::Update(qint64 roundId, const TRoundInput &round)
{
    CheckRound(round);
    const TColumnMap columns(m_rounds->Fields());
    columns.Require();
    const std::optional<TRecordData> stored = m_rounds->FetchById(roundId);
    if (!stored)
        throw EDatabaseError(QStringLiteral("Round %1 not found").arg(roundId));
    const std::optional<qint64> player = WholeNumber(stored->Values.value(columns[rcPlayer]));
    QVector<bool> changed;
    const QVector<QVariant> values = RoundValues(columns, qint32(player.value_or(0)), round, changed);
    changed[columns[rcPlayer]] = false; // a round stays with its player
    m_rounds->Update(roundId, values, changed);
}

void TRoundArchive::Remove(qint64 roundId)
{
    m_rounds->Remove(roundId);
}

QStringList TRoundArchive::CheckArchive()
{
    const TColumnMap columns(m_rounds->Fields());
    if (const QString missing = columns.Missing(); !missing.isEmpty())
        return {missing};
    const QString player = QuoteIdentifier(QLatin1String(kColumnNames[rcPlayer]));
    const qint64 orphans = m_rounds->Count({QStringLiteral("%1 IS NULL OR %1 NOT IN (SELECT \"ID\" FROM %2)")
                                                .arg(player, QuoteIdentifier(SqlName(kPlayersTable))),
                                            {}});
    if (orphans == 0)
        return {};
    return {orphans == 1 ? QStringLiteral("1 kept round belongs to no player")
                         : QStringLiteral("%1 kept rounds belong to no player").arg(orphans)};
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
        TTable clubs;
        clubs.SetDatabaseName(players.DatabaseName());
        clubs.SetTableName(kClubsTable);
        clubs.SetIndexFieldNames(QStringLiteral("ID"));
        clubs.Open();
        if (clubs.FindKey(QString::number(home->AsInteger())))
            if (const TField *slope = clubs.FindField(QStringLiteral("Slope")); slope && !slope->IsNull()
                && slope->AsInteger() >= kMinSlope && slope->AsInteger() <= kMaxSlope)
                round.Slope = slope->AsInteger();
    }
    QVector<bool> assigned;
    QVector<QVariant> values = RoundValues(columns, players.FieldByName(QStringLiteral("ID"))->AsInteger(), round, assigned);
    values[columns[rcEntered]] = NowText();
    assigned[columns[rcEntered]] = true;
    rounds->Insert(values, assigned);
}

} // namespace Golf
