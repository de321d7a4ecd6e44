#include "link/records.h"

#include "link/codepage.h"

QString commandRecordText(Command command, const QString& messageText) {
    switch (command) {
    case Command::Status:
        return QStringLiteral("STATUS");
    case Command::Message:
        return QStringLiteral("MESSAG") + messageText;
    case Command::Connect:
        return QStringLiteral("CONNEC");
    case Command::Disconnect:
        return QStringLiteral("DISCON");
    case Command::None:
        break;
    }
    return QString();
}

QByteArray commandRecord(Command command, const QString& messageText) {
    return toWindows1252(commandRecordText(command, messageText));
}

RecordKind recordKind(const QString& record) {
    static const struct {
        const char* letters;
        RecordKind kind;
    } kinds[] = {
        {"STATUS", RecordKind::Status},         {"MESSAG", RecordKind::Message},
        {"MSGREC", RecordKind::MessageReceipt}, {"CONNEC", RecordKind::Connect},
        {"DISCON", RecordKind::Disconnect},
    };
    const QStringView head = QStringView(record).left(6);
    for (const auto& k : kinds)
        if (head == QLatin1String(k.letters))
            return k.kind;
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

std::optional<LinkState> linkStateForCode(const QString& code) {
    static const struct {
        const char* code;
        LinkState state;
    } codes[] = {
        {"NOCARDSTA", LinkState::NoCard},          {"CONNSIGOK", LinkState::Online},
        {"DISCSIGOK", LinkState::Offline},         {"CONNNOSIG", LinkState::OnlineNoSignal},
        {"DISCNOSIG", LinkState::OfflineNoSignal}, {"DIALNOSIG", LinkState::DialingNoSignal},
        {"DIALSIGOK", LinkState::Dialing},
    };
    for (const auto& c : codes)
        if (code == QLatin1String(c.code))
            return c.state;
    return std::nullopt;
}

QString linkStateWord(LinkState state) {
    static const char* const words[] = {"NO CARD", "ONLINE",  "OFFLINE", "ONLINE",
                                        "OFFLINE", "DIALING", "DIALING", "NO SRVR!"};
    return QString::fromLatin1(words[static_cast<int>(state)]);
}
