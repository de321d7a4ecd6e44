// The stand-in's console: the commands typed on its standard input.
#pragma once

#include <QString>

class Simulator;

// Carries out one line typed at the console: msg, signal, card, status, connect, disconnect,
// state, quiet, help, quit. Replies and usage notes go to the simulator's log.
void runConsoleLine(Simulator& sim, const QString& line);
