#include "ui/messages/receivedmessages.h"
#include "ui/messages/sendmessage.h"

SendMessageForm* sendMessageForm() {
    return nullptr;
}
void showSendMessageForm() {}
QString sendMessageFormText() {
    return QString();
}
void closeSendMessageForm() {}
ReceivedMessagesForm* receivedMessagesForm() {
    return nullptr;
}
void showReceivedMessage(const QString&, const QString&) {}

#include "ui/main/form1.h"

#include <QPushButton>

void Form1::SEND_MESSAGE_BUTTON_Click() {
    TAB_STOP_ZERO->setFocus();
    showSendMessageForm();
}
