// The report listener: the server connects in with one record per connection.
#include "app/environment.h"
#include "link/socket/winsock.h"
#include "link/wire.h"
#include "ui/main/form1.h"

#include <QCoreApplication>

void Form1::createListenerElement(int i) {
    while (WS_LISTENER.size() <= i) {
        WS_LISTENER.append(nullptr);
        WS_LISTENER_SCKDATA.append(QString());
    }
    if (WS_LISTENER[i])
        return;
    auto* s = new Winsock(i, this);
    connect(s, &Winsock::ConnectionRequest, this, &Form1::WS_LISTENER_ConnectionRequest);
    connect(s, &Winsock::DataArrival, this, &Form1::WS_LISTENER_DataArrival);
    connect(s, &Winsock::CloseEvent, this, &Form1::WS_LISTENER_Close);
    WS_LISTENER[i] = s;
    WS_LISTENER_SCKDATA[i].clear();
}

void Form1::removeListenerElement(int i) {
    if (i <= 0 || i >= WS_LISTENER.size())
        return;
    Winsock* s = WS_LISTENER[i];
    s->disconnect(this);
    s->Close();
    delete s;
    WS_LISTENER.remove(i);
    WS_LISTENER_SCKDATA.remove(i);
}

void Form1::WS_LISTENER_ConnectionRequest(int, qint32 requestId) {
    const int upper = listenerUpperBound();
    for (int i = 1; i <= upper - 1; ++i) {
        if (WS_LISTENER[i]->State() == Winsock::sckClosed) {
            WS_LISTENER[i]->Accept(requestId);
            return;
        }
    }
    if (upper < 1)
        return;
    Winsock* overflow = WS_LISTENER[upper];
    overflow->Close();
    overflow->Accept(requestId);
    overflow->SendData(QByteArray(REFUSAL_NOTICE));
    QCoreApplication::processEvents();
    if (listenerUpperBound() != upper)
        return; // shut down meanwhile
    addLogEntry({QStringLiteral("     Cant accept any more connections!"),
                 QStringLiteral("     (IP:") + overflow->RemoteHostIP() + QStringLiteral(")")});
    overflow->Close();
}

void Form1::WS_LISTENER_DataArrival(int index, qint64) {
    if (index < 1 || index > listenerUpperBound())
        return;
    Winsock* s = WS_LISTENER[index];
    QString& buffer = WS_LISTENER_SCKDATA[index];
    buffer += s->GetData();
    // One record is a few hundred bytes at most; a peer that sends without end is cut off
    // and its data dropped, so memory stays bounded whatever arrives.
    if (buffer.size() > MAX_SESSION_BYTES) {
        s->Close();
        buffer.clear();
    }
}

void Form1::WS_LISTENER_Close(int index) {
    if (index < 1 || index > listenerUpperBound())
        return;
    Winsock* s = WS_LISTENER[index];
    s->Close();
    const QString record = WS_LISTENER_SCKDATA[index];
    const QString peer = s->RemoteHostIP();
    PROCESS_DATA(record, qint16(index), peer);
    if (index <= listenerUpperBound())
        WS_LISTENER_SCKDATA[index].clear();
}

void Form1::SOCKET_CLOSER_TIMER_Timer() {
    for (int i = 1; i <= listenerUpperBound(); ++i) {
        if (WS_LISTENER[i]->State() > 7) {
            WS_LISTENER[i]->Close();
            WS_LISTENER_SCKDATA[i].clear();
        }
    }
}
