// What the command line of keyloom chooses.
#pragma once
#include <string>

namespace keyloom::app {

struct AppOptions {
    std::string workDir;   // shipped configuration (default: next to the program)
    std::string dataDir;   // stored profiles and macros
    std::string logLevel;  // off, syslog, file, stderr; empty: as configured
    bool simulate = false;      // the simulated keyboard instead of a real one
    bool simUnplugged = false;  // ... starting unplugged
    std::string simTrace;       // ... writing its wire trace here
    int simDelayMs = 0;         // ... taking this long over each transfer
    bool hidden = false;        // start without showing the window
};

}  // namespace keyloom::app
