#include "TktMultiBevel.h"

#include "BevelDrawing.h"

#include <QEvent>
#include <QPainter>

#include <algorithm>
#include <optional>

namespace {

// Offsets and chamfers beyond a widget's largest possible size are held at this bound, which keeps
// every coordinate sum far from integer overflow.
constexpr qint64 kMaxOffset = 2 * (qint64(QWIDGETSIZE_MAX) + 1);

// Bevel and border widths beyond this paint exactly what this paints. With a widget and offsets
// within kMaxOffset and a chamfer within kMaxOffset, a ring or chamfer diagonal can only cross
// the widget for ring numbers below 2 * kMaxOffset, and every ring of a frame element that starts
// further in than that lies outside the widget on the far side; a band this wide also covers the
// whole widget. Three such widths and a chamfer still add up within an int.
constexpr qint64 kMaxBand = 4 * kMaxOffset;

int Bounded(qint64 value, qint64 limit)
{
    return int(std::clamp(value, -limit, limit));
}

int Density(int density)
{
    return std::clamp(density, 0, 100);
}

int DependentShadowDensity(int colorDensity)
{
    return qRound(colorDensity * 60 / 100.0);
}

TPenMode PenModeFor(TktMBevel::TShadowStyle style)
{
    switch (style) {
    case TktMBevel::ssBlack: return pmBlack;
    case TktMBevel::ssCopy: return pmCopy;
    case TktMBevel::ssDithered: return pmCopy;
    case TktMBevel::ssMask: return pmMask;
    case TktMBevel::ssMaskNotPen: return pmMaskNotPen;
    case TktMBevel::ssMerge: return pmMerge;
    case TktMBevel::ssMergeNotPen: return pmMergeNotPen;
    case TktMBevel::ssNot: return pmNot;
    case TktMBevel::ssNotAND: return pmMaskPenNot;
    case TktMBevel::ssNotCopy: return pmNotCopy;
    case TktMBevel::ssNotMask: return pmNotMask;
    case TktMBevel::ssNotMerge: return pmNotMerge;
    case TktMBevel::ssNotOR: return pmMergePenNot;
    case TktMBevel::ssNotXOR: return pmNotXor;
    case TktMBevel::ssTransparent: return pmNop;
    case TktMBevel::ssWhite: return pmWhite;
    case TktMBevel::ssXOR: return pmXor;
    }
    return pmCopy;
}

// The top-left and bottom-right colours of a bevel style.
std::pair<TColor, TColor> BevelColors(TktMBevel::TBevelStyle style, TColor highlight, TColor shadow)
{
    return style == TktMBevel::bstLowered ? std::pair(shadow, highlight) : std::pair(highlight, shadow);
}

// Point size of a font as the frame's narrow test sees it (pixel heights at 96 pixels per inch).
int PointSize(const QFont &font)
{
    if (font.pointSizeF() > 0)
        return qRound(font.pointSizeF());
    return qRound(font.pixelSize() * 72 / 96.0);
}

// Stores value when it differs; true when it did.
template <typename T>
bool Assign(T &member, T value)
{
    if (member == value)
        return false;
    member = value;
    return true;
}

// How a shape's frame elements are drawn: a line as filled bands, a rectangle as square rings,
// a portrait as rings with chamfered corners.
enum class TDrawing : quint8 { Band, Rings, Chamfered };

// The widget side a line shape lies along; None for the shapes that frame the whole widget.
enum class TSide : quint8 { None, Left, Top, Right, Bottom };

// How far in from the widget's right and bottom edges an element's far sides stop: 1 keeps the
// last column or row inside the element's rectangle, 0 puts the side on the widget's edge.
struct TFarEdges
{
    int Right = 0;
    int Bottom = 0;
};

// Everything the frame's geometry needs to know about one shape.
struct TShapeGeometry
{
    TktMBevel::TBevelShape Shape;
    TSide Line;
    TDrawing Drawing;
    TFarEdges Shadow;
    TFarEdges Border;        // the border of a frame without an outer bevel
    TFarEdges BorderInBevel; // the border inside an outer bevel
    int CaptionGap;          // the caption's distance from the frame on the line's side, beyond its width
};

constexpr TShapeGeometry kShapes[] = {
    {TktMBevel::bspBottomLine, TSide::Bottom, TDrawing::Band, {0, 1}, {1, 1}, {1, 1}, 0},
    {TktMBevel::bspLeftLine, TSide::Left, TDrawing::Band, {0, 1}, {1, 1}, {1, 1}, 2},
    // The border stops one column beyond the widget here; that column is clipped.
    {TktMBevel::bspRightLine, TSide::Right, TDrawing::Band, {1, 1}, {0, 1}, {1, 1}, 2},
    {TktMBevel::bspTopLine, TSide::Top, TDrawing::Band, {0, 1}, {1, 1}, {1, 1}, 2},
    {TktMBevel::bspRect, TSide::None, TDrawing::Rings, {0, 0}, {0, 0}, {0, 0}, 2},
    {TktMBevel::bspPortrait, TSide::None, TDrawing::Chamfered, {0, 0}, {0, 0}, {0, 0}, 2},
};

const TShapeGeometry &GeometryOf(TktMBevel::TBevelShape shape)
{
    for (const TShapeGeometry &geometry : kShapes)
        if (geometry.Shape == shape)
            return geometry;
    return kShapes[4]; // bspRect, the initial shape
}

struct TInsets
{
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
};

// A rectangle set `in` from the widget's sides, moved away from the offset (dx, dy) so that it
// and its offset copy both fit; `far` says where its right and bottom sides stop.
TRect Placed(int W, int H, int dx, int dy, const TInsets &in, TFarEdges far = {})
{
    return {std::max(in.Left - dx, in.Left), std::max(in.Top - dy, in.Top),
            std::min(W - far.Right - in.Right, W - far.Right - dx - in.Right),
            std::min(H - far.Bottom - in.Bottom, H - far.Bottom - dy - in.Bottom)};
}

TInsets AllSides(int inset)
{
    return {inset, inset, inset, inset};
}

// A line shape's element keeps only `depth` beyond its side on the line; a framing shape's element
// stays as it is.
TRect AlongLine(TRect rect, TSide line, int depth)
{
    switch (line) {
    case TSide::None: break;
    case TSide::Left: rect.Right = rect.Left + depth; break;
    case TSide::Top: rect.Bottom = rect.Top + depth; break;
    case TSide::Right: rect.Left = rect.Right - depth; break;
    case TSide::Bottom: rect.Top = rect.Bottom - depth; break;
    }
    return rect;
}

} // namespace

