#include "EnterRound.h"

#include "Exceptions.h"
#include "RoundArchive.h"
#include "TTable.h"

#include <QScopeGuard>

namespace Golf {

namespace {

TField *Slot(TTable &players, QChar kind, int slot)
{
    return players.FieldByName(QStringLiteral("%1%2").arg(kind).arg(slot));
}

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

    // 4-5: scores shift one slot back, the new one goes first; the working copies follow.
    TRounds rounds{};
    for (int slot = 12; slot >= 2; --slot)
        Slot(players, QLatin1Char('s'), slot)->SetAsFloat(Slot(players, QLatin1Char('s'), slot - 1)->AsFloat());
    Slot(players, QLatin1Char('s'), 1)->SetAsInteger(score);
    for (int slot = 1; slot <= 12; ++slot)
        rounds[slot - 1].Score = float(Slot(players, QLatin1Char('s'), slot)->AsInteger());

    // 6: ratings the same way.
    for (int slot = 12; slot >= 2; --slot)
        Slot(players, QLatin1Char('c'), slot)->SetAsFloat(Slot(players, QLatin1Char('c'), slot - 1)->AsFloat());
    Slot(players, QLatin1Char('c'), 1)->SetAsInteger(rating);
    for (int slot = 1; slot <= 12; ++slot)
        rounds[slot - 1].Rating = float(Slot(players, QLatin1Char('c'), slot)->AsInteger());

    // 7: dates the same way; they play no part in the calculation.
    for (int slot = 12; slot >= 2; --slot)
        Slot(players, QLatin1Char('d'), slot)->SetAsDateTime(Slot(players, QLatin1Char('d'), slot - 1)->AsDateTime());
    Slot(players, QLatin1Char('d'), 1)->SetAsDateTime(played);

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
