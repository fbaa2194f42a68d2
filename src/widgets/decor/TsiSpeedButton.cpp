#include "TsiSpeedButton.h"

#include <QPainter>

TsiSpeedButton::TsiSpeedButton(QWidget *parent) : TSpeedButton(parent)
{
    m_animTimer.setInterval(m_interval);
    connect(&m_animTimer, &QTimer::timeout, this, &TsiSpeedButton::NextFrame);
}

TsiSpeedButton::~TsiSpeedButton()
{
    m_animTimer.stop();
}

void TsiSpeedButton::SetAnimGlyph(const QImage &strip)
{
    // QImage shares its pixels between copies: an equal cache key means the very image held now.
    if (strip.cacheKey() == m_animGlyph.cacheKey())
        return;
    const bool wasAnimated = m_animated;
    SetAnimated(false);
    m_animGlyph = strip;
    SetAnimated(wasAnimated);
}

void TsiSpeedButton::SetAnimated(bool animated)
{
    if (m_animated == animated)
        return;
    m_animated = animated;
    if (animated) {
        m_savedGlyph = Glyph();
        m_frameIndex = 1;
        NextFrame();
    } else {
        SwapGlyph(m_savedGlyph);
    }
    SyncTimer();
}

void TsiSpeedButton::SetInterval(int interval)
{
    if (m_interval == interval)
        return;
    m_interval = interval;
    // Stopping first makes a running animation wait the whole new interval.
    m_animTimer.stop();
    m_animTimer.setInterval(qMax(0, interval));
    SyncTimer();
}

void TsiSpeedButton::SetAnimOrientation(TAnimOrientation orientation)
{
    if (m_animOrientation == orientation)
        return;
    if (!m_animated) {
        m_animOrientation = orientation;
        return;
    }
    SetAnimated(false);
    m_animOrientation = orientation;
    SetAnimated(true);
}

void TsiSpeedButton::SyncTimer()
{
    const bool run = m_animated && m_interval > 0;
    if (!run)
        m_animTimer.stop();
    else if (!m_animTimer.isActive())
        m_animTimer.start();
}

void TsiSpeedButton::NextFrame()
{
    if (m_animGlyph.isNull() || m_animGlyph.width() == 0 || m_animGlyph.height() == 0)
        return;

    const bool horizontal = m_animOrientation == aoHorizontal;
    const int side = horizontal ? m_animGlyph.height() : m_animGlyph.width();
    m_frameCount = horizontal ? m_animGlyph.width() / side : m_animGlyph.height() / side;
    // Only a direct call before animation started can find the index outside the strip.
    if (m_frameIndex < 1 || (m_frameCount > 0 && m_frameIndex > m_frameCount))
        m_frameIndex = 1;

    const int offset = side * (m_frameIndex - 1);
    const QRect square = horizontal ? QRect(offset, 0, side, side) : QRect(0, offset, side, side);

    // Where the square reaches past the strip it is filled with the strip's transparent colour (its
    // bottom-left pixel), so the missing part shows the container.
    const QImage source = m_animGlyph.convertToFormat(QImage::Format_ARGB32);
    QImage frame(side, side, QImage::Format_ARGB32);
    frame.fill(source.pixel(0, source.height() - 1));
    {
        QPainter painter(&frame);
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        const QRect inside = square.intersected(source.rect());
        painter.drawImage(inside.topLeft() - square.topLeft(), source, inside);
    }
    SwapGlyph(frame);

    ++m_frameIndex;
    if (m_frameIndex > m_frameCount)
        m_frameIndex = 1;
}
