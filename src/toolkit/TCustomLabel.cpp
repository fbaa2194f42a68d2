#include "TCustomLabel.h"

#include <QImage>
#include <QKeySequence>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>

TCustomLabel::TCustomLabel(QWidget *parent) : TGraphicControl(parent)
{
    resize(65, 17);
    SyncParentColor();
}

TCustomLabel::~TCustomLabel() = default;

void TCustomLabel::SetCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    UpdateAccelerator();
    AdjustBounds();
    update();
}

void TCustomLabel::SetAlignment(Tk::TAlignment alignment)
{
    if (m_alignment == alignment)
        return;
    m_alignment = alignment;
    update();
}

void TCustomLabel::SetLayout(Tk::TTextLayout layout)
{
    if (m_layout == layout)
        return;
    m_layout = layout;
    update();
}

void TCustomLabel::SetAutoSize(bool autoSize)
{
    if (m_autoSize == autoSize)
        return;
    m_autoSize = autoSize;
    AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool wordWrap)
{
    if (m_wordWrap == wordWrap)
        return;
    m_wordWrap = wordWrap;
    AdjustBounds();
    update();
}

void TCustomLabel::SetTransparent(bool transparent)
{
    if (m_transparent == transparent)
        return;
    m_transparent = transparent;
    update();
}

void TCustomLabel::SetShowAccelChar(bool show)
{
    if (m_showAccelChar == show)
        return;
    m_showAccelChar = show;
    UpdateAccelerator();
    AdjustBounds();
    update();
}

void TCustomLabel::SetParentColor(bool parentColor)
{
    if (m_parentColor == parentColor)
        return;
    m_parentColor = parentColor;
    SyncParentColor();
}

void TCustomLabel::SetFocusControl(QWidget *control)
{
    if (m_focusControl == control)
        return;
    m_focusControl = control;
    UpdateAccelerator();
}

void TCustomLabel::Click()
{
    if (OnClick)
        OnClick(this);
}

QString TCustomLabel::GetLabelText() const
{
    return m_caption;
}

QMargins TCustomLabel::TextMargins() const
{
    return {};
}

int TCustomLabel::DrawTextFlags() const
{
    int flags = Qt::TextExpandTabs | Qt::AlignTop;
    if (m_showAccelChar)
        flags |= Qt::TextShowMnemonic;
    if (m_wordWrap)
        flags |= Qt::TextWordWrap;
    switch (m_alignment) {
    case taLeftJustify: flags |= Qt::AlignLeft; break;
    case taRightJustify: flags |= Qt::AlignRight; break;
    case taCenter: flags |= Qt::AlignHCenter; break;
    }
    return flags;
}

void TCustomLabel::DoDrawText(QPainter &painter, QRect &rect, int flags)
{
    const int qtFlags = flags & ~dtCalcRect;
    if (flags & dtCalcRect) {
        QString text = GetLabelText();
        painter.setFont(font());
        if (text.isEmpty() || (m_showAccelChar && text == QLatin1String("&")))
            text += QLatin1Char(' ');
        // Measure left-aligned from the rectangle's corner: the size does not depend on the
        // alignment, and the caller keeps the corner.
        const int measureFlags = (qtFlags & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft;
        const QRect bounds = painter.boundingRect(rect, measureFlags, text);
        rect.setSize(bounds.size());
        return;
    }
    if (isEnabled()) {
        DrawCaptionText(painter, rect, qtFlags, ToQColor(FontColor()));
    } else {
        DrawCaptionText(painter, rect.translated(1, 1), qtFlags, ToQColor(clBtnHighlight));
        DrawCaptionText(painter, rect, qtFlags, ToQColor(clBtnShadow));
    }
}

void TCustomLabel::DrawCaptionText(QPainter &painter, const QRect &rect, int flags, const QColor &color)
{
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(color);
    painter.drawText(rect, flags & ~dtCalcRect, GetLabelText());
}

void TCustomLabel::MeasureText(QRect &rect, int flags)
{
    // Measured on an image of the widget's resolution, so that the size matches the painting
    // without needing the widget to be shown.
    QImage device(1, 1, QImage::Format_ARGB32_Premultiplied);
    device.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    device.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));
    QPainter painter(&device);
    DoDrawText(painter, rect, flags | dtCalcRect);
}

void TCustomLabel::AdjustBounds()
{
    if (!m_autoSize || IsLoading())
        return;
    const QSize fit = FitSize();
    const int newWidth = fit.width();
    const int newHeight = fit.height();
    int newLeft = x();
    if (m_alignment == taRightJustify)
        newLeft += width() - newWidth;
    SetBounds(newLeft, y(), newWidth, newHeight);
}

