#include "CliCommands.h"

#include "Csv.h"
#include "Dialogs.h"
#include "EnterRound.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "RoundCommands.h"
#include "TTable.h"

#include <QFile>
#include <QHash>
#include <QSet>
#include <QTextStream>

#include <charconv>
#include <cmath>

namespace Cli {

namespace {

class UsageError : public Exception
{
public:
    using Exception::Exception;
};

// The options of one command: "--name value" or "--name=value", and bare flags.
class Options
{
public:
    Options(const QStringList &arguments, const QSet<QString> &valued, const QSet<QString> &flags)
    {
        for (int i = 0; i < arguments.size(); ++i) {
            QString name = arguments[i];
            if (!name.startsWith(QLatin1String("--")))
                throw UsageError(QStringLiteral("unexpected argument '%1'").arg(name));
            QString value;
            bool hasValue = false;
            if (const qsizetype equals = name.indexOf(QLatin1Char('=')); equals > 0) {
                value = name.mid(equals + 1);
                name = name.left(equals);
                hasValue = true;
            }
            name = name.mid(2);
            if (flags.contains(name)) {
                if (hasValue)
                    throw UsageError(QStringLiteral("--%1 takes no value").arg(name));
                m_flags.insert(name);
            } else if (valued.contains(name)) {
                if (!hasValue) {
                    if (i + 1 >= arguments.size())
                        throw UsageError(QStringLiteral("--%1 needs a value").arg(name));
                    value = arguments[++i];
                }
                m_values.insert(name, value);
            } else {
                throw UsageError(QStringLiteral("unknown option --%1").arg(name));
            }
        }
    }

