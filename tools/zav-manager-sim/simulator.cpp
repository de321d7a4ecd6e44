#include "simulator.h"

#include "link/codepage.h"

#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>

#include <memory>

#ifdef Q_OS_WIN
#include <winsock2.h>
#else
#include <sys/socket.h>
#endif

namespace {

// The longest record worth reading; a real one is a few hundred bytes at most.
constexpr int RECORD_LIMIT = 64 * 1024;
constexpr int REPLY_LIMIT = 4 * 1024;

const QString NEVER_CONNECTED = QStringLiteral("--:----");

QString time12(const QTime& time) {
    const int hour = time.hour() % 12 == 0 ? 12 : time.hour() % 12;
    return QStringLiteral("%1:%2%3")
        .arg(hour, 2, 10, QLatin1Char('0'))
        .arg(time.minute(), 2, 10, QLatin1Char('0'))
        .arg(time.hour() < 12 ? QLatin1String("am") : QLatin1String("pm"));
}

// An IPv4 peer seen through a dual-stack socket is shown and dialled back as plain IPv4.
QString addressText(const QHostAddress& address) {
    bool isV4 = false;
    const quint32 v4 = address.toIPv4Address(&isV4);
    return isV4 ? QHostAddress(v4).toString() : address.toString();
}

QStringList messageLines(const QString& text) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    return text.split(lineBreak);
}

void halfClose(QTcpSocket* socket) {
    const qintptr fd = socket->socketDescriptor();
    if (fd == -1)
        return;
#ifdef Q_OS_WIN
    ::shutdown(SOCKET(fd), SD_SEND);
#else
    ::shutdown(int(fd), SHUT_WR);
#endif
}

} // namespace

// A record shown on one line: control characters spelled out, long ones cut.
QString quotedRecord(const QString& text) {
    QString out;
    for (QChar c : text.left(80)) {
        if (c == QLatin1Char('\r'))
            out += QLatin1String("\\r");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("\\n");
        else if (c.unicode() < 0x20)
            out += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
        else
            out += c;
    }
    if (text.size() > 80)
        out += QLatin1String("...");
    return QLatin1Char('"') + out + QLatin1Char('"');
}

Simulator::Simulator(const SimulatorConfig& config, QObject* parent)
    : QObject(parent), m_config(config), m_clock([] { return QTime::currentTime(); }),
      m_signal(config.signalPresent), m_card(config.cardPresent), m_quiet(config.quiet) {
    m_dialTimer.setSingleShot(true);
    connect(&m_dialTimer, &QTimer::timeout, this, &Simulator::linkUp);
    connect(&m_pushTimer, &QTimer::timeout, this, &Simulator::pushTimeout);
    m_outTimer.setSingleShot(true);
    connect(&m_outTimer, &QTimer::timeout, this, [this] {
        if (!m_out)
            return;
        finishReport(
            m_out->state() == QAbstractSocket::ConnectedState
                ? QStringLiteral("the client kept the connection open for %1 ms")
                      .arg(m_config.reportTimeoutMs)
                : QStringLiteral("no connection within %1 ms").arg(m_config.reportTimeoutMs));
    });
}

Simulator::~Simulator() {
    stop();
}

void Simulator::setClock(std::function<QTime()> clock) {
    m_clock = std::move(clock);
}

