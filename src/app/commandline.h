// The command line of zav-remote. Without arguments the program starts as it always has; the
// options answer on the terminal and end the program without opening a window.
#pragma once

#include <QString>
#include <QStringList>

struct CommandLineRequest {
    enum class Action {
        Run,     // start the program
        Help,    // print `text` on standard output, end with 0
        Version, // likewise
        Misuse,  // print `text` (one line) on standard error, end with 2
    };
    Action action = Action::Run;
    QString text;
    int exitCode = 0;
};

// Reads the arguments, the program's name first, as main() gets them. The options of the
// toolkit itself (-platform, -display, -style, -session ...) are let through for the program's
// window system; no decision here opens anything.
CommandLineRequest parseCommandLine(const QStringList& arguments);

// Prints what the request says and returns its exit code (for every action but Run).
int answerOnTerminal(const CommandLineRequest& request);

// The arguments of main() as text.
QStringList argumentList(int argc, char** argv);
