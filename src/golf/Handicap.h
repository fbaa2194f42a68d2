#pragma once

#include "FormatSettings.h"

#include <QString>
#include <array>

// The handicap calculation, free of any table: twelve rounds in, the count of rounds present, the
// count used, the mean differential and the handicap out.
namespace Golf {

// One kept round as the calculation sees it; both numbers in single precision.
struct TRound
{
    float Score = 0;
    float Rating = 0;
};

using TRounds = std::array<TRound, 12>;

struct THandicap
{
    int RoundsPresent = 0;   // n
    int RoundsUsed = 0;      // k
    float Mean = 0;          // m, the mean differential of the rounds used
    int Handicap = 0;        // h, -5 .. 30; negative is a plus handicap
    TRounds Ordered{};       // the working copies after ordering
};

constexpr int kParReference = 72;
constexpr int kMinScore = 50;
constexpr int kMaxScore = 110;

// Counts and orders the rounds (slot 1 newest) and looks the mean up in the chart.
THandicap CalculateHandicap(const TRounds &rounds);
// The chart: each band includes its upper bound.
int HandicapFromMean(float mean);
// "00.00" with the given decimal separator: 7 -> 07.00, -3 -> -03.00.
QString FormatHandicap(int handicap, const TFormatSettings &fs = FormatSettings());

} // namespace Golf
