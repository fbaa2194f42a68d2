#include "TColPickDlg.h"

#include "TColorBtn.h"
#include "TColorPicker.h"

#include <QCloseEvent>
#include <QKeyEvent>

TColPickDlg::TColPickDlg(TColorBtn *owner) : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint), m_owner(owner)
{
    setAttribute(Qt::WA_DeleteOnClose);
    setFocusPolicy(Qt::StrongFocus);
    ColPick = new TColorPicker(this);
    ColPick->setObjectName(QStringLiteral("ColPick"));
    ColPick->move(0, 0);
    ColPick->OnColorChosen = [this](QObject *) {
        int key = Qt::Key_Return;
        FormKeyDown(key, Qt::NoModifier);
    };
    ColPick->OnColorDialog = [this](QObject *, bool open) {
        m_dialogOpen = open;
        if (!open) {
            activateWindow();
            setFocus();
        }
    };
    resize(ColPick->size());
}

void TColPickDlg::FormKeyDown(int &key, Qt::KeyboardModifiers)
{
    if (key == Qt::Key_Escape) {
        close();
    } else if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        m_result = ColPick->ChosenColor();
        m_accepted = true;
        close();
    }
    key = 0;
}

void TColPickDlg::FormShow()
{
    m_accepted = false;
    ColPick->MarkColor(m_currentColor);
}

void TColPickDlg::FormClose()
{
    if (m_accepted && m_owner)
        m_owner->ColorAccepted(m_result, ColPick->AutomaticChosen());
}

void TColPickDlg::keyPressEvent(QKeyEvent *event)
{
    int key = event->key();
    FormKeyDown(key, event->modifiers());
    event->accept();
}

void TColPickDlg::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!event->spontaneous())
        FormShow();
}

void TColPickDlg::closeEvent(QCloseEvent *event)
{
    // A handler of the owner may close us again (or deactivate us) while the result is handed over.
    if (m_closing) {
        event->accept();
        return;
    }
    m_closing = true;
    event->accept();
    // Gone from the screen before the owner's OnClick runs, which may open a message box.
    hide();
    FormClose();
}

void TColPickDlg::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow() && isVisible() && !m_dialogOpen && !m_closing)
        close();
}
