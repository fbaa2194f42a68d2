#include "TApplication.h"

#include "Dialogs.h"
#include "Exceptions.h"

namespace {

int g_escapedFailures = 0;

} // namespace

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

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

void HandleException(const std::exception &error)
{
    if (const auto *known = dynamic_cast<const Exception *>(&error))
        ShowMessage(known->Message());
    else
        ShowMessage(QString::fromUtf8(error.what()));
}

bool RunGuarded(const std::function<void()> &handler)
{
    try {
        handler();
        return true;
    } catch (const std::exception &error) {
        HandleException(error);
    }
    return false;
}
