#include "link/wire.h"

#include "app/ansi.h"

qint16 PENDING_COMMAND = CMD_NONE;

QString commandRecordText(qint16 code, const QString& messageText) {
    switch (code) {
    case CMD_STATUS:
        return QStringLiteral("STATUS");
    case CMD_MESSAG:
        return QStringLiteral("MESSAG") + messageText;
    case CMD_CONNEC:
        return QStringLiteral("CONNEC");
    case CMD_DISCON:
        return QStringLiteral("DISCON");
    default:
        return QString();
    }
}

QByteArray commandRecord(qint16 code, const QString& messageText) {
    return toAnsi(commandRecordText(code, messageText));
}

RecordKind recordKind(const QString& record) {
    const QString kind = record.left(6);
    if (kind == QLatin1String("STATUS"))
        return RecordKind::Status;
    if (kind == QLatin1String("MESSAG"))
        return RecordKind::Message;
    if (kind == QLatin1String("MSGREC"))
        return RecordKind::MsgRec;
    if (kind == QLatin1String("CONNEC"))
        return RecordKind::Connec;
    if (kind == QLatin1String("DISCON"))
        return RecordKind::Discon;
    return RecordKind::Unknown;
}

QString statusReportCode(const QString& record) {
    return record.mid(7, 9);
}

QString statusReportTime(const QString& record) {
    return record.mid(16, 7);
}

QString messageRecordText(const QString& record) {
    return record.mid(6);
}
