// Every record that arrives on a report connection comes through here once.
#include "link/wire.h"
#include "ui/main/form1.h"
#include "ui/messages/receivedmessages.h"

void Form1::PROCESS_DATA(const QString& record, qint16, const QString& peerAddress) {
    switch (recordKind(record)) {
    case RecordKind::Status:
        addLogEntry({QStringLiteral("     Status report has arrived")});
        PROCESS_STATUS_REPORT_DATA(record);
        break;
    case RecordKind::Message:
        addLogEntry({QStringLiteral("     Message received from server"),
                     QStringLiteral("     (IP:") + peerAddress + QStringLiteral(")")});
        showReceivedMessage(messageRecordText(record), peerAddress);
        break;
    case RecordKind::MsgRec:
    case RecordKind::Connec:
    case RecordKind::Discon:
    case RecordKind::Unknown:
        break;
    }
}
