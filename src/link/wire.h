// Records exchanged with ZAV Manager: commands that the client sends, reports that it receives.
#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// Codes of PENDING_COMMAND: which command the next command connection carries.
enum CommandCode : qint16 {
    CMD_NONE = 0,
    CMD_STATUS = 1,
    CMD_MESSAG = 2,
    CMD_CONNEC = 3,
    CMD_DISCON = 4,
};

// The command the next command connection sends.
extern qint16 PENDING_COMMAND;

// The text of a command record: the six letters, and for MESSAG the message text unchanged.
// Empty for a code that names no command.
QString commandRecordText(qint16 code, const QString& messageText = QString());
// The same record as the bytes that go on the wire.
QByteArray commandRecord(qint16 code, const QString& messageText = QString());

enum class RecordKind { Status, Message, MsgRec, Connec, Discon, Unknown };

// Kind of a received record from its first six characters, compared exactly.
RecordKind recordKind(const QString& record);

// Fields of a status report, cut short when the record is short.
QString statusReportCode(const QString& record); // characters 8-16
QString statusReportTime(const QString& record); // characters 17-23
// The text of a message record: everything after the six letters.
QString messageRecordText(const QString& record);

// What a connection beyond the session limit is told before it is closed (60 bytes).
inline constexpr char REFUSAL_NOTICE[] =
    "MAXIMUM CONCURRENT SESSIONS REACHED - TERMINATING SESSION.\r\n";
