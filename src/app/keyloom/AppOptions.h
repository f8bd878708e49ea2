// What the command line of keyloom chooses.
#pragma once
#include <string>

#include "store/startup.h"

namespace keyloom::app {

// The core's options (work and data folders, log level), and the window's own.
struct AppOptions : CoreOptions {
    bool simulate = false;      // the simulated keyboard instead of a real one
    bool simUnplugged = false;  // ... starting unplugged
    std::string simTrace;       // ... writing its wire trace here
    int simDelayMs = 0;         // ... taking this long over each transfer
    std::string simInput;       // ... acting on the commands of this pipe
    bool hidden = false;        // start without showing the window
};

}  // namespace keyloom::app