// The widths of one paint, derived from the properties.
struct TktMBevel::Bands
{
    int W = 0, H = 0;
    int BW = 1, BrW = 0, E = 0;
    int Inner = 0, Outer = 0, Total = 0;
    int SX = 0, SY = 0;
    const TShapeGeometry *Geometry = &GeometryOf(bspRect);
    // bspRect or bspPortrait, as opposed to the four line shapes
    bool RectLike() const { return Geometry->Drawing != TDrawing::Band; }
};

TktMBevel::TktMBevel(QWidget *parent) : TGraphicControl(parent)
{
    resize(75, 50);
}

void TktMBevel::SetCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    update();
}

void TktMBevel::SetBevelInner(TBevelStyle value)
{
    if (Assign(m_bevelInner, value))
        update();
}

void TktMBevel::SetBevelOuter(TBevelStyle value)
{
    if (Assign(m_bevelOuter, value))
        update();
}

void TktMBevel::SetCaptionOutfit(TCaptionOutfit value)
{
    if (Assign(m_captionOutfit, value))
        update();
}

void TktMBevel::SetCaptionPosition(TCaptionPosition value)
{
    if (Assign(m_captionPosition, value))
        update();
}

void TktMBevel::SetEdgeSize(int value)
{
    if (Assign(m_edgeSize, value))
        update();
}

void TktMBevel::SetShadowColor(TColor value)
{
    if (Assign(m_shadowColor, value))
        update();
}

void TktMBevel::SetShadowOffsetX(int value)
{
    if (Assign(m_shadowOffsetX, value))
        update();
}

