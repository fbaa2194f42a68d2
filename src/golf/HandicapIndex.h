#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <optional>

// The Handicap Index of a player over every round the player has entered: score differentials,
// the table of rounds held, caps, exceptional score reductions, the 54.0 ceiling and the course
// handicap. Pure functions over plain values. Every number is a whole count of tenths (14.3 is
// 143), so no comparison or rounding ever meets binary floating point.
namespace Golf {

// Limits of a round.
constexpr int kMinAdjustedScore = 1;
constexpr int kMaxAdjustedScore = 250;
constexpr int kMinRatingTenths = 400; // 40.0
constexpr int kMaxRatingTenths = 900; // 90.0
constexpr int kMinSlope = 55;
constexpr int kMaxSlope = 155;
constexpr int kStandardSlope = 113;
constexpr int kMinPcc = -1;
constexpr int kMaxPcc = 3;
constexpr int kIndexCeilingTenths = 540;
// How many of the most recent rounds the index looks at.
constexpr int kRoundsConsidered = 20;

// One round as the index sees it.
struct TIndexRound
{
    qint64 Id = 0;          // the order of entry: a larger Id was entered later
    QDate Played;
    int Score = 0;          // adjusted gross score
    int RatingTenths = 0;   // course rating, 72.0 is 720
    int Slope = kStandardSlope;
    int Pcc = 0;
    // Set when a stored value of the round could not be read: the round is left out, with this
    // as its note.
    QString Problem;
};

// What the index makes of one round.
struct TRoundResult
{
    TIndexRound Round;
    // The unreduced score differential; empty when the round lies outside the limits and is
    // left out of the index (Note then says why).
    std::optional<int> DifferentialTenths;
    // The total exceptional score reduction applied to this differential (10 is 1.0).
    int ReductionTenths = 0;
    // Whether the differential is among those used for the current index.
    bool Counted = false;
    QString Note;

    // The differential the index uses: unreduced minus the reduction.
    std::optional<int> AdjustedTenths() const
    {
        return DifferentialTenths ? std::optional<int>(*DifferentialTenths - ReductionTenths) : std::nullopt;
    }
};

// The index kept when a round was entered, with that round's date.
struct TIndexPoint
{
    qint64 Id = 0;
    QDate Played;
    std::optional<int> IndexTenths; // empty while no index was held
};

enum TIndexCap : quint8 { icNone, icSoft, icHard };

// How the current index came about: the numbers of the plain-words explanation.
struct TIndexBreakdown
{
    int RoundsHeld = 0;          // rounds the index looks at (the most recent, at most 20)
    int RoundsInRecord = 0;      // every round that counts towards the index, ever
    int Used = 0;                // differentials used (0 while no index)
    int AdjustmentTenths = 0;    // -20, -10 or 0
    qint64 SumTenths = 0;        // sum of the used, reduced differentials
    int ReductionTenthsUsed = 0; // exceptional score reductions within them
    int AverageTenths = 0;       // their average, rounded
    int CalculatedTenths = 0;    // rounded average plus the adjustment
    std::optional<int> LowIndexTenths; // LI, when the caps looked at one
    TIndexCap Cap = icNone;
    int CappedTenths = 0;        // after the caps (the calculated index when none held it)
    bool Ceiling = false;        // the 54.0 ceiling held it
    std::optional<int> IndexTenths;
};

struct THandicapIndex
{
    std::optional<int> IndexTenths;   // empty: no index (fewer than 3 rounds held)
    TIndexBreakdown Breakdown;
    // Every round given, most recent first (by date played, then by order of entry).
    QList<TRoundResult> Rounds;
    // One point per round that counts towards the index, in the order of entry.
    QList<TIndexPoint> History;
};

// The index over every round of one player, given in any order.
THandicapIndex CalculateIndex(const QList<TIndexRound> &rounds);

// 113 / Slope x (Score - Rating - PCC), rounded to a tenth.
int ScoreDifferentialTenths(int score, int ratingTenths, int slope, int pcc);
// numerator / denominator rounded to a whole number, halves away from zero (denominator > 0).
qint64 RoundedQuotient(qint64 numerator, qint64 denominator);
// Index x Slope / 113 + (Rating - Par), rounded to a whole number, halves away from zero.
int CourseHandicap(int indexTenths, int slope, int ratingTenths, int par);

// "14.3", "0.0", a plus index as "+1.3"; "none" for no index.
QString FormatIndex(std::optional<int> indexTenths);
// A signed value with one decimal: "14.3", "-1.3", "0.0".
QString FormatTenths(qint64 tenths);
// One sentence in plain words on how the index came about, e.g. "Average of your 8 lowest of
// 20 differentials, 14.26, rounded to 14.3; the soft cap held it at 16.1 instead of 17.4."
QString ExplainIndex(const TIndexBreakdown &breakdown);

// Why a round cannot be kept, naming the value ("Slope 160 is outside 55..155"); empty when
// it can. A date after `today` or before 1900 is refused.
QString RoundProblem(const QDate &played, int score, int ratingTenths, int slope, int pcc, const QDate &today);
// Reads a course rating with at most one decimal ("72", "71.5"; the decimal point is given so
// the window can take the user's). Raises EConvertError naming the text.
int ParseRatingTenths(const QString &text, QChar decimalPoint = QLatin1Char('.'));

} // namespace Golf
