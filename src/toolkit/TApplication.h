#pragma once

#include <QApplication>
#include <exception>
#include <functional>

// The program's application object. Its one addition to QApplication is the general error
// handler: a failure raised by any event handler ends that handler, its message is shown in a box
// captioned with the application title, and the program goes on.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};

// Shows the message of a failure the way the general error handler does.
void HandleException(const std::exception &error);

// Runs a handler and routes any failure to HandleException; true when it ran to its end. Used
// where handlers are called outside event delivery (queued calls, timers started by tests).
bool RunGuarded(const std::function<void()> &handler);