void TktMBevel::SetShadowOffsetY(int value)
{
    if (Assign(m_shadowOffsetY, value))
        update();
}

void TktMBevel::SetShadowStyle(TShadowStyle value)
{
    if (Assign(m_shadowStyle, value))
        update();
}

void TktMBevel::SetShape(TBevelShape value)
{
    if (Assign(m_shape, value))
        update();
}

void TktMBevel::SetBevelWidth(int width)
{
    if (Assign(m_bevelWidth, std::max(1, width)))
        update();
}

void TktMBevel::SetBorderWidth(int width)
{
    if (Assign(m_borderWidth, std::max(0, width)))
        update();
}

void TktMBevel::SetColor(TColor color)
{
    if (color == Color()) {
        ApplyFixedColors();
        update();
    } else {
        TGraphicControl::SetColor(color); // calls ColorChanged, then repaints
    }
}

void TktMBevel::ColorChanged()
{
    ApplyFixedColors();
}

void TktMBevel::ApplyFixedColors()
{
    if (!m_colorFixed)
        return;
    if (Color() == clBtnFace) {
        m_colorHighlight = clBtnHighlight;
        m_colorShadow = clBtnShadow;
    } else {
        m_colorHighlight = MixColors(Color(), clWhite, 33);
        m_colorShadow = MixColors(Color(), clBlack, 66);
    }
}

void TktMBevel::SetColorFixed(bool fixed)
{
    m_colorFixed = fixed;
    if (fixed)
        SetColor(Color());
    else
        update();
}

void TktMBevel::SetColorHighlight(TColor color)
{
    if (m_colorFixed || m_colorHighlight == color)
        return;
    m_colorHighlight = color;
    update();
}

void TktMBevel::SetColorShadow(TColor color)
{
    if (m_colorFixed || m_colorShadow == color)
        return;
    m_colorShadow = color;
    update();
}

void TktMBevel::SetColorDensity(int density)
{
    density = Density(density);
    if (m_colorDensity == density)
        return;
    m_colorDensity = density;
    if (m_transparence == trSemi)
        m_semiDensity = density;
    if (m_densityDepended)
        m_shadowDensity = DependentShadowDensity(density);
    update();
}

void TktMBevel::SetDensityDepended(bool depended)
{
    if (m_densityDepended == depended)
        return;
    m_densityDepended = depended;
    if (!depended)
        return;
    const int shadowDensity = DependentShadowDensity(m_colorDensity);
    if (shadowDensity == m_shadowDensity)
        return;
    m_shadowDensity = shadowDensity;
    if (m_shadowStyle == ssDithered)
        update();
}

void TktMBevel::SetShadowDensity(int density)
{
    density = Density(density);
    if (m_densityDepended || m_shadowDensity == density)
        return;
    m_shadowDensity = density;
    update();
}

void TktMBevel::SetShadowed(bool shadowed)
{
    if (m_transparence == trTransparent || m_shadowed == shadowed)
        return;
    m_shadowed = shadowed;
    update();
}

void TktMBevel::SetTransparence(TTransparence transparence)
{
    if (m_transparence == transparence)
        return;
    m_transparence = transparence;
    switch (transparence) {
    case trNone:
        SetColorDensity(100);
        break;
    case trSemi:
        SetColorDensity(m_semiDensity);
        break;
    case trTransparent:
        m_shadowed = false;
        SetColorDensity(0);
        break;
    }
}

void TktMBevel::changeEvent(QEvent *event)
{
    TGraphicControl::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange)
        update();
}

void TktMBevel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    TCanvas canvas(painter, rect());
    Paint(canvas);
}

