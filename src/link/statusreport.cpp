// What a status report shows: status picture, word, lamp, last-connect time and tray.
#include "link/wire.h"
#include "ui/main/form1.h"

void Form1::PROCESS_STATUS_REPORT_DATA(const QString& record) {
    LAST_CONNECT_ISP_TIME_LABEL->setText(statusReportTime(record));
    if (const auto state = displayStateForCode(statusReportCode(record)))
        showDisplayState(*state);
}

void Form1::showDisplayState(DisplayState state) {
    const DisplayStateInfo& info = displayStateInfo(state);
    if (!info.trayOnly) {
        showOnlyStatusImage(info.image);
        ZAV_Stat_Label->setText(QString::fromLatin1(info.word));
        if (info.lastConnect)
            LAST_CONNECT_ISP_TIME_LABEL->setText(QString::fromLatin1(info.lastConnect));
        SIGNAL_QUALITY_LED->setFillColor(info.lamp);
    }
    setTray(info.tray, QString::fromLatin1(info.tooltip), info.alert);
}
