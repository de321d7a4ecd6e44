// The records exchanged with ZAV Manager: commands the client sends, reports it receives.
#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// The command a command connection carries.
enum class Command : qint16 { None = 0, Status = 1, Message = 2, Connect = 3, Disconnect = 4 };

// The text of a command record: the six letters, and for a message the text unchanged.
// Empty for None.
QString commandRecordText(Command command, const QString& messageText = QString());
// The same record as the bytes that go on the wire.
QByteArray commandRecord(Command command, const QString& messageText = QString());

// The longest message text a message record carries, counting each line break as the two
// characters (CR LF) it is on the wire.
inline constexpr int kMaxMessageLength = 350;

enum class RecordKind { Status, Message, MessageReceipt, Connect, Disconnect, Unknown };

// The six letters a record of that kind begins with; empty for Unknown.
QString recordLetters(RecordKind kind);
// Kind of a received record from its first six characters, compared exactly.
RecordKind recordKind(const QString& record);

// Fields of a status report, cut short when the record is short.
QString statusReportCode(const QString& record); // characters 8-16
QString statusReportTime(const QString& record); // characters 17-23
// The text of a message record: everything after the six letters.
QString messageRecordText(const QString& record);

// The states of the link that the server's reports and the command channel's failures select.
enum class LinkState {
    NoCard,
    Online,
    Offline,
    OnlineNoSignal,
    OfflineNoSignal,
    Dialing,
    DialingNoSignal,
    NoServer,
};

// The status word the client shows for a state ("ONLINE", "NO SRVR!" ...).
QString linkStateWord(LinkState state);

// The nine-letter code a status report gives for a state; empty for NoServer, which no report
// gives.
QString linkStateCode(LinkState state);
// A whole status report: "STATUS", a blank, the code and the time of the last connection.
QString statusReportText(LinkState state, const QString& lastConnectTime);

// The state a status code selects; none for a code outside the seven (compared exactly).
std::optional<LinkState> linkStateForCode(const QString& code);

// What a connection beyond the session limit is told before it is closed (60 bytes).
inline constexpr char kRefusalNotice[] =
    "MAXIMUM CONCURRENT SESSIONS REACHED - TERMINATING SESSION.\r\n";
