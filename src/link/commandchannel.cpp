// The command channel: one fresh connection per command, one record, then closed.
#include "app/settings.h"
#include "link/socket/winsock.h"
#include "link/wire.h"
#include "ui/main/form1.h"
#include "ui/messages/sendmessage.h"

#include <QCoreApplication>

void Form1::openCommandConnection() {
    WS_TALKER->Close();
    WS_TALKER->setRemotePort(qint32(Settings.TRANSMIT_PORT));
    WS_TALKER->setRemoteHost(Settings.SERVER_IP);
    WS_TALKER->Connect();
}

void Form1::WS_TALKER_Connect() {
    QString logLine;
    switch (PENDING_COMMAND) {
    case CMD_STATUS:
        logLine = QStringLiteral("     Requesting status from server");
        break;
    case CMD_CONNEC:
        logLine = QStringLiteral("     Requesting a Connect");
        break;
    case CMD_DISCON:
        logLine = QStringLiteral("     Requesting a Disconnect");
        break;
    case CMD_MESSAG:
        break;
    default:
        return; // nothing to send; the connection stays until the next command closes it
    }
    const qint16 code = PENDING_COMMAND;
    if (!logLine.isEmpty())
        addLogEntry({logLine});
    WS_TALKER->SendData(
        commandRecord(code, code == CMD_MESSAG ? sendMessageFormText() : QString()));
    QCoreApplication::processEvents();
    if (code == CMD_MESSAG)
        closeSendMessageForm();
    PENDING_COMMAND = CMD_NONE;
}

void Form1::WS_TALKER_SendComplete() {
    WS_TALKER->Close();
}

void Form1::WS_TALKER_Error() {
    addLogEntry({QStringLiteral("     Error..."), QStringLiteral("      ZAV Manager not found!")});
    showDisplayState(DisplayState::NO_SERVER);
}
