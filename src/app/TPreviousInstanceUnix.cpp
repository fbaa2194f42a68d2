// The guard's lock and socket on Unix, straight on the system: an flock() lock, which the kernel
// drops when its process ends however it ends, and a Unix-domain socket watched by the event loop.
// Nothing here writes to the disk or loads a library on the way to the window.
#include "TPreviousInstance.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QFile>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr qsizetype kLongestRequest = 64;
constexpr int kRequestWaitMs = 3000;
constexpr int kRetryMs = 20;

// The socket's address; false when the path does not fit one.
bool SocketAddress(const QString &path, sockaddr_un &address)
{
    const QByteArray encoded = QFile::encodeName(path);
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (encoded.isEmpty() || size_t(encoded.size()) >= sizeof address.sun_path)
        return false;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    return true;
}

// A new non-blocking socket and the address for the path; -1 when the path fits no address or
// the system gives no socket.
int NewSocket(const QString &path, sockaddr_un &address)
{
    if (!SocketAddress(path, address))
        return -1;
    return ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
}

// What the holder says to a request line (the line end included).
using Answerer = std::function<QByteArray(const QByteArray &line)>;

// One later copy's request: read up to its line end, answered once, then closed.
class Request : public QObject
{
public:
    Request(int fd, Answerer answerer, QObject *parent)
        : QObject(parent), m_fd(fd), m_answerer(std::move(answerer)), m_notifier(fd, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { Read(); });
        // A copy that connects and never asks is not waited for.
        QTimer::singleShot(kRequestWaitMs, this, [this] { Finish(); });
    }

    ~Request() override
    {
        m_notifier.setEnabled(false);
        if (m_fd >= 0)
            ::close(m_fd);
    }

private:
    void Read()
    {
        char buffer[kLongestRequest];
        for (;;) {
            const ssize_t got = ::recv(m_fd, buffer, sizeof buffer, MSG_DONTWAIT);
            if (got > 0) {
                m_line.append(buffer, got);
                if (m_line.contains('\n') || m_line.size() >= kLongestRequest)
                    return Answer();
                continue;
            }
            if (got < 0 && errno == EINTR)
                continue;
            if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
                return;
            return Finish(); // the asker left, or the socket failed
        }
    }

    void Answer()
    {
        m_notifier.setEnabled(false);
        const qsizetype end = m_line.indexOf('\n');
        const QByteArray answer = m_answerer(end >= 0 ? m_line.left(end + 1) : m_line);
        ::send(m_fd, answer.constData(), size_t(answer.size()), MSG_NOSIGNAL | MSG_DONTWAIT);
        Finish();
    }

    void Finish()
    {
        m_notifier.setEnabled(false);
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        }
        deleteLater();
    }

    int m_fd;
    Answerer m_answerer;
    QSocketNotifier m_notifier;
    QByteArray m_line;
};

// The listening socket; it belongs to the application object and removes its file when it goes.
class Server : public QObject
{
public:
    Server(int fd, QByteArray path, Answerer answerer, QObject *parent)
        : QObject(parent), m_fd(fd), m_path(std::move(path)), m_answerer(std::move(answerer)),
          m_notifier(fd, QSocketNotifier::Read)
    {
        connect(&m_notifier, &QSocketNotifier::activated, this, [this] { Accept(); });
    }

    ~Server() override
    {
        m_notifier.setEnabled(false);
        ::close(m_fd);
        ::unlink(m_path.constData());
    }

private:
    void Accept()
    {
        for (;;) {
            const int client = ::accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
            if (client < 0) {
                if (errno == EINTR)
                    continue;
                return; // no more waiting (EAGAIN), or a failure that the next request retries
            }
            new Request(client, m_answerer, this);
        }
    }

    int m_fd;
    QByteArray m_path;
    Answerer m_answerer;
    QSocketNotifier m_notifier;
};

} // namespace

struct TPreviousInstance::Platform
{
    int lockFd = -1;
    QByteArray lockPath;
    QPointer<Server> server;
};

void TPreviousInstance::PlatformDeleter::operator()(Platform *platform) const
{
    delete platform;
}

TPreviousInstance::LockOutcome TPreviousInstance::TakeLock(const QString &lockFile)
{
    const QByteArray path = QFile::encodeName(lockFile);
    // A holder that ends removes the file while it still holds the lock; a copy that opened the
    // file just before may then lock a file nobody else will see. Such a lock guards nothing, so
    // it is dropped and the file opened again.
    for (int attempt = 0; attempt < 3; ++attempt) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0)
            return LockOutcome::Unavailable;
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            return error == EWOULDBLOCK ? LockOutcome::HeldByAnother : LockOutcome::Unavailable;
        }
        struct stat held {}, named {};
        if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev
            && held.st_ino == named.st_ino) {
            m_platform.reset(new Platform);
            m_platform->lockFd = fd;
            m_platform->lockPath = path;
            return LockOutcome::Taken;
        }
        ::close(fd);
    }
    return LockOutcome::Unavailable;
}

void TPreviousInstance::ReleaseLock()
{
    if (!m_platform || m_platform->lockFd < 0)
        return;
    ::unlink(m_platform->lockPath.constData());
    ::close(m_platform->lockFd);
    m_platform->lockFd = -1;
}

bool TPreviousInstance::ServerRunning() const
{
    return m_platform && m_platform->server;
}

bool TPreviousInstance::StartServer(const QString &serverName)
{
    if (!m_platform)
        return false;
    sockaddr_un address;
    const int fd = NewSocket(serverName, address);
    if (fd < 0)
        return false;
    // Only the lock holder gets here, so a socket left under this name is a dead copy's.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    // The runtime folder is the user's alone already; the socket is too.
    ::chmod(address.sun_path, 0600);
    m_platform->server = new Server(fd, QByteArray(address.sun_path), [this](const QByteArray &line) {
        // Nothing but the one request is understood; anything else is answered and dropped.
        if (line != kForwardRequest)
            return QByteArray("?\n");
        if (m_bringForward)
            m_bringForward();
        return QByteArray(kForwardDone);
    }, QCoreApplication::instance());
    return true;
}

bool TPreviousInstance::SendForwardRequest(const QString &serverName, int waitMs) const
{
    sockaddr_un address;
    const int fd = NewSocket(serverName, address);
    if (fd < 0)
        return false;
    const QDeadlineTimer deadline(waitMs);
    const auto fail = [fd] {
        ::close(fd);
        return false;
    };

    // The holder may be starting still and not listen yet, or be busy with a full queue.
    while (::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) != 0) {
        if (errno == EINTR)
            continue;
        if ((errno != ENOENT && errno != ECONNREFUSED && errno != EAGAIN) || deadline.hasExpired())
            return fail();
        ::usleep(kRetryMs * 1000);
    }
    const QByteArray request(kForwardRequest);
    if (::send(fd, request.constData(), size_t(request.size()), MSG_NOSIGNAL) != ssize_t(request.size()))
        return fail();

    // Waiting for the answer lets the earlier copy act before this one ends.
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() < kLongestRequest) {
        pollfd readable{fd, POLLIN, 0};
        const int ready = ::poll(&readable, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return fail();
        char buffer[kLongestRequest];
        const ssize_t got = ::recv(fd, buffer, sizeof buffer, 0);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            return fail();
        answer.append(buffer, got);
    }
    ::close(fd);
    return answer == kForwardDone;
}
