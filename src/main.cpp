#include "app/commandline.h"
#include "app/remotecommand.h"
#include "ui/main/desktop.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Options are answered before the window system is touched.
    const CommandLineRequest request = parseCommandLine(argumentList(argc, argv));
    if (isLinkCommand(request))
        return runRemoteCommand(request, argc, argv);
    if (request.action != CommandLineRequest::Action::Run)
        return answerOnTerminal(request);

    QApplication application(argc, argv);
    return runDesktopClient(application);
}
