// The program as a whole on its desktop: start-up through the view, the local channel for a
// second start and the command line, the termination signals and the end of the session.
#pragma once

#include <QCoreApplication>
#include <memory>

class ClientApp;
class ClientView;
class ControlService;

// Answers a second start and the command line on the local channel beside the instance lock;
// null when the channel could not be opened (the program runs on without it).
std::unique_ptr<ControlService> serveControl(ClientApp& app, ClientView& view);

// Runs the client with `view` from start-up to the end of the event loop; a second copy asks
// the running one to come forward and ends at once. Returns the exit code.
int runClient(QCoreApplication& application, ClientApp& app, ClientView& view);
