#include "WidgetDialogs.h"

#include "Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

QString ButtonText(TModalResult button)
{
    switch (button) {
    case mrOk: return QStringLiteral("OK");
    case mrCancel: return QStringLiteral("Cancel");
    case mrAbort: return QStringLiteral("&Abort");
    case mrRetry: return QStringLiteral("&Retry");
    case mrIgnore: return QStringLiteral("&Ignore");
    case mrYes: return QStringLiteral("&Yes");
    case mrNo: return QStringLiteral("&No");
    case mrNone: break;
    }
    return QString();
}

QMessageBox::Icon IconFor(TMsgDlgType type)
{
    switch (type) {
    case mtWarning: return QMessageBox::Warning;
    case mtError: return QMessageBox::Critical;
    case mtInformation: return QMessageBox::Information;
    case mtConfirmation: return QMessageBox::Question;
    case mtCustom: break;
    }
    return QMessageBox::NoIcon;
}

TModalResult ShowBox(const TMessageRequest &request)
{
    if (!qobject_cast<QApplication *>(QCoreApplication::instance()))
        return request.EscapeButton; // no widgets to show a box with

    QMessageBox box(IconFor(request.Type), request.Caption, request.Text, QMessageBox::NoButton,
                    QApplication::activeWindow());
    QList<QPair<QAbstractButton *, TModalResult>> buttons;
    for (const TModalResult result : request.Buttons) {
        QPushButton *button = box.addButton(ButtonText(result), QMessageBox::AcceptRole);
        buttons.append({button, result});
        if (result == request.DefaultButton)
            box.setDefaultButton(button);
        if (result == request.EscapeButton)
            box.setEscapeButton(button);
    }
    box.exec();
    for (const auto &[button, result] : buttons)
        if (box.clickedButton() == button)
            return result;
    return request.EscapeButton;
}

} // namespace

void InstallWidgetDialogs()
{
    SetPlatformDialogs(ShowBox, [] { QApplication::beep(); });
}
