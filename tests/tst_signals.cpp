// Termination signals that come while start-up waits on a box about the settings file.
#include "testsupport.h"

#include "app/terminationsignals.h"

#include <QApplication>
#include <QDeadlineTimer>
#include <QTimer>
#include <QtTest>
#include <csignal>

class TestSignals : public QObject {
    Q_OBJECT

private slots:
    // The box closes at once; the shutdown waits for the program's handler and then runs.
    void signalWhileTheStartUpBoxIsOpen() {
        catchTerminationSignals();
        watchTerminationSignals();
        TestEnvironment t; // no settings file: start-up shows the missing-file box
        setMessageBoxHook(nullptr);
        bool boxSeen = false;
        bool boxStayed = false; // closed here after a while, so that a fault fails, not hangs
        QDeadlineTimer giveUp;
        QTimer watch;
        watch.setInterval(5);
        connect(&watch, &QTimer::timeout, this, [&] {
            QWidget* box = QApplication::activeModalWidget();
            if (box && !boxSeen) {
                boxSeen = true;
                giveUp.setRemainingTime(5000);
                ::raise(SIGTERM);
            } else if (box && giveUp.hasExpired()) {
                boxStayed = true;
                box->close();
            }
        });
        watch.start();
        TestClient c;
        QVERIFY(c.start()); // comes back only once the box has gone
        watch.stop();
        QVERIFY(boxSeen && !boxStayed);
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!c.app.isShutDown());

        onTerminationSignal([&c] { c.desktop.requestShutdown(); });
        QTRY_VERIFY(c.app.isShutDown() && !c.window().isVisible());
    }
};

QTEST_MAIN(TestSignals)
#include "tst_signals.moc"
