#include "TCustomPanel.h"

#include "Exceptions.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>

namespace {

void BevelColors(Tk::TBevelCut bevel, const QColor &face, QColor &topLeft, QColor &bottomRight)
{
    switch (bevel) {
    case Tk::bvLowered:
        topLeft = ToQColor(clBtnShadow);
        bottomRight = ToQColor(clBtnHighlight);
        break;
    case Tk::bvRaised:
        topLeft = ToQColor(clBtnHighlight);
        bottomRight = ToQColor(clBtnShadow);
        break;
    case Tk::bvNone:
    case Tk::bvSpace:
        topLeft = bottomRight = face;
        break;
    }
}

} // namespace

TCustomPanel::TCustomPanel(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    resize(185, 41);
    StoreColor(m_color);
    FrameChanged();
}

void TCustomPanel::SetBounds(int left, int top, int width, int height)
{
    setGeometry(left, top, qMax(0, width), qMax(0, height));
}

void TCustomPanel::SetCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    update();
}

void TCustomPanel::SetAlignment(Tk::TAlignment alignment)
{
    if (m_alignment == alignment)
        return;
    m_alignment = alignment;
    update();
}

void TCustomPanel::SetBevelInner(Tk::TBevelCut bevel)
{
    if (m_bevelInner == bevel)
        return;
    m_bevelInner = bevel;
    FrameChanged();
}

void TCustomPanel::SetBevelOuter(Tk::TBevelCut bevel)
{
    if (m_bevelOuter == bevel)
        return;
    m_bevelOuter = bevel;
    FrameChanged();
}

void TCustomPanel::SetBevelWidth(int width)
{
    if (width < 1)
        throw EInvalidOperation(QStringLiteral("BevelWidth must be at least 1"));
    if (m_bevelWidth == width)
        return;
    m_bevelWidth = width;
    FrameChanged();
}

void TCustomPanel::SetBorderWidth(int width)
{
    if (width < 0)
        throw EInvalidOperation(QStringLiteral("BorderWidth must not be negative"));
    if (m_borderWidth == width)
        return;
    m_borderWidth = width;
    FrameChanged();
}

void TCustomPanel::SetBorderStyle(Tk::TBorderStyle style)
{
    if (m_borderStyle == style)
        return;
    m_borderStyle = style;
    FrameChanged();
}

void TCustomPanel::SetCtl3D(bool ctl3D)
{
    if (m_ctl3D == ctl3D)
        return;
    m_ctl3D = ctl3D;
    FrameChanged();
}

void TCustomPanel::SetColor(TColor color)
{
    m_parentColor = false;
    StoreColor(color);
}

void TCustomPanel::StoreColor(TColor color)
{
    const bool changed = m_color != color;
    m_color = color;
    if (m_parentColor) {
        // Inherit the container's palette, so that what is inside follows the container too.
        setPalette(QPalette());
    } else {
        QPalette own;
        own.setColor(QPalette::Window, ToQColor(m_color));
        setPalette(own);
    }
    if (changed) {
        ColorChanged();
        update();
    }
}

void TCustomPanel::SetParentColor(bool parentColor)
{
    if (m_parentColor == parentColor)
        return;
    m_parentColor = parentColor;
    if (m_parentColor)
        SyncParentColor();
    else
        StoreColor(m_color);
}

void TCustomPanel::SyncParentColor()
{
    if (m_parentColor && parentWidget())
        StoreColor(ParentColorOf(parentWidget()));
}

void TCustomPanel::SetFontColor(TColor color)
{
    if (m_fontColor == color)
        return;
    m_fontColor = color;
    update();
}

int TCustomPanel::BorderEdgeWidth() const
{
    if (m_borderStyle == bsNone)
        return 0;
    return m_ctl3D ? 2 : 1;
}

QMargins TCustomPanel::ChildMargins() const
{
    int room = BorderEdgeWidth() + m_borderWidth;
    if (m_bevelOuter != bvNone)
        room += m_bevelWidth;
    if (m_bevelInner != bvNone)
        room += m_bevelWidth;
    return {room, room, room, room};
}

void TCustomPanel::FrameChanged()
{
    setContentsMargins(ChildMargins());
    update();
}

void TCustomPanel::Click()
{
    if (OnClick)
        OnClick(this);
}

void TCustomPanel::Paint(QPainter &painter)
{
    const QColor face = ToQColor(m_color);
    QRect area = rect();
    if (m_borderStyle == bsSingle) {
        if (m_ctl3D) {
            Frame3D(painter, area, ToQColor(clBtnShadow), ToQColor(clBtnHighlight), 1);
            Frame3D(painter, area, ToQColor(cl3DDkShadow), ToQColor(cl3DLight), 1);
        } else {
            Frame3D(painter, area, ToQColor(clWindowFrame), ToQColor(clWindowFrame), 1);
        }
    }
    QColor topLeft;
    QColor bottomRight;
    if (m_bevelOuter != bvNone) {
        BevelColors(m_bevelOuter, face, topLeft, bottomRight);
        Frame3D(painter, area, topLeft, bottomRight, m_bevelWidth);
    }
    Frame3D(painter, area, face, face, m_borderWidth);
    if (m_bevelInner != bvNone) {
        BevelColors(m_bevelInner, face, topLeft, bottomRight);
        Frame3D(painter, area, topLeft, bottomRight, m_bevelWidth);
    }
    painter.fillRect(area, face);

    if (m_caption.isEmpty())
        return;
    painter.setFont(font());
    painter.setPen(ToQColor(m_fontColor));
    painter.setBackgroundMode(Qt::TransparentMode);
    const int lineHeight = painter.fontMetrics().height();
    const int top = (area.top() + area.top() + area.height() - lineHeight) / 2;
    int flags = Qt::TextExpandTabs | Qt::TextShowMnemonic | Qt::AlignTop;
    switch (m_alignment) {
    case taLeftJustify: flags |= Qt::AlignLeft; break;
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
    }
    painter.drawText(QRect(area.left(), top, area.width(), lineHeight), flags, m_caption);
}

void TCustomPanel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Paint(painter);
}

void TCustomPanel::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_parentColor) {
        const TColor inherited = ParentColorOf(parentWidget());
        if (inherited != m_color) {
            m_color = inherited;
            ColorChanged();
            update();
        }
    } else if (event->type() == QEvent::FontChange || event->type() == QEvent::EnabledChange) {
        update();
    }
}

bool TCustomPanel::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange)
        SyncParentColor();
    return QWidget::event(event);
}

void TCustomPanel::enterEvent(QEnterEvent *event)
{
    QWidget::enterEvent(event);
    MouseEnter();
}

void TCustomPanel::leaveEvent(QEvent *event)
{
    QWidget::leaveEvent(event);
    MouseLeave();
}

void TCustomPanel::mousePressEvent(QMouseEvent *event)
{
    event->accept();
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    if (OnMouseDown) {
        const QPoint at = event->position().toPoint();
        OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
    }
}

void TCustomPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (OnMouseMove) {
        const QPoint at = event->position().toPoint();
        OnMouseMove(this, event->modifiers(), at.x(), at.y());
    }
}

void TCustomPanel::mouseReleaseEvent(QMouseEvent *event)
{
    QPointer<TCustomPanel> self(this);
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && m_pressed) {
        m_pressed = false;
        if (rect().contains(at))
            Click();
    }
    if (self && OnMouseUp)
        OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
}

void TCustomPanel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPointer<TCustomPanel> self(this);
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(this);
    if (self)
        QWidget::mouseDoubleClickEvent(event);
}
