// keyloomctl: the keyboard's configuration, stored data and device link from the command line.
#include <CLI/CLI.hpp>

#include "ctl.h"

int main(int argc, char** argv) {
    using namespace keyloom::ctl;
    Options opt;
    CLI::App app{"keyloomctl - configure the keyboard from the command line"};
    app.require_subcommand(1);
    app.add_option("--work-dir", opt.workDir, "Shipped configuration folder (default: next to the program)");
    app.add_option("--data-dir", opt.dataDir, "Folder of the stored profiles and macros");
    app.add_option("--log-level", opt.logLevel, "Diagnostic log: off, syslog, file (log.txt on the desktop), stderr")
        ->check(CLI::IsMember({"off", "syslog", "file", "stderr"}));

    auto* config = app.add_subcommand("config", "Print the device configuration as JSON");
    std::string iniFile;
    auto* ini = app.add_subcommand("ini", "Print how an INI file reads, as JSON");
    ini->add_option("FILE", iniFile, "The INI file")->required();

    CLI11_PARSE(app, argc, argv);
    setup_environment(opt);
    if (config->parsed()) return cmd_config(opt);
    if (ini->parsed()) return cmd_ini(opt, iniFile);
    return 1;
}
