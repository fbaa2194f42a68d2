#include "Scrolltext.h"

#include <QFontMetrics>
#include <QPainter>

namespace {

constexpr int kUnsetSpeedInterval = 50;
constexpr quint16 kZeroSpeedReplacement = 500;
constexpr int kPixelStep = 4;

// Width / cell rounded to the nearest whole number, a half going to the even neighbour.
int RoundedQuotient(int width, int cell)
{
    const int quotient = width / cell;
    const int twiceRemainder = 2 * (width % cell);
    if (twiceRemainder > cell || (twiceRemainder == cell && quotient % 2 != 0))
        return quotient + 1;
    return quotient;
}

} // namespace

TCustomScroll::TCustomScroll(QWidget *parent) : TCustomLabel(parent)
{
    m_scrollTimer.setInterval(kUnsetSpeedInterval);
    connect(&m_scrollTimer, &QTimer::timeout, this, &TCustomScroll::ScrollTick);
    SetCaption(m_scrollMessage);
    SetAutoSize(false);
    SetWordWrap(false);
}

void TCustomScroll::SetScrollMessage(const QString &message)
{
    if (message.isEmpty() || m_scrollMessage == message)
        return;
    m_scrollMessage = message;
    if (m_scrollMethod == smPixel && m_initialised)
        update();
}

void TCustomScroll::SetScrolltype(TScrollType type)
{
    m_scrolltype = type;
    if (type == scNone)
        m_scrollTimer.stop();
    else if (!m_scrollTimer.isActive())
        m_scrollTimer.start();
}

void TCustomScroll::SetScrollMethod(TScrollMethod method)
{
    if (m_scrollMethod == method)
        return;
    m_scrollMethod = method;
    if (m_initialised)
        update();
}

void TCustomScroll::SetSpeed(quint16 speed)
{
    if (speed == 0)
        speed = kZeroSpeedReplacement;
    if (m_speed == speed)
        return;
    m_speed = speed;
    m_scrollTimer.setInterval(speed);
}

int TCustomScroll::CellWidth() const
{
    const QFont &current = font();
    int size = current.pointSize();
    if (size <= 0)
        size = qRound(current.pixelSize() * 72.0 / logicalDpiY());
    return qMax(1, size);
}

int TCustomScroll::TextWidth(const QString &text) const
{
    return QFontMetrics(font(), this).horizontalAdvance(text);
}

void TCustomScroll::InitScroll()
{
    m_messageLength = int(m_scrollMessage.size());
    m_widthInChars = RoundedQuotient(width(), CellWidth());
    if (m_scrollMethod == smChar)
        m_scrollPos = m_scrolltype == scRight ? m_widthInChars : -m_messageLength;
    else
        m_scrollPos = m_scrolltype == scRight ? width() : -TextWidth(m_scrollMessage);
    m_initialised = true;
    if (m_scrollMethod == smPixel)
        update();
}

void TCustomScroll::Loaded()
{
    TCustomLabel::Loaded();
    if (m_scrollMethod == smPixel)
        SetCaption(QString());
    InitScroll();
}

void TCustomScroll::ScrollTick()
{
    if (IsLoading())
        return;
    if (m_scrollMethod == smChar)
        CharTick();
    else
        PixelTick();
}

void TCustomScroll::CharTick()
{
    if (m_scrolltype == scRight) {
        --m_scrollPos;
        if (m_scrollPos < -m_messageLength)
            m_scrollPos = m_widthInChars;
    } else {
        ++m_scrollPos;
        if (m_scrollPos > m_widthInChars)
            m_scrollPos = -m_messageLength;
    }
    SetCaption(CharModeText());
}

QString TCustomScroll::CharModeText() const
{
    // The message may have changed since InitScroll: every read below stays inside the message
    // held now (QString::mid past the end gives an empty text).
    if (m_scrollPos <= 0)
        return m_scrollMessage.mid(qMax(1, -m_scrollPos) - 1);

    const int cell = CellWidth();
    QString text = LeadingBlanks(cell * m_scrollPos);
    const int fullWidth = cell * m_widthInChars;
    for (const QChar character : m_scrollMessage) {
        text += character;
        if (TextWidth(text) >= fullWidth)
            break;
    }
    return text;
}

QString TCustomScroll::LeadingBlanks(int minimumWidth) const
{
    // A run of blanks need not measure count times one blank (fractional advances), so the estimate
    // is corrected by measuring. Each blank is at least a pixel wide in any real font; the bound
    // keeps a font without blank advance from looping forever.
    const int blank = TextWidth(QStringLiteral(" "));
    int count = blank > 0 ? qMax(1, minimumWidth / blank) : 1;
    while (count <= minimumWidth && TextWidth(QString(count, QLatin1Char(' '))) < minimumWidth)
        ++count;
    while (count > 1 && TextWidth(QString(count - 1, QLatin1Char(' '))) >= minimumWidth)
        --count;
    return QString(count, QLatin1Char(' '));
}

void TCustomScroll::PixelTick()
{
    const int messageWidth = TextWidth(m_scrollMessage);
    if (m_scrolltype == scRight) {
        m_scrollPos -= kPixelStep;
        if (m_scrollPos + messageWidth < 0)
            m_scrollPos = width();
    } else {
        m_scrollPos += kPixelStep;
        // Measured against the message's own width, not the label's: the text starts over once its
        // left edge has passed that far.
        if (m_scrollPos > messageWidth)
            m_scrollPos = -messageWidth;
    }
    update();
}

void TCustomScroll::Paint(QPainter &painter)
{
    TCustomLabel::Paint(painter);
    if (m_scrollMethod != smPixel || !m_initialised)
        return;
    painter.setFont(font());
    painter.setBackgroundMode(Qt::TransparentMode);
    painter.setPen(ToQColor(FontColor()));
    painter.drawText(QPoint(m_scrollPos, QFontMetrics(font(), this).ascent()), m_scrollMessage);
}
