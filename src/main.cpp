#include "app/commandline.h"
#include "app/remotecommand.h"
#include "app/terminationsignals.h"
#include "ui/main/desktop.h"
#include "ui/main/fontwarmup.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Options are answered before the window system is touched.
    const CommandLineRequest request = parseCommandLine(argumentList(argc, argv));
    if (isLinkCommand(request))
        return runRemoteCommand(request, argc, argv);
    if (request.action != CommandLineRequest::Action::Run)
        return answerOnTerminal(request);

    // From here on SIGTERM, SIGINT and SIGHUP run the normal shutdown: one that comes during
    // start-up (the splash, a box about the settings file) is held until the program is up.
    catchTerminationSignals();
    QApplication application(argc, argv);
    startReadingFontConfiguration();
    watchTerminationSignals();
    return runDesktopClient(application);
}
