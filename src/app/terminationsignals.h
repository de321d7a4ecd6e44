// SIGTERM, SIGINT and SIGHUP end the program through its normal shutdown.
#pragma once

#include <functional>

// Runs `handler` from the event loop whenever one of the signals arrives.
void onTerminationSignal(std::function<void()> handler);
