// The window that collects the messages the server sends.
#pragma once

#include <QString>

class ReceivedMessagesForm;

// The open received-messages window, or null.
ReceivedMessagesForm* receivedMessagesForm();
// Appends a message block (creating and showing the window first if needed) and shows the
// tray's message-waiting state.
void showReceivedMessage(const QString& text, const QString& peerAddress);
