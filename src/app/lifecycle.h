// The program's run from start-up to the end of the event loop.
#pragma once

class QApplication;

// Starts the program in `app`, runs it and returns its exit code. A second copy ends at once.
int runProgram(QApplication& app);

// Makes SIGTERM, SIGINT and SIGHUP close the main window through the normal shutdown.
void installTerminationSignals();

// Takes the per-user lock that keeps a second copy from starting; false when another copy
// holds it.
bool takeInstanceLock();
// Gives the lock up (tests start several copies in one process).
void releaseInstanceLock();
