#include "ctl.h"

#include <cstdio>

#include "base/PublicLib.h"
#include "base/debug.h"
#include "store/startup.h"

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
    UseDirectories(opt);
    PubLib::setAlertSink(&g_alerts);
    SetSysLogSink(&LogToStderr);
}

bool load_program(const Options& opt) {
    std::string failure;
    if (StartCore(opt, &failure)) return true;
    fail(failure);
    return false;
}

int fail(const std::string& message) {
    std::fprintf(stderr, "%s\n", message.c_str());
    return kExitFailure;
}

int print(const report::Outcome& outcome) {
    if (!outcome.ok()) return fail(outcome.error);
    std::printf("%s\n", outcome.json.c_str());
    return kExitOk;
}

}  // namespace keyloom::ctl
