#include "TApplication.h"

#include "Dialogs.h"
#include "WidgetDialogs.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    InstallWidgetDialogs();
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        HandleException(error);
    } catch (...) {
        ShowMessage(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}
