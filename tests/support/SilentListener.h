#pragma once

#include <QtGlobal>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

// A server that went quiet: something listens on its loopback port and lets connections in, but
// never answers them. A client waiting for the server's first reply waits as it would for a host
// gone from the network, or a hung server, until its own timeout.
class SilentListener
{
public:
    // On the port given, or on a free one (0).
    explicit SilentListener(quint16 port = 0)
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        if (m_socket < 0)
            return;
        const int reuse = 1;
        ::setsockopt(m_socket, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(port);
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        m_listening = ::bind(m_socket, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0
            && ::listen(m_socket, 64) == 0 && ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&address), &length) == 0;
        m_port = ntohs(address.sin_port);
    }
    ~SilentListener() { Close(); }
    SilentListener(const SilentListener &) = delete;
    SilentListener &operator=(const SilentListener &) = delete;

    bool Listening() const { return m_listening; }
    quint16 Port() const { return m_port; }
    // Stops listening; the connections waiting are refused.
    void Close()
    {
        if (m_socket >= 0)
            ::close(m_socket);
        m_socket = -1;
        m_listening = false;
    }

private:
    int m_socket = -1;
    quint16 m_port = 0;
    bool m_listening = false;
};