bool Simulator::start(QString* error) {
    stop();
    m_server = new QTcpServer(this);
    if (!m_server->listen(m_config.bindAddress, m_config.receivePort)) {
        if (error)
            *error = QStringLiteral("cannot listen on %1:%2: %3")
                         .arg(addressText(m_config.bindAddress))
                         .arg(m_config.receivePort)
                         .arg(m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return false;
    }
    connect(m_server, &QTcpServer::newConnection, this, &Simulator::acceptConnections);
    log(QStringLiteral("ZAV Manager stand-in listening on %1:%2; reports go to %3:%4")
            .arg(addressText(m_server->serverAddress()))
            .arg(m_server->serverPort())
            .arg(m_config.clientHost.isEmpty() ? QStringLiteral("<client>") : m_config.clientHost)
            .arg(m_config.clientPort));
    log(QStringLiteral("state: %1").arg(statusCode()));
    if (m_config.pushIntervalMs > 0)
        m_pushTimer.start(m_config.pushIntervalMs);
    return true;
}

void Simulator::stop() {
    m_pushTimer.stop();
    m_dialTimer.stop();
    m_outTimer.stop();
    m_reports.clear();
    if (m_out) {
        m_out->disconnect(this);
        m_out->abort();
        delete m_out;
        m_out = nullptr;
    }
    if (m_server) {
        // Command connections still open are children of the server; silence them first.
        const auto sockets = m_server->findChildren<QTcpSocket*>();
        for (QTcpSocket* socket : sockets) {
            socket->disconnect();
            socket->abort();
        }
        delete m_server;
        m_server = nullptr;
    }
}

quint16 Simulator::receivePort() const {
    return m_server ? m_server->serverPort() : 0;
}

LinkState Simulator::reportedState() const {
    if (!m_card)
        return LinkState::NoCard;
    switch (m_link) {
    case Link::Disconnected:
        return m_signal ? LinkState::Offline : LinkState::OfflineNoSignal;
    case Link::Dialing:
        return m_signal ? LinkState::Dialing : LinkState::DialingNoSignal;
    case Link::Connected:
        break;
    }
    return m_signal ? LinkState::Online : LinkState::OnlineNoSignal;
}

QString Simulator::statusCode() const {
    return linkStateCode(reportedState());
}

QString Simulator::statusRecord() const {
    return statusReportText(reportedState(),
                            m_lastConnected.isEmpty() ? NEVER_CONNECTED : m_lastConnected);
}

QString Simulator::reportHost() const {
    return m_config.clientHost.isEmpty() ? m_lastClient : m_config.clientHost;
}

QString Simulator::stamp() const {
    return QLatin1Char('[') + m_clock().toString(QStringLiteral("HH:mm:ss")) + QLatin1String("] ");
}

void Simulator::log(const QString& text) {
    emit logLine(stamp() + text);
}

void Simulator::logRoutine(const QString& text) {
    if (!m_quiet)
        log(text);
}

void Simulator::setQuiet(bool quiet) {
    m_quiet = quiet;
    log(quiet ? QStringLiteral("quiet: routine polls and unchanged reports are not shown")
              : QStringLiteral("quiet: off, every record is shown"));
}

void Simulator::connectLink() {
    if (m_link == Link::Connected) {
        log(QStringLiteral("link: already connected"));
        return;
    }
    if (m_link == Link::Dialing) {
        log(QStringLiteral("link: already dialing"));
        return;
    }
    if (!m_card) {
        log(QStringLiteral("link: cannot dial, the receiver card is gone"));
        return;
    }
    m_link = Link::Dialing;
    log(QStringLiteral("link: dialing for %1 s").arg(m_config.dialMs / 1000.0));
    // A zero dial time connects before the next record is looked at.
    if (m_config.dialMs <= 0)
        linkUp();
    else
        m_dialTimer.start(m_config.dialMs);
}

void Simulator::linkUp() {
    m_dialTimer.stop();
    m_link = Link::Connected;
    m_lastConnected = time12(m_clock());
    log(QStringLiteral("link: connected at %1").arg(m_lastConnected));
}

void Simulator::disconnectLink() {
    m_dialTimer.stop();
    switch (m_link) {
    case Link::Disconnected:
        log(QStringLiteral("link: already disconnected"));
        break;
    case Link::Dialing:
        log(QStringLiteral("link: dialing aborted"));
        break;
    case Link::Connected:
        log(QStringLiteral("link: disconnected"));
        break;
    }
    m_link = Link::Disconnected;
}

void Simulator::setSignalPresent(bool present) {
    log(present == m_signal ? QStringLiteral("signal: unchanged")
        : present           ? QStringLiteral("signal: back")
                            : QStringLiteral("signal: lost"));
    m_signal = present;
}

void Simulator::setCardPresent(bool present) {
    log(present == m_card ? QStringLiteral("card: unchanged")
        : present         ? QStringLiteral("card: back")
                          : QStringLiteral("card: gone"));
    m_card = present;
    // A dial in progress needs the card to the end.
    if (!present && m_link == Link::Dialing) {
        m_dialTimer.stop();
        m_link = Link::Disconnected;
        log(QStringLiteral("link: dialing failed, the receiver card is gone"));
    }
}

void Simulator::pushStatus() {
    const QString host = reportHost();
    if (host.isEmpty()) {
        log(QStringLiteral("!! no client known yet: wait for a command or use --client-host"));
        return;
    }
    queueReport(host, statusRecord());
}

void Simulator::pushMessage(const QString& text) {
    const QString host = reportHost();
    if (host.isEmpty()) {
        log(QStringLiteral("!! no client known yet: wait for a command or use --client-host"));
        return;
    }
    if (text.size() > kMaxMessageLength)
        log(QStringLiteral("!! the message has %1 characters, more than the %2 a client takes")
                .arg(text.size())
                .arg(kMaxMessageLength));
    queueReport(host, recordLetters(RecordKind::Message) + text);
}

void Simulator::pushTimeout() {
    // A client that is slow to take reports should not make them pile up.
    if (m_out || !m_reports.isEmpty())
        return;
    const QString host = reportHost();
    if (!host.isEmpty())
        queueReport(host, statusRecord());
}

void Simulator::requestQuit() {
    emit quitRequested();
}

void Simulator::acceptConnections() {
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        struct Incoming {
            QString peer;
            QByteArray bytes;
            bool done = false;
        };
        auto in = std::make_shared<Incoming>();
        in->peer = addressText(socket->peerAddress());
        auto* timer = new QTimer(socket);

        // The record ends where the client closes its side.
        auto finish = [this, socket, in, timer] {
            if (in->done)
                return;
            in->done = true;
            timer->stop();
            in->bytes += socket->readAll();
            socket->disconnect(this);
            socket->close();
            socket->deleteLater();
            handleRecord(in->bytes, in->peer);
        };
        auto drop = [this, socket, in, timer](const QString& why) {
            in->done = true;
            timer->stop();
            log(QStringLiteral("!! command connection from %1 dropped: %2").arg(in->peer, why));
            socket->disconnect(this);
            socket->abort();
            socket->deleteLater();
        };
        connect(socket, &QTcpSocket::readyRead, this, [socket, in, drop] {
            if (in->done)
                return;
            in->bytes += socket->readAll();
            if (in->bytes.size() > RECORD_LIMIT)
                drop(QStringLiteral("more than %1 bytes").arg(RECORD_LIMIT));
        });
        connect(socket, &QTcpSocket::readChannelFinished, this, finish);
        connect(socket, &QTcpSocket::disconnected, this, finish);
        timer->setSingleShot(true);
        connect(timer, &QTimer::timeout, this, [this, in, drop] {
            if (!in->done)
                drop(QStringLiteral("still open after %1 ms").arg(m_config.commandTimeoutMs));
        });
        timer->start(m_config.commandTimeoutMs);
        // The client may have written and closed before we got here.
        if (socket->bytesAvailable() > 0)
            in->bytes += socket->readAll();
        if (socket->state() != QAbstractSocket::ConnectedState)
            finish();
    }
}

