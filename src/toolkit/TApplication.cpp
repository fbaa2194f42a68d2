#include "TApplication.h"

#include "Dialogs.h"
#include "WidgetDialogs.h"

namespace {

int g_escapedFailures = 0;

} // namespace

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv)
{
    InstallWidgetDialogs();
}

bool TApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception &error) {
        ++g_escapedFailures;
        HandleException(error);
    } catch (...) {
        ++g_escapedFailures;
        ShowMessage(QStringLiteral("An unexpected error occurred."));
    }
    return false;
}

int TApplication::EscapedFailures()
{
    return g_escapedFailures;
}
