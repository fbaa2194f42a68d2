#include "SqliteEngine.h"

#include "Exceptions.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QUrl>
#include <sqlite3.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <future>
#include <map>
#include <mutex>
#include <thread>
#include <unistd.h>
#include <vector>

QString QuoteIdentifier(const QString &name)
{
    QString quoted = name;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString ChangedElsewhereMessage(const QString &tableName)
{
    const bool players = QFileInfo(tableName).baseName().compare(QLatin1String("hcap"), Qt::CaseInsensitive) == 0;
    return QStringLiteral("This %1 was changed by someone else: your change is kept in the form; Refresh shows theirs")
        .arg(players ? QStringLiteral("player") : QStringLiteral("record"));
}

namespace {

QString DeclaredType(const TFieldInfo &field)
{
    switch (field.Type) {
    case ftAutoInc: return QStringLiteral("INTEGER PRIMARY KEY AUTOINCREMENT");
    case ftInteger: return QStringLiteral("INTEGER");
    case ftFloat: return QStringLiteral("REAL");
    case ftDate: return QStringLiteral("DATE");
    case ftString: return QStringLiteral("VARCHAR(%1)").arg(field.Size > 0 ? field.Size : 255);
    case ftUnknown: break;
    }
    return QStringLiteral("TEXT");
}

TFieldType TypeFromDeclaration(const QString &declared, int &size)
{
    const QString upper = declared.trimmed().toUpper();
    // CHAR(n) or VARCHAR(n), blanks allowed around the parentheses and the number. Read by hand:
    // tables are opened on more than one thread, and a shared pattern object is not made for that.
    QStringView rest(upper);
    if (rest.startsWith(QLatin1String("VAR")))
        rest = rest.mid(3);
    if (rest.startsWith(QLatin1String("CHAR"))) {
        rest = rest.mid(4).trimmed();
        if (rest.startsWith(QLatin1Char('(')) && rest.endsWith(QLatin1Char(')'))) {
            const QStringView number = rest.mid(1, rest.size() - 2).trimmed();
            bool digitsOnly = !number.isEmpty();
            for (const QChar ch : number)
                digitsOnly = digitsOnly && ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
            bool ok = false;
            const int declaredSize = number.toInt(&ok);
            if (digitsOnly && ok) {
                size = declaredSize;
                return ftString;
            }
        }
    }
    size = 0;
    if (upper.startsWith(QLatin1String("INT")))
        return ftInteger;
    if (upper == QLatin1String("REAL") || upper == QLatin1String("FLOAT") || upper == QLatin1String("DOUBLE")
        || upper.startsWith(QLatin1String("NUMERIC")) || upper.startsWith(QLatin1String("DECIMAL")))
        return ftFloat;
    if (upper == QLatin1String("DATE"))
        return ftDate;
    size = 255;
    return ftString;
}

// "YYYY-MM-DD" as the engine stores dates; faster than a general date parser on every row read.
QDate ParseIsoDate(const char *text, int size)
{
    if (size != 10 || text[4] != '-' || text[7] != '-')
        return QDate::fromString(QString::fromUtf8(text, size), Qt::ISODate);
    auto digits = [text](int from, int count) {
        int value = 0;
        for (int i = from; i < from + count; ++i) {
            if (text[i] < '0' || text[i] > '9')
                return -1;
            value = value * 10 + (text[i] - '0');
        }
        return value;
    };
    const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
    if (year < 0 || month < 0 || day < 0)
        return QDate();
    return QDate(year, month, day);
}

QString SqlTableName(const QString &tableName)
{
    const QString base = QFileInfo(tableName).fileName();
    const qsizetype dot = base.indexOf(QLatin1Char('.'));
    return dot > 0 ? base.left(dot) : base;
}

// How long a write waits for another connection's write to end before it gives up.
constexpr int kBusyTimeoutMs = 10000;

// The first column of the first row of a statement run once, or a null string when it gives none.
// `error` receives SQLite's message when the statement fails, and `code` its primary result code.
QString QueryText(sqlite3 *db, const char *sql, QString *error = nullptr, int *code = nullptr)
{
    sqlite3_stmt *statement = nullptr;
    QString text;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW) {
            const auto *value = reinterpret_cast<const char *>(sqlite3_column_text(statement, 0));
            text = value ? QString::fromUtf8(value) : QString(QLatin1String(""));
        }
    }
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && error)
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    if (code)
        *code = rc == SQLITE_ROW || rc == SQLITE_DONE ? SQLITE_OK : rc & 0xff;
    sqlite3_finalize(statement);
    return text;
}

// Switches a file to the write-ahead log. The switch reads the file, then takes its write lock;
// SQLite does not wait for that lock once it reads (the busy timeout does not cover it), so a
// switch that meets another writer (another program making or first writing the same file at the
// same moment) is tried again here, for as long as any write waits for another.
QString SwitchToLog(sqlite3 *db, QString *error)
{
    QElapsedTimer waited;
    waited.start();
    for (int pause = 1;; pause = std::min(pause * 2, 50)) {
        error->clear();
        int code = SQLITE_OK;
        const QString mode = QueryText(db, "PRAGMA journal_mode=WAL", error, &code);
        if ((code != SQLITE_BUSY && code != SQLITE_LOCKED) || waited.elapsed() >= kBusyTimeoutMs)
            return mode;
        std::this_thread::sleep_for(std::chrono::milliseconds(pause));
    }
}

