#pragma once

namespace storm::qt {

// Runs the application on Qt: parses the options, builds the services and wires the features,
// loads the main screen into the window, tells the application's delegate of the launch and runs
// the event loop. Returns the process's exit status.
int runApplication(int argc, char** argv);

}  // namespace storm::qt
