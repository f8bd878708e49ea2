#include "store/startup.h"

#include "base/debug.h"
#include "base/paths.h"
#include "config/gvar.h"
#include "config/init.h"
#include "config/language.h"
#include "macro/stmacro.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"

namespace keyloom {

void UseDirectories(const CoreOptions& options) {
    if (!options.workDir.empty()) set_work_dir(options.workDir);
    if (!options.dataDir.empty()) set_data_dir(options.dataDir);
}

bool LoadConfiguration(const CoreOptions& options) {
    UseDirectories(options);
    Init();
    SetLogLevel(options.logLevel);
    return gVar.Model != 0;
}

bool StartCore(const CoreOptions& options, std::string* failure) {
    if (!LoadConfiguration(options)) {
        if (failure) *failure = "No configuration: cannot read " + get_work_dir() + "cfg.txt";
        return false;
    }
    init_macro_list();
    init_profile_list();
    init_keypro_list();
    LoadLanguage();
    return true;
}

void EndCore() {
    destroy_macro_list();
    destroy_profile_list();
    destroy_keypro_list();
}

}  // namespace keyloom