void Simulator::handleRecord(const QByteArray& bytes, const QString& peer) {
    if (bytes.isEmpty()) {
        log(QStringLiteral("<- empty record from %1; ignored").arg(peer));
        return;
    }
    const QString previousClient = m_lastClient;
    m_lastClient = peer;
    const QString target = m_config.clientHost.isEmpty() ? peer : m_config.clientHost;
    const QString record = fromWindows1252(bytes);
    const RecordKind kind = recordKind(record);
    const QString trailing =
        record.size() > 6 && kind != RecordKind::Message
            ? QStringLiteral(" (trailing %1 ignored)").arg(quotedRecord(record.mid(6)))
            : QString();
    const QString heard =
        QStringLiteral("<- %1 from %2%3").arg(recordLetters(kind), peer, trailing);

    switch (kind) {
    case RecordKind::Status:
        // A client's first poll is shown even when quiet.
        if (peer != previousClient || !trailing.isEmpty())
            log(heard);
        else
            logRoutine(heard);
        if (m_config.reportDelayMs > 0) {
            QTimer::singleShot(m_config.reportDelayMs, this,
                               [this, target] { queueReport(target, statusRecord()); });
        } else {
            queueReport(target, statusRecord());
        }
        return;
    case RecordKind::Connect:
        log(heard);
        connectLink();
        return;
    case RecordKind::Disconnect:
        log(heard);
        disconnectLink();
        return;
    case RecordKind::Message: {
        const QString text = messageRecordText(record);
        log(QStringLiteral("<- MESSAG from %1 (%2 characters%3):")
                .arg(peer)
                .arg(text.size())
                .arg(text.size() > kMaxMessageLength
                         ? QStringLiteral(", more than %1").arg(kMaxMessageLength)
                         : QString()));
        const QStringList lines = messageLines(text);
        for (const QString& line : lines)
            log(QStringLiteral("   | ") + line);
        queueReport(target, recordLetters(RecordKind::MessageReceipt));
        return;
    }
    case RecordKind::MessageReceipt: // a client sends no receipts
    case RecordKind::Unknown:
        break;
    }
    log(QStringLiteral("<- unknown record %1 from %2; ignored").arg(quotedRecord(record), peer));
}

