#include "app/clientrun.h"

#include "app/clientapp.h"
#include "app/clientview.h"
#include "app/controlservice.h"
#include "app/environment.h"
#include "app/logging.h"
#include "app/terminationsignals.h"

namespace {
// How long a second start waits for the running copy to take its request.
constexpr int kShowWaitMs = 2000;
} // namespace

std::unique_ptr<ControlService> serveControl(ClientApp& app, ClientView& view) {
    const QString path = controlSocketPath(app.instanceLockPath());
    if (path.isEmpty())
        return nullptr;
    LinkStatus initial;
    initial.settingsMissing = !app.settingsFound();
    auto control =
        std::make_unique<ControlService>(app.link(), initial, [&view] { view.bringForward(); });
    if (!control->listen(path)) {
        qCWarning(lcControl) << "cannot listen on the control socket" << path;
        return nullptr;
    }
    return control;
}

int runClient(QCoreApplication& application, ClientApp& app, ClientView& view) {
    if (!env().endProgram)
        env().endProgram = [](int code) { QCoreApplication::exit(code); };
    if (!app.start(view)) {
        // Another copy runs for this user: it comes forward, and this one ends unseen.
        const CopyReply reply = askRunningCopy(
            controlSocketPath(app.instanceLockPath()), QStringLiteral("show"),
            [](const QString&) { return false; }, QDeadlineTimer(kShowWaitMs),
            QDeadlineTimer(kShowWaitMs));
        if (reply != CopyReply::Answered)
            qCWarning(lcControl) << "the running copy did not take the request to come forward";
        return 0;
    }
    const std::unique_ptr<ControlService> control = serveControl(app, view);
    onTerminationSignal([&view] { view.requestShutdown(); });
    // The end of the desktop session reaches the program as the application quitting, and runs
    // the shutdown steps too. A session manager's request to save data is no end of the
    // session (it comes at every checkpoint, and a logout can still be cancelled after it), so
    // it changes nothing.
    QObject::connect(&application, &QCoreApplication::aboutToQuit, &app,
                     [&app, &view] { app.shutdown(view.mainWindowPosition()); });
    return application.exec();
}
