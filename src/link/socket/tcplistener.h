// A listening TCP socket on every IPv4 address; connections are taken one by one by the owner.
#pragma once

#include "link/socket/listeningsocket.h"

#include <QString>

class TcpListener : public ListeningSocket {
    Q_OBJECT
public:
    // How long accepting rests when the system has no descriptor or memory left for one more.
    static constexpr int kPauseMs = 100;

    explicit TcpListener(QObject* parent = nullptr) : ListeningSocket(kPauseMs, parent) {}

    // False at once when the port is outside 1..65535 or cannot be taken.
    bool listen(int port);

    // The next waiting connection as a non-blocking descriptor, or -1 when none waits or none
    // can be taken now (then connectionsWaiting rests a moment instead of repeating at once).
    int acceptNext(QString& peerAddress);
};
