// keyloomctl ini FILE: how the INI reader sees a file, with what it reported.
#include <cstdarg>
#include <cstdio>
#include <vector>

#include "base/INIFiler.h"
#include "base/PublicLib.h"
#include "base/debug.h"
#include "base/fileio.h"
#include "ctl.h"
#include "report/json_records.h"

namespace keyloom::ctl {
namespace {

std::vector<std::string> g_lines;

void recordLine(const char* fmt, ...) {
    char buf[1024];
    va_list args;
    va_start(args, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, args);
    va_end(args);
    g_lines.emplace_back(buf);
}

class RecordingAlerts : public AlertSink {
public:
    void showMessage(const std::string& title, const std::string& text) override {
        messages.push_back(Json{{"title", title}, {"text", text}});
    }
    bool askQuestion(const std::string& title, const std::string& text) override {
        showMessage(title, text);
        return false;
    }
    void exitApp() override {}
    Json messages = Json::array();
};

}  // namespace

int cmd_ini(const Options&, const std::string& file) {
    RecordingAlerts alerts;
    PubLib::setAlertSink(&alerts);
    SetSysLogSink(&recordLine);
    LogFunc previousLog = LOG;
    LOG = &recordLine;

    INIFiler parsed;
    FileError err;
    bool ok = parsed.initIni(file, &err);

    LOG = previousLog;
    SetSysLogSink(nullptr);
    PubLib::setAlertSink(nullptr);
    if (!ok) {
        std::fprintf(stderr, "Cannot read %s: %s\n", file.c_str(), err.text.c_str());
        return 1;
    }

    Json sections = Json::array();
    for (const auto& section : parsed.content) {
        Json keys = Json::object();
        for (const auto& [key, value] : section->dct) keys[key] = value;
        sections.push_back(Json{{"name", section->name}, {"keys", keys}});
    }
    Json out;
    out["file"] = file;
    out["sections"] = sections;
    out["log"] = g_lines;
    out["messages"] = alerts.messages;
    print_json(out);
    return 0;
}

}  // namespace keyloom::ctl
