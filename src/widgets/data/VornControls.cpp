#include "VornControls.h"

#include "Exceptions.h"

#include <QPainter>

#include <algorithm>
#include <limits>

namespace {

// Insets one side of Rect by Amount without overflowing (widths up to 2^31 - 1 are allowed).
int Inset(int edge, qint64 amount)
{
    const qint64 moved = qint64(edge) + amount;
    return int(std::clamp<qint64>(moved, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

int ClampToInt(qint64 value)
{
    return int(std::clamp<qint64>(value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// The largest width or height a widget can take.
int ClampToWidgetSize(qint64 value)
{
    return int(std::clamp<qint64>(value, 0, QWIDGETSIZE_MAX));
}

// A frame wider than the widget leaves a content rectangle far outside it, even turned inside
// out; it is kept within a range where QRect's own arithmetic cannot overflow.
QRect ToQRect(const TRect &rect)
{
    const qint64 reach = 4 * qint64(QWIDGETSIZE_MAX);
    const auto held = [reach](qint64 value) { return int(std::clamp(value, -reach, reach)); };
    return QRect(QPoint(held(rect.Left), held(rect.Top)), QPoint(held(qint64(rect.Right) - 1), held(qint64(rect.Bottom) - 1)));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TVornBevel

TVornBevel::TVornBevel(QObject *parent) : QObject(parent) {}

void TVornBevel::Changed()
{
    if (OnChange)
        OnChange(this);
}

void TVornBevel::SetBevelInner(TVornBevelStyle style)
{
    if (m_bevelInner == style)
        return;
    m_bevelInner = style;
    Changed();
}

void TVornBevel::SetBevelOuter(TVornBevelStyle style)
{
    if (m_bevelOuter == style)
        return;
    m_bevelOuter = style;
    Changed();
}

void TVornBevel::SetBevelWidth(int width)
{
    if (width < 1)
        throw EInvalidOperation(QStringLiteral("BevelWidth must be at least 1"));
    if (m_bevelWidth == width)
        return;
    m_bevelWidth = width;
    Changed();
}

void TVornBevel::SetBevelBorders(TVornBorderSides borders)
{
    if (m_bevelBorders == borders)
        return;
    m_bevelBorders = borders;
    Changed();
}

int TVornBevel::BevelSideSize() const
{
    qint64 size = m_borderWidth;
    if (m_bevelOuter != bvNone)
        size += m_bevelWidth;
    if (m_bevelInner != bvNone)
        size += m_bevelWidth;
    return int(qMin<qint64>(size, std::numeric_limits<int>::max()));
}

void TVornBevel::SetBorderStyle(TVornBorderStyle style)
{
    if (m_borderStyle == style)
        return;
    m_borderStyle = style;
    Changed();
}

void TVornBevel::SetBorderWidth(int width)
{
    if (width < 0)
        throw EInvalidOperation(QStringLiteral("BorderWidth must not be negative"));
    if (m_borderWidth == width)
        return;
    m_borderWidth = width;
    Changed();
}

void TVornBevel::SetHighLightColor(TColor color)
{
    if (m_highLightColor == color)
        return;
    m_highLightColor = color;
    Changed();
}

void TVornBevel::SetShadowColor(TColor color)
{
    if (m_shadowColor == color)
        return;
    m_shadowColor = color;
    Changed();
}

void TVornBevel::Assign(const QObject *source)
{
    const auto *other = qobject_cast<const TVornBevel *>(source);
    if (!other) {
        const QString sourceName = source ? QString::fromLatin1(source->metaObject()->className())
                                          : QStringLiteral("nil");
        throw EInvalidOperation(QStringLiteral("Cannot assign a %1 to a %2")
                                    .arg(sourceName, QString::fromLatin1(metaObject()->className())));
    }
    m_bevelInner = other->m_bevelInner;
    m_bevelOuter = other->m_bevelOuter;
    m_bevelWidth = other->m_bevelWidth;
    m_bevelBorders = other->m_bevelBorders;
    m_borderStyle = other->m_borderStyle;
    m_borderWidth = other->m_borderWidth;
    m_highLightColor = other->m_highLightColor;
    m_shadowColor = other->m_shadowColor;
    Changed();
}

void TVornBevel::BevelColors(TVornBevelStyle style, TColor &topLeft, TColor &bottomRight) const
{
    if (style == bvLowered) {
        topLeft = m_shadowColor;
        bottomRight = m_highLightColor;
    } else {
        topLeft = m_highLightColor;
        bottomRight = m_shadowColor;
    }
}

void TVornBevel::DrawFrame(TCanvas &canvas, TRect &rect, TColor topLeft, TColor bottomRight, int count,
                           TVornBorderSides borders)
{
    canvas.SetPenWidth(1);
    canvas.SetPenStyle(psSolid);
    canvas.SetPenMode(pmCopy);
    if (count <= 0)
        return;
    if (!(borders & (bsLeft | bsTop | bsRight | bsBottom))) // nothing to draw, nothing to inset
        return;
    // Every frame is drawn, also once the rectangle has turned inside out: its lines then cross
    // the earlier ones. Each line moves one way with every frame (the left column to the right,
    // the top row down, and so on), so once all of them have passed the far side of what can be
    // painted none can come back, and the rest of Count only insets the rectangle.
    const QRect visible = canvas.ClipBounds();
    const auto outOfReach = [&] {
        return (!(borders & bsLeft) || rect.Left > visible.right()) && (!(borders & bsTop) || rect.Top > visible.bottom())
               && (!(borders & bsRight) || qint64(rect.Right) - 1 < visible.left())
               && (!(borders & bsBottom) || qint64(rect.Bottom) - 1 < visible.top());
    };
    qint64 drawn = 0;
    for (; drawn < count && !outOfReach(); ++drawn) {
        const int l = rect.Left;
        const int t = rect.Top;
        const int r = rect.Right;
        const int b = rect.Bottom;
        canvas.SetPenColor(topLeft);
        if (borders & bsLeft) {
            canvas.MoveTo(l, b - 1);
            canvas.LineTo(l, t);
        }
        if (borders & bsTop) {
            canvas.MoveTo(l, t);
            canvas.LineTo(r, t);
        }
        canvas.SetPenColor(bottomRight);
        if (borders & bsRight) {
            canvas.MoveTo(r - 1, t);
            canvas.LineTo(r - 1, b);
        }
        if (borders & bsBottom) {
            canvas.MoveTo(l, b - 1);
            canvas.LineTo(r, b - 1);
        }
        if (borders & bsLeft)
            rect.Left = Inset(rect.Left, 1);
        if (borders & bsTop)
            rect.Top = Inset(rect.Top, 1);
        if (borders & bsRight)
            rect.Right = Inset(rect.Right, -1);
        if (borders & bsBottom)
            rect.Bottom = Inset(rect.Bottom, -1);
    }
    const qint64 rest = qint64(count) - drawn;
    if (rest > 0) {
        if (borders & bsLeft)
            rect.Left = Inset(rect.Left, rest);
        if (borders & bsTop)
            rect.Top = Inset(rect.Top, rest);
        if (borders & bsRight)
            rect.Right = Inset(rect.Right, -rest);
        if (borders & bsBottom)
            rect.Bottom = Inset(rect.Bottom, -rest);
    }
}

void TVornBevel::DrawBevel(TCanvas &canvas, TRect &rect, TColor color, bool transparent) const
{
    TColor topLeft;
    TColor bottomRight;
    if (m_bevelOuter != bvNone) {
        BevelColors(m_bevelOuter, topLeft, bottomRight);
        DrawFrame(canvas, rect, topLeft, bottomRight, m_bevelWidth, m_bevelBorders);
    }
    if (transparent) {
        rect.Left = Inset(rect.Left, m_borderWidth);
        rect.Top = Inset(rect.Top, m_borderWidth);
        rect.Right = Inset(rect.Right, -qint64(m_borderWidth));
        rect.Bottom = Inset(rect.Bottom, -qint64(m_borderWidth));
    } else {
        DrawFrame(canvas, rect, color, color, m_borderWidth, m_bevelBorders);
    }
    if (m_bevelInner != bvNone) {
        BevelColors(m_bevelInner, topLeft, bottomRight);
        DrawFrame(canvas, rect, topLeft, bottomRight, m_bevelWidth, m_bevelBorders);
    }
    rect.Left = Inset(rect.Left, 1);
    rect.Top = Inset(rect.Top, 1);
    rect.Right = Inset(rect.Right, -1);
    rect.Bottom = Inset(rect.Bottom, -1);
}

// ---------------------------------------------------------------------------------------------
// TVornMouseTracker

bool TVornMouseTracker::Enter(bool enabled)
{
    if (m_inControl || !enabled)
        return false;
    m_inControl = true;
    return true;
}

bool TVornMouseTracker::Leave(bool enabled)
{
    if (!m_inControl || !enabled)
        return false;
    m_inControl = false;
    return true;
}

// ---------------------------------------------------------------------------------------------
// TVornGraphicControl

TVornGraphicControl::TVornGraphicControl(QWidget *parent) : TGraphicControl(parent) {}

void TVornGraphicControl::MouseEnter()
{
    TGraphicControl::MouseEnter();
    if (m_mouse.Enter(isEnabled()) && OnMouseEnter)
        OnMouseEnter(this);
}

void TVornGraphicControl::MouseLeave()
{
    TGraphicControl::MouseLeave();
    if (m_mouse.Leave(isEnabled()) && OnMouseLeave)
        OnMouseLeave(this);
}

// ---------------------------------------------------------------------------------------------
// TVornCustomLabel

TVornCustomLabel::TVornCustomLabel(QWidget *parent) : TCustomLabel(parent)
{
    m_bevel = new TVornBevel(this);
    // The outer bevel goes before the label listens, so that a new label keeps its 65 x 17.
    m_bevel->SetBevelOuter(TVornBevel::bvNone);
    m_bevel->OnChange = [this](QObject *sender) { BevelChanged(sender); };
}

TVornCustomLabel::~TVornCustomLabel()
{
    m_bevel->OnChange = nullptr;
    delete m_bevel;
}

void TVornCustomLabel::SetBevel(TVornBevel *bevel)
{
    if (!bevel || bevel == m_bevel)
        return;
    m_bevel->Assign(bevel);
}

void TVornCustomLabel::BevelChanged(QObject *)
{
    FitToText();
    repaint();
}

void TVornCustomLabel::AdjustBounds()
{
    FitToText();
}

void TVornCustomLabel::FitToText()
{
    if (!AutoSize() || IsLoading())
        return;
    const QSize fit = FitSize();
    const int newWidth = fit.width();
    const int newHeight = fit.height();
    qint64 newLeft = x();
    if (Alignment() == taRightJustify)
        newLeft += qint64(width()) - newWidth;
    SetBounds(ClampToInt(newLeft), y(), newWidth, newHeight);
}

QSize TVornCustomLabel::FitSize() const
{
    QRect text(0, 0, width(), height());
    // Measured from the corner without an alignment: the size does not depend on it.
    const int flags = (DrawTextFlags() & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
    // Measuring paints nothing and changes no state; it only needs a painter.
    const_cast<TVornCustomLabel *>(this)->MeasureText(text, flags);
    // A bevel can be wider than any widget; the size stops at the largest a widget can take.
    const qint64 margin = 2 * (qint64(m_bevel->BevelSideSize()) + 1);
    return {ClampToWidgetSize(text.width() + margin), ClampToWidgetSize(text.height() + margin)};
}

void TVornCustomLabel::Paint(QPainter &painter)
{
    if (!Transparent())
        painter.fillRect(rect(), ToQColor(Color()));
    TRect frame{0, 0, width(), height()};
    {
        TCanvas canvas(painter);
        m_bevel->DrawBevel(canvas, frame, Color(), Transparent());
    }
    QRect area = ToQRect(frame);
    const int flags = DrawTextFlags();
    if (Layout() != tlTop) {
        QRect measured = area;
        DoDrawText(painter, measured, flags | dtCalcRect);
        const int measuredBottom = measured.top() + measured.height();
        if (Layout() == tlBottom)
            area.translate(0, height() - measuredBottom);
        else
            area.translate(0, ClampToInt((qint64(height()) - measuredBottom - m_bevel->BevelSideSize() - 1) / 2));
    }
    DoDrawText(painter, area, flags);
}

void TVornCustomLabel::MouseEnter()
{
    TCustomLabel::MouseEnter();
    if (m_mouse.Enter(isEnabled()) && OnMouseEnter)
        OnMouseEnter(this);
}

void TVornCustomLabel::MouseLeave()
{
    TCustomLabel::MouseLeave();
    if (m_mouse.Leave(isEnabled()) && OnMouseLeave)
        OnMouseLeave(this);
}

// ---------------------------------------------------------------------------------------------
// TVornCustomPanel

TVornCustomPanel::TVornCustomPanel(QWidget *parent) : TCustomPanel(parent)
{
    m_bevel = new TVornBevel(this);
    m_bevel->OnChange = [this](QObject *sender) { BevelChanged(sender); };
    FrameChanged();
}

TVornCustomPanel::~TVornCustomPanel()
{
    m_bevel->OnChange = nullptr;
    delete m_bevel;
}

void TVornCustomPanel::SetBevel(TVornBevel *bevel)
{
    if (!bevel || bevel == m_bevel)
        return;
    m_bevel->Assign(bevel);
}

void TVornCustomPanel::BevelChanged(QObject *)
{
    // The toolkit panel keeps the window border; its own bevel properties stay unused.
    TCustomPanel::SetBorderStyle(m_bevel->BorderStyle());
    FrameChanged();
}

int TVornCustomPanel::WindowEdgeWidth() const
{
    // The window border as painted: that of the bevel, whatever the toolkit panel holds.
    return m_bevel->BorderStyle() == Tk::bsNone ? 0 : (Ctl3D() ? 2 : 1);
}

QMargins TVornCustomPanel::ChildMargins() const
{
    const int room = ClampToInt(qint64(WindowEdgeWidth()) + m_bevel->BevelSideSize());
    return {room, room, room, room};
}

void TVornCustomPanel::Paint(QPainter &painter)
{
    QRect area = rect();
    if (m_bevel->BorderStyle() == Tk::bsSingle) {
        if (Ctl3D()) {
            Frame3D(painter, area, ToQColor(clBtnShadow), ToQColor(clBtnHighlight), 1);
            Frame3D(painter, area, ToQColor(cl3DDkShadow), ToQColor(cl3DLight), 1);
        } else {
            Frame3D(painter, area, ToQColor(clWindowFrame), ToQColor(clWindowFrame), 1);
        }
    }
    // The window's background is erased in Color first: DrawBevel leaves its last pixel ring
    // unpainted.
    painter.fillRect(area, ToQColor(Color()));
    TRect frame{area.left(), area.top(), area.left() + area.width(), area.top() + area.height()};
    {
        TCanvas canvas(painter);
        m_bevel->DrawBevel(canvas, frame, Color(), false);
    }
    const QRect inside = ToQRect(frame);
    painter.fillRect(inside, ToQColor(Color()));

    if (Caption().isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(ToQColor(FontColor()));
    painter.setBackgroundMode(Qt::TransparentMode);
    const int lineHeight = painter.fontMetrics().height();
    const int top = ClampToInt((qint64(frame.Top) + frame.Bottom - lineHeight) / 2);
    int flags = Qt::TextExpandTabs | Qt::TextShowMnemonic | Qt::AlignTop;
    switch (Alignment()) {
    case taLeftJustify: flags |= Qt::AlignLeft; break;
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
    }
    painter.drawText(QRect(inside.left(), top, inside.width(), lineHeight), flags, Caption());
}

void TVornCustomPanel::MouseEnter()
{
    TCustomPanel::MouseEnter();
    if (m_mouse.Enter(isEnabled()) && OnMouseEnter)
        OnMouseEnter(this);
}

void TVornCustomPanel::MouseLeave()
{
    TCustomPanel::MouseLeave();
    if (m_mouse.Leave(isEnabled()) && OnMouseLeave)
        OnMouseLeave(this);
}
