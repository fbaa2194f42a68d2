#pragma once

#include <QList>
#include <QString>
#include <functional>

// Message boxes and the alert beep. Every box is modal and captioned with the application title
// (the "Confirm" box excepted). The window's toolkit supplies the real boxes and the beep as the
// platform's; without them (a program with no window) a message goes to standard error and the beep
// is silent. Tests install handlers so that nothing blocks and every message and beep can be counted.

enum TMsgDlgType : quint8 { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };

enum TModalResult : int { mrNone = 0, mrOk = 1, mrCancel = 2, mrAbort = 3, mrRetry = 4, mrIgnore = 5, mrYes = 6, mrNo = 7 };

struct TMessageRequest
{
    QString Caption;
    QString Text;
    TMsgDlgType Type = mtCustom;
    QList<TModalResult> Buttons;
    TModalResult DefaultButton = mrOk;
    TModalResult EscapeButton = mrOk;
};

using TMessageHandler = std::function<TModalResult(const TMessageRequest &)>;
using TBeepHandler = std::function<void()>;

// Replaces how boxes are shown (an empty handler restores the platform's); returns the old one.
TMessageHandler SetMessageHandler(TMessageHandler handler);
TBeepHandler SetBeepHandler(TBeepHandler handler);
// How the platform shows boxes and beeps: set once by the application object of a program with
// windows, used whenever no handler above is installed.
void SetPlatformDialogs(TMessageHandler boxes, TBeepHandler beep);

QString ApplicationTitle();
void SetApplicationTitle(const QString &title);

// A box with the text and an OK button.
void ShowMessage(const QString &text);
// The general form: type, buttons, default and escape answers.
TModalResult MessageDlg(const QString &text, TMsgDlgType type, const QList<TModalResult> &buttons,
                        TModalResult defaultButton, TModalResult escapeButton);
// The "Confirm" box: question icon, "&Yes" (default) and "&No" (also Escape).
TModalResult ConfirmBox(const QString &question);
// The platform's default alert sound.
void AlertBeep();
