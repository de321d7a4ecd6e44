// The command line's link commands: --status, --connect, --disconnect, --send and --watch.
// They go to the running copy when there is one, and work alone from the settings file when
// there is none.
#pragma once

#include "app/commandline.h"

// Runs the request and returns the exit status: 0 done (a report came, the record was
// delivered), 1 the server could not be reached or did not report in time, 2 misuse.
int runRemoteCommand(const CommandLineRequest& request, int argc, char** argv);
