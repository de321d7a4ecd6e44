#include "standin.h"

#include <arpa/inet.h>
#include <cstdio>
#include <cstdlib>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace benchrun {

CommandStandIn::CommandStandIn(int port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int on = 1;
    ::setsockopt(fd_, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(uint16_t(port));
    at.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(fd_, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0 || ::listen(fd_, 8)) {
        std::perror("bench: command stand-in");
        std::exit(1);
    }
    thread_ = std::thread([this] { serve(); });
}

CommandStandIn::~CommandStandIn() {
    stop_ = true;
    thread_.join();
    ::close(fd_);
}

void CommandStandIn::serve() {
    while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 100) <= 0)
            continue;
        const int s = ::accept4(fd_, nullptr, nullptr, SOCK_CLOEXEC);
        if (s < 0)
            continue;
        ++connections_;
        char buffer[512];
        for (int i = 0; i < 20; ++i) { // reads until the client closes, two seconds at most
            pollfd q{s, POLLIN, 0};
            if (::poll(&q, 1, 100) > 0 && ::read(s, buffer, sizeof buffer) <= 0)
                break;
        }
        ::close(s);
    }
}

} // namespace benchrun
