#pragma once

#include "kit/Application.h"

namespace storm::qt {

// Runs the application on Qt: parses the options, builds the platform's services, loads the main
// layout into the window, tells the delegate of the launch and runs the event loop. Returns the
// process's exit status.
int applicationMain(int argc, char** argv, ApplicationDefinition definition);

}  // namespace storm::qt
