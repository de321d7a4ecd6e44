#include "link/socket/tcplistener.h"

#include "link/socket/streamsocket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

bool TcpListener::listen(int port) {
    close();
    if (port < 1 || port > 65535)
        return false;
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(quint16(port));
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&local), sizeof local) != 0 ||
        ::listen(fd, SOMAXCONN) != 0) {
        ::close(fd);
        return false;
    }
    adopt(fd);
    return true;
}

int TcpListener::acceptNext(QString& peerAddress) {
    sockaddr_in peer{};
    socklen_t length = sizeof peer;
    const int fd = ListeningSocket::acceptNext(reinterpret_cast<sockaddr*>(&peer), &length);
    if (fd >= 0)
        peerAddress = dottedIPv4(ntohl(peer.sin_addr.s_addr));
    return fd;
}
