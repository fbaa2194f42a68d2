#include "TSpeedButton.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QShortcut>

namespace {

constexpr int kMaxGlyphs = 4;

// The picture's own pixels are kept, those of the transparent colour cleared.
QImage MaskedImage(const QImage &source, QRgb transparent)
{
    QImage image = source.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = transparent & RGB_MASK;
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            if ((line[x] & RGB_MASK) == key)
                line[x] = 0;
        }
    }
    return image;
}

// The classic greyed look: every dark pixel of the picture drawn as an engraving, light one pixel
// right and down, then dark in place. Light pixels disappear.
QImage DisabledImage(const QImage &up)
{
    QImage image(up.size(), QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    const QRgb light = ToQColor(clBtnHighlight).rgb();
    const QRgb dark = ToQColor(clBtnShadow).rgb();
    auto isInk = [&up](int x, int y) {
        const QRgb pixel = reinterpret_cast<const QRgb *>(up.constScanLine(y))[x];
        return qAlpha(pixel) != 0 && qGray(pixel) < 0xC0;
    };
    for (int pass = 0; pass < 2; ++pass) {
        const int shift = pass == 0 ? 1 : 0;
        for (int y = 0; y < up.height(); ++y) {
            const int ty = y + shift;
            if (ty >= image.height())
                continue;
            auto *line = reinterpret_cast<QRgb *>(image.scanLine(ty));
            for (int x = 0; x < up.width(); ++x) {
                const int tx = x + shift;
                if (tx < image.width() && isInk(x, y))
                    line[tx] = pass == 0 ? light : dark;
            }
        }
    }
    return image;
}

QBrush CheckeredBrush()
{
    QImage pattern(2, 2, QImage::Format_RGB32);
    const QRgb face = ToQColor(clBtnFace).rgb();
    const QRgb light = ToQColor(clBtnHighlight).rgb();
    pattern.setPixel(0, 0, face);
    pattern.setPixel(1, 1, face);
    pattern.setPixel(1, 0, light);
    pattern.setPixel(0, 1, light);
    return QBrush(pattern);
}

} // namespace

TSpeedButton::TSpeedButton(QWidget *parent) : TGraphicControl(parent)
{
    resize(23, 22);
}

void TSpeedButton::SetCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    UpdateAccelerator();
    update();
}

void TSpeedButton::UpdateAccelerator()
{
    delete m_accelerator;
    m_accelerator = nullptr;
    const QKeySequence key = QKeySequence::mnemonic(m_caption);
    if (key.isEmpty())
        return;
    // The shortcut is inactive while the button is hidden or disabled.
    m_accelerator = new QShortcut(key, this);
    connect(m_accelerator, &QShortcut::activated, this, &TSpeedButton::Click);
    // Two controls with the same accelerator take turns, as Qt cycles ambiguous shortcuts.
    connect(m_accelerator, &QShortcut::activatedAmbiguously, this, &TSpeedButton::Click);
}

void TSpeedButton::SetGlyph(const QImage &glyph)
{
    if (!glyph.isNull() && glyph.width() % glyph.height() == 0) {
        const int count = glyph.width() / glyph.height();
        m_numGlyphs = count <= kMaxGlyphs ? count : 1;
    }
    StoreGlyph(glyph);
}

void TSpeedButton::SwapGlyph(const QImage &glyph)
{
    StoreGlyph(glyph);
}

void TSpeedButton::StoreGlyph(const QImage &glyph)
{
    m_glyph = glyph;
    m_images.clear();
    GlyphChanged();
    update();
}

void TSpeedButton::SetNumGlyphs(int count)
{
    count = qBound(1, count, kMaxGlyphs);
    if (m_numGlyphs == count)
        return;
    m_numGlyphs = count;
    m_images.clear();
    GlyphChanged();
    update();
}

void TSpeedButton::SetFlat(bool flat)
{
    if (m_flat == flat)
        return;
    m_flat = flat;
    update();
}

void TSpeedButton::SetTransparent(bool transparent)
{
    if (m_transparent == transparent)
        return;
    m_transparent = transparent;
    update();
}

void TSpeedButton::SetDown(bool down)
{
    if (m_groupIndex == 0)
        down = false;
    if (m_down == down)
        return;
    // A button that is down in a group that needs one down is released only by another going down.
    if (m_down && !m_allowAllUp)
        return;
    m_down = down;
    SetPressedState(down ? bsExclusive : bsUp);
    const QList<QPointer<TSpeedButton>> released = down ? ReleaseGroup() : QList<QPointer<TSpeedButton>>();
    // Every state is settled before the first signal, so a handler sees the group as it is; a
    // handler may delete any of the buttons, this one included.
    emit DownChanged(down);
    NotifyReleased(released);
}

