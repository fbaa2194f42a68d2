#pragma once

#include "TktMultiBevel.h"

// A window-less push button painted as a multi-bevel frame with a centred caption. Its outer
// bevel follows the mouse: flat at rest, raised under the pointer, lowered while a button is
// held. It never takes the keyboard focus.
class TktBevelButton : public TktMBevel
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ isEnabled WRITE setEnabled)

public:
    explicit TktBevelButton(QWidget *parent = nullptr);

    // The left button went down on the button and came up with the pointer inside it. Runs
    // while the bevel still shows pressed; the bevel turns raised and OnMouseUp follows after.
    TNotifyEvent OnClick;
    // The pointer entered / left the enabled button.
    TNotifyEvent OnEnter;
    TNotifyEvent OnExit;
    // Any mouse button pressed over the button / released over it (after a left press: anywhere).
    TNotifyEvent OnMouseDown;
    TNotifyEvent OnMouseUp;

protected:
    void MouseEnter() override;
    void MouseLeave() override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
};
