// keyloomctl: the keyboard's configuration, stored data and device link from the command line.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <exception>
#include <limits>
#include <optional>
#include <string>

#include "base/instance_lock.h"
#include "base/paths.h"
#include "cmd_device.h"
#include "cmd_host.h"
#include "cmd_service.h"
#include "ctl.h"

namespace {

// A folder option given with an empty value would fall back to the default
// folder without a word; it is refused instead.
const CLI::Validator kFolder(
    [](const std::string& value) { return value.empty() ? std::string("needs a folder") : std::string(); }, "DIR");

// The first word of the command line that is neither an option nor an
// option's value: the command asked for; empty when there is none.
std::string command_word(const CLI::App& app, int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg.rfind("-", 0) != 0) return arg;
        if (arg.find('=') != std::string::npos) continue;
        const CLI::Option* option = app.get_option_no_throw(arg);
        if (option && option->get_type_size() > 0) ++i;  // skips the option's value
    }
    return {};
}

// "keyloomctl: unknown command "frob"" or "keyloomctl: a command is needed",
// and the commands there are; none when a known command was given.
std::optional<std::string> command_problem(const CLI::App& app, int argc, char** argv) {
    const std::string word = command_word(app, argc, argv);
    std::string names;
    for (const CLI::App* sub : app.get_subcommands([](const CLI::App*) { return true; })) {
        if (sub->get_name() == word) return std::nullopt;
        names += (names.empty() ? "" : ", ") + sub->get_name();
    }
    const std::string problem = word.empty() ? "a command is needed" : "unknown command \"" + word + "\"";
    return "keyloomctl: " + problem + "\nThe commands: " + names + "\nRun keyloomctl --help for more.";
}

// How long a keyloom that holds the data folder may take to come onto the
// session bus: it takes the folder's lock first, while it starts.
constexpr int kStartingPatienceMs = 3000;

