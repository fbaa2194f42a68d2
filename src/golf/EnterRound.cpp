#include "EnterRound.h"

#include "Exceptions.h"
#include "RoundArchive.h"
#include "TTable.h"

#include <QScopeGuard>

#include <array>

namespace Golf {

namespace {

// The history's fields by kind (scores, ratings, dates) and slot, looked up by name once.
class THistoryFields
{
public:
    explicit THistoryFields(TTable &players)
    {
        static const std::array<std::array<QString, 12>, 3> kNames = [] {
            std::array<std::array<QString, 12>, 3> names;
            const char kinds[3] = {'s', 'c', 'd'};
            for (int kind = 0; kind < 3; ++kind)
                for (int slot = 1; slot <= 12; ++slot)
                    names[kind][slot - 1] = QLatin1Char(kinds[kind]) + QString::number(slot);
            return names;
        }();
        for (int kind = 0; kind < 3; ++kind)
            for (int slot = 0; slot < 12; ++slot)
                m_fields[kind][slot] = players.FieldByName(kNames[kind][slot]);
    }
    TField *operator()(QChar kind, int slot) const
    {
        const int index = kind == QLatin1Char('s') ? 0 : kind == QLatin1Char('c') ? 1 : 2;
        return m_fields[index][slot - 1];
    }

private:
    std::array<std::array<TField *, 12>, 3> m_fields{};
};

} // namespace

QString TEnterOutcome::Message() const
{
    switch (Status) {
    case TEnterStatus::Entered:
        break;
    case TEnterStatus::ScoreInvalid:
        return QStringLiteral("Score invalid!");
    }
    return QString();
}

TEnterOutcome EnterRound(TTable &players, const TRoundEntry &entry)
{
    // 1-2: the score.
    if (entry.ScoreText.isEmpty())
        return {};
    const qint32 score = StrToInt(entry.ScoreText);
    if (score < kMinScore || score > kMaxScore)
        return {};
    // The rating and the date are converted before the record is touched.
    const qint32 rating = StrToInt(entry.RatingText);
    const TDateTime played = StrToDate(entry.DateText);

    // The player's row is read again and written in one transaction that holds the write lock:
    // a round posted meanwhile by another program is shifted with the others, never overwritten,
    // and the post and the round it adds to the archive are stored together or not at all.
    TTableTransaction transaction(players);
    players.RereadRecord();

    // 3: edit state (an insert on an empty table).
    players.Edit();
    const THistoryFields history(players);

    // 4-5: scores shift one slot back, the new one goes first; the working copies follow.
    TRounds rounds{};
    for (int slot = 12; slot >= 2; --slot)
        history(QLatin1Char('s'), slot)->SetAsFloat(history(QLatin1Char('s'), slot - 1)->AsFloat());
    history(QLatin1Char('s'), 1)->SetAsInteger(score);
    for (int slot = 1; slot <= 12; ++slot)
        rounds[slot - 1].Score = float(history(QLatin1Char('s'), slot)->AsInteger());

    // 6: ratings the same way.
    for (int slot = 12; slot >= 2; --slot)
        history(QLatin1Char('c'), slot)->SetAsFloat(history(QLatin1Char('c'), slot - 1)->AsFloat());
    history(QLatin1Char('c'), 1)->SetAsInteger(rating);
    for (int slot = 1; slot <= 12; ++slot)
        rounds[slot - 1].Rating = float(history(QLatin1Char('c'), slot)->AsInteger());

    // 7: dates the same way; they play no part in the calculation.
    for (int slot = 12; slot >= 2; --slot)
        history(QLatin1Char('d'), slot)->SetAsDateTime(history(QLatin1Char('d'), slot - 1)->AsDateTime());
    history(QLatin1Char('d'), 1)->SetAsDateTime(played);

    // 8-11: the calculation on the working copies only.
    const THandicap result = CalculateHandicap(rounds);

    // 12-14: store, copy to the club handicap when asked, post.
    TField *calculated = players.FieldByName(QStringLiteral("calchcap"));
    calculated->SetAsFloat(result.Handicap);
    calculated->SetAsString(FormatHandicap(result.Handicap));
    if (entry.AdjustClubHandicap)
        players.FieldByName(QStringLiteral("hcap"))->SetAsFloat(calculated->AsFloat());
    players.Post();

    ArchiveEnteredRound(players, score, rating, ToQDate(played));
    transaction.Commit();
    return {TEnterStatus::Entered, score, rating, played, result};
}

} // namespace Golf