// Switches a connection to the write-ahead log with a sync at every commit, and checks that the
// file system took both: a write that returns must survive a crash.
void PrepareDurableWrites(sqlite3 *db, const QString &path)
{
    QString error;
    const QString mode = SwitchToLog(db, &error);
    if (mode.compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0)
        throw EDatabaseError(QStringLiteral("Table '%1' cannot be written safely: the write-ahead log was refused (%2)")
                                 .arg(path, error.isEmpty() ? QStringLiteral("journal mode '%1'").arg(mode) : error));
    QueryText(db, "PRAGMA synchronous=FULL", &error);
    const QString synchronous = QueryText(db, "PRAGMA synchronous", &error);
    if (synchronous != QLatin1String("2"))
        throw EDatabaseError(QStringLiteral("Table '%1' cannot be written safely: full syncs were refused (%2)")
                                 .arg(path, error.isEmpty() ? QStringLiteral("synchronous '%1'").arg(synchronous) : error));
}

// What a table file was when it was opened ahead: a file changed or replaced since is not it.
struct FileState
{
    qint64 Size = -1;
    QDateTime Modified;
    QDateTime Born;

    static FileState Of(const QString &path)
    {
        const QFileInfo info(path);
        if (!info.exists())
            return {};
        return {info.size(), info.fileTime(QFileDevice::FileModificationTime), info.fileTime(QFileDevice::FileBirthTime)};
    }
    bool operator==(const FileState &other) const
    {
        return Size == other.Size && Modified == other.Modified && Born == other.Born;
    }
};

struct TableOpenedAhead
{
    std::unique_ptr<TSqliteTable> Table; // null when the file could not be opened
    FileState State;
};

// The tables opened ahead, by their cleaned file path, until someone asks for them.
std::mutex g_aheadMutex;
std::map<QString, std::future<TableOpenedAhead>> g_ahead;
// The threads opening them; the program's end waits for them.
std::vector<std::future<void>> g_openers;

std::unique_ptr<TSqliteTable> TakeTableOpenedAhead(const QString &path)
{
    std::future<TableOpenedAhead> opening;
    {
        const std::lock_guard<std::mutex> lock(g_aheadMutex);
        const auto it = g_ahead.find(QDir::cleanPath(path));
        if (it == g_ahead.end())
            return nullptr;
        opening = std::move(it->second);
        g_ahead.erase(it);
    }
    TableOpenedAhead ahead = opening.get();
    if (!ahead.Table || !(FileState::Of(path) == ahead.State))
        return nullptr;
    return std::move(ahead.Table);
}

} // namespace

// A prepared statement from the table's cache, reset and unbound when it goes out of scope.
class TSqliteTable::Statement
{
public:
    Statement(const TSqliteTable *owner, sqlite3_stmt *statement) : m_owner(owner), m_statement(statement) {}
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;
    ~Statement()
    {
        sqlite3_reset(m_statement);
        sqlite3_clear_bindings(m_statement);
    }

