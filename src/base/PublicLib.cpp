// Modal alerts and the application's exit through the installed AlertSink,
// plus the optional-text number reader and the executable's folder.
#include "base/PublicLib.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>

#include "base/INIFiler.h"

namespace keyloom {

namespace {

// Used until the application installs its own sink: a line on standard
// error, every question answered "Cancel".
class StderrAlertSink final : public AlertSink {
public:
    void showMessage(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
    }
    bool askQuestion(const std::string& title, const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", title.c_str(), text.c_str());
        return false;
    }
    void exitApp() override { std::exit(0); }
};

StderrAlertSink g_defaultSink;
std::atomic<AlertSink*> g_sink{nullptr};

AlertSink& sink() {
    AlertSink* s = g_sink.load();
    return s ? *s : g_defaultSink;
}

}  // namespace

void PubLib::setAlertSink(AlertSink* s) { g_sink.store(s); }

void PubLib::showSystemMessage(const std::string& msg, const std::string& title, const void*, const char*) {
    sink().showMessage(title, msg);
}

void PubLib::showSysMsg(const std::string& msg, const std::string& title, const char*) {
    sink().showMessage(title, msg);
}

bool PubLib::querySystemMessage(const std::string& msg, const std::string& title, const char*) {
    return sink().askQuestion(title, msg);
}

void PubLib::exitApp() { sink().exitApp(); }

int32_t PubLib::NSStringToInt(const std::optional<std::string>& text, int radix, bool* success) {
    if (!text || text->empty()) {
        if (success) *success = false;
        return -1;
    }
    return INIFiler::NSStringToInt(*text, radix, success);
}

std::string PubLib::get_current_path() {
    char buf[4096];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof(buf) - 1);
    if (n <= 0) return {};
    std::string path(buf, static_cast<size_t>(n));
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
}

int MessageBox(const void*, const char* msg, const char* title, uint32_t) {
    PubLib::showSystemMessage(msg ? msg : "", title ? title : "", nullptr, nullptr);
    return 0;
}

}  // namespace keyloom
