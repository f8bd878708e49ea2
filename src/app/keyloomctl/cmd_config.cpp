// keyloomctl config: the configuration the program runs on, as JSON.
#include <cstdio>

#include "config/gvar.h"
#include "base/paths.h"
#include "ctl.h"
#include "report/json_records.h"
#include "model/hwparam.h"

namespace keyloom::ctl {

int cmd_config(const Options& opt) {
    LoadConfiguration(opt);
    const char* model = get_model_cfg_path(gVar.Model);
    Json out;
    out["workDir"] = get_work_dir();
    out["modelFile"] = model ? Json(get_work_dir() + model) : Json(nullptr);
    out["gVar"] = gvar_to_json(gVar);
    out["hwParam"] = to_json(hwParam);
    Json keys = Json::array();
    for (const _KEYINFO& k : g_defKEY) keys.push_back(to_json(k));
    out["g_defKEY"] = keys;
    print_json(out);
    if (gVar.Model == 0) {
        std::fprintf(stderr, "No configuration: cannot read %scfg.txt\n", get_work_dir().c_str());
        return 1;
    }
    return 0;
}

}  // namespace keyloom::ctl
