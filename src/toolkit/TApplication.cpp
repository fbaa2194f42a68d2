#include "TApplication.h"

#include "Dialogs.h"
#include "Exceptions.h"

TApplication::TApplication(int &argc, char **argv) : QApplication(argc, argv) {}

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
