// A stand-in for the server's command port on 127.0.0.1: takes whatever the client sends and
// counts the connections, on a thread of its own.
#pragma once

#include <atomic>
#include <thread>

namespace benchrun {

class CommandStandIn {
public:
    explicit CommandStandIn(int port);
    ~CommandStandIn();
    int connections() const { return connections_; }

private:
    void serve();
    int fd_ = -1;
    std::thread thread_;
    std::atomic<bool> stop_{false};
    std::atomic<int> connections_{0};
};

} // namespace benchrun
