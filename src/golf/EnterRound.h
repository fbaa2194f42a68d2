#pragma once

#include "Handicap.h"

#include "FormatSettings.h"

#include <QString>

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

enum class TEnterStatus
{
    Entered,
    ScoreInvalid, // empty or outside kMinScore .. kMaxScore: nothing was stored
};

// What "Enter" came to. Telling the user is left to the caller (a box and a beep in the window,
// standard error in the command line), in the words Message() gives.
struct TEnterOutcome
{
    TEnterStatus Status = TEnterStatus::ScoreInvalid;
    // The entry's texts as converted and stored; only set when Entered.
    qint32 Score = 0;
    qint32 Rating = 0;
    TDateTime Played = 0;
    THandicap Handicap{};

    bool Entered() const { return Status == TEnterStatus::Entered; }
    explicit operator bool() const { return Entered(); }
    // The system's own words for a refusal ("Score invalid!"); empty when the round was entered.
    QString Message() const;
};

// Records a round for the current player and stores the new handicap, posting the record.
// A refused score leaves the record untouched. A score, rating or date text that does not convert
// raises EConvertError before the record is touched, so a failure never leaves a half-shifted
// history behind. The history is shifted from the record as stored at that moment, under the
// write lock, so rounds entered at the same time by other programs all stay, in the order they
// were stored.
TEnterOutcome EnterRound(TTable &players, const TRoundEntry &entry);

} // namespace Golf
