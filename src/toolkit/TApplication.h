#pragma once

#include "ErrorHandler.h"

#include <QApplication>

// The program's application object. It shows messages in real boxes, and its one addition to
// QApplication is the general error handler: a failure raised by any event handler ends that
// handler, its message is shown in a box captioned with the application title, and the program
// goes on.
class TApplication : public QApplication
{
    Q_OBJECT

public:
    TApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;
};
