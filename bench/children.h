// The benchmark's child processes: started with the environment and log the driver sets, read
// line by line with a time limit, and ended within a bounded time. An interrupt of the driver
// kills every child still running.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace benchrun {

// The environment every child gets, and the file their standard error (and standard output,
// when it is not captured) is appended to.
extern std::vector<std::string> gChildEnvironment;
extern std::string gChildLog;

// Kills the children still running and ends the driver; for SIGINT and SIGTERM.
void onInterrupt(int);

struct Child {
    pid_t pid = -1;
    int out = -1;
    long long startedNs = 0;
    std::string buffered;
};

// Starts a program; its standard output comes back through `out` when asked for, and its
// standard error goes to the children's log.
Child spawn(const std::vector<std::string>& args, bool captureOutput);

// The next line of the child's output, waiting at most `ms`.
bool readLine(Child& child, std::string& line, int ms);

bool running(const Child& child);

// Waits for the child's end, asks it to end (SIGTERM) after `graceMs`, and kills it
// after five seconds more. Returns the child's exit status as waitpid gave it, -1 when it was
// killed or could not be waited for.
int finish(Child& child, int graceMs = 0);

} // namespace benchrun