void TSpeedButton::NotifyReleased(const QList<QPointer<TSpeedButton>> &released)
{
    for (const QPointer<TSpeedButton> &member : released) {
        if (member)
            emit member->DownChanged(false);
    }
}

void TSpeedButton::SetGroupIndex(int index)
{
    if (m_groupIndex == index)
        return;
    m_groupIndex = index;
    NotifyReleased(ReleaseGroup());
}

void TSpeedButton::SetAllowAllUp(bool allow)
{
    if (m_allowAllUp == allow)
        return;
    m_allowAllUp = allow;
    NotifyReleased(ReleaseGroup());
}

void TSpeedButton::SetLayout(Tk::TButtonLayout layout)
{
    if (m_layout == layout)
        return;
    m_layout = layout;
    update();
}

void TSpeedButton::SetMargin(int margin)
{
    margin = qMax(-1, margin);
    if (m_margin == margin)
        return;
    m_margin = margin;
    update();
}

void TSpeedButton::SetSpacing(int spacing)
{
    spacing = qMax(-1, spacing);
    if (m_spacing == spacing)
        return;
    m_spacing = spacing;
    update();
}

Tk::TButtonState TSpeedButton::State() const
{
    return isEnabled() ? m_state : bsDisabled;
}

void TSpeedButton::SetPressedState(Tk::TButtonState state)
{
    if (m_state == state)
        return;
    m_state = state;
    update();
}

QList<TSpeedButton *> TSpeedButton::GroupMembers() const
{
    QList<TSpeedButton *> members;
    if (m_groupIndex == 0 || !parentWidget())
        return members;
    const auto siblings = parentWidget()->findChildren<TSpeedButton *>(Qt::FindDirectChildrenOnly);
    for (TSpeedButton *sibling : siblings) {
        if (sibling != this && sibling->m_groupIndex == m_groupIndex)
            members.append(sibling);
    }
    return members;
}

QList<QPointer<TSpeedButton>> TSpeedButton::ReleaseGroup()
{
    // Tells the group that this button changed: the others give up Down when it is down, and all
    // share its AllowAllUp.
    QList<QPointer<TSpeedButton>> released;
    for (TSpeedButton *member : GroupMembers()) {
        if (m_down && member->m_down) {
            member->m_down = false;
            member->SetPressedState(bsUp);
            released.append(member);
        }
        member->m_allowAllUp = m_allowAllUp;
    }
    return released;
}

void TSpeedButton::Click()
{
    if (OnClick)
        OnClick(this);
}

QSize TSpeedButton::GlyphSize() const
{
    if (m_glyph.isNull())
        return {0, 0};
    return {m_glyph.width() / m_numGlyphs, m_glyph.height()};
}

void TSpeedButton::BuildImages() const
{
    if (!m_images.isEmpty() || m_glyph.isNull())
        return;
    const QSize size = GlyphSize();
    if (size.isEmpty())
        return;
    const QRgb transparent = m_glyph.pixel(0, m_glyph.height() - 1);
    QList<QImage> given;
    for (int i = 0; i < m_numGlyphs; ++i)
        given.append(MaskedImage(m_glyph.copy(i * size.width(), 0, size.width(), size.height()), transparent));
    m_images.resize(kMaxGlyphs);
    for (int state = 0; state < kMaxGlyphs; ++state)
        m_images[state] = state < given.size() ? given[state] : given[0];
    if (given.size() <= bsDisabled)
        m_images[bsDisabled] = DisabledImage(given[0]);
}

QImage TSpeedButton::GlyphImage(Tk::TButtonState state) const
{
    BuildImages();
    if (m_images.isEmpty())
        return {};
    return m_images[state];
}

QSize TSpeedButton::CaptionSize() const
{
    return m_caption.isEmpty() ? QSize(0, 0) : fontMetrics().size(Qt::TextShowMnemonic, m_caption);
}

