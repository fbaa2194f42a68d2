#pragma once

#include "ErrorHandler.h"

#include <QApplication>

// The program's application object. It shows messages in real boxes, and its one addition to
// QApplication is the last-resort error handler: a failure that escapes an event handler is shown
// in a box captioned with the application title, and the program goes on. Handlers report their
// own failures through RunGuarded: a failure unwinding through Qt's event delivery leaks the event
// being delivered.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // How many failures escaped their handler and reached the last resort since the start.
    static int EscapedFailures();
};
