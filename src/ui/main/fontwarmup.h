// The system's font configuration, read on a thread of its own during start-up.
//
// Reading it (fontconfig parses its configuration files) is the slowest single step before the
// first window shows, and nothing needs it until the windows are built: the program starts the
// reading before it connects to the display and reads its settings, and waits for it before it
// builds its windows. The toolkit then finds the configuration already there.
#pragma once

// Starts the reading (once); signals stay with the thread that calls this.
void startReadingFontConfiguration();
// Waits until the reading has ended; returns at once when it was never started.
void finishReadingFontConfiguration();
