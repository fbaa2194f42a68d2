#include "TPreviousInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

TPreviousInstance *g_instance = nullptr;

constexpr int kAnswerWaitMs = 3000;

QString RuntimeFolder()
{
    // Per user: the runtime folder is the user's own (mode 0700 on Unix).
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

} // namespace

TPreviousInstance *TPreviousInstance::Instance()
{
    return g_instance;
}

QString TPreviousInstance::MutexName(const QString &programFile)
{
    QString name = programFile;
    const qsizetype slash = qMax(name.lastIndexOf(QLatin1Char('\\')), name.lastIndexOf(QLatin1Char('/')));
    name = name.mid(slash + 1);
    if (const qsizetype dot = name.indexOf(QLatin1Char('.')); dot >= 0)
        name.truncate(dot);
    if (name.size() > 1)
        name = name.left(1) + name.mid(1).toLower();
    return name;
}

QString TPreviousInstance::ProgramFile()
{
#if defined(Q_OS_WIN)
    wchar_t buffer[MAX_PATH + 1] = {};
    const DWORD length = GetModuleFileNameW(nullptr, buffer, MAX_PATH);
    return QString::fromWCharArray(buffer, int(length));
#elif defined(Q_OS_LINUX)
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
#else
    return QCoreApplication::instance() ? QCoreApplication::applicationFilePath() : QString();
#endif
}

TPreviousInstance::TPreviousInstance()
{
    if (g_instance)
        return;
    g_instance = this;
    m_madeBeforeApplication = QCoreApplication::instance() == nullptr;
    m_name = MutexName(ProgramFile());
    const QString folder = RuntimeFolder();
    // Without a name or a place for the lock this copy runs as the first one.
    if (m_name.isEmpty() || folder.isEmpty())
        return;
    switch (TakeLock(QDir(folder).filePath(m_name + QLatin1String(".lock")))) {
    case LockOutcome::Taken:
        m_holdsLock = true;
        break;
    case LockOutcome::HeldByAnother:
        m_previousRunning = true;
        break;
    case LockOutcome::Unavailable:
        break;
    }
}

TPreviousInstance::~TPreviousInstance()
{
    // The server belongs to the application object and is gone with it.
    if (m_holdsLock)
        ReleaseLock();
    if (g_instance == this)
        g_instance = nullptr;
}

QString TPreviousInstance::ServerName() const
{
    if (m_name.isEmpty())
        return QString();
#ifdef Q_OS_WIN
    // Pipe names are machine-wide: the user's name keeps users apart.
    return m_name + QLatin1Char('-') + qEnvironmentVariable("USERNAME");
#else
    return QDir(RuntimeFolder()).filePath(m_name + QLatin1String(".socket"));
#endif
}

bool TPreviousInstance::Listening() const
{
    return ServerRunning();
}

void TPreviousInstance::Listen(std::function<void()> bringForward)
{
    m_bringForward = std::move(bringForward);
    if (!m_holdsLock || ServerRunning() || !QCoreApplication::instance())
        return;
    StartServer(ServerName());
}

bool TPreviousInstance::AskPreviousForward() const
{
    return m_previousRunning && SendForwardRequest(ServerName(), kAnswerWaitMs);
}