QSize TSpeedButton::sizeHint() const
{
    // The smallest size at which CalcLayout keeps glyph and caption off the two-pixel edge, also
    // in the pressed look, one pixel right and down. Searched with the placement itself, so the
    // answer follows Margin, Spacing and Layout exactly as painting does.
    constexpr int edge = 2;
    constexpr int pressedShift = 1;
    constexpr int searchLimit = 256;
    const QSize glyph = GlyphSize();
    const QSize text = CaptionSize();
    const bool horizontal = m_layout == blGlyphLeft || m_layout == blGlyphRight;
    // A fixed Margin smaller than the edge is the caller's choice to overlap it.
    const int mainInset = m_margin >= 0 ? qMin(edge, m_margin) : edge;
    const int insetX = horizontal ? mainInset : edge;
    const int insetY = horizontal ? edge : mainInset;
    const auto within = [](int start, int end, int extent, int inset) {
        return start >= inset && end + pressedShift <= extent - inset;
    };
    const auto fits = [&](QSize size, bool alongX) {
        QRect glyphRect;
        QRect textRect;
        CalcLayout(QRect(QPoint(0, 0), size), glyphRect, textRect);
        for (const QRect &part : {glyphRect, textRect}) {
            if (part.isEmpty())
                continue;
            if (alongX ? !within(part.left(), part.left() + part.width(), size.width(), insetX)
                       : !within(part.top(), part.top() + part.height(), size.height(), insetY))
                return false;
        }
        return true;
    };
    QSize size = horizontal ? QSize(glyph.width() + text.width(), qMax(glyph.height(), text.height()))
                            : QSize(qMax(glyph.width(), text.width()), glyph.height() + text.height());
    size += QSize(2 * edge, 2 * edge);
    // Horizontal placement depends on the width only, vertical on the height only.
    for (int step = 0; step < searchLimit && !fits(size, true); ++step)
        size.rwidth() += 1;
    for (int step = 0; step < searchLimit && !fits(size, false); ++step)
        size.rheight() += 1;
    return size;
}

void TSpeedButton::CalcLayout(const QRect &client, QRect &glyphRect, QRect &textRect) const
{
    const QSize glyph = GlyphSize();
    const QSize text = CaptionSize();
    const bool horizontal = m_layout == blGlyphLeft || m_layout == blGlyphRight;
    const int clientLength = horizontal ? client.width() : client.height();
    const int glyphLength = horizontal ? glyph.width() : glyph.height();
    const int textLength = horizontal ? text.width() : text.height();

    int margin = m_margin;
    int spacing = (glyph.isEmpty() || text.isEmpty()) ? 0 : m_spacing;
    if (margin == -1) {
        if (spacing == -1) {
            margin = (clientLength - glyphLength - textLength) / 3;
            spacing = margin;
        } else {
            margin = (clientLength - glyphLength - spacing - textLength + 1) / 2;
        }
    } else if (spacing == -1) {
        spacing = (clientLength - margin - glyphLength - textLength) / 2;
    }

    QPoint glyphAt;
    QPoint textAt;
    if (horizontal) {
        glyphAt.setY((client.height() - glyph.height() + 1) / 2);
        textAt.setY((client.height() - text.height() + 1) / 2);
    } else {
        glyphAt.setX((client.width() - glyph.width() + 1) / 2);
        textAt.setX((client.width() - text.width() + 1) / 2);
    }
    switch (m_layout) {
    case blGlyphLeft:
        glyphAt.setX(margin);
        textAt.setX(margin + glyph.width() + spacing);
        break;
    case blGlyphRight:
        glyphAt.setX(client.width() - margin - glyph.width());
        textAt.setX(glyphAt.x() - spacing - text.width());
        break;
    case blGlyphTop:
        glyphAt.setY(margin);
        textAt.setY(margin + glyph.height() + spacing);
        break;
    case blGlyphBottom:
        glyphAt.setY(client.height() - margin - glyph.height());
        textAt.setY(glyphAt.y() - spacing - text.height());
        break;
    }
    glyphRect = QRect(client.topLeft() + glyphAt, glyph);
    textRect = QRect(client.topLeft() + textAt, text);
}

