#include "CliCommands.h"

#include "BackupCommands.h"
#include "CopyCommand.h"
#include "Csv.h"
#include "EnterRound.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "StoreEngine.h"
#include "RoundCommands.h"
#include "TTable.h"
#include "TableCsv.h"
#include "CommandOptions_p.h"
#include "UsageError_p.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSaveFile>
#include <QScopeGuard>
#include <QSet>
#include <QTextStream>

#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <sys/stat.h>

namespace Cli {

namespace {

// The options of one command: "--name value" or "--name=value", and bare flags.
class Options
{
public:
    Options(const QStringList &arguments, const QStringList &valued, const QStringList &flags)
    {
        TParsedOptions parsed = ParseOptions(arguments, valued, flags);
        m_values = std::move(parsed.Values);
        m_flags = std::move(parsed.Flags);
    }

    bool Has(const QString &name) const { return m_values.contains(name) || m_flags.contains(name); }
    QString Value(const QString &name) const { return m_values.value(name); }
    QString Required(const QString &name) const
    {
        if (!m_values.contains(name))
            throw TUsageError(QStringLiteral("--%1 is required").arg(name));
        return m_values.value(name);
    }

private:
    QHash<QString, QString> m_values;
    QSet<QString> m_flags;
};

// CSV writes numbers with "." and dates as YYYY-MM-DD, whatever the user's locale.
QString CsvValue(const QVariant &value)
{
    if (value.isNull())
        return QString();
    switch (value.typeId()) {
    case QMetaType::Double: {
        char buffer[64];
        const auto result = std::to_chars(buffer, buffer + sizeof buffer, value.toDouble());
        return QString::fromLatin1(buffer, result.ptr - buffer);
    }
    case QMetaType::QDate:
        return value.toDate().toString(Qt::ISODate);
    case QMetaType::LongLong:
    case QMetaType::Int:
        return QString::number(value.toLongLong());
    default:
        return value.toString();
    }
}

QString TableFileName(const QString &name)
{
    const QString base = name.section(QLatin1Char('.'), 0, 0);
    for (const QString &table : Golf::TableNames())
        if (table.section(QLatin1Char('.'), 0, 0).compare(base, Qt::CaseInsensitive) == 0)
            return table;
    throw TUsageError(QStringLiteral("unknown table '%1' (hcap, golfmaster or refer)").arg(name));
}

// A data folder given by name must exist and hold the program's tables, so that a misspelt name
// is never taken for an empty folder. Only --init makes a missing folder; an existing one without
// tables is taken by --init or by a command that makes data.
void CheckDataFolder(const QString &folder, bool createsData, bool init)
{
    const QFileInfo info(folder);
    if (!info.exists()) {
        if (init)
            return;
        throw EDatabaseError(QStringLiteral("The data folder '%1' does not exist (--init makes it)").arg(folder));
    }
    if (!info.isDir())
        throw EDatabaseError(QStringLiteral("The data folder '%1' is not a folder").arg(folder));
    if (createsData || init)
        return;
    for (const QString &name : Golf::TableNames())
        if (QFileInfo::exists(QDir(folder).filePath(name)))
            return;
    throw EDatabaseError(QStringLiteral("The folder '%1' holds none of the tables %2 (--init makes them)")
                             .arg(folder, Golf::TableNames().join(QStringLiteral(", "))));
}

// The data folder a command line names, and what the command may do with it.
struct TDataFolder
{
    QString Path;             // a folder, or a server database's URL
    bool Given = false;       // named with --data-dir or --database (else the program's own)
    bool Server = false;      // Path is a server database's URL
    bool Init = false;        // --init: it may be made
    bool CreatesData = false; // the command makes data, so it may start a folder that exists

    operator const QString &() const { return Path; }
};

class Session
{
public:
    explicit Session(const TDataFolder &folder) : m_folder(folder.Path)
    {
        if (folder.Given && !folder.Server)
            CheckDataFolder(folder.Path, folder.CreatesData, folder.Init);
        Golf::PrepareDataFolder(folder.Path);
    }

