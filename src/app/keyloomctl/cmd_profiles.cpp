// keyloomctl init and profiles: the stored profiles, key-property sets and macros.
#include "ctl.h"
#include "macro/macrotree.h"
#include "report/reports.h"
#include "store/startup_data.h"

namespace keyloom::ctl {

int cmd_init(const Options& opt) {
    if (!load_program(opt)) return 1;
    StartupDataReport report = PrepareStoredData();
    const bool saved = SaveStoredData();
    print(report::Init(report, saved));
    return saved ? 0 : 1;  // a failed save has been shown as an alert
}

int cmd_profiles(const Options& opt) {
    if (!load_program(opt)) return 1;
    // Shows what is stored: no first-run data, nothing written.
    LoadStoredData(nullptr, StoredDataMode::ReadOnly);
    // Key texts name macros, so the macro list is read from the macro folder.
    MacroTree tree;
    tree.loadMacroToList();
    return print(report::Profiles());
}

}  // namespace keyloom::ctl