void TSpeedButton::PaintFrame(QPainter &painter)
{
    const Tk::TButtonState state = State();
    const bool sunken = state == bsDown || state == bsExclusive;
    QRect area = rect();
    const bool fillFace = !m_flat || !m_transparent;
    if (fillFace) {
        if (state == bsExclusive) {
            painter.setBrushOrigin(0, 0);
            painter.fillRect(area, CheckeredBrush());
        } else {
            painter.fillRect(area, ToQColor(clBtnFace));
        }
    }
    if (!m_flat) {
        if (sunken) {
            Frame3D(painter, area, ToQColor(clBtnShadow), ToQColor(clBtnHighlight), 1);
            Frame3D(painter, area, ToQColor(cl3DDkShadow), ToQColor(cl3DLight), 1);
        } else {
            Frame3D(painter, area, ToQColor(clBtnHighlight), ToQColor(cl3DDkShadow), 1);
            Frame3D(painter, area, ToQColor(cl3DLight), ToQColor(clBtnShadow), 1);
        }
    } else if (sunken) {
        Frame3D(painter, area, ToQColor(clBtnShadow), ToQColor(clBtnHighlight), 1);
    } else if (MouseInControl() && isEnabled()) {
        Frame3D(painter, area, ToQColor(clBtnHighlight), ToQColor(clBtnShadow), 1);
    }
}

void TSpeedButton::Paint(QPainter &painter)
{
    PaintFrame(painter);
    const Tk::TButtonState state = State();
    QRect glyphRect;
    QRect textRect;
    CalcLayout(rect(), glyphRect, textRect);
    if (state == bsDown || state == bsExclusive) {
        glyphRect.translate(1, 1);
        textRect.translate(1, 1);
    }
    const QImage image = GlyphImage(state);
    if (!image.isNull())
        painter.drawImage(glyphRect.topLeft(), image);
    if (m_caption.isEmpty())
        return;
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);
    constexpr int flags = Qt::TextShowMnemonic | Qt::AlignCenter;
    if (state == bsDisabled) {
        painter.setPen(ToQColor(clBtnHighlight));
        painter.drawText(textRect.translated(1, 1), flags, m_caption);
        painter.setPen(ToQColor(clBtnShadow));
    } else {
        painter.setPen(ToQColor(FontColor()));
    }
    painter.drawText(textRect, flags, m_caption);
}

void TSpeedButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    Paint(painter);
}

void TSpeedButton::changeEvent(QEvent *event)
{
    TGraphicControl::changeEvent(event);
    if (event->type() == QEvent::EnabledChange || event->type() == QEvent::FontChange)
        update();
}

void TSpeedButton::MouseEnter()
{
    TGraphicControl::MouseEnter();
    update();
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TSpeedButton::MouseLeave()
{
    TGraphicControl::MouseLeave();
    update();
    if (OnMouseLeave)
        OnMouseLeave(this);
}

void TSpeedButton::mousePressEvent(QMouseEvent *event)
{
    TGraphicControl::mousePressEvent(event);
    QPointer<TSpeedButton> self(this);
    if (OnMouseDown) {
        const QPoint at = event->position().toPoint();
        OnMouseDown(this, event->button(), event->modifiers(), at.x(), at.y());
    }
    if (!self || event->button() != Qt::LeftButton || !isEnabled())
        return;
    if (!m_down)
        SetPressedState(bsDown);
    m_dragging = true;
}

void TSpeedButton::mouseMoveEvent(QMouseEvent *event)
{
    TGraphicControl::mouseMoveEvent(event);
    const QPoint at = event->position().toPoint();
    if (m_dragging) {
        const bool inside = rect().contains(at);
        if (m_down)
            SetPressedState(bsExclusive);
        else
            SetPressedState(inside ? bsDown : bsUp);
    }
    if (OnMouseMove)
        OnMouseMove(this, event->modifiers(), at.x(), at.y());
}

void TSpeedButton::mouseReleaseEvent(QMouseEvent *event)
{
    QPointer<TSpeedButton> self(this);
    const bool wasDragging = m_dragging && event->button() == Qt::LeftButton;
    if (wasDragging)
        m_dragging = false;
    TGraphicControl::mouseReleaseEvent(event);
    // Accepted, so that delivery stops here even when a handler below deletes the button.
    event->accept();
    const QPoint at = event->position().toPoint();
    if (self && OnMouseUp)
        OnMouseUp(this, event->button(), event->modifiers(), at.x(), at.y());
    if (!self || !wasDragging)
        return;
    const bool inside = rect().contains(at);
    if (m_groupIndex == 0)
        SetPressedState(bsUp);
    else if (inside)
        SetDown(!m_down);
    else
        SetPressedState(m_down ? bsExclusive : bsUp);
    if (inside && self)
        Click();
}

void TSpeedButton::mouseDoubleClickEvent(QMouseEvent *event)
{
    QPointer<TSpeedButton> self(this);
    if (event->button() == Qt::LeftButton && OnDblClick)
        OnDblClick(this);
    if (self)
        TGraphicControl::mouseDoubleClickEvent(event);
}
