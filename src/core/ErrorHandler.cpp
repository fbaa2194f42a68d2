#include "ErrorHandler.h"

#include "Dialogs.h"
#include "Exceptions.h"

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
