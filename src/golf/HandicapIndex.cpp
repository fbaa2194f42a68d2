#include "HandicapIndex.h"

#include "Exceptions.h"

#include <algorithm>
#include <array>
#include <climits>
#include <functional>
#include <vector>

namespace Golf {

namespace {

// Differentials used and the adjustment, by the number of rounds held (3..20).
struct TTableRow
{
    int Used;
    int AdjustmentTenths;
};

TTableRow RowFor(int held)
{
    if (held <= 3)
        return {1, -20};
    if (held == 4)
        return {1, -10};
    if (held == 5)
        return {1, 0};
    if (held == 6)
        return {2, -10};
    if (held <= 8)
        return {2, 0};
    if (held <= 11)
        return {3, 0};
    if (held <= 14)
        return {4, 0};
    if (held <= 16)
        return {5, 0};
    if (held <= 18)
        return {6, 0};
    if (held == 19)
        return {7, 0};
    return {8, 0};
}

// The lowest index kept over a range of positions (rounds in date order), in O(log n): a
// segment tree whose values are only ever lowered, since a position gets its index once.
class TLowestTree
{
public:
    explicit TLowestTree(int size) : m_size(std::max(1, size)), m_nodes(2 * size_t(m_size), INT_MAX) {}

    void Lower(int position, int value)
    {
        // Every node above holds the lowest of its range: the climb ends where that stays.
        for (size_t node = size_t(position + m_size); node >= 1 && value < m_nodes[node]; node /= 2)
            m_nodes[node] = value;
    }

    // Over positions [from, to); INT_MAX when none holds an index.
    int Query(int from, int to) const
    {
        int result = INT_MAX;
        for (size_t low = size_t(from + m_size), high = size_t(to + m_size); low < high; low /= 2, high /= 2) {
            if (low & 1)
                result = std::min(result, m_nodes[low++]);
            if (high & 1)
                result = std::min(result, m_nodes[--high]);
        }
        return result;
    }

private:
    int m_size;
    std::vector<int> m_nodes;
};

// The last entry step among the positions before a given one, in O(log n): a Fenwick tree of
// the largest step, which only grows.
class TLastEnteredTree
{
public:
    explicit TLastEnteredTree(int size) : m_nodes(size_t(size) + 1, -1) {}

    void Set(int position, int step)
    {
        for (size_t node = size_t(position) + 1; node < m_nodes.size(); node += node & (~node + 1))
            m_nodes[node] = std::max(m_nodes[node], step);
    }

