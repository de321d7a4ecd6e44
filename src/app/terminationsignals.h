// SIGTERM, SIGINT and SIGHUP end the program through its normal shutdown, from the very start.
#pragma once

#include <functional>

// Catches the three signals from now on. Safe before the application object exists: a signal
// that arrives before anyone handles it is held, never lost and never fatal.
void catchTerminationSignals();

// Once the application object exists: while no handler is set (start-up is still running), a
// caught signal ends every event loop that start-up runs, so that a message box it waits on
// closes at once and later ones do not wait, and the signal is held for the handler.
void watchTerminationSignals();

// Runs `handler` from the event loop whenever one of the signals arrives; a signal held from
// before runs it as soon as the event loop runs. Catches and watches the signals if that was not
// done yet.
void onTerminationSignal(std::function<void()> handler);
