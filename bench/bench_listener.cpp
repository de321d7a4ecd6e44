// How fast the report listener takes, reads and dispatches report connections, and how much
// memory a peer that sends without end can make the client hold. Everything stays on 127.0.0.1.
#include "testsupport.h"

#include "ui/main/form1.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QTcpSocket>
#include <cstdio>

static long peakResidentKiB() {
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return -1;
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TestEnvironment sandbox; // temporary program folder, no splash hold, boxes captured
    const qint16 port = freePort();
    sandbox.writeIni(sampleSettings(port, 9)); // port 9 is never used: polling stops below
    Form1 form;
    if (!form.Form_Load() || form.listenerUpperBound() != 10) {
        std::fprintf(stderr, "the client did not start listening\n");
        return 1;
    }
    form.REQUEST_STATUS_TIMER.stop();

    // 1. Many short report connections, eight at a time, as a busy server would make them.
    const int total = argc > 1 ? QByteArray(argv[1]).toInt() : 3000;
    int started = 0;
    int finished = 0;
    QElapsedTimer clock;
    clock.start();
    std::function<void()> startOne = [&] {
        if (started >= total)
            return;
        ++started;
        auto* peer = new QTcpSocket(&app);
        QObject::connect(peer, &QTcpSocket::connected, peer, [peer] {
            peer->write("STATUS CONNSIGOK01:00pm");
            peer->disconnectFromHost();
        });
        QObject::connect(peer, &QTcpSocket::disconnected, peer, [&, peer] {
            peer->deleteLater();
            if (++finished == total)
                app.exit(0);
            else
                startOne();
        });
        peer->connectToHost(QHostAddress::LocalHost, quint16(port));
    };
    for (int i = 0; i < 8; ++i)
        startOne();
    app.exec();
    const double seconds = clock.nsecsElapsed() / 1e9;
    std::printf("report connections: %d in %.2f s = %.0f per second (last time shown: %s)\n", total,
                seconds, total / seconds, qPrintable(form.LAST_CONNECT_ISP_TIME_LABEL->text()));
    std::printf("peak memory after them: %ld KiB\n", peakResidentKiB());

    // 2. One peer that sends 64 MiB and never closes: the session is cut off at its bound.
    QTcpSocket flood;
    flood.connectToHost(QHostAddress::LocalHost, quint16(port));
    flood.waitForConnected(3000);
    const QByteArray block(64 * 1024, 'X');
    qint64 sent = 0;
    clock.restart();
    while (sent < 64LL * 1024 * 1024 && flood.state() == QAbstractSocket::ConnectedState &&
           clock.elapsed() < 20000) {
        if (flood.bytesToWrite() < 1024 * 1024)
            sent += flood.write(block);
        flood.waitForBytesWritten(5);
        QCoreApplication::processEvents();
    }
    for (int i = 0; i < 50; ++i)
        QCoreApplication::processEvents();
    std::printf("flood: %lld KiB offered, peer %s, peak memory %ld KiB\n", sent / 1024,
                flood.state() == QAbstractSocket::ConnectedState ? "still connected" : "cut off",
                peakResidentKiB());
    return 0;
}
