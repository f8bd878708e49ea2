#include "ctl.h"

#include <cstdio>

#include "base/PublicLib.h"
#include "base/debug.h"
#include "config/gvar.h"
#include "config/init.h"
#include "config/language.h"
#include "base/paths.h"
#include "macro/stmacro.h"
#include "model/st_keypro.h"
#include "model/stprofile.h"

namespace keyloom::ctl {
namespace {

class StderrAlerts : public AlertSink {
public:
    void showMessage(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
    bool askQuestion(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "%s: %s (answered Cancel)\n", title.c_str(), text.c_str());
        return false;
    }
    void exitApp() override { std::exit(1); }
};

StderrAlerts g_alerts;

}  // namespace

void setup_environment(const Options& opt) {
    if (!opt.workDir.empty()) set_work_dir(opt.workDir);
    if (!opt.dataDir.empty()) set_data_dir(opt.dataDir);
    PubLib::setAlertSink(&g_alerts);
    SetSysLogSink(&LogToStderr);
}

bool load_configuration(const Options& opt) {
    const bool ok = Init();
    SetLogLevel(opt.logLevel);
    return ok;
}

bool load_program(const Options& opt) {
    load_configuration(opt);
    if (gVar.Model == 0) {
        fail("No configuration: cannot read " + get_work_dir() + "cfg.txt");
        return false;
    }
    LoadLanguage();
    init_macro_list();
    init_profile_list();
    init_keypro_list();
    return true;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return kExitFailure;
}

}  // namespace keyloom::ctl
