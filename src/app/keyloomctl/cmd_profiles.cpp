// keyloomctl init and profiles: the stored profiles, key-property sets and macros.
#include "base/paths.h"
#include "ctl.h"
#include "json_records.h"
#include "macro/macrotree.h"
#include "store/profile_store.h"
#include "store/startup_data.h"

namespace keyloom::ctl {
namespace {

Json current_id_json() {
    const _ST_PROFILE* current = get_current_profile();
    return current ? Json(current->dwID) : Json(nullptr);
}

}  // namespace

int cmd_init(const Options& opt) {
    if (!load_program(opt)) return 1;
    StartupDataReport report = PrepareStoredData();
    bool saved = SaveStoredData();

    auto list = [](const std::vector<std::string>& items) {
        Json j = Json::array();
        for (const std::string& item : items) j.push_back(item);
        return j;
    };
    Json out;
    out["dataDir"] = get_data_path();
    out["profilesLoaded"] = report.profilesLoaded;
    out["keyProsLoaded"] = report.keyProsLoaded;
    out["firstRun"] = report.firstRun;
    out["keptFiles"] = list(report.keptFiles);
    out["protectedFiles"] = list(report.protectedFiles);
    out["repairs"] = list(report.repairs);
    out["macroFolder"] = report.macroFolderReady ? Json(get_macro_path()) : Json(nullptr);
    out["currentProfile"] = current_id_json();
    out["profiles"] = get_profile_count();
    out["keyPros"] = get_keypro_count();
    out["saved"] = saved;
    print_json(out);
    return saved ? 0 : 1;  // a failed save has been shown as an alert
}

int cmd_profiles(const Options& opt) {
    if (!load_program(opt)) return 1;
    // Shows what is stored: no first-run data, nothing written.
    LoadStoredData(nullptr, StoredDataMode::ReadOnly);
    // Key texts name macros, so the macro list is read from the macro folder.
    MacroTree tree;
    tree.loadMacroToList();

    const _ST_PROFILE* current = get_current_profile();
    Json profiles = Json::array();
    for (int i = 0; i < get_profile_count(); ++i) {
        const _ST_PROFILE* p = get_profile_by_index(i);
        if (p) profiles.push_back(profile_to_json(*p, p == current));
    }
    Json sets = Json::array();
    for (int i = 0; i < get_keypro_count(); ++i) {
        if (const _ST_KEYPRO* set = get_keypro_by_index(i, -1)) sets.push_back(keypro_to_json(*set));
    }
    Json macros = Json::array();
    for (int i = 0; i < get_macro_count(); ++i) {
        if (const _ST_MACRO* m = get_macro_by_index(i)) macros.push_back(macro_summary_json(*m));
    }
    Json out;
    out["currentProfile"] = current_id_json();
    out["profiles"] = profiles;
    out["keyPros"] = sets;
    out["macros"] = macros;
    print_json(out);
    return 0;
}

}  // namespace keyloom::ctl
