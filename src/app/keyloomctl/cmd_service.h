// The data commands, as a running keyloom carries them out for keyloomctl.
#pragma once
#include <cstdint>
#include <string>

#include "ctl.h"
#include "service_client.h"

namespace keyloom::ctl {

struct ServiceCommand {
    enum Kind { Init, Profiles, Macros, ExportKeyPro, ImportKeyPro, MacroExport, MacroImport, Apply, Rules };
    Kind kind;
    bool writes;         // it changes the data or talks to the keyboard
    std::string file = {};  // the exchange or macro file
    std::string name = {};  // macro-export: the macro; macro-import: the tree folder
    uint32_t id = 0;     // export-keypro: the key table (0: the one in use)
    int32_t flags = 0;   // apply
    RulesRequest rules = {};  // rules
};

// Carries out the command through the service; the exit code, the output
// printed as the command prints it when it works on the files itself.
int run_through(ServiceClient& service, const ServiceCommand& command);

}  // namespace keyloom::ctl