    // Over positions [0, to); -1 when none was entered.
    int Before(int to) const
    {
        int result = -1;
        for (size_t node = size_t(to); node > 0; node &= node - 1)
            result = std::max(result, m_nodes[node]);
        return result;
    }

private:
    std::vector<int> m_nodes;
};

QString Hundredths(qint64 sumTenths, int count)
{
    const qint64 hundredths = RoundedQuotient(sumTenths * 10, count);
    const qint64 magnitude = hundredths < 0 ? -hundredths : hundredths;
    return QStringLiteral("%1%2.%3")
        .arg(hundredths < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 100)
        .arg(magnitude % 100, 2, 10, QLatin1Char('0'));
}

// A stored round whose values the rules refuse is kept, but left out of the index.
QString StoredRoundProblem(const TIndexRound &round)
{
    if (!round.Problem.isEmpty())
        return round.Problem;
    if (!round.Played.isValid())
        return QStringLiteral("The round has no valid date played");
    // Nearly every round is within all the limits: that is settled by comparisons alone, without
    // turning the date into a year. Rounds already kept are never refused for their date alone.
    static const QDate earliest(1900, 1, 1), latest(9999, 12, 31);
    if (round.Played >= earliest && round.Played <= latest && round.Score >= kMinAdjustedScore && round.Score <= kMaxAdjustedScore
        && round.RatingTenths >= kMinRatingTenths && round.RatingTenths <= kMaxRatingTenths && round.Slope >= kMinSlope
        && round.Slope <= kMaxSlope && round.Pcc >= kMinPcc && round.Pcc <= kMaxPcc)
        return QString();
    return RoundProblem(round.Played, round.Score, round.RatingTenths, round.Slope, round.Pcc, latest);
}

} // namespace

qint64 RoundedQuotient(qint64 numerator, qint64 denominator)
{
    if (numerator >= 0)
        return (2 * numerator + denominator) / (2 * denominator);
    return -((-2 * numerator + denominator) / (2 * denominator));
}

int ScoreDifferentialTenths(int score, int ratingTenths, int slope, int pcc)
{
    return int(RoundedQuotient(qint64(kStandardSlope) * (10 * qint64(score) - ratingTenths - 10 * qint64(pcc)), slope));
}

int CourseHandicap(int indexTenths, int slope, int ratingTenths, int par)
{
    // index/10 * slope/113 + (rating/10 - par), over the common denominator 1130.
    return int(RoundedQuotient(qint64(indexTenths) * slope + qint64(kStandardSlope) * (ratingTenths - 10 * qint64(par)),
                               10 * qint64(kStandardSlope)));
}

QString FormatTenths(qint64 tenths)
{
    const qint64 magnitude = tenths < 0 ? -tenths : tenths;
    return QStringLiteral("%1%2.%3").arg(tenths < 0 ? QStringLiteral("-") : QString()).arg(magnitude / 10).arg(magnitude % 10);
}

QString FormatIndex(std::optional<int> indexTenths)
{
    if (!indexTenths)
        return QStringLiteral("none");
    if (*indexTenths < 0)
        return QLatin1Char('+') + FormatTenths(-qint64(*indexTenths));
    return FormatTenths(*indexTenths);
}

QString RoundProblem(const QDate &played, int score, int ratingTenths, int slope, int pcc, const QDate &today)
{
    if (!played.isValid())
        return QStringLiteral("The date played is missing");
    if (played.year() < 1900)
        return QStringLiteral("Date %1 is before 1900").arg(played.toString(Qt::ISODate));
    if (played > today)
        return QStringLiteral("Date %1 is in the future").arg(played.toString(Qt::ISODate));
    if (score < kMinAdjustedScore || score > kMaxAdjustedScore)
        return QStringLiteral("Score %1 is outside %2..%3").arg(score).arg(kMinAdjustedScore).arg(kMaxAdjustedScore);
    if (ratingTenths < kMinRatingTenths || ratingTenths > kMaxRatingTenths)
        return QStringLiteral("Rating %1 is outside %2..%3")
            .arg(FormatTenths(ratingTenths), FormatTenths(kMinRatingTenths), FormatTenths(kMaxRatingTenths));
    if (slope < kMinSlope || slope > kMaxSlope)
        return QStringLiteral("Slope %1 is outside %2..%3").arg(slope).arg(kMinSlope).arg(kMaxSlope);
    if (pcc < kMinPcc || pcc > kMaxPcc)
        return QStringLiteral("PCC %1 is outside %2..%3").arg(pcc).arg(kMinPcc).arg(kMaxPcc);
    return QString();
}

int ParseRatingTenths(const QString &text, QChar decimalPoint)
{
    const QString trimmed = text.trimmed();
    auto refuse = [&text]() -> int {
        throw EConvertError(QStringLiteral("Rating '%1' is not a number with at most one decimal").arg(text));
    };
    qsizetype at = 0;
    const bool negative = trimmed.startsWith(QLatin1Char('-'));
    if (negative || trimmed.startsWith(QLatin1Char('+')))
        at = 1;
    qint64 whole = 0;
    int digits = 0;
    for (; at < trimmed.size() && trimmed[at].isDigit() && trimmed[at].unicode() < 128; ++at, ++digits) {
        whole = whole * 10 + (trimmed[at].unicode() - '0');
        if (whole > 100000)
            return refuse();
    }
    if (digits == 0)
        return refuse();
    int tenth = 0;
    if (at < trimmed.size()) {
        if (trimmed[at] != decimalPoint || at + 2 != trimmed.size() || !trimmed[at + 1].isDigit() || trimmed[at + 1].unicode() >= 128)
            return refuse();
        tenth = trimmed[at + 1].unicode() - '0';
    }
    const int tenths = int(whole * 10 + tenth);
    return negative ? -tenths : tenths;
}

THandicapIndex CalculateIndex(const QList<TIndexRound> &rounds)
{
    THandicapIndex result;
    const int total = int(rounds.size());

    // Each round's date as its day number (an invalid date lowest, as QDate orders it) and Id,
    // side by side: the orderings below compare nothing else.
    std::vector<qint64> day(total), id(total);
    std::vector<int> differentialOf(total, 0);
    std::vector<int> valid; // rounds that count, as indexes into `rounds`
    valid.reserve(total);
    std::vector<QString> notes; // of the rounds left out, in the order given
    for (int i = 0; i < total; ++i) {
        const TIndexRound &round = rounds.at(i);
        day[i] = round.Played.toJulianDay();
        id[i] = round.Id;
        QString note = StoredRoundProblem(round);
        if (note.isEmpty()) {
            differentialOf[i] = ScoreDifferentialTenths(round.Score, round.RatingTenths, round.Slope, round.Pcc);
            valid.push_back(i);
        } else {
            notes.push_back(std::move(note));
        }
    }

    // Rounds that count, by date played and then by order of entry: their position in this
    // order is what "most recent" means. Rounds are mostly entered in date order; when they
    // all are, no order among them is in question and the sort is left out.
    auto earlier = [&](int a, int b) { return day[a] != day[b] ? day[a] < day[b] : id[a] < id[b]; };
    std::vector<int> byDate = valid;
    if (std::adjacent_find(byDate.begin(), byDate.end(), [&](int a, int b) { return !earlier(a, b); }) != byDate.end())
        std::sort(byDate.begin(), byDate.end(), earlier);
    const int count = int(byDate.size());
    std::vector<int> positionOf(total, -1);
    std::vector<qint64> dayAt(count);
    std::vector<int> differential(count);
    for (int p = 0; p < count; ++p) {
        positionOf[byDate[p]] = p;
        dayAt[p] = day[byDate[p]];
        differential[p] = differentialOf[byDate[p]];
    }
    std::vector<int> byEntry = valid;
    if (std::adjacent_find(byEntry.begin(), byEntry.end(), [&](int a, int b) { return id[a] >= id[b]; }) != byEntry.end())
        std::sort(byEntry.begin(), byEntry.end(), [&](int a, int b) { return id[a] < id[b]; });

    // The low index looks back from the latest round held: at the rounds of the 365 days before
    // its day. Where that window and that day begin, for each position.
    std::vector<int> windowFrom(count), dayStart(count);
    for (int p = 0, from = 0; p < count; ++p) {
        while (dayAt[from] < dayAt[p] - 365)
            ++from;
        windowFrom[p] = from;
        dayStart[p] = p > 0 && dayAt[p - 1] == dayAt[p] ? dayStart[p - 1] : p;
    }

    std::vector<int> reduction(count, 0);

    // The index kept with each position, and the entry step of each position.
    TLowestTree lowest(count);
    TLastEnteredTree lastEntered(count);
    std::vector<std::optional<int>> keptAtStep;
    keptAtStep.reserve(count);
    result.History.reserve(count);

    // The most recent rounds so far, kept lowest adjusted differential first and, of equal ones,
    // the more recent (later position) first. An exceptional score lowers all of them alike, so
    // the order only changes when a round comes in or drops out.
    std::vector<int> recent;
    recent.reserve(kRoundsConsidered + 1);
    auto lowerFirst = [&](int a, int b) {
        const int x = differential[a] - reduction[a], y = differential[b] - reduction[b];
        return x != y ? x < y : a > b;
    };
    int usedCount = 0;
    for (int step = 0; step < count; ++step) {
        const int p = positionOf[byEntry[step]];
        const bool heldBefore = step > 0 && keptAtStep.back().has_value();
        const int before = heldBefore ? *keptAtStep.back() : 0;

        bool amongRecent = true;
        if (int(recent.size()) == kRoundsConsidered) {
            const auto oldest = std::min_element(recent.begin(), recent.end());
            if (*oldest > p)
                amongRecent = false; // entered late for a date before all of them
            else
                recent.erase(oldest);
        }
        if (amongRecent)
            recent.insert(std::upper_bound(recent.begin(), recent.end(), p, lowerFirst), p);

        // An exceptional score lowers every differential it finds among the most recent.
        if (heldBefore && amongRecent) {
            const int below = before - differential[p];
            const int cut = below >= 100 ? 20 : below >= 70 ? 10 : 0;
            if (cut)
                for (int q : recent)
                    reduction[q] += cut;
        }

        TIndexBreakdown breakdown;
        breakdown.RoundsHeld = int(recent.size());
        breakdown.RoundsInRecord = step + 1;
        usedCount = 0;
        if (breakdown.RoundsHeld >= 3) {
            const TTableRow row = RowFor(breakdown.RoundsHeld);
            usedCount = row.Used;
            for (int i = 0; i < usedCount; ++i) {
                breakdown.SumTenths += differential[recent[i]] - reduction[recent[i]];
                breakdown.ReductionTenthsUsed += reduction[recent[i]];
            }
            breakdown.Used = row.Used;
            breakdown.AdjustmentTenths = row.AdjustmentTenths;
            breakdown.AverageTenths = int(RoundedQuotient(breakdown.SumTenths, row.Used));
            breakdown.CalculatedTenths = breakdown.AverageTenths + row.AdjustmentTenths;
            int index = breakdown.CalculatedTenths;

            if (breakdown.RoundsInRecord >= kRoundsConsidered) {
                // Over the indexes kept for the rounds played in the year before the latest
                // one's day, and the index in effect when that year began.
                const int latest = *std::max_element(recent.begin(), recent.end());
                const int from = windowFrom[latest];
                int low = lowest.Query(from, dayStart[latest]);
                const int startStep = lastEntered.Before(from);
                if (startStep >= 0 && keptAtStep[startStep])
                    low = std::min(low, *keptAtStep[startStep]);
                if (low != INT_MAX) {
                    breakdown.LowIndexTenths = low;
                    if (index - low > 30) {
                        index = low + 30 + int(RoundedQuotient(index - low - 30, 2));
                        breakdown.Cap = icSoft;
                        if (index > low + 50) {
                            index = low + 50;
                            breakdown.Cap = icHard;
                        }
                    }
                }
            }
            breakdown.CappedTenths = index;
            if (index > kIndexCeilingTenths) {
                index = kIndexCeilingTenths;
                breakdown.Ceiling = true;
            }
            breakdown.IndexTenths = index;
        }

        keptAtStep.push_back(breakdown.IndexTenths);
        if (breakdown.IndexTenths)
            lowest.Lower(p, *breakdown.IndexTenths);
        lastEntered.Set(p, step);
        const TIndexRound &round = rounds.at(byDate[p]);
        result.History.append({round.Id, round.Played, breakdown.IndexTenths});
        result.Breakdown = breakdown;
    }
    result.IndexTenths = result.Breakdown.IndexTenths;
    std::vector<bool> counted(count, false);
    for (int i = 0; i < usedCount; ++i)
        counted[recent[i]] = true;

    // Most recent first; rounds left out for want of a date go last. Given in the order of
    // entry and of dates alike, that is the order given, reversed.
    std::vector<int> shown(total);
    for (int i = 0; i < total; ++i)
        shown[i] = total - 1 - i;
    auto later = [&](int a, int b) {
        if (day[a] != day[b])
            return day[a] > day[b];
        return id[a] != id[b] ? id[a] > id[b] : a > b;
    };
    if (std::adjacent_find(shown.begin(), shown.end(), [&](int a, int b) { return !later(a, b); }) != shown.end())
        std::sort(shown.begin(), shown.end(), later);

    result.Rounds.reserve(total);
    std::vector<int> noteOf(total, -1);
    for (int i = 0, note = 0; i < total; ++i)
        if (positionOf[i] < 0)
            noteOf[i] = note++;
    for (int i : shown) {
        TRoundResult entry;
        entry.Round = rounds.at(i);
        if (const int p = positionOf[i]; p >= 0) {
            entry.DifferentialTenths = differential[p];
            entry.ReductionTenths = reduction[p];
            entry.Counted = counted[p];
        } else {
            entry.Note = std::move(notes[noteOf[i]]);
        }
        result.Rounds.append(std::move(entry));
    }
    return result;
}

QString ExplainIndex(const TIndexBreakdown &breakdown)
{
    if (!breakdown.IndexTenths) {
        if (breakdown.RoundsHeld == 0)
            return QStringLiteral("No index yet: it needs 3 rounds, and none is held.");
        return QStringLiteral("No index yet: it needs 3 rounds, and %1 %2 held.")
            .arg(breakdown.RoundsHeld)
            .arg(breakdown.RoundsHeld == 1 ? QStringLiteral("is") : QStringLiteral("are"));
    }
    const QString reduced = breakdown.ReductionTenthsUsed > 0
        ? QStringLiteral(" (%1 taken off for exceptional scores)").arg(FormatTenths(breakdown.ReductionTenthsUsed))
        : QString();
    QString text;
    if (breakdown.Used == 1)
        text = QStringLiteral("Your lowest of %1 differentials%2, %3")
                   .arg(breakdown.RoundsHeld).arg(reduced, FormatTenths(breakdown.AverageTenths));
    else
        text = QStringLiteral("Average of your %1 lowest of %2 differentials%3, %4, rounded to %5")
                   .arg(breakdown.Used).arg(breakdown.RoundsHeld)
                   .arg(reduced, Hundredths(breakdown.SumTenths, breakdown.Used), FormatTenths(breakdown.AverageTenths));
    if (breakdown.AdjustmentTenths != 0)
        text += QStringLiteral(", less %1 for holding %2 rounds, %3")
                    .arg(FormatTenths(-breakdown.AdjustmentTenths))
                    .arg(breakdown.RoundsHeld)
                    .arg(FormatTenths(breakdown.CalculatedTenths));
    if (breakdown.Cap != icNone)
        text += QStringLiteral("; the %1 cap held it at %2 instead of %3")
                    .arg(breakdown.Cap == icSoft ? QStringLiteral("soft") : QStringLiteral("hard"),
                         FormatTenths(breakdown.CappedTenths), FormatTenths(breakdown.CalculatedTenths));
    if (breakdown.Ceiling)
        text += QStringLiteral("; the ceiling held it at %1 instead of %2")
                    .arg(FormatTenths(*breakdown.IndexTenths), FormatTenths(breakdown.CappedTenths));
    if (*breakdown.IndexTenths < 0)
        text += QStringLiteral("; below zero it is written %1").arg(FormatIndex(breakdown.IndexTenths));
    return text + QLatin1Char('.');
}

} // namespace Golf
