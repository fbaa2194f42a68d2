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
    const QImage &surface = Surface();
    const qint64 dx = qint64(x) * m_scale + m_origin.x();
    const qint64 dy = qint64(y) * m_scale + m_origin.y();
    if (dx < 0 || dy < 0 || dx >= surface.width() || dy >= surface.height())
        return kInvalidPixel;
    QRgb rgb;
    if (IsDirect32(surface.format())) {
        rgb = reinterpret_cast<const QRgb *>(surface.constScanLine(int(dy)))[dx];
        if (surface.format() == QImage::Format_ARGB32_Premultiplied)
            rgb = qUnpremultiply(rgb);
    } else {
        rgb = surface.pixel(int(dx), int(dy));
    }
    if (!m_direct && qAlpha(rgb) == 0)
        rgb = m_fallbackBackground;
    return FromRgb(rgb);
}

template <typename PixelOp>
void TCanvas::ForEachDevicePixel(int y, int x0, int x1, PixelOp op)
{
    if (x1 < x0)
        return;
    QImage &surface = Surface();
    const qint64 top = qint64(y) * m_scale + m_origin.y();
    const qint64 left = qint64(x0) * m_scale + m_origin.x();
    const qint64 right = (qint64(x1) + 1) * m_scale + m_origin.x() - 1;
    const qint64 bottom = top + m_scale - 1;
    if (bottom < m_clipBounds.top() || top > m_clipBounds.bottom() || right < m_clipBounds.left()
        || left > m_clipBounds.right())
        return;
    const bool direct32 = IsDirect32(surface.format());
    const bool premultiplied = surface.format() == QImage::Format_ARGB32_Premultiplied;
    const bool fallback = !m_direct;
    for (const QRect &clip : m_clipRects) {
        const int rowFrom = int(std::max<qint64>(top, clip.top()));
        const int rowTo = int(std::min<qint64>(bottom, clip.bottom()));
        const int colFrom = int(std::max<qint64>(left, clip.left()));
        const int colTo = int(std::min<qint64>(right, clip.right()));
        if (rowFrom > rowTo || colFrom > colTo)
            continue;
        for (int row = rowFrom; row <= rowTo; ++row) {
            if (direct32) {
                QRgb *line = reinterpret_cast<QRgb *>(surface.scanLine(row));
                for (int col = colFrom; col <= colTo; ++col) {
                    QRgb in = line[col];
                    if (premultiplied)
                        in = qUnpremultiply(in);
                    if (fallback && qAlpha(in) == 0)
                        in = m_fallbackBackground;
                    line[col] = op(in);
                }
            } else {
                for (int col = colFrom; col <= colTo; ++col)
                    surface.setPixel(col, row, op(surface.pixel(col, row)));
            }
        }
    }
}

void TCanvas::SetPixel(int x, int y, TColor color)
{
    const QRgb rgb = ToRgb(color);
    ForEachDevicePixel(y, x, x, [rgb](QRgb) { return rgb; });
}

void TCanvas::RemapSpan(int y, int x0, int x1, const TChannelMap &map)
{
    ForEachDevicePixel(y, x0, x1, [&map](QRgb in) {
        return qRgb(map.Red[qRed(in)], map.Green[qGreen(in)], map.Blue[qBlue(in)]);
    });
}

void TCanvas::ApplyRop(int y, int x0, int x1, TPenMode mode, QRgb pen)
{
    if (x1 < x0)
        std::swap(x0, x1);
    switch (mode) {
    case pmNop:
        return;
    case pmCopy:
        ForEachDevicePixel(y, x0, x1, [pen](QRgb) { return pen; });
        return;
    case pmXor:
        ForEachDevicePixel(y, x0, x1, [pen](QRgb in) { return 0xFF000000u | ((pen ^ in) & 0xFFFFFFu); });
        return;
    default:
        ForEachDevicePixel(y, x0, x1, [mode, pen](QRgb in) { return Combine(mode, pen, in); });
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
            ApplyRop(from.y(), from.x(), to.x() - stepX, m_penMode, pen);
            return;
        }
        // Only the part of the line that can reach the clip is walked.
        const QRect visible = LogicalClipBounds();
        if (dx == 0) {
            int yFrom = std::min(from.y(), to.y() - stepY), yTo = std::max(from.y(), to.y() - stepY);
            yFrom = std::max(yFrom, visible.top());
            yTo = std::min(yTo, visible.bottom());
            for (int row = yFrom; row <= yTo; ++row)
                ApplyRop(row, from.x(), from.x(), m_penMode, pen);
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
            for (qint64 t = first; t <= last; ++t)
                ApplyRop(int(from.y() + t * stepY), int(from.x() + t * stepX), int(from.x() + t * stepX), m_penMode, pen);
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
                ApplyRop(point.y(), point.x(), point.x(), m_penMode, pen);
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
            ApplyRop(minY + int(i), runs[i].first, runs[i].second, m_penMode, pen);
    }
}

void TCanvas::FrameRect(const TRect &rect)
{
    if (rect.Right <= rect.Left || rect.Bottom <= rect.Top)
        return;
    const QRgb brush = ToRgb(m_brushColor);
    ApplyRop(rect.Top, rect.Left, rect.Right - 1, pmCopy, brush);
    if (rect.Bottom - 1 > rect.Top)
        ApplyRop(rect.Bottom - 1, rect.Left, rect.Right - 1, pmCopy, brush);
    for (int y = rect.Top + 1; y < rect.Bottom - 1; ++y) {
        ApplyRop(y, rect.Left, rect.Left, pmCopy, brush);
        if (rect.Right - 1 > rect.Left)
            ApplyRop(y, rect.Right - 1, rect.Right - 1, pmCopy, brush);
    }
}

void TCanvas::FillRect(const TRect &rect)
{
    const QRgb brush = ToRgb(m_brushColor);
    for (int y = rect.Top; y < rect.Bottom; ++y)
        ApplyRop(y, rect.Left, rect.Right - 1, pmCopy, brush);
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
