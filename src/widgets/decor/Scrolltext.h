#pragma once

#include "TCustomLabel.h"

#include <QTimer>

// A text label whose message runs across it on a timer: a character cell at a time, by rewriting
// the caption on every tick (smChar), or four pixels at a time, by drawing the message at a moving
// position (smPixel). A character cell is the font's point size in pixels.
//
// The message's length and the label's width in cells are taken once, by InitScroll, which the
// Loaded step runs after the properties have been read from the layout; a banner made in code calls
// it itself. A message, width or font changed later keeps the old figures, but a tick never reads
// beyond the message it holds now.
//
// Stopping (Scrolltype scNone) leaves the last text shown; setting a direction again resumes from
// the position reached. In pixel mode the message stays drawn at its position for as long as the
// method is smPixel.
class TCustomScroll : public TCustomLabel
{
    Q_OBJECT

public:
    enum TScrollType : quint8 { scNone, scLeft, scRight };
    Q_ENUM(TScrollType)
    enum TScrollMethod : quint8 { smChar, smPixel };
    Q_ENUM(TScrollMethod)

    explicit TCustomScroll(QWidget *parent = nullptr);

    // An empty message is ignored: the message cannot be cleared.
    QString ScrollMessage() const { return m_scrollMessage; }
    void SetScrollMessage(const QString &message);
    // scLeft and scRight run the timer, scNone stops it; the position is kept either way.
    TScrollType Scrolltype() const { return m_scrolltype; }
    void SetScrolltype(TScrollType type);
    TScrollMethod ScrollMethod() const { return m_scrollMethod; }
    void SetScrollMethod(TScrollMethod method);
    // Milliseconds between ticks; 0 is stored as 500. Until it is first set the timer runs at 50 ms
    // and Speed reads 0.
    quint16 Speed() const { return m_speed; }
    void SetSpeed(quint16 speed);

    int MessageLength() const { return m_messageLength; }
    int WidthInChars() const { return m_widthInChars; }
    // In cells (smChar) or pixels (smPixel); negative while the message stands partly left of the
    // label.
    int ScrollPos() const { return m_scrollPos; }
    bool IsScrolling() const { return m_scrollTimer.isActive(); }
    int TickInterval() const { return m_scrollTimer.interval(); }
    // The width of a character cell: the font's size in points (pixel-sized fonts converted at the
    // label's resolution), at least 1.
    int CellWidth() const;

    // Takes the message length and the width in cells and puts the message at its starting place:
    // just outside the right edge for scRight, just outside the left edge otherwise.
    void InitScroll();
    // One step of the timer: moves the message one cell or four pixels. Nothing while loading.
    void ScrollTick();

protected:
    void CharTick();
    void PixelTick();

    void Paint(QPainter &painter) override;
    void Loaded() override;

private:
    QString CharModeText() const;
    QString LeadingBlanks(int minimumWidth) const;
    int TextWidth(const QString &text) const;

    QString m_scrollMessage;
    int m_messageLength = 0;
    int m_widthInChars = 0;
    int m_scrollPos = 0;
    TScrollType m_scrolltype = scNone;
    quint16 m_speed = 0;
    QTimer m_scrollTimer;
    TScrollMethod m_scrollMethod = smChar;
    bool m_initialised = false;
};

// The banner as placed on a window: publishes the scrolling properties after the label's.
class TScrollText : public TCustomScroll
{
    Q_OBJECT
    Q_PROPERTY(QString ScrollMessage READ ScrollMessage WRITE SetScrollMessage STORED true)
    Q_PROPERTY(TCustomScroll::TScrollType Scrolltype READ Scrolltype WRITE SetScrolltype STORED true)
    Q_PROPERTY(TCustomScroll::TScrollMethod ScrollMethod READ ScrollMethod WRITE SetScrollMethod STORED true)
    Q_PROPERTY(quint16 Speed READ Speed WRITE SetSpeed STORED true)

public:
    explicit TScrollText(QWidget *parent = nullptr) : TCustomScroll(parent) {}
};