void TktMBevel::Paint(TCanvas &canvas) const
{
    Bands bands;
    bands.W = width();
    bands.H = height();
    // Widths are held at kMaxBand only so that the sums below stay within an int; nothing a
    // wider band could paint would show (see kMaxBand). The drawing routines skip the rings that
    // cannot be seen, so a width this large costs no more than the rings crossing the widget.
    bands.BW = Bounded(m_bevelWidth, kMaxBand);
    bands.BrW = Bounded(m_borderWidth, kMaxBand);
    bands.E = Bounded(m_edgeSize, kMaxOffset);
    bands.Geometry = &GeometryOf(m_shape);
    const TShapeGeometry &geometry = *bands.Geometry;
    const int BW = bands.BW, BrW = bands.BrW, E = bands.E, W = bands.W, H = bands.H;

    bands.Inner = m_bevelInner != bstNone && bands.RectLike() ? BW : 0;
    if (m_bevelOuter == bstNone)
        bands.Outer = BrW;
    else
        bands.Outer = bands.RectLike() ? BW + BrW : 2 * BW + BrW;
    bands.Total = bands.Outer + bands.Inner;
    const int Total = bands.Total, Outer = bands.Outer;

    canvas.SetPenWidth(1);
    canvas.SetPenMode(pmCopy);
    canvas.SetPenStyle(psSolid);

    if (m_shadowed && Total > 0) {
        bands.SX = Bounded(m_shadowOffsetX, kMaxOffset);
        bands.SY = Bounded(m_shadowOffsetY, kMaxOffset);
        PaintShadow(canvas, bands);
    }
    const int SX = bands.SX, SY = bands.SY;

    // The rectangle of the last frame element painted, as it was before its drawing routine
    // changed it; the caption's narrow test looks at its height.
    std::optional<TRect> lastElement;

    if (BrW != 0 && m_transparence != trTransparent) {
        const TRect border = m_bevelOuter == bstNone
            ? AlongLine(Placed(W, H, SX, SY, AllSides(0), geometry.Border), geometry.Line, BrW - 1)
            : AlongLine(Placed(W, H, SX, SY, AllSides(BW), geometry.BorderInBevel), geometry.Line, BrW - 1);
        PaintBorder(canvas, bands, border);
        lastElement = border;
    }

    if (m_bevelOuter != bstNone) {
        TRect outer = AlongLine(Placed(W, H, SX, SY, AllSides(0)), geometry.Line, Total);
        lastElement = outer;
        const auto [top, bottom] = BevelColors(m_bevelOuter, m_colorHighlight, m_colorShadow);
        if (geometry.Drawing == TDrawing::Chamfered)
            DrawChamferedRings(canvas, outer, top, bottom, BW, E);
        else
            DrawBevelRings(canvas, outer, top, bottom, BW);
    }

    if (bands.Inner != 0) {
        TRect inner = {std::max(Outer - SX, Outer), std::max(Outer - SY, Outer), std::min(W - Outer, W - SX - Outer),
                       std::min(H - Outer, H - SY - Outer)};
        lastElement = inner;
        const auto [top, bottom] = BevelColors(m_bevelInner, m_colorHighlight, m_colorShadow);
        if (geometry.Drawing == TDrawing::Rings) {
            DrawBevelRings(canvas, inner, top, bottom, BW);
        } else {
            int chamfer;
            if (BrW > 0)
                chamfer = m_bevelOuter != bstNone ? E - (BW + 2) / 2 - (BrW + 2) / 2 : E - 1 - (BrW + 2) / 2;
            else
                chamfer = m_bevelOuter != bstNone ? E - (BW + 2) / 2 : E;
            DrawChamferedRings(canvas, inner, top, bottom, BW, chamfer);
        }
    }

    if (!m_caption.isEmpty())
        PaintCaption(canvas, bands, lastElement ? &*lastElement : nullptr);
}

