// Shutdown: runs once when the main window closes or the session ends.
#include "app/settings.h"
#include "link/socket/winsock.h"
#include "ui/main/form1.h"

static bool fitsInt16(qint64 v) {
    return v >= -32768 && v <= 32767;
}

void Form1::Form_Unload() {
    if (shutdownDone_)
        return;
    shutdownDone_ = true;
    REQUEST_STATUS_TIMER.stop();

    // No further report connection; open sessions are dropped without being read.
    WS_LISTENER[0]->Close();
    while (listenerUpperBound() >= 1)
        removeListenerElement(listenerUpperBound());

    // A file that could not be read completely is not overwritten with a half-read mixture.
    if (Settings.SAVE_WINDOW_POS && settingsReadOk_) {
        const qint64 left = qint64(x()) * TWIPS_PER_PIXEL;
        const qint64 top = qint64(y()) * TWIPS_PER_PIXEL;
        if (fitsInt16(left))
            Settings.WINDOW_LEFT = qint16(left);
        if (fitsInt16(top))
            Settings.WINDOW_TOP = qint16(top);
        WRITE_SETTINGS_FILE(settingsFilePath(), Settings);
    }
}
