// Requests started by the buttons and the polling timer.
#include "link/wire.h"
#include "ui/main/form1.h"

#include <QPushButton>

void Form1::CONNECT_BUTTON_Click() {
    TAB_STOP_ZERO->setFocus();
    PENDING_COMMAND = CMD_CONNEC;
    openCommandConnection();
}

void Form1::DISCONNECT_BUTTON_Click() {
    TAB_STOP_ZERO->setFocus();
    PENDING_COMMAND = CMD_DISCON;
    openCommandConnection();
}

void Form1::STATUS_REQUEST_BUTTON_Click() {
    PENDING_COMMAND = CMD_STATUS;
    openCommandConnection();
}

void Form1::REQUEST_STATUS_TIMER_Timer() {
    STATUS_REQUEST_BUTTON_Click();
}
