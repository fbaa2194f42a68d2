#include "Dialogs.h"

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace {

TMessageHandler &MessageHandler()
{
    static TMessageHandler handler;
    return handler;
}

TBeepHandler &BeepHandler()
{
    static TBeepHandler handler;
    return handler;
}

QString &Title()
{
    static QString title = QStringLiteral("Tallimo");
    return title;
}

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

TModalResult Show(const TMessageRequest &request)
{
    if (MessageHandler())
        return MessageHandler()(request);
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

TMessageHandler SetMessageHandler(TMessageHandler handler)
{
    return std::exchange(MessageHandler(), std::move(handler));
}

TBeepHandler SetBeepHandler(TBeepHandler handler)
{
    return std::exchange(BeepHandler(), std::move(handler));
}

QString ApplicationTitle() { return Title(); }

void SetApplicationTitle(const QString &title) { Title() = title; }

void ShowMessage(const QString &text)
{
    Show({Title(), text, mtCustom, {mrOk}, mrOk, mrOk});
}

TModalResult MessageDlg(const QString &text, TMsgDlgType type, const QList<TModalResult> &buttons,
                        TModalResult defaultButton, TModalResult escapeButton)
{
    return Show({Title(), text, type, buttons, defaultButton, escapeButton});
}

TModalResult ConfirmBox(const QString &question)
{
    return Show({QStringLiteral("Confirm"), question, mtConfirmation, {mrYes, mrNo}, mrYes, mrNo});
}

void AlertBeep()
{
    if (BeepHandler())
        BeepHandler()();
    else
        QApplication::beep();
}
