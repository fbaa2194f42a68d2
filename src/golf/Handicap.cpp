#include "Handicap.h"

#include <algorithm>
#include <utility>

namespace Golf {

namespace {

// Upper bounds of the bands for handicaps -5 .. 29; above the last bound the handicap is 30.
constexpr std::array<int, 35> kUpperBounds = {
    -24, -19, -14, -8, -3, 3, 10, 17, 24, 31, 38, 45, 52, 59, 67, 74, 81, 88,
    95, 102, 109, 117, 123, 130, 137, 144, 151, 158, 165, 172, 179, 187, 194, 201, 208,
};
constexpr int kLowestHandicap = -5;

} // namespace

int HandicapFromMean(float mean)
{
    for (size_t band = 0; band < kUpperBounds.size(); ++band)
        if (mean <= float(kUpperBounds[band]))
            return kLowestHandicap + int(band);
    return kLowestHandicap + int(kUpperBounds.size());
}

THandicap CalculateHandicap(const TRounds &rounds)
{
    THandicap result;
    result.Ordered = rounds;
    TRounds &r = result.Ordered;

    // The exchange order below is part of the rule: it decides which of two equal scores with
    // different ratings comes first, and so which one is cut at six.
    int present = 12;
    for (int p = 1; p < 12 && present == 12; ++p) {
        for (int q = 0; q < p; ++q) {
            if (r[p].Score == 0) {
                present = p;
                break;
            }
            if (r[p].Score < r[q].Score)
                std::swap(r[p], r[q]);
        }
    }
    result.RoundsPresent = present;
    result.RoundsUsed = std::clamp(present, 1, 6);

    float sum = 0;
    for (int i = 0; i < result.RoundsUsed; ++i)
        sum += r[i].Score - (float(kParReference) - r[i].Rating);
    result.Mean = sum / float(result.RoundsUsed);
    result.Handicap = HandicapFromMean(result.Mean);
    return result;
}

QString FormatHandicap(int handicap, const TFormatSettings &fs)
{
    return FormatFloat(QStringLiteral("00.00"), handicap, fs);
}

} // namespace Golf
