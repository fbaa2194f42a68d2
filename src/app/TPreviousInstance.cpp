#include "TPreviousInstance.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace {

// Constant-initialised, so they are valid before any loader of any translation unit runs.
int g_loadCount = 0;
TPreviousInstance *g_instance = nullptr;

constexpr char kForwardRequest[] = "forward\n";
constexpr char kForwardDone[] = "done\n";
constexpr int kAnswerWaitMs = 3000;

QString RuntimeFolder()
{
    // Per user: the runtime folder is the user's own (mode 0700 on Unix).
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

} // namespace

TPreviousInstanceLoad::TPreviousInstanceLoad()
{
    if (g_loadCount++ == 0)
        g_instance = new TPreviousInstance;
}

TPreviousInstanceLoad::~TPreviousInstanceLoad()
{
    if (--g_loadCount == 0) {
        delete g_instance;
        g_instance = nullptr;
    }
}

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
    m_madeBeforeApplication = QCoreApplication::instance() == nullptr;
    m_name = MutexName(ProgramFile());
    const QString folder = RuntimeFolder();
    // Without a name or a place for the lock this copy runs as the first one.
    if (m_name.isEmpty() || folder.isEmpty())
        return;
    m_lock = std::make_unique<QLockFile>(QDir(folder).filePath(m_name + QLatin1String(".lock")));
    // A live holder is never taken for stale however long it runs; a dead one is recognised by
    // its process being gone.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) {
        m_holdsLock = true;
        return;
    }
    m_previousRunning = m_lock->error() == QLockFile::LockFailedError;
    m_lock.reset();
}

TPreviousInstance::~TPreviousInstance()
{
    // The server belongs to the application object and is gone with it.
    if (m_lock)
        m_lock->unlock();
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
    return m_server && m_server->isListening();
}

void TPreviousInstance::Listen(std::function<void()> bringForward)
{
    m_bringForward = std::move(bringForward);
    if (!m_holdsLock || m_server || !QCoreApplication::instance())
        return;
    auto *server = new QLocalServer(QCoreApplication::instance());
    server->setSocketOptions(QLocalServer::UserAccessOption);
    // Only the lock holder gets here, so a socket left under this name is a dead copy's.
    QLocalServer::removeServer(ServerName());
    if (!server->listen(ServerName())) {
        delete server;
        return;
    }
    m_server = server;
    QObject::connect(server, &QLocalServer::newConnection, server, [this] { AnswerRequests(); });
}

void TPreviousInstance::AnswerRequests()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        QObject::connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        const auto answer = [this, socket] {
            if (!socket->canReadLine())
                return;
            // Nothing but the one request is understood; anything else is dropped unread.
            const bool forward = socket->readLine(64) == kForwardRequest;
            if (forward && m_bringForward)
                m_bringForward();
            socket->write(forward ? kForwardDone : "?\n");
            socket->flush();
            socket->disconnectFromServer();
        };
        QObject::connect(socket, &QLocalSocket::readyRead, socket, answer);
        answer();
    }
}

bool TPreviousInstance::AskPreviousForward() const
{
    if (!m_previousRunning)
        return false;
    QLocalSocket socket;
    socket.connectToServer(ServerName());
    if (!socket.waitForConnected(kAnswerWaitMs))
        return false;
    socket.write(kForwardRequest);
    if (!socket.waitForBytesWritten(kAnswerWaitMs))
        return false;
    // Waiting for the answer lets the earlier copy act before this one ends.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(kAnswerWaitMs))
            return false;
    return socket.readLine(64) == kForwardDone;
}
