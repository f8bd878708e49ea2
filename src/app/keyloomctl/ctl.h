// Shared pieces of keyloomctl's commands.
#pragma once
#include <string>

namespace keyloom::ctl {

struct Options {
    std::string workDir;
    std::string dataDir;
    std::string logLevel;  // empty: as the selector file says
};

// Points the path lookup at the directories given on the command line and
// routes alerts and system-log lines to standard error.
void setup_environment(const Options& opt);
// Runs the configuration step of start-up, then applies --log-level.
bool load_configuration(const Options& opt);

int cmd_config(const Options& opt);
int cmd_ini(const Options& opt, const std::string& file);

}  // namespace keyloom::ctl