    bool Has(const QString &name) const { return m_values.contains(name) || m_flags.contains(name); }
    QString Value(const QString &name) const { return m_values.value(name); }
    QString Required(const QString &name) const
    {
        if (!m_values.contains(name))
            throw UsageError(QStringLiteral("--%1 is required").arg(name));
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

// The CSV text of a value for a field, as stored; raises EConvertError naming line and field.
QVariant FromCsv(const QString &text, const TField &field, int line)
{
    if (text.isEmpty())
        return QVariant();
    auto refuse = [&](const QString &what) -> QVariant {
        throw EConvertError(QStringLiteral("line %1: '%2' is not %3 for field '%4'").arg(line).arg(text, what, field.FieldName()));
    };
    switch (field.DataType()) {
    case ftInteger:
    case ftAutoInc: {
        qint32 value = 0;
        if (!TryStrToInt(text, value) || text.trimmed() != text)
            return refuse(QStringLiteral("a whole number"));
        return qint64(value);
    }
    case ftFloat: {
        double value = 0;
        const QByteArray latin = text.toLatin1();
        const auto result = std::from_chars(latin.constData(), latin.constData() + latin.size(), value);
        if (result.ec != std::errc() || result.ptr != latin.constData() + latin.size() || !std::isfinite(value))
            return refuse(QStringLiteral("a number"));
        return value;
    }
    case ftDate: {
        const QDate date = QDate::fromString(text, Qt::ISODate);
        if (!date.isValid() || text.size() != 10)
            return refuse(QStringLiteral("a date (YYYY-MM-DD)"));
        return date;
    }
    case ftString:
    case ftUnknown:
        if (field.Size() > 0 && text.size() > field.Size())
            throw EConvertError(QStringLiteral("line %1: the text is longer than the %2 characters of field '%3'")
                                    .arg(line).arg(field.Size()).arg(field.FieldName()));
        return text;
    }
    return text;
}

QString TableFileName(const QString &name)
{
    const QString base = name.section(QLatin1Char('.'), 0, 0);
    for (const QString &table : Golf::TableNames())
        if (table.section(QLatin1Char('.'), 0, 0).compare(base, Qt::CaseInsensitive) == 0)
            return table;
    throw UsageError(QStringLiteral("unknown table '%1' (hcap, golfmaster or refer)").arg(name));
}

class Session
{
public:
    explicit Session(const QString &folder) : m_folder(folder) { Golf::PrepareDataFolder(folder); }

    std::unique_ptr<TTable> Open(const QString &tableName)
    {
        auto table = std::make_unique<TTable>();
        table->SetDatabaseName(m_folder);
        table->SetTableName(tableName);
        table->Open();
        return table;
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
};

void WriteTable(TTable &table, const QStringList &fieldNames, QTextStream &out)
{
    QList<TField *> fields;
    for (const QString &name : fieldNames)
        fields << table.FieldByName(name);
    QStringList header;
    for (TField *field : std::as_const(fields))
        header << field->FieldName();
    out << Csv::Record(header);
    for (table.First(); !table.Eof(); table.Next()) {
        QStringList values;
        for (TField *field : std::as_const(fields))
            values << CsvValue(field->Value());
        out << Csv::Record(values);
    }
}

QStringList AllFieldNames(const TTable &table)
{
    QStringList names;
    for (int i = 0; i < table.FieldCount(); ++i)
        names << table.Fields(i)->FieldName();
    return names;
}

int AddPlayer(Session &session, const Options &options, QTextStream &out)
{
    const QString name = options.Required(QStringLiteral("name"));
    auto players = session.Open(Golf::kPlayersTable);
    std::optional<qint32> club;
    if (options.Has(QStringLiteral("club"))) {
        auto clubs = session.Open(Golf::kClubsTable);
        clubs->SetIndexFieldNames(QStringLiteral("ID"));
        const QString clubText = options.Value(QStringLiteral("club"));
        qint32 id = 0;
        if (!TryStrToInt(clubText, id) || !clubs->FindKey(QString::number(id)))
            throw EDatabaseError(QStringLiteral("Club '%1' not found").arg(clubText));
        club = id;
    }
    players->Insert();
    players->FieldByName(QStringLiteral("Descr"))->SetAsString(name);
    if (club)
        players->FieldByName(QStringLiteral("Homeclub"))->SetAsInteger(*club);
    players->Post();
    out << players->FieldByName(QStringLiteral("ID"))->AsInteger() << '\n';
    return kExitOk;
}

int AddClub(Session &session, const Options &options, QTextStream &out)
{
    const QString name = options.Required(QStringLiteral("name"));
    auto clubs = session.Open(Golf::kClubsTable);
    clubs->Insert();
    clubs->FieldByName(QStringLiteral("Descr"))->SetAsString(name);
    if (options.Has(QStringLiteral("rating"))) {
        // The rating is given with "." as a script writes it; the field's own conversion
        // then needs the user's separator.
        const QString rating = options.Value(QStringLiteral("rating"));
        double value = 0;
        if (!TryStrToFloat(rating, value, TFormatSettings()))
            throw EConvertError(QStringLiteral("'%1' is not a valid floating point value for field 'RATING'").arg(rating));
        clubs->FieldByName(QStringLiteral("RATING"))->SetAsFloat(value);
    }
    const QList<QPair<QString, QString>> texts{{QStringLiteral("city"), QStringLiteral("City")},
                                               {QStringLiteral("contact"), QStringLiteral("Contact")},
                                               {QStringLiteral("telephone"), QStringLiteral("Telephone")},
                                               {QStringLiteral("fax"), QStringLiteral("Fax")},
                                               {QStringLiteral("email"), QStringLiteral("Email")}};
    for (const auto &[option, field] : texts) {
        if (!options.Has(option))
            continue;
        TField *target = clubs->FieldByName(field);
        const QString value = options.Value(option);
        if (value.size() > target->Size())
            throw EConvertError(QStringLiteral("The %1 is longer than %2 characters").arg(option).arg(target->Size()));
        target->SetAsString(value);
    }
    clubs->Post();
    out << clubs->FieldByName(QStringLiteral("ID"))->AsInteger() << '\n';
    return kExitOk;
}

int EnterRoundCommand(Session &session, const Options &options, QTextStream &out)
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
    }
    auto players = session.OpenPlayer(options.Required(QStringLiteral("player")));
    const std::optional<Golf::THandicap> result = Golf::EnterRound(
        *players, {score, rating, DateToStr(played), options.Has(QStringLiteral("adjust"))});
    if (!result)
        return kExitFailure; // "Score invalid!" has been said
    out << Golf::FormatHandicap(result->Handicap) << '\n';
    return kExitOk;
}

int History(Session &session, const Options &options, QTextStream &out)
{
    auto players = session.OpenPlayer(options.Required(QStringLiteral("player")));
    out << Csv::Record({QStringLiteral("Slot"), QStringLiteral("Score"), QStringLiteral("Rating"), QStringLiteral("Date")});
    for (int slot = 1; slot <= 12; ++slot) {
        const QVariant date = players->FieldByName(QStringLiteral("D%1").arg(slot))->Value();
        out << Csv::Record({QString::number(slot),
                            QString::number(players->FieldByName(QStringLiteral("S%1").arg(slot))->AsInteger()),
                            QString::number(players->FieldByName(QStringLiteral("C%1").arg(slot))->AsInteger()),
                            CsvValue(date)});
    }
    return kExitOk;
}

int Export(Session &session, const Options &options, QTextStream &out)
{
    auto table = session.Open(TableFileName(options.Required(QStringLiteral("table"))));
    if (!options.Has(QStringLiteral("out"))) {
        WriteTable(*table, AllFieldNames(*table), out);
        return kExitOk;
    }
    const QString path = options.Value(QStringLiteral("out"));
    QString text;
    QTextStream buffer(&text);
    WriteTable(*table, AllFieldNames(*table), buffer);
    buffer.flush();
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text.toUtf8()) < 0 || !file.flush())
        throw EConvertError(QStringLiteral("Cannot write '%1': %2").arg(path, file.errorString()));
    return kExitOk;
}

int Import(Session &session, const Options &options, QTextStream &out)
{
    Q_UNUSED(out);
    auto table = session.Open(TableFileName(options.Required(QStringLiteral("table"))));
    QString text;
    if (options.Has(QStringLiteral("in"))) {
        const QString path = options.Value(QStringLiteral("in"));
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw EConvertError(QStringLiteral("Cannot read '%1': %2").arg(path, file.errorString()));
        text = QString::fromUtf8(file.readAll());
    } else {
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly))
            throw EConvertError(QStringLiteral("Cannot read the standard input"));
        text = QString::fromUtf8(input.readAll());
    }
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);

    // Check the whole file before anything is written.
    const QList<Csv::TRecord> records = Csv::Parse(text);
    if (records.isEmpty())
        throw EConvertError(QStringLiteral("line 1: the header is missing"));
    QList<TField *> fields;
    QSet<TField *> seen;
    for (const QString &name : records.first().Fields) {
        TField *field = table->FindField(name.trimmed());
        if (!field)
            throw EConvertError(QStringLiteral("line %1: the table has no field '%2'").arg(records.first().Line).arg(name));
        if (seen.contains(field))
            throw EConvertError(QStringLiteral("line %1: field '%2' is named twice").arg(records.first().Line).arg(name));
        seen.insert(field);
        fields << field;
    }
    TField *identity = nullptr;
    for (TField *field : std::as_const(fields))
        if (field->IsAutoIncrement())
            identity = field;
    QList<QVector<QVariant>> rows;
    QSet<qint64> ids;
    for (int r = 1; r < records.size(); ++r) {
        const Csv::TRecord &record = records[r];
        if (record.Fields.size() != fields.size())
            throw EConvertError(QStringLiteral("line %1: %2 values where the header names %3 fields")
                                    .arg(record.Line).arg(record.Fields.size()).arg(fields.size()));
        QVector<QVariant> row;
        for (int c = 0; c < fields.size(); ++c)
            row << FromCsv(record.Fields[c], *fields[c], record.Line);
        if (identity) {
            const QVariant id = row[fields.indexOf(identity)];
            if (!id.isNull()) {
                if (ids.contains(id.toLongLong()) || table->FindKey(QString::number(id.toLongLong())))
                    throw EConvertError(QStringLiteral("line %1: %2 %3 is already taken").arg(record.Line).arg(identity->FieldName()).arg(id.toLongLong()));
                ids.insert(id.toLongLong());
            }
        }
        rows << row;
    }

    // All of it lands in one transaction: a failure half-way stores nothing.
    const bool wasReadOnly = identity && identity->ReadOnly();
    if (identity)
        identity->SetReadOnly(false);
    table->StartTransaction();
    try {
        for (const QVector<QVariant> &row : std::as_const(rows)) {
            table->Insert();
            for (int c = 0; c < fields.size(); ++c)
                if (!row[c].isNull())
                    fields[c]->SetValue(row[c]);
            table->Post();
        }
        table->Commit();
    } catch (...) {
        table->Rollback();
        if (identity)
            identity->SetReadOnly(wasReadOnly);
        throw;
    }
    if (identity)
        identity->SetReadOnly(wasReadOnly);
    return kExitOk;
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
        + RoundUsage() + QStringLiteral(
        "  tallimo-cli --help | --version\n"
        "\n"
        "Works on the program's data folder, or on DIR. Tables: hcap, golfmaster, refer.\n"
        "CSV output uses \".\" in numbers and YYYY-MM-DD for dates.\n"
        "add-round keeps a round (rating with at most one decimal, slope 55..155, PCC -1..3) and\n"
        "prints the Handicap Index after it; index prints it (\"+1.3\" is a plus index, \"none\"\n"
        "below 3 rounds); rounds lists every kept round as CSV, most recent first.\n");
}

