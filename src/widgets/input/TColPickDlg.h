#pragma once

#include "QtColor.h"

#include <QPointer>
#include <QWidget>

class TColorBtn;
class TColorPicker;

// The drop-down window of a colour button: a borderless top-level window holding a TColorPicker,
// not modal. When shown it marks its current colour in the picker. Enter accepts the picker's
// chosen colour, Escape closes without a choice (every key is consumed), a click on a colour
// accepts it, and losing the activation closes it without a choice unless the colour dialog is
// open. On an accepted close the owning button takes the colour; on every close the window
// deletes itself.
class TColPickDlg : public QWidget
{
    Q_OBJECT

public:
    explicit TColPickDlg(TColorBtn *owner);

    TColorPicker *ColPick = nullptr;

    TColor CurrentColor() const { return m_currentColor; }
    void SetCurrentColor(TColor color) { m_currentColor = color; }
    bool Accepted() const { return m_accepted; }
    TColor ResultColor() const { return m_result; }
    bool DialogOpen() const { return m_dialogOpen; }
    TColorBtn *Owner() const { return m_owner; }

    // The window's key handler: Key is set to 0 when consumed (it always is).
    void FormKeyDown(int &key, Qt::KeyboardModifiers shift);
    // Clears the accept flag and marks the current colour.
    void FormShow();
    // Hands an accepted result to the owner.
    void FormClose();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QPointer<TColorBtn> m_owner;
    TColor m_currentColor = clBlack;
    TColor m_result = clBlack;
    bool m_accepted = false;
    bool m_dialogOpen = false;
    bool m_closing = false;
};
