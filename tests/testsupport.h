// Shared helpers for the tests: a sandboxed environment (temporary program folder, fixed clock,
// no splash hold, no fade, private instance lock) and captured message boxes.
#pragma once

#include "app/environment.h"
#include "app/lifecycle.h"
#include "app/msgbox.h"
#include "app/settings.h"
#include "link/wire.h"

#include <QDateTime>
#include <QFile>
#include <QList>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

struct TestEnvironment {
    QTemporaryDir dir;
    QDateTime clock{QDate(2026, 12, 6), QTime(13, 30, 0)};
    QList<ShownMessage> boxes;
    QList<int> endCodes;

    TestEnvironment() {
        Environment& e = env();
        e.programDir = dir.path();
        e.now = [this] { return clock; };
        e.splashHoldSeconds = 0;
        e.instanceLockPath = dir.filePath(QStringLiteral("instance.lock"));
        e.fadeMilliseconds = 0;
        e.dateLocale = QLocale(QLocale::English, QLocale::UnitedStates);
        e.endProgram = [this](int code) { endCodes.append(code); };
        setMessageBoxHook([this](const ShownMessage& m) { boxes.append(m); });
        Settings = SettingsRecord();
        PENDING_COMMAND = CMD_NONE;
    }
    ~TestEnvironment() {
        releaseInstanceLock();
        setMessageBoxHook(nullptr);
        env() = Environment();
        Settings = SettingsRecord();
        PENDING_COMMAND = CMD_NONE;
    }
    QString iniPath() const { return settingsFilePath(dir.path()); }
    void writeIni(const QByteArray& bytes) const {
        QFile f(iniPath());
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    void writeIni(const SettingsRecord& s) const { writeIni(settingsFileBytes(s, "12/6/26")); }
    QByteArray readIni() const {
        QFile f(iniPath());
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
};

// A usable set of settings pointing at 127.0.0.1.
inline SettingsRecord sampleSettings(qint16 listenPort = 0, qint16 transmitPort = 0) {
    SettingsRecord s;
    s.LISTEN_PORT = listenPort;
    s.TRANSMIT_PORT = transmitPort;
    s.WINDOW_LEFT = 1500;
    s.WINDOW_TOP = 3000;
    s.SAVE_WINDOW_POS = false;
    s.SERVER_IP = QStringLiteral("127.0.0.1");
    s.STATUS_UPDATE_INTERVAL = 5;
    return s;
}

// A TCP port on 127.0.0.1 that nothing listens on right now.
// Settings hold ports as 16-bit signed numbers, so it lies below the system's ephemeral range.
inline qint16 freePort() {
    for (int attempt = 0; attempt < 200; ++attempt) {
        const auto port = quint16(20000 + QRandomGenerator::global()->bounded(12000));
        QTcpServer probe;
        if (probe.listen(QHostAddress::AnyIPv4, port))
            return qint16(port);
    }
    return 0;
}

// A listening side on 127.0.0.1 that keeps each connection's bytes as one record, complete once
// the peer has closed its side.
struct RecordServer {
    QTcpServer server;
    QList<QByteArray> records;
    int connections = 0;

    RecordServer() {
        QObject::connect(&server, &QTcpServer::newConnection, &server, [this] {
            while (QTcpSocket* s = server.nextPendingConnection()) {
                ++connections;
                auto bytes = std::make_shared<QByteArray>();
                QObject::connect(s, &QTcpSocket::readyRead, s,
                                 [s, bytes] { *bytes += s->readAll(); });
                QObject::connect(s, &QTcpSocket::disconnected, s, [this, s, bytes] {
                    records.append(*bytes + s->readAll());
                    s->deleteLater();
                });
            }
        });
    }
    bool listen(quint16 port = 0) { return server.listen(QHostAddress::LocalHost, port); }
    quint16 port() const { return server.serverPort(); }
};
