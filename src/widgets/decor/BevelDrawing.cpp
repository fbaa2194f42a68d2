#include "BevelDrawing.h"

#include <algorithm>
#include <cmath>
#include <climits>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

int MixChannel(int a, int b, int density)
{
    // Two floating quotients added, then rounded to nearest with halves to even (the default
    // rounding mode of nearbyint); kept in this form so that results match to the last bit.
    const double sum = double((100 - density) * b) / 100.0 + double(density * a) / 100.0;
    return std::clamp(int(std::nearbyint(sum)), 0, 255);
}

int Saturate(qint64 value)
{
    return int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

// The pixels that can be painted, inclusive; from the canvas's clip (which already has a pixel of
// margin).
struct TReach
{
    qint64 Left, Top, Right, Bottom;
};

TReach ReachOf(const TCanvas &canvas)
{
    const QRect visible = canvas.ClipBounds();
    return {visible.left(), visible.top(), visible.right(), visible.bottom()};
}

// A ring line is horizontal, vertical or at 45 degrees. Its pixels run from (x0, y0) toward
// (x1, y1), the target not included; only those within reach are drawn, so that lines of any
// length cost no more than the part that can be seen, and coordinates far outside never reach
// the canvas.
void ReachableLine(TCanvas &canvas, const TReach &reach, qint64 x0, qint64 y0, qint64 x1, qint64 y1)
{
    const qint64 dx = x1 - x0, dy = y1 - y0;
    if (dx == 0 && dy == 0)
        return;
    const qint64 sx = (dx > 0) - (dx < 0), sy = (dy > 0) - (dy < 0);
    qint64 first = 0, last = std::max(std::abs(dx), std::abs(dy)) - 1;
    const auto limit = [&](qint64 start, qint64 step, qint64 low, qint64 high) {
        if (step == 0) {
            if (start < low || start > high)
                last = -1;
        } else if (step > 0) {
            first = std::max(first, low - start);
            last = std::min(last, high - start);
        } else {
            first = std::max(first, start - high);
            last = std::min(last, start - low);
        }
    };
    limit(x0, sx, reach.Left, reach.Right);
    limit(y0, sy, reach.Top, reach.Bottom);
    if (first > last)
        return;
    canvas.MoveTo(int(x0 + first * sx), int(y0 + first * sy));
    canvas.LineTo(int(x0 + (last + 1) * sx), int(y0 + (last + 1) * sy));
}

// The indices 0 .. count - 1 of rings (or lines) worth drawing. Every line of a ring lies on a
// row, a column or a diagonal whose place moves one way as the index grows; a ring is drawn when
// at least one of those places is within reach. Each place is within reach for one run of
// indices, found by bisection, so a ring count as large as an int holds costs only the rings
// that can be seen.
class TRingRuns
{
public:
    explicit TRingRuns(qint64 count) : m_count(std::max<qint64>(count, 0)) {}

    // place(i) must not decrease as i grows; [low, high] is where it can be seen.
    template <typename Place>
    void Add(Place place, qint64 low, qint64 high)
    {
        const qint64 first = FirstWhere([&](qint64 i) { return place(i) >= low; });
        const qint64 end = FirstWhere([&](qint64 i) { return place(i) > high; });
        if (first < end)
            m_runs.push_back({first, end - 1});
    }
    template <typename Step>
    void ForEach(Step step)
    {
        std::sort(m_runs.begin(), m_runs.end());
        qint64 next = 0;
        for (const auto &[first, last] : m_runs) {
            for (qint64 i = std::max(first, next); i <= last; ++i)
                step(i);
            next = std::max(next, last + 1);
        }
    }

private:
    template <typename Test>
    qint64 FirstWhere(Test test) const
    {
        qint64 low = 0, high = m_count;
        while (low < high) {
            const qint64 middle = low + (high - low) / 2;
            if (test(middle))
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    }

    qint64 m_count;
    std::vector<std::pair<qint64, qint64>> m_runs;
};

} // namespace

TColor MixColors(TColor a, TColor b, int density)
{
    return RGBColor(MixChannel(GetRValue(a), GetRValue(b), density), MixChannel(GetGValue(a), GetGValue(b), density),
                    MixChannel(GetBValue(a), GetBValue(b), density));
}

bool BackgroundVaries(const TCanvas &canvas, const TRect &rect)
{
    if (rect.Right <= rect.Left + 1)
        return false;
    const qint64 first = canvas.Pixel(rect.Left, rect.Top);
    const auto differs = [&](int x) { return std::abs(qint64(canvas.Pixel(x, rect.Top)) - first) > 2; };
    // Off the surface every pixel reads the same, so a row of any length is read only as far as
    // the surface goes: the part within the clip, then outward until the first pixel off it.
    constexpr TColor kOffSurface = TColorFromBits(0xFFFFFFFF);
    const QRect visible = canvas.ClipBounds();
    const int from = rect.Left + 1, to = rect.Right - 1;
    const int middleFrom = std::max(from, visible.left()), middleTo = std::min(to, visible.right());
    for (int x = middleFrom; x <= middleTo; ++x)
        if (differs(x))
            return true;
    for (qint64 x = std::max<qint64>(from, qint64(visible.right()) + 1); x <= to; ++x) {
        if (differs(int(x)))
            return true;
        if (canvas.Pixel(int(x), rect.Top) == kOffSurface)
            break;
    }
    for (qint64 x = std::min<qint64>(to, qint64(visible.left()) - 1); x >= from; --x) {
        if (differs(int(x)))
            return true;
        if (canvas.Pixel(int(x), rect.Top) == kOffSurface)
            break;
    }
    return false;
}

void DrawBevelRings(TCanvas &canvas, TRect &rect, TColor top, TColor bottom, int width)
{
    canvas.SetPenWidth(1);
    const TReach reach = ReachOf(canvas);
    const qint64 L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
    TRingRuns rings(width);
    rings.Add([&](qint64 i) { return L + i; }, reach.Left, reach.Right);
    rings.Add([&](qint64 i) { return T + i; }, reach.Top, reach.Bottom);
    rings.Add([&](qint64 i) { return i - (R - 1); }, -reach.Right, -reach.Left);
    rings.Add([&](qint64 i) { return i - (B - 1); }, -reach.Bottom, -reach.Top);
    rings.ForEach([&](qint64 i) {
        const qint64 l = L + i, t = T + i, r = R - 1 - i, b = B - 1 - i;
        canvas.SetPenColor(top);
        ReachableLine(canvas, reach, l, b, l, t);
        ReachableLine(canvas, reach, l, t, r, t);
        canvas.SetPenColor(bottom);
        ReachableLine(canvas, reach, r, t, r, b);
        ReachableLine(canvas, reach, r, b, l - 1, b);
    });
    if (width <= 0)
        return;
    rect.Left = Saturate(qint64(rect.Left) + width);
    rect.Top = Saturate(qint64(rect.Top) + width);
    rect.Right = Saturate(qint64(rect.Right) - width);
    rect.Bottom = Saturate(qint64(rect.Bottom) - width);
}

void DrawChamferedRings(TCanvas &canvas, TRect &rect, TColor top, TColor bottom, int width, int chamfer)
{
    rect.Right = Saturate(qint64(rect.Right) - 1);
    rect.Bottom = Saturate(qint64(rect.Bottom) - 1);
    const qint64 L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom, E = chamfer;
    canvas.SetPenWidth(1);
    const TReach reach = ReachOf(canvas);
    // The places of the rows, columns and diagonals, as x + y or x - y for the diagonals.
    const qint64 sumLow = reach.Left + reach.Top, sumHigh = reach.Right + reach.Bottom;
    const qint64 differenceLow = reach.Left - reach.Bottom, differenceHigh = reach.Right - reach.Top;

    // Ring i: its chamfers move by i + i div 2.
    TRingRuns rings(width);
    rings.Add([&](qint64 i) { return L + i; }, reach.Left, reach.Right);
    rings.Add([&](qint64 i) { return T + i; }, reach.Top, reach.Bottom);
    rings.Add([&](qint64 i) { return i - R; }, -reach.Right, -reach.Left);
    rings.Add([&](qint64 i) { return i - B; }, -reach.Bottom, -reach.Top);
    rings.Add([&](qint64 i) { return L + T + E + i + i / 2; }, sumLow, sumHigh);
    rings.Add([&](qint64 i) { return i + i / 2 - (R - T - E); }, -differenceHigh, -differenceLow);
    rings.Add([&](qint64 i) { return i + i / 2 - (R + B - E); }, -sumHigh, -sumLow);
    rings.Add([&](qint64 i) { return L - B + E + i + i / 2; }, differenceLow, differenceHigh);
    rings.ForEach([&](qint64 i) {
        const qint64 h = i / 2;
        canvas.SetPenColor(top);
        ReachableLine(canvas, reach, L + i, B - E - h, L + i, T + E + h);
        ReachableLine(canvas, reach, L + i, T + E + h, L + E + h, T + i);
        ReachableLine(canvas, reach, L + E + h, T + i, R - E - h, T + i);
        ReachableLine(canvas, reach, R - E - h, T + i, R - i, T + E + h);
        canvas.SetPenColor(bottom);
        ReachableLine(canvas, reach, R - i, T + E + h, R - i, B - E - h);
        ReachableLine(canvas, reach, R - i, B - E - h, R - E - h, B - i);
        ReachableLine(canvas, reach, R - E - h, B - i, L + E + h, B - i);
        ReachableLine(canvas, reach, L + E + h, B - i, L + i, B - E - h);
    });

    // Odd steps of the chamfers leave gaps between the rings; these lines fill them. Line c is
    // index c - 1.
    TRingRuns gaps((qint64(width) - 1) / 2);
    gaps.Add([&](qint64 c) { return L + T + E + 3 * (c + 1) - 1; }, sumLow, sumHigh);
    gaps.Add([&](qint64 c) { return 3 * (c + 1) - 1 - (R - T - E); }, -differenceHigh, -differenceLow);
    gaps.Add([&](qint64 c) { return 3 * (c + 1) - 1 - (R + B - E); }, -sumHigh, -sumLow);
    gaps.Add([&](qint64 c) { return L - B + E + 3 * (c + 1) - 1; }, differenceLow, differenceHigh);
    gaps.ForEach([&](qint64 index) {
        const qint64 c = index + 1;
        canvas.SetPenColor(top);
        ReachableLine(canvas, reach, L + E + c - 1, T + 2 * c, L + 2 * c - 1, T + E + c);
        ReachableLine(canvas, reach, R - E - c + 1, T + 2 * c, R - 2 * c + 1, T + E + c);
        canvas.SetPenColor(bottom);
        ReachableLine(canvas, reach, R - E - c + 1, B - 2 * c, R - 2 * c + 1, B - E - c);
        ReachableLine(canvas, reach, L + E + c - 1, B - 2 * c, L + 2 * c - 1, B - E - c);
    });
}

void FillBand(TCanvas &canvas, const TRect &rect)
{
    const QRect visible = canvas.ClipBounds();
    if (qint64(rect.Right) - rect.Left < qint64(rect.Bottom) - rect.Top) {
        const int from = std::max(rect.Left, visible.left()), to = std::min(rect.Right, visible.right());
        for (int x = from; x <= to; ++x) {
            canvas.MoveTo(x, rect.Top);
            canvas.LineTo(x, rect.Bottom + 1);
        }
    } else {
        const int from = std::max(rect.Top, visible.top()), to = std::min(rect.Bottom, visible.bottom());
        for (int y = from; y <= to; ++y) {
            canvas.MoveTo(rect.Left, y);
            canvas.LineTo(rect.Right + 1, y);
        }
    }
}

void BlendRect(TCanvas &canvas, const TRect &rect, TColor color, int density)
{
    const QRect visible = canvas.ClipBounds();
    const int from = std::max(rect.Top, visible.top()), to = std::min(rect.Bottom, visible.bottom());
    if (from > to || rect.Right < rect.Left)
        return;
    // The canvas mixes with the same rounding as MixColors (halves to even), a run at a time.
    for (int y = from; y <= to; ++y)
        canvas.BlendSpan(y, rect.Left, rect.Right, color, density);
}

void BlendRectRing(TCanvas &canvas, TRect &rect, TColor color, int width, int density)
{
    rect.Right = Saturate(qint64(rect.Right) - 1);
    rect.Bottom = Saturate(qint64(rect.Bottom) - 1);
    const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
    // A rectangle turned inside out mixes nothing, as for the chamfered ring.
    if (R < L || B < T)
        return;
    const QRect visible = canvas.ClipBounds();
    const int from = std::max(T, visible.top()), to = std::min(B, visible.bottom());
    if (from > to)
        return;
    for (int y = from; y <= to; ++y) {
        if (qint64(y) < qint64(T) + width || qint64(y) > qint64(B) - width) {
            canvas.BlendSpan(y, L, R, color, density);
        } else {
            canvas.BlendSpan(y, L, Saturate(qint64(L) + width - 1), color, density);
            canvas.BlendSpan(y, Saturate(qint64(R) - width + 1), R, color, density);
        }
    }
}

void BlendChamferedRing(TCanvas &canvas, TRect &rect, TColor color, int density, int width, int chamfer)
{
    rect.Right = Saturate(qint64(rect.Right) - 1);
    rect.Bottom = Saturate(qint64(rect.Bottom) - 1);
    const qint64 L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom, E = chamfer, w = width;
    // A rectangle turned inside out mixes nothing, as for the rectangular ring.
    if (R < L || B < T)
        return;
    const qint64 Hgt = B - T, Q = w / 3;
    const QRect visible = canvas.ClipBounds();
    auto span = [&](qint64 k, qint64 x0, qint64 x1) {
        if (x1 < x0)
            return;
        canvas.BlendSpan(int(T + k - 1), int(std::max<qint64>(x0, visible.left())),
                         int(std::min<qint64>(x1, visible.right())), color, density);
    };
    // Row k is y = T + k - 1; only the rows that can be seen are walked. The phases follow one
    // another, each starting where the previous one stopped.
    const qint64 firstVisible = visible.top() - T + 1, lastVisible = visible.bottom() - T + 1;
    auto rows = [&](qint64 from, qint64 to, auto &&paintRow) {
        for (qint64 k = std::max(from, firstVisible), last = std::min(to, lastVisible); k <= last; ++k)
            paintRow(k);
    };

    const qint64 start2 = w + 1;
    rows(1, w, [&](qint64 k) { span(k, L + E - k, R - E + k); });
    rows(start2, E + Q, [&](qint64 k) {
        if (k <= E) {
            span(k, L + E - k, L + E - k + w + Q);
            span(k, R - E + k - w - Q, R - E + k);
        } else {
            span(k, L, L + w + Q - (k - E));
            span(k, R - w - Q + (k - E), R);
        }
    });
    const qint64 start3 = std::max(start2, E + Q + 1);
    rows(start3, Hgt - E - Q + 1, [&](qint64 k) {
        span(k, L, L + w - 1);
        span(k, R - w + 1, R);
    });
    // j counts the rows of the lower chamfer, which starts after row Hgt - E + 1.
    const qint64 k0 = std::max(start3, Hgt - E - Q + 2);
    const qint64 chamferStart = std::max(k0, Hgt - E + 2);
    rows(k0, Hgt - w + 1, [&](qint64 k) {
        if (k <= Hgt - E + 1) {
            span(k, L, L + w + (k - k0));
            span(k, R - w - (k - k0), R);
        } else {
            const qint64 j = k - chamferStart;
            span(k, L + j, L + j + w + Q);
            span(k, R - j - w - Q, R - j);
        }
    });
    const qint64 start5 = std::max(k0, Hgt - w + 2);
    const qint64 j5 = std::max<qint64>(0, start5 - chamferStart);
    rows(start5, Hgt + 1, [&](qint64 k) {
        const qint64 j = j5 + (k - start5);
        span(k, L + j, R - j);
    });
}

void SetRotatedFont(TCanvas &canvas, int angle)
{
    TFontDescription description = canvas.FontDescription();
    description.Escapement = angle * 10;
    description.Orientation = angle * 10;
    description.OutPrecision = 7; // outline fonts only
    description.Quality = 2;      // proof quality
    canvas.SetFontDescription(description);
}
