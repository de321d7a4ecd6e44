// The benchmark's printed result: the table of figures beside their anchors and goals, and how
// each figure was taken.
#pragma once

#include "rounds.h"

namespace benchrun {

// `commandConnections`: how many connections the command stand-in took during the run.
void printReport(const Bench& b, int commandConnections);

} // namespace benchrun