int Run(const QStringList &arguments, QTextStream &out, QTextStream &err)
{
    QStringList rest = arguments;
    QString folder;
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
            folder = rest.takeFirst();
        } else if (option.startsWith(QLatin1String("--data-dir="))) {
            folder = option.mid(11);
        } else {
            err << "tallimo-cli: unknown option " << option << "\n\n" << Usage();
            return kExitUsage;
        }
    }
    if (rest.isEmpty()) {
        err << Usage();
        return kExitUsage;
    }
    if (folder.isEmpty())
        folder = Golf::DefaultDataFolder();
    const QString command = rest.takeFirst();

    // The program's messages ("Score invalid!" and the like) go to standard error.
    const TMessageHandler oldMessages = SetMessageHandler([&err](const TMessageRequest &request) {
        err << request.Text << '\n';
        return request.EscapeButton;
    });
    const TBeepHandler oldBeep = SetBeepHandler([] {});
    int status = kExitFailure;
    try {
        if (command == QLatin1String("players")) {
            Options(rest, {}, {});
            Session session(folder);
            auto players = session.Open(Golf::kPlayersTable);
            WriteTable(*players, {QStringLiteral("ID"), QStringLiteral("Descr"), QStringLiteral("Homeclub"),
                                  QStringLiteral("CalChcap"), QStringLiteral("Hcap")}, out);
            status = kExitOk;
        } else if (command == QLatin1String("clubs")) {
            Options(rest, {}, {});
            Session session(folder);
            auto clubs = session.Open(Golf::kClubsTable);
            WriteTable(*clubs, AllFieldNames(*clubs), out);
            status = kExitOk;
        } else if (command == QLatin1String("add-player")) {
            const Options options(rest, {QStringLiteral("name"), QStringLiteral("club")}, {});
            Session session(folder);
            status = AddPlayer(session, options, out);
        } else if (command == QLatin1String("add-club")) {
            const Options options(rest, {QStringLiteral("name"), QStringLiteral("rating"), QStringLiteral("city"), QStringLiteral("contact"),
                                         QStringLiteral("telephone"), QStringLiteral("fax"), QStringLiteral("email")}, {});
            Session session(folder);
            status = AddClub(session, options, out);
        } else if (command == QLatin1String("enter-round")) {
            const Options options(rest, {QStringLiteral("player"), QStringLiteral("score"), QStringLiteral("rating"), QStringLiteral("date")},
                                  {QStringLiteral("adjust")});
            Session session(folder);
            status = EnterRoundCommand(session, options, out);
        } else if (command == QLatin1String("history")) {
            const Options options(rest, {QStringLiteral("player")}, {});
            Session session(folder);
            status = History(session, options, out);
        } else if (command == QLatin1String("export")) {
            const Options options(rest, {QStringLiteral("table"), QStringLiteral("out")}, {});
            Session session(folder);
            status = Export(session, options, out);
        } else if (command == QLatin1String("import")) {
            const Options options(rest, {QStringLiteral("table"), QStringLiteral("in")}, {});
            Session session(folder);
            status = Import(session, options, out);
        } else if (const std::optional<int> handled = RunRoundCommand(command, rest, folder, out, err)) {
            status = *handled;
        } else {
            throw UsageError(QStringLiteral("unknown command '%1'").arg(command));
        }
    } catch (const UsageError &error) {
        err << "tallimo-cli: " << error.Message() << "\n\n" << Usage();
        status = kExitUsage;
    } catch (const Exception &error) {
        err << error.Message() << '\n';
        status = kExitFailure;
    }
    SetMessageHandler(oldMessages);
    SetBeepHandler(oldBeep);
    out.flush();
    err.flush();
    return status;
}

} // namespace Cli