    const QString &Folder() const { return m_folder; }

    std::unique_ptr<TTable> Open(const QString &tableName)
    {
        auto table = std::make_unique<TTable>();
        table->SetDatabaseName(m_folder);
        table->SetTableName(tableName);
        table->Open();
        return table;
    }

    // The table straight from the engine, for whole-table work and single writes that must be
    // checked before they are committed.
    std::unique_ptr<TStoreTableCursor> OpenCursor(const QString &tableName)
    {
        if (!m_connection)
            m_connection = MakeLocationConnection(m_folder);
        return m_connection->OpenTable(tableName);
    }

    // Opens the player table on the player with that ID.
    std::unique_ptr<TTable> OpenPlayer(const QString &idText)
    {
        auto players = Open(Golf::kPlayersTable);
        qint32 id = 0;
        if (!TryStrToInt(idText, id) || !players->FindKey(QString::number(id)))
            throw EDatabaseError(QStringLiteral("Player '%1' not found").arg(idText));
        return players;
    }

private:
    QString m_folder;
    std::unique_ptr<TStoreConnection> m_connection;
};

int FieldIndex(const QList<TFieldInfo> &fields, const QString &name)
{
    for (int i = 0; i < fields.size(); ++i)
        if (fields[i].Name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

// A text for a field as given, or a refusal naming it: nothing is cut to fit.
QString CheckedText(const QString &value, const QString &what, const TFieldInfo &field)
{
    if (field.Size > 0 && CharacterCount(value) > field.Size)
        throw EConvertError(QStringLiteral("The %1 %2 is longer than %3 characters").arg(what, Shown(value)).arg(field.Size));
    return value;
}

// Adds one record and commits it only when its new ID is one the program can show.
qint64 AddRecord(TStoreTableCursor &table, const QVector<QVariant> &values, const QVector<bool> &assigned, const QString &what)
{
    table.BeginTransaction();
    auto rollback = qScopeGuard([&table] {
        try {
            table.Rollback();
        } catch (const Exception &) {
            // The failure being reported is the one that matters; the transaction ends with the connection.
        }
    });
    const qint64 id = table.Insert(values, assigned);
    if (id > std::numeric_limits<qint32>::max())
        throw EDatabaseError(QStringLiteral("No %1 ID is left: the largest, %2, is taken").arg(what).arg(std::numeric_limits<qint32>::max()));
    table.Commit();
    rollback.dismiss();
    return id;
}

// The standard output as a device whose writes can be checked.
class StandardOutput : public QFile
{
public:
    explicit StandardOutput(QTextStream &out)
    {
        out.flush();
        std::fflush(stdout);
        if (!open(fileno(stdout), QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::DontCloseHandle))
            throw EConvertError(QStringLiteral("Cannot write the standard output: %1").arg(errorString()));
    }
};

void WriteCursor(TStoreTableCursor &table, const QStringList &fieldNames, QTextStream &out)
{
    QList<int> fields;
    for (const QString &name : fieldNames)
        fields << FieldIndex(table.Fields(), name);
    StandardOutput device(out);
    WriteTableCsv(table, fields, device, QStringLiteral("the standard output"));
}

QStringList AllFieldNames(const TStoreTableCursor &table)
{
    QStringList names;
    for (const TFieldInfo &field : table.Fields())
        names << field.Name;
    return names;
}

int AddPlayer(Session &session, const Options &options, QTextStream &out, QTextStream &)
{
    auto players = session.OpenCursor(Golf::kPlayersTable);
    const QList<TFieldInfo> fields = players->Fields();
    const int name = FieldIndex(fields, QStringLiteral("Descr"));
    QVector<QVariant> values(fields.size());
    QVector<bool> assigned(fields.size(), false);
    values[name] = CheckedText(options.Required(QStringLiteral("name")), QStringLiteral("name"), fields[name]);
    assigned[name] = true;
    if (options.Has(QStringLiteral("club"))) {
        auto clubs = session.OpenCursor(Golf::kClubsTable);
        const QString clubText = options.Value(QStringLiteral("club"));
        qint32 id = 0;
        if (!TryStrToInt(clubText, id) || !clubs->FindFirst(FieldIndex(clubs->Fields(), QStringLiteral("ID")), qint64(id), {}))
            throw EDatabaseError(QStringLiteral("Club '%1' not found").arg(clubText));
        const int club = FieldIndex(fields, QStringLiteral("Homeclub"));
        values[club] = qint64(id);
        assigned[club] = true;
    }
    out << AddRecord(*players, values, assigned, QStringLiteral("player")) << '\n';
    return kExitOk;
}

int AddClub(Session &session, const Options &options, QTextStream &out, QTextStream &)
{
    auto clubs = session.OpenCursor(Golf::kClubsTable);
    const QList<TFieldInfo> fields = clubs->Fields();
    QVector<QVariant> values(fields.size());
    QVector<bool> assigned(fields.size(), false);
    const QList<QPair<QString, QString>> texts{{QStringLiteral("name"), QStringLiteral("Descr")},
                                               {QStringLiteral("city"), QStringLiteral("City")},
                                               {QStringLiteral("contact"), QStringLiteral("Contact")},
                                               {QStringLiteral("telephone"), QStringLiteral("Telephone")},
                                               {QStringLiteral("fax"), QStringLiteral("Fax")},
                                               {QStringLiteral("email"), QStringLiteral("Email")}};
    options.Required(QStringLiteral("name"));
    for (const auto &[option, field] : texts) {
        if (!options.Has(option))
            continue;
        const int target = FieldIndex(fields, field);
        values[target] = CheckedText(options.Value(option), option, fields[target]);
        assigned[target] = true;
    }
    if (options.Has(QStringLiteral("rating"))) {
        // The rating is given with "." as a script writes it, whatever the user's locale.
        const QString rating = options.Value(QStringLiteral("rating"));
        double value = 0;
        if (!TryStrToFloat(rating, value, TFormatSettings()) || !std::isfinite(value))
            throw EConvertError(QStringLiteral("'%1' is not a valid floating point value for field 'RATING'").arg(rating));
        const int target = FieldIndex(fields, QStringLiteral("RATING"));
        values[target] = value;
        assigned[target] = true;
    }
    out << AddRecord(*clubs, values, assigned, QStringLiteral("club")) << '\n';
    return kExitOk;
}

int EnterRoundCommand(Session &session, const Options &options, QTextStream &out, QTextStream &err)
{
    const QString score = options.Required(QStringLiteral("score"));
    const QString rating = options.Required(QStringLiteral("rating"));
    TDateTime played = Today();
    if (options.Has(QStringLiteral("date"))) {
        const QString text = options.Value(QStringLiteral("date"));
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (!date.isValid() || text.size() != 10)
            throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(text));
        played = FromQDate(date);
        // The round's date travels as the user's date text, and the zero date stands for no
        // date at all: a date that does not come back the same would be stored changed.
        TDateTime back = 0;
        if (played == 0 || !TryStrToDate(DateToStr(played), back) || back != played)
            throw EConvertError(QStringLiteral("'%1' is a date that cannot be stored").arg(text));
    }
    auto players = session.OpenPlayer(options.Required(QStringLiteral("player")));
    const Golf::TEnterOutcome outcome = Golf::EnterRound(
        *players, {score, rating, DateToStr(played), options.Has(QStringLiteral("adjust"))});
    if (!outcome.Entered()) {
        err << outcome.Message() << '\n';
        return kExitFailure;
    }
    out << Golf::FormatHandicap(outcome.Handicap.Handicap) << '\n';
    return kExitOk;
}

int History(Session &session, const Options &options, QTextStream &out, QTextStream &)
{
    auto players = session.OpenPlayer(options.Required(QStringLiteral("player")));
    out << Csv::Record({QStringLiteral("Slot"), QStringLiteral("Score"), QStringLiteral("Rating"), QStringLiteral("Date")});
    for (int slot = 1; slot <= 12; ++slot) {
        const int score = players->FieldByName(QStringLiteral("S%1").arg(slot))->AsInteger();
        if (score == 0)
            continue; // an empty slot: no round was played into it
        const QVariant date = players->FieldByName(QStringLiteral("D%1").arg(slot))->Value();
        out << Csv::Record({QString::number(slot), QString::number(score),
                            QString::number(players->FieldByName(QStringLiteral("C%1").arg(slot))->AsInteger()),
                            CsvValue(date)});
    }
    return kExitOk;
}

// Whether two paths name one file (through a link, too), or would once the second is made.
bool SameFile(const QString &a, const QString &b)
{
    auto resolved = [](const QString &path) {
        const QFileInfo info(path);
        if (info.exists())
            return info.canonicalFilePath();
        const QString folder = info.absoluteDir().canonicalPath();
        return folder.isEmpty() ? info.absoluteFilePath() : QDir(folder).filePath(info.fileName());
    };
    if (resolved(a) == resolved(b))
        return true;
    struct stat first {}, second {};
    return ::stat(QFile::encodeName(a).constData(), &first) == 0 && ::stat(QFile::encodeName(b).constData(), &second) == 0
        && first.st_dev == second.st_dev && first.st_ino == second.st_ino;
}

// An export never lands on the program's own files.
void RefuseTableFile(const QString &folder, const QString &path)
{
    for (const QString &table : Golf::TableNames())
        for (const char *companion : {"", "-wal", "-shm", "-journal"}) {
            const QString file = QDir(folder).filePath(table + QLatin1String(companion));
            if (SameFile(path, file))
                throw EConvertError(QStringLiteral("Cannot write '%1': it is the table file '%2' of the data folder").arg(path, file));
        }
}

int Export(Session &session, const Options &options, QTextStream &out, QTextStream &)
{
    auto table = session.OpenCursor(TableFileName(options.Required(QStringLiteral("table"))));
    if (!options.Has(QStringLiteral("out"))) {
        WriteCursor(*table, AllFieldNames(*table), out);
        return kExitOk;
    }
    const QString path = options.Value(QStringLiteral("out"));
    RefuseTableFile(session.Folder(), path);
    // A device or a pipe cannot be replaced by a finished file.
    if (QFileInfo::exists(path) && !QFileInfo(path).isFile())
        throw EConvertError(QStringLiteral("Cannot write '%1': it is not a plain file (without --out the table goes to the standard output)").arg(path));
    // The old file stays in place until the new one is whole on disk.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw EConvertError(QStringLiteral("Cannot write '%1': %2").arg(path, file.errorString()));
    QList<int> fields;
    for (int i = 0; i < table->Fields().size(); ++i)
        fields << i;
    WriteTableCsv(*table, fields, file, QStringLiteral("'%1'").arg(path));
    if (!file.commit())
        throw EConvertError(QStringLiteral("Cannot write '%1': %2").arg(path, file.errorString()));
    return kExitOk;
}

int Import(Session &session, const Options &options, QTextStream &, QTextStream &)
{
    const QString tableName = TableFileName(options.Required(QStringLiteral("table")));
    QFile input;
    QString source;
    if (options.Has(QStringLiteral("in"))) {
        const QString path = options.Value(QStringLiteral("in"));
        source = QStringLiteral("'%1': ").arg(path);
        input.setFileName(path);
        if (QFileInfo(path).isDir())
            throw EConvertError(QStringLiteral("Cannot read '%1': it is a folder").arg(path));
        if (!input.open(QIODevice::ReadOnly))
            throw EConvertError(QStringLiteral("Cannot read '%1': %2").arg(path, input.errorString()));
    } else if (!input.open(stdin, QIODevice::ReadOnly)) {
        throw EConvertError(QStringLiteral("Cannot read the standard input"));
    }
    auto table = session.OpenCursor(tableName);
    if (table->IsReadOnly())
        throw EDatabaseError(QStringLiteral("Cannot import into '%1': the table file is read-only").arg(tableName));
    Csv::TReader reader(input);
    try {
        ImportTableCsv(*table, reader, tableName == Golf::kSettingsTable ? TImportMode::ReplaceTheOneRecord : TImportMode::Add);
    } catch (const Exception &error) {
        throw EConvertError(source + error.Message());
    }
    return kExitOk;
}

int Players(Session &session, const Options &, QTextStream &out, QTextStream &)
{
    auto players = session.OpenCursor(Golf::kPlayersTable);
    WriteCursor(*players, {QStringLiteral("ID"), QStringLiteral("Descr"), QStringLiteral("Homeclub"),
                           QStringLiteral("CalChcap"), QStringLiteral("Hcap")}, out);
    return kExitOk;
}

int Clubs(Session &session, const Options &, QTextStream &out, QTextStream &)
{
    auto clubs = session.OpenCursor(Golf::kClubsTable);
    WriteCursor(*clubs, AllFieldNames(*clubs), out);
    return kExitOk;
}

struct TCommand;

// One command line on its way to its command.
struct TCall
{
    const TCommand &Command;
    const QStringList &Arguments;
    const TDataFolder &Folder;
    QTextStream &Out;
    QTextStream &Err;
};

struct TCommand
{
    QString Name;
    QStringList Valued; // options that take a value, in the order a missing one is reported
    QStringList Flags;  // options without a value
    bool CreatesData;   // it may start a data folder that exists without tables
    int (*Run)(const TCall &call);
};

// The options are read before the data folder is looked at: a wrong command line is told as such.
template <int (*Command)(Session &, const Options &, QTextStream &, QTextStream &)>
int InSession(const TCall &call)
{
    const Options options(call.Arguments, call.Command.Valued, call.Command.Flags);
    Session session(call.Folder);
    return Command(session, options, call.Out, call.Err);
}

// The backup commands look at the data folder themselves: they never make one.
template <int (*Command)(const QStringList &, const QStringList &, const QString &, QTextStream &)>
int OnFolder(const TCall &call)
{
    if (call.Folder.Server)
        throw EDatabaseError(QStringLiteral("'%1' works on a data folder; a server database is backed up and checked with the "
                                            "server's own tools (pg_dump, pg_restore)").arg(call.Command.Name));
    return Command(call.Arguments, call.Command.Valued, call.Folder, call.Out);
}

// The archive's commands open the archive themselves, in a data folder checked before their options.
void CheckGivenFolder(const TCall &call)
{
    if (call.Folder.Given && !call.Folder.Server)
        CheckDataFolder(call.Folder.Path, call.Folder.CreatesData, call.Folder.Init);
}

int AddRoundInFolder(const TCall &call)
{
    CheckGivenFolder(call);
    return AddRoundCommand(call.Arguments, call.Command.Valued, call.Folder, call.Out);
}

int IndexInFolder(const TCall &call)
{
    CheckGivenFolder(call);
    return IndexCommand(call.Arguments, call.Command.Valued, call.Folder, call.Out);
}

int RoundsInFolder(const TCall &call)
{
    CheckGivenFolder(call);
    return RoundsCommand(call.Arguments, call.Command.Valued, call.Folder, call.Out, call.Err);
}

// The copy names both of its ends itself: no data folder is looked at, made or backed up for it.
int CopyBetweenLocations(const TCall &call)
{
    if (call.Folder.Given)
        throw TUsageError(QStringLiteral("copy names both ends with --from and --to; --data-dir and --database do not apply to it"));
    return CopyCommand(call.Arguments, call.Command.Valued, call.Command.Flags, call.Out, call.Err);
}

const QList<TCommand> &Commands()
{
    static const QList<TCommand> commands{
        {QStringLiteral("backup"), {QStringLiteral("to")}, {}, false, &OnFolder<&Backup>},
        {QStringLiteral("backups"), {}, {}, false, &OnFolder<&Backups>},
        {QStringLiteral("restore"), {QStringLiteral("from")}, {}, false, &OnFolder<&Restore>},
        {QStringLiteral("check"), {}, {}, false, &OnFolder<&Check>},
        {QStringLiteral("players"), {}, {}, false, &InSession<&Players>},
        {QStringLiteral("clubs"), {}, {}, false, &InSession<&Clubs>},
        {QStringLiteral("add-player"), {QStringLiteral("name"), QStringLiteral("club")}, {}, true, &InSession<&AddPlayer>},
        {QStringLiteral("add-club"),
         {QStringLiteral("name"), QStringLiteral("rating"), QStringLiteral("city"), QStringLiteral("contact"),
          QStringLiteral("telephone"), QStringLiteral("fax"), QStringLiteral("email")},
         {},
         true,
         &InSession<&AddClub>},
        {QStringLiteral("enter-round"),
         {QStringLiteral("player"), QStringLiteral("score"), QStringLiteral("rating"), QStringLiteral("date")},
         {QStringLiteral("adjust")},
         false,
         &InSession<&EnterRoundCommand>},
        {QStringLiteral("history"), {QStringLiteral("player")}, {}, false, &InSession<&History>},
        {QStringLiteral("export"), {QStringLiteral("table"), QStringLiteral("out")}, {}, false, &InSession<&Export>},
        {QStringLiteral("import"), {QStringLiteral("table"), QStringLiteral("in")}, {}, true, &InSession<&Import>},
        {QStringLiteral("add-round"),
         {QStringLiteral("player"), QStringLiteral("date"), QStringLiteral("score"), QStringLiteral("rating"),
          QStringLiteral("slope"), QStringLiteral("pcc")},
         {},
         false,
         &AddRoundInFolder},
        {QStringLiteral("index"), {QStringLiteral("player")}, {}, false, &IndexInFolder},
        {QStringLiteral("rounds"), {QStringLiteral("player")}, {}, false, &RoundsInFolder},
        {QStringLiteral("copy"), {QStringLiteral("from"), QStringLiteral("to")}, {QStringLiteral("replace")}, false, &CopyBetweenLocations},
    };
    return commands;
}

const TCommand *FindCommand(const QString &name)
{
    for (const TCommand &command : Commands())
        if (command.Name == name)
            return &command;
    return nullptr;
}

} // namespace

QString Usage()
{
    return QStringLiteral(
        "Usage:\n"
        "  tallimo-cli [--data-dir DIR] players\n"
        "  tallimo-cli [--data-dir DIR] clubs\n"
        "  tallimo-cli [--data-dir DIR] add-player --name NAME [--club ID]\n"
        "  tallimo-cli [--data-dir DIR] add-club --name NAME [--rating R] [--city C] [--contact C]\n"
        "                              [--telephone T] [--fax F] [--email E]\n"
        "  tallimo-cli [--data-dir DIR] enter-round --player ID --score S --rating R\n"
        "                              [--date YYYY-MM-DD] [--adjust]\n"
        "  tallimo-cli [--data-dir DIR] history --player ID\n"
        "  tallimo-cli [--data-dir DIR] export --table NAME [--out FILE]\n"
        "  tallimo-cli [--data-dir DIR] import --table NAME [--in FILE]\n")
        + BackupUsage() + RoundUsage() + CopyUsage() + QStringLiteral(
        "  tallimo-cli --help | --version\n"
        "\n"
        "Options, before the command:\n"
        "  --data-dir DIR  work on the tables in DIR instead of the program's data folder;\n"
        "                  DIR must exist and hold at least one of hcap.DB, golfmaster.DB and\n"
        "                  refer.db, unless the command makes data (add-player, add-club, import)\n"
        "  --init          make DIR and its tables when they are missing\n"
        "  --database URL  work on the tables of a PostgreSQL database instead, in its schema\n"
        "                  \"tallimo\" (made when missing): postgresql://user@host:port/dbname;\n"
        "                  the password comes from ~/.pgpass or PGPASSWORD. Without --data-dir or\n"
        "                  --database, the database the program was last started on is used\n"
        "\n"
        "Tables: hcap, golfmaster, refer. Importing refer replaces its one record.\n"
        "CSV output uses \".\" in numbers and YYYY-MM-DD for dates.\n"
        "add-round keeps a round (rating with at most one decimal, slope 55..155, PCC -1..3) and\n"
        "prints the Handicap Index after it; index prints it (\"+1.3\" is a plus index, \"none\"\n"
        "below 3 rounds); rounds lists every kept round as CSV, most recent first.\n"
        "copy puts every table of one data location (a folder or a database URL) into another,\n"
        "record IDs kept, all or nothing; --data-dir and --database do not apply to it. A target\n"
        "that holds players, clubs, rounds or settings of its own is refused unless --replace,\n"
        "which empties it first (a folder's tables are backed up before).\n");
}

int Run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList rest = arguments;
    TDataFolder folder;
    bool dataDirGiven = false, databaseGiven = false;
    while (!rest.isEmpty() && rest.first().startsWith(QLatin1String("--"))) {
        const QString option = rest.takeFirst();
        if (option == QLatin1String("--help")) {
            out << Usage();
            return kExitOk;
        }
        if (option == QLatin1String("--version")) {
            out << "tallimo-cli " << TALLIMO_VERSION << '\n';
            return kExitOk;
        }
        if (option == QLatin1String("--data-dir") && !rest.isEmpty()) {
            folder.Path = rest.takeFirst();
            folder.Given = true;
            folder.Server = false;
            dataDirGiven = true;
        } else if (option.startsWith(QLatin1String("--data-dir="))) {
            folder.Path = option.mid(11);
            folder.Given = true;
            folder.Server = false;
            dataDirGiven = true;
        } else if (option == QLatin1String("--database") || option.startsWith(QLatin1String("--database="))) {
            const QString url = option.contains(QLatin1Char('=')) ? option.section(QLatin1Char('='), 1)
                : rest.isEmpty()                                  ? QString()
                                                                  : rest.takeFirst();
            if (!IsServerLocation(url)) {
                err << "tallimo-cli: --database needs a URL postgresql://user@host:port/dbname\n\n" << Usage();
                return kExitUsage;
            }
            folder.Path = url;
            folder.Given = folder.Server = true;
            databaseGiven = true;
            continue;
        } else if (option == QLatin1String("--init")) {
            folder.Init = true;
        } else {
            err << "tallimo-cli: unknown option " << option << "\n\n" << Usage();
            return kExitUsage;
        }
    }
    if (rest.isEmpty()) {
        err << Usage();
        return kExitUsage;
    }
    if (dataDirGiven && databaseGiven) {
        err << "tallimo-cli: --data-dir and --database name two places; give one\n\n" << Usage();
        return kExitUsage;
    }
    if (folder.Given && folder.Path.isEmpty()) {
        err << "tallimo-cli: --data-dir needs a folder\n\n" << Usage();
        return kExitUsage;
    }
    if (!folder.Given) {
        folder.Path = Golf::RememberedDatabase();
        folder.Server = !folder.Path.isEmpty();
        if (!folder.Server)
            folder.Path = Golf::DefaultDataFolder();
    }
    const QString name = rest.takeFirst();
    const TCommand *command = FindCommand(name);
    folder.CreatesData = command && command->CreatesData;

    int status = kExitFailure;
    try {
        if (!folder.Server)
            BackUpBeforeChanging(name, folder, err);
        if (!command)
            throw TUsageError(QStringLiteral("unknown command '%1'").arg(name));
        status = command->Run({*command, rest, folder, out, err});
    } catch (const TUsageError &error) {
        err << "tallimo-cli: " << error.Message() << "\n\n" << Usage();
        status = kExitUsage;
    } catch (const Exception &error) {
        err << error.Message() << '\n';
        status = kExitFailure;
    }
    out.flush();
    if (out.status() != QTextStream::Ok && status == kExitOk) {
        err << "Cannot write the standard output\n";
        status = kExitFailure;
    }
    err.flush();
    return status;
}

} // namespace Cli