void TktMBevel::PaintShadow(TCanvas &canvas, const Bands &bands) const
{
    const int W = bands.W, H = bands.H, SX = bands.SX, SY = bands.SY, Total = bands.Total, E = bands.E;
    const TShapeGeometry &geometry = *bands.Geometry;
    // The shadow lies on the offset side, so it moves the other way from the frame.
    const TRect shadow = AlongLine(Placed(W, H, -SX, -SY, AllSides(0), geometry.Shadow), geometry.Line, Total - 1);

    canvas.SetPenWidth(1);
    canvas.SetPenColor(m_shadowColor);
    canvas.SetPenMode(PenModeFor(m_shadowStyle));
    bool drawn = false;
    if (m_shadowStyle == ssDithered) {
        if (BackgroundVaries(canvas, shadow)) {
            TRect mixed = shadow;
            if (geometry.Drawing == TDrawing::Rings)
                BlendRectRing(canvas, mixed, m_shadowColor, Total, m_shadowDensity);
            else if (geometry.Drawing == TDrawing::Chamfered)
                BlendChamferedRing(canvas, mixed, m_shadowColor, m_shadowDensity, Total, E);
            else
                BlendRect(canvas, mixed, m_shadowColor, m_shadowDensity);
            drawn = true;
        } else {
            canvas.SetPenColor(MixColors(m_shadowColor, canvas.Pixel(shadow.Left, shadow.Top), m_shadowDensity));
            canvas.SetPenMode(pmCopy);
        }
    }
    if (!drawn) {
        if (geometry.Drawing == TDrawing::Band) {
            FillBand(canvas, shadow);
        } else if (geometry.Drawing == TDrawing::Rings) {
            const QRect visible = canvas.ClipBounds();
            for (int i = 0; i < Total; ++i) {
                const int l = shadow.Left + i, t = shadow.Top + i, r = shadow.Right - 1 - i, b = shadow.Bottom - 1 - i;
                // Rings past the far sides of the clip draw nothing, and neither do the ones after them.
                if (l > visible.right() && t > visible.bottom() && r < visible.left() && b < visible.top())
                    break;
                canvas.Polyline({QPoint(l, t), QPoint(r, t), QPoint(r, b), QPoint(l, b), QPoint(l, t)});
            }
        } else {
            TRect rings = shadow;
            const TColor pen = canvas.PenColor();
            DrawChamferedRings(canvas, rings, pen, pen, Total, E);
        }
    }
    canvas.SetPenMode(pmCopy);
    canvas.SetPenStyle(psSolid);
}

void TktMBevel::PaintBorder(TCanvas &canvas, const Bands &bands, const TRect &border) const
{
    const int BrW = bands.BrW, BW = bands.BW, E = bands.E;
    const TColor color = Color();
    auto paintSolid = [&](TColor solid) {
        if (bands.Geometry->Drawing == TDrawing::Band) {
            canvas.SetPenWidth(1);
            canvas.SetPenColor(solid);
            canvas.SetPenMode(pmCopy);
            FillBand(canvas, border);
        } else if (bands.Geometry->Drawing == TDrawing::Rings) {
            canvas.SetBrushColor(solid);
            TRect ring = border;
            const QRect visible = canvas.ClipBounds();
            for (int i = 0; i < BrW && ring.Right > ring.Left && ring.Bottom > ring.Top; ++i) {
                if (ring.Left > visible.right() || ring.Top > visible.bottom() || ring.Right <= visible.left()
                    || ring.Bottom <= visible.top())
                    break;
                canvas.FrameRect(ring);
                ring = {ring.Left + 1, ring.Top + 1, ring.Right - 1, ring.Bottom - 1};
            }
        } else {
            TRect rings = border;
            DrawChamferedRings(canvas, rings, solid, solid, BrW, E - BW / 2 - 1);
        }
    };

    if (m_transparence != trSemi && m_colorDensity >= 100) {
        paintSolid(color);
    } else if (m_shadowed || BackgroundVaries(canvas, border)) {
        TRect mixed = border;
        if (bands.Geometry->Drawing == TDrawing::Band)
            BlendRect(canvas, mixed, color, m_colorDensity);
        else if (bands.Geometry->Drawing == TDrawing::Rings)
            BlendRectRing(canvas, mixed, color, BrW, m_colorDensity);
        else
            BlendChamferedRing(canvas, mixed, color, m_colorDensity, BrW, m_bevelOuter == bstNone ? E : E - BW / 2);
    } else {
        paintSolid(MixColors(color, canvas.Pixel(border.Left, border.Top), m_colorDensity));
    }
}