QSize TCustomLabel::FitSize() const
{
    const QMargins margins = TextMargins();
    const int marginWidth = margins.left() + margins.right();
    const int marginHeight = margins.top() + margins.bottom();
    QRect text(0, 0, qMax(0, width() - marginWidth), qMax(0, height() - marginHeight));
    // Measuring paints nothing and changes no state; it only needs a painter.
    const_cast<TCustomLabel *>(this)->MeasureText(text, DrawTextFlags());
    return {text.width() + marginWidth, text.height() + marginHeight};
}

void TCustomLabel::Paint(QPainter &painter)
{
    if (!m_transparent)
        painter.fillRect(rect(), ToQColor(Color()));
    QRect area = rect().marginsRemoved(TextMargins());
    const int flags = DrawTextFlags();
    if (m_layout != tlTop) {
        QRect measured = area;
        DoDrawText(painter, measured, flags | dtCalcRect);
        const int room = area.height() - measured.height();
        area.translate(0, m_layout == tlBottom ? room : room / 2);
    }
    DoDrawText(painter, area, flags);
}

void TCustomLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Paint(painter);
}

void TCustomLabel::Loaded()
{
    TGraphicControl::Loaded();
    AdjustBounds();
}

void TCustomLabel::ColorChanged()
{
    TGraphicControl::ColorChanged();
    if (!m_syncingParentColor)
        m_parentColor = false;
}

void TCustomLabel::SyncParentColor()
{
    if (!m_parentColor || !parentWidget())
        return;
    m_syncingParentColor = true;
    SetColor(ParentColorOf(parentWidget()));
    m_syncingParentColor = false;
}

void TCustomLabel::changeEvent(QEvent *event)
{
    TGraphicControl::changeEvent(event);
    switch (event->type()) {
    case QEvent::FontChange:
        AdjustBounds();
        update();
        break;
    case QEvent::PaletteChange:
        SyncParentColor();
        break;
    case QEvent::EnabledChange:
        update();
        break;
    default:
        break;
    }
}

bool TCustomLabel::event(QEvent *event)
{
    if (event->type() == QEvent::ParentChange)
        SyncParentColor();
    return TGraphicControl::event(event);
}

void TCustomLabel::UpdateAccelerator()
{
    delete m_accelerator;
    m_accelerator = nullptr;
    if (!m_showAccelChar || !m_focusControl)
        return;
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (key.isEmpty())
        return;
    m_accelerator = new QShortcut(key, this);
    connect(m_accelerator, &QShortcut::activated, this, &TCustomLabel::AcceleratorPressed);
    // Two controls with the same accelerator take turns, as Qt cycles ambiguous shortcuts.
    connect(m_accelerator, &QShortcut::activatedAmbiguously, this, &TCustomLabel::AcceleratorPressed);
}

void TCustomLabel::AcceleratorPressed()
{
    QWidget *target = m_focusControl;
    if (!target || !isEnabled() || !m_showAccelChar)
        return;
    if (target->isEnabled() && target->isVisible() && target->focusPolicy() != Qt::NoFocus)
        target->setFocus(Qt::ShortcutFocusReason);
}

void TCustomLabel::mousePressEvent(QMouseEvent *event)
{
    TGraphicControl::mousePressEvent(event);
    if (OnMouseDown) {
        const QPoint at = event->position().toPoint();
        OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
    }
}

void TCustomLabel::mouseMoveEvent(QMouseEvent *event)
{
    TGraphicControl::mouseMoveEvent(event);
    if (OnMouseMove) {
        const QPoint at = event->position().toPoint();
        OnMouseMove(this, event->modifiers(), at.x(), at.y());
    }
}

void TCustomLabel::mouseReleaseEvent(QMouseEvent *event)
{
    const bool wasHeld = MouseCaptured();
    QPointer<TCustomLabel> self(this);
    TGraphicControl::mouseReleaseEvent(event);
    // Accepted, so that delivery stops here even when a handler below deletes the label.
    event->accept();
    const QPoint at = event->position().toPoint();
    if (event->button() == Qt::LeftButton && wasHeld && rect().contains(at))
        Click();
    if (self && OnMouseUp)
        OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
}

void TCustomLabel::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPointer<TCustomLabel> self(this);
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(this);
    if (self)
        TGraphicControl::mouseDoubleClickEvent(event);
}
