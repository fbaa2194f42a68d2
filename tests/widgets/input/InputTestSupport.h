#pragma once

#include "Dialogs.h"
#include "FormatSettings.h"

#include <QApplication>
#include <QStringList>
#include <QTest>
#include <QWidget>

// Counts the message boxes and beeps of the code under test instead of showing them, and pins the
// format settings; everything is put back when the fixture goes.
class TMessageCapture
{
public:
    TMessageCapture()
    {
        m_oldMessages = SetMessageHandler([this](const TMessageRequest &request) {
            Messages.append(request.Text);
            return request.DefaultButton;
        });
        m_oldBeep = SetBeepHandler([this] { ++Beeps; });
    }
    ~TMessageCapture()
    {
        SetMessageHandler(m_oldMessages);
        SetBeepHandler(m_oldBeep);
    }
    TMessageCapture(const TMessageCapture &) = delete;
    TMessageCapture &operator=(const TMessageCapture &) = delete;

    QStringList Messages;
    int Beeps = 0;

private:
    TMessageHandler m_oldMessages;
    TBeepHandler m_oldBeep;
};

inline TFormatSettings DayMonthYear(QChar decimal = QLatin1Char('.'))
{
    TFormatSettings fs;
    fs.DecimalSeparator = decimal;
    fs.ThousandSeparator = decimal == QLatin1Char('.') ? QLatin1Char(',') : QLatin1Char('.');
    fs.DateSeparator = QLatin1Char('/');
    fs.TimeSeparator = QLatin1Char(':');
    fs.ShortDateFormat = QStringLiteral("dd/MM/yyyy");
    fs.ShortTimeFormat = QStringLiteral("hh:mm");
    fs.LongTimeFormat = QStringLiteral("hh:mm:ss");
    return fs;
}

inline TFormatSettings MonthDayYear()
{
    TFormatSettings fs = DayMonthYear();
    fs.ShortDateFormat = QStringLiteral("MM/dd/yyyy");
    return fs;
}

// Shows a top-level window and makes it active so that focus changes deliver their events.
inline bool ShowActive(QWidget &window)
{
    window.show();
    QApplication::setActiveWindow(&window);
    return QTest::qWaitForWindowActive(&window);
}
