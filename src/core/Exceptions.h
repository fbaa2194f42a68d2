#pragma once

#include <QString>
#include <exception>

// Failures that end the running handler and reach the user as a message. They are raised by the
// toolkit, the record store and the program's own actions, and caught where events are delivered
// (TApplication::notify), which shows the message in a box and lets the program go on.
class Exception : public std::exception
{
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}

    const QString &Message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A text or value that does not convert to the kind asked for.
class EConvertError : public Exception
{
public:
    using Exception::Exception;
};

// A failing record-store operation (wrong state, unknown field, engine failure).
class EDatabaseError : public Exception
{
public:
    using Exception::Exception;
};

// A value a widget or component refuses (an invalid property value, a wrong assignment).
class EInvalidOperation : public Exception
{
public:
    using Exception::Exception;
};
