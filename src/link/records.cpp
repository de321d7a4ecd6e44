#include "link/records.h"

#include "link/codepage.h"

QString recordLetters(RecordKind kind) {
    switch (kind) {
    case RecordKind::Status:
        return QStringLiteral("STATUS");
    case RecordKind::Message:
        return QStringLiteral("MESSAG");
    case RecordKind::MessageReceipt:
        return QStringLiteral("MSGREC");
    case RecordKind::Connect:
        return QStringLiteral("CONNEC");
    case RecordKind::Disconnect:
        return QStringLiteral("DISCON");
    case RecordKind::Unknown:
        break;
    }
    return QString();
}

QString commandRecordText(Command command, const QString& messageText) {
    switch (command) {
    case Command::Status:
        return recordLetters(RecordKind::Status);
    case Command::Message:
        return recordLetters(RecordKind::Message) + messageText;
    case Command::Connect:
        return recordLetters(RecordKind::Connect);
    case Command::Disconnect:
        return recordLetters(RecordKind::Disconnect);
    case Command::None:
        break;
    }
    return QString();
}

QByteArray commandRecord(Command command, const QString& messageText) {
    return toWindows1252(commandRecordText(command, messageText));
}

RecordKind recordKind(const QString& record) {
    static const RecordKind kinds[] = {RecordKind::Status, RecordKind::Message,
                                       RecordKind::MessageReceipt, RecordKind::Connect,
                                       RecordKind::Disconnect};
    const QStringView head = QStringView(record).left(6);
    for (RecordKind kind : kinds)
        if (head == recordLetters(kind))
            return kind;
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

QString linkStateCode(LinkState state) {
    switch (state) {
    case LinkState::NoCard:
        return QStringLiteral("NOCARDSTA");
    case LinkState::Online:
        return QStringLiteral("CONNSIGOK");
    case LinkState::Offline:
        return QStringLiteral("DISCSIGOK");
    case LinkState::OnlineNoSignal:
        return QStringLiteral("CONNNOSIG");
    case LinkState::OfflineNoSignal:
        return QStringLiteral("DISCNOSIG");
    case LinkState::Dialing:
        return QStringLiteral("DIALSIGOK");
    case LinkState::DialingNoSignal:
        return QStringLiteral("DIALNOSIG");
    case LinkState::NoServer:
        break;
    }
    return QString();
}

std::optional<LinkState> linkStateForCode(const QString& code) {
    // Every state a report can give.
    static const LinkState reported[] = {
        LinkState::NoCard,          LinkState::Online,          LinkState::Offline,
        LinkState::OnlineNoSignal,  LinkState::OfflineNoSignal, LinkState::Dialing,
        LinkState::DialingNoSignal,
    };
    for (LinkState state : reported)
        if (code == linkStateCode(state))
            return state;
    return std::nullopt;
}

QString statusReportText(LinkState state, const QString& lastConnectTime) {
    return recordLetters(RecordKind::Status) + QLatin1Char(' ') + linkStateCode(state) +
           lastConnectTime;
}

QString linkStateWord(LinkState state) {
    switch (state) {
    case LinkState::NoCard:
        return QStringLiteral("NO CARD");
    case LinkState::Online:
    case LinkState::OnlineNoSignal:
        return QStringLiteral("ONLINE");
    case LinkState::Offline:
    case LinkState::OfflineNoSignal:
        return QStringLiteral("OFFLINE");
    case LinkState::Dialing:
    case LinkState::DialingNoSignal:
        return QStringLiteral("DIALING");
    case LinkState::NoServer:
        return QStringLiteral("NO SRVR!");
    }
    return QString(); // no state of the link
}
