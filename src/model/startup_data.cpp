#include "model/startup_data.h"

#include <memory>

#include "config/debug.h"
#include "config/fileio.h"
#include "config/language.h"
#include "config/paths.h"
#include "config/utf8.h"
#include "macro/macrotree.h"
#include "model/profile_store.h"
#include "model/reset.h"
#include "model/st_keypro.h"

namespace keyloom {
namespace {

bool g_storedDataLoaded = false;
// A damaged "pro.dct" kept at load is not copied again by the first run.
bool g_profileFileKept = false;

std::string keypro_file_path() { return get_data_path() + "keypro.dct"; }

void keep_file(const std::string& path, const char* reason, StartupDataReport* report) {
    if (keep_unusable_file(path, reason) && report) report->keptFiles.push_back(path + ".bak");
}

void add_first_run_sets(const std::string& proName, uint32_t firstIds[LAYER_COUNT]) {
    auto set = std::make_unique<_ST_KEYPRO>();
    for (int m = 1; m <= LAYER_COUNT; ++m) {
        for (int s = 1; s <= FIRST_RUN_SETS_PER_LAYER; ++s) {
            std::string name = "M" + std::to_string(m) + "_" + proName + std::to_string(s);
            new_keypro(CutUtf8(name, KEYPRO_NAME_SIZE - 1).c_str(), set.get());
            set->nLayer = m - 1;
            add_new_keypro_to_list(set.get());
            if (s == 1) firstIds[m - 1] = static_cast<uint32_t>(set->dwID);
        }
    }
}

}  // namespace

void LoadStoredData(StartupDataReport* report) {
    if (!lstProfile) init_profile_list();
    if (!lstKeyPro) init_keypro_list();

    // One byte more than a sound file has, so a longer file shows as damaged too.
    std::string path = get_profile_file_path();
    std::optional<std::string> bytes = read_file_bytes(path, PROFILE_FILE_SIZE + 1);
    g_profileFileKept = false;
    if (bytes && !bytes->empty() && !is_profile_file_sound(*bytes)) {
        keep_file(path, "pro.dct is damaged", report);
        g_profileFileKept = true;
    }

    int profiles = load_profile_from_file();
    load_all_keypro();
    g_storedDataLoaded = true;
    if (report) {
        report->profilesLoaded = profiles;
        report->keyProsLoaded = get_keypro_count();
    }
}

bool IsStoredDataLoaded() { return g_storedDataLoaded; }

void ForgetStoredData() {
    g_storedDataLoaded = false;
    g_profileFileKept = false;
}

bool NeedsFirstRun() { return get_profile_count() == 0 || get_current_profile() == nullptr; }

void CreateFirstRunData(StartupDataReport* report) {
    if (!g_profileFileKept) keep_file(get_profile_file_path(), "replaced by the first-run content", report);
    g_profileFileKept = true;
    keep_file(keypro_file_path(), "replaced by the first-run content", report);

    if (!lstProfile) init_profile_list();
    if (!lstKeyPro) init_keypro_list();
    set_current_profile(nullptr);
    clear_profile_list();
    clear_keypro_list();

    std::string proName = GetText("tc_proname");
    uint32_t firstIds[LAYER_COUNT] = {};
    add_first_run_sets(proName, firstIds);

    auto profile = std::make_unique<_ST_PROFILE>();
    new_profile(CutUtf8(proName + "1", PROFILE_NAME_SIZE - 1).c_str(), profile.get());
    for (int layer = 0; layer < LAYER_COUNT; ++layer) profile->dwKeyProID[layer] = firstIds[layer];
    set_current_profile(add_new_profile_to_list(profile.get()));
    if (report) report->firstRun = true;
}

bool make_profile_current(_ST_PROFILE* profile) {
    if (!profile || profile->dwID == 0) return false;
    LOG("SetAsCurProfile for 0x%x", profile->dwID);
    set_current_profile(profile);
    return true;
}

StartupDataReport PrepareStoredData() {
    StartupDataReport report;
    LoadStoredData(&report);
    if (NeedsFirstRun()) CreateFirstRunData(&report);
    report.macroFolderReady = make_sure_folder_exist(get_macro_path());
    make_profile_current(get_current_profile());
    return report;
}

bool SaveStoredData() {
    if (!g_storedDataLoaded) {
        LOG("stored data was never loaded; nothing saved");
        return false;
    }
    bool ok = save_profile_to_file();
    save_all_keypro();
    return ok;
}

}  // namespace keyloom
