#include "BevelDrawing.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

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

// How many rings can still reach the visible pixels: past this every corner of a ring, and every
// point of its chamfers, lies beyond the clip on the far side.
qint64 RingReach(const TCanvas &canvas, const TRect &rect, int chamfer = 0)
{
    const QRect visible = canvas.ClipBounds();
    const qint64 extent = std::max({std::abs(qint64(rect.Left)), std::abs(qint64(rect.Top)),
                                    std::abs(qint64(rect.Right)), std::abs(qint64(rect.Bottom)),
                                    std::abs(qint64(visible.left())), std::abs(qint64(visible.top())),
                                    std::abs(qint64(visible.right())), std::abs(qint64(visible.bottom()))});
    return 4 * (extent + std::abs(qint64(chamfer))) + 4;
}

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
    for (int x = rect.Left + 1; x < rect.Right; ++x) {
        if (std::abs(qint64(canvas.Pixel(x, rect.Top)) - first) > 2)
            return true;
    }
    return false;
}

void DrawBevelRings(TCanvas &canvas, TRect &rect, TColor top, TColor bottom, int width)
{
    canvas.SetPenWidth(1);
    const qint64 rings = std::min<qint64>(width, RingReach(canvas, rect));
    for (int i = 0; i < rings; ++i) {
        const int l = rect.Left + i, t = rect.Top + i, r = rect.Right - 1 - i, b = rect.Bottom - 1 - i;
        canvas.SetPenColor(top);
        canvas.Polyline({QPoint(l, b), QPoint(l, t), QPoint(r, t)});
        canvas.SetPenColor(bottom);
        canvas.Polyline({QPoint(r, t), QPoint(r, b), QPoint(l - 1, b)});
    }
    if (width <= 0)
        return;
    rect.Left = Saturate(qint64(rect.Left) + width);
    rect.Top = Saturate(qint64(rect.Top) + width);
    rect.Right = Saturate(qint64(rect.Right) - width);
    rect.Bottom = Saturate(qint64(rect.Bottom) - width);
}

void DrawChamferedRings(TCanvas &canvas, TRect &rect, TColor top, TColor bottom, int width, int chamfer)
{
    rect.Right -= 1;
    rect.Bottom -= 1;
    const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom, E = chamfer;
    canvas.SetPenWidth(1);
    const qint64 reach = RingReach(canvas, rect, chamfer);
    const int rings = int(std::min<qint64>(width, reach));
    for (int i = 0; i < rings; ++i) {
        const int h = i / 2;
        canvas.SetPenColor(top);
        canvas.Polyline({QPoint(L + i, B - E - h), QPoint(L + i, T + E + h), QPoint(L + E + h, T + i),
                         QPoint(R - E - h, T + i), QPoint(R - i, T + E + h)});
        canvas.SetPenColor(bottom);
        canvas.Polyline({QPoint(R - i, T + E + h), QPoint(R - i, B - E - h), QPoint(R - E - h, B - i),
                         QPoint(L + E + h, B - i), QPoint(L + i, B - E - h)});
    }
    // Odd steps of the chamfers leave gaps between the rings; these lines fill them.
    const int diagonals = int(std::min<qint64>((qint64(width) - 1) / 2, reach));
    for (int c = 1; c <= diagonals; ++c) {
        canvas.SetPenColor(top);
        canvas.MoveTo(L + E + c - 1, T + 2 * c);
        canvas.LineTo(L + 2 * c - 1, T + E + c);
        canvas.MoveTo(R - E - c + 1, T + 2 * c);
        canvas.LineTo(R - 2 * c + 1, T + E + c);
        canvas.SetPenColor(bottom);
        canvas.MoveTo(R - E - c + 1, B - 2 * c);
        canvas.LineTo(R - 2 * c + 1, B - E - c);
        canvas.MoveTo(L + E + c - 1, B - 2 * c);
        canvas.LineTo(L + 2 * c - 1, B - E - c);
    }
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
    rect.Right -= 1;
    rect.Bottom -= 1;
    const int L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom;
    const QRect visible = canvas.ClipBounds();
    const int from = std::max(T, visible.top()), to = std::min(B, visible.bottom());
    if (from > to || R < L)
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
    rect.Right -= 1;
    rect.Bottom -= 1;
    const qint64 L = rect.Left, T = rect.Top, R = rect.Right, B = rect.Bottom, E = chamfer, w = width;
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
