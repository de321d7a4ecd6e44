#include "ui/options/options.h"

Options* optionsPanel() {
    return nullptr;
}
void showOptionsPanel() {}

#include "ui/main/form1.h"

#include <QPushButton>

void Form1::SETTINGS_BUTTON_Click() {
    TAB_STOP_ZERO->setFocus();
    REQUEST_STATUS_TIMER.stop();
    hide();
    showOptionsPanel();
}
