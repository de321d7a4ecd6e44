// The anchors the client's figures stand beside, written as plainly as Qt allows:
//   bench-anchor window [--quit-when-shown]  a Widgets window of the main window's size with one
//                                            label; prints "shown NS" once it is on screen
//   bench-anchor server PORT                 a bare QTcpServer on 127.0.0.1:PORT that reads each
//                                            connection until the peer closes it
#include "probe.h"

#include <QCoreApplication>
#include <QLabel>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <cstdio>
#include <cstring>

static int runWindow(int argc, char** argv) {
    const bool quitWhenShown = argc > 2 && std::strcmp(argv[2], "--quit-when-shown") == 0;
    ProbedApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(161, 275);
    QLabel label(QStringLiteral("Anchor"), &window);
    label.move(10, 10);
    if (quitWhenShown)
        app.onShown = [] { QTimer::singleShot(0, qApp, &QCoreApplication::quit); };
    window.show();
    return app.exec();
}

static int runServer(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const auto port = quint16(QByteArray(argv[2]).toUInt());
    QTcpServer server;
    QObject::connect(&server, &QTcpServer::newConnection, &server, [&server] {
        while (QTcpSocket* s = server.nextPendingConnection()) {
            QObject::connect(s, &QTcpSocket::readyRead, s, [s] { s->readAll(); });
            QObject::connect(s, &QTcpSocket::disconnected, s, &QObject::deleteLater);
        }
    });
    if (!server.listen(QHostAddress::LocalHost, port)) {
        std::fprintf(stderr, "bench-anchor: cannot listen on 127.0.0.1:%u\n", unsigned(port));
        return 1;
    }
    return app.exec();
}

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "window") == 0)
        return runWindow(argc, argv);
    if (argc > 2 && std::strcmp(argv[1], "server") == 0)
        return runServer(argc, argv);
    std::fprintf(stderr, "usage: bench-anchor window [--quit-when-shown] | server PORT\n");
    return 2;
}
