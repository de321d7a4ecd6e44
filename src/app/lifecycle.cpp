#include "app/lifecycle.h"

#include "app/environment.h"
#include "ui/main/form1.h"

#include <QApplication>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};

void onSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

} // namespace

void installTerminationSignals() {
    if (gSignalPipe[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, gSignalPipe) != 0)
        return;
    auto* notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char buffer[16];
        [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], buffer, sizeof buffer);
        if (Form1* form = mainForm())
            form->requestShutdown();
        else
            QCoreApplication::exit(0);
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGTERM, &action, nullptr);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGHUP, &action, nullptr);
}

int runProgram(QApplication& app) {
    app.setApplicationName(QStringLiteral("zav-remote"));
    app.setApplicationDisplayName(QStringLiteral("ZAV Remote 2002"));
    app.setQuitOnLastWindowClosed(false);
    if (!env().endProgram) {
        env().endProgram = [](int code) {
            if (Form1* form = mainForm())
                form->skipShutdown();
            QCoreApplication::exit(code);
        };
    }

    Form1 form;
    if (!form.Form_Load())
        return 0;
    installTerminationSignals();
    // The desktop session ending runs the shutdown steps too.
    QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                     [&form](QSessionManager&) { form.Form_Unload(); });
    QObject::connect(&app, &QCoreApplication::aboutToQuit, &form, [&form] { form.Form_Unload(); });
    return app.exec();
}
