#pragma once

#include <QApplication>
#include <exception>
#include <functional>

// The program's application object. Its one addition to QApplication is the last-resort error
// handler: a failure that escapes an event handler is shown in a box captioned with the
// application title, and the program goes on. Handlers report their own failures through
// RunGuarded: a failure unwinding through Qt's event delivery leaks the event being delivered.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // How many failures escaped their handler and reached the last resort since the start.
    static int EscapedFailures();
};

// Shows the message of a failure the way the general error handler does.
void HandleException(const std::exception &error);

// Runs a handler and routes any failure to HandleException; true when it ran to its end. Every
// handler the window runs goes through it, so that a failure ends where it began.
bool RunGuarded(const std::function<void()> &handler);
