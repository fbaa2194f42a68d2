#include "TCanvas.h"

#include <QDebug>
#include <QFontMetrics>
#include <QPaintEngine>
#include <QPainter>
#include <QRegion>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <optional>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__GNUC__) && defined(__x86_64__)
#include <immintrin.h>
#endif

QDebug operator<<(QDebug debug, const TRect &rect)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "TRect(" << rect.Left << ", " << rect.Top << ", " << rect.Right << ", " << rect.Bottom << ')';
    return debug;
}

char *toString(const TRect &rect)
{
    return qstrdup(QStringLiteral("(%1, %2, %3, %4)").arg(rect.Left).arg(rect.Top).arg(rect.Right).arg(rect.Bottom).toUtf8().constData());
}

namespace {

constexpr TColor kInvalidPixel = TColorFromBits(0xFFFFFFFF);

QRgb ToRgb(TColor color)
{
    const TColor rgb = ColorToRGB(color);
    return qRgb(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromRgb(QRgb rgb)
{
    return RGBColor(qRed(rgb), qGreen(rgb), qBlue(rgb));
}

bool IsDirect32(QImage::Format format)
{
    return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32
        || format == QImage::Format_ARGB32_Premultiplied;
}

// The raster operation on the colour bits; bitwise operations act on each channel alike, so the
// byte order of QRgb does not matter.
QRgb Combine(TPenMode mode, QRgb pen, QRgb surface)
{
    QRgb result = surface;
    switch (mode) {
    case pmBlack: result = 0; break;
    case pmWhite: result = 0xFFFFFF; break;
    case pmNop: result = surface; break;
    case pmNot: result = ~surface; break;
    case pmCopy: result = pen; break;
    case pmNotCopy: result = ~pen; break;
    case pmMergePenNot: result = pen | ~surface; break;
    case pmMaskPenNot: result = pen & ~surface; break;
    case pmMergeNotPen: result = ~pen | surface; break;
    case pmMaskNotPen: result = ~pen & surface; break;
    case pmMerge: result = pen | surface; break;
    case pmNotMerge: result = ~(pen | surface); break;
    case pmMask: result = pen & surface; break;
    case pmNotMask: result = ~(pen & surface); break;
    case pmXor: result = pen ^ surface; break;
    case pmNotXor: result = ~(pen ^ surface); break;
    }
    return 0xFF000000u | (result & 0xFFFFFFu);
}

// Dash patterns of one-pixel pens: alternating on / off run lengths.
std::span<const int> DashPattern(TPenStyle style)
{
    static constexpr int dash[] = {18, 6};
    static constexpr int dot[] = {3, 3};
    static constexpr int dashDot[] = {9, 6, 3, 6};
    static constexpr int dashDotDot[] = {9, 3, 3, 3, 3, 3};
    switch (style) {
    case psDash: return dash;
    case psDot: return dot;
    case psDashDot: return dashDot;
    case psDashDotDot: return dashDotDot;
    default: return {};
    }
}

QFont::StyleStrategy StrategyFor(const TFontDescription &description)
{
    int strategy = QFont::PreferDefault;
    if (description.OutPrecision == 7)
        strategy |= QFont::PreferOutline;
    switch (description.Quality) {
    case 2: strategy |= QFont::PreferQuality; break;
    case 3: strategy |= QFont::NoAntialias; break;
    case 4: strategy |= QFont::PreferAntialias; break;
    default: break;
    }
    return QFont::StyleStrategy(strategy);
}

} // namespace

TCanvas::TCanvas(QPainter &painter, const QRect &bounds, TColor fallbackBackground)
    : m_painter(painter), m_fallbackBackground(ToRgb(fallbackBackground))
{
    m_font.Font = painter.font();
    QPaintEngine *engine = painter.paintEngine();
    QPaintDevice *device = engine ? engine->paintDevice() : nullptr;
    const QTransform transform = painter.deviceTransform();
    const qreal scale = transform.m11();
    const bool integral = transform.type() <= QTransform::TxScale && transform.m22() == scale && scale >= 1
        && scale == std::floor(scale) && transform.dx() == std::floor(transform.dx())
        && transform.dy() == std::floor(transform.dy());

    QRegion clip;
    if (device && device->devType() == QInternal::Image && integral) {
        m_direct = true;
        m_image = static_cast<QImage *>(device);
        m_scale = int(scale);
        m_origin = QPoint(int(transform.dx()), int(transform.dy()));
        const QRegion system = engine->systemClip();
        clip = system.isEmpty() ? QRegion(m_image->rect()) : system & m_image->rect();
        if (painter.hasClipping())
            clip &= transform.map(painter.clipRegion());
        if (bounds.isValid())
            clip &= transform.mapRect(bounds);
    } else {
        // Reads cannot see the device, so draw into a transparent scratch image and put it on the
        // painter at the end.
        const QRect area = bounds.isValid() ? bounds : painter.window();
        m_scratch = QImage(area.size().expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
        m_scratch.fill(Qt::transparent);
        m_origin = -area.topLeft();
        clip = QRegion(m_scratch.rect());
    }
    m_surface = m_direct ? m_image : &m_scratch;
    m_bits = m_surface->bits(); // the painter has detached the image already
    m_bytesPerLine = m_surface->bytesPerLine();
    m_width = m_surface->width();
    m_height = m_surface->height();
    if (m_surface->format() == QImage::Format_ARGB32_Premultiplied)
        m_layout = Layout::Premultiplied32;
    else if (IsDirect32(m_surface->format()))
        m_layout = Layout::Plain32;
    else
        m_layout = Layout::Other;
    m_clipRects.assign(clip.begin(), clip.end());
    m_clipBounds = clip.boundingRect();
}

TCanvas::~TCanvas()
{
    if (!m_direct)
        m_painter.drawImage(-m_origin, m_scratch);
}

TColor TCanvas::Pixel(int x, int y) const
{
    const qint64 dx = qint64(x) * m_scale + m_origin.x();
    const qint64 dy = qint64(y) * m_scale + m_origin.y();
    if (dx < 0 || dy < 0 || dx >= m_width || dy >= m_height)
        return kInvalidPixel;
    QRgb rgb;
    if (m_layout == Layout::Other) {
        rgb = m_surface->pixel(int(dx), int(dy));
    } else {
        rgb = reinterpret_cast<const QRgb *>(m_bits + dy * m_bytesPerLine)[dx];
        if (m_layout == Layout::Premultiplied32)
            rgb = qUnpremultiply(rgb);
    }
    if (!m_direct && qAlpha(rgb) == 0)
        rgb = m_fallbackBackground;
    return FromRgb(rgb);
}

namespace {

// The inner loop over a 32-bit scan line, one instance per pixel layout so that the common case
// of an opaque surface runs without per-pixel format tests.
template <bool Premultiplied, bool Fallback, typename PixelOp>
void RunPixels(QRgb *line, int first, int last, PixelOp &op, QRgb background)
{
    for (int col = first; col <= last; ++col) {
        QRgb in = line[col];
        if constexpr (Premultiplied) {
            if (qAlpha(in) != 255) {
                in = qUnpremultiply(in);
                if constexpr (Fallback) {
                    if (qAlpha(in) == 0)
                        in = background;
                }
            }
        }
        line[col] = op(in);
    }
}

// ((100 - density) * surface + density * color) / 100 with halves to even, for one channel.
inline quint32 BlendChannel(quint32 surface, quint32 weightedColor, quint32 inverseDensity)
{
    const quint32 n = surface * inverseDensity + weightedColor;
    const quint32 q = n / 100, r = n % 100;
    return q + (r > 50 || (r == 50 && (q & 1)));
}

struct BlendWeights
{
    quint32 red, green, blue; // density * colour channel
    quint32 inverse;          // 100 - density
};

inline QRgb BlendPixel(QRgb in, const BlendWeights &w)
{
    return 0xFF000000u | (BlendChannel(qRed(in), w.red, w.inverse) << 16)
        | (BlendChannel(qGreen(in), w.green, w.inverse) << 8) | BlendChannel(qBlue(in), w.blue, w.inverse);
}

// The vector blends work on 16-bit lanes, one per channel: n = s * (100 - D) + c * D + 50 stays
// below 25 551, where (n * 5243) >> 19 is exactly n / 100. That rounds halves up; a half is
// recognised by n being a multiple of 100 and then moved down to the even neighbour.
#if defined(__SSE2__)
inline __m128i BlendLanes(__m128i channels, __m128i inverse, __m128i weighted)
{
    const __m128i n = _mm_add_epi16(_mm_mullo_epi16(channels, inverse), weighted);
    const __m128i q = _mm_srli_epi16(_mm_mulhi_epu16(n, _mm_set1_epi16(5243)), 3);
    const __m128i exact = _mm_cmpeq_epi16(_mm_sub_epi16(n, _mm_mullo_epi16(q, _mm_set1_epi16(100))), _mm_setzero_si128());
    return _mm_sub_epi16(q, _mm_and_si128(exact, _mm_and_si128(q, _mm_set1_epi16(1))));
}

int BlendRunSse2(QRgb *line, int first, int last, const BlendWeights &w, bool checkAlpha)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i inverse = _mm_set1_epi16(short(w.inverse));
    const __m128i weighted = _mm_setr_epi16(short(w.blue + 50), short(w.green + 50), short(w.red + 50), 0,
                                            short(w.blue + 50), short(w.green + 50), short(w.red + 50), 0);
    const __m128i alpha = _mm_set1_epi32(int(0xFF000000u));
    int col = first;
    for (; col + 3 <= last; col += 4) {
        __m128i *at = reinterpret_cast<__m128i *>(line + col);
        const __m128i pixels = _mm_loadu_si128(at);
        if (checkAlpha && _mm_movemask_epi8(_mm_cmpeq_epi32(_mm_and_si128(pixels, alpha), alpha)) != 0xFFFF)
            break;
        const __m128i low = BlendLanes(_mm_unpacklo_epi8(pixels, zero), inverse, weighted);
        const __m128i high = BlendLanes(_mm_unpackhi_epi8(pixels, zero), inverse, weighted);
        _mm_storeu_si128(at, _mm_or_si128(_mm_packus_epi16(low, high), alpha));
    }
    return col;
}
#endif

#if defined(__GNUC__) && defined(__x86_64__)
#define TCANVAS_HAS_AVX2 1
__attribute__((target("avx2"))) inline __m256i BlendLanesAvx2(__m256i channels, __m256i inverse, __m256i weighted)
{
    const __m256i n = _mm256_add_epi16(_mm256_mullo_epi16(channels, inverse), weighted);
    const __m256i q = _mm256_srli_epi16(_mm256_mulhi_epu16(n, _mm256_set1_epi16(5243)), 3);
    const __m256i exact = _mm256_cmpeq_epi16(_mm256_sub_epi16(n, _mm256_mullo_epi16(q, _mm256_set1_epi16(100))),
                                             _mm256_setzero_si256());
    return _mm256_sub_epi16(q, _mm256_and_si256(exact, _mm256_and_si256(q, _mm256_set1_epi16(1))));
}

__attribute__((target("avx2"))) int BlendRunAvx2(QRgb *line, int first, int last, const BlendWeights &w, bool checkAlpha)
{
    const __m256i zero = _mm256_setzero_si256();
    const __m256i inverse = _mm256_set1_epi16(short(w.inverse));
    const short b = short(w.blue + 50), g = short(w.green + 50), r = short(w.red + 50);
    const __m256i weighted = _mm256_setr_epi16(b, g, r, 0, b, g, r, 0, b, g, r, 0, b, g, r, 0);
    const __m256i alpha = _mm256_set1_epi32(int(0xFF000000u));
    int col = first;
    for (; col + 7 <= last; col += 8) {
        __m256i *at = reinterpret_cast<__m256i *>(line + col);
        const __m256i pixels = _mm256_loadu_si256(at);
        if (checkAlpha
            && _mm256_movemask_epi8(_mm256_cmpeq_epi32(_mm256_and_si256(pixels, alpha), alpha)) != -1)
            break;
        // Unpacking and packing stay within each 128-bit half, so the pixel order is kept.
        const __m256i low = BlendLanesAvx2(_mm256_unpacklo_epi8(pixels, zero), inverse, weighted);
        const __m256i high = BlendLanesAvx2(_mm256_unpackhi_epi8(pixels, zero), inverse, weighted);
        _mm256_storeu_si256(at, _mm256_or_si256(_mm256_packus_epi16(low, high), alpha));
    }
    return col;
}
#endif

// Blends a run of pixels; on premultiplied surfaces (checkAlpha) translucent pixels take the
// scalar path.
void BlendRun(QRgb *line, int first, int last, const BlendWeights &w, bool checkAlpha)
{
    int col = first;
#if defined(TCANVAS_HAS_AVX2)
    static const bool avx2 = __builtin_cpu_supports("avx2");
    if (avx2)
        col = BlendRunAvx2(line, col, last, w, checkAlpha);
#endif
#if defined(__SSE2__)
    col = BlendRunSse2(line, col, last, w, checkAlpha);
#endif
    for (; col <= last; ++col) {
        QRgb in = line[col];
        if (checkAlpha && qAlpha(in) != 255)
            in = qUnpremultiply(in);
        line[col] = BlendPixel(in, w);
    }
}

} // namespace

template <typename RowOp, typename PixelOp>
void TCanvas::ForEachDeviceRun(int x0, int y0, int x1, int y1, RowOp rowOp, PixelOp pixelOp)
{
    if (x1 < x0 || y1 < y0)
        return;
    const qint64 left = qint64(x0) * m_scale + m_origin.x();
    const qint64 top = qint64(y0) * m_scale + m_origin.y();
    const qint64 right = (qint64(x1) + 1) * m_scale + m_origin.x() - 1;
    const qint64 bottom = (qint64(y1) + 1) * m_scale + m_origin.y() - 1;
    if (bottom < m_clipBounds.top() || top > m_clipBounds.bottom() || right < m_clipBounds.left()
        || left > m_clipBounds.right())
        return;
    for (const QRect &clip : m_clipRects) {
        const int first = int(std::max<qint64>(left, clip.left()));
        const int last = int(std::min<qint64>(right, clip.right()));
        const int rowFrom = int(std::max<qint64>(top, clip.top()));
        const int rowTo = int(std::min<qint64>(bottom, clip.bottom()));
        if (first > last || rowFrom > rowTo)
            continue;
        for (int row = rowFrom; row <= rowTo; ++row) {
            if (m_layout == Layout::Other) {
                for (int col = first; col <= last; ++col)
                    m_surface->setPixel(col, row, pixelOp(m_surface->pixel(col, row)));
            } else {
                rowOp(reinterpret_cast<QRgb *>(m_bits + row * m_bytesPerLine), first, last);
            }
        }
    }
}

template <typename PixelOp>
void TCanvas::ForEachDevicePixel(int x0, int y0, int x1, int y1, PixelOp op)
{
    const QRgb background = m_fallbackBackground;
    const Layout layout = m_layout;
    const bool direct = m_direct;
    ForEachDeviceRun(
        x0, y0, x1, y1,
        [&](QRgb *line, int first, int last) {
            if (layout == Layout::Plain32)
                RunPixels<false, false>(line, first, last, op, background);
            else if (direct)
                RunPixels<true, false>(line, first, last, op, background);
            else
                RunPixels<true, true>(line, first, last, op, background);
        },
        op);
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    const QRgb rgb = ToRgb(color);
    ForEachDevicePixel(x, y, x, y, [rgb](QRgb) { return rgb; });
}

void TCanvas::BlendSpan(int y, int x0, int x1, TColor color, int density)
{
    density = std::clamp(density, 0, 100);
    const BlendWeights weights{quint32(density * GetRValue(color)), quint32(density * GetGValue(color)),
                               quint32(density * GetBValue(color)), quint32(100 - density)};
    if (!m_direct) {
        // The scratch surface reads its untouched pixels as the fallback colour.
        ForEachDevicePixel(x0, y, x1, y, [&weights](QRgb in) { return BlendPixel(in, weights); });
        return;
    }
    const bool checkAlpha = m_layout == Layout::Premultiplied32;
    ForEachDeviceRun(
        x0, y, x1, y, [&](QRgb *line, int first, int last) { BlendRun(line, first, last, weights, checkAlpha); },
        [&weights](QRgb in) { return BlendPixel(in, weights); });
}

void TCanvas::ApplyRop(int x0, int y0, int x1, int y1, TPenMode mode, QRgb pen)
{
    if (x1 < x0)
        std::swap(x0, x1);
    if (y1 < y0)
        std::swap(y0, y1);
    switch (mode) {
    case pmNop:
        return;
    case pmCopy:
        ForEachDevicePixel(x0, y0, x1, y1, [pen](QRgb) { return pen; });
        return;
    case pmXor:
        ForEachDevicePixel(x0, y0, x1, y1, [pen](QRgb in) { return 0xFF000000u | ((pen ^ in) & 0xFFFFFFu); });
        return;
    default:
        ForEachDevicePixel(x0, y0, x1, y1, [mode, pen](QRgb in) { return Combine(mode, pen, in); });
        return;
    }
}

QRect TCanvas::LogicalClipBounds() const
{
    // One pixel of margin absorbs the rounding of the division.
    const int left = (m_clipBounds.left() - m_origin.x()) / m_scale - 1;
    const int top = (m_clipBounds.top() - m_origin.y()) / m_scale - 1;
    const int right = (m_clipBounds.right() - m_origin.x()) / m_scale + 1;
    const int bottom = (m_clipBounds.bottom() - m_origin.y()) / m_scale + 1;
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

void TCanvas::LineTo(int x, int y)
{
    DrawLine(m_penPos, QPoint(x, y));
    m_penPos = QPoint(x, y);
}

void TCanvas::Polyline(std::span<const QPoint> points)
{
    for (size_t i = 1; i < points.size(); ++i)
        DrawLine(points[i - 1], points[i]);
}

void TCanvas::DrawLine(QPoint from, QPoint to)
{
    if (from == to || m_penStyle == psClear || m_penMode == pmNop)
        return;
    const QRgb pen = ToRgb(m_penColor);
    const int dx = to.x() - from.x();
    const int dy = to.y() - from.y();
    const int stepX = dx > 0 ? 1 : (dx < 0 ? -1 : 0);
    const int stepY = dy > 0 ? 1 : (dy < 0 ? -1 : 0);
    const std::span<const int> pattern = m_penWidth == 1 ? DashPattern(m_penStyle) : std::span<const int>();

    if (m_penWidth == 1 && pattern.empty()) {
        if (dy == 0) {
            ApplyRop(from.x(), from.y(), to.x() - stepX, from.y(), m_penMode, pen);
            return;
        }
        // Only the part of the line that can reach the clip is walked.
        const QRect visible = LogicalClipBounds();
        if (dx == 0) {
            int yFrom = std::min(from.y(), to.y() - stepY), yTo = std::max(from.y(), to.y() - stepY);
            yFrom = std::max(yFrom, visible.top());
            yTo = std::min(yTo, visible.bottom());
            if (yFrom <= yTo)
                ApplyRop(from.x(), yFrom, from.x(), yTo, m_penMode, pen);
            return;
        }
        if (std::abs(dx) == std::abs(dy)) {
            qint64 first = 0, last = std::abs(dx) - 1;
            auto limit = [&first, &last](int start, int step, int low, int high) {
                if (step > 0) {
                    first = std::max<qint64>(first, qint64(low) - start);
                    last = std::min<qint64>(last, qint64(high) - start);
                } else {
                    first = std::max<qint64>(first, qint64(start) - high);
                    last = std::min<qint64>(last, qint64(start) - low);
                }
            };
            limit(from.x(), stepX, visible.left(), visible.right());
            limit(from.y(), stepY, visible.top(), visible.bottom());
            for (qint64 t = first; t <= last; ++t) {
                const int x = int(from.x() + t * stepX), y = int(from.y() + t * stepY);
                ApplyRop(x, y, x, y, m_penMode, pen);
            }
            return;
        }
    }

    // Bresenham for the rest: styled, wide or steep-in-between lines.
    std::vector<QPoint> points;
    {
        int x = from.x(), y = from.y();
        const int ax = std::abs(dx), ay = -std::abs(dy);
        int error = ax + ay;
        while (x != to.x() || y != to.y()) {
            points.emplace_back(x, y);
            const int twice = 2 * error;
            if (twice >= ay) {
                error += ay;
                x += stepX;
            }
            if (twice <= ax) {
                error += ax;
                y += stepY;
            }
        }
    }
    if (m_penWidth == 1) {
        int run = 0, index = 0;
        for (const QPoint &point : points) {
            if (pattern.empty() || index % 2 == 0)
                ApplyRop(point.x(), point.y(), point.x(), point.y(), m_penMode, pen);
            if (!pattern.empty() && ++run == pattern[index]) {
                run = 0;
                index = (index + 1) % int(pattern.size());
            }
        }
        return;
    }
    // A wide pen covers a square around each point; a straight thick line covers one run per row,
    // so every pixel is combined once even with raster operations that are not idempotent.
    const int before = (m_penWidth - 1) / 2;
    const int after = m_penWidth - 1 - before;
    const int minY = std::min(from.y(), to.y()) - before;
    const int maxY = std::max(from.y(), to.y()) + after;
    std::vector<std::pair<int, int>> runs(size_t(maxY - minY + 1), {INT_MAX, INT_MIN});
    for (const QPoint &point : points) {
        for (int row = point.y() - before; row <= point.y() + after; ++row) {
            auto &run = runs[size_t(row - minY)];
            run.first = std::min(run.first, point.x() - before);
            run.second = std::max(run.second, point.x() + after);
        }
    }
    for (size_t i = 0; i < runs.size(); ++i) {
        if (runs[i].first <= runs[i].second)
            ApplyRop(runs[i].first, minY + int(i), runs[i].second, minY + int(i), m_penMode, pen);
    }
}

void TCanvas::FrameRect(const TRect &rect)
{
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top)
        return;
    const QRgb brush = ToRgb(m_brushColor);
    ApplyRop(rect.Left, rect.Top, rect.Right - 1, rect.Top, pmCopy, brush);
    if (rect.Bottom - 1 > rect.Top)
        ApplyRop(rect.Left, rect.Bottom - 1, rect.Right - 1, rect.Bottom - 1, pmCopy, brush);
    if (rect.Bottom - 2 > rect.Top) {
        ApplyRop(rect.Left, rect.Top + 1, rect.Left, rect.Bottom - 2, pmCopy, brush);
        if (rect.Right - 1 > rect.Left)
            ApplyRop(rect.Right - 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 2, pmCopy, brush);
    }
}

void TCanvas::FillRect(const TRect &rect)
{
    if (rect.Right > rect.Left && rect.Bottom > rect.Top)
        ApplyRop(rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1, pmCopy, ToRgb(m_brushColor));
}

void TCanvas::SetFont(const QFont &font)
{
    TFontDescription description;
    description.Font = font;
    SetFontDescription(description);
}

void TCanvas::SetFontDescription(const TFontDescription &description)
{
    m_font = description;
    m_font.Font.setStyleStrategy(StrategyFor(description));
}

int TCanvas::TextWidth(const QString &text) const
{
    return QFontMetrics(m_font.Font).horizontalAdvance(text);
}

int TCanvas::TextHeight(const QString &text) const
{
    Q_UNUSED(text);
    return QFontMetrics(m_font.Font).height();
}

void TCanvas::TextRect(const TRect &clip, int x, int y, const QString &text)
{
    DrawText(&clip, x, y, text);
}

void TCanvas::TextOut(int x, int y, const QString &text)
{
    DrawText(nullptr, x, y, text);
}

void TCanvas::DrawText(const TRect *clip, int x, int y, const QString &text)
{
    if (text.isEmpty() || (clip && (clip->Right <= clip->Left || clip->Bottom <= clip->Top)))
        return;
    std::optional<QPainter> scratchPainter;
    QPainter *painter = &m_painter;
    if (!m_direct) {
        scratchPainter.emplace(&m_scratch);
        scratchPainter->translate(m_origin);
        painter = &*scratchPainter;
    }
    painter->save();
    // Text goes where the pixel writes may go: the canvas clip in device pixels.
    QRegion allowed;
    for (const QRect &rect : m_clipRects)
        allowed += rect;
    painter->setClipRegion(painter->deviceTransform().inverted().map(allowed), Qt::IntersectClip);
    if (clip)
        painter->setClipRect(QRect(QPoint(clip->Left, clip->Top), QPoint(clip->Right - 1, clip->Bottom - 1)), Qt::IntersectClip);
    painter->setFont(m_font.Font);
    painter->setPen(ToQColor(m_fontColor));
    painter->setBackgroundMode(Qt::TransparentMode);
    painter->translate(x, y);
    if (m_font.Escapement != 0)
        painter->rotate(-m_font.Escapement / 10.0);
    painter->drawText(QPointF(0, QFontMetrics(m_font.Font).ascent()), text);
    painter->restore();
}
