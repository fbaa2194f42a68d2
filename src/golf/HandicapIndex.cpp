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

// A segment tree over the rounds in date order, answering range questions about the indexes
// kept so far in O(log n): the lowest index in a date range, and the last-entered round before a
// date.
template<typename Value, typename Combine>
class TRangeTree
{
public:
    TRangeTree(int size, Value empty, Combine combine)
        : m_size(std::max(1, size)), m_empty(empty), m_combine(combine), m_nodes(2 * size_t(m_size), empty)
    {
    }

    void Set(int position, Value value)
    {
        size_t node = size_t(position + m_size);
        m_nodes[node] = value;
        for (node /= 2; node >= 1; node /= 2)
            m_nodes[node] = m_combine(m_nodes[2 * node], m_nodes[2 * node + 1]);
    }

    // Over positions [from, to).
    Value Query(int from, int to) const
    {
        Value result = m_empty;
        for (size_t low = size_t(from + m_size), high = size_t(to + m_size); low < high; low /= 2, high /= 2) {
            if (low & 1)
                result = m_combine(result, m_nodes[low++]);
            if (high & 1)
                result = m_combine(result, m_nodes[--high]);
        }
        return result;
    }

private:
    int m_size;
    Value m_empty;
    Combine m_combine;
    std::vector<Value> m_nodes;
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
    // Rounds already kept are never refused for their date alone.
    return RoundProblem(round.Played, round.Score, round.RatingTenths, round.Slope, round.Pcc, QDate(9999, 12, 31));
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
    result.Rounds.reserve(rounds.size());
    std::vector<int> valid; // indexes into result.Rounds
    for (const TIndexRound &round : rounds) {
        TRoundResult entry;
        entry.Round = round;
        entry.Note = StoredRoundProblem(round);
        if (entry.Note.isEmpty()) {
            entry.DifferentialTenths = ScoreDifferentialTenths(round.Score, round.RatingTenths, round.Slope, round.Pcc);
            valid.push_back(int(result.Rounds.size()));
        }
        result.Rounds.append(std::move(entry));
    }

    // Rounds that count, by date played and then by order of entry: their position in this
    // order is what "most recent" means.
    auto earlier = [&](int a, int b) {
        const TIndexRound &x = result.Rounds[a].Round, &y = result.Rounds[b].Round;
        return x.Played != y.Played ? x.Played < y.Played : x.Id < y.Id;
    };
    std::vector<int> byDate = valid;
    std::sort(byDate.begin(), byDate.end(), earlier);
    const int count = int(byDate.size());
    std::vector<int> positionOf(result.Rounds.size(), -1);
    std::vector<QDate> dateAt(count);
    for (int p = 0; p < count; ++p) {
        positionOf[byDate[p]] = p;
        dateAt[p] = result.Rounds[byDate[p]].Round.Played;
    }
    std::vector<int> byEntry = valid;
    std::sort(byEntry.begin(), byEntry.end(), [&](int a, int b) { return result.Rounds[a].Round.Id < result.Rounds[b].Round.Id; });

    std::vector<int> reduction(count, 0);
    std::vector<int> differential(count, 0);
    for (int p = 0; p < count; ++p)
        differential[p] = *result.Rounds[byDate[p]].DifferentialTenths;

    // The index kept with each position (INT_MAX while none), and the entry step of each position.
    TRangeTree lowest(count, INT_MAX, [](int a, int b) { return std::min(a, b); });
    TRangeTree lastEntered(count, -1, [](int a, int b) { return std::max(a, b); });
    std::vector<std::optional<int>> keptAtStep;
    keptAtStep.reserve(count);

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
                const QDate latest = dateAt[*std::max_element(recent.begin(), recent.end())];
                const QDate windowStart = latest.addDays(-365);
                const int from = int(std::lower_bound(dateAt.begin(), dateAt.end(), windowStart) - dateAt.begin());
                const int to = int(std::lower_bound(dateAt.begin(), dateAt.end(), latest) - dateAt.begin());
                int low = lowest.Query(from, to);
                const int startStep = lastEntered.Query(0, from);
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
            lowest.Set(p, *breakdown.IndexTenths);
        lastEntered.Set(p, step);
        const TIndexRound &round = result.Rounds[byDate[p]].Round;
        result.History.append({round.Id, round.Played, breakdown.IndexTenths});
        result.Breakdown = breakdown;
    }

    result.IndexTenths = result.Breakdown.IndexTenths;
    for (int p = 0; p < count; ++p)
        result.Rounds[byDate[p]].ReductionTenths = reduction[p];
    for (int i = 0; i < usedCount; ++i)
        result.Rounds[byDate[recent[i]]].Counted = true;

    // Most recent first; rounds left out for want of a date go last.
    std::vector<int> shown(result.Rounds.size());
    for (int i = 0; i < int(shown.size()); ++i)
        shown[i] = i;
    std::sort(shown.begin(), shown.end(), [&](int a, int b) {
        const TIndexRound &x = result.Rounds[a].Round, &y = result.Rounds[b].Round;
        if (x.Played != y.Played)
            return x.Played > y.Played;
        return x.Id != y.Id ? x.Id > y.Id : a > b;
    });
    QList<TRoundResult> ordered;
    ordered.reserve(result.Rounds.size());
    for (int i : shown)
        ordered.append(std::move(result.Rounds[i]));
    result.Rounds = std::move(ordered);
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