    void Bind(int position, const QVariant &value)
    {
        int rc = SQLITE_OK;
        if (value.isNull()) {
            rc = sqlite3_bind_null(m_statement, position);
        } else {
            switch (value.typeId()) {
            case QMetaType::Int:
            case QMetaType::LongLong:
            case QMetaType::UInt:
            case QMetaType::Bool:
                rc = sqlite3_bind_int64(m_statement, position, value.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float:
                rc = sqlite3_bind_double(m_statement, position, value.toDouble());
                break;
            case QMetaType::QDate: {
                const QByteArray text = value.toDate().toString(Qt::ISODate).toUtf8();
                rc = sqlite3_bind_text(m_statement, position, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                break;
            }
            default: {
                const QByteArray text = value.toString().toUtf8();
                rc = sqlite3_bind_text(m_statement, position, text.constData(), int(text.size()), SQLITE_TRANSIENT);
                break;
            }
            }
        }
        if (rc != SQLITE_OK)
            m_owner->Fail(QStringLiteral("binding a value"));
    }

    void BindAll(const QVariantList &values, int first = 1)
    {
        for (int i = 0; i < values.size(); ++i)
            Bind(first + i, values.at(i));
    }

    // True while there is a row.
    bool Step()
    {
        const int rc = sqlite3_step(m_statement);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            m_owner->Fail(QStringLiteral("reading or writing"));
        return false;
    }

    sqlite3_stmt *Handle() const { return m_statement; }

private:
    const TSqliteTable *m_owner;
    sqlite3_stmt *m_statement;
};

TSqliteConnection::TSqliteConnection(QString folder) : m_folder(std::move(folder)) {}

QString TSqliteConnection::FilePath(const QString &tableName) const
{
    return QFileInfo(tableName).isAbsolute() ? tableName : QDir(m_folder).filePath(tableName);
}

bool TSqliteConnection::TableExists(const QString &tableName) const
{
    const QString path = FilePath(tableName);
    return QFileInfo::exists(path) && !HoldsNothing(path);
}

std::unique_ptr<TStoreTableCursor> TSqliteConnection::OpenTable(const QString &tableName)
{
    const QString path = FilePath(tableName);
    if (!QFileInfo(path).dir().exists())
        throw EDatabaseError(QStringLiteral("Cannot open table '%1': the folder '%2' does not exist")
                                 .arg(path, QFileInfo(path).absolutePath()));
    if (!QFileInfo::exists(path))
        throw EDatabaseError(QStringLiteral("Table '%1' does not exist").arg(path));
    if (std::unique_ptr<TSqliteTable> ready = TakeTableOpenedAhead(path))
        return ready;
    return std::make_unique<TSqliteTable>(path, SqlTableName(tableName));
}

bool TSqliteConnection::HoldsNothing(const QString &filePath)
{
    const QFileInfo info(filePath);
    if (!info.isFile())
        return false;
    if (info.size() == 0)
        return true;
    sqlite3 *db = nullptr;
    const QByteArray file = QFile::encodeName(filePath);
    bool empty = false;
    // Read-write where it can be, so that what a killed write left behind is rolled back
    // first, as any reader of the file does.
    const bool writable = ::access(QFile::encodeName(info.absolutePath()).constData(), W_OK) == 0;
    if (sqlite3_open_v2(file.constData(), &db, writable ? SQLITE_OPEN_READWRITE : SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_busy_timeout(db, kBusyTimeoutMs);
        QString error;
        const QString objects = QueryText(db, "SELECT COUNT(*) FROM sqlite_master", &error);
        empty = error.isEmpty() && objects == QLatin1String("0");
    }
    sqlite3_close(db);
    return empty;
}

void TSqliteConnection::CreateTable(const QString &tableName, const QList<TFieldInfo> &fields)
{
    CreateTable(tableName, fields, {});
}

void TSqliteConnection::CreateTable(const QString &tableName, const QList<TFieldInfo> &fields, const QList<QVariantList> &records)
{
    const QString path = FilePath(tableName);
    const QFileInfo info(path);
    if (info.isSymLink() && !info.exists())
        throw EDatabaseError(QStringLiteral("Cannot create table '%1': it is a link to '%2', which does not exist")
                                 .arg(path, info.symLinkTarget()));
    if (!info.dir().exists())
        throw EDatabaseError(QStringLiteral("Cannot create table '%1': the folder '%2' does not exist")
                                 .arg(path, info.absolutePath()));

    // The file is made exclusively, never replaced: of two programs making the same table at the
    // same moment one makes the file, and both then make the table in it under SQLite's write lock,
    // where the second finds it made. A file that holds nothing at all (a start killed before
    // its table was made) is taken as it is. Nothing is ever removed here: a file left empty by
    // a failure is taken by the next attempt.
    const QByteArray file = QFile::encodeName(path);
    const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
        const int folder = ::open(QFile::encodeName(info.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (folder >= 0) {
            ::fsync(folder);
            ::close(folder);
        }
    } else if (errno != EEXIST) {
        throw EDatabaseError(QStringLiteral("Cannot create table '%1': %2").arg(path, QString::fromLocal8Bit(std::strerror(errno))));
    } else if (!HoldsNothing(path)) {
        throw EDatabaseError(QStringLiteral("Cannot create table '%1': the file exists already").arg(path));
    }

    QStringList columns;
    for (const TFieldInfo &field : fields)
        columns << QuoteIdentifier(field.Name) + QLatin1Char(' ') + DeclaredType(field);
    const QString create = QStringLiteral("CREATE TABLE %1 (%2)").arg(QuoteIdentifier(SqlTableName(tableName)), columns.join(QStringLiteral(", ")));

    sqlite3 *db = nullptr;
    // No SQLITE_OPEN_CREATE: the file is the one made or found above.
    if (sqlite3_open_v2(file.constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw EDatabaseError(QStringLiteral("Cannot create table '%1': %2").arg(path, message));
    }
    sqlite3_busy_timeout(db, kBusyTimeoutMs);
    auto fail = [&](const QString &message) {
        if (!sqlite3_get_autocommit(db))
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        throw EDatabaseError(QStringLiteral("Cannot create table '%1': %2").arg(path, message));
    };
    if (sqlite3_db_readonly(db, "main") == 1)
        fail(QStringLiteral("the file cannot be written to"));
    try {
        PrepareDurableWrites(db, path);
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    if (sqlite3_exec(db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(db)));
    QString error;
    const QString objects = QueryText(db, "SELECT COUNT(*) FROM sqlite_master", &error);
    if (!error.isEmpty())
        fail(error);
    if (objects != QLatin1String("0"))
        fail(QStringLiteral("the file exists already"));
    char *message = nullptr;
    if (sqlite3_exec(db, create.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_free(message);
        fail(text);
    }
    // The first records are part of the new table: a table is never found without them.
    for (const QVariantList &record : records) {
        QStringList names, marks;
        for (int i = 0; i < record.size() && i < fields.size(); ++i) {
            names << QuoteIdentifier(fields[i].Name);
            marks << QStringLiteral("?");
        }
        const QByteArray insert = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                      .arg(QuoteIdentifier(SqlTableName(tableName)), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")))
                                      .toUtf8();
        sqlite3_stmt *statement = nullptr;
        int rc = sqlite3_prepare_v2(db, insert.constData(), -1, &statement, nullptr);
        for (int i = 0; rc == SQLITE_OK && i < names.size(); ++i) {
            const QVariant &value = record.at(i);
            if (value.isNull())
                rc = sqlite3_bind_null(statement, i + 1);
            else if (value.typeId() == QMetaType::Double)
                rc = sqlite3_bind_double(statement, i + 1, value.toDouble());
            else if (value.typeId() == QMetaType::QString)
                rc = sqlite3_bind_text(statement, i + 1, value.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
            else
                rc = sqlite3_bind_int64(statement, i + 1, value.toLongLong());
        }
        if (rc == SQLITE_OK)
            rc = sqlite3_step(statement) == SQLITE_DONE ? SQLITE_OK : SQLITE_ERROR;
        sqlite3_finalize(statement);
        if (rc != SQLITE_OK)
            fail(QString::fromUtf8(sqlite3_errmsg(db)));
    }
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, &message) != SQLITE_OK) {
        const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(sqlite3_errmsg(db));
        sqlite3_free(message);
        fail(text);
    }
    sqlite3_close(db);
}

TSqliteTable::TSqliteTable(const QString &filePath, const QString &sqlName)
    : m_filePath(filePath), m_sqlName(sqlName)
{
    QByteArray file = QFile::encodeName(filePath);
    const QString folder = QFileInfo(filePath).absolutePath();
    const bool folderWritable = ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
    const int folderError = errno;
    // No SQLITE_OPEN_CREATE: a missing file is never made here.
    int flags = SQLITE_OPEN_READWRITE;
    if (!folderWritable) {
        // Nothing can be written beside the file, so it is only read. A file on the log can be
        // read without the log's shared index only as a file nobody changes, which a folder that
        // cannot be written to guarantees.
        flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI;
        if (!QFileInfo::exists(filePath + QStringLiteral("-shm")))
            file = "file:" + QUrl::toPercentEncoding(QFileInfo(filePath).absoluteFilePath(), "/") + "?immutable=1";
    }
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(file.constData(), &db, flags, nullptr) != SQLITE_OK) {
        const QString message = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("out of memory");
        sqlite3_close(db);
        throw EDatabaseError(QStringLiteral("Cannot open table '%1': %2").arg(filePath, message));
    }
    m_handle.reset(db, sqlite3_close);
    m_db = db;
    sqlite3_extended_result_codes(m_db, 1);
    sqlite3_busy_timeout(m_db, kBusyTimeoutMs);
    ReadStructure(); // reads only: a foreign file is left exactly as it was
    // Nothing is written here: the file is switched to the log when it is first written to.
    m_readOnly = sqlite3_db_readonly(m_db, "main") == 1;
    if (!folderWritable)
        m_readOnlyReason = QStringLiteral("its folder '%1' cannot be written to (%2)").arg(folder, QString::fromLocal8Bit(std::strerror(folderError)));
    else if (m_readOnly)
        m_readOnlyReason = QStringLiteral("the file is write-protected");
    FinishOpening();
}

TSqliteTable::TSqliteTable(std::shared_ptr<sqlite3> handle, const QString &filePath, const QString &sqlName)
    : m_filePath(filePath), m_sqlName(sqlName), m_handle(std::move(handle)), m_db(m_handle.get())
{
    ReadStructure();
    m_readOnly = sqlite3_db_readonly(m_db, "main") == 1;
    if (m_readOnly)
        m_readOnlyReason = QStringLiteral("the file or its folder is write-protected");
    FinishOpening();
}

void TSqliteTable::FinishOpening()
{
    QStringList columns{QStringLiteral("rowid")};
    for (const TFieldInfo &field : std::as_const(m_fields))
        columns << QuoteIdentifier(field.Name);
    m_columns = columns.join(QStringLiteral(", "));
}

void TSqliteTable::PrepareWriting()
{
    if (m_writing)
        return;
    if (m_readOnly)
        throw EDatabaseError(QStringLiteral("Table '%1' cannot be changed: %2").arg(m_filePath, m_readOnlyReason));
    PrepareDurableWrites(m_db, m_filePath);
    m_writing = true;
}

TSqliteTable::~TSqliteTable()
{
    // The statements go before the handle they were prepared on can close.
    for (sqlite3_stmt *statement : std::as_const(m_statements))
        sqlite3_finalize(statement);
}

std::unique_ptr<TStoreTableCursor> TSqliteTable::OpenCompanion(const QString &tableName)
{
    return std::unique_ptr<TStoreTableCursor>(new TSqliteTable(m_handle, m_filePath, tableName));
}

void TSqliteTable::Fail(const QString &what) const
{
    throw EDatabaseError(QStringLiteral("Table '%1': error while %2: %3")
                             .arg(m_filePath, what, QString::fromUtf8(sqlite3_errmsg(m_db))));
}

void TSqliteTable::CannotRead(int code, const QString &message) const
{
    code &= 0xFF;
    if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        throw EDatabaseError(QStringLiteral("Cannot open table '%1': the file is not a table file (%2)").arg(m_filePath, message));
    // The file may well be sound: the folder or the disk refused what reading it needs.
    throw EDatabaseError(QStringLiteral("Cannot open table '%1': %2").arg(m_filePath, message));
}

void TSqliteTable::ReadStructure()
{
    sqlite3_stmt *raw = nullptr;
    const char *lookup = "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?1 COLLATE NOCASE";
    if (sqlite3_prepare_v2(m_db, lookup, -1, &raw, nullptr) != SQLITE_OK)
        CannotRead(sqlite3_errcode(m_db), QString::fromUtf8(sqlite3_errmsg(m_db)));
    const QByteArray name = m_sqlName.toUtf8();
    sqlite3_bind_text(raw, 1, name.constData(), int(name.size()), SQLITE_TRANSIENT);
    const int rc = sqlite3_step(raw);
    const QString createSql = rc == SQLITE_ROW ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(raw, 0))) : QString();
    const QString message = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_finalize(raw);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        CannotRead(rc, message);
    if (rc == SQLITE_DONE)
        throw EDatabaseError(QStringLiteral("Cannot open table '%1': the file holds no table '%2'").arg(m_filePath, m_sqlName));
    if (createSql.contains(QLatin1String("WITHOUT ROWID"), Qt::CaseInsensitive))
        throw EDatabaseError(QStringLiteral("Cannot open table '%1': tables without row identity are not supported").arg(m_filePath));
    const bool autoIncrement = createSql.contains(QLatin1String("AUTOINCREMENT"), Qt::CaseInsensitive);

    const QString pragma = QStringLiteral("PRAGMA table_info(%1)").arg(QuoteIdentifier(m_sqlName));
    if (sqlite3_prepare_v2(m_db, pragma.toUtf8().constData(), -1, &raw, nullptr) != SQLITE_OK)
        throw EDatabaseError(QStringLiteral("Cannot open table '%1': %2").arg(m_filePath, QString::fromUtf8(sqlite3_errmsg(m_db))));
    int primaryKeys = 0;
    int integerKey = -1;
    while (sqlite3_step(raw) == SQLITE_ROW) {
        TFieldInfo field;
        field.Name = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(raw, 1)));
        const QString declared = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(raw, 2)));
        field.Type = TypeFromDeclaration(declared, field.Size);
        field.Required = sqlite3_column_int(raw, 3) != 0;
        if (sqlite3_column_int(raw, 5) > 0) {
            ++primaryKeys;
            if (declared.trimmed().compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0)
                integerKey = int(m_fields.size());
        }
        m_fields.append(field);
    }
    sqlite3_finalize(raw);
    if (primaryKeys == 1 && integerKey >= 0) {
        // An INTEGER PRIMARY KEY is the row identity itself.
        m_identityField = integerKey;
        if (autoIncrement)
            m_fields[integerKey].Type = ftAutoInc;
    }
}

