#pragma once

#include <QCoreApplication>
#include <QEvent>
#include <QFile>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <cstdio>

// Ends the process once the window has painted for the first time, reporting the moment the
// paint was done (nanoseconds since the epoch) and the peak memory, so a script can time starts
// from the outside.
class FirstPaint : public QObject
{
public:
    explicit FirstPaint(QWidget *window) : QObject(window) { window->installEventFilter(this); }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_seen) {
            m_seen = true;
            // Runs once the paint event and the flush to the screen behind it are done.
            QTimer::singleShot(0, [] {
                const auto painted = std::chrono::system_clock::now().time_since_epoch();
                std::fprintf(stderr, "painted %lld\n",
                             static_cast<long long>(std::chrono::duration_cast<std::chrono::nanoseconds>(painted).count()));
                QFile status(QStringLiteral("/proc/self/status"));
                if (status.open(QIODevice::ReadOnly))
                    for (const QByteArray &line : status.readAll().split('\n'))
                        if (line.startsWith("VmHWM:"))
                            std::fprintf(stderr, "peak %s\n", line.mid(6).trimmed().constData());
                QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_seen = false;
};
