// The data commands when a keyloom runs on the data folder: they ask it, and
// print what it answers as they would print what they did themselves.
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "cmd_service.h"

namespace keyloom::ctl {
namespace {

// The running keyloom has another working folder: a file is named to it in full.
std::string full_path(const std::string& file) {
    std::error_code ec;
    const std::filesystem::path path = std::filesystem::absolute(file, ec);
    return ec ? file : path.string();
}

int print(const ServiceClient::Answer& answer) {
    if (!answer.ok) return fail(answer.text);
    std::printf("%s\n", answer.text.c_str());
    return kExitOk;
}

int apply(ServiceClient& service, int32_t flags) {
    const ServiceClient::Answer answer = service.apply(flags, [](int progress) {
        std::printf("progress %d\n", progress);
        std::fflush(stdout);
    });
    if (answer.ok) return kExitOk;
    std::fprintf(stderr, "Update settings failed!\n");
    return fail(answer.text);
}

// keyloomctl init: the running keyloom has its data loaded; it saves now.
int save(ServiceClient& service) {
    const ServiceClient::Answer answer = service.call("Save");
    const int code = print(answer);
    if (code != kExitOk) return code;
    const nlohmann::json report = nlohmann::json::parse(answer.text, nullptr, false);
    return report.is_object() && report.value("saved", false) ? kExitOk : kExitFailure;
}

// keyloomctl rules: the running keyloom edits its rules, and following
// matches them again at once.
int rules(ServiceClient& service, const RulesRequest& request) {
    ServiceClient::Answer answer;
    switch (request.action) {
        case RulesRequest::List: answer = service.call("ListRules"); break;
        case RulesRequest::Add:
            answer = service.callWithLayer("AddRule", request.layer, request.table, request.app);
            break;
        case RulesRequest::Remove: answer = service.callWithNumber("RemoveRule", request.number); break;
    }
    if (!answer.ok) return fail(answer.text);
    return print_rules(answer.text, request);
}

}  // namespace

int run_through(ServiceClient& service, const ServiceCommand& command) {
    switch (command.kind) {
        case ServiceCommand::Init: return save(service);
        case ServiceCommand::Profiles: return print(service.call("ListProfiles"));
        case ServiceCommand::Macros: return print(service.call("ListMacros"));
        case ServiceCommand::ExportKeyPro:
            return print(service.callWithId("ExportKeyTable", command.id, full_path(command.file)));
        case ServiceCommand::ImportKeyPro: return print(service.call("ImportKeyTable", full_path(command.file)));
        case ServiceCommand::MacroExport:
            return print(service.call("ExportMacro", command.name, full_path(command.file)));
        case ServiceCommand::MacroImport:
            return print(service.call("ImportMacro", full_path(command.file), command.name));
        case ServiceCommand::Apply: return apply(service, command.flags);
        case ServiceCommand::Rules: return rules(service, command.rules);
    }
    return kExitFailure;
}

}  // namespace keyloom::ctl