TSqliteTable::Statement TSqliteTable::Prepare(const QString &sql)
{
    sqlite3_stmt *statement = m_statements.value(sql);
    if (!statement) {
        const QByteArray utf8 = sql.toUtf8();
        if (sqlite3_prepare_v3(m_db, utf8.constData(), int(utf8.size()), SQLITE_PREPARE_PERSISTENT, &statement, nullptr) != SQLITE_OK)
            Fail(QStringLiteral("preparing a statement"));
        m_statements.insert(sql, statement);
    }
    return Statement(this, statement);
}

QVariant TSqliteTable::ReadValue(sqlite3_stmt *statement, int column, TFieldType type) const
{
    const int kind = sqlite3_column_type(statement, column);
    if (kind == SQLITE_NULL)
        return QVariant();
    switch (type) {
    case ftInteger:
    case ftAutoInc:
        return kind == SQLITE_FLOAT ? qint64(std::llround(sqlite3_column_double(statement, column)))
                                    : qint64(sqlite3_column_int64(statement, column));
    case ftFloat:
        return sqlite3_column_double(statement, column);
    case ftDate: {
        const char *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
        const QDate date = ParseIsoDate(text, sqlite3_column_bytes(statement, column));
        return date.isValid() ? QVariant(date) : QVariant();
    }
    case ftString:
    case ftUnknown:
        break;
    }
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

TRecordData TSqliteTable::ReadRow(sqlite3_stmt *statement) const
{
    TRecordData row;
    row.Id = sqlite3_column_int64(statement, 0);
    row.Values.resize(m_fields.size());
    for (int i = 0; i < m_fields.size(); ++i)
        row.Values[i] = ReadValue(statement, i + 1, m_fields[i].Type);
    return row;
}

void TSqliteTable::FetchSegment(const TFetchRequest &request, const QString &where, const QString &order,
                                const QVariantList &params, int limit, QList<TRecordData> &rows)
{
    if (limit <= 0)
        return;
    const TSqlCondition &filter = request.Filter;
    const bool keysOnly = request.KeysOnly && request.OrderField >= 0 && request.OrderField < m_fields.size();
    QString columns = m_columns;
    if (request.KeysOnly)
        columns = keysOnly ? QStringLiteral("rowid, ") + QuoteIdentifier(m_fields[request.OrderField].Name) : QStringLiteral("rowid");
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(columns, QuoteIdentifier(m_sqlName));
    if (!where.isEmpty() || !filter.IsEmpty()) {
        sql += QStringLiteral(" WHERE ");
        if (!where.isEmpty())
            sql += where;
        if (!where.isEmpty() && !filter.IsEmpty())
            sql += QStringLiteral(" AND ");
        if (!filter.IsEmpty())
            sql += QLatin1Char('(') + filter.Sql + QLatin1Char(')');
    }
    sql += QStringLiteral(" ORDER BY ") + order + QStringLiteral(" LIMIT ?");
    Statement statement = Prepare(sql);
    statement.BindAll(params);
    statement.BindAll(filter.Params, int(params.size()) + 1);
    statement.Bind(int(params.size() + filter.Params.size()) + 1, limit);
    while (statement.Step()) {
        if (!request.KeysOnly) {
            rows.append(ReadRow(statement.Handle()));
            continue;
        }
        TRecordData keys;
        keys.Id = sqlite3_column_int64(statement.Handle(), 0);
        if (keysOnly) {
            keys.Values.resize(m_fields.size());
            keys.Values[request.OrderField] = ReadValue(statement.Handle(), 1, m_fields[request.OrderField].Type);
        }
        rows.append(keys);
    }
}

QList<TRecordData> TSqliteTable::Fetch(const TFetchRequest &request)
{
    QList<TRecordData> rows;
    const bool primary = request.OrderField < 0 || request.OrderField == m_identityField || request.OrderField >= m_fields.size();
    const QString asc = request.Forward ? QStringLiteral(" ASC") : QStringLiteral(" DESC");
    const QString beyond = request.Forward ? QStringLiteral(">") : QStringLiteral("<");

    if (primary) {
        if (request.HasAnchor)
            FetchSegment(request, QStringLiteral("rowid %1 ?").arg(beyond), QStringLiteral("rowid") + asc, {request.AnchorId},
                         request.Count, rows);
        else
            FetchSegment(request, QString(), QStringLiteral("rowid") + asc, {}, request.Count, rows);
        return rows;
    }

    // A secondary order runs by (field, rowid), nulls first. Each segment is a plain index range,
    // so every step costs the same however far into the table the anchor lies.
    const QString column = QuoteIdentifier(m_fields[request.OrderField].Name);
    const QString order = column + asc + QStringLiteral(", rowid") + asc;
    const QString sameValueOrder = QStringLiteral("rowid") + asc;
    auto remaining = [&] { return request.Count - int(rows.size()); };

    if (!request.HasAnchor) {
        FetchSegment(request, QString(), order, {}, request.Count, rows);
        return rows;
    }
    const QVariant &value = request.AnchorValue;
    if (request.Forward) {
        if (value.isNull()) {
            FetchSegment(request, QStringLiteral("%1 IS NULL AND rowid > ?").arg(column), sameValueOrder, {request.AnchorId}, remaining(), rows);
            FetchSegment(request, QStringLiteral("%1 IS NOT NULL").arg(column), order, {}, remaining(), rows);
        } else {
            FetchSegment(request, QStringLiteral("%1 = ? AND rowid > ?").arg(column), sameValueOrder, {value, request.AnchorId}, remaining(), rows);
            FetchSegment(request, QStringLiteral("%1 > ?").arg(column), order, {value}, remaining(), rows);
        }
    } else {
        if (value.isNull()) {
            FetchSegment(request, QStringLiteral("%1 IS NULL AND rowid < ?").arg(column), sameValueOrder, {request.AnchorId}, remaining(), rows);
        } else {
            FetchSegment(request, QStringLiteral("%1 = ? AND rowid < ?").arg(column), sameValueOrder, {value, request.AnchorId}, remaining(), rows);
            FetchSegment(request, QStringLiteral("%1 < ?").arg(column), order, {value}, remaining(), rows);
            FetchSegment(request, QStringLiteral("%1 IS NULL").arg(column), sameValueOrder, {}, remaining(), rows);
        }
    }
    return rows;
}

std::optional<TRecordData> TSqliteTable::FetchById(qint64 id, const TSqlCondition &filter)
{
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?").arg(m_columns, QuoteIdentifier(m_sqlName));
    if (!filter.IsEmpty())
        sql += QStringLiteral(" AND (") + filter.Sql + QLatin1Char(')');
    Statement statement = Prepare(sql);
    statement.Bind(1, id);
    statement.BindAll(filter.Params, 2);
    if (!statement.Step())
        return std::nullopt;
    return ReadRow(statement.Handle());
}

std::optional<TRecordData> TSqliteTable::FindFirst(int field, const QVariant &value, const TSqlCondition &filter)
{
    const bool identity = field == m_identityField;
    const QString column = identity ? QStringLiteral("rowid") : QuoteIdentifier(m_fields.at(field).Name);
    QString sql = QStringLiteral("SELECT %1 FROM %2 WHERE %3 = ?").arg(m_columns, QuoteIdentifier(m_sqlName), column);
    if (!filter.IsEmpty())
        sql += QStringLiteral(" AND (") + filter.Sql + QLatin1Char(')');
    sql += identity ? QStringLiteral(" LIMIT 1") : QStringLiteral(" ORDER BY %1, rowid LIMIT 1").arg(column);
    Statement statement = Prepare(sql);
    statement.Bind(1, value);
    statement.BindAll(filter.Params, 2);
    if (!statement.Step())
        return std::nullopt;
    return ReadRow(statement.Handle());
}

qint64 TSqliteTable::Count(const TSqlCondition &filter)
{
    QString sql = QStringLiteral("SELECT COUNT(*) FROM %1").arg(QuoteIdentifier(m_sqlName));
    if (!filter.IsEmpty())
        sql += QStringLiteral(" WHERE ") + filter.Sql;
    Statement statement = Prepare(sql);
    statement.BindAll(filter.Params);
    return statement.Step() ? sqlite3_column_int64(statement.Handle(), 0) : 0;
}

qint64 TSqliteTable::CountWhere(const QString &where, const QVariantList &params, const TSqlCondition &filter)
{
    QString sql = QStringLiteral("SELECT COUNT(*) FROM ") + QuoteIdentifier(m_sqlName) + QStringLiteral(" WHERE ") + where;
    if (!filter.IsEmpty())
        sql += QStringLiteral(" AND (") + filter.Sql + QLatin1Char(')');
    Statement statement = Prepare(sql);
    statement.BindAll(params);
    statement.BindAll(filter.Params, int(params.size()) + 1);
    return statement.Step() ? sqlite3_column_int64(statement.Handle(), 0) : 0;
}

qint64 TSqliteTable::CountBefore(const TFetchRequest &request)
{
    if (!request.HasAnchor)
        return 0;
    const bool primary = request.OrderField < 0 || request.OrderField == m_identityField || request.OrderField >= m_fields.size();
    if (primary)
        return CountWhere(QStringLiteral("rowid < ?"), {request.AnchorId}, request.Filter);
    // The secondary order runs by (field, rowid) with the empty values first; each part is one
    // range of the field's order.
    const QString column = QuoteIdentifier(m_fields[request.OrderField].Name);
    const QVariant &value = request.AnchorValue;
    if (value.isNull())
        return CountWhere(column + QStringLiteral(" IS NULL AND rowid < ?"), {request.AnchorId}, request.Filter);
    return CountWhere(column + QStringLiteral(" IS NULL"), {}, request.Filter)
         + CountWhere(column + QStringLiteral(" < ?"), {value}, request.Filter)
         + CountWhere(column + QStringLiteral(" = ? AND rowid < ?"), {value, request.AnchorId}, request.Filter);
}

std::optional<qint64> TSqliteTable::IdentityAt(int orderField, qint64 place, const TSqlCondition &filter)
{
    if (place < 0)
        return std::nullopt;
    const bool primary = orderField < 0 || orderField == m_identityField || orderField >= m_fields.size();
    QString sql = QStringLiteral("SELECT rowid FROM ") + QuoteIdentifier(m_sqlName);
    if (!filter.IsEmpty())
        sql += QStringLiteral(" WHERE (") + filter.Sql + QLatin1Char(')');
    sql += primary ? QStringLiteral(" ORDER BY rowid")
                   : QStringLiteral(" ORDER BY ") + QuoteIdentifier(m_fields[orderField].Name) + QStringLiteral(", rowid");
    sql += QStringLiteral(" LIMIT 1 OFFSET ?");
    Statement statement = Prepare(sql);
    statement.BindAll(filter.Params);
    statement.Bind(int(filter.Params.size()) + 1, place);
    if (!statement.Step())
        return std::nullopt;
    return sqlite3_column_int64(statement.Handle(), 0);
}

qint64 TSqliteTable::Insert(const QVector<QVariant> &values, const QVector<bool> &assigned)
{
    QStringList names, marks;
    QVariantList params;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (!assigned.value(i))
            continue;
        names << QuoteIdentifier(m_fields[i].Name);
        marks << QStringLiteral("?");
        params << values.value(i);
    }
    const QString sql = names.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(QuoteIdentifier(m_sqlName))
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)").arg(QuoteIdentifier(m_sqlName), names.join(QStringLiteral(", ")), marks.join(QStringLiteral(", ")));
    PrepareWriting();
    // A record number beyond what a whole-number field holds would be stored and then be out of
    // every command's reach: the insert is undone before it is committed.
    Execute("SAVEPOINT new_record", QStringLiteral("starting a write"));
    qint64 id = 0;
    try {
        Statement statement = Prepare(sql);
        statement.BindAll(params);
        statement.Step();
        id = sqlite3_last_insert_rowid(m_db);
        if (m_identityField >= 0 && id > INT_MAX)
            throw EDatabaseError(QStringLiteral("Table '%1' is full: record numbers end at %2").arg(m_filePath).arg(INT_MAX));
    } catch (...) {
        sqlite3_exec(m_db, "ROLLBACK TO new_record; RELEASE new_record", nullptr, nullptr, nullptr);
        throw;
    }
    Execute("RELEASE new_record", QStringLiteral("committing"));
    return id;
}