// Takes the data folder's lock for a command that writes the data folder or
// talks to the keyboard, so it never works beside another such command. A
// keyloom holding it is asked to carry the command out instead (its next save
// would write over what the command did); only when it cannot be reached is
// the command refused. None when the command may go on alone; else the exit code.
std::optional<int> take_data_folder(keyloom::InstanceLock& lock, const keyloom::ctl::ServiceCommand& command) {
    using keyloom::InstanceLock;
    switch (lock.tryLock()) {
    case InstanceLock::State::Taken:
        return std::nullopt;
    case InstanceLock::State::Failed:
        // No keyloom can run on the folder either: it needs the same lock.
        std::fprintf(stderr, "keyloomctl: cannot lock the data folder (%s); going on\n", lock.error().c_str());
        return std::nullopt;
    case InstanceLock::State::Held:
        break;
    }
    const std::string folder = keyloom::get_data_path();
    if (lock.holder().rfind("keyloomctl", 0) == 0) {
        std::fprintf(stderr, "keyloomctl: another keyloomctl is changing this data folder (%s): try again when it has finished\n",
                     folder.c_str());
        return keyloom::ctl::kExitFailure;
    }
    if (auto service = keyloom::ctl::ServiceClient::connect(folder, kStartingPatienceMs))
        return keyloom::ctl::run_through(*service, command);
    std::fprintf(stderr,
                 "keyloomctl: keyloom is running on this data folder (%s) and cannot be reached on the session bus: "
                 "quit it first (keyloom --quit), or make the change in its window\n",
                 folder.c_str());
    return keyloom::ctl::kExitFailure;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace keyloom::ctl;
    Options opt;
    CLI::App app{"keyloomctl - configure the keyboard from the command line"};
    app.require_subcommand(1);
    app.set_version_flag("--version", "keyloomctl " KEYLOOM_VERSION);
    // The global options may also follow the command; set before the commands
    // are added, which take it over.
    app.fallthrough();
    app.add_option("--work-dir", opt.workDir, "Shipped configuration folder (default: next to the program)")
        ->check(kFolder);
    app.add_option("--data-dir", opt.dataDir, "Folder of the stored profiles and macros")->check(kFolder);
    app.add_option("--log-level", opt.logLevel, "Diagnostic log: off, syslog, file (log.txt on the desktop), stderr")
        ->check(CLI::IsMember({"off", "syslog", "file", "stderr"}));

    auto* config = app.add_subcommand("config", "Print the device configuration as JSON");
    config->footer("Example: keyloomctl config --work-dir build/share/keyloom/cfg");
    std::string iniFile;
    auto* ini = app.add_subcommand("ini", "Print how an INI file reads, as JSON");
    ini->add_option("FILE", iniFile, "The INI file")->required();
    ini->footer("Example: keyloomctl ini build/share/keyloom/cfg/cfg.txt");

    auto* init =
        app.add_subcommand("init", "Load the stored data, create the first-run data when none is stored, save");
    init->footer("Example: keyloomctl init --data-dir /tmp/keyloom-data");
    auto* profiles = app.add_subcommand("profiles", "Print the stored profiles, key-property sets and macros as JSON");
    profiles->footer("Example: keyloomctl profiles --data-dir /tmp/keyloom-data");

    std::vector<std::string> exportArgs;
    auto* exportKeyPro =
        app.add_subcommand("export-keypro", "Export a key-property set with its macros to a .duk file");
    exportKeyPro->add_option("ARGS", exportArgs, "[ID] FILE: the set's id (default: the one in use) and the file")
        ->required()
        ->expected(1, 2);
    exportKeyPro->footer("Example: keyloomctl export-keypro 3 ~/games.duk   (set 3; without the id: the set in use)");
    std::string importFile;
    auto* importKeyPro = app.add_subcommand("import-keypro", "Import a .duk file into the key-property set in use");
    importKeyPro->add_option("FILE", importFile, "The exchange file")->required();
    importKeyPro->footer("Example: keyloomctl import-keypro ~/games.duk");

    auto* macros = app.add_subcommand("macros", "Print the macro tree as JSON");
    macros->footer("Example: keyloomctl macros --data-dir /tmp/keyloom-data");
    std::string macroName, macroFile, macroFolder;
    auto* macroExport = app.add_subcommand("macro-export", "Export a macro to a .mcf file");
    macroExport->add_option("NAME", macroName, "The macro's path in the tree, e.g. games/combo1")->required();
    macroExport->add_option("FILE", macroFile, "The file to write")->required();
    macroExport->footer("Example: keyloomctl macro-export games/combo1 ~/combo1.mcf");
    auto* macroImport = app.add_subcommand("macro-import", "Import a .mcf file into the macro tree");
    macroImport->add_option("FILE", macroFile, "The macro file")->required();
    macroImport->add_option("FOLDER", macroFolder, "The tree folder to import into (default: the top)");
    macroImport->footer("Example: keyloomctl macro-import ~/combo1.mcf games");

    // rules: list (also without a word), add, remove; --json on each.
    RulesRequest rulesRequest;
    auto* rules = app.add_subcommand("rules", "List, add or remove the rules that give a layer another key table "
                                              "while an application is in front");
    rules->require_subcommand(0, 1);
    rules->add_flag("--json", rulesRequest.json, "Print the rules as JSON");
    rules->footer("Example: keyloomctl rules   (the same as keyloomctl rules list)");
    auto* rulesList = rules->add_subcommand("list", "Print the rules, numbered from 1");
    rulesList->footer("Example: keyloomctl rules list --json");
    auto* rulesAdd = rules->add_subcommand("add", "Add a rule after the others");
    rulesAdd->add_option("--layer", rulesRequest.layer, "The layer: 1, 2 or 3 for M1..M3")
        ->required()
        ->check(CLI::Range(1, 3));
    rulesAdd->add_option("--table", rulesRequest.table, "The name of a key table of that layer")->required();
    rulesAdd->add_option("--app", rulesRequest.app, "The application: app id or WM_CLASS; * stands for any characters")
        ->required();
    rulesAdd->footer("Example: keyloomctl rules add --layer 1 --table Gaming --app steam_app_570");
    auto* rulesRemove = rules->add_subcommand("remove", "Remove a rule by its number");
    rulesRemove->add_option("NUMBER", rulesRequest.number, "The rule's number, as rules list shows it")
        ->required()
        ->check(CLI::Range(1, std::numeric_limits<int>::max()));
    rulesRemove->footer("Example: keyloomctl rules remove 2");

    DeviceCommands device(app);
    HostCommands host(app);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        const bool asked = dynamic_cast<const CLI::CallForHelp*>(&e) || dynamic_cast<const CLI::CallForAllHelp*>(&e) ||
                           dynamic_cast<const CLI::CallForVersion*>(&e);
        if (!asked && app.get_subcommands().empty()) {
            if (std::optional<std::string> problem = command_problem(app, argc, argv)) {
                std::fprintf(stderr, "%s\n", problem->c_str());
                return kExitUsage;
            }
        }
        const int code = app.exit(e);  // prints the usage message, or the help
        const bool help = dynamic_cast<const CLI::CallForHelp*>(&e) || dynamic_cast<const CLI::CallForAllHelp*>(&e) ||
                          dynamic_cast<const CLI::CallForVersion*>(&e) || code == 0;
        return help ? kExitOk : kExitUsage;
    }

    try {
        setup_environment(opt);
        // The commands on the stored data, as a running keyloom would carry them out.
        std::optional<ServiceCommand> command;
        std::optional<uint32_t> exportId = uint32_t(0);
        if (exportKeyPro->parsed()) {
            if (exportArgs.size() == 2) exportId = parse_id(exportArgs[0]);
            if (!exportId) return fail("Not a key-property set id: " + exportArgs[0]);
            if (exportArgs.size() == 2 && *exportId == 0) return fail("No key-property set with id " + exportArgs[0]);
        }
        if (init->parsed()) command = ServiceCommand{.kind = ServiceCommand::Init, .writes = true};
        if (profiles->parsed()) command = ServiceCommand{.kind = ServiceCommand::Profiles, .writes = false};
        if (macros->parsed()) command = ServiceCommand{.kind = ServiceCommand::Macros, .writes = false};
        if (exportKeyPro->parsed())
            command = ServiceCommand{
                .kind = ServiceCommand::ExportKeyPro, .writes = false, .file = exportArgs.back(), .id = *exportId};
        if (importKeyPro->parsed())
            command = ServiceCommand{.kind = ServiceCommand::ImportKeyPro, .writes = true, .file = importFile};
        if (macroExport->parsed()) command = ServiceCommand{
                .kind = ServiceCommand::MacroExport, .writes = false, .file = macroFile, .name = macroName};
        if (macroImport->parsed()) command = ServiceCommand{
                .kind = ServiceCommand::MacroImport, .writes = true, .file = macroFile, .name = macroFolder};
        if (rules->parsed()) {
            rulesRequest.action = rulesAdd->parsed()      ? RulesRequest::Add
                                  : rulesRemove->parsed() ? RulesRequest::Remove
                                                          : RulesRequest::List;
            command = ServiceCommand{.kind = ServiceCommand::Rules,
                                     .writes = rulesRequest.action != RulesRequest::List,
                                     .rules = rulesRequest};
        }
        if (device.writes()) {
            const std::optional<int32_t> flags = parse_flags(device.options().flags);
            if (!flags) return fail("--flags takes a hexadecimal number, e.g. 8007");
            command = ServiceCommand{.kind = ServiceCommand::Apply, .writes = true, .flags = *flags};
        }
        std::optional<keyloom::InstanceLock> lock;
        if (command) {
            // A keyloom on the data folder owns it: it carries the command out.
            if (auto service = ServiceClient::connect(keyloom::get_data_path())) {
                if (command->kind == ServiceCommand::Apply && device.options().simulate)
                    std::fprintf(stderr,
                                 "keyloomctl: keyloom runs on this data folder: the apply goes to its keyboard\n");
                return run_through(*service, *command);
            }
            if (command->writes) {
                lock.emplace(keyloom::get_data_path(), "keyloomctl");
                if (std::optional<int> code = take_data_folder(*lock, *command)) return *code;
            }
        }
        if (std::optional<int> code = device.run(opt)) return *code;
        if (std::optional<int> code = host.run(opt)) return *code;
        if (config->parsed()) return cmd_config(opt);
        if (ini->parsed()) return cmd_ini(opt, iniFile);
        if (init->parsed()) return cmd_init(opt);
        if (profiles->parsed()) return cmd_profiles(opt);
        if (exportKeyPro->parsed()) return cmd_export_keypro(opt, *exportId, exportArgs.back());
        if (importKeyPro->parsed()) return cmd_import_keypro(opt, importFile);
        if (macros->parsed()) return cmd_macros(opt);
        if (macroExport->parsed()) return cmd_macro_export(opt, macroName, macroFile);
        if (macroImport->parsed()) return cmd_macro_import(opt, macroFile, macroFolder);
        if (rules->parsed()) return cmd_rules(opt, rulesRequest);
    } catch (const std::exception& e) {
        // A safety net: a command that throws ends with a message, not an abort.
        std::fflush(stdout);
        return fail(std::string("keyloomctl: ") + e.what());
    }
    return kExitFailure;
}
