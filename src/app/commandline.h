// The command line of zav-remote. Without arguments the program starts as it always has; the
// options answer on the terminal and end the program without opening a window.
#pragma once

#include <QString>
#include <QStringList>

// How the link commands print: text for a person, JSON objects, waybar's JSON, or one plain
// line a change for polybar and i3blocks.
enum class OutputFormat { Text, Json, Waybar, Line };

struct CommandLineRequest {
    enum class Action {
        Run,     // start the program
        Help,    // print `text` on standard output, end with 0
        Version, // likewise
        Misuse,  // print `text` (one line) on standard error, end with 2
        // Link commands, answered by the running copy or alone (app/remotecommand.h).
        Status,
        Connect,
        Disconnect,
        Send,
        Watch,
    };
    Action action = Action::Run;
    QString text;
    int exitCode = 0;
    OutputFormat format = OutputFormat::Text; // --format (--json is --format json)
    QString message;                          // --send: the text with every line break as CR LF
    int reportTimeoutMs = 10000;              // --status: how long to wait for the server's report
};

// Reads the arguments, the program's name first, as main() gets them. The options of the
// toolkit itself (-platform, -display, -style, -session ...) are let through for the program's
// window system; no decision here opens anything.
CommandLineRequest parseCommandLine(const QStringList& arguments);

// Prints what the request says and returns its exit code (for Help, Version and Misuse).
int answerOnTerminal(const CommandLineRequest& request);

// Whether the request is one of the link commands.
bool isLinkCommand(const CommandLineRequest& request);

// The arguments of main() as text.
QStringList argumentList(int argc, char** argv);
