#pragma once

#include "TSpeedButton.h"

#include <QImage>
#include <QTimer>

// The toolkit's speed button with an animated picture. AnimGlyph is a strip of square frames laid
// side by side (aoHorizontal) or one above another (aoVertical). While Animated is true, the
// button's glyph is replaced by the next square of the strip every Interval milliseconds, back to
// the first after the last; when animation stops, the glyph the button had when it started comes
// back. NumGlyphs is left as it is while frames are swapped in.
//
// An empty strip leaves the glyph alone (the timer keeps running); a strip shorter than one square
// always shows its first square, the part outside the strip transparent. An Interval of 0 or less
// stops the ticks without stopping the animation.
class TsiSpeedButton : public TSpeedButton
{
    Q_OBJECT
    Q_PROPERTY(QImage AnimGlyph READ AnimGlyph WRITE SetAnimGlyph)
    Q_PROPERTY(bool Animated READ Animated WRITE SetAnimated)
    Q_PROPERTY(int Interval READ Interval WRITE SetInterval)
    Q_PROPERTY(TAnimOrientation AnimOrientation READ AnimOrientation WRITE SetAnimOrientation)

public:
    enum TAnimOrientation : quint8 { aoHorizontal, aoVertical };
    Q_ENUM(TAnimOrientation)

    explicit TsiSpeedButton(QWidget *parent = nullptr);
    ~TsiSpeedButton() override;

    // Assigning the image the button already holds (the same shared image, as AnimGlyph() returns
    // it) does nothing; any other image restarts a running animation at frame 1.
    QImage AnimGlyph() const { return m_animGlyph; }
    void SetAnimGlyph(const QImage &strip);
    bool Animated() const { return m_animated; }
    void SetAnimated(bool animated);
    // Changing it while animating starts the current wait over.
    int Interval() const { return m_interval; }
    void SetInterval(int interval);
    TAnimOrientation AnimOrientation() const { return m_animOrientation; }
    void SetAnimOrientation(TAnimOrientation orientation);

    // Whole frames in the strip, as counted by the last NextFrame.
    int FrameCount() const { return m_frameCount; }
    // The 1-based frame NextFrame shows next.
    int FrameIndex() const { return m_frameIndex; }
    bool IsTicking() const { return m_animTimer.isActive(); }

    // Shows frame FrameIndex and moves on to the next one; the timer's tick.
    void NextFrame();

private:
    void SyncTimer();

    QImage m_animGlyph;
    bool m_animated = false;
    int m_interval = 100;
    TAnimOrientation m_animOrientation = aoHorizontal;
    QTimer m_animTimer;
    QImage m_savedGlyph;
    int m_frameCount = 0;
    int m_frameIndex = 0;
};
