#include "app/commandline.h"
#include "app/lifecycle.h"

#include <QApplication>

int main(int argc, char** argv) {
    // Options are answered before the window system is touched.
    const CommandLineRequest request = parseCommandLine(argumentList(argc, argv));
    if (request.action != CommandLineRequest::Action::Run)
        return answerOnTerminal(request);

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("zav-remote"));
    return runProgram(app);
}
