#pragma once

#include "Handicap.h"

#include <QString>
#include <optional>

class TTable;

namespace Golf {

// What the "Enter Scores" page holds when "Enter" is pressed.
struct TRoundEntry
{
    QString ScoreText;
    QString RatingText;
    QString DateText;              // in the user's short date format
    bool AdjustClubHandicap = false;
};

// Records a round for the current player and stores the new handicap, posting the record.
// Returns the handicap; returns nothing after "Score invalid!" (alert beep and message), with the
// record untouched. A score, rating or date text that does not convert raises EConvertError before
// the record is touched, so a failure never leaves a half-shifted history behind. The history is
// shifted from the record as stored at that moment, under the write lock, so rounds entered at
// the same time by other programs all stay, in the order they were stored.
std::optional<THandicap> EnterRound(TTable &players, const TRoundEntry &entry);

} // namespace Golf
