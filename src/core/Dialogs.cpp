#include "Dialogs.h"

#include <cstdio>

namespace {

struct Handlers
{
    TMessageHandler Message;
    TBeepHandler Beep;
    TMessageHandler PlatformMessage;
    TBeepHandler PlatformBeep;
};

Handlers &Installed()
{
    static Handlers handlers;
    return handlers;
}

QString &Title()
{
    static QString title = QStringLiteral("Tallimo");
    return title;
}

TModalResult Show(const TMessageRequest &request)
{
    const Handlers &handlers = Installed();
    if (handlers.Message)
        return handlers.Message(request);
    if (handlers.PlatformMessage)
        return handlers.PlatformMessage(request);
    // No window to show a box in: the text still reaches the user, and the safe answer is taken.
    std::fprintf(stderr, "%s\n", request.Text.toLocal8Bit().constData());
    return request.EscapeButton;
}

} // namespace

TMessageHandler SetMessageHandler(TMessageHandler handler)
{
    return std::exchange(Installed().Message, std::move(handler));
}

TBeepHandler SetBeepHandler(TBeepHandler handler)
{
    return std::exchange(Installed().Beep, std::move(handler));
}

void SetPlatformDialogs(TMessageHandler boxes, TBeepHandler beep)
{
    Installed().PlatformMessage = std::move(boxes);
    Installed().PlatformBeep = std::move(beep);
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
    const Handlers &handlers = Installed();
    if (handlers.Beep)
        handlers.Beep();
    else if (handlers.PlatformBeep)
        handlers.PlatformBeep();
}