void TktMBevel::PaintCaption(TCanvas &canvas, const Bands &bands, const TRect *lastElement) const
{
    const int W = bands.W, H = bands.H, SX = bands.SX, SY = bands.SY, Total = bands.Total, BW = bands.BW, E = bands.E;
    const int b = Total + 2;
    const TShapeGeometry &geometry = *bands.Geometry;
    // The caption keeps clear of the frame: on every side of a framing shape, on the line's side of
    // a line shape.
    const int clear = Total + geometry.CaptionGap;
    TInsets insets;
    switch (geometry.Line) {
    case TSide::None: insets = AllSides(clear); break;
    case TSide::Left: insets.Left = clear; break;
    case TSide::Top: insets.Top = clear; break;
    case TSide::Right: insets.Right = clear; break;
    case TSide::Bottom: insets.Bottom = clear; break;
    }
    TRect area = Placed(W, H, SX, SY, insets);
    if (geometry.Drawing == TDrawing::Chamfered) {
        const bool sideways = m_captionPosition >= cpLeft && m_captionPosition <= cpRightVertical;
        // With no frame element painted the whole client height counts.
        const int h = lastElement ? lastElement->Bottom - 1 - lastElement->Top : H - 1;
        if (!sideways) {
            area.Left = std::max(BW + E - SX, BW + E);
            area.Right = std::min(W - E - BW, W - SX - E - BW);
        } else if (PointSize(font()) > h - 2 * E) {
            area.Left = std::max(b + E / 2 + BW - SX, b + E / 2 + BW);
            area.Right = std::min(W - b - E / 2 - BW, W - SX - b - E / 2 - BW);
        }
    }

    canvas.SetFont(font());
    const int tw = canvas.TextWidth(m_caption);
    const int th = canvas.TextHeight(m_caption);
    const int L = area.Left, T = area.Top, R = area.Right, B = area.Bottom;
    int x = L, y = T;
    switch (m_captionPosition) {
    case cpTopLeft: x = L; y = T; break;
    case cpTopCenter: x = L + (R - L - tw) / 2; y = T; break;
    case cpTopRight: x = R - tw - 2; y = T; break;
    case cpLeft: x = L; y = T + (B - T - th) / 2; break;
    case cpLeftVertical: x = L; y = T + (tw + B - T) / 2; break;
    case cpCenter: x = L + (R - L - tw) / 2; y = T + (B - T - th) / 2; break;
    case cpRight: x = R - tw - 2; y = T + (B - T - th) / 2; break;
    case cpRightVertical: x = R - th + 2; y = T + (tw + B - T) / 2; break;
    case cpBottomLeft: x = L; y = B - th; break;
    case cpBottomCenter: x = L + (R - L - tw) / 2; y = B - th; break;
    case cpBottomRight: x = R - tw - 2; y = B - th; break;
    }

    const TFontDescription saved = canvas.FontDescription();
    const TColor savedColor = canvas.FontColor();
    if (m_captionPosition == cpLeftVertical || m_captionPosition == cpRightVertical)
        SetRotatedFont(canvas, 90);
    auto pass = [&](TColor color, int dx, int dy) {
        canvas.SetFontColor(color);
        canvas.TextRect(area, x + dx, y + dy, m_caption);
    };
    if (!isEnabled()) {
        pass(clBtnHighlight, 1, 1);
        pass(clBtnShadow, 0, 0);
    } else {
        const TColor F = FontColor();
        switch (m_captionOutfit) {
        case coHeavy:
            pass(F, 0, 0);
            pass(F, 1, 1);
            break;
        case coInsetHeavy:
            pass(m_colorHighlight, 1, 1);
            pass(m_colorShadow, -1, -1);
            pass(F, 0, 0);
            break;
        case coInsetLight:
            pass(m_colorHighlight, 1, 1);
            pass(F, 0, 0);
            break;
        case coNormal:
            pass(F, 0, 0);
            break;
        case coRaisedHeavy:
            pass(m_colorHighlight, -1, -1);
            pass(m_colorShadow, 1, 1);
            pass(F, 0, 0);
            break;
        case coRaisedLight:
            pass(m_colorHighlight, -1, -1);
            pass(F, 0, 0);
            break;
        case coShadowed:
            pass(m_colorShadow, 2, 2);
            pass(F, 0, 0);
            break;
        }
    }
    canvas.SetFontDescription(saved);
    canvas.SetFontColor(savedColor);
}

TktMultiBevel::TktMultiBevel(QWidget *parent) : TktMBevel(parent) {}
