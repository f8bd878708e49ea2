// Shared pieces of keyloomctl's commands.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "report/reports.h"
#include "store/startup.h"

namespace keyloom::report {}

namespace keyloom::ctl {

using namespace keyloom::report;  // the JSON forms the commands print

// Exit codes: success, a failed command, and a command line that does not parse.
constexpr int kExitOk = 0;
constexpr int kExitFailure = 1;
constexpr int kExitUsage = 2;

// The work and data folders and the log level, as the core's start-up takes them.
using Options = CoreOptions;

// Points the path lookup at the directories given on the command line and
// routes alerts and system-log lines to standard error.
void setup_environment(const Options& opt);
// Configuration, texts and empty stored-data lists, as the program has them
// before its stored data is read. False (with the reason on standard error)
// when the configuration cannot be read.
bool load_program(const Options& opt);
// Prints the message on standard error and gives the failure exit code 1.
int fail(const std::string& message);
// Prints a command's JSON (exit code 0) or why it gave none (exit code 1).
int print(const report::Outcome& outcome);
// A key-property set id as decimal or 0x-hexadecimal text; none for anything else.
std::optional<uint32_t> parse_id(const std::string& text);

int cmd_config(const Options& opt);
int cmd_ini(const Options& opt, const std::string& file);
int cmd_init(const Options& opt);
int cmd_profiles(const Options& opt);
// id 0: the set in use.
int cmd_export_keypro(const Options& opt, uint32_t id, const std::string& file);
int cmd_import_keypro(const Options& opt, const std::string& file);
int cmd_macros(const Options& opt);
int cmd_macro_export(const Options& opt, const std::string& name, const std::string& file);
int cmd_macro_import(const Options& opt, const std::string& file, const std::string& folder);

// keyloomctl rules: list, add or remove the rules that give a layer another
// key table while an application is in front.
struct RulesRequest {
    enum Action { List, Add, Remove };
    Action action = List;
    int layer = 1;           // add: 1..3 for M1..M3
    std::string table = {};  // add: the key table's name
    std::string app = {};    // add: the application, maybe with `*`
    int number = 0;          // remove: the rule's number, from 1
    bool json = false;       // the rules as JSON instead of one line each
};
int cmd_rules(const Options& opt, const RulesRequest& request);
// Prints the rules JSON of keyloomctl rules (report::Rules, or the running
// keyloom's ListRules) as asked: the JSON as it is, or one line per rule.
// After an add, a rule whose key table is missing is also named on standard
// error. The exit code: 1 when the JSON does not hold rules.
int print_rules(const std::string& json, const RulesRequest& request);

}  // namespace keyloom::ctl
