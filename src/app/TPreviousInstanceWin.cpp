// The guard's lock and socket on Windows: a lock file and a named pipe, through Qt.
#include "TPreviousInstance.h"

#include <QCoreApplication>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QPointer>

struct TPreviousInstance::Platform
{
    std::unique_ptr<QLockFile> lock;
    QPointer<QLocalServer> server;
};

void TPreviousInstance::PlatformDeleter::operator()(Platform *platform) const
{
    delete platform;
}

TPreviousInstance::LockOutcome TPreviousInstance::TakeLock(const QString &lockFile)
{
    auto lock = std::make_unique<QLockFile>(lockFile);
    // A live holder is never taken for stale however long it runs; a dead one is recognised by
    // its process being gone.
    lock->setStaleLockTime(0);
    if (lock->tryLock(0)) {
        m_platform.reset(new Platform);
        m_platform->lock = std::move(lock);
        return LockOutcome::Taken;
    }
    return lock->error() == QLockFile::LockFailedError ? LockOutcome::HeldByAnother : LockOutcome::Unavailable;
}

void TPreviousInstance::ReleaseLock()
{
    if (m_platform && m_platform->lock)
        m_platform->lock->unlock();
}

bool TPreviousInstance::ServerRunning() const
{
    return m_platform && m_platform->server && m_platform->server->isListening();
}

bool TPreviousInstance::StartServer(const QString &serverName)
{
    if (!m_platform)
        return false;
    auto *server = new QLocalServer(QCoreApplication::instance());
    server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server->listen(serverName)) {
        delete server;
        return false;
    }
    m_platform->server = server;
    QObject::connect(server, &QLocalServer::newConnection, server, [this, server] {
        while (QLocalSocket *socket = server->nextPendingConnection()) {
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
    });
    return true;
}

bool TPreviousInstance::SendForwardRequest(const QString &serverName, int waitMs) const
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(waitMs))
        return false;
    socket.write(kForwardRequest);
    if (!socket.waitForBytesWritten(waitMs))
        return false;
    // Waiting for the answer lets the earlier copy act before this one ends.
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(waitMs))
            return false;
    return socket.readLine(64) == kForwardDone;
}