void Simulator::queueReport(const QString& host, const QString& text) {
    if (!m_server)
        return;
    m_reports.enqueue(Report{host, text});
    sendNextReport();
}

void Simulator::sendNextReport() {
    if (m_out || m_reports.isEmpty() || !m_server)
        return;
    m_current = m_reports.dequeue();
    m_outBytes = toWindows1252(m_current.text);
    m_outReply.clear();
    m_outWritten = false;
    m_outHalfClosed = false;
    m_out = new QTcpSocket(this);
    connect(m_out, &QTcpSocket::connected, this, &Simulator::reportConnected);
    connect(m_out, &QTcpSocket::bytesWritten, this, &Simulator::reportBytesWritten);
    connect(m_out, &QTcpSocket::readyRead, this, [this] {
        const QByteArray chunk = m_out->readAll();
        if (m_outReply.size() < REPLY_LIMIT)
            m_outReply += chunk.left(REPLY_LIMIT - m_outReply.size());
    });
    connect(m_out, &QTcpSocket::disconnected, this, [this] { finishReport(QString()); });
    connect(m_out, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError error) {
        // The client closing is the normal end; disconnected() follows.
        if (error != QAbstractSocket::RemoteHostClosedError && m_out)
            finishReport(m_out->errorString());
    });
    m_outTimer.start(m_config.reportTimeoutMs);
    m_out->connectToHost(m_current.host, m_config.clientPort);
}

void Simulator::reportConnected() {
    const QString where = QStringLiteral("%1:%2").arg(m_current.host).arg(m_config.clientPort);
    const RecordKind kind = recordKind(m_current.text);
    if (kind == RecordKind::Message) {
        const QString text = messageRecordText(m_current.text);
        log(QStringLiteral("-> MESSAG to %1 (%2 characters):").arg(where).arg(text.size()));
        const QStringList lines = messageLines(text);
        for (const QString& line : lines)
            log(QStringLiteral("   | ") + line);
    } else if (kind == RecordKind::Status) {
        const QString line = QStringLiteral("-> %1 to %2").arg(m_current.text, where);
        if (m_current.text != m_lastStatusSent)
            log(line);
        else
            logRoutine(line);
        m_lastStatusSent = m_current.text;
    } else {
        log(QStringLiteral("-> %1 to %2").arg(m_current.text, where));
    }
    if (m_out->write(m_outBytes) != m_outBytes.size())
        finishReport(m_out->errorString());
}

void Simulator::reportBytesWritten() {
    if (!m_out || m_outHalfClosed || m_out->bytesToWrite() > 0)
        return;
    // Closing our side marks the end of the record; the client's close ends the connection,
    // and whatever it says before that (a refusal) is still read.
    m_outWritten = true;
    m_outHalfClosed = true;
    halfClose(m_out);
}

void Simulator::finishReport(const QString& error) {
    if (!m_out)
        return;
    QTcpSocket* socket = m_out;
    m_out = nullptr;
    m_outTimer.stop();
    const QByteArray rest = socket->readAll();
    if (m_outReply.size() < REPLY_LIMIT)
        m_outReply += rest.left(REPLY_LIMIT - m_outReply.size());
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();

    const QString where = QStringLiteral("%1:%2").arg(m_current.host).arg(m_config.clientPort);
    if (!m_outReply.isEmpty()) {
        const QStringList lines = messageLines(fromWindows1252(m_outReply).trimmed());
        for (const QString& line : lines)
            log(QStringLiteral("<- from the client at %1: %2").arg(where, line));
    }
    if (!error.isEmpty())
        log((m_outWritten ? QStringLiteral("!! %1 sent to %2, then: %3")
                          : QStringLiteral("!! %1 not delivered to %2: %3"))
                .arg(m_current.text.left(6), where, error));
    QTimer::singleShot(0, this, &Simulator::sendNextReport);
}
