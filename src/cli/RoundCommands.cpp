#include "RoundCommands.h"

#include "CliCommands.h"
#include "Csv.h"
#include "Exceptions.h"
#include "GolfTables.h"
#include "RoundArchive.h"
#include "CommandOptions_p.h"
#include "UsageError_p.h"

#include <QHash>
#include <QTextStream>

namespace Cli {

namespace {

// "--name value" or "--name=value", each name once, from a fixed set.
QHash<QString, QString> ReadOptions(const QStringList &arguments, const QStringList &known)
{
    return ParseOptions(arguments, known, {}, orRefuseRepeated).Values;
}

QString Required(const QHash<QString, QString> &options, const QString &name)
{
    if (!options.contains(name))
        throw TUsageError(QStringLiteral("--%1 is required").arg(name));
    return options.value(name);
}

// A whole number as a script writes it: an optional minus and digits, nothing else.
int WholeNumber(const QString &label, const QString &text)
{
    bool digits = !text.isEmpty() && text != QLatin1String("-");
    for (qsizetype i = text.startsWith(QLatin1Char('-')) ? 1 : 0; i < text.size() && digits; ++i)
        digits = text[i] >= QLatin1Char('0') && text[i] <= QLatin1Char('9');
    bool ok = false;
    const int value = digits ? text.toInt(&ok) : 0;
    if (!ok)
        throw EConvertError(QStringLiteral("%1 '%2' is not a whole number").arg(label, text));
    return value;
}

QDate PlayedDate(const QString &text)
{
    const QDate date = QDate::fromString(text, Qt::ISODate);
    if (!date.isValid() || text.size() != 10)
        throw EConvertError(QStringLiteral("Date '%1' is not a valid date (YYYY-MM-DD)").arg(text));
    return date;
}

qint32 PlayerId(const QString &text)
{
    bool digits = !text.isEmpty();
    for (const QChar ch : text)
        digits = digits && ch >= QLatin1Char('0') && ch <= QLatin1Char('9');
    bool ok = false;
    const qint32 id = digits ? text.toInt(&ok) : 0;
    if (!ok)
        throw EDatabaseError(QStringLiteral("Player '%1' not found").arg(text));
    return id;
}

Golf::TPlayerRounds LoadPlayer(Golf::TRoundArchive &archive, const QString &idText)
{
    const qint32 player = PlayerId(idText);
    if (!archive.HasPlayer(player))
        throw EDatabaseError(QStringLiteral("Player '%1' not found").arg(idText));
    return archive.Load(player);
}

int AddRound(Golf::TRoundArchive &archive, const QHash<QString, QString> &options, QTextStream &out)
{
    // Every value is read and checked before anything is stored.
    const QString idText = Required(options, QStringLiteral("player"));
    Golf::TRoundInput round;
    round.Played = PlayedDate(Required(options, QStringLiteral("date")));
    round.Score = WholeNumber(QStringLiteral("Score"), Required(options, QStringLiteral("score")));
    round.RatingTenths = Golf::ParseRatingTenths(Required(options, QStringLiteral("rating")));
    round.Slope = WholeNumber(QStringLiteral("Slope"), Required(options, QStringLiteral("slope")));
    if (options.contains(QStringLiteral("pcc")))
        round.Pcc = WholeNumber(QStringLiteral("PCC"), options.value(QStringLiteral("pcc")));
    Golf::CheckRound(round);
    const qint32 player = PlayerId(idText);
    if (!archive.HasPlayer(player))
        throw EDatabaseError(QStringLiteral("Player '%1' not found").arg(idText));
    archive.Add(player, round);
    out << Golf::FormatIndex(archive.Load(player).Index.IndexTenths) << '\n';
    return kExitOk;
}

int ShowRounds(Golf::TRoundArchive &archive, const QHash<QString, QString> &options, QTextStream &out, QTextStream &err)
{
    const Golf::TPlayerRounds record = LoadPlayer(archive, Required(options, QStringLiteral("player")));
    out << Csv::Record({QStringLiteral("Date"), QStringLiteral("Score"), QStringLiteral("Rating"), QStringLiteral("Slope"),
                        QStringLiteral("PCC"), QStringLiteral("Differential"), QStringLiteral("Reduction"), QStringLiteral("Counted")});
    for (const Golf::TRoundResult &result : record.Index.Rounds) {
        const Golf::TIndexRound &round = result.Round;
        out << Csv::Record({round.Played.isValid() ? round.Played.toString(Qt::ISODate) : QString(),
                            QString::number(round.Score),
                            Golf::FormatTenths(round.RatingTenths),
                            QString::number(round.Slope),
                            QString::number(round.Pcc),
                            result.DifferentialTenths ? Golf::FormatTenths(*result.DifferentialTenths) : QString(),
                            Golf::FormatTenths(result.ReductionTenths),
                            result.Counted ? QStringLiteral("yes") : QStringLiteral("no")});
    }
    for (const QString &problem : record.Problems)
        err << problem << '\n';
    return kExitOk;
}

} // namespace

QString RoundUsage()
{
    return QStringLiteral(
        "  tallimo-cli [--data-dir DIR] add-round --player ID --date YYYY-MM-DD --score AGS --rating CR\n"
        "                              --slope SLOPE [--pcc N]\n"
        "  tallimo-cli [--data-dir DIR] index --player ID\n"
        "  tallimo-cli [--data-dir DIR] rounds --player ID\n");
}

int AddRoundCommand(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out)
{
    const QHash<QString, QString> options = ReadOptions(arguments, names);
    // Every option but the correction is required; the player is looked for first.
    Required(options, QStringLiteral("player"));
    for (const QString &name : names)
        if (name != QLatin1String("pcc"))
            Required(options, name);
    Golf::PrepareDataFolder(folder);
    Golf::TRoundArchive archive(folder);
    return AddRound(archive, options, out);
}

int IndexCommand(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out)
{
    const QHash<QString, QString> options = ReadOptions(arguments, names);
    Required(options, QStringLiteral("player"));
    Golf::PrepareDataFolder(folder);
    Golf::TRoundArchive archive(folder);
    out << Golf::FormatIndex(LoadPlayer(archive, options.value(QStringLiteral("player"))).Index.IndexTenths) << '\n';
    return kExitOk;
}

int RoundsCommand(const QStringList &arguments, const QStringList &names, const QString &folder, QTextStream &out,
                  QTextStream &err)
{
    const QHash<QString, QString> options = ReadOptions(arguments, names);
    Required(options, QStringLiteral("player"));
    Golf::PrepareDataFolder(folder);
    Golf::TRoundArchive archive(folder);
    return ShowRounds(archive, options, out, err);
}

} // namespace Cli
