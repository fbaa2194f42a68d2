// A small program with the single-instance guard, started by tst_instanceguard under several
// file names. It reports on its standard output:
//   ready previous=<0|1> name=<lock name> beforeApp=<0|1> listening=<0|1>
//   restored      (its minimised window was restored on a later copy's request)
//   activated     (its window became the active one again)
//   ended <code>  (its message loop ended)
// Argument "brief" ends the program at once after "ready" (an ordinary end).
// Argument "minimized" shows the window minimised; otherwise a second window takes the
// activation, so that being brought forward shows as the first window's activation.
#include "TJustOne32.h"

#include <QApplication>
#include <QEvent>
#include <QWindowStateChangeEvent>
#include <QWidget>
#include <cstdio>

namespace {

void Say(const QByteArray &line)
{
    std::fputs(line.constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

class ProbeWindow : public QWidget
{
protected:
    void changeEvent(QEvent *event) override
    {
        QWidget::changeEvent(event);
        if (event->type() == QEvent::WindowStateChange && m_reporting) {
            const auto *change = static_cast<QWindowStateChangeEvent *>(event);
            if ((change->oldState() & Qt::WindowMinimized) && !isMinimized())
                Say("restored");
        }
        if (event->type() == QEvent::ActivationChange && m_reporting && isActiveWindow())
            Say("activated");
    }

public:
    bool m_reporting = false;
};

} // namespace

int main(int argc, char **argv)
{
    TPreviousInstance record; // as the program makes it, before the application object
    QApplication app(argc, argv);
    const QStringList arguments = app.arguments().mid(1);
    const bool minimized = arguments.contains(QStringLiteral("minimized"));
    ProbeWindow window;
    window.setWindowTitle(QStringLiteral("Tallimo"));
    window.resize(200, 100);
    new TJustOne32(&window);
    QWidget other;
    if (minimized) {
        window.showMinimized();
    } else {
        window.show();
        other.setWindowTitle(QStringLiteral("other"));
        other.show();
        other.activateWindow();
    }
    app.processEvents();
    window.m_reporting = true;
    const TPreviousInstance *guard = TPreviousInstance::Instance();
    Say(QStringLiteral("ready previous=%1 name=%2 beforeApp=%3 listening=%4")
            .arg(int(guard->PreviousRunning()))
            .arg(guard->Name())
            .arg(int(guard->MadeBeforeApplication()))
            .arg(int(guard->Listening()))
            .toUtf8());
    if (arguments.contains(QStringLiteral("brief")))
        QMetaObject::invokeMethod(&app, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
    const int code = app.exec();
    Say("ended " + QByteArray::number(code));
    return code;
}
