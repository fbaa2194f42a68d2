#include "TJustOne32.h"

#include <QApplication>
#include <QPointer>
#include <QThread>
#include <QWidget>

namespace {

// The window to bring forward: the one the component sits on, else the application's first
// shown window.
QWidget *WindowToShow(const QObject *component)
{
    for (const QObject *object = component; object; object = object->parent())
        if (const auto *widget = qobject_cast<const QWidget *>(object))
            return widget->window();
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (widget->isVisible() && widget->windowType() != Qt::Popup && widget->windowType() != Qt::ToolTip)
            return widget;
    return nullptr;
}

void BringForward(QWidget *window)
{
    if (!window)
        return;
    if (window->isMinimized()) {
        window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
        window->show();
    } else {
        window->raise();
    }
    window->activateWindow();
}

// Ends the application as soon as an event loop runs. A call posted before the program's loop
// starts may be delivered by an earlier processEvents(), where ending does nothing: it then
// waits for the next turn.
void EndWhenTheLoopRuns()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application)
        return;
    QMetaObject::invokeMethod(application, [] {
        if (QThread::currentThread()->loopLevel() > 0)
            QCoreApplication::exit(0);
        else
            EndWhenTheLoopRuns();
    }, Qt::QueuedConnection);
}

} // namespace

TJustOne32::TJustOne32(QObject *parent) : QObject(parent)
{
    TPreviousInstance *guard = TPreviousInstance::Instance();
    if (!guard)
        return;
    if (!guard->PreviousRunning()) {
        guard->Listen([component = QPointer<TJustOne32>(this)] { BringForward(WindowToShow(component.data())); });
        return;
    }
    guard->AskPreviousForward();
    // The window may still be finished and shown; the copy ends when its loop first turns.
    EndWhenTheLoopRuns();
}
