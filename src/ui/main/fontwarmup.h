// The system's font configuration, read on a thread of its own during start-up.
//
// Reading it (fontconfig parses its configuration files) is one of the slowest steps before the
// first window shows, and nothing needs it until the windows are built: the program starts the
// reading once it is connected to the display, brings up the accessibility bridge meanwhile, and
// waits for the reading before it builds its windows. The toolkit then finds the configuration
// already there. (Started before the connection it would compete on a small machine with the
// display server's answers, which the connection waits for.)
#pragma once

// Starts the reading (once); signals stay with the thread that calls this.
void startReadingFontConfiguration();
// Waits until the reading has ended; returns at once when it was never started.
void finishReadingFontConfiguration();