void TSqliteTable::Update(qint64 id, const QVector<QVariant> &values, const QVector<bool> &changed)
{
    QStringList assignments;
    QVariantList params;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (!changed.value(i))
            continue;
        assignments << QuoteIdentifier(m_fields[i].Name) + QStringLiteral(" = ?");
        params << values.value(i);
    }
    if (assignments.isEmpty())
        return;
    PrepareWriting();
    params << id;
    Statement statement = Prepare(QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?").arg(QuoteIdentifier(m_sqlName), assignments.join(QStringLiteral(", "))));
    statement.BindAll(params);
    statement.Step();
    if (sqlite3_changes(m_db) == 0)
        throw EDatabaseError(QStringLiteral("Record not found: it was deleted from '%1' meanwhile").arg(m_filePath));
}

void TSqliteTable::UpdateAsRead(qint64 id, const QVector<QVariant> &original, const QVector<QVariant> &values,
                                const QVector<bool> &changed)
{
    PrepareWriting();
    // The comparison and the change are one transaction, so nothing can come between them.
    const bool own = sqlite3_get_autocommit(m_db) != 0;
    if (own)
        Execute("BEGIN IMMEDIATE", QStringLiteral("starting a transaction"));
    try {
        const std::optional<TRecordData> stored = FetchById(id);
        if (!stored)
            throw EDatabaseError(QStringLiteral("Record not found: it was deleted from '%1' meanwhile").arg(m_filePath));
        if (stored->Values != original)
            throw EDatabaseError(ChangedElsewhereMessage(m_filePath));
        Update(id, values, changed);
        if (own)
            Execute("COMMIT", QStringLiteral("committing"));
    } catch (...) {
        if (own && !sqlite3_get_autocommit(m_db))
            sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

void TSqliteTable::Remove(qint64 id)
{
    PrepareWriting();
    Statement statement = Prepare(QStringLiteral("DELETE FROM %1 WHERE rowid = ?").arg(QuoteIdentifier(m_sqlName)));
    statement.Bind(1, id);
    statement.Step();
    if (sqlite3_changes(m_db) == 0)
        throw EDatabaseError(QStringLiteral("Record not found: it was deleted from '%1' meanwhile").arg(m_filePath));
}

qint64 TSqliteTable::DataVersion()
{
    Statement statement = Prepare(QStringLiteral("PRAGMA data_version"));
    return statement.Step() ? sqlite3_column_int64(statement.Handle(), 0) : 0;
}

void TSqliteTable::Execute(const char *sql, const QString &what)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        Fail(what);
}

void TSqliteTable::BeginTransaction()
{
    PrepareWriting();
    Execute("BEGIN IMMEDIATE", QStringLiteral("starting a transaction"));
}

void TSqliteTable::Commit()
{
    Execute("COMMIT", QStringLiteral("committing"));
}

void TSqliteTable::Rollback()
{
    if (!sqlite3_get_autocommit(m_db))
        Execute("ROLLBACK", QStringLiteral("rolling back"));
}

void OpenTablesAhead(const QStringList &filePaths)
{
    // One thread opens the files in turn: the point is to keep the caller's thread free, not to
    // crowd the other cores.
    std::vector<std::pair<QString, std::promise<TableOpenedAhead>>> jobs;
    const std::lock_guard<std::mutex> lock(g_aheadMutex);
    for (const QString &filePath : filePaths) {
        const QString path = QDir::cleanPath(filePath);
        if (g_ahead.count(path))
            continue;
        std::promise<TableOpenedAhead> promise;
        g_ahead[path] = promise.get_future();
        jobs.emplace_back(path, std::move(promise));
    }
    if (jobs.empty())
        return;
    g_openers.push_back(std::async(std::launch::async, [jobs = std::move(jobs)]() mutable {
        for (auto &[path, promise] : jobs) {
            TableOpenedAhead ahead;
            try {
                ahead.Table = std::make_unique<TSqliteTable>(path, SqlTableName(path));
                // The file as this open leaves it (a first open may switch it to the log).
                ahead.State = FileState::Of(path);
            } catch (const Exception &) {
                // Opened again when asked for, which reports it then.
            }
            promise.set_value(std::move(ahead));
        }
    }));
}

int TablesWaitingAhead()
{
    const std::lock_guard<std::mutex> lock(g_aheadMutex);
    return int(g_ahead.size());
}
