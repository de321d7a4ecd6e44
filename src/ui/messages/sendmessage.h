// The window in which the user writes a message for the server.
#pragma once

#include <QString>

class SendMessageForm;

// The open send-message window, or null.
SendMessageForm* sendMessageForm();
// Shows the window (creating it first if needed) and brings it forward.
void showSendMessageForm();
// The text the window holds now; empty when it is not open.
QString sendMessageFormText();
// Closes the window, discarding its text; nothing when it is not open.
void closeSendMessageForm();
